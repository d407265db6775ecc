// Mask and program data files from elsewhere: every number read from them
// comes back within what the program computes with, everything else of the
// file as stored, and a file the program writes still reads back unchanged.

#include "HistoryTestSupport.h"

#include "history/History.h"
#include "history/HistoryFile.h"
#include "model/ListObj_BezierPunk.h"
#include "model/ListObj_BezierSteuerPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr qint32 kIntMax = std::numeric_limits<qint32>::max();
constexpr qint32 kIntMin = std::numeric_limits<qint32>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

void Aspect0(TStream& s, qint32 x, qint32 y, qint32 z)
{
    WriteInteger(s, x);
    WriteInteger(s, y);
    WriteInteger(s, z);
    WriteRawString(s, "-EOA-");
}

struct TStoredHandle {
    double x, y, d;
    qint32 curve;
};

void HandleState(TStream& s, const TStoredHandle& h)
{
    WriteDouble(s, h.x);
    WriteDouble(s, h.y);
    WriteDouble(s, h.d);
    WriteBool(s, false); // selected
    WriteBool(s, false); // reference
    WriteInteger(s, h.curve);
    WriteBool(s, true); // visible
    WriteRawString(s, "-EOA-");
}

void NodeState(TStream& s, qint32 kind, const TStoredHandle& in, const TStoredHandle& out, qint32 curve)
{
    WriteInteger(s, kind);
    Aspect0(s, 0, 0, 0);
    Aspect0(s, 0, 0, 0);
    HandleState(s, in);
    HandleState(s, out);
    WriteInteger(s, curve);
    WriteBool(s, true);
    WriteRawString(s, "-EOA-");
}

// Restores the step at the undo position as the controller does.
void Restore(TProgramObjects& objects, TDesktopData& settings)
{
    objects.PolygonListe->LoadFromEntry();
    objects.SelectListe->LoadFromEntry();
    settings.LoadFromHistoryEntry(*objects.HistoryListe, kDesktopMaskDocument);
}

} // namespace

TEST(HostileMaskFile, NodeAndControlPointNumbersAreClampedNotANumberIsZeroUnknownKindsAndCurvesAreDefaults)
{
    TProgramObjects objects;
    TMemoryStream geometry;
    WriteInteger(geometry, 2);
    Aspect0(geometry, kIntMax, kIntMin, kIntMax);
    Aspect0(geometry, -5, 1'000'001, -kIntMax);
    WriteRawString(geometry, "-EOP-");
    TMemoryStream state;
    WriteInteger(state, 2);
    NodeState(state, 7, {1e300, -3e9, kNaN, 1}, {kInf, 12.5, -1e300, 5}, 9);
    NodeState(state, nkSymmetrisch, {-7.25, 3, 40, 1}, {0, 0, 0, 0}, stLine);
    WriteRawString(state, "-EOP-");
    geometry.Rewind();
    state.Rewind();
    TPolygonListe& outline = *objects.PolygonListe;
    outline.ReadFromStream(0, geometry);
    outline.ReadFromStream(1, state);
    ASSERT_EQ(outline.Count(), 2);
    const TBezEndPkt& a = *outline.Items(0);
    const TBezEndPkt& b = *outline.Items(1);
    EXPECT_EQ(QList<int>({a.X(), a.Y(), a.Z(), a.GetX(1)}), QList<int>({1'000'000, -1'000'000, 1'000'000, 2'000'000}));
    EXPECT_EQ(QList<int>({b.X(), b.Y(), b.Z(), b.GetX(1)}), QList<int>({-5, 1'000'000, -1'000'000, -1'000'005}));
    EXPECT_EQ(a.Kind(), nkSpitze);
    EXPECT_EQ(a.Curve(), stLine);
    const TBezSteuerPkt& in = *a.Incoming();
    EXPECT_EQ(std::tuple(in.RelX(), in.RelY(), in.RelD(), in.Curve()), std::tuple(2e6f, -2e6f, 0.0f, quint8(stCurve)));
    // The control points carry the clamped copies of their node, and the
    // parallax sums stay defined: 1e6 + 1e6 + 2e6 + nearest(0 * 0.27).
    EXPECT_EQ(in.X(), 1'000'000);
    EXPECT_EQ(in.GetX(1), 4'000'000);
    const TBezSteuerPkt& out = *a.Outgoing();
    EXPECT_EQ(std::tuple(out.RelX(), out.RelY(), out.RelD(), out.Curve()), std::tuple(0.0f, 12.5f, -1e7f, quint8(stLine)));
    EXPECT_FALSE(out.Visible()) << "a line's control point stays hidden";
    // 1e6 + 1e6 + 0 + nearest(-10 000 000 * 0.27)
    EXPECT_EQ(out.GetX(1), 2'000'000 - 2'700'000);
    // Values in range are kept exactly.
    EXPECT_EQ(b.Kind(), nkSymmetrisch);
    EXPECT_EQ(std::pair(b.Incoming()->RelX(), b.Incoming()->RelD()), std::pair(-7.25f, 40.0f));
    EXPECT_EQ(b.Incoming()->Z(), -1'000'000);
    EXPECT_EQ(outline.LeftPoint(2), QPoint(-5 - 7, 1'000'003));
}

