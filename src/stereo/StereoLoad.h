#pragma once
// Loading a stereo pair from two files or from one file in a combined layout,
// and the two read handles kept open on the loaded files.

#include "stereo/PictureFiles.h"
#include "stereo/StereoConvert.h"

#include <QStringList>

// Loads left and right from firstFile (the left picture in layout 0, the
// combined picture in layouts 1..7) and secondFile (the right picture, layout
// 0 only). Returns false, changing nothing, only when a combined layout's
// file does not exist. In layout 0 a missing file gives a blank picture of the
// other one's size in the bitmap's brush colour, and two missing files give
// two blank 4 x 4 pictures; the result is then true. A file that exists but
// cannot be read raises EPictureError naming it; the bitmaps and the kept
// handles are then left as they were. Pictures read from damaged data are
// loaded and named in damage (when given). The handlers are optional.
// A right file of layout 0 that holds several pictures (MpoFile.h) gives its
// second picture, so left = right = one camera file loads its two views.
bool LoadStereoPicture(TBitmap& left, TBitmap& right, const QString& firstFile, int layout, const QString& secondFile,
                       const TProgressHandler& leftProgress = {}, const TProgressHandler& rightProgress = {},
                       QStringList* damage = nullptr);

// Closes both kept read handles (at program end; the next load does it too).
void ReleasePictureLocks();

// The matrices that take the left and right eye out of an anaglyph file of
// layout 4..7; false for any other layout.
bool AnaglyphDecodeMatrices(int layout, TColorMatrix* left, TColorMatrix* right);

// The part rect of source stretched to width x height by picking the nearest
// source pixel for every target pixel (rows and columns are dropped or
// repeated, colours never blended). A plain copy when the sizes agree.
QImage ScaleCopyRect(const QImage& source, const QRect& rect, int width, int height);
