#include "model/ListObj_BezierSteuerPunk.h"

#include "history/Streams.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"

#include <QPainter>

#include <cmath>

namespace {

// A stored relative component is narrowed to float only after the clamp: a
// double beyond the float range would otherwise become infinite, and one
// that is not a number would poison every later rounding (it is read as 0).
float StoredComponent(double v, double bound) { return float(ClampFileReal(v, bound)); }

} // namespace

TMatrix4 IdentityMatrix()
{
    TMatrix4 m{};
    for (int i = 0; i < 4; ++i)
        m[i][i] = 1.0f;
    return m;
}

TBezSteuerPkt::TBezSteuerPkt(TBezEndPkt* owner)
    : TAnfasser(owner->X(), owner->Y()), FOwner(owner), FRotation(IdentityMatrix()),
      FScale(IdentityMatrix())
{
    CopyOwnerPosition();
}

TBezSteuerPkt::~TBezSteuerPkt()
{
    SetVisible(false);
    SetSelected(false);
}

void TBezSteuerPkt::CopyOwnerPosition() { StorePosition(FOwner->X(), FOwner->Y(), FOwner->Z()); }

TBezSteuerPkt* TBezSteuerPkt::Partner() const
{
    return FOwner->Incoming() == this ? FOwner->Outgoing() : FOwner->Incoming();
}

int TBezSteuerPkt::GetY() const { return FOwner->Y() + nearest(FRel[1]); }
int TBezSteuerPkt::GetZ() const { return FOwner->Z() + nearest(FRel[2]); }

int TBezSteuerPkt::GetX(int side) const
{
    if (side == 0)
        return FOwner->X() + nearest(FRel[0]);
    // The depth is rounded to whole units before it becomes parallax, so both
    // the display and the stored outline see the same pixel.
    return FOwner->GetX(1) + nearest(FRel[0]) + nearest(nearest(FRel[2]) * kDepthFactor);
}

QPoint TBezSteuerPkt::GetRel() const { return QPoint(nearest(FRel[0]), nearest(FRel[1])); }
int TBezSteuerPkt::GetRelD() const { return nearest(FRel[2]); }

void TBezSteuerPkt::SetRelXY(const QPoint& p) { SetRelXYF(float(p.x()), float(p.y())); }

void TBezSteuerPkt::SetRelXYF(float x, float y)
{
    FRel[0] = x;
    FRel[1] = y;
}

void TBezSteuerPkt::SetRelD(int d) { FRel[2] = float(d); }
void TBezSteuerPkt::SetRelDF(float d) { FRel[2] = d; }

void TBezSteuerPkt::SetVisible(bool visible)
{
    TAnfasser::SetVisible(visible && Curve() != stLine);
}

void TBezSteuerPkt::SetSelected(bool selected)
{
    if (selected == Selected())
        return;
    TAnfasser::SetSelected(selected);
    if (TSelectStrPkt* selection = SelectStrPktListe()) {
        if (selected)
            selection->Add(this);
        else
            selection->Remove(this);
    }
}

void TBezSteuerPkt::MoveRel(const QPoint& delta)
{
    const QPoint wanted(nearest(double(FRel[0]) + delta.x()), nearest(double(FRel[1]) + delta.y()));
    SetRelXY(FOwner->ConstrainPartner(this, wanted));
}

void TBezSteuerPkt::AddDepth(int dz)
{
    FRel[2] += float(nearest(dz / kDepthFactor));
    FOwner->FollowDepth(this);
}

void TBezSteuerPkt::SetDepth(int d)
{
    FRel[2] = float(d);
    FOwner->FollowDepth(this);
}