TEST(HostileMaskFile, ZoomViewCentreInputLayoutAndUndoPositionAreClampedTheRestKept)
{
    const struct {
        double zoom;
        qint32 centreX, centreY;
        double zoomRead;
        qint32 xRead, yRead;
    } cases[] = {
        {kNaN, kIntMax, kIntMin, 0.1, 1'000'000, -1'000'000},
        {kInf, -1, -1, 100.0, -1, -1},
        {1e300, 1'000'001, -1'000'001, 100.0, 1'000'000, -1'000'000},
        {-kInf, 0, 0, 0.0, 0, 0},
        {-2.0, 5, 6, 0.0, 5, 6},
        // A fitted view of a large picture stores a tiny factor; kept.
        {0.0003, 1'000'000, -1'000'000, 0.0003, 1'000'000, -1'000'000},
        {100.0, 600, 400, 100.0, 600, 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom);
        THistoryDataR01 stored;
        stored.LeftFileName = QStringLiteral("L.jpg");
        stored.EditMode = 4;
        stored.Zoom = c.zoom;
        stored.ViewCenterX = c.centreX;
        stored.ViewCenterY = c.centreY;
        TMemoryStream s;
        stored.WriteToStream(s);
        s.Rewind();
        THistoryDataR01 read;
        ASSERT_TRUE(read.ReadFromStream(s));
        EXPECT_EQ(read.Zoom, c.zoomRead);
        EXPECT_EQ(read.ViewCenterX, c.xRead);
        EXPECT_EQ(read.ViewCenterY, c.yRead);
        EXPECT_EQ(read.LeftFileName, QStringLiteral("L.jpg"));
        EXPECT_EQ(read.EditMode, 4);
    }
    // An input layout outside 0..7 reads as 0.
    THistoryEintrag e(QStringLiteral("x"));
    e.R02().InputLayout = 8;
    TMemoryStream entry;
    e.WriteToStream(entry);
    entry.Rewind();
    ASSERT_TRUE(e.ReadFromStream(entry, 2, QString()));
    EXPECT_EQ(e.R02().InputLayout, 0);
    // An undo position below -1 in the file's header reads as -1.
    for (qint32 stored : {kIntMin, -2}) {
        THistoryFileHeader header;
        header.ItemIndex = stored;
        TMemoryStream s;
        header.WriteToStream(s);
        s.Rewind();
        ASSERT_TRUE(header.ReadFromStream(s, QStringLiteral("x")));
        EXPECT_EQ(header.ItemIndex, -1);
    }
}

