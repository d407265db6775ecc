#include "history/History.h"
#include "history/Streams.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace {

TBezEndPkt* Append(int x, int y)
{
    return PolygonListe()->AddNode(x, y, PolygonListe()->Count());
}

// A ring of three with a curve, a Glatt node, depth and one selected handle.
void BuildSampleRing()
{
    TBezEndPkt* a = Append(10, 20);
    TBezEndPkt* b = Append(100, 20);
    TBezEndPkt* c = Append(50, 90);
    a->SetZ(5);
    a->SetSegmentType(stCurve, b);
    b->SetSegmentType(stCurve, c);
    b->SetKind(nkGlatt);
    b->Outgoing()->SetSelected(true);
}

QByteArray Aspect(int aspect)
{
    TMemoryStream s;
    PolygonListe()->WriteToStream(aspect, s);
    return s.Data();
}

void ExpectReadFails(int aspect, const QByteArray& bytes)
{
    TMemoryStream s(bytes);
    try {
        PolygonListe()->ReadFromStream(aspect, s);
        FAIL() << "the read must raise";
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("End of Data TPolygonListe nicht gefunden!"));
    }
}

} // namespace

TEST(OutlinePoints, ThreeNodesGiveTenPointsThatCloseTheRing)
{
    TProgramObjects objects;
    TBezEndPkt* a = Append(0, 0);
    Append(30, 0);
    Append(0, 30);
    a->SetZ(4);
    a->Outgoing()->SetRelXY(QPoint(5, 1));
    TPolygonListe& ring = *PolygonListe();
    ring.BuildPoints();
    ASSERT_EQ(ring.HighPoint(), 9);
    EXPECT_EQ(ring.LeftPoint(9), ring.LeftPoint(0));
    EXPECT_EQ(ring.LeftPoint(1), QPoint(5, 1));
    EXPECT_EQ(ring.LeftPoint(3), QPoint(30, 0));
    EXPECT_EQ(ring.RightPoint(0).x() - ring.LeftPoint(0).x(), 4);
    EXPECT_EQ(ring.RightPoint(1), QPoint(9, 1));
    EXPECT_TRUE(ring.IsDrawable());
}

TEST(OutlineEditing, AddNodeAtFrontWithSelectionStraightensBothSegments)
{
    TProgramObjects objects;
    for (int i = 0; i < 4; ++i)
        Append(10 * i, i % 2 * 10);
    TPolygonListe& ring = *PolygonListe();
    TBezEndPkt* last = ring.Items(3);
    last->SetSegmentType(stCurve, ring.Items(0));
    last->SetKind(nkSymmetrisch);
    ring.Items(1)->SetSelected(true);
    TBezEndPkt* added = ring.AddNode(-5, -5, 0);
    EXPECT_EQ(ring.Items(0), added);
    EXPECT_EQ(ring.Count(), 5);
    EXPECT_EQ(last->Curve(), stLine) << "prev of index 0 is the last node";
    EXPECT_EQ(last->Kind(), nkSpitze);
    EXPECT_EQ(last->Outgoing()->GetRel(), QPoint(0, 0));
    EXPECT_EQ(added->Curve(), stLine);
    EXPECT_EQ(ring.LastAdded(), added);
}

TEST(OutlineEditing, AddNodeBeyondTheEndAppendsAndNeighboursWrap)
{
    TProgramObjects objects;
    TBezEndPkt* a = Append(0, 0);
    Append(30, 0);
    TBezEndPkt* d = PolygonListe()->AddNode(7, 7, 10);
    EXPECT_EQ(PolygonListe()->IndexOf(d), 2);
    EXPECT_EQ(PolygonListe()->IndexOf(a->Outgoing()), -2);
    int prev = -9, next = -9;
    PolygonListe()->Neighbours(a, prev, next);
    EXPECT_EQ(QPoint(prev, next), QPoint(2, 1));
    TBezEndPkt stray(0, 0);
    try {
        PolygonListe()->Neighbours(&stray, prev, next);
        FAIL();
    } catch (const EPlenoptraError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("aBezPkt in TPolygonListe nicht gefunden!"));
    }
}

