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
// The two files of layout 0 are read side by side on two threads; the
// handlers are still called on the calling thread.
bool LoadStereoPicture(TBitmap& left, TBitmap& right, const QString& firstFile, int layout, const QString& secondFile,
                       const TProgressHandler& leftProgress = {}, const TProgressHandler& rightProgress = {},
                       QStringList* damage = nullptr);
// The same for a preview whose eyes are shown at most fitInto large: the
// files are read at 1/2, 1/4 or 1/8 of their size (JPEG files through the
// decoder's own scaling, bitmap files by skipping rows and columns) as far
// as each eye stays at least as large as it is shown, so a preview never
// reads a big pair at full resolution.
bool LoadStereoPreview(TBitmap& left, TBitmap& right, const QString& firstFile, int layout, const QString& secondFile,
                       QSize fitInto, const TProgressHandler& leftProgress = {},
                       const TProgressHandler& rightProgress = {}, QStringList* damage = nullptr);

// The eyes' full sizes of the pair that LoadStereoPicture would load, from
// the files' headers alone; false when a file it needs is missing or is no
// picture it reads. In layout 0 a missing file takes the other one's size.
bool ReadStereoPictureSizes(const QString& firstFile, int layout, const QString& secondFile, QSize* left,
                            QSize* right);

// Closes both kept read handles (at program end; the next load does it too).
void ReleasePictureLocks();

// The matrices that take the left and right eye out of an anaglyph file of
// layout 4..7; false for any other layout.
bool AnaglyphDecodeMatrices(int layout, TColorMatrix* left, TColorMatrix* right);

// The part rect of source stretched to width x height by picking the nearest
// source pixel for every target pixel (rows and columns are dropped or
// repeated, colours never blended). A plain copy when the sizes agree.
QImage ScaleCopyRect(const QImage& source, const QRect& rect, int width, int height);
