#include "stereo/Compose.h"

#include "model/Liste_Polygon.h"
#include "settings/Desktop_Object.h"
#include "stereo/PictureBuffers.h"

#include <QPainter>

#include <algorithm>
#include <exception>
#include <thread>

namespace {

// out = picture AND mask over their common area, the picture elsewhere; the
// same as drawing the mask onto a copy of the picture at (0, 0) with the
// "source AND destination" raster operation, in one pass instead of two.
QImage AndWithMask(const QImage& picture, const QImage& mask)
{
    QImage out = NewRgb32(picture.width(), picture.height());
    if (out.isNull())
        return out;
    const int w = std::min(picture.width(), mask.width());
    const int h = std::min(picture.height(), mask.height());
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb* p = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        int x = 0;
        if (y < h) {
            const QRgb* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
            for (; x < w; ++x)
                o[x] = p[x] & m[x];
        }
        std::copy(p + x, p + picture.width(), o + x);
    }
    return out;
}

struct TSideJob {
    int side;
    QImage inside; // what shows inside the outline
    TBitmap* mask;
    QSize maskSize;
    QImage result;
};

void ComposeSide(TSideJob& job, const TPolygonListe& outline, const TDesktopData& settings,
                 const TComposeOptions& o, bool drawable)
{
    if (job.inside.isNull())
        return;
    QImage& mask = job.mask->Image;
    const QRect rect(QPoint(0, 0), job.maskSize);
    if (o.Transparent) {
        // The mask area below paints every pixel of the mask.
        if (mask.isNull() && !rect.isEmpty())
            mask = NewRgb32(rect.width(), rect.height());
        SwitchToRgb32(mask);
        {
            QPainter painter(&mask);
            outline.DrawMaskArea(painter, job.side, QRect(0, 0, mask.width(), mask.height()), o.CoverColor,
                                 o.FillColor, o.Decorate, settings);
        }
        job.result = AndWithMask(job.inside, mask);
        return;
    }
    if (!drawable) {
        // Drawing the picture unchanged over a copy of itself.
        job.result = job.inside;
        return;
    }
    // The cover fill paints the whole rectangle before anything else, so the
    // working picture needs no copy of the source when the mask is as large.
    if (rect.size() == job.inside.size())
        job.result = NewRgb32(rect.width(), rect.height());
    else
        job.result = job.inside.copy();
    QPainter painter(&job.result);
    outline.DrawMaskedPicture(painter, job.side, rect, job.inside, o.CoverColor, o.Decorate, settings);
}

bool MaskToolActive(const TViewActionState& s) { return s.NewMask || s.MaskEdit; }

} // namespace

