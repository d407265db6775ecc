// The fast open path (two reading threads, reused picture memory, masks
// without pixels, the integer grey mix) against the straightforward one:
// every layout's decoded eyes and every view's composed pictures must be the
// same, bit for bit. Reused memory is soiled first, so a pixel that the fast
// path forgets to write shows.
#include "stereo/Compose.h"
#include "stereo/StereoLoad.h"

#include "StereoTestPictures.h"

#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"
#include "stereo/BmpFile.h"
#include "stereo/JpegFile.h"
#include "stereo/PictureBuffers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Eyes of 4.4 MB: large enough for the pooled memory and the row threads.
constexpr int kW = 1101, kH = 1000; // an odd width leaves a tail after four-pixel steps

// Busy pixels, so no wrong row or column can pass for a right one.
QImage Busy(int w, int h, int seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    quint32 s = quint32(seed) * 2654435761u + 1;
    for (int y = 0; y < h; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            line[x] = qRgb((x + (s >> 29)) & 0xFF, (y * 3 + (s >> 27)) & 0xFF, (x ^ y) & 0xFF);
        }
    }
    return image;
}

// The pool keeps memory for a big pair, and every idle buffer is soiled.
struct TSoiledPool {
    TSoiledPool()
    {
        WaitForPictureBufferReserve();
        SetPictureBufferLimit(size_t(400) << 20);
        std::vector<void*> taken;
        for (int i = 0; i < 8; ++i) {
            void* data = TakePictureBuffer(size_t(2 * kW + 1) * kH * 4);
            std::memset(data, 0xA5, size_t(2 * kW + 1) * kH * 4);
            taken.push_back(data);
        }
        for (int i = 0; i < 8; ++i) {
            void* data = TakePictureBuffer(size_t(kW) * kH * 4);
            std::memset(data, 0x5A, size_t(kW) * kH * 4);
            taken.push_back(data);
        }
        for (void* data : taken)
            ReleasePictureBuffer(data);
    }
    ~TSoiledPool()
    {
        SetPictureBufferLimit(0);
        ReleaseIdlePictureBuffers();
    }
};

QByteArray ReadAll(const QString& name)
{
    QFile file(name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The straightforward reading of one file: from memory, on this thread.
QImage Decode(const QString& name)
{
    const QByteArray data = ReadAll(name);
    TPictureResult r = DecodeJpegData(data);
    if (!r.Ok)
        r = DecodeBmpData(data);
    EXPECT_TRUE(r.Ok) << name.toStdString();
    return r.Image;
}

// Columns (or rows) from..from+count-1 of the picture squeezed into n by
// centre sampling, pixel by pixel.
QImage Strip(const QImage& whole, bool columns, int from, int count, int n)
{
    const int w = columns ? n : whole.width(), h = columns ? whole.height() : n;
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = columns ? x : y;
            const int s = from + int((qint64(2 * i + 1) * count) / (2 * qint64(n)));
            out.setPixel(x, y, columns ? whole.pixel(s, y) : whole.pixel(x, s));
        }
    return out;
}

// One eye out of an anaglyph file: each output channel a source channel.
QImage Channels(const QImage& whole, int red, int green, int blue)
{
    QImage out(whole.size(), QImage::Format_RGB32);
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x) {
            const QRgb p = whole.pixel(x, y);
            const int c[3] = {qRed(p), qGreen(p), qBlue(p)};
            out.setPixel(x, y, qRgb(c[red], c[green], c[blue]));
        }
    return out;
}

bool Same(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != QImage::Format_RGB32 || b.format() != QImage::Format_RGB32)
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 4) != 0)
            return false;
    return true;
}

} // namespace

