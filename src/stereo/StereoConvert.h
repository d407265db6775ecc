#pragma once
// Picture conversions shared by loading, the view and saving: colour matrices,
// anaglyph mixing, the combined stereo layouts, filling and fitting. They own
// nothing; every bitmap is the caller's. Every result is Format_RGB32.

#include "stereo/StereoBitmap.h"

#include <QRect>
#include <QString>

#include <array>

// Stereo layouts: the item index of the layout lists, stored with history
// steps and used for loading and saving.
enum TStereoLayout : int {
    slSeparate = 0,
    slParallel = 1,
    slCross = 2,
    slOverUnder = 3, // right view on top
    slRedCyan = 4,
    slYellowBlue = 5,
    slRedBlue = 6,
    slRedGreen = 7,
};
constexpr int kStereoLayoutCount = 8;

enum TAnaglyphKind : int {
    akColor = 0,
    akHalfTone = 1,
    akGrey = 2,
};

// Nine weights read as three rows (m0 m1 m2), (m3 m4 m5), (m6 m7 m8); a row
// (a, b, c) makes round(a*R + b*G + c*B), ties to even, low eight bits kept.
using TColorMatrix = std::array<double, 9>;

namespace StereoMatrix {
// Grey row weights; they sum to exactly 1 in double arithmetic for white.
constexpr double kGreyR = 0.299, kGreyG = 0.587, kGreyB = 0.114;
#define PLENOPTRA_GREY_ROW kGreyR, kGreyG, kGreyB
constexpr TColorMatrix kRedCyanColor{1, 0, 0, 0, 1, 0, 0, 0, 1};
constexpr TColorMatrix kRedCyanHalfTone{PLENOPTRA_GREY_ROW, 0, 1, 0, 0, 0, 1};
constexpr TColorMatrix kRedCyanGrey{PLENOPTRA_GREY_ROW, PLENOPTRA_GREY_ROW, PLENOPTRA_GREY_ROW};
constexpr TColorMatrix kYellowBlueColor{1, 0, 0, 0, 1, 0, 0, 0, 1};
constexpr TColorMatrix kYellowBlueHalfTone{1, 0, 0, 0, 1, 0, PLENOPTRA_GREY_ROW};
constexpr TColorMatrix kYellowBlueGrey{PLENOPTRA_GREY_ROW, PLENOPTRA_GREY_ROW, PLENOPTRA_GREY_ROW};
constexpr TColorMatrix kRedBlue{PLENOPTRA_GREY_ROW, 0, 0, 0, PLENOPTRA_GREY_ROW};
constexpr TColorMatrix kRedGreen{PLENOPTRA_GREY_ROW, PLENOPTRA_GREY_ROW, 0, 0, 0};
#undef PLENOPTRA_GREY_ROW
} // namespace StereoMatrix

// The mixing matrix of an anaglyph layout (4..7) and kind; layouts 6 and 7
// ignore the kind. False for any other layout, or for layouts 4 and 5 with a
// kind outside 0..2.
bool AnaglyphMixMatrix(int layout, int kind, TColorMatrix* matrix);

// target := source's size; every target pixel is (row 0, row 1, row 2)
// applied to the source pixel at the same place. target may be source.
void ApplyColorMatrix(TBitmap& target, TBitmap& source, const TColorMatrix& matrix);

// Red from the first picture (row 0), green and blue from the second (rows 1
// and 2). The target takes the larger width and height of the two; only the
// shared region is computed; the area that enlarging adds is black (the
// target's brush becomes black), the rest of an existing target is kept.
void MixAnaglyphRedFirst(TBitmap& first, TBitmap& second, TBitmap& target, const TColorMatrix& matrix);
// Red and green from the second picture (rows 0 and 1), blue from the first
// (row 2); otherwise as MixAnaglyphRedFirst.
void MixAnaglyphBlueFirst(TBitmap& first, TBitmap& second, TBitmap& target, const TColorMatrix& matrix);

// The combined picture of a stereo layout. Side by side (0, 1: left first;
// 2: right first) and over-under (3: right on top) put gap pixels between the
// views; the gap and any uncovered area take the target's brush colour, which
// the caller sets. Anaglyph layouts start from a copy of the left picture and
// mix over it, so where the sizes differ outside the shared region the left
// picture's pixels remain. An unknown layout, or an anaglyph kind outside 0..2
// for layouts 4 and 5, leaves the target a copy of the left picture.
void CombineStereoPicture(int layout, int kind, TBitmap& left, TBitmap& right, TBitmap& target, int gap);

// Every pixel at the current size becomes the colour (system colours
// resolved); the picture becomes Format_RGB32.
void FillBitmapColor(TBitmap& bitmap, TColor color);
void FillBitmapColor(QImage& image, TColor color);

// The largest rectangle with source's proportions that fits into area,
// centred in it; sizes rounded to nearest, ties to even. Rectangles are read
// as x, y, width, height (right edge x + width, exclusive). An empty source
// or area gives an empty rectangle at area's top-left corner.
QRect FitRect(const QRect& area, const QRect& source);

// The list text of a layout; the number is taken modulo 128 and anything
// above 7 names layout 0.
QString StereoLayoutName(int layout);

// Nearest integer, halves to even (the rounding of every real-to-integer
// conversion of the pictures); defined for any double, as nearest is.
int RoundEven(double value);
