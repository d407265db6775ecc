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

TEST(WindowEdgeSampling, RectangleIsSampledEvenlyWithInwardNormalsAndEdges)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    const std::vector<TEdgeSample> s = SampleWindowEdge(a.left, a.right, 4.0);
    ASSERT_EQ(s.size(), 150u); // 600 pixels round, one sample every 4
    // Top edge, going right: the inside is below.
    EXPECT_NEAR(s[25].Point.x(), 200, kEps);
    EXPECT_NEAR(s[25].Point.y(), 100, kEps);
    EXPECT_NEAR(s[25].Inward.x(), 0, kEps);
    EXPECT_NEAR(s[25].Inward.y(), 1, kEps);
    EXPECT_EQ(s[25].Edge, weOben);
    // The corner belongs to the side that starts there.
    EXPECT_NEAR(s[50].Point.x(), 300, kEps);
    EXPECT_NEAR(s[50].Point.y(), 100, kEps);
    EXPECT_EQ(s[50].Edge, weRechts);
    EXPECT_NEAR(s[50].Inward.x(), -1, kEps);
    EXPECT_EQ(s[100].Edge, weUnten);
    EXPECT_NEAR(s[100].Inward.y(), -1, kEps);
    EXPECT_EQ(s[149].Edge, weLinks);
    EXPECT_NEAR(s[149].Point.y(), 104, kEps);
    EXPECT_NEAR(s[149].Inward.x(), 1, kEps);
    for (const TEdgeSample& e : s) {
        EXPECT_NEAR(e.Window, 5, kEps);
        EXPECT_FALSE(e.Known());
    }
    EXPECT_NEAR(s[25].RightPoint().x(), 205, kEps);
}

TEST(WindowEdgeSampling, TheOtherDirectionRoundStillLooksInside)
{
    // Same rectangle, drawn anticlockwise on screen.
    const TArrays a = Ring({{100, 100}, {100, 200}, {300, 200}, {300, 100}}, {5, 5, 5, 5});
    const std::vector<TEdgeSample> s = SampleWindowEdge(a.left, a.right, 4.0);
    ASSERT_EQ(s.size(), 150u);
    EXPECT_EQ(s[0].Edge, weLinks); // going down the left side
    EXPECT_NEAR(s[0].Inward.x(), 1, kEps);
    EXPECT_EQ(s[25].Edge, weUnten); // (100, 200) onwards, going right
    EXPECT_NEAR(s[25].Inward.y(), -1, kEps);
}

