// Layout and paint of the main window's view.
#include "app/Main.h"

#include "model/ListObj_BezierPunk.h"
#include "model/ListObj_BezierSteuerPunk.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/StereoConvert.h"

#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>

namespace {

TRect FromFitRect(const TRect& area, const TRect& source)
{
    const QRect r = FitRect(area.ToQRect(), source.ToQRect());
    return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

} // namespace

void TFormMain::ComputeLayout()
{
    if (!FDM)
        return;
    TDM& dm = *FDM;
    const int clientW = FClient->width();
    const int clientH = FClient->height();
    const int availW = clientW - ScrollBarY->width() - 2 * dm.FitMargin;
    const int availH = clientH - Panel1->height() - ScrollBarX->height() - dm.FitMargin - StatusBar1->height();

    // 2. fit scale
    double w = 0, h = 0;
    if (!dm.ViewAnaglyph.Empty() && dm.ViewAnaglyph.Height() != 0 && availH != 0) {
        w = dm.ViewAnaglyph.Width();
        h = dm.ViewAnaglyph.Height();
    } else if (!dm.ViewLeftHalf.Empty() && !dm.ViewRightHalf.Empty() && availH != 0 &&
               dm.ViewLeftHalf.Height() != 0 && dm.ViewLeftHalf.Width() + dm.ViewRightHalf.Width() != 0) {
        w = dm.ViewLeftHalf.Width() + dm.ViewRightHalf.Width();
        h = dm.ViewLeftHalf.Height();
    }
    if (w > 0 && h > 0 && availW > 0 && availH > 0) {
        if (double(availW) / availH < w / h)
            dm.SetFitScale(availW / w);
        else
            dm.SetFitScale(availH / h);
    }

    // 3. - 5. the view rectangles
    const TRect client{0, 0, clientW, clientH};
    AnaglyphRect = LeftHalfRect = RightHalfRect = client;
    if (dm.ViewAnaglyph.Empty()) {
        LeftHalfRect.Right = availW / 2;
        RightHalfRect.Left = availW / 2;
    }
    if (!dm.ViewLeftHalf.Empty()) {
        dm.ComputeVisibleSource(LeftHalfRect);
        LeftHalfRect = FromFitRect(LeftHalfRect, dm.VisibleSource);
        RightHalfRect = FromFitRect(RightHalfRect, dm.VisibleSource);
        FSuppressScroll = true;
        ScrollBarX->setMaximum(dm.ViewLeftHalf.Width());
        ScrollBarY->setMaximum(dm.ViewLeftHalf.Height());
        FSuppressScroll = false;
    } else if (!dm.ViewAnaglyph.Empty()) {
        dm.ComputeVisibleSource(AnaglyphRect);
        AnaglyphRect = FromFitRect(AnaglyphRect, dm.VisibleSource);
        FSuppressScroll = true;
        ScrollBarX->setMaximum(dm.ViewAnaglyph.Width());
        ScrollBarY->setMaximum(dm.ViewAnaglyph.Height());
        FSuppressScroll = false;
    }

    // 6. handle positions; in parallel view the left half shows the left
    // picture, in every other view the right picture's x goes left.
    const bool parallel = dm.ActionParallel->isChecked();
    const int sideA = parallel ? 0 : 1;
    const int sideB = parallel ? 1 : 0;
    auto place = [&](TAnfasser* p) {
        const TScreenPos a = dm.PictureToScreen(p->GetX(sideA), p->GetY(), LeftHalfRect);
        const TScreenPos b = dm.PictureToScreen(p->GetX(sideB), p->GetY(), RightHalfRect);
        p->SetScreenPos(0, QPoint(a.sx, a.sy));
        p->SetScreenPos(1, QPoint(b.sx, b.sy));
    };
    TPolygonListe* outline = PolygonListe();
    if (outline) {
        for (int i = 0; i < outline->Count(); ++i) {
            TBezEndPkt* node = outline->Items(i);
            place(node);
            place(node->Incoming());
            place(node->Outgoing());
        }
    }

    // 7. picture rectangles
    dm.PictureRectLeftHalf = dm.PictureScreenRect(dm.SourceLeft, LeftHalfRect);
    dm.PictureRectRightHalf = dm.PictureScreenRect(dm.SourceRight, RightHalfRect);

    // 8. outline in window coordinates
    dm.OutlineLeft.clear();
    dm.OutlineRight.clear();
    if (outline) {
        const int n = outline->HighPoint() + 1;
        dm.OutlineLeft.resize(n);
        dm.OutlineRight.resize(n);
        const bool cross = dm.ActionKreuz->isChecked();
        for (int i = 0; i < n; ++i) {
            const QPoint l = outline->LeftPoint(i);
            const QPoint r = outline->RightPoint(i);
            TScreenPos sl, sr;
            if (parallel) {
                sl = dm.PictureToScreen(l.x(), l.y(), LeftHalfRect);
                sr = dm.PictureToScreen(r.x(), r.y(), RightHalfRect);
            } else if (cross) {
                sr = dm.PictureToScreen(r.x(), l.y(), LeftHalfRect);
                sl = dm.PictureToScreen(l.x(), r.y(), RightHalfRect);
            } else {
                sr = dm.PictureToScreen(r.x(), r.y(), LeftHalfRect);
                sl = dm.PictureToScreen(l.x(), l.y(), LeftHalfRect);
            }
            dm.OutlineLeft[i] = QPoint(sl.sx, sl.sy);
            dm.OutlineRight[i] = QPoint(sr.sx, sr.sy);
        }
    }
    FClient->update();
}

void TFormMain::PaintView(QPainter& painter)
{
    if (!FDM)
        return;
    TDM& dm = *FDM;
    if (dm.Busy) {
        QFont font(QStringLiteral("Times New Roman"), 48);
        font.setStyleHint(QFont::Serif);
        painter.setFont(font);
        painter.setPen(Qt::white);
        const QFontMetrics metrics(font);
        const int w = metrics.horizontalAdvance(dm.BusyText);
        const int h = metrics.height();
        for (int i = 0; i <= 5; ++i) {
            const int x = (FClient->width() - w + i) / 2;
            const int y = (FClient->height() - h + i) / 2;
            painter.drawText(QRect(x, y, w + 2, h + 2), Qt::AlignLeft | Qt::AlignTop, dm.BusyText);
            if (i == 4)
                painter.setPen(QColor(0, 0, 255));
        }
        return;
    }
    // Nearest-neighbour stretch of the visible part only: no smoothing and
    // no recomposition while painting.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect source = dm.VisibleSource.ToQRect();
    if (!dm.ViewLeftHalf.Empty() && !dm.ViewRightHalf.Empty()) {
        painter.drawImage(LeftHalfRect.ToQRect(), dm.ViewLeftHalf.Image, source);
        painter.drawImage(RightHalfRect.ToQRect(), dm.ViewRightHalf.Image, source);
        dm.PaintSideBySideOverlay(painter, LeftHalfRect, RightHalfRect);
    } else if (!dm.ViewAnaglyph.Empty()) {
        painter.drawImage(AnaglyphRect.ToQRect(), dm.ViewAnaglyph.Image, source);
        dm.PaintAnaglyphOverlay(painter, AnaglyphRect);
    }
}
