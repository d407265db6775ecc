#include "model/Geometry.h"

#include <gtest/gtest.h>

#include <numbers>

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(nearest(0.5), 0);
    EXPECT_EQ(nearest(1.5), 2);
    EXPECT_EQ(nearest(2.5), 2);
    EXPECT_EQ(nearest(-1.5), -2);
    EXPECT_EQ(nearest(10.8), 11);
    EXPECT_EQ(nearest(QPointF(3.5, -3.5)), QPoint(4, -4));
}

TEST(Angles, VerticalStepsAndTheLeftHalfPlane)
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
}

TEST(Colours, LowByteIsRed)
{
    const QColor c = ColorToQColor(0x00336699);
    EXPECT_EQ(c, QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(QColorToColor(QColor(0x12, 0x34, 0x56)), 0x00563412u);
}
