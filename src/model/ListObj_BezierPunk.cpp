#include "model/ListObj_BezierPunk.h"

#include "history/Streams.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"

#include <QPainter>

#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
const QPoint kOrigin(0, 0);

// Colours every node gives its control points.
constexpr TColorTriple kHandleSelectedFill = {0x000000FF, 0x000000FF, 0x00FFFF00};
constexpr TColorTriple kHandleNormalFill = {0x00FF0000, 0x000000FF, 0x00FFFF00};
constexpr TColorTriple kHandleCornerFill = {0x0040FF00, 0x000040FF, 0x00FFFF40};
constexpr TColorTriple kHandleSmoothFill = {0x00FFFF80, 0x00000080, 0x00808000};
constexpr TColorTriple kHandleSymmetricFill = {0x00FF0000, 0x00000080, 0x00808000};

void SetHandleColors(TBezSteuerPkt& c)
{
    for (int i = 0; i < 3; ++i) {
        c.SetSelectedFill(i, kHandleSelectedFill[i]);
        c.SetNormalFill(i, kHandleNormalFill[i]);
        c.SetCornerFill(i, kHandleCornerFill[i]);
        c.SetSmoothFill(i, kHandleSmoothFill[i]);
        c.SetSymmetricFill(i, kHandleSymmetricFill[i]);
    }
}

double Length(const TBezSteuerPkt& c) { return Distance(kOrigin, c.GetRel()); }

} // namespace

TBezEndPkt::TBezEndPkt(int x, int y)
    : TAnfasser(x, y), FIncoming(std::make_unique<TBezSteuerPkt>(this)),
      FOutgoing(std::make_unique<TBezSteuerPkt>(this))
{
    SetHandleColors(*FIncoming);
    SetHandleColors(*FOutgoing);
}

TBezEndPkt::~TBezEndPkt()
{
    SetVisible(false);
    SetSelected(false);
    FOutgoing.reset();
    FIncoming.reset();
}

void TBezEndPkt::SetSelected(bool selected)
{
    if (selected == Selected())
        return;
    TAnfasser::SetSelected(selected);
    // Control points show only while their node is selected.
    FOutgoing->SetVisible(selected);
    FIncoming->SetVisible(selected);
    if (TSelect* selection = SelectListe()) {
        if (selected)
            selection->Add(this);
        else
            selection->Remove(this);
    }
}

void TBezEndPkt::CopyPositionToControlPoints()
{
    FIncoming->CopyOwnerPosition();
    FOutgoing->CopyOwnerPosition();
}

void TBezEndPkt::ZChanged() { CopyPositionToControlPoints(); }

void TBezEndPkt::SetPosXY(const QPoint& p)
{
    TAnfasser::SetPosXY(p);
    CopyPositionToControlPoints();
}

void TBezEndPkt::MoveXY(const QPoint& delta)
{
    TAnfasser::MoveXY(delta);
    CopyPositionToControlPoints();
}

void TBezEndPkt::MoveZ(int dz)
{
    TAnfasser::MoveZ(dz);
    CopyPositionToControlPoints();
}

void TBezEndPkt::SetKind(quint8 kind)
{
    if (kind == FKind)
        return;
    double d1 = Length(*FIncoming);
    double d2 = Length(*FOutgoing);
    if (FKind == nkSpitze && (kind == nkGlatt || kind == nkSymmetrisch)) {
        if (kind == nkSymmetrisch) {
            FIncoming->SetRelD(-FOutgoing->GetRelD());
            d1 = d2 = (d1 + d2) / 2;
        } else if (d2 != 0.0) {
            // A zero-length outgoing handle gives no ratio; the incoming depth
            // then stays as it is.
            FIncoming->SetRelD(-nearest(FOutgoing->GetRelD() * d1 / d2));
        }
        TPolygonListe* outline = PolygonListe();
        if (!outline)
            throw EPlenoptraError(TPolygonListe::kNodeNotFoundError);
        int prev = 0, next = 0;
        outline->Neighbours(this, prev, next);
        const TBezEndPkt* p = outline->Items(prev);
        const TBezEndPkt* n = outline->Items(next);
        // The tangent becomes parallel to the chord from the previous node to
        // the next one.
        const double a = Angle(QPoint(p->X(), p->Y()), QPoint(n->X(), n->Y()));
        FIncoming->SetRelXY(nearest(Polar(kOrigin, d1, a - kPi)));
        FOutgoing->SetRelXY(nearest(Polar(kOrigin, d2, a)));
    } else if (FKind == nkGlatt && kind == nkSymmetrisch) {
        FIncoming->SetRelD(-FOutgoing->GetRelD());
        const double d = (d1 + d2) / 2;
        for (TBezSteuerPkt* c : {FIncoming.get(), FOutgoing.get()})
            c->SetRelXY(nearest(Polar(kOrigin, d, Angle(kOrigin, c->GetRel()))));
    }
    FKind = kind;
}

