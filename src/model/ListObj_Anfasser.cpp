#include "model/ListObj_Anfasser.h"

#include "history/Streams.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/Liste_VisibledAnfasser.h"
#include "model/ProgramObjects.h"

#include <QPainter>

const QString TAnfasser::kEndMarkerError = QStringLiteral("End of Data TAnfasser nicht gefunden!");

namespace {

// Half the side of a square, and the frame's reach up/left and down/right.
constexpr int kSquareHalf = 4;
constexpr int kFrameReachUpLeft = 6;
constexpr int kFrameReachDownRight = 4;

constexpr TColorTriple kBaseSelectedFill = {0x0000FFFF, 0x000000A0, 0x00A0A000};
constexpr TColorTriple kBaseNormalFill = {0x00008000, 0x000000FF, 0x00FFFF00};
constexpr TColorTriple kBaseFramePen = {0x00FFFFFF, 0x000000E0, 0x00E0E000};
constexpr TColorTriple kBaseOutlinePen = {0x00000000, 0x00000080, 0x00808000};

} // namespace

TColor ColorOfSide(const TColorTriple& triple, int side, int colorMode)
{
    switch (colorMode) {
    case cmNormal:
        return triple[0];
    case cmTwoColor:
        return side == 0 ? triple[2] : triple[1];
    default:
        return 0;
    }
}

void DrawHandleBox(QPainter& painter, const QRect& r, bool round)
{
    // An aliased outline of a w x h box covers w + 1 by h + 1 pixels; the
    // handle's box ends one pixel before its right and bottom coordinates.
    const QRect box(r.left(), r.top(), r.right() - r.left() - 1, r.bottom() - r.top() - 1);
    if (round)
        painter.drawEllipse(box);
    else
        painter.drawRect(box);
}

TAnfasser::TAnfasser(int x, int y)
    : FSelectedFill(kBaseSelectedFill), FNormalFill(kBaseNormalFill), FFramePen(kBaseFramePen),
      FOutlinePen(kBaseOutlinePen), FX(x), FY(y)
{
    UpdateBoxes(0);
    UpdateBoxes(1);
    if (TPolygonListe* outline = PolygonListe())
        outline->BuildPoints();
}

TAnfasser::~TAnfasser()
{
    // Descendants have already left their registries in their own
    // destructors; these calls cover a plain handle.
    TAnfasser::SetVisible(false);
    TAnfasser::SetSelected(false);
}

int TAnfasser::GetY() const { return FY; }
int TAnfasser::GetZ() const { return FZ; }
int TAnfasser::GetX(int side) const { return side == 0 ? FX : FX + FZ; }

void TAnfasser::SetVisible(bool visible)
{
    if (visible == FVisible)
        return;
    FVisible = visible;
    if (TVisibleAnfasser* registry = VisibleAnfasser()) {
        if (visible)
            registry->Add(this);
        else
            registry->Remove(this);
    }
    if (!visible)
        SetSelected(false);
}

void TAnfasser::SetSelected(bool selected) { FSelected = selected; }

void TAnfasser::SetPosXY(const QPoint& p)
{
    FX = p.x();
    FY = p.y();
}

void TAnfasser::MoveXY(const QPoint& delta)
{
    FX += delta.x();
    FY += delta.y();
}

void TAnfasser::MoveZ(int dz) { FZ += dz; }

void TAnfasser::SetZ(int z)
{
    if (z == FZ)
        return;
    FZ = z;
    ZChanged();
    if (TPolygonListe* outline = PolygonListe())
        outline->BuildPoints();
}

void TAnfasser::StorePosition(int x, int y, int z)
{
    FX = x;
    FY = y;
    FZ = z;
}

void TAnfasser::SetHot(bool hot)
{
    if (hot == FHot)
        return;
    FHot = hot;
    UpdateBoxes(0);
    UpdateBoxes(1);
}

void TAnfasser::SetScreenPos(int side, const QPoint& p)
{
    (side == 0 ? FScreenLeft : FScreenRight) = p;
    UpdateBoxes(side);
}

void TAnfasser::UpdateBoxes(int side)
{
    const QPoint p = ScreenPoint(side);
    const int h = FHot ? 1 : 0;
    const int s = kSquareHalf + h;
    const QRect square(QPoint(p.x() - s, p.y() - s), QPoint(p.x() + s, p.y() + s));
    const QRect frame(QPoint(p.x() - kFrameReachUpLeft - h, p.y() - kFrameReachUpLeft - h),
                      QPoint(p.x() + kFrameReachDownRight + h, p.y() + kFrameReachDownRight + h));
    (side == 0 ? FSquareLeft : FSquareRight) = square;
    (side == 0 ? FFrameLeft : FFrameRight) = frame;
}

