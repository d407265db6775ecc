#include "stereo/WindowCheck.h"

#include "model/Geometry.h"
#include "model/Liste_Polygon.h"

#include <algorithm>
#include <cmath>

namespace {

// Map pixels between samples, and how deep the band reaches, when the caller
// leaves them open.
constexpr double kSpacingMapPixels = 2.0;
constexpr double kBandMapPixels = 6.0;
// Without a map the sampling still needs a spacing.
constexpr double kSpacingWithoutMap = 4.0;
// Bounds for outlines with absurd coordinates: neither the flattening nor the
// sampling may grow without bound.
constexpr int kMaxStepsPerSegment = 4096;
constexpr double kMaxVertices = 1000000;
constexpr double kMaxSamples = 200000;
constexpr double kVertexSnap = 1e-9;
// Map pixels a band may reach into the window and along the edge.
constexpr int kMaxBandSteps = 256;

struct TVertex {
    QPointF left;
    double window = 0;
};

double CubicAt(double a, double b, double c, double d, double t)
{
    const double u = 1 - t;
    return u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d;
}

double Length(const QPointF& v) { return std::hypot(v.x(), v.y()); }

// The closed path as a fine polyline, with the window's parallax at each
// vertex. The left and right paths share their parameter, so the parallax at
// a point is the right path's x minus the left path's x at the same t.
std::vector<TVertex> Flatten(const std::vector<QPoint>& left, const std::vector<QPoint>& right)
{
    std::vector<TVertex> out;
    const size_t segments = (left.size() - 1) / 3;
    // In floating point: the differences of integer points may not fit.
    auto span = [&](size_t s) {
        const QPointF p0 = left[3 * s], p1 = left[3 * s + 1], p2 = left[3 * s + 2], p3 = left[3 * s + 3];
        return Length(p1 - p0) + Length(p2 - p1) + Length(p3 - p2);
    };
    double total = 0;
    for (size_t s = 0; s < segments; ++s)
        total += span(s);
    // About one vertex per pixel: fine enough that the arc length and the
    // normals of the polyline are those of the curve. Coarser only for
    // outlines far larger than any picture.
    const double unit = std::max(1.0, total / kMaxVertices);
    for (size_t s = 0; s < segments; ++s) {
        const QPointF p0 = left[3 * s], p1 = left[3 * s + 1], p2 = left[3 * s + 2], p3 = left[3 * s + 3];
        const double z0 = right[3 * s].x() - p0.x(), z1 = right[3 * s + 1].x() - p1.x(),
                     z2 = right[3 * s + 2].x() - p2.x(), z3 = right[3 * s + 3].x() - p3.x();
        const int steps = int(std::clamp(std::ceil(span(s) / unit), 1.0, double(kMaxStepsPerSegment)));
        for (int k = 0; k < steps; ++k) {
            const double t = double(k) / steps;
            // Relative to the start, so that a window of one depth keeps
            // exactly that depth (the blend's weights need not sum to
            // exactly 1 in floating point).
            out.push_back({QPointF(CubicAt(p0.x(), p1.x(), p2.x(), p3.x(), t), CubicAt(p0.y(), p1.y(), p2.y(), p3.y(), t)),
                           z0 + CubicAt(0, z1 - z0, z2 - z0, z3 - z0, t)});
        }
    }
    out.push_back(out.front());
    return out;
}

// Twice the signed area; positive when the path turns clockwise on screen
// (Y pointing down).
double SignedArea2(const std::vector<TVertex>& poly)
{
    double sum = 0;
    for (size_t i = 0; i + 1 < poly.size(); ++i)
        sum += poly[i].left.x() * poly[i + 1].left.y() - poly[i + 1].left.x() * poly[i].left.y();
    return sum;
}

TWindowEdge EdgeOf(const QPointF& inward)
{
    if (std::fabs(inward.x()) >= std::fabs(inward.y()))
        return inward.x() > 0 ? weLinks : weRechts;
    return inward.y() > 0 ? weOben : weUnten;
}

// The band's parallax at one sample: the chosen low percentile of the known
// map values in a strip reaching `depth` into the window and half a spacing
// along the edge either way; unknown when too little of it is known.
double BandParallax(const TEdgeSample& s, const TDisparityMap& map, double step, int depthSteps, int alongSteps,
                    const TWindowCheckParams& params, std::vector<float>& values)
{
    values.clear();
    const QPointF tangent(s.Inward.y(), -s.Inward.x());
    int total = 0;
    // Whole picture coordinates name a pixel, so the point (x, y) is looked
    // up at that pixel's centre; a lookup on the pixel's corner would fall on
    // either side by rounding chance.
    const QPointF centre = s.Point + QPointF(0.5, 0.5);
    for (int k = 1; k <= depthSteps; ++k)
        for (int j = -alongSteps; j <= alongSteps; ++j) {
            const QPointF p = centre + s.Inward * (k * step) + tangent * (j * step);
            const float v = map.AtPicture(p.x(), p.y());
            ++total;
            if (TDisparityMap::IsKnown(v))
                values.push_back(v);
        }
    const int known = int(values.size());
    if (known == 0 || known < params.MinKnownShare * total)
        return TDisparityMap::kUnknown;
    // Never the very lowest value when there are others: one bad match alone
    // must not make the scene look near.
    const double q = params.Percentile >= 0 ? std::min(params.Percentile, 1.0) : 0.0;
    const int rank = std::min(known - 1, std::max(known > 1 ? 1 : 0, int(q * known)));
    std::nth_element(values.begin(), values.begin() + rank, values.end());
    return values[size_t(rank)];
}

bool Violated(const TEdgeSample& s, double tolerance) { return s.Known() && s.Excess() > tolerance; }

std::vector<TWindowViolation> Stretches(const std::vector<TEdgeSample>& samples, const TWindowCheckParams& params)
{
    const int n = int(samples.size());
    struct TRun {
        int first, last;
    };
    std::vector<TRun> runs;
    for (int i = 0; i < n;) {
        if (!Violated(samples[size_t(i)], params.Tolerance)) {
            ++i;
            continue;
        }
        const TWindowEdge edge = samples[size_t(i)].Edge;
        int last = i, gap = 0;
        for (int j = i + 1; j < n; ++j) {
            const TEdgeSample& s = samples[size_t(j)];
            if (s.Edge != edge)
                break;
            if (Violated(s, params.Tolerance)) {
                last = j;
                gap = 0;
            } else if (!s.Known() && gap < params.MaxGap) {
                ++gap;
            } else {
                break;
            }
        }
        runs.push_back({i, last});
        i = last + 1;
    }
    // A stretch across the outline's first point was found as two runs, one
    // at each end; they are one when only a short gap of unknown samples on
    // the same edge lies between them.
    if (runs.size() >= 2) {
        const TRun& head = runs.front();
        const TRun& tail = runs.back();
        const TWindowEdge edge = samples[size_t(head.first)].Edge;
        bool joined = samples[size_t(tail.last)].Edge == edge && (n - 1 - tail.last) + head.first <= params.MaxGap;
        for (int k = tail.last + 1; joined && k < n + head.first; ++k) {
            const TEdgeSample& s = samples[size_t(k % n)];
            joined = s.Edge == edge && !s.Known();
        }
        if (joined) {
            runs.back().last = head.last;
            runs.erase(runs.begin());
        }
    }
    std::vector<TWindowViolation> out;
    for (const TRun& r : runs) {
        TWindowViolation v;
        v.Edge = samples[size_t(r.first)].Edge;
        v.First = r.first;
        v.Last = r.last;
        v.From = samples[size_t(r.first)].Point;
        v.To = samples[size_t(r.last)].Point;
        for (int k = r.first;; k = (k + 1) % n) {
            const TEdgeSample& s = samples[size_t(k)];
            if (Violated(s, params.Tolerance))
                v.Excess = std::max(v.Excess, s.Excess());
            if (k == r.last)
                break;
        }
        out.push_back(v);
    }
    return out;
}

} // namespace

