#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/WindowCheck.h"
#include "stereo/WindowPlacing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The point arrays of a straight-sided ring through the corners, in this
// order, with each corner's parallax; the control points sit on their nodes,
// as for a freshly drawn outline.
struct TArrays {
    std::vector<QPoint> left, right;
};

TArrays Ring(const std::vector<QPoint>& corners, const std::vector<int>& z)
{
    TArrays a;
    const size_t n = corners.size();
    for (size_t i = 0; i <= n; ++i) {
        const size_t c = i % n;
        const int repeats = i == n ? 1 : 3; // node, its outgoing, the next node's incoming
        for (int k = 0; k < repeats; ++k) {
            const size_t at = k == 2 ? (c + 1) % n : c;
            a.left.push_back(corners[at]);
            a.right.push_back(corners[at] + QPoint(z[at], 0));
        }
    }
    return a;
}

TArrays Rect(int l, int t, int r, int b, int z)
{
    return Ring({{l, t}, {r, t}, {r, b}, {l, b}}, {z, z, z, z});
}

// A 400 x 300 picture's map at full resolution, the scene everywhere at p.
TDisparityMap Flat(float p, int w = 400, int h = 300)
{
    TDisparityMap map(w, h, QSize(400, 300));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            map.Set(x, y, p);
    return map;
}

void Paint(TDisparityMap& map, int x0, int y0, int x1, int y1, float p)
{
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            map.Set(x, y, p);
}

constexpr double kEps = 1e-9;

} // namespace

TEST(WindowEdgeSampling, SamplesGoEvenlyRoundWithInwardNormalsEdgesAndTheWindowsParallaxEitherWayRound)
{
    const TArrays clockwise = Rect(100, 100, 300, 200, 5);
    const TArrays anticlockwise = Ring({{100, 100}, {100, 200}, {300, 200}, {300, 100}}, {5, 5, 5, 5});
    // Left corners at parallax 0, right corners at 10: the window's parallax
    // changes linearly with x along the top and bottom edges.
    const TArrays tilted = Ring({{100, 100}, {300, 100}, {300, 200}, {100, 200}}, {0, 10, 10, 0});
    // 600 pixels round, one sample every 4: clockwise the top edge has samples
    // 0..49, the right 50..74, the bottom 75..124 and the left 125..149.
    const struct {
        const TArrays* ring;
        int sample;
        QPointF point, inward;
        TWindowEdge edge;
        double window;
    } rows[] = {
        {&clockwise, 25, {200, 100}, {0, 1}, weOben, 5},
        {&clockwise, 50, {300, 100}, {-1, 0}, weRechts, 5}, // a corner belongs to the side that starts there
        {&clockwise, 100, {200, 200}, {0, -1}, weUnten, 5},
        {&clockwise, 149, {100, 104}, {1, 0}, weLinks, 5},
        {&anticlockwise, 0, {100, 100}, {1, 0}, weLinks, 5}, // going down the left side
        {&anticlockwise, 25, {100, 200}, {0, -1}, weUnten, 5},
        {&tilted, 0, {100, 100}, {0, 1}, weOben, 0},
        {&tilted, 10, {140, 100}, {0, 1}, weOben, 2},
        {&tilted, 60, {300, 140}, {-1, 0}, weRechts, 10},
        {&tilted, 110, {160, 200}, {0, -1}, weUnten, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.ring == &clockwise ? "clockwise " : row.ring == &tilted ? "tilted " : "anticlockwise ") << row.sample);
        const std::vector<TEdgeSample> s = SampleWindowEdge(row.ring->left, row.ring->right, 4.0);
        ASSERT_EQ(s.size(), 150u);
        const TEdgeSample& e = s[size_t(row.sample)];
        EXPECT_NEAR(e.Point.x(), row.point.x(), kEps);
        EXPECT_NEAR(e.Point.y(), row.point.y(), kEps);
        EXPECT_NEAR(e.Inward.x(), row.inward.x(), kEps);
        EXPECT_NEAR(e.Inward.y(), row.inward.y(), kEps);
        EXPECT_EQ(e.Edge, row.edge);
        EXPECT_NEAR(e.Window, row.window, kEps);
        EXPECT_NEAR(e.RightPoint().x(), row.point.x() + row.window, kEps);
        EXPECT_FALSE(e.Known());
    }
}

