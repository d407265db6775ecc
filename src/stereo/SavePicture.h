#pragma once
// TSavePicture: the picture the save dialog writes. A side-by-side or
// over-under picture is kept as its two halves and put together row by row
// while it is coded, so the combined picture (192 MB for a pair of 24
// megapixel eyes, in freshly mapped memory) never has to exist; any other
// picture is kept as it is.

#include "stereo/JpegFile.h"
#include "stereo/StereoBitmap.h"

class TPictureHolder;

#include <QImage>
#include <QPoint>
#include <QSize>

class TSavePicture {
public:
    TSavePicture() = default;
    explicit TSavePicture(const QImage& plain);
    // Exactly what CombineStereoPicture makes of layout 0..3 (layout 0 as
    // 1) with the gap and a target brush of fill; any other layout gives a
    // null picture.
    static TSavePicture Combined(int layout, const QImage& left, const QImage& right, int gap, TColor fill);

    bool IsNull() const { return FSize.isEmpty(); }
    int Width() const { return FSize.width(); }
    int Height() const { return FSize.height(); }

    // Names the content: two pictures with equal keys have equal pixels.
    struct TKey {
        qint64 A = 0, B = 0;
        QPoint PosA, PosB;
        QSize Size;
        QRgb Fill = 0;
        bool operator==(const TKey&) const = default;
    };
    TKey Key() const;

    // Sets rows[i] to the pixels of row first + i (Format_RGB32, Width()
    // wide): into the picture itself where a row is one of its rows
    // unchanged, else into scratch, which holds count rows of Width() pixels.
    void Rows(int first, int count, const uchar** rows, QRgb* scratch) const;
    // The whole picture (a combined one is made now).
    QImage ToImage() const;

private:
    QImage FA, FB; // FB null: FA is the picture
    QPoint FPosA, FPosB;
    QSize FSize;
    QRgb FFill = 0xFFFFFFFF;
};

// Codes the picture as a JPEG file; see EncodeJpeg.
bool EncodeSavePicture(const TSavePicture& picture, const TJpegOptions& options, QByteArray* out,
                       QString* error = nullptr, const TProgressHandler& progress = {},
                       const std::atomic<bool>* cancel = nullptr);

// The picture the save dialog writes for a combined layout 1..7 from the two
// composed pictures: side by side and over-under with a white gap (kept as
// halves, see above), an anaglyph of the kind mixed now
// (CombineStereoPicture). Null for any other layout: layout 0 writes each
// picture as it is.
TSavePicture StereoSavePicture(int layout, int kind, const QImage& left, const QImage& right, int gap);

// Hands the picture to holder in the form the file type writes it: the JPEG
// bytes coded with options (fileType sftJpeg), or the picture itself, put
// together when it is kept as halves (sftBmp). False with a German reason,
// the holder then empty.
bool HoldSavePicture(const TSavePicture& picture, int fileType, const TJpegOptions& options, TPictureHolder& holder,
                     QString* error = nullptr, const TProgressHandler& progress = {});
