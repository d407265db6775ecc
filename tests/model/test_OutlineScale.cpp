// Carrying an outline over to a picture of another size.
#include "model/OutlineScale.h"

#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

TEST(OutlineScale, NodesRoundToNearestAndControlPointsKeepTheirProportion)
{
    TProgramObjects objects;
    TPolygonListe& outline = *objects.PolygonListe;
    TBezEndPkt* a = outline.AddNode(101, 40, 0);
    TBezEndPkt* b = outline.AddNode(300, 41, 1);
    TBezEndPkt* c = outline.AddNode(200, 200, 2);
    a->SetZ(7);
    b->SetZ(-12);
    a->SetSegmentType(stCurve, b);
    b->SetKind(nkGlatt);
    a->Outgoing()->SetRelXYF(10.5f, -4.0f);
    a->Outgoing()->SetRelDF(7.0f);
    b->Incoming()->SetRelXYF(-30.0f, 9.0f);
    b->Incoming()->SetRelDF(-3.0f);

    // Half the width, a third of the height.
    ScaleOutline(outline, 0.5, 1.0 / 3.0);

    // 50.5 and 3.5 go to the even neighbour; 13.67 to 14.
    EXPECT_EQ(a->X(), 50);
    EXPECT_EQ(a->Y(), 13);
    EXPECT_EQ(a->Z(), 4);
    EXPECT_EQ(b->X(), 150);
    EXPECT_EQ(b->Y(), 14);
    EXPECT_EQ(b->Z(), -6);
    EXPECT_EQ(c->X(), 100);
    EXPECT_EQ(c->Y(), 67);
    EXPECT_FLOAT_EQ(a->Outgoing()->RelX(), 5.25f);
    EXPECT_FLOAT_EQ(a->Outgoing()->RelY(), -4.0f / 3.0f);
    EXPECT_FLOAT_EQ(a->Outgoing()->RelD(), 3.5f);
    EXPECT_FLOAT_EQ(b->Incoming()->RelX(), -15.0f);
    EXPECT_FLOAT_EQ(b->Incoming()->RelY(), 3.0f);
    EXPECT_FLOAT_EQ(b->Incoming()->RelD(), -1.5f);
    // Kinds and segments stay; the control points travelled with their node.
    EXPECT_EQ(b->Kind(), nkGlatt);
    EXPECT_EQ(a->Curve(), stCurve);
    EXPECT_EQ(a->Outgoing()->X(), 50);
    EXPECT_EQ(a->Outgoing()->Z(), 4);
    // The point arrays are those of the scaled ring: node a, then its
    // outgoing control point at a + (5, -1) on the left and, with the
    // control point's depth of 4 units (1 pixel), at a + Z + 5 + 1 on the right.
    EXPECT_EQ(outline.LeftPoint(0), QPoint(50, 13));
    EXPECT_EQ(outline.LeftPoint(1), QPoint(55, 12));
    EXPECT_EQ(outline.RightPoint(1), QPoint(50 + 4 + 5 + 1, 12));
}

TEST(OutlineScale, TheSameSizeChangesNothing)
{
    TProgramObjects objects;
    TPolygonListe& outline = *objects.PolygonListe;
    TBezEndPkt* a = outline.AddNode(101, 41, 0);
    outline.AddNode(300, 41, 1);
    outline.AddNode(200, 200, 2);
    a->SetZ(7);
    a->Outgoing()->SetRelXYF(10.5f, -4.25f);
    ScaleOutline(outline, 1.0, 1.0);
    EXPECT_EQ(QPoint(a->X(), a->Y()), QPoint(101, 41));
    EXPECT_EQ(a->Z(), 7);
    EXPECT_FLOAT_EQ(a->Outgoing()->RelY(), -4.25f);
}