TEST(WindowEdgeSampling, CurvedOutlineNormalsPointToTheCentre)
{
    // A circle of radius 100 round (200, 150) from four curved segments.
    const double k = 55.2285;
    const QPoint c(200, 150);
    std::vector<QPoint> l;
    const QPointF pts[13] = {{0, -100}, {k, -100}, {100, -k}, {100, 0}, {100, k}, {k, 100}, {0, 100},
                             {-k, 100}, {-100, k}, {-100, 0}, {-100, -k}, {-k, -100}, {0, -100}};
    for (const QPointF& p : pts)
        l.push_back(c + p.toPoint());
    std::vector<QPoint> r = l;
    for (QPoint& p : r)
        p.rx() += 3;
    const std::vector<TEdgeSample> s = SampleWindowEdge(l, r, 4.0);
    ASSERT_EQ(s.size(), 157u); // 2 pi 100 / 4
    for (const TEdgeSample& e : s) {
        const QPointF toCentre = (QPointF(c) - e.Point) / std::hypot(c.x() - e.Point.x(), c.y() - e.Point.y());
        EXPECT_GT(e.Inward.x() * toCentre.x() + e.Inward.y() * toCentre.y(), 0.99);
        EXPECT_NEAR(std::hypot(e.Point.x() - c.x(), e.Point.y() - c.y()), 100, 0.5);
        EXPECT_NEAR(e.Window, 3, kEps);
    }
}

TEST(WindowEdgeSampling, NothingToSampleWithoutAnAreaAndAbsurdCoordinatesStayBounded)
{
    const TArrays line = Ring({{100, 100}, {300, 100}}, {0, 0});
    EXPECT_TRUE(SampleWindowEdge(line.left, line.right, 4.0).empty());
    const TArrays a = Rect(100, 100, 300, 200, 5);
    std::vector<QPoint> shorter = a.right;
    shorter.pop_back();
    EXPECT_TRUE(SampleWindowEdge(a.left, shorter, 4.0).empty());
    EXPECT_TRUE(SampleWindowEdge({}, {}, 4.0).empty());
    EXPECT_TRUE(SampleWindowEdge(a.left, a.right, 0.0).empty());
    const TArrays huge = Rect(-2000000000, -2000000000, 2000000000, 2000000000, 0);
    EXPECT_LE(SampleWindowEdge(huge.left, huge.right, 1.0).size(), 200000u);
    // An outline of two nodes joined by a line cannot be judged.
    TProgramObjects objects;
    objects.PolygonListe->AddNode(100, 100, 0);
    objects.PolygonListe->AddNode(300, 100, 1);
    const TWindowCheck c = CheckWindow(*objects.PolygonListe, Flat(10));
    EXPECT_EQ(c.Verdict, wvUnbekannt);
    EXPECT_TRUE(c.Samples.empty());
}