TEST(OpenPathIdentity, EveryLayoutLoadsTheSamePixelsAsTheStraightforwardReading)
{
    TSoiledPool pool;
    TProgramObjects objects; // keeps the file locks
    QTemporaryDir dir;
    const QImage left = Busy(kW, kH, 1), right = Busy(kW, kH, 2);
    auto jpeg = [&](const QString& name, const QImage& image) {
        QString error;
        EXPECT_TRUE(SaveJpegFile(image, dir.filePath(name), TJpegOptions{90, false}, &error));
        return dir.filePath(name);
    };
    auto bmp = [&](const QString& name, const QImage& image) {
        QString error;
        EXPECT_TRUE(SaveBmpFile(image, dir.filePath(name), &error));
        return dir.filePath(name);
    };
    // Side by side one column wider than two eyes, so the right strip is
    // squeezed; over-under one row taller.
    const QImage wide = Busy(2 * kW + 1, kH, 3), tall = Busy(kW, 2 * kH + 1, 4), ana = Busy(kW, kH, 5);
    struct TCase {
        int layout;
        QString first, second;
    };
    const TCase cases[] = {
        {slSeparate, jpeg("l.jpg", left), jpeg("r.jpg", right)},
        {slSeparate, bmp("l.bmp", left), bmp("r.bmp", right)},
        {slParallel, bmp("even.bmp", Busy(2 * kW, kH, 6)), QString()},
        {slParallel, jpeg("p.jpg", wide), QString()},
        {slCross, bmp("c.bmp", wide), QString()},
        {slOverUnder, jpeg("o.jpg", tall), QString()},
        {slRedCyan, jpeg("a4.jpg", ana), QString()},
        {slYellowBlue, bmp("a5.bmp", ana), QString()},
        {slRedBlue, jpeg("a6.jpg", ana), QString()},
        {slRedGreen, bmp("a7.bmp", ana), QString()},
    };
    for (const TCase& c : cases) {
        QImage expectLeft, expectRight;
        const QImage whole = Decode(c.first);
        switch (c.layout) {
        case slSeparate:
            expectLeft = whole;
            expectRight = Decode(c.second);
            break;
        case slParallel:
            expectLeft = Strip(whole, true, 0, kW, kW);
            expectRight = Strip(whole, true, kW, whole.width() - kW, kW);
            break;
        case slCross:
            expectRight = Strip(whole, true, 0, kW, kW);
            expectLeft = Strip(whole, true, kW, kW + 1, kW);
            break;
        case slOverUnder:
            expectRight = Strip(whole, false, 0, kH, kH);
            expectLeft = Strip(whole, false, kH, kH + 1, kH);
            break;
        case slRedCyan:
            expectLeft = Channels(whole, 0, 0, 0);
            expectRight = Channels(whole, 1, 1, 2);
            break;
        case slYellowBlue:
            expectLeft = Channels(whole, 2, 2, 2);
            expectRight = Channels(whole, 0, 1, 1);
            break;
        case slRedBlue:
            expectLeft = Channels(whole, 0, 0, 0);
            expectRight = Channels(whole, 2, 2, 2);
            break;
        default:
            expectLeft = Channels(whole, 0, 0, 0);
            expectRight = Channels(whole, 1, 1, 1);
            break;
        }
        TBitmap l, r;
        ASSERT_TRUE(LoadStereoPicture(l, r, c.first, c.layout, c.second));
        EXPECT_TRUE(Same(l.Image, expectLeft)) << "left eye, layout " << c.layout << " " << c.first.toStdString();
        EXPECT_TRUE(Same(r.Image, expectRight)) << "right eye, layout " << c.layout << " " << c.first.toStdString();
    }
    ReleasePictureLocks();
}

namespace {

// The composition as it was done before any memory was reused: white
// 32-bit masks of the sources' sizes, fresh pictures, and the anaglyph by
// the double formula pixel by pixel.
struct TStraightforward {
    const TPolygonListe& outline;
    const TDesktopData& settings;

