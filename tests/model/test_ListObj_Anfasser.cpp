#include "history/Streams.h"
#include "model/Geometry.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_VisibledAnfasser.h"
#include "model/ProgramObjects.h"
#include "stereo/StereoConvert.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <limits>
#include <memory>
#include <numbers>

namespace {

// Two nodes, (0, 0) and (5, 0), joined by a curve from a to b: four handles shown.
struct TPair {
    TProgramObjects objects;
    TBezEndPkt* a = PolygonListe()->AddNode(0, 0, 0);
    TBezEndPkt* b = PolygonListe()->AddNode(5, 0, 1);
    TPair() { a->SetSegmentType(stCurve, b); }
};

} // namespace

TEST(Rounding, HalvesGoToTheEvenNeighbourAndEveryDoubleGivesADefinedIntBeyondTheRangeTheNearestEnd)
{
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int expected;
    } cases[] = {
        {1.5, 2},
        {2.5, 2},
        {-1.5, -2},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {-std::numeric_limits<double>::quiet_NaN(), 0},
        {inf, kMax},
        {-inf, kMin},
        {1e300, kMax},
        {-1e300, kMin},
        {3e9, kMax},
        {-3e9, kMin},
        // The last values inside: halves still go to the even neighbour.
        {2147483646.5, 2147483646},
        {2147483647.4, kMax},
        {2147483647.5, kMax},
        {-2147483647.5, -2147483648},
        {-2147483648.5, kMin},
        {-2147483649.0, kMin},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(nearest(c.value), c.expected);
        // The pictures' rounding is the same rule.
        EXPECT_EQ(RoundEven(c.value), c.expected);
    }
    EXPECT_EQ(nearest(QPointF(inf, std::numeric_limits<double>::quiet_NaN())), QPoint(kMax, 0));
    EXPECT_EQ(nearest(QPointF(3.5, -3.5)), QPoint(4, -4));
}

