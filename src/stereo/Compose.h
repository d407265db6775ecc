#pragma once
// Masking the stereo pair with the outline: the pictures the editor shows,
// the mask pictures saved with a mask file and the masked stereo pictures the
// user saves all come out of ComposePair.

#include "stereo/StereoConvert.h"

class TPolygonListe;
class TDesktopData;

// The pictures of a loaded pair, owned by whoever composes (the controller).
// A null Image means the picture does not exist.
struct TPictureSet {
    TBitmap SourceLeft, SourceRight; // as loaded
    // The working masks, white pictures of the sources' sizes. Every
    // transparent composition paints them over completely before it reads
    // them, so their pixels exist only while the view is transparent; until
    // then MaskSizes holds their sizes. Two full-size pictures fewer to
    // allocate and clear with every open.
    TBitmap MaskLeft, MaskRight;
    QSize MaskSizes[2];
    TBitmap ViewLeftHalf, ViewRightHalf; // side-by-side result (or the saved pair)
    TBitmap ViewAnaglyph; // anaglyph result
    TColorMatrix DisplayMatrix = StereoMatrix::kRedCyanColor;

    // The size of the working mask of side 0 (left) or 1 (right).
    QSize MaskSize(int side) const;
};

struct TComposeOptions {
    bool Transparent = false; // tint the covered part instead of replacing it
    bool Parallel = false; // left picture in ViewLeftHalf
    bool Cross = true; // right picture in ViewLeftHalf; neither: anaglyph
    bool UsePictures = true; // false: the fill colour stands in for both pictures
    TColor FillColor = kWhite;
    TColor CoverColor = kBlack;
    bool Decorate = false;
};

// The states of the actions that decide what the view shows.
struct TViewActionState {
    bool TransparentMask = false; // "transparent mask" checked
    bool Parallel = false;
    bool Cross = true;
    bool NewMask = false; // either mask tool active
    bool MaskEdit = false;
};

// Masks SourceLeft with the outline's side 0 and SourceRight with side 1 and
// stores the result: parallel -> ViewLeftHalf = left, ViewRightHalf = right;
// cross -> the two exchanged; otherwise ViewAnaglyph = red/first mix of the
// masked left and right with DisplayMatrix, and both halves null. Whichever
// results are not made are null afterwards.
//   Transparent: MaskLeft/MaskRight are redrawn as the editor overlay
//   (outside CoverColor, inside FillColor, frames when Decorate) and every
//   picture pixel is ANDed with its mask pixel.
//   Otherwise: the picture shows inside the outline; outside is CoverColor
//   and, when Decorate, the frames of settings.
// A mask that encloses no area leaves the pictures unchanged (opaque) or
// ANDs them with the flat inside colour (transparent).
void ComposePair(TPictureSet& pictures, const TPolygonListe& outline, const TDesktopData& settings,
                 const TComposeOptions& options);

// The composition of the editor's view for the given action states.
// Cover: the transparent-mask colour when the mask is transparent, else the
// opaque editing colour while a mask tool is active, else the masked-picture
// colour. Frames: DecorUse and (DecorView or no mask tool active).
TComposeOptions ViewComposeOptions(const TViewActionState& state, const TDesktopData& settings);
// Mask pictures for saving: inside FileMaskForColor, outside
// FileMaskBackColor, no frames, parallel.
TComposeOptions MaskPictureOptions(const TDesktopData& settings);
// Masked stereo pictures for saving: the pictures inside, FileMaskPictColor
// and (with DecorUse) the frames outside, parallel.
TComposeOptions MaskedStereoOptions(const TDesktopData& settings);

// MaskLeft and MaskRight become white pictures of the sources' sizes (after
// every load); their pixels are left to the first transparent composition.
void MakeWhiteMasks(TPictureSet& pictures);

// Keeps the memory of the pair's large pictures for reuse: up to three
// pictures per eye (source, composed view, and a mask or the next pair's
// source) in use and idle together, and, after delayMs, spares pairs of the
// eyes' sizes prepared in the background. Empty sizes keep nothing.
void KeepPictureBuffersFor(QSize left, QSize right, int spares, int delayMs);
void KeepPictureBuffersFor(const TPictureSet& pictures, int spares, int delayMs);