TEST(OutlineEditing, DeletingMiddleOfLineCurveKeepsBulge)
{
    TProgramObjects objects;
    TBezEndPkt* a = Append(0, 0);
    TBezEndPkt* n = Append(30, 10);
    TBezEndPkt* b = Append(60, 0);
    Append(30, 60);
    n->SetZ(27);
    n->SetSegmentType(stCurve, b);
    const QPoint bulgeIn = b->Incoming()->GetRel();
    PolygonListe()->DeleteNode(n);
    ASSERT_EQ(PolygonListe()->Count(), 3);
    EXPECT_EQ(a->Outgoing()->Curve(), stCurve);
    EXPECT_EQ(a->Outgoing()->GetRel(), QPoint(30, 10));
    EXPECT_EQ(a->Outgoing()->GetRelD(), 100);
    EXPECT_TRUE(a->Outgoing()->Visible());
    EXPECT_EQ(a->Curve(), stCurve) << "the node flag agrees with its handle";
    EXPECT_EQ(b->Incoming()->GetRel(), bulgeIn);
    EXPECT_EQ(PolygonListe()->LeftPoint(1), QPoint(30, 10));
    // The segment is a curve now, so making it a line really resets it.
    a->SetSegmentType(stLine, b);
    EXPECT_EQ(a->Outgoing()->GetRel(), QPoint(0, 0));
}

TEST(OutlineStreams, BothAspectsRoundTripByteForByte)
{
    QByteArray geometry, state;
    {
        TProgramObjects objects;
        BuildSampleRing();
        geometry = Aspect(0);
        state = Aspect(1);
    }
    TProgramObjects objects;
    TMemoryStream g(geometry), s(state);
    PolygonListe()->ReadFromStream(0, g);
    PolygonListe()->ReadFromStream(1, s);
    TPolygonListe& ring = *PolygonListe();
    ASSERT_EQ(ring.Count(), 3);
    EXPECT_EQ(ring.Items(0)->Outgoing()->X(), 10) << "control points copy their node";
    EXPECT_EQ(ring.HighPoint(), 9);
    EXPECT_EQ(ring.LastAdded(), ring.Items(2));
    EXPECT_EQ(Aspect(0), geometry);
    EXPECT_EQ(Aspect(1), state);
}

TEST(OutlineStreams, WrongMarkerKeepsNodesReadSoFar)
{
    TProgramObjects objects;
    BuildSampleRing();
    QByteArray bytes = Aspect(0);
    bytes.replace("-EOP-", "-EOX-");
    ExpectReadFails(0, bytes);
    EXPECT_EQ(PolygonListe()->Count(), 3);
    EXPECT_EQ(PolygonListe()->HighPoint(), 9) << "points match the nodes that were read";
}

TEST(OutlineStreams, DamagedCountsAreRejectedBeforeReading)
{
    TProgramObjects objects;
    BuildSampleRing();
    const QByteArray state = Aspect(1);
    PolygonListe()->DeleteNode(PolygonListe()->Items(2));
    ExpectReadFails(1, state); // three states for a ring of two
    EXPECT_EQ(PolygonListe()->Count(), 2);

    for (qint32 count : {-1, 0x7FFFFFFF, 3}) {
        TMemoryStream s;
        WriteInteger(s, count);
        WriteRawString(s, "-EOP-");
        ExpectReadFails(0, s.Data()); // 3: the bytes cannot hold three nodes
        EXPECT_EQ(PolygonListe()->Count(), 0);
    }
}

TEST(OutlineHistory, LoadFromEntryRestoresWhatSaveToCurrentWrote)
{
    TProgramObjects objects;
    BuildSampleRing();
    const QByteArray state = Aspect(1);
    PolygonListe()->SaveToCurrent();
    HistoryListe()->Add(QStringLiteral("Punkt"));
    PolygonListe()->Clear();
    ASSERT_EQ(PolygonListe()->Count(), 0);
    PolygonListe()->LoadFromEntry();
    ASSERT_EQ(PolygonListe()->Count(), 3);
    EXPECT_EQ(Aspect(1), state);
}

TEST(OutlineHistory, StepWithoutStoredGeometryIsAnEmptyMask)
{
    TProgramObjects objects;
    HistoryListe()->Add(QStringLiteral("ActScroll")); // nothing stored yet
    BuildSampleRing();
    PolygonListe()->LoadFromEntry();
    EXPECT_EQ(PolygonListe()->Count(), 0);
    // Damage is still damage: four bytes of count and no marker.
    HistoryListe()->CurrentEntry()->R01().GeometryStream.SetData(QByteArray(4, '\0'));
    EXPECT_THROW(PolygonListe()->LoadFromEntry(), ERangeError);
}

TEST(OutlineHistory, FirstVersionEntriesComeBackAsCornersWithLines)
{
    TProgramObjects objects;
    BuildSampleRing();
    PolygonListe()->SaveToCurrent();
    HistoryListe()->Current().R02().OutlineStateStream.Clear();
    HistoryListe()->Add(QStringLiteral("Punkt"));
    PolygonListe()->LoadFromEntry();
    TPolygonListe& ring = *PolygonListe();
    ASSERT_EQ(ring.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ring.Items(i)->Kind(), nkSpitze);
        EXPECT_EQ(ring.Items(i)->Curve(), stLine);
        EXPECT_EQ(ring.Items(i)->Outgoing()->GetRel(), QPoint(0, 0));
    }
    EXPECT_EQ(ring.HighPoint(), 9);
    EXPECT_EQ(ring.LeftPoint(1), QPoint(10, 20));
}