TEST(Angles, VerticalStepsTheLeftHalfPlaneDistancesAndColourValues)
{
    constexpr double pi = std::numbers::pi;
    EXPECT_DOUBLE_EQ(Angle(QPoint(0, 0), QPoint(0, 5)), pi / 2);
    EXPECT_DOUBLE_EQ(Angle(QPoint(0, 0), QPoint(0, -5)), -pi / 2);
    EXPECT_DOUBLE_EQ(Angle(QPoint(3, 3), QPoint(3, 3)), -pi / 2) << "no step counts as up";
    // Left half: arctan reduced by pi, so straight left is -pi, not +pi.
    EXPECT_DOUBLE_EQ(Angle(QPoint(0, 0), QPoint(-1, 0)), -pi);
    EXPECT_DOUBLE_EQ(Angle(QPoint(0, 0), QPoint(-1, -1)), -3 * pi / 4);
    const QPointF p = Polar(QPointF(1, 2), 2, pi / 2);
    EXPECT_NEAR(p.x(), 1.0, 1e-12);
    EXPECT_NEAR(p.y(), 4.0, 1e-12);
    EXPECT_DOUBLE_EQ(Distance(QPoint(1, 1), QPoint(4, 5)), 5.0);
    // Colour values keep red in the low byte.
    EXPECT_EQ(ColorToQColor(0x00336699), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(QColorToColor(QColor(0x12, 0x34, 0x56)), 0x00563412u);
}

TEST(HandleBoxes, LopsidedFrameGrowsWhenHotAndBoundsHit)
{
    TAnfasser p(0, 0);
    p.SetScreenPos(0, QPoint(50, 60));
    p.SetScreenPos(1, QPoint(150, 60));
    EXPECT_EQ(p.Square(0), QRect(QPoint(46, 56), QPoint(54, 64)));
    EXPECT_EQ(p.Frame(0), QRect(QPoint(44, 54), QPoint(54, 64)));
    p.SetHot(true);
    EXPECT_EQ(p.Frame(1), QRect(QPoint(143, 53), QPoint(155, 65)));
    p.SetHot(false);
    bool left = false;
    EXPECT_TRUE(p.HitTest(QPoint(54, 64), left));
    EXPECT_TRUE(left);
    EXPECT_TRUE(p.HitTest(QPoint(146, 56), left));
    EXPECT_FALSE(left);
    left = true;
    EXPECT_FALSE(p.HitTest(QPoint(55, 64), left));
    EXPECT_TRUE(left) << "a miss leaves the flag alone";
}

TEST(HandleRegistry, OrderOfAppearanceDecidesTheTopmostHit)
{
    TPair r;
    TVisibleAnfasser& shown = *VisibleAnfasser();
    ASSERT_EQ(shown.Count(), 4);
    EXPECT_EQ(shown.Items(2), r.a->Outgoing());
    EXPECT_EQ(shown.Items(4), nullptr);
    r.a->SetScreenPos(0, QPoint(20, 20));
    r.b->SetScreenPos(0, QPoint(22, 20));
    r.a->SetScreenPos(1, QPoint(200, 20));
    bool left = false;
    EXPECT_EQ(shown.FindHit(QPoint(21, 20), left), r.b);
    EXPECT_TRUE(left);
    EXPECT_EQ(shown.FindHit(QPoint(201, 21), left), r.a);
    EXPECT_FALSE(left);
    EXPECT_EQ(shown.FindHit(QPoint(100, 100), left), nullptr);
    r.a->SetVisible(false);
    r.a->SetVisible(true);
    EXPECT_EQ(shown.FindHit(QPoint(21, 20), left), r.a) << "shown again, now on top";
    shown.MakeFirst(r.b->Incoming()); // b, a.Out, b.In, a: the first and third change places
    EXPECT_EQ(shown.IndexOf(r.b->Incoming()), 0);
    EXPECT_EQ(shown.IndexOf(r.b), 2);
    const TAnfasser* gone = r.b->Incoming();
    PolygonListe()->DeleteNode(r.b);
    EXPECT_EQ(shown.IndexOf(gone), -1);
    r.a->SetSelected(true);
    r.a->SetVisible(false);
    EXPECT_FALSE(r.a->Selected()) << "hiding deselects";
    EXPECT_EQ(shown.IndexOf(r.a), -1);
}

TEST(HandleRegistry, PointsOutlivingTheProgramObjectsDieQuietly)
{
    auto loose = std::make_unique<TBezEndPkt>(1, 1);
    {
        TPair r;
        loose->SetVisible(true);
        loose->SetSelected(true);
        r.a->SetSelected(true);
        r.a->Outgoing()->SetSelected(true);
    }
    EXPECT_EQ(PolygonListe(), nullptr);
    loose.reset();
}

TEST(HandleDrawing, SquaresForNodesCirclesForControlPointsNothingWhenHidden)
{
    TPair r;
    r.a->SetScreenPos(0, QPoint(20, 20));
    r.a->Outgoing()->SetScreenPos(0, QPoint(20, 50));
    r.b->SetScreenPos(0, QPoint(90, 90));
    r.b->SetVisible(false);
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        r.a->DrawBoth(p, cmNormal);
        r.b->DrawBoth(p, cmNormal);
    }
    const auto pixel = [&](int x, int y) { return image.pixel(x, y) | 0xFF000000u; };
    EXPECT_EQ(pixel(20, 20), qRgb(0, 0x80, 0)) << "node: NormalFill";
    EXPECT_EQ(pixel(16, 16), qRgb(0, 0, 0)) << "square corner: OutlinePen";
    EXPECT_EQ(pixel(20, 50), qRgb(0, 0xFF, 0x40)) << "handle of a corner node";
    EXPECT_EQ(pixel(16, 46), qRgb(255, 255, 255)) << "circles leave corners free";
    EXPECT_EQ(pixel(90, 90), qRgb(255, 255, 255)) << "hidden points draw nothing";
}