TEST(WindowEdgeSampling, TiltedWindowParallaxFollowsTheCorners)
{
    // Left corners at parallax 0, right corners at 10: along the top edge the
    // window's parallax rises linearly with x.
    const TArrays a = Ring({{100, 100}, {300, 100}, {300, 200}, {100, 200}}, {0, 10, 10, 0});
    const std::vector<TEdgeSample> s = SampleWindowEdge(a.left, a.right, 4.0);
    ASSERT_EQ(s.size(), 150u);
    EXPECT_NEAR(s[0].Window, 0, kEps);
    EXPECT_NEAR(s[10].Window, 2, kEps);  // x = 140
    EXPECT_NEAR(s[25].Window, 5, kEps);  // x = 200
    EXPECT_NEAR(s[60].Window, 10, kEps); // right edge
    EXPECT_NEAR(s[110].Window, 3, kEps); // bottom, x = 160
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

TEST(WindowEdgeSampling, NothingToSampleWithoutAnArea)
{
    const TArrays line = Ring({{100, 100}, {300, 100}}, {0, 0});
    EXPECT_TRUE(SampleWindowEdge(line.left, line.right, 4.0).empty());
    const TArrays a = Rect(100, 100, 300, 200, 5);
    std::vector<QPoint> shorter = a.right;
    shorter.pop_back();
    EXPECT_TRUE(SampleWindowEdge(a.left, shorter, 4.0).empty());
    EXPECT_TRUE(SampleWindowEdge({}, {}, 4.0).empty());
    EXPECT_TRUE(SampleWindowEdge(a.left, a.right, 0.0).empty());
}

TEST(WindowEdgeSampling, AbsurdCoordinatesStayBounded)
{
    const TArrays a = Rect(-2000000000, -2000000000, 2000000000, 2000000000, 0);
    EXPECT_LE(SampleWindowEdge(a.left, a.right, 1.0).size(), 200000u);
}

TEST(WindowCheckBand, SceneBehindTheWindowIsFree)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    const TWindowCheck c = CheckWindow(a.left, a.right, Flat(10), {4.0});
    EXPECT_EQ(c.Verdict, wvFrei);
    EXPECT_TRUE(c.Violations.empty());
    EXPECT_DOUBLE_EQ(c.JudgedShare, 1.0);
    EXPECT_DOUBLE_EQ(c.MinClearance, 5.0);
    EXPECT_DOUBLE_EQ(c.Samples[7].Scene, 10.0);
    EXPECT_EQ(WindowCheckStatusText(c), QStringLiteral("Scheinfenster: frei"));
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

TEST(WindowCheckBand, OnlyTheBandJustInsideTheEdgeCounts)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    // Outside the window, and deeper inside than the band's six pixels.
    TDisparityMap map = Flat(10);
    Paint(map, 150, 80, 250, 100, -20);
    Paint(map, 150, 107, 250, 190, -20);
    EXPECT_EQ(CheckWindow(a.left, a.right, map, {4.0}).Verdict, wvFrei);
    // The sixth row inside does count.
    Paint(map, 150, 106, 250, 107, -20);
    const TWindowCheck c = CheckWindow(a.left, a.right, map, {4.0});
    ASSERT_EQ(c.Violations.size(), 1u);
    EXPECT_EQ(c.Violations[0].Edge, weOben);
    EXPECT_DOUBLE_EQ(c.Violations[0].Excess, 25.0);
}

TEST(WindowCheckBand, OneBadMatchRaisesNoAlarm)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    // The band of the sample at x = 200 holds thirty values: columns 198..202,
    // rows 101..106. Its scene parallax is the fourth lowest.
    TDisparityMap map = Flat(10);
    map.Set(200, 103, -40);
    TWindowCheck c = CheckWindow(a.left, a.right, map, {4.0});
    EXPECT_EQ(c.Verdict, wvFrei);
    EXPECT_DOUBLE_EQ(c.MinClearance, 5.0);
    map.Set(201, 103, -40);
    map.Set(200, 104, -40);
    EXPECT_EQ(CheckWindow(a.left, a.right, map, {4.0}).Verdict, wvFrei);
    // Four bad values, more than a tenth, are the scene.
    map.Set(201, 104, -40);
    c = CheckWindow(a.left, a.right, map, {4.0});
    ASSERT_EQ(c.Violations.size(), 1u);
    EXPECT_NEAR(c.Violations[0].From.x(), 200, kEps);
    EXPECT_NEAR(c.Violations[0].To.x(), 200, kEps);
    EXPECT_DOUBLE_EQ(c.Violations[0].Excess, 45.0);
}

TEST(WindowCheckBand, EvenAtTheZeroPercentileTheLowestValueAloneIsIgnored)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    TDisparityMap map = Flat(10);
    map.Set(200, 103, -40);
    TWindowCheckParams params;
    params.SampleSpacing = 4;
    params.Percentile = 0;
    EXPECT_EQ(CheckWindow(a.left, a.right, map, params).Verdict, wvFrei);
    map.Set(200, 104, -40);
    EXPECT_EQ(CheckWindow(a.left, a.right, map, params).Verdict, wvVerletzt);
}

TEST(WindowCheckBand, ExcessWithinTheToleranceIsNotReported)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    EXPECT_EQ(CheckWindow(a.left, a.right, Flat(4.0f), {4.0}).Verdict, wvFrei);
    const TWindowCheck c = CheckWindow(a.left, a.right, Flat(3.9f), {4.0});
    EXPECT_EQ(c.Verdict, wvVerletzt);
    // All round the ring: one stretch per edge.
    EXPECT_EQ(c.Violations.size(), 4u);
}

