#pragma once
// TBezSteuerPkt: a control point of a node. Its position is a vector relative
// to the node, (x, y) in picture pixels and d in depth units (one unit gives
// kDepthFactor pixels of parallax), kept as 32-bit floats so that repeated
// rotations do not drift to integer steps. It can be turned about the three
// axes or stretched towards or away from its node.

#include "model/ListObj_Anfasser.h"

#include <array>

class TBezEndPkt;

// 4x4 float matrix applied to row vectors (x, y, d, 0).
using TMatrix4 = std::array<std::array<float, 4>, 4>;
TMatrix4 IdentityMatrix();

// Transform modes of a control-point drag.
enum TTransformMode : int {
    tmDistance = 0, // "Abstand zum Knoten ändern"
    tmRotateX = 1,
    tmRotateY = 2,
    tmRotateZ = 3,
};

class TBezSteuerPkt : public TAnfasser {
public:
    // At the owner's position, relative vector 0, not in use.
    explicit TBezSteuerPkt(TBezEndPkt* owner);
    ~TBezSteuerPkt() override;

    int GetY() const override;
    int GetZ() const override;
    // Stays hidden while its segment is a line.
    void SetVisible(bool visible) override;
    // Also enters or leaves the control-point selection.
    void SetSelected(bool selected) override;
    // Aspect 1 adds the relative vector, Selected and the reference mark.
    void ReadFromStream(int aspect, TStream& stream) override;
    void WriteToStream(int aspect, TStream& stream) const override;
    // Circles, filled by the owner's kind unless selected.
    void DrawBoth(QPainter& painter, int colorMode) const override;
    int GetX(int side) const override;

    TBezEndPkt* Owner() const { return FOwner; }
    // The other control point of the same node.
    TBezSteuerPkt* Partner() const;

    // (nearest(x), nearest(y)) and nearest(d).
    QPoint GetRel() const;
    int GetRelD() const;
    float RelX() const { return FRel[0]; }
    float RelY() const { return FRel[1]; }
    float RelD() const { return FRel[2]; }
    // Plain stores of the relative vector, without any coupling.
    void SetRelXY(const QPoint& p);
    void SetRelXYF(float x, float y);
    void SetRelD(int d);
    void SetRelDF(float d);

    // Moves by delta under the owner's kind constraint.
    void MoveRel(const QPoint& delta);
    // dz in parallax pixels; the partner follows by the owner's kind.
    void AddDepth(int dz);
    // d in depth units; the partner follows by the owner's kind.
    void SetDepth(int d);

    // Computes Rotation and Scale of one drag step of the reference control
    // point from the mouse movement around the node. Returns false when no
    // transform was computed (re-entry, an unknown mode, a zero-length vector,
    // or a stretch through zero); the matrices must not be applied then.
    bool ComputeTransform(const QPoint& previous, const QPoint& current, int side, int mode);
    // (x, y, d, 0) := (x, y, d, 0) * scale * rotation in float arithmetic.
    void ApplyTransform(const TMatrix4& rotation, const TMatrix4& scale);
    // Whether the partner takes the same transform in this mode.
    bool PartnerFollows(int mode) const;

    const TMatrix4& Rotation() const { return FRotation; }
    const TMatrix4& Scale() const { return FScale; }
    bool Busy() const { return FBusy; }

    TColor CornerFill(int entry) const { return FCornerFill.at(entry); }
    void SetCornerFill(int entry, TColor c) { FCornerFill.at(entry) = c; }
    TColor SmoothFill(int entry) const { return FSmoothFill.at(entry); }
    void SetSmoothFill(int entry, TColor c) { FSmoothFill.at(entry) = c; }
    TColor SymmetricFill(int entry) const { return FSymmetricFill.at(entry); }
    void SetSymmetricFill(int entry, TColor c) { FSymmetricFill.at(entry) = c; }

    // Keeps the copies of the owner's position in step.
    void CopyOwnerPosition();

private:
    TColor KindFill(int side, int colorMode) const;

    bool FBusy = false;
    TColorTriple FCornerFill{};
    TColorTriple FSmoothFill{};
    TColorTriple FSymmetricFill{};
    TBezEndPkt* FOwner;
    std::array<float, 4> FRel{0.0f, 0.0f, 0.0f, 0.0f};
    TMatrix4 FRotation;
    TMatrix4 FScale;
};
