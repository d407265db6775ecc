#include "stereo/SavePicture.h"

#include "stereo/PictureHolder.h"
#include "stereo/StereoConvert.h"
#include "stereo/StereoSaveNames.h"

#include <algorithm>
#include <cstring>

TSavePicture::TSavePicture(const QImage& plain) : FA(plain), FSize(plain.size())
{
    SwitchToRgb32(FA);
}

TSavePicture TSavePicture::Combined(int layout, const QImage& left, const QImage& right, int gap, TColor fill)
{
    TSavePicture p;
    if (left.isNull() || right.isNull())
        return p;
    p.FA = left;
    p.FB = right;
    SwitchToRgb32(p.FA);
    SwitchToRgb32(p.FB);
    p.FFill = ColorToRgb32(fill);
    const QImage& l = left;
    const QImage& r = right;
    // The places of CombineStereoPicture.
    switch (layout) {
    case slSeparate:
    case slParallel:
        p.FPosB = QPoint(l.width() + gap, 0);
        p.FSize = QSize(l.width() + r.width() + gap, l.height());
        break;
    case slCross:
        std::swap(p.FA, p.FB);
        p.FPosB = QPoint(r.width() + gap, 0);
        p.FSize = QSize(l.width() + r.width() + gap, l.height());
        break;
    case slOverUnder:
        std::swap(p.FA, p.FB);
        p.FPosB = QPoint(0, r.height() + gap);
        p.FSize = QSize(l.width(), l.height() + r.height() + gap);
        break;
    default:
        return TSavePicture();
    }
    if (p.FSize.width() <= 0 || p.FSize.height() <= 0)
        return TSavePicture();
    return p;
}

TSavePicture::TKey TSavePicture::Key() const
{
    TKey key;
    key.A = FA.isNull() ? 0 : FA.cacheKey();
    key.B = FB.isNull() ? 0 : FB.cacheKey();
    key.PosA = FPosA;
    key.PosB = FPosB;
    key.Size = FSize;
    key.Fill = FB.isNull() ? 0 : FFill;
    return key;
}

void TSavePicture::Rows(int first, int count, const uchar** rows, QRgb* scratch) const
{
    const int w = Width();
    for (int i = 0; i < count; ++i) {
        const int y = first + i;
        if (FB.isNull()) {
            rows[i] = FA.constScanLine(y);
            continue;
        }
        QRgb* line = scratch + size_t(i) * size_t(w);
        std::fill(line, line + w, FFill);
        for (const auto& [picture, pos] : {std::pair{&FA, FPosA}, std::pair{&FB, FPosB}}) {
            const int py = y - pos.y();
            if (py < 0 || py >= picture->height())
                continue;
            const int from = std::max(0, pos.x());
            const int to = std::min(w, pos.x() + picture->width());
            if (to > from)
                std::memcpy(line + from, reinterpret_cast<const QRgb*>(picture->constScanLine(py)) + (from - pos.x()),
                            size_t(to - from) * sizeof(QRgb));
        }
        rows[i] = reinterpret_cast<const uchar*>(line);
    }
}

QImage TSavePicture::ToImage() const
{
    if (FB.isNull() || IsNull())
        return FA;
    QImage out = NewRgb32(Width(), Height());
    for (int y = 0; y < Height(); ++y) {
        const uchar* row = nullptr;
        Rows(y, 1, &row, reinterpret_cast<QRgb*>(out.scanLine(y)));
        if (row != out.constScanLine(y))
            std::memcpy(out.scanLine(y), row, size_t(Width()) * sizeof(QRgb));
    }
    return out;
}

bool EncodeSavePicture(const TSavePicture& picture, const TJpegOptions& options, QByteArray* out, QString* error,
                       const TProgressHandler& progress, const std::atomic<bool>* cancel)
{
    if (picture.IsNull()) {
        if (error)
            *error = QStringLiteral("kein Bild vorhanden");
        return false;
    }
    return EncodeJpegRows(
        picture.Width(), picture.Height(),
        [&picture](int first, int count, const uchar** rows, QRgb* scratch) {
            picture.Rows(first, count, rows, scratch);
        },
        options, out, error, progress, cancel);
}

TSavePicture StereoSavePicture(int layout, int kind, const QImage& left, const QImage& right, int gap)
{
    if (layout <= slSeparate || layout >= kStereoLayoutCount)
        return TSavePicture();
    if (layout <= slOverUnder)
        return TSavePicture::Combined(layout, left, right, gap, kWhite);
    TBitmap l{left, kWhite}, r{right, kWhite};
    TBitmap anaglyph;
    CombineStereoPicture(layout, kind, l, r, anaglyph, gap);
    return TSavePicture(anaglyph.Image);
}

bool HoldSavePicture(const TSavePicture& picture, int fileType, const TJpegOptions& options, TPictureHolder& holder,
                     QString* error, const TProgressHandler& progress)
{
    holder.Clear();
    if (picture.IsNull()) {
        if (error)
            *error = QStringLiteral("kein Bild vorhanden");
        return false;
    }
    if (fileType == sftBmp) {
        holder.SetBitmap(picture.ToImage());
        return true;
    }
    QByteArray data;
    if (!EncodeSavePicture(picture, options, &data, error, progress))
        return false;
    holder.SetEncoded(data);
    return true;
}