TEST(WindowCheckBand, TheVerdictComesFromALowPercentileOfTheKnownBandJustInsideTheEdge)
{
    // The window stands at parallax 5. The band of a top-edge sample at x
    // holds thirty map values: columns x - 2 .. x + 2, rows 101..106.
    const auto paint = [](int x0, int y0, int x1, int y1, float p) {
        return [=](TDisparityMap& map) { Paint(map, x0, y0, x1, y1, p); };
    };
    const auto set = [](std::vector<QPoint> points) { // a list of its own: the lambda outlives the call
        return [=](TDisparityMap& map) {
            for (QPoint q : points)
                map.Set(q.x(), q.y(), -40);
        };
    };
    TWindowCheckParams zeroPercentile{4.0};
    zeroPercentile.Percentile = 0;
    TWindowCheckParams unreasonable{4.0};
    unreasonable.BandDepth = 1e12;
    unreasonable.Percentile = std::nan("");
    const auto nothing = [](TDisparityMap&) {};
    const float u = TDisparityMap::kUnknown;
    const struct {
        const char* what;
        float scene;
        std::function<void(TDisparityMap&)> paint, more;
        TWindowCheckParams params;
        TWindowVerdict verdict;
        size_t stretches;
        double excess;
    } rows[] = {
        {"scene behind the window", 10, nothing, nothing, {4.0}, wvFrei, 0, 0},
        {"near only outside and deeper than six rows", 10, paint(150, 80, 250, 100, -20), paint(150, 107, 250, 190, -20),
         {4.0}, wvFrei, 0, 0},
        {"the sixth row inside counts", 10, paint(150, 106, 250, 107, -20), nothing, {4.0}, wvVerletzt, 1, 25},
        {"one bad match", 10, set({{200, 103}}), nothing, {4.0}, wvFrei, 0, 0},
        {"three of thirty: a tenth", 10, set({{200, 103}, {201, 103}, {200, 104}}), nothing, {4.0}, wvFrei, 0, 0},
        {"four of thirty: the scene", 10, set({{200, 103}, {201, 103}, {200, 104}, {201, 104}}), nothing, {4.0},
         wvVerletzt, 1, 45},
        {"zero percentile still skips the lowest alone", 10, set({{200, 103}}), nothing, zeroPercentile, wvFrei, 0, 0},
        {"zero percentile, two low", 10, set({{200, 103}, {200, 104}}), nothing, zeroPercentile, wvVerletzt, 1, 45},
        {"excess within the tolerance", 4.0f, nothing, nothing, {4.0}, wvFrei, 0, 0},
        {"excess beyond it, one stretch per edge", 3.9f, nothing, nothing, {4.0}, wvVerletzt, 4, 1.1},
        // Of the top band's rows 101..106 only row 101 known: a sixth (on the
        // right edge's first sample, rows 98..102, a fifth).
        {"bands mostly unknown", u, paint(0, 101, 400, 102, -3), nothing, {4.0}, wvUnbekannt, 0, 0},
        // Two rows of six are a third: judged, and in front; so is the right
        // edge's first sample, with two rows of five.
        {"two rows of six", u, paint(0, 101, 400, 103, -3), nothing, {4.0}, wvVerletzt, 2, 8},
        {"nothing known", u, nothing, nothing, {4.0}, wvUnbekannt, 0, 0},
        {"only the top edge known, a third of the ring", u, paint(0, 100, 400, 108, 10), nothing, {4.0}, wvFrei, 0, 0},
        {"only its middle 100 pixels, 25 of 150 samples", u, paint(150, 100, 250, 108, 10), nothing, {4.0},
         wvUnbekannt, 0, 0},
        {"unreasonable settings stay bounded", 10, nothing, nothing, unreasonable, wvFrei, 0, 0},
    };
    const TArrays a = Rect(100, 100, 300, 200, 5);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TDisparityMap map = Flat(row.scene);
        row.paint(map);
        row.more(map);
        const TWindowCheck c = CheckWindow(a.left, a.right, map, row.params);
        EXPECT_EQ(c.Verdict, row.verdict);
        ASSERT_EQ(c.Violations.size(), row.stretches);
        EXPECT_NEAR(c.MaxExcess(), row.excess, 1e-6);
        if (row.stretches == 1 && row.scene == 10) {
            EXPECT_EQ(c.Violations[0].Edge, weOben);
        }
    }
    // The single stretch of four bad values is the one sample at x = 200.
    TDisparityMap map = Flat(10);
    rows[5].paint(map);
    const TWindowCheck c = CheckWindow(a.left, a.right, map, {4.0});
    EXPECT_DOUBLE_EQ(c.MinClearance, -45.0);
    EXPECT_NEAR(c.Violations[0].From.x(), 200, kEps);
    EXPECT_NEAR(c.Violations[0].To.x(), 200, kEps);
    // Free all round: every sample judged, 5 of clearance.
    const TWindowCheck free = CheckWindow(a.left, a.right, Flat(10), {4.0});
    EXPECT_DOUBLE_EQ(free.JudgedShare, 1.0);
    EXPECT_DOUBLE_EQ(free.MinClearance, 5.0);
    EXPECT_DOUBLE_EQ(free.Samples[7].Scene, 10.0);
    EXPECT_EQ(WindowCheckStatusText(free), QStringLiteral("Scheinfenster: frei"));
    // Cannot tell is not free, and says so.
    TDisparityMap part = Flat(u);
    Paint(part, 150, 100, 250, 108, 10);
    const TWindowCheck unknown = CheckWindow(a.left, a.right, part, {4.0});
    EXPECT_NEAR(unknown.JudgedShare, 25.0 / 150.0, 1e-12);
    EXPECT_EQ(WindowCheckStatusText(unknown), QStringLiteral("Scheinfenster: nicht beurteilbar"));
    EXPECT_FALSE(TDisparityMap::IsKnown(float(CheckWindow(a.left, a.right, Flat(u), {4.0}).MinClearance)));
    EXPECT_EQ(CheckWindow(a.left, a.right, TDisparityMap()).Verdict, wvUnbekannt);
}

