#pragma once
// Shared geometry of the mask model: the rounding rule, integer-point
// distance and angle, the polar point, the depth factor, and the conversion
// of the program's colour values to Qt colours.

#include <QColor>
#include <QPoint>
#include <QPointF>

#include <algorithm>
#include <cmath>

using TColor = quint32; // 0x00BBGGRR, red in the low byte

// One depth unit of a control point gives this many pixels of parallax.
constexpr double kDepthFactor = 0.27;

// The integer nearest to v, halves to the even neighbour. Every conversion
// from a real number to an integer in the model goes through here, so the
// stored outline does not depend on where a value happened to be rounded.
// Defined for every double: beyond the int range the result is the nearest
// end of it, and NaN gives 0 (a plain conversion would be undefined there).
inline int nearest(double v)
{
    // std::nearbyint honours the current rounding mode, which is the default
    // round-to-nearest-even throughout the program.
    const double r = std::nearbyint(v);
    // Both comparisons are false for NaN, so it falls through to the end.
    if (r >= -2147483648.0 && r <= 2147483647.0)
        return int(r);
    if (r > 0)
        return 2147483647;
    if (r < 0)
        return -2147483647 - 1;
    return 0;
}

// Numbers read from a file are clamped to these bounds: far beyond any
// picture the program opens (30000 pixels a side), yet small enough that the
// sums the model forms (node plus parallax plus control point plus its depth
// in pixels) stay well inside the int range. Node positions and depths, and
// the view centre, are pixels within kMaxFileCoordinate. A control point's
// x and y reach from one such node to another, so twice that; its depth is
// in depth units, of which 1 / 0.27 make a pixel. All three are exact in a
// float.
constexpr int kMaxFileCoordinate = 1'000'000;
constexpr double kMaxFileRelative = 2'000'000.0;
constexpr double kMaxFileDepthUnits = 10'000'000.0;

// A stored integer position or depth, clamped to +-kMaxFileCoordinate.
inline int ClampFileCoordinate(qint32 v) { return std::clamp(v, -kMaxFileCoordinate, kMaxFileCoordinate); }
// A stored real component: NaN and infinities give 0, finite values are
// clamped to +-bound.
inline double ClampFileReal(double v, double bound) { return std::isfinite(v) ? std::clamp(v, -bound, bound) : 0.0; }

inline QPoint nearest(const QPointF& p) { return QPoint(nearest(p.x()), nearest(p.y())); }

// Euclidean distance, computed from the integer differences.
double Distance(const QPoint& p, const QPoint& q);

// Direction from p to q in radians. With Y pointing down the angle turns
// clockwise on screen. A vertical or zero step gives +pi/2 when going down
// and -pi/2 otherwise (also for p == q).
double Angle(const QPoint& p, const QPoint& q);

// The point at distance r and angle a from c.
QPointF Polar(const QPointF& c, double r, double a);

// 0x00BBGGRR to an opaque Qt colour, and back.
QColor ColorToQColor(TColor c);
TColor QColorToColor(const QColor& c);
