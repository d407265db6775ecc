// The view geometry of the controller: scales, view centre, the conversion
// between picture and window coordinates, and the overlays painted over the
// composed pictures.
#include "app/Daten_Modul.h"

#include "history/History.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_VisibledAnfasser.h"
#include "model/ProgramObjects.h"
#include "stereo/StereoConvert.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdlib>

namespace {

QColor ToQColor(TColor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

} // namespace

QString ZoomText(double scale)
{
    return QStringLiteral("Zoom (%1 %)").arg(QLocale().toString(scale * 100, 'f', 2));
}

double TDM::CurrentScale() const
{
    if (ActionAnsichtFit->isChecked())
        return FitScale;
    if (ActionAnsichtZoom->isChecked())
        return ZoomScale;
    return 1.0;
}

void TDM::WriteViewCentreToCurrent()
{
    if (THistoryListe* history = HistoryListe()) {
        history->Current().R01().ViewCenterX = ViewCentre.x();
        history->Current().R01().ViewCenterY = ViewCentre.y();
    }
}

void TDM::SetFitScale(double v)
{
    if (v == FitScale)
        return;
    FitScale = v;
    if (OnLayoutChanged)
        OnLayoutChanged();
    if (ActionAnsichtFit->isChecked() && OnViewChanged)
        OnViewChanged();
}

void TDM::SetZoomScale(double v)
{
    if (v == ZoomScale)
        return;
    ZoomScale = v;
    if (THistoryListe* history = HistoryListe())
        history->Current().R01().Zoom = v;
    ZoomStep = v < 0.1 ? 0.01 : 0.05;
    if (ZoomScale < 0.01)
        ZoomScale = 0.01;
    const QString text = ZoomText(ZoomScale);
    ActionAnsichtZoom->setText(text);
    ActionAnsichtZoom->setToolTip(text);
    if (OnLayoutChanged)
        OnLayoutChanged();
    if (ActionAnsichtZoom->isChecked() && OnViewChanged)
        OnViewChanged();
}

void TDM::SetViewCentre(QPoint centre)
{
    if (centre == ViewCentre)
        return;
    ViewCentre = centre;
    WriteViewCentreToCurrent();
    if (OnLayoutChanged)
        OnLayoutChanged();
}

void TDM::SetViewCentreX(int x) { SetViewCentre(QPoint(x, ViewCentre.y())); }
void TDM::SetViewCentreY(int y) { SetViewCentre(QPoint(ViewCentre.x(), y)); }

void TDM::ScrollBy(int dx, int dy)
{
    if (dx == 0 && dy == 0)
        return;
    const double s = CurrentScale();
    ViewCentre += QPoint(RoundEven(dx / s), RoundEven(dy / s));
    WriteViewCentreToCurrent();
    ResetWheelAnchor();
    if (OnLayoutChanged)
        OnLayoutChanged();
}

void TDM::ResetWheelAnchor()
{
    LastWheelPos = LastMousePos;
    WheelAnchorInsideX = WheelAnchorInsideY = false;
}

QPoint TDM::ScreenToPicture(QPoint offset) const
{
    const double s = CurrentScale();
    return QPoint(RoundEven(offset.x() / s) + VisibleSource.Left, RoundEven(offset.y() / s) + VisibleSource.Top);
}

TScreenPos TDM::PictureToScreen(int x, int y, const TRect& r) const
{
    const double s = CurrentScale();
    TScreenPos p;
    p.sx = RoundEven((x - VisibleSource.Left) * s) + r.Left;
    p.sy = RoundEven((y - VisibleSource.Top) * s) + r.Top;
    p.insideX = r.Left <= p.sx && p.sx <= r.Right;
    p.insideY = r.Top <= p.sy && p.sy <= r.Bottom;
    p.visible = p.insideX && p.insideY;
    return p;
}

void TDM::ComputeVisibleSource(const TRect& r)
{
    const double s = CurrentScale();
    const int vw = RoundEven((r.Right - r.Left) / s);
    const int vh = RoundEven((r.Bottom - r.Top) / s);
    VisibleSource.Left = ViewCentre.x() - vw / 2;
    VisibleSource.Top = ViewCentre.y() - vh / 2;
    VisibleSource.Right = VisibleSource.Left + vw;
    VisibleSource.Bottom = VisibleSource.Top + vh;
}

TRect TDM::PictureScreenRect(const TBitmap& bitmap, const TRect& r) const
{
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    const TScreenPos p0 = PictureToScreen(0, 0, r);
    const TScreenPos p1 = PictureToScreen(w, h, r);
    TRect out;
    if (r.Width() > p1.sx - p0.sx) {
        out.Left = p0.sx;
        out.Right = p1.sx;
    } else {
        out.Left = r.Left;
        out.Right = r.Right;
    }
    if (r.Height() > p1.sy - p0.sy) {
        out.Top = p0.sy;
        out.Bottom = p1.sy;
    } else {
        out.Top = r.Top;
        out.Bottom = r.Bottom;
    }
    return out;
}

void TDM::StereoActionExecute(QAction* sender)
{
    if (sender) {
        for (QAction* a : {ActionAnaglyphe_sw, ActionAnaglyphe_Farb, ActionAnaglyphe_Halb, ActionKreuz, ActionParallel})
            a->setChecked(false);
        sender->setChecked(true);
        if (sender == ActionAnaglyphe_sw || sender == ActionAnaglyphe_Farb || sender == ActionAnaglyphe_Halb)
            SetAnaglyphButtonAction(sender);
    }
    if (ActionAnaglyphe_sw->isChecked())
        DisplayMatrix = StereoMatrix::kRedCyanGrey;
    else if (ActionAnaglyphe_Farb->isChecked())
        DisplayMatrix = StereoMatrix::kRedCyanColor;
    else if (ActionAnaglyphe_Halb->isChecked())
        DisplayMatrix = StereoMatrix::kRedCyanHalfTone;
    if (OnLayoutChanged)
        OnLayoutChanged();
    if (sender) {
        RefreshView();
        UpdateActions();
    }
}

void TDM::ViewActionExecute(QAction* sender, bool wasChecked)
{
    if (sender) {
        if (wasChecked && sender != ActionAnsichtFit) {
            sender->setChecked(true);
            return;
        }
        for (QAction* a : {ActionAnsichtOriginal, ActionAnsichtFit, ActionAnsichtZoom})
            a->setChecked(false);
        sender->setChecked(true);
    }
    if (ActionAnsichtFit->isChecked()) {
        const int w = Pictures.MaskSize(0).width();
        const int h = Pictures.MaskSize(0).height();
        ViewCentre = QPoint(w / 2, h / 2);
        WriteViewCentreToCurrent();
    }
    ResetWheelAnchor();
    if (OnViewChanged)
        OnViewChanged();
    if (sender)
        UpdateActions();
}

void TDM::MouseWheel(int delta)
{
    const bool up = delta > 0;
    if (WheelAnchorInsideX && WheelAnchorInsideY) {
        SetViewCentreX(WheelAnchor.x());
        SetViewCentreY(WheelAnchor.y());
    }
    if (WheelAnchorInsideX || WheelAnchorInsideY)
        LastWheelPos = LastMousePos;
    if (ActionAnsichtZoom->isChecked()) {
        SetZoomScale(up ? ZoomScale + ZoomStep : ZoomScale - ZoomStep);
    } else {
        // The first turn in fit or 100 % only switches to zoom at the scale
        // that is shown.
        ZoomScale = CurrentScale();
        if (THistoryListe* history = HistoryListe())
            history->Current().R01().Zoom = ZoomScale;
        if (OnLayoutChanged)
            OnLayoutChanged();
        ViewActionExecute(ActionAnsichtZoom, false);
    }
}

void TDM::UpdateWheelAnchor(QPoint mouse, QPoint picturePoint, const TRect& leftHalf, const TRect& rightHalf)
{
    if (std::abs(LastWheelPos.x() - mouse.x()) <= 50 && std::abs(LastWheelPos.y() - mouse.y()) <= 50)
        return;
    TScreenPos s = PictureToScreen(picturePoint.x(), picturePoint.y(), leftHalf);
    if (!s.visible)
        s = PictureToScreen(picturePoint.x(), picturePoint.y(), rightHalf);
    WheelAnchor = ScreenToPicture(QPoint(s.sx, s.sy));
    WheelAnchorInsideX = !SourceLeft.Empty() && 0 < WheelAnchor.x() && WheelAnchor.x() < SourceLeft.Width();
    WheelAnchorInsideY = !SourceLeft.Empty() && 0 < WheelAnchor.y() && WheelAnchor.y() < SourceLeft.Height();
}

// ---------------------------------------------------------------------------
// Overlays

void TDM::PaintGrid(QPainter& canvas, const TRect& r)
{
    if (!ActionGitter->isChecked())
        return;
    const bool mono = Settings->GridMono;
    const QColor c1 = ToQColor(mono ? Settings->GridMonoColor : Settings->GridBiColor1);
    const QColor c2 = ToQColor(Settings->GridBiColor2);
    const int w = r.Width();
    const int h = r.Height();
    // Lines end before their end point, like the platform's line drawing.
    auto line = [&](const QColor& c, int x0, int y0, int x1, int y1) {
        canvas.setPen(QPen(c, 1));
        if (x0 == x1)
            canvas.drawLine(x0, y0, x1, y1 - 1);
        else
            canvas.drawLine(x0, y0, x1 - 1, y1);
    };
    const int n = Settings->GridVertCount;
    for (int i = 1; i <= n; ++i) {
        const int x = RoundEven(double(i) * w / (n + 1) + r.Left);
        if (!mono)
            line(c2, x + 1, r.Top, x + 1, r.Top + h);
        line(c1, x, r.Top, x, r.Top + h);
    }
    const int m = Settings->GridHorizCount;
    for (int i = 1; i <= m; ++i) {
        const int y = RoundEven(double(i) * h / (m + 1) + r.Top);
        line(c1, r.Left, y, r.Left + w, y);
        if (!mono)
            line(c2, r.Left, y + 1, r.Left + w, y + 1);
    }
}

namespace {

void DrawRubberBand(QPainter& canvas, const QRect& band)
{
    canvas.setBrush(Qt::NoBrush);
    canvas.setPen(QPen(Qt::white, 1, Qt::DotLine));
    canvas.drawPolygon(QPolygon({band.topLeft(), band.topRight(), band.bottomRight(), band.bottomLeft()}));
}

// The outline's window points are Bezier points (node, control, control,
// node, ...): drawn as curves, so the overlay follows the mask's real edge
// instead of its control polygon.
void DrawBezierPoints(QPainter& canvas, const QVector<QPoint>& points)
{
    if (points.size() < 4)
        return;
    QPainterPath path(points[0]);
    for (qsizetype i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    canvas.drawPath(path);
}

bool StrictlyInside(QPoint p, const TRect& r)
{
    return r.Left < p.x() && p.x() < r.Right && r.Top < p.y() && p.y() < r.Bottom;
}

} // namespace

void TDM::PaintSideBySideOverlay(QPainter& canvas, const TRect& leftHalf, const TRect& rightHalf)
{
    const bool mono = Settings->OutlineMono;
    const QPen pen1(ToQColor(mono ? Settings->OutlineMonoColor : Settings->OutlineBiColor1), mono ? 1 : 2);
    const QPen pen2(ToQColor(Settings->OutlineBiColor2), 1);

    const TRect b{leftHalf.Left, leftHalf.Top, rightHalf.Right, rightHalf.Bottom};
    const bool cross = ActionKreuz->isChecked();
    const TRect p1 = cross ? PictureRectRightHalf : PictureRectLeftHalf;
    const TRect p2 = cross ? PictureRectLeftHalf : PictureRectRightHalf;
    const QRegion clipA = QRegion(b.ToQRect()).subtracted(QRegion(p2.ToQRect()));
    const QRegion clipB = QRegion(b.ToQRect()).subtracted(QRegion(p1.ToQRect()));

    PaintWindowCheckOverlay(canvas, leftHalf, rightHalf);
    if (ActionNewMask->isChecked() || ActionMaskEdit->isChecked()) {
        canvas.setBrush(Qt::NoBrush);
        auto outlines = [&](const QPen& pen) {
            canvas.setPen(pen);
            canvas.setClipRegion(clipA);
            DrawBezierPoints(canvas, OutlineLeft);
            canvas.setClipRegion(clipB);
            DrawBezierPoints(canvas, OutlineRight);
        };
        outlines(pen1);
        if (!mono)
            outlines(pen2);
        canvas.setClipping(false);
        if (TVisibleAnfasser* visible = VisibleAnfasser())
            for (int i = visible->Count() - 1; i >= 0; --i)
                if (TAnfasser* handle = visible->Items(i))
                    handle->DrawBoth(canvas, 0);
    }
    PaintGrid(canvas, PictureRectLeftHalf);
    PaintGrid(canvas, PictureRectRightHalf);
    if (EditMode == emRubberBand)
        DrawRubberBand(canvas, RubberBand);
    TSelect* selection = SelectListe();
    if (EditMode == emNewMask && selection && selection->Count() >= 2 && selection->IsOneSegment()) {
        TBezEndPkt* a = selection->Items(0);
        TBezEndPkt* c = selection->Items(1);
        int side = -1;
        if (StrictlyInside(LastMousePos, leftHalf))
            side = 0;
        else if (StrictlyInside(LastMousePos, rightHalf))
            side = 1;
        if (side >= 0 && a && c) {
            const QPoint pa = a->ScreenPoint(side), pc = c->ScreenPoint(side);
            const QPoint line[] = {pa, LastMousePos, pc};
            canvas.setPen(pen1);
            canvas.drawPolyline(line, 3);
            if (!mono) {
                canvas.setPen(pen2);
                canvas.drawPolyline(line, 3);
            }
        }
    }
}

void TDM::PaintAnaglyphOverlay(QPainter& canvas, const TRect& anaglyph)
{
    PaintWindowCheckOverlay(canvas, anaglyph, anaglyph);
    if (ActionNewMask->isChecked() || ActionMaskEdit->isChecked()) {
        canvas.setBrush(Qt::NoBrush);
        canvas.setPen(QPen(QColor(255, 0, 0), 1));
        DrawBezierPoints(canvas, OutlineLeft);
        canvas.setPen(QPen(QColor(0, 255, 255), 1));
        DrawBezierPoints(canvas, OutlineRight);
        if (TPolygonListe* outline = PolygonListe())
            for (int i = 0; i < outline->Count(); ++i)
                if (TBezEndPkt* node = outline->Items(i))
                    node->DrawBoth(canvas, 1);
    }
    PaintGrid(canvas, PictureRectLeftHalf);
    if (EditMode == emRubberBand)
        DrawRubberBand(canvas, RubberBand);
    TSelect* selection = SelectListe();
    if (EditMode == emNewMask && selection && selection->Count() >= 2 && selection->IsOneSegment()) {
        TBezEndPkt* a = selection->Items(0);
        TBezEndPkt* c = selection->Items(1);
        if (a && c) {
            const QPoint cyan[] = {a->ScreenPoint(0), LastMousePos, c->ScreenPoint(0)};
            canvas.setPen(QPen(QColor(0, 255, 255), 1));
            canvas.drawPolyline(cyan, 3);
            const QPoint red[] = {a->ScreenPoint(1), LastMousePos, c->ScreenPoint(1)};
            canvas.setPen(QPen(QColor(255, 0, 0), 1));
            canvas.drawPolyline(red, 3);
        }
    }
    Q_UNUSED(anaglyph);
}