bool TBezSteuerPkt::ComputeTransform(const QPoint& previous, const QPoint& current, int side, int mode)
{
    if (FBusy)
        return false;
    FBusy = true;
    struct TBusyReset {
        bool& flag;
        ~TBusyReset() { flag = false; }
    } reset{FBusy};

    FScale = IdentityMatrix();
    const QPoint n(FOwner->GetX(side), FOwner->Y());
    double theta = 0.0;
    switch (mode) {
    case tmDistance: {
        const double delta = Distance(n, current) - Distance(n, previous);
        const double x = FRel[0], y = FRel[1], d = FRel[2], w = FRel[3];
        const double len = std::sqrt(x * x + y * y + d * d + w * w);
        if (len == 0.0)
            return false;
        const double s = (len + delta) / len;
        // A stretch through the node would flip the handle to the other side.
        if (len * s <= 0.0)
            return false;
        for (int i = 0; i < 3; ++i)
            FScale[i][i] = float(s);
        FRotation = IdentityMatrix();
        return true;
    }
    case tmRotateX:
    case tmRotateY:
        theta = Angle(n, previous) - Angle(n, current);
        break;
    case tmRotateZ:
        theta = Angle(n, current) - Angle(n, previous);
        break;
    default:
        return false;
    }
    const float s = float(std::sin(theta));
    const float c = float(std::cos(theta));
    TMatrix4 r = IdentityMatrix();
    // Row vector convention: component j of the result is sum_i v[i] * r[i][j].
    if (mode == tmRotateX) {
        r[1][1] = c;
        r[2][1] = -s;
        r[1][2] = s;
        r[2][2] = c;
    } else if (mode == tmRotateY) {
        r[0][0] = c;
        r[2][0] = s;
        r[0][2] = -s;
        r[2][2] = c;
    } else {
        r[0][0] = c;
        r[1][0] = -s;
        r[0][1] = s;
        r[1][1] = c;
    }
    FRotation = r;
    return true;
}

void TBezSteuerPkt::ApplyTransform(const TMatrix4& rotation, const TMatrix4& scale)
{
    auto times = [](const std::array<float, 4>& v, const TMatrix4& m) {
        std::array<float, 4> out{};
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int i = 0; i < 4; ++i)
                sum += v[i] * m[i][j];
            out[j] = sum;
        }
        return out;
    };
    FRel = times(times(FRel, scale), rotation);
}

bool TBezSteuerPkt::PartnerFollows(int mode) const
{
    const quint8 kind = FOwner->Kind();
    const bool rotation = mode == tmRotateX || mode == tmRotateY || mode == tmRotateZ;
    return ((kind == nkGlatt || kind == nkSymmetrisch) && rotation)
        || (kind == nkSymmetrisch && mode == tmDistance);
}

void TBezSteuerPkt::WriteToStream(int aspect, TStream& stream) const
{
    if (aspect == 1) {
        WriteDouble(stream, FRel[0]);
        WriteDouble(stream, FRel[1]);
        WriteDouble(stream, FRel[2]);
        WriteBool(stream, Selected());
        const TSelectStrPkt* selection = SelectStrPktListe();
        WriteBool(stream, selection && selection->Reference() == this);
    }
    WriteBaseAspect(aspect, stream);
}

void TBezSteuerPkt::ReadFromStream(int aspect, TStream& stream)
{
    if (aspect == 1) {
        FRel[0] = StoredComponent(ReadDouble(stream), kMaxFileRelative);
        FRel[1] = StoredComponent(ReadDouble(stream), kMaxFileRelative);
        FRel[2] = StoredComponent(ReadDouble(stream), kMaxFileDepthUnits);
        const bool selected = ReadBool(stream);
        const bool reference = ReadBool(stream);
        SetSelected(selected);
        if (reference)
            if (TSelectStrPkt* selection = SelectStrPktListe())
                selection->MakeReference(this);
    }
    ReadBaseAspect(aspect, stream);
}

TColor TBezSteuerPkt::KindFill(int side, int colorMode) const
{
    if (Selected())
        return ColorOfSide(FSelectedFill, side, colorMode);
    switch (FOwner->Kind()) {
    case nkSpitze:
        return ColorOfSide(FCornerFill, side, colorMode);
    case nkGlatt:
        return ColorOfSide(FSmoothFill, side, colorMode);
    case nkSymmetrisch:
        return ColorOfSide(FSymmetricFill, side, colorMode);
    default:
        return ColorOfSide(FNormalFill, side, colorMode);
    }
}

void TBezSteuerPkt::DrawBoth(QPainter& painter, int colorMode) const
{
    if (!Visible())
        return;
    DrawBoxes(painter, colorMode, true, KindFill(0, colorMode), KindFill(1, colorMode));
}