namespace {

// Triangle with a vertical right edge at x = 100; the row y = 100 leaves it
// there at a right angle to the edge.
void BuildTriangle()
{
    Append(100, 20);
    Append(100, 180);
    Append(20, 100);
}

TDesktopData DecorSettings(int distance, int inside, int middle, int outside)
{
    TDesktopData s;
    s.DecorDistance = distance;
    s.DecorWidthInside = inside;
    s.DecorWidthMiddle = middle;
    s.DecorWidthOutside = outside;
    s.DecorColorInside = 0x000000FF;  // red
    s.DecorColorMiddle = 0x0000FFFF;  // yellow
    s.DecorColorOutside = 0x00FFFFFF; // white
    return s;
}

QRgb PixelAt(const QImage& image, int x, int y)
{
    return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x] | 0xFF000000u;
}

// Colour runs along row y from x0 to the right edge.
std::vector<std::pair<QRgb, int>> Runs(const QImage& image, int y, int x0)
{
    std::vector<std::pair<QRgb, int>> runs;
    for (int x = x0; x < image.width(); ++x) {
        const QRgb c = PixelAt(image, x, y);
        if (runs.empty() || runs.back().first != c)
            runs.push_back({c, 0});
        ++runs.back().second;
    }
    return runs;
}

} // namespace

TEST(MaskedPicture, PictureInsideCoverOutsideAndFramesOfTheSetWidths)
{
    TProgramObjects objects;
    BuildTriangle();
    QImage picture(200, 200, QImage::Format_RGB32);
    picture.fill(qRgb(0, 200, 0));
    QImage target(200, 200, QImage::Format_RGB32);
    target.fill(qRgb(50, 50, 50));
    {
        QPainter p(&target);
        PolygonListe()->DrawMaskedPicture(p, 0, target.rect(), picture, 0x00FF0000, true,
                                          DecorSettings(4, 3, 5, 6));
    }
    const QRgb green = qRgb(0, 200, 0), blue = qRgb(0, 0, 255);
    const auto runs = Runs(target, 100, 60);
    ASSERT_EQ(runs.size(), 6u);
    const std::vector<QRgb> colours = {green, blue, qRgb(255, 0, 0), qRgb(255, 255, 0),
                                       qRgb(255, 255, 255), blue};
    const std::vector<int> widths = {40, 4, 3, 5, 6};
    for (size_t i = 0; i < colours.size(); ++i)
        EXPECT_EQ(runs[i].first, colours[i]) << "run " << i;
    for (size_t i = 0; i < widths.size(); ++i)
        EXPECT_NEAR(runs[i].second, widths[i], 1) << "run " << i;
    EXPECT_EQ(PixelAt(target, 5, 5), blue);
}

TEST(MaskOverlay, FlatFillLineOrInsideAndOutside)
{
    TProgramObjects objects;
    QImage target(200, 200, QImage::Format_RGB32);
    const TDesktopData settings = DecorSettings(0, 0, 0, 0);
    auto draw = [&] {
        target.fill(Qt::black);
        QPainter p(&target);
        PolygonListe()->DrawMaskArea(p, 0, target.rect(), 0x00FF0000, 0x0000FF00, false, settings);
    };
    Append(100, 20);
    draw();
    EXPECT_EQ(PixelAt(target, 5, 5), qRgb(0, 255, 0));
    Append(100, 180);
    draw();
    EXPECT_EQ(PixelAt(target, 100, 100), qRgb(0, 0, 255)) << "the straight line";
    EXPECT_EQ(PixelAt(target, 150, 100), qRgb(0, 255, 0));
    EXPECT_FALSE(PolygonListe()->IsDrawable());
    PolygonListe()->Items(1)->SetSegmentType(stCurve, PolygonListe()->Items(0));
    EXPECT_TRUE(PolygonListe()->IsDrawable()) << "a lens-shaped area";
    PolygonListe()->Items(1)->SetSegmentType(stLine, PolygonListe()->Items(0));
    Append(20, 100);
    draw();
    EXPECT_EQ(PixelAt(target, 60, 100), qRgb(0, 255, 0));
    EXPECT_EQ(PixelAt(target, 150, 100), qRgb(0, 0, 255));
}