TEST(WindowCheckBand, NearObjectAcrossTheCornerGivesOneStretchPerEdge)
{
    // An object at parallax -3 (8 in front of the window at 5) reaches over
    // the bottom-left corner: x 100..149, y 150..259.
    TDisparityMap map = Flat(10);
    Paint(map, 100, 150, 150, 260, -3);
    const TArrays a = Rect(100, 100, 300, 200, 5);
    const TWindowCheck c = CheckWindow(a.left, a.right, map, {4.0});
    EXPECT_EQ(c.Verdict, wvVerletzt);
    ASSERT_EQ(c.Violations.size(), 2u);
    // The bottom edge runs leftwards; its first sample whose band reaches
    // the object is at x = 148 (band columns 146..150; at x = 152 they are
    // 150..154).
    const TWindowViolation& bottom = c.Violations[0];
    EXPECT_EQ(bottom.Edge, weUnten);
    EXPECT_NEAR(bottom.From.x(), 148, kEps);
    EXPECT_NEAR(bottom.To.x(), 104, kEps);
    EXPECT_NEAR(bottom.From.y(), 200, kEps);
    EXPECT_DOUBLE_EQ(bottom.Excess, 8.0);
    EXPECT_EQ(bottom.Last - bottom.First, 11);
    // The left edge runs upwards from the corner to y = 148 (band rows
    // 146..150; at y = 144 they are 142..146, above the object).
    const TWindowViolation& left = c.Violations[1];
    EXPECT_EQ(left.Edge, weLinks);
    EXPECT_NEAR(left.From.y(), 200, kEps);
    EXPECT_NEAR(left.To.y(), 148, kEps);
    EXPECT_NEAR(left.To.x(), 100, kEps);
    EXPECT_DOUBLE_EQ(c.MinClearance, -8.0);
    EXPECT_DOUBLE_EQ(c.MaxExcess(), 8.0);
    EXPECT_EQ(WindowCheckStatusText(c), QStringLiteral("Scheinfenster: 2 Verletzungen, max. 8 px"));
    EXPECT_EQ(WindowViolationLine(left), QStringLiteral("links 100 200 100 148 8.0"));
}