TEST(WindowCheckBand, MostlyUnknownBandIsNotJudged)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    TDisparityMap map(400, 300, QSize(400, 300));
    // Of the top band's rows 101..106 only row 101 is known: a sixth (and on
    // the right edge's first sample, rows 98..102, a fifth).
    Paint(map, 0, 101, 400, 102, -3);
    TWindowCheck c = CheckWindow(a.left, a.right, map, {4.0});
    EXPECT_EQ(c.Verdict, wvUnbekannt);
    EXPECT_DOUBLE_EQ(c.JudgedShare, 0.0);
    // Two rows of six are a third: judged, and in front.
    Paint(map, 0, 102, 400, 103, -3);
    c = CheckWindow(a.left, a.right, map, {4.0});
    EXPECT_EQ(c.Verdict, wvVerletzt);
}

TEST(WindowCheckVerdict, CannotTellIsNotFree)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    const TWindowCheck unknown = CheckWindow(a.left, a.right, TDisparityMap(400, 300, QSize(400, 300)), {4.0});
    EXPECT_EQ(unknown.Verdict, wvUnbekannt);
    EXPECT_TRUE(unknown.Violations.empty());
    EXPECT_FALSE(TDisparityMap::IsKnown(float(unknown.MinClearance)));
    EXPECT_EQ(WindowCheckStatusText(unknown), QStringLiteral("Scheinfenster: nicht beurteilbar"));
    EXPECT_EQ(CheckWindow(a.left, a.right, TDisparityMap()).Verdict, wvUnbekannt);

    // Only the top edge (a third of the ring) known and free: enough to say
    // free; only its middle 100 pixels (25 samples of 150): not.
    TDisparityMap map(400, 300, QSize(400, 300));
    Paint(map, 0, 100, 400, 108, 10);
    EXPECT_EQ(CheckWindow(a.left, a.right, map, {4.0}).Verdict, wvFrei);
    TDisparityMap part(400, 300, QSize(400, 300));
    Paint(part, 150, 100, 250, 108, 10);
    const TWindowCheck c = CheckWindow(a.left, a.right, part, {4.0});
    EXPECT_EQ(c.Verdict, wvUnbekannt);
    EXPECT_NEAR(c.JudgedShare, 25.0 / 150.0, 1e-12);
}

TEST(WindowCheckStretches, ShortUnknownGapsDoNotSplitAStretch)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    TDisparityMap map = Flat(10);
    Paint(map, 120, 100, 280, 108, -3);
    // Two unknown samples in the middle of the stretch: x = 200 and 204,
    // whose bands (columns 198..202 and 202..206) are mostly unknown.
    Paint(map, 199, 100, 206, 108, TDisparityMap::kUnknown);
    TWindowCheck c = CheckWindow(a.left, a.right, map, {4.0});
    ASSERT_EQ(c.Violations.size(), 1u);
    EXPECT_NEAR(c.Violations[0].From.x(), 120, kEps);
    EXPECT_NEAR(c.Violations[0].To.x(), 280, kEps);
    // Three unknown samples split it.
    Paint(map, 199, 100, 210, 108, TDisparityMap::kUnknown);
    c = CheckWindow(a.left, a.right, map, {4.0});
    ASSERT_EQ(c.Violations.size(), 2u);
    EXPECT_NEAR(c.Violations[0].To.x(), 196, kEps);
    EXPECT_NEAR(c.Violations[1].From.x(), 212, kEps);
}