QString WindowEdgeName(TWindowEdge edge)
{
    switch (edge) {
    case weLinks: return QStringLiteral("links");
    case weOben: return QStringLiteral("oben");
    case weRechts: return QStringLiteral("rechts");
    case weUnten: return QStringLiteral("unten");
    }
    return QString();
}

double TWindowCheck::MaxExcess() const
{
    double m = 0;
    for (const TWindowViolation& v : Violations)
        m = std::max(m, v.Excess);
    return m;
}

std::vector<TEdgeSample> SampleWindowEdge(const std::vector<QPoint>& left, const std::vector<QPoint>& right,
                                          double spacing)
{
    if (left.size() < 4 || left.size() != right.size() || (left.size() - 1) % 3 != 0 || !(spacing > 0))
        return {};
    const std::vector<TVertex> poly = Flatten(left, right);
    const double area2 = SignedArea2(poly);
    // A path that encloses (next to) nothing has no inside to look into.
    if (std::fabs(area2) < 2.0)
        return {};
    double perimeter = 0;
    for (size_t i = 0; i + 1 < poly.size(); ++i)
        perimeter += Length(poly[i + 1].left - poly[i].left);
    spacing = std::max(spacing, perimeter / kMaxSamples);
    // Whole number of samples, evenly round the ring.
    const int count = std::max(1, int(std::lround(perimeter / spacing)));
    const double step = perimeter / count;

    std::vector<TEdgeSample> out;
    out.reserve(size_t(count));
    size_t seg = 0;
    double segStart = 0;
    for (int k = 0; k < count; ++k) {
        const double at = k * step;
        double segLength = Length(poly[seg + 1].left - poly[seg].left);
        // A sample on a vertex belongs to the piece that starts there, also
        // when the summed lengths fall a rounding error short of it.
        while (seg + 2 < poly.size() && (segLength == 0 || at >= segStart + segLength - kVertexSnap)) {
            segStart += segLength;
            ++seg;
            segLength = Length(poly[seg + 1].left - poly[seg].left);
        }
        if (segLength == 0)
            continue;
        const TVertex& a = poly[seg];
        const TVertex& b = poly[seg + 1];
        const double t = std::clamp((at - segStart) / segLength, 0.0, 1.0);
        const QPointF tangent = (b.left - a.left) / segLength;
        TEdgeSample s;
        s.Point = a.left + (b.left - a.left) * t;
        s.Window = a.window + (b.window - a.window) * t;
        s.Inward = area2 > 0 ? QPointF(-tangent.y(), tangent.x()) : QPointF(tangent.y(), -tangent.x());
        s.Edge = EdgeOf(s.Inward);
        out.push_back(s);
    }
    return out;
}

