#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_VisibledAnfasser.h"
#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

TEST(HandleHitSearch, LastVisibleHandleLiesOnTop)
{
    TProgramObjects objects;
    TBezEndPkt* a = PolygonListe()->AddNode(0, 0, 0);
    TBezEndPkt* b = PolygonListe()->AddNode(5, 0, 1);
    a->SetScreenPos(0, QPoint(20, 20));
    b->SetScreenPos(0, QPoint(22, 20));
    a->SetScreenPos(1, QPoint(200, 20));
    bool left = false;
    EXPECT_EQ(VisibleAnfasser()->FindHit(QPoint(21, 20), left), b);
    EXPECT_TRUE(left);
    EXPECT_EQ(VisibleAnfasser()->FindHit(QPoint(201, 21), left), a);
    EXPECT_FALSE(left);
    EXPECT_EQ(VisibleAnfasser()->FindHit(QPoint(100, 100), left), nullptr);
    a->SetVisible(false);
    a->SetVisible(true);
    EXPECT_EQ(VisibleAnfasser()->FindHit(QPoint(21, 20), left), a) << "shown again, now on top";
}

TEST(HandleRegistry, OrderOfAppearanceAndMakeFirst)
{
    TProgramObjects objects;
    TBezEndPkt* a = PolygonListe()->AddNode(0, 0, 0);
    TBezEndPkt* b = PolygonListe()->AddNode(5, 0, 1);
    a->SetSegmentType(stCurve, b);
    ASSERT_EQ(VisibleAnfasser()->Count(), 4);
    EXPECT_EQ(VisibleAnfasser()->Items(2), a->Outgoing());
    EXPECT_EQ(VisibleAnfasser()->Items(4), nullptr);
    VisibleAnfasser()->MakeFirst(b->Incoming());
    EXPECT_EQ(VisibleAnfasser()->IndexOf(b->Incoming()), 0);
    EXPECT_EQ(VisibleAnfasser()->IndexOf(a), 3);
    const TAnfasser* gone = b->Incoming();
    PolygonListe()->DeleteNode(b);
    EXPECT_EQ(VisibleAnfasser()->IndexOf(gone), -1);
}