TEST(WindowCheckStretches, ShortUnknownGapsAndTheFirstPointJoinAStretchAFreeSampleSeparates)
{
    const TArrays rect = Rect(100, 100, 300, 200, 5);
    // The same rectangle, starting in the middle of the bottom edge: its
    // first sample is x = 200, its last ones x = 208 and 204.
    const TArrays fromMiddle = Ring({{200, 200}, {100, 200}, {100, 100}, {300, 100}, {300, 200}}, {5, 5, 5, 5, 5});
    const float u = TDisparityMap::kUnknown;
    struct TPaint {
        int x0, y0, x1, y1;
        float p;
    };
    const struct {
        const char* what;
        const TArrays* ring;
        std::vector<TPaint> paints;
        std::vector<std::pair<double, double>> fromTo; // x of each stretch's ends
    } rows[] = {
        // Two unknown samples in the middle of the stretch, x = 200 and 204,
        // whose bands (columns 198..202 and 202..206) are mostly unknown.
        {"two unknown", &rect, {{120, 100, 280, 108, -3}, {199, 100, 206, 108, u}}, {{120, 280}}},
        {"three unknown split it", &rect, {{120, 100, 280, 108, -3}, {199, 100, 210, 108, u}}, {{120, 196}, {212, 280}}},
        // Found at both ends of the ring; the ring arrives from the right.
        {"across the first point", &fromMiddle, {{180, 150, 220, 260, -1}}, {{220, 180}}},
        // A band reaching one column into the object holds a fifth of it:
        // more than the tenth. The last sample, x = 204, is judged free.
        {"a free sample between", &fromMiddle, {{190, 150, 202, 260, -1}, {207, 150, 215, 260, -1}},
         {{200, 188}, {216, 208}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TDisparityMap map = Flat(10);
        for (const TPaint& q : row.paints)
            Paint(map, q.x0, q.y0, q.x1, q.y1, q.p);
        const TWindowCheck c = CheckWindow(row.ring->left, row.ring->right, map, {4.0});
        ASSERT_EQ(c.Violations.size(), row.fromTo.size());
        for (size_t i = 0; i < row.fromTo.size(); ++i) {
            EXPECT_NEAR(c.Violations[i].From.x(), row.fromTo[i].first, kEps) << i;
            EXPECT_NEAR(c.Violations[i].To.x(), row.fromTo[i].second, kEps) << i;
        }
    }
    TDisparityMap map = Flat(10);
    Paint(map, 180, 150, 220, 260, -1);
    const TWindowViolation v = CheckWindow(fromMiddle.left, fromMiddle.right, map, {4.0}).Violations.at(0);
    EXPECT_EQ(v.Edge, weUnten);
    EXPECT_GT(v.First, v.Last);
    EXPECT_DOUBLE_EQ(v.Excess, 6.0);
}

TEST(WindowCheckScale, ReducedMapSamplesEveryTwoMapPixels)
{
    // A quarter-size map: a sample every 8 picture pixels, the band 24 deep.
    TDisparityMap map(100, 75, QSize(400, 300));
    for (int y = 0; y < 75; ++y)
        for (int x = 0; x < 100; ++x)
            map.Set(x, y, 10);
    Paint(map, 50, 25, 60, 32, -2); // picture x 200..239, y 100..127
    const TArrays a = Rect(100, 100, 300, 200, 5);
    const TWindowCheck c = CheckWindow(a.left, a.right, map);
    EXPECT_EQ(c.Samples.size(), 75u);
    ASSERT_EQ(c.Violations.size(), 1u);
    EXPECT_DOUBLE_EQ(c.Violations[0].Excess, 7.0);
    EXPECT_NEAR(c.Violations[0].From.x(), 196, kEps); // its band columns reach 200
    EXPECT_NEAR(c.Violations[0].To.x(), 236, kEps);
}

TEST(WindowPlacing, OffsetLeavesTheMarginAtTheNearestSceneRoundingDownAndNeedsAKnownScene)
{
    TDisparityMap map = Flat(10);
    Paint(map, 100, 150, 150, 260, -3);
    const TArrays a = Rect(100, 100, 300, 200, 5);
    EXPECT_EQ(WindowPlacingOffset(CheckWindow(a.left, a.right, map, {4.0})), -9); // -3 - 1 - 5
    // A window far in front is brought back: 10 - 1 - (-20).
    const TArrays front = Rect(100, 100, 300, 200, -20);
    EXPECT_EQ(WindowPlacingOffset(CheckWindow(front.left, front.right, Flat(10), {4.0})), 29);
    // A fractional nearest scene: the margin is kept by rounding down.
    EXPECT_EQ(WindowPlacingOffset(CheckWindow(front.left, front.right, Flat(2.5f), {4.0})), 21);
    // Nothing known, nothing to place by.
    EXPECT_FALSE(WindowPlacingOffset(CheckWindow(a.left, a.right, Flat(TDisparityMap::kUnknown))));
    EXPECT_FALSE(WindowPlacingOffset(TWindowCheck()));
}

TEST(WindowPlacing, ShiftMovesEveryNodeAndControlPointAndClearsTheViolation)
{
    TProgramObjects objects;
    TPolygonListe& outline = *objects.PolygonListe;
    TBezEndPkt* a = outline.AddNode(100, 100, 0);
    TBezEndPkt* b = outline.AddNode(300, 100, 1);
    outline.AddNode(300, 200, 2);
    TBezEndPkt* d = outline.AddNode(100, 200, 3);
    a->SetZ(4);
    d->SetZ(6);
    b->SetSegmentType(stCurve, outline.Items(2));
    b->Outgoing()->SetRelD(20); // control point 5 pixels of parallax behind its node
    outline.BuildPoints();
    const std::vector<QPoint> leftBefore = outline.Points(0), rightBefore = outline.Points(1);

    TDisparityMap map = Flat(10);
    Paint(map, 100, 150, 150, 260, -3);
    const TWindowCheck before = CheckWindow(outline, map, {4.0});
    ASSERT_EQ(before.Verdict, wvVerletzt);
    const std::optional<int> dz = WindowPlacingOffset(before);
    ASSERT_TRUE(dz);
    ShiftWindowDepth(outline, *dz);

    EXPECT_EQ(outline.Points(0), leftBefore);
    ASSERT_EQ(outline.Points(1).size(), rightBefore.size());
    for (size_t i = 0; i < rightBefore.size(); ++i)
        EXPECT_EQ(outline.Points(1)[i], rightBefore[i] + QPoint(*dz, 0)) << i;
    EXPECT_EQ(a->Z(), 4 + *dz);
    EXPECT_EQ(b->Outgoing()->GetZ(), b->Z() + 20);
    const TWindowCheck after = CheckWindow(outline, map, {4.0});
    EXPECT_EQ(after.Verdict, wvFrei);
    EXPECT_GE(after.MinClearance, kPlacingMargin);
    EXPECT_LT(after.MinClearance, kPlacingMargin + 1);
}