TWindowCheck CheckWindow(const std::vector<QPoint>& left, const std::vector<QPoint>& right, const TDisparityMap& map,
                         const TWindowCheckParams& params)
{
    const double scale = map.Empty() ? 0.0 : std::max(map.ScaleX(), map.ScaleY());
    const double step = scale > 0 ? 1.0 / scale : 1.0;
    const double spacing = params.SampleSpacing > 0 ? params.SampleSpacing
                           : scale > 0              ? kSpacingMapPixels * step
                                                    : kSpacingWithoutMap;
    const double depth = params.BandDepth > 0 ? params.BandDepth : kBandMapPixels * step;

    TWindowCheck check;
    check.Samples = SampleWindowEdge(left, right, spacing);
    if (check.Samples.empty())
        return check;
    const int depthSteps = int(std::clamp(std::round(depth / step), 1.0, double(kMaxBandSteps)));
    const int alongSteps = int(std::clamp(std::floor(spacing / 2 / step), 0.0, double(kMaxBandSteps)));
    std::vector<float> values;
    int judged = 0;
    for (TEdgeSample& s : check.Samples) {
        if (!map.Empty())
            s.Scene = BandParallax(s, map, step, depthSteps, alongSteps, params, values);
        if (!s.Known())
            continue;
        ++judged;
        const double clearance = s.Scene - s.Window;
        if (!TDisparityMap::IsKnown(float(check.MinClearance)) || clearance < check.MinClearance)
            check.MinClearance = clearance;
    }
    check.JudgedShare = double(judged) / double(check.Samples.size());
    check.Violations = Stretches(check.Samples, params);
    if (!check.Violations.empty())
        check.Verdict = wvVerletzt;
    else
        check.Verdict = judged > 0 && check.JudgedShare >= params.MinJudgedShare ? wvFrei : wvUnbekannt;
    return check;
}

TWindowCheck CheckWindow(const TPolygonListe& outline, const TDisparityMap& map, const TWindowCheckParams& params)
{
    if (!outline.IsDrawable())
        return {};
    return CheckWindow(outline.Points(0), outline.Points(1), map, params);
}

QString WindowCheckStatusText(const TWindowCheck& check)
{
    switch (check.Verdict) {
    case wvFrei:
        return QStringLiteral("Scheinfenster: frei");
    case wvVerletzt: {
        const int n = int(check.Violations.size());
        return QStringLiteral("Scheinfenster: %1 %2, max. %3 px")
            .arg(n)
            .arg(n == 1 ? QStringLiteral("Verletzung") : QStringLiteral("Verletzungen"))
            .arg(std::max(1, nearest(check.MaxExcess())));
    }
    case wvUnbekannt:
        break;
    }
    return QStringLiteral("Scheinfenster: nicht beurteilbar");
}

QString WindowViolationLine(const TWindowViolation& v)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(WindowEdgeName(v.Edge))
        .arg(nearest(v.From.x()))
        .arg(nearest(v.From.y()))
        .arg(nearest(v.To.x()))
        .arg(nearest(v.To.y()))
        .arg(v.Excess, 0, 'f', 1);
}