bool TAnfasser::HitTest(const QPoint& p, bool& leftFlag) const
{
    // QRect::contains counts right and bottom as inside, as the hit test must.
    const bool left = FSquareLeft.contains(p);
    const bool right = FSquareRight.contains(p);
    if (left)
        leftFlag = true;
    else if (right)
        leftFlag = false;
    return left || right;
}

void TAnfasser::WriteBaseAspect(int aspect, TStream& stream) const
{
    if (aspect == 0) {
        WriteInteger(stream, FX);
        WriteInteger(stream, FY);
        WriteInteger(stream, FZ);
    } else {
        WriteInteger(stream, FCurve);
        WriteBool(stream, FVisible);
    }
    WriteRawString(stream, kEndMarker);
}

void TAnfasser::ReadBaseAspect(int aspect, TStream& stream)
{
    if (aspect == 0) {
        // Clamped, so that X + Z and the control points' sums cannot overflow.
        const int x = ClampFileCoordinate(ReadInteger(stream));
        const int y = ClampFileCoordinate(ReadInteger(stream));
        const int z = ClampFileCoordinate(ReadInteger(stream));
        StorePosition(x, y, z);
    } else {
        // A segment type this program never wrote is a line.
        const qint32 curve = ReadInteger(stream);
        FCurve = curve == stCurve ? stCurve : stLine;
        // Through SetVisible, so the registry follows the stored state.
        SetVisible(ReadBool(stream));
    }
    ReadEndMarker(stream, kEndMarker, kEndMarkerError);
}

void TAnfasser::WriteToStream(int aspect, TStream& stream) const { WriteBaseAspect(aspect, stream); }
void TAnfasser::ReadFromStream(int aspect, TStream& stream) { ReadBaseAspect(aspect, stream); }

TColor TAnfasser::FillOfSide(int side, int colorMode) const
{
    return ColorOfSide(FSelected ? FSelectedFill : FNormalFill, side, colorMode);
}

bool TAnfasser::IsReference() const
{
    const TSelect* nodes = SelectListe();
    const TSelectStrPkt* handles = SelectStrPktListe();
    return (nodes && static_cast<const TAnfasser*>(nodes->Reference()) == this)
        || (handles && static_cast<const TAnfasser*>(handles->Reference()) == this);
}

void TAnfasser::DrawSide(QPainter& painter, int side, int colorMode) const
{
    if (!FVisible)
        return;
    painter.setBrush(ColorToQColor(FillOfSide(side, colorMode)));
    painter.setPen(QPen(ColorToQColor(ColorOfSide(FOutlinePen, side, colorMode)), 1));
    DrawHandleBox(painter, Square(side), false);
}

void TAnfasser::DrawBoth(QPainter& painter, int colorMode) const
{
    if (!FVisible)
        return;
    DrawBoxes(painter, colorMode, false, FillOfSide(0, colorMode), FillOfSide(1, colorMode));
}

void TAnfasser::DrawBoxes(QPainter& painter, int colorMode, bool round, TColor fillLeft,
                          TColor fillRight) const
{
    int width = 1;
    if (FHot || IsReference()) {
        painter.setPen(QPen(ColorToQColor(ColorOfSide(FFramePen, 0, colorMode)), width));
        painter.setBrush(ColorToQColor(fillLeft));
        DrawHandleBox(painter, FFrameLeft, round);
        painter.setPen(QPen(ColorToQColor(ColorOfSide(FFramePen, 1, colorMode)), width));
        painter.setBrush(ColorToQColor(fillRight));
        DrawHandleBox(painter, FFrameRight, round);
        // The squares of an emphasised point get a heavier outline.
        width = 2;
    }
    painter.setPen(QPen(ColorToQColor(ColorOfSide(FOutlinePen, 0, colorMode)), width));
    painter.setBrush(ColorToQColor(fillLeft));
    DrawHandleBox(painter, FSquareLeft, round);
    painter.setPen(QPen(ColorToQColor(ColorOfSide(FOutlinePen, 1, colorMode)), width));
    painter.setBrush(ColorToQColor(fillRight));
    DrawHandleBox(painter, FSquareRight, round);
    painter.setPen(QPen(painter.pen().color(), 1));
}
