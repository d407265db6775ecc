#pragma once
// The disparity map of a stereo pair, by semi-global block matching on a
// reduced grey copy of both pictures. This is the one unit of the program
// that uses OpenCV; its interface is free of OpenCV types, so the rest of the
// program only sees TDisparityMap.
//
// Both directions are matched (left against right and right against left) and
// a place keeps its value only when both agree: occluded places, where each
// picture sees something the other does not, fall out. Places whose left
// picture has too little horizontal texture to match are unknown as well,
// instead of the smoothness term filling them in with a guess.

#include "stereo/DisparityMap.h"

#include <QImage>

#include <functional>

// The reduced picture is at most this wide (and high); enough to find what
// stands in front of a window, and small enough to match in well under a
// second.
constexpr int kDisparityWidth = 1500;

struct TDisparityParams {
    // Longer side of the reduced pair (pictures smaller than this are matched
    // as they are).
    int TargetWidth = kDisparityWidth;
    // Largest parallax searched, either way, in pixels of the reduced pair:
    // rounded up to a multiple of 8, at most 256.
    int SearchRange = 64;
    // Side of the matching block: odd, at most 11.
    int BlockSize = 5;
    // Smallest mean horizontal grey step (grey levels per pixel, over a
    // square of TextureWindow pixels of the reduced pair) at which the left
    // picture counts as textured there. The square is larger than a matching
    // block: the matcher carries a value safely across a small even patch
    // that texture surrounds (the face of a sign), but not across a large
    // one (the sky).
    double MinTexture = 0.5;
    int TextureWindow = 31;
    // Largest difference between the two directions, pixels of the reduced
    // pair, at which a place is still consistent.
    double ConsistencyTolerance = 1.0;
};

// The map of the left picture. When the pictures differ in size their shared
// top-left part is matched; the map's picture size is that part. Returns an
// empty map for an empty picture, and when cancelled() answers true at one of
// the points where the work can stop (between reduction, matching and
// checking). Raises a std::exception (std::bad_alloc, or OpenCV's exception)
// when the memory for the reduced pair is not there. The pictures are let go
// as soon as their reduced copies exist: a caller that moves them in holds no
// full-size memory for the rest of the work.
TDisparityMap ComputeDisparityMap(QImage left, QImage right, const TDisparityParams& params = {},
                                  const std::function<bool()>& cancelled = {});
