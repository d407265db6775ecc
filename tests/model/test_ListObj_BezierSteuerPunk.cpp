#include "history/Streams.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

namespace {

void ExpectRel(const TBezSteuerPkt& c, float x, float y, float d)
{
    EXPECT_NEAR(c.RelX(), x, 1e-4);
    EXPECT_NEAR(c.RelY(), y, 1e-4);
    EXPECT_NEAR(c.RelD(), d, 1e-4);
}

// One drag step, the mouse turning a quarter clockwise around (100, 100).
void QuarterTurn(TBezSteuerPkt& c, int mode)
{
    ASSERT_TRUE(c.ComputeTransform(QPoint(110, 100), QPoint(100, 110), 0, mode));
    c.ApplyTransform(c.Rotation(), c.Scale());
}

} // namespace

TEST(ControlPointParallax, DepthUnitsBecomePixelsAfterRounding)
{
    TBezEndPkt node(100, 50);
    node.SetZ(12);
    TBezSteuerPkt& c = *node.Outgoing();
    c.SetRelXYF(10.0f, -3.0f);
    c.SetRelD(40);
    EXPECT_EQ(node.GetX(1), 112);
    EXPECT_EQ(c.GetX(0), 110);
    EXPECT_EQ(c.GetX(1), 133); // 112 + 10 + nearest(10.8)
    EXPECT_EQ(c.GetY(), 47);
    EXPECT_EQ(c.GetZ(), 52);
    c.SetRelXYF(2.5f, 3.5f);
    EXPECT_EQ(c.GetRel(), QPoint(2, 4));
}

TEST(ControlPointTransforms, QuarterTurnsAboutEachAxis)
{
    TBezEndPkt node(100, 100);
    TBezSteuerPkt& c = *node.Outgoing();
    c.SetRelXYF(10.0f, 0.0f);
    QuarterTurn(c, tmRotateZ);
    ExpectRel(c, 0.0f, 10.0f, 0.0f);
    QuarterTurn(c, tmRotateX); // the angle runs the other way for X and Y
    ExpectRel(c, 0.0f, 0.0f, -10.0f);
    c.SetRelXYF(10.0f, 0.0f);
    c.SetRelDF(0.0f);
    QuarterTurn(c, tmRotateY);
    ExpectRel(c, 0.0f, 0.0f, 10.0f);
    EXPECT_FALSE(c.Busy());
}

TEST(ControlPointTransforms, DistanceStretchesOrRefusesToPassTheNode)
{
    TBezEndPkt node(100, 100);
    node.SetZ(20);
    TBezSteuerPkt& c = *node.Outgoing();
    EXPECT_FALSE(c.ComputeTransform(QPoint(130, 100), QPoint(135, 100), 1, tmDistance)) << "length 0";
    c.SetRelXYF(6.0f, 8.0f);
    // On the right picture the node stands at x = 120.
    ASSERT_TRUE(c.ComputeTransform(QPoint(130, 100), QPoint(135, 100), 1, tmDistance));
    c.ApplyTransform(c.Rotation(), c.Scale());
    ExpectRel(c, 9.0f, 12.0f, 0.0f);
    EXPECT_FALSE(c.ComputeTransform(QPoint(135, 100), QPoint(120, 100), 1, tmDistance));
    EXPECT_FALSE(c.ComputeTransform(QPoint(135, 100), QPoint(120, 110), 1, 9));
}
