#pragma once
// TSelectStrPkt: the control-point selection. Its first member is the
// reference control point ("Bezugssteuerpunkt"); the group transforms take
// their rotation or stretch from it. Control points enter and leave it only
// through their own SetSelected. It is not saved by itself: each control
// point's Selected flag and reference mark travel in the outline's state.

#include <QPoint>

#include <functional>
#include <vector>

class TBezSteuerPkt;

class TSelectStrPkt {
public:
    using TNotifyEvent = std::function<void(void* sender)>;

    TSelectStrPkt() = default;
    TSelectStrPkt(const TSelectStrPkt&) = delete;
    TSelectStrPkt& operator=(const TSelectStrPkt&) = delete;

    // Membership, called by TBezSteuerPkt::SetSelected. Adding one handle of
    // a Glatt or Symmetrisch node deselects the other.
    void Add(TBezSteuerPkt* c);
    void Remove(TBezSteuerPkt* c);

    int Count() const { return int(FItems.size()); }
    TBezSteuerPkt* Items(int i) const;
    TBezSteuerPkt* Reference() const { return Items(0); }
    void MakeReference(TBezSteuerPkt* c);
    bool DeselectAll();

    // Moves every member under its node's constraint.
    void MoveRel(const QPoint& delta);
    // dz in parallax pixels.
    void AddDepth(int dz);
    // "Steuerpunkt senkrecht stellen": x := 0 (both handles of a coupled node).
    void ToX();
    // "Steuerpunkt waagerecht stellen": y := 0.
    void ToY();
    // "Tiefe vom Steuerpunkt auf Knoten zurücksetzen": d := 0.
    void ToZ();
    // The members after the first take the reference's picture X, Y or
    // absolute depth.
    void AlignX();
    void AlignY();
    void AlignZ();
    // One drag step of a distance change (mode 0) or rotation about X, Y or
    // Z (1..3), computed on the reference and applied to every member.
    void Transform(const QPoint& previous, const QPoint& current, int side, int mode);

    TNotifyEvent OnChange;

private:
    void Changed(void* sender);
    void Zero(int component);

    std::vector<TBezSteuerPkt*> FItems;
};