void TBezEndPkt::SetSegmentType(quint8 type, TBezEndPkt* next)
{
    if (type == Curve())
        return;
    const quint8 old = Curve();
    SetCurve(type);
    SetKind(nkSpitze);
    next->SetKind(nkSpitze);
    TBezSteuerPkt* out = FOutgoing.get();
    TBezSteuerPkt* in = next->Incoming();
    out->SetCurve(type);
    in->SetCurve(type);
    // A new curve shows both handles even when the nodes are not selected.
    out->SetVisible(type == stCurve);
    in->SetVisible(type == stCurve);
    if (type == stLine) {
        out->SetRelXY(kOrigin);
        out->SetRelD(0);
        in->SetRelXY(kOrigin);
        in->SetRelD(0);
    } else {
        const QPoint a(X(), Y());
        const QPoint b(next->X(), next->Y());
        const double l = Distance(a, b) / 3;
        const double angle = Angle(a, b);
        // Subtracting the node again (instead of using the polar offset
        // directly) keeps the rounding of the stored outline.
        const QPointF pa = Polar(a, l, angle);
        const QPointF pb = Polar(b, l, angle + kPi);
        out->SetRelXY(nearest(QPointF(pa.x() - a.x(), pa.y() - a.y())));
        in->SetRelXY(nearest(QPointF(pb.x() - b.x(), pb.y() - b.y())));
        // The depth is laid out in depth units, where a node stands at Z / 0.27.
        const QPoint as(X() + nearest(Z() / kDepthFactor), Y());
        const QPoint bs(next->X() + nearest(next->Z() / kDepthFactor), next->Y());
        const double ls = Distance(as, bs) / 3;
        const double angles = Angle(as, bs);
        const QPointF qa = Polar(as, ls, angles);
        const QPointF qb = Polar(bs, ls, angles + kPi);
        out->SetRelD(nearest(qa.x() - as.x()) - out->GetRel().x());
        in->SetRelD(nearest(qb.x() - bs.x()) - in->GetRel().x());
    }
    if (SegmentChanged)
        SegmentChanged(this, old, type);
}

QPoint TBezEndPkt::ConstrainPartner(TBezSteuerPkt* c, const QPoint& wanted)
{
    if (FKind == nkSpitze)
        return wanted;
    TBezSteuerPkt* partner = c->Partner();
    const double r1 = Distance(kOrigin, wanted);
    const double r2 = FKind == nkSymmetrisch ? r1 : Length(*partner);
    const double a = Angle(kOrigin, wanted);
    partner->SetRelXY(nearest(Polar(kOrigin, r2, a + kPi)));
    const QPoint result = nearest(Polar(kOrigin, r1, a));
    if (FKind == nkGlatt && result.y() != 0) {
        // Keeps both control points on one line through the node in depth units.
        const QPoint o = partner->GetRel();
        partner->SetRelD(
            nearest(double(c->GetRelD() + result.x()) / result.y() * o.y() - o.x()));
    }
    return result;
}

void TBezEndPkt::FollowDepth(TBezSteuerPkt* c)
{
    if (FKind == nkSpitze)
        return;
    TBezSteuerPkt* partner = c->Partner();
    const QPoint r = c->GetRel();
    const int dc = c->GetRelD();
    const QPoint o = partner->GetRel();
    if (r.y() != 0)
        partner->SetRelD(nearest(double(r.x() + dc) * o.y() / r.y() - o.x()));
    else
        partner->SetRelD(-dc);
}

void TBezEndPkt::WriteToStream(int aspect, TStream& stream) const
{
    if (aspect == 1) {
        WriteInteger(stream, FKind);
        FIncoming->WriteToStream(0, stream);
        FOutgoing->WriteToStream(0, stream);
        FIncoming->WriteToStream(1, stream);
        FOutgoing->WriteToStream(1, stream);
    }
    WriteBaseAspect(aspect, stream);
}

void TBezEndPkt::ReadFromStream(int aspect, TStream& stream)
{
    if (aspect == 1) {
        // Stored as it is: the control points that follow already carry the
        // geometry the kind stands for.
        // A kind this program never wrote couples nothing: a corner.
        const qint32 kind = ReadInteger(stream);
        FKind = (kind == nkGlatt || kind == nkSymmetrisch) ? quint8(kind) : quint8(nkSpitze);
        FIncoming->ReadFromStream(0, stream);
        FOutgoing->ReadFromStream(0, stream);
        FIncoming->ReadFromStream(1, stream);
        FOutgoing->ReadFromStream(1, stream);
    }
    ReadBaseAspect(aspect, stream);
    CopyPositionToControlPoints();
}

void TBezEndPkt::DrawSide(QPainter& painter, int side, int colorMode) const
{
    if (!Visible())
        return;
    TAnfasser::DrawSide(painter, side, colorMode);
    FIncoming->DrawSide(painter, side, colorMode);
    FOutgoing->DrawSide(painter, side, colorMode);
}

void TBezEndPkt::DrawBoth(QPainter& painter, int colorMode) const
{
    if (!Visible())
        return;
    painter.setBrush(Qt::NoBrush);
    for (const TBezSteuerPkt* c : {FIncoming.get(), FOutgoing.get()}) {
        if (!c->Visible())
            continue;
        for (int side = 0; side < 2; ++side) {
            painter.setPen(QPen(ColorToQColor(ColorOfSide(FFramePen, side, colorMode)), 1, Qt::DotLine));
            painter.drawLine(ScreenPoint(side), c->ScreenPoint(side));
        }
    }
    painter.setPen(QPen(painter.pen().color(), 1, Qt::SolidLine));
    painter.setBrush(Qt::SolidPattern);
    TAnfasser::DrawBoth(painter, colorMode);
    FIncoming->DrawBoth(painter, colorMode);
    FOutgoing->DrawBoth(painter, colorMode);
}
