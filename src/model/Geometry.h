#pragma once
// Shared geometry of the mask model: the rounding rule, integer-point
// distance and angle, the polar point, the depth factor, and the conversion
// of the program's colour values to Qt colours.

#include <QColor>
#include <QPoint>
#include <QPointF>

#include <cmath>

using TColor = quint32; // 0x00BBGGRR, red in the low byte

// One depth unit of a control point gives this many pixels of parallax.
constexpr double kDepthFactor = 0.27;

// The integer nearest to v, halves to the even neighbour. Every conversion
// from a real number to an integer in the model goes through here, so the
// stored outline does not depend on where a value happened to be rounded.
inline int nearest(double v)
{
    // std::nearbyint honours the current rounding mode, which is the default
    // round-to-nearest-even throughout the program.
    return int(std::nearbyint(v));
}

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