TEST(HostileMaskFile, AFileWithValuesAtTheEndsOfEveryRangeReadsBackFieldByField)
{
    QByteArray file, geometry, state;
    {
        TProgramObjects objects;
        TPolygonListe& outline = *objects.PolygonListe;
        TBezEndPkt* a = outline.AddNode(-1'000'000, 1'000'000, 2);
        TBezEndPkt* b = outline.AddNode(1'000'000, -1'000'000, 2);
        a->SetZ(-1'000'000);
        b->SetZ(1'000'000);
        a->SetSegmentType(stCurve, b);
        a->Outgoing()->SetRelXYF(2e6f, -2e6f);
        a->Outgoing()->SetRelDF(-1e7f);
        b->Incoming()->SetRelXYF(-0.5f, 999'999.5f);
        outline.BuildPoints();
        outline.SaveToCurrent();
        THistoryListe& history = *objects.HistoryListe;
        THistoryDataR01& r1 = history.Current().R01();
        std::tie(r1.Zoom, r1.ViewCenterX, r1.ViewCenterY) = std::tuple(100.0, -1'000'000, 1'000'000);
        history.Add(QStringLiteral("MoveXY"));
        r1.Zoom = 0.0;
        history.Add(QStringLiteral("Zoom"));
        TMemoryStream out;
        history.WriteToStream(out, true);
        file = out.Data();
        TMemoryStream g, st;
        outline.WriteToStream(0, g);
        outline.WriteToStream(1, st);
        geometry = g.Data();
        state = st.Data();
    }
    TProgramObjects objects;
    THistoryListe& history = *objects.HistoryListe;
    TMemoryStream in(file);
    history.LoadFromStream(in, true);
    ASSERT_EQ(history.Count(), 2);
    TMemoryStream again;
    history.WriteToStream(again, true);
    EXPECT_EQ(again.Data(), file);
    EXPECT_EQ(history.Items(0)->R01().Zoom, 100.0);
    EXPECT_EQ(history.Items(1)->R01().Zoom, 0.0);
    EXPECT_EQ(history.Items(0)->R01().ViewCenterX, -1'000'000);
    history.SetItemIndex(0);
    TDesktopData settings;
    Restore(objects, settings);
    TMemoryStream g, st;
    objects.PolygonListe->WriteToStream(0, g);
    objects.PolygonListe->WriteToStream(1, st);
    EXPECT_EQ(g.Data(), geometry);
    EXPECT_EQ(st.Data().toHex().toStdString(), state.toHex().toStdString());
}

TEST(HostileMaskFile, TheFoundReproducersRestoreWithTheirNumbersClamped)
{
    const struct {
        const char* file;
        int step;
        int node;
        // Node X and Z, outgoing control point x, view centre X, decoration
        // widths (middle, outside) of the step.
        int x, z;
        float outX;
        int centreX, middle, outside;
    } cases[] = {
        {"mask-cp-double-beyond-float.mask", 0, 0, 100, 0, 2e6f, 0, 10, 5},
        {"mask-cp-float-beyond-int.mask", 0, 1, 100, 0, 2e6f, 0, 10, 5},
        {"mask-cp-minus-inf.mask", 1, 0, 100, 0, -2e6f, 641, 10, 5},
        {"mask-cp-minus-inf.mask", 2, 2, 250, 0, 0.0f, 1'000'000, 10, 5},
        {"mask-node-x-intmax.mask", 0, 0, 1'000'000, 0, 10.0f, 0, 10, 5},
        {"mask-node-z-intmax.mask", 0, 1, 100, 1'000'000, 0.0f, 0, 10, 5},
        {"mask-decor-widths-intmax.mask", 0, 2, 30, 0, 0.0f, 0, 10'000, 10'000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " step " << c.step);
        TProgramObjects objects;
        THistoryListe& history = *objects.HistoryListe;
        history.LoadFromFile(QStringLiteral(PLENOPTRA_FUZZ_DATA "/reproducers/mask/") + QLatin1String(c.file), false);
        ASSERT_GT(history.Count(), c.step);
        history.SetItemIndex(c.step == history.ItemIndex() ? THistoryListe::kReapplyIndex : c.step);
        TDesktopData settings;
        Restore(objects, settings);
        const TBezEndPkt* node = objects.PolygonListe->Items(c.node);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->X(), c.x);
        EXPECT_EQ(node->Z(), c.z);
        EXPECT_EQ(node->Outgoing()->RelX(), c.outX);
        EXPECT_EQ(history.CurrentEntry()->R01().ViewCenterX, c.centreX);
        EXPECT_EQ(settings.DecorWidthMiddle, c.middle);
        EXPECT_EQ(settings.DecorWidthOutside, c.outside);
        // The outer frame's stroke is 2 x (20 + 5 + 10 000 + 10 000) at most.
        QImage canvas(16, 16, QImage::Format_RGB32);
        QPainter painter(&canvas);
        objects.PolygonListe->DrawMaskArea(painter, 1, canvas.rect(), 0, 0xFFFFFF, true, settings);
    }
}

TEST(HostileMaskFile, AHugeRingWithEveryNodeSelectedRestoresAndSavesItsSelectionInOrder)
{
    // 20 000 nodes, all selected: the reading and the selection's own
    // bookkeeping must stay linear, or a 500 KB file stops the program.
    constexpr int kNodes = 20'000;
    TProgramObjects objects;
    THistoryListe& history = *objects.HistoryListe;
    TMemoryStream geometry, selection;
    WriteInteger(geometry, kNodes);
    WriteInteger(selection, kNodes);
    for (int i = 0; i < kNodes; ++i) {
        Aspect0(geometry, i, (i * 7) % 1000, 0);
        WriteInteger(selection, kNodes - 1 - i);
    }
    WriteRawString(geometry, "-EOP-");
    WriteRawString(selection, "-EOSel-");
    history.Current().R01().GeometryStream.SetData(geometry.Data());
    history.Current().R01().SelectionStream.SetData(selection.Data());
    history.Add(QStringLiteral("Punkt"));
    history.Current().R01().SelectionStream.Clear();
    TDesktopData settings;
    Restore(objects, settings);
    ASSERT_EQ(objects.PolygonListe->Count(), kNodes);
    ASSERT_EQ(objects.SelectListe->Count(), kNodes);
    EXPECT_EQ(objects.SelectListe->Reference(), objects.PolygonListe->Items(kNodes - 1));
    EXPECT_EQ(objects.PolygonListe->HighPoint(), 3 * kNodes);
    EXPECT_EQ(history.Current().R01().SelectionStream.Data(), selection.Data());
    // Clearing the ring leaves an empty selection saved.
    objects.PolygonListe->Clear();
    EXPECT_EQ(objects.SelectListe->Count(), 0);
    TMemoryStream none;
    WriteInteger(none, 0);
    WriteRawString(none, "-EOSel-");
    EXPECT_EQ(history.Current().R01().SelectionStream.Data(), none.Data());
}
