#include "model/Geometry.h"

#include <numbers>

double Distance(const QPoint& p, const QPoint& q)
{
    const double dx = double(q.x()) - double(p.x());
    const double dy = double(q.y()) - double(p.y());
    return std::sqrt(dx * dx + dy * dy);
}

double Angle(const QPoint& p, const QPoint& q)
{
    const qint64 dx = qint64(q.x()) - p.x();
    const qint64 dy = qint64(q.y()) - p.y();
    if (dx == 0)
        return dy > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
    const double a = std::atan(double(dy) / double(dx));
    return dx < 0 ? a - std::numbers::pi : a;
}

QPointF Polar(const QPointF& c, double r, double a)
{
    return QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
}

QColor ColorToQColor(TColor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TColor QColorToColor(const QColor& c)
{
    return TColor(c.red()) | (TColor(c.green()) << 8) | (TColor(c.blue()) << 16);
}
