#include "model/Geometry.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {
constexpr double kPi = std::numbers::pi;
}

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(nearest(0.5), 0);
    EXPECT_EQ(nearest(1.5), 2);
    EXPECT_EQ(nearest(2.5), 2);
    EXPECT_EQ(nearest(-0.5), 0);
    EXPECT_EQ(nearest(-1.5), -2);
    EXPECT_EQ(nearest(10.8), 11);
    EXPECT_EQ(nearest(-2.6), -3);
    EXPECT_EQ(nearest(QPointF(3.5, -3.5)), QPoint(4, -4));
}

TEST(Angles, VerticalStepsAndTheLeftHalfPlane)
{
    EXPECT_DOUBLE_EQ(Angle(QPoint(0, 0), QPoint(0, 5)), kPi / 2);
    EXPECT_DOUBLE_EQ(Angle(QPoint(0, 0), QPoint(0, -5)), -kPi / 2);
    // No step at all counts as going up.
    EXPECT_DOUBLE_EQ(Angle(QPoint(3, 3), QPoint(3, 3)), -kPi / 2);
    EXPECT_DOUBLE_EQ(Angle(QPoint(0, 0), QPoint(1, 1)), kPi / 4);
    // Left half: arctan reduced by pi, so straight left is -pi, not +pi.
    EXPECT_DOUBLE_EQ(Angle(QPoint(0, 0), QPoint(-1, 0)), -kPi);
    EXPECT_DOUBLE_EQ(Angle(QPoint(0, 0), QPoint(-1, -1)), -3 * kPi / 4);
}

TEST(Distances, AreEuclideanOnIntegerPoints)
{
    EXPECT_DOUBLE_EQ(Distance(QPoint(1, 1), QPoint(4, 5)), 5.0);
    EXPECT_DOUBLE_EQ(Distance(QPoint(-3, 0), QPoint(-3, 0)), 0.0);
}

TEST(PolarPoints, StepFromTheCentre)
{
    const QPointF p = Polar(QPointF(1, 2), 2, kPi / 2);
    EXPECT_NEAR(p.x(), 1.0, 1e-12);
    EXPECT_NEAR(p.y(), 4.0, 1e-12);
}

TEST(Colours, LowByteIsRed)
{
    const QColor c = ColorToQColor(0x00336699);
    EXPECT_EQ(c.red(), 0x99);
    EXPECT_EQ(c.green(), 0x66);
    EXPECT_EQ(c.blue(), 0x33);
    EXPECT_EQ(QColorToColor(QColor(0x12, 0x34, 0x56)), 0x00563412u);
}