    QImage Side(const QImage& source, int side, const TComposeOptions& o) const
    {
        QImage result = source.copy();
        if (o.Transparent) {
            QImage mask(source.size(), QImage::Format_RGB32);
            mask.fill(qRgb(255, 255, 255));
            {
                QPainter painter(&mask);
                outline.DrawMaskArea(painter, side, mask.rect(), o.CoverColor, o.FillColor, o.Decorate, settings);
            }
            QPainter painter(&result);
            painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            painter.drawImage(0, 0, mask);
        } else {
            QPainter painter(&result);
            outline.DrawMaskedPicture(painter, side, result.rect(), source, o.CoverColor, o.Decorate, settings);
        }
        return result;
    }
    static QImage Mix(const QImage& first, const QImage& second, const TColorMatrix& m)
    {
        QImage out(first.size(), QImage::Format_RGB32);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                auto row = [&](int i, QRgb p) {
                    double s = m[i] * qRed(p) + m[i + 1] * qGreen(p);
                    s += m[i + 2] * qBlue(p);
                    return int(std::nearbyint(s)) & 0xFF;
                };
                out.setPixel(x, y, qRgb(row(0, first.pixel(x, y)), row(3, second.pixel(x, y)), row(6, second.pixel(x, y))));
            }
        return out;
    }
};

} // namespace

TEST(OpenPathIdentity, EveryViewComposesTheSamePixelsAsTheStraightforwardComposition)
{
    TSoiledPool pool;
    TProgramObjects objects;
    TPolygonListe& outline = *objects.PolygonListe;
    for (int i = 0; i < 6; ++i)
        outline.AddNode(300 + (i % 3) * 250, i < 3 ? 250 : 700, outline.Count());
    for (int i = 0; i < outline.Count(); ++i)
        outline.Items(i)->SetZ(i * 7);
    TDesktopData settings;
    settings.DecorUse = 1;
    settings.DeskTransColor = 0x00C08040;
    TPictureSet p;
    p.SourceLeft.Image = Busy(kW, kH, 11);
    p.SourceRight.Image = Busy(kW, kH, 12);
    MakeWhiteMasks(p);
    const TStraightforward reference{outline, settings};

    struct TView {
        const char* name;
        bool parallel, cross, transparent;
        TColorMatrix matrix;
    };
    const TView views[] = {
        {"cross", false, true, false, StereoMatrix::kRedCyanColor},
        {"parallel", true, false, false, StereoMatrix::kRedCyanColor},
        {"half-tone anaglyph", false, false, false, StereoMatrix::kRedCyanHalfTone},
        {"colour anaglyph", false, false, false, StereoMatrix::kRedCyanColor},
        {"grey anaglyph", false, false, false, StereoMatrix::kRedCyanGrey},
        {"transparent cross", false, true, true, StereoMatrix::kRedCyanColor},
        {"transparent grey anaglyph", false, false, true, StereoMatrix::kRedCyanGrey},
        {"cross again", false, true, false, StereoMatrix::kRedCyanColor},
    };
    for (const TView& v : views) {
        TViewActionState state;
        state.Parallel = v.parallel;
        state.Cross = v.cross;
        state.TransparentMask = v.transparent;
        const TComposeOptions o = ViewComposeOptions(state, settings);
        p.DisplayMatrix = v.matrix;
        ComposePair(p, outline, settings, o);
        const QImage l = reference.Side(p.SourceLeft.Image, 0, o), r = reference.Side(p.SourceRight.Image, 1, o);
        if (v.parallel || v.cross) {
            EXPECT_TRUE(Same(p.ViewLeftHalf.Image, v.parallel ? l : r)) << v.name;
            EXPECT_TRUE(Same(p.ViewRightHalf.Image, v.parallel ? r : l)) << v.name;
            EXPECT_TRUE(p.ViewAnaglyph.Empty()) << v.name;
        } else {
            EXPECT_TRUE(Same(p.ViewAnaglyph.Image, TStraightforward::Mix(l, r, v.matrix))) << v.name;
            EXPECT_TRUE(p.ViewLeftHalf.Empty()) << v.name;
        }
        // The masks hold pixels only while the view is transparent.
        EXPECT_EQ(p.MaskLeft.Empty(), !v.transparent) << v.name;
        EXPECT_EQ(p.MaskSize(0), QSize(kW, kH)) << v.name;
    }
}
