#pragma once
// TBezEndPkt: a node ("Knoten") of the mask outline. It owns the two control
// points of the segments that meet in it, and its kind couples them: a
// Spitze leaves them independent, a Glatt node keeps them on one line through
// the node, a Symmetrisch node also keeps their lengths equal.

#include "model/ListObj_BezierSteuerPunk.h"

#include <functional>
#include <memory>

class TBezEndPkt : public TAnfasser {
public:
    // Called after SetSegmentType with the node and the old and new Curve.
    using TSegmentChanged = std::function<void(TBezEndPkt* node, quint8 oldCurve, quint8 newCurve)>;

    // A node at (x, y), Z = 0, kind Spitze, with two unused control points.
    TBezEndPkt(int x, int y);
    ~TBezEndPkt() override;

    // Also shows or hides both control points and maintains the node selection.
    void SetSelected(bool selected) override;
    // Aspect 0 is the node's position; aspect 1 its kind and both control points.
    void ReadFromStream(int aspect, TStream& stream) override;
    void WriteToStream(int aspect, TStream& stream) const override;
    // The node, then both control points, for one side.
    void DrawSide(QPainter& painter, int side, int colorMode) const override;
    // Dotted lines to the visible control points, the node, the control points.
    void DrawBoth(QPainter& painter, int colorMode) const override;
    // These also carry both control points along.
    void SetPosXY(const QPoint& p) override;
    void MoveXY(const QPoint& delta) override;
    void MoveZ(int dz) override;

    TBezSteuerPkt* Incoming() const { return FIncoming.get(); }
    TBezSteuerPkt* Outgoing() const { return FOutgoing.get(); }
    quint8 Kind() const { return FKind; }
    // Changes the kind and re-aligns the control points to it.
    void SetKind(quint8 kind);
    // Makes the segment to next (which must follow this node in the ring) a
    // line or a curve; a new curve starts out on the straight 3-D segment.
    void SetSegmentType(quint8 type, TBezEndPkt* next);
    // The position c may take when asked for wanted, moving the partner as
    // the kind demands.
    QPoint ConstrainPartner(TBezSteuerPkt* c, const QPoint& wanted);
    // Lets the partner follow a depth change of c.
    void FollowDepth(TBezSteuerPkt* c);

    TSegmentChanged SegmentChanged;

protected:
    void ZChanged() override;

private:
    void CopyPositionToControlPoints();

    std::unique_ptr<TBezSteuerPkt> FIncoming;
    std::unique_ptr<TBezSteuerPkt> FOutgoing;
    quint8 FKind = nkSpitze;
};
