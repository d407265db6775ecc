#pragma once
// TBitmap: the picture type of the stereo functions. A QImage in
// Format_RGB32 (every pixel 0xFFRRGGBB, eight bits per colour channel) plus
// the colour with which the picture's enlarged areas are filled. The brush
// belongs to the bitmap, not to its pixels: copying a picture into a bitmap
// keeps the bitmap's own brush.

#include "settings/Desktop_Object.h"

#include <QImage>

#include <functional>

constexpr TColor kWhite = 0x00FFFFFF;
constexpr TColor kBlack = 0x00000000;

struct TBitmap {
    QImage Image;
    TColor Brush = kWhite;

    int Width() const { return Image.width(); }
    int Height() const { return Image.height(); }
    bool Empty() const { return Image.isNull(); }
};

// 0x00BBGGRR to the QRgb of Format_RGB32. A system colour (high byte 0xFF,
// the system colour index in the low byte) is resolved through the
// application palette first; without an application it becomes grey.
QRgb ColorToRgb32(TColor color);
// The inverse for opaque pixels.
TColor Rgb32ToColor(QRgb pixel);

// Converts the picture to Format_RGB32 if it is in any other format; a null
// picture stays null. Pixels keep their colour channels; alpha is dropped.
void SwitchToRgb32(QImage& image);
inline void SwitchToRgb32(TBitmap& bitmap) { SwitchToRgb32(bitmap.Image); }

// Resizes to width x height (Format_RGB32). Existing pixels keep their place;
// added area takes the bitmap's brush colour; a shrink cuts right and bottom.
void SetBitmapSize(TBitmap& bitmap, int width, int height);

// Copies source into target at (x, y), clipped to the target; both must be
// Format_RGB32 and distinct.
void BlitRgb32(QImage& target, const QImage& source, int x, int y);

// Fills the rectangle (clipped to the picture) with one Format_RGB32 pixel
// value.
void FillRectRgb32(QImage& image, int x, int y, int width, int height, QRgb pixel);

// An uninitialised Format_RGB32 picture of the size, or a null picture for an
// empty size: its pixels may be those of an earlier picture whose memory is
// used again (PictureBuffers.h), so every pixel must be written. Raises
// std::bad_alloc when the memory is not there, instead of returning a null
// picture that later code would mistake for "no picture".
QImage NewRgb32(int width, int height);

// Runs work(firstRow, endRow) over [0, rows) in bands, on up to four threads
// when the picture is large enough for the thread start to pay off (pixels is
// the total work). work must not throw and must touch only its own rows.
void ForRowBands(int rows, qint64 pixels, const std::function<void(int, int)>& work);