void ComposePair(TPictureSet& p, const TPolygonListe& outline, const TDesktopData& settings,
                 const TComposeOptions& o)
{
    // The old results go first, so their memory is free for the new ones.
    p.ViewLeftHalf.Image = QImage();
    p.ViewRightHalf.Image = QImage();
    p.ViewAnaglyph.Image = QImage();

    TSideJob jobs[2] = {{0, QImage(), &p.MaskLeft, p.MaskSize(0), QImage()},
                        {1, QImage(), &p.MaskRight, p.MaskSize(1), QImage()}};
    if (!o.Transparent) {
        // Only a transparent composition reads the masks, and it paints them
        // anew; meanwhile their memory serves the other pictures.
        p.MaskSizes[0] = jobs[0].maskSize;
        p.MaskSizes[1] = jobs[1].maskSize;
        p.MaskLeft.Image = QImage();
        p.MaskRight.Image = QImage();
    }
    TBitmap* sources[2] = {&p.SourceLeft, &p.SourceRight};
    for (TSideJob& job : jobs) {
        if (o.UsePictures) {
            // Converted once in place, so later compositions share it as is.
            SwitchToRgb32(*sources[job.side]);
            job.inside = sources[job.side]->Image;
        } else {
            job.inside = NewRgb32(job.maskSize.width(), job.maskSize.height());
            FillBitmapColor(job.inside, o.FillColor);
        }
    }
    const bool drawable = outline.IsDrawable();
    // The two sides touch disjoint pictures and only read the outline and the
    // settings, so they run side by side on large pictures.
    const bool large = qint64(jobs[0].inside.width()) * jobs[0].inside.height() > (1 << 20);
    if (large && std::thread::hardware_concurrency() > 1) {
        std::exception_ptr failure;
        std::thread second([&] {
            try {
                ComposeSide(jobs[1], outline, settings, o, drawable);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        try {
            ComposeSide(jobs[0], outline, settings, o, drawable);
        } catch (...) {
            second.join();
            throw;
        }
        second.join();
        if (failure)
            std::rethrow_exception(failure);
    } else {
        ComposeSide(jobs[0], outline, settings, o, drawable);
        ComposeSide(jobs[1], outline, settings, o, drawable);
    }

    if (o.Parallel) {
        p.ViewLeftHalf.Image = jobs[0].result;
        p.ViewRightHalf.Image = jobs[1].result;
    } else if (o.Cross) {
        p.ViewLeftHalf.Image = jobs[1].result;
        p.ViewRightHalf.Image = jobs[0].result;
    } else {
        TBitmap left{jobs[0].result, kBlack};
        TBitmap right{jobs[1].result, kBlack};
        jobs[0].result = QImage();
        jobs[1].result = QImage();
        const TColor brush = p.ViewAnaglyph.Brush;
        MixAnaglyphRedFirst(left, right, p.ViewAnaglyph, p.DisplayMatrix);
        p.ViewAnaglyph.Brush = brush;
    }
}

TComposeOptions ViewComposeOptions(const TViewActionState& s, const TDesktopData& settings)
{
    TComposeOptions o;
    o.Transparent = s.TransparentMask;
    o.Parallel = s.Parallel;
    o.Cross = s.Cross;
    o.UsePictures = true;
    o.FillColor = kWhite;
    if (s.TransparentMask)
        o.CoverColor = settings.DeskTransColor;
    else if (MaskToolActive(s))
        o.CoverColor = settings.DeskNoTransColor;
    else
        o.CoverColor = settings.FileMaskPictColor;
    o.Decorate = settings.DecorUse != 0 && (settings.DecorView != 0 || !MaskToolActive(s));
    return o;
}

TComposeOptions MaskPictureOptions(const TDesktopData& settings)
{
    TComposeOptions o;
    o.Transparent = false;
    o.Parallel = true;
    o.Cross = false;
    o.UsePictures = false;
    o.FillColor = settings.FileMaskForColor;
    o.CoverColor = settings.FileMaskBackColor;
    o.Decorate = false;
    return o;
}

TComposeOptions MaskedStereoOptions(const TDesktopData& settings)
{
    TComposeOptions o;
    o.Transparent = false;
    o.Parallel = true;
    o.Cross = false;
    o.UsePictures = true;
    o.FillColor = kWhite;
    o.CoverColor = settings.FileMaskPictColor;
    o.Decorate = settings.DecorUse != 0;
    return o;
}

QSize TPictureSet::MaskSize(int side) const
{
    const TBitmap& mask = side == 0 ? MaskLeft : MaskRight;
    return mask.Empty() ? MaskSizes[side == 0 ? 0 : 1] : mask.Image.size();
}

void MakeWhiteMasks(TPictureSet& p)
{
    p.MaskLeft.Image = QImage();
    p.MaskRight.Image = QImage();
    p.MaskSizes[0] = p.SourceLeft.Image.size();
    p.MaskSizes[1] = p.SourceRight.Image.size();
}

namespace {

size_t PictureBytes(QSize size)
{
    return size.isEmpty() ? 0 : PictureBufferCapacity(size_t(size.width()) * size_t(size.height()) * 4);
}

} // namespace

void KeepPictureBuffersFor(QSize left, QSize right, int spares, int delayMs)
{
    const size_t l = PictureBytes(left), r = PictureBytes(right);
    SetPictureBufferLimit(3 * (l + r));
    std::vector<size_t> sizes;
    for (int i = 0; i < spares; ++i)
        sizes.insert(sizes.end(), {l, r});
    ReservePictureBuffers(sizes, delayMs);
}

void KeepPictureBuffersFor(const TPictureSet& p, int spares, int delayMs)
{
    KeepPictureBuffersFor(p.SourceLeft.Image.size(), p.SourceRight.Image.size(), spares, delayMs);
}