TEST(WindowCheckStretches, AStretchAcrossTheFirstPointIsOne)
{
    // The outline starts in the middle of the bottom edge, where the object
    // stands; the samples find it at both ends of the ring.
    const TArrays a = Ring({{200, 200}, {100, 200}, {100, 100}, {300, 100}, {300, 200}}, {5, 5, 5, 5, 5});
    TDisparityMap map = Flat(10);
    Paint(map, 180, 150, 220, 260, -1);
    const TWindowCheck c = CheckWindow(a.left, a.right, map, {4.0});
    ASSERT_EQ(c.Violations.size(), 1u);
    const TWindowViolation& v = c.Violations[0];
    EXPECT_EQ(v.Edge, weUnten);
    EXPECT_GT(v.First, v.Last);
    EXPECT_NEAR(v.From.x(), 220, kEps); // the ring arrives from the right
    EXPECT_NEAR(v.To.x(), 180, kEps);
    EXPECT_DOUBLE_EQ(v.Excess, 6.0);
}

TEST(WindowCheckStretches, StretchesOnEitherSideOfTheFirstPointStaySeparateAcrossAFreeSample)
{
    // Samples at x = 208 (last but one) and 200 (first) are violated, the
    // last one at x = 204 between them is judged free.
    const TArrays a = Ring({{200, 200}, {100, 200}, {100, 100}, {300, 100}, {300, 200}}, {5, 5, 5, 5, 5});
    TDisparityMap map = Flat(10);
    Paint(map, 190, 150, 202, 260, -1);
    Paint(map, 207, 150, 215, 260, -1);
    const TWindowCheck c = CheckWindow(a.left, a.right, map, {4.0});
    ASSERT_EQ(c.Violations.size(), 2u);
    EXPECT_NEAR(c.Violations[0].From.x(), 200, kEps);
    EXPECT_NEAR(c.Violations[1].To.x(), 208, kEps);
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

TEST(WindowPlacing, OffsetLeavesTheMarginAtTheNearestScene)
{
    TDisparityMap map = Flat(10);
    Paint(map, 100, 150, 150, 260, -3);
    TArrays a = Rect(100, 100, 300, 200, 5);
    const TWindowCheck before = CheckWindow(a.left, a.right, map, {4.0});
    ASSERT_EQ(WindowPlacingOffset(before), -9); // -3 - 1 - 5
    a = Rect(100, 100, 300, 200, 5 - 9);
    const TWindowCheck after = CheckWindow(a.left, a.right, map, {4.0});
    EXPECT_EQ(after.Verdict, wvFrei);
    EXPECT_DOUBLE_EQ(after.MinClearance, 1.0);
    // A window far in front is brought back: 10 - 1 - (-20).
    const TArrays front = Rect(100, 100, 300, 200, -20);
    EXPECT_EQ(WindowPlacingOffset(CheckWindow(front.left, front.right, Flat(10), {4.0})), 29);
    // A fractional nearest scene: the margin is kept by rounding down.
    EXPECT_EQ(WindowPlacingOffset(CheckWindow(front.left, front.right, Flat(2.5f), {4.0})), 21);
}

TEST(WindowPlacing, NoOffsetWhenNothingIsKnown)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    EXPECT_FALSE(WindowPlacingOffset(CheckWindow(a.left, a.right, TDisparityMap(400, 300, QSize(400, 300)))));
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

TEST(WindowPlacing, OutlineWithoutAreaCannotBeJudged)
{
    TProgramObjects objects;
    TPolygonListe& outline = *objects.PolygonListe;
    outline.AddNode(100, 100, 0);
    outline.AddNode(300, 100, 1);
    const TWindowCheck c = CheckWindow(outline, Flat(10));
    EXPECT_EQ(c.Verdict, wvUnbekannt);
    EXPECT_TRUE(c.Samples.empty());
}

TEST(WindowCheckBand, UnreasonableSettingsStayBounded)
{
    const TArrays a = Rect(100, 100, 300, 200, 5);
    TWindowCheckParams params;
    params.SampleSpacing = 4;
    params.BandDepth = 1e12;
    params.Percentile = std::nan("");
    const TWindowCheck c = CheckWindow(a.left, a.right, Flat(10), params);
    EXPECT_EQ(c.Verdict, wvFrei);
    EXPECT_DOUBLE_EQ(c.MinClearance, 5.0);
}
