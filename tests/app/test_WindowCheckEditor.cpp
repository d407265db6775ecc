// The window check in the editor: the toggle, its band over both halves and
// its status text, the placing command with its one history step, and the
// map computed on the worker thread while the editor goes on.
//
// The pair is the mouse tests' 400 x 300 one at 100 %; its map is handed in
// (TDM::ComputeDisparity): background 10 px behind the picture plane, a near
// block (x 0..119, y 100..199) 5 px in front of it. The window is the
// rectangle (40, 40)-(360, 260), so its left edge cuts the block.
#include "MouseToolsFixture.h"
#include "WindowCheckScenes.h"

#include "stereo/WindowCheck.h"
#include "stereo/WindowPlacing.h"

#include <QLabel>
#include <QStatusBar>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

using namespace std::chrono_literals;

const QString kBeingChecked = QStringLiteral("Scheinfenster: wird geprüft \u2026");
const QRect kBlock(QPoint(0, 100), QPoint(119, 199));

TDisparityMap SceneMap(QSize size)
{
    TDisparityMap map(size.width(), size.height(), size);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            map.Set(x, y, kBlock.contains(x, y) ? -5.0f : 10.0f);
    return map;
}

// The computation held at a gate until the test opens it; it gives up when
// the runner cancels it, so a failing test cannot hang the runner's end.
struct TGate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    int calls = 0;
    bool unknownMap = false;

    TDisparityMap Compute(const QImage& left, const std::function<bool()>& cancelled)
    {
        std::unique_lock lock(m);
        ++calls;
        while (!open && !cancelled())
            cv.wait_for(lock, 2ms);
        return unknownMap ? TDisparityMap(left.width(), left.height(), left.size()) : SceneMap(left.size());
    }
    void Open()
    {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
    int Calls()
    {
        std::lock_guard lock(m);
        return calls;
    }
    // A map in which nothing could be matched.
    void Unknown()
    {
        std::lock_guard lock(m);
        unknownMap = true;
    }
};

class WindowCheckTest : public MouseToolsTest {
protected:
    std::shared_ptr<TGate> gate = std::make_shared<TGate>();

    void SetUp() override
    {
        // Installed before the fixture loads its pair: the runner takes it
        // with the first pair.
        p.dm.ComputeDisparity = [g = gate](const QImage& left, const QImage&, const std::function<bool()>& c) {
            return g->Compute(left, c);
        };
        MouseToolsTest::SetUp();
    }

    void MakeWindow(int z = 0)
    {
        MakeMask({{40, 40}, {360, 40}, {360, 260}, {40, 260}});
        for (int i = 0; i < 4; ++i)
            Node(i)->MoveZ(z);
        Relayout();
    }
    // Opens the gate and lets the map arrive, as the event loop delivers it.
    void MapArrives()
    {
        gate->Open();
        for (int i = 0; i < 20000 && (p.dm.WindowCheckBusy() || !p.dm.WindowCheckMap()); ++i)
            QThread::usleep(500);
        QCoreApplication::processEvents();
    }
    void CheckOn()
    {
        if (!p.dm.ActionFensterpruefung->isChecked())
            p.dm.ActionFensterpruefung->trigger();
    }
    QString Panel3() { return p.form.StatusPanels[3]->text(); }
    const TWindowCheck& Check() { return p.dm.WindowCheckResult(); }
    // Window point of a picture point in a view rectangle.
    QPointF At(QPointF picture, const TRect& r)
    {
        const TScreenPos s = p.dm.PictureToScreen(int(picture.x()), int(picture.y()), r);
        return QPointF(s.sx, s.sy);
    }
    // The band's extents over the left and the right picture, with the view's
    // rectangles for them (the same one in an anaglyph).
    std::pair<QRectF, QRectF> Stretches(const TRect& l, const TRect& r)
    {
        const TDM::TWindowCheckStretches s = p.dm.WindowCheckStretches(l, r);
        EXPECT_EQ(s.Left.size(), 1);
        EXPECT_EQ(s.Right.size(), 1);
        if (s.Left.size() != 1 || s.Right.size() != 1)
            return {};
        return {s.Left[0].boundingRect(), s.Right[0].boundingRect()};
    }
    QImage Shot() { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// Whether the warning colour shows within 3 pixels of p.
bool WarningNear(const QImage& image, QPointF p)
{
    for (int y = int(p.y()) - 3; y <= int(p.y()) + 3; ++y)
        for (int x = int(p.x()) - 3; x <= int(p.x()) + 3; ++x)
            if (image.rect().contains(x, y) && reinterpret_cast<const QRgb*>(image.constScanLine(y))[x] == qRgb(255, 140, 0))
                return true;
    return false;
}

} // namespace

TEST_F(WindowCheckTest, ToggleShowsTheVerdictInStatusPanelThree)
{
    EXPECT_EQ(p.dm.ActionFensterpruefung->shortcut(), QKeySequence(QStringLiteral("Alt+W")));
    EXPECT_EQ(p.dm.ActionFensterpruefung->text(), QStringLiteral("Fensterprüfung"));
    EXPECT_EQ(p.dm.ActionFensterVor->text(), QStringLiteral("Scheinfenster vor die Szene setzen"));
    MakeWindow();
    MapArrives();
    EXPECT_TRUE(Panel3().isEmpty());
    EXPECT_EQ(p.form.StatusPanels[3]->width(), 50);
    EXPECT_FALSE(p.dm.ActionFensterpruefung->isChecked());

    p.dm.ActionFensterpruefung->trigger();
    // The block stands 5 px in front of the window at 0, on its left edge.
    EXPECT_EQ(Panel3(), QStringLiteral("Scheinfenster: 1 Verletzung, max. 5 px"));
    // The panel grows to show the whole text.
    EXPECT_GE(p.form.StatusPanels[3]->width(), p.form.StatusPanels[3]->sizeHint().width());
    ASSERT_EQ(Check().Violations.size(), 1u);
    const TWindowViolation& v = Check().Violations[0];
    EXPECT_EQ(v.Edge, weLinks);
    EXPECT_NEAR(v.From.x(), 40, 0.01);
    EXPECT_NEAR(std::min(v.From.y(), v.To.y()), 100, 2.5);
    EXPECT_NEAR(std::max(v.From.y(), v.To.y()), 199, 2.5);
    EXPECT_DOUBLE_EQ(v.Excess, 5.0);

    p.dm.ActionFensterpruefung->trigger();
    EXPECT_TRUE(Panel3().isEmpty());
    EXPECT_EQ(p.form.StatusPanels[3]->width(), 50);
    EXPECT_TRUE(p.dm.WindowCheckStretches(p.form.LeftHalfRect, p.form.RightHalfRect).Left.isEmpty());
}

TEST_F(WindowCheckTest, BandIsPaintedOverEachPictureWhereViolatedInEveryLayout)
{
    // At depth 4 the edge stands at x 40 in the left picture and 44 in the
    // right one; the block stands 9 px in front of it.
    MakeWindow(4);
    MapArrives();
    const TRect& l = p.form.LeftHalfRect;
    const TRect& r = p.form.RightHalfRect;
    // Cross view (the start): the left picture's edge in the right half, the
    // right picture's in the left half.
    ASSERT_TRUE(p.dm.ActionKreuz->isChecked());
    EXPECT_FALSE(WarningNear(Shot(), At({40, 150}, r)));
    CheckOn();
    EXPECT_EQ(Panel3(), QStringLiteral("Scheinfenster: 1 Verletzung, max. 9 px"));
    auto [left, right] = Stretches(l, r);
    EXPECT_NEAR(left.left(), At({40, 150}, r).x(), 0.01);
    EXPECT_NEAR(left.right(), At({40, 150}, r).x(), 0.01);
    EXPECT_NEAR(right.left(), At({44, 150}, l).x(), 0.01);
    // The band covers the block's rows, half a sample beyond the ends.
    EXPECT_NEAR(left.top(), At({40, 100}, r).y(), 3);
    EXPECT_NEAR(left.bottom(), At({40, 200}, r).y(), 3);
    EXPECT_EQ(left.top(), right.top());
    QImage image = Shot();
    EXPECT_TRUE(WarningNear(image, At({40, 150}, r)));
    EXPECT_TRUE(WarningNear(image, At({44, 150}, l)));
    EXPECT_FALSE(WarningNear(image, At({360, 150}, r))); // the free right edge
    EXPECT_FALSE(WarningNear(image, At({40, 60}, r))); // above the block
    // With the mask tools put away the band still shows.
    p.dm.ActionMaskEdit->trigger();
    EXPECT_TRUE(WarningNear(Shot(), At({40, 150}, r)));

    p.dm.ActionParallel->trigger();
    std::tie(left, right) = Stretches(l, r);
    EXPECT_NEAR(left.left(), At({40, 150}, l).x(), 0.01);
    EXPECT_NEAR(right.left(), At({44, 150}, r).x(), 0.01);
    EXPECT_LT(left.left(), l.Right);
    EXPECT_GE(right.left(), r.Left);

    p.dm.ActionAnaglyphe_Farb->trigger();
    ASSERT_FALSE(p.dm.ViewAnaglyph.Empty());
    const TRect& a = p.form.AnaglyphRect;
    std::tie(left, right) = Stretches(a, a);
    EXPECT_NEAR(left.left(), At({40, 150}, a).x(), 0.01);
    EXPECT_NEAR(right.left(), At({44, 150}, a).x(), 0.01);
}

TEST_F(WindowCheckTest, EachDragStepIsCheckedBeforeTheRelease)
{
    MakeWindow();
    MapArrives();
    CheckOn();
    Drag(InLeft(QPoint(20, 20)), InLeft(QPoint(380, 280))); // the band selects all four
    ASSERT_EQ(Nodes().Count(), 4);
    ChooseTool(p.dm.ActionPointMoveZ);
    const QPoint grab = Node(0)->ScreenPoint(0);
    Press(grab);
    Move(grab + QPoint(-4, 0));
    // Window at -4: the block still 1 px in front, within the tolerance.
    EXPECT_EQ(Node(0)->Z(), -4);
    EXPECT_EQ(Panel3(), QStringLiteral("Scheinfenster: frei"));
    Move(grab + QPoint(3, 0));
    EXPECT_EQ(Panel3(), QStringLiteral("Scheinfenster: 1 Verletzung, max. 8 px"));
    Release(grab + QPoint(3, 0));
    EXPECT_EQ(LastStep(), QStringLiteral("Move Z"));
}

TEST_F(WindowCheckTest, PlacingLeavesNoViolationInOneStepAndUndoRestoresTheDepths)
{
    MakeWindow();
    MapArrives();
    CheckOn();
    ASSERT_TRUE(p.dm.ActionFensterVor->isEnabled());
    const int steps = History().Count();
    const int wide = p.form.StatusPanels[3]->width();
    p.dm.ActionFensterVor->trigger();
    // The panel fits the shorter text again.
    EXPECT_LT(p.form.StatusPanels[3]->width(), wide);
    // The nearest scene on the edge stands at -5: the window goes 1 px in
    // front of it.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Node(i)->Z(), -6) << i;
    EXPECT_EQ(History().Count(), steps + 1);
    EXPECT_EQ(LastStep(), QString::fromLatin1(kStepFensterVor));
    EXPECT_EQ(Check().Verdict, wvFrei);
    EXPECT_TRUE(Check().Violations.empty());
    EXPECT_EQ(Panel3(), QStringLiteral("Scheinfenster: frei"));

    // Placed already: a second run changes nothing and records nothing, and
    // says so.
    const int shown = messages.count;
    p.dm.ActionFensterVor->trigger();
    EXPECT_EQ(History().Count(), steps + 1);
    EXPECT_EQ(Node(0)->Z(), -6);
    ASSERT_EQ(messages.count, shown + 1);
    EXPECT_EQ(messages.shown.back().second, int(dkInformation));
    EXPECT_TRUE(messages.shown.back().first.contains(QStringLiteral("bleibt, wo es ist")));

    p.dm.ActionUndo->trigger();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Node(i)->Z(), 0) << i;
    EXPECT_EQ(Panel3(), QStringLiteral("Scheinfenster: 1 Verletzung, max. 5 px"));
    p.dm.ActionRedo->trigger();
    EXPECT_EQ(Node(2)->Z(), -6);
    EXPECT_EQ(Panel3(), QStringLiteral("Scheinfenster: frei"));
}

TEST_F(WindowCheckTest, PlacingMovesAWindowFarInFrontBackAndWithoutASenderRecordsNothing)
{
    MakeWindow(-20);
    MapArrives();
    const int steps = History().Count();
    p.dm.ActionFensterVorExecute(nullptr);
    EXPECT_EQ(Node(0)->Z(), -6);
    EXPECT_EQ(History().Count(), steps);
}

TEST_F(WindowCheckTest, PlacingNeedsAMapAndAnOutline)
{
    // No outline yet, the map on its way.
    EXPECT_TRUE(p.dm.WindowCheckBusy());
    EXPECT_FALSE(p.dm.ActionFensterVor->isEnabled());
    MakeWindow();
    EXPECT_FALSE(p.dm.ActionFensterVor->isEnabled());
    // A call while disabled does nothing.
    const int steps = History().Count();
    p.dm.ActionFensterVorExecute(p.dm.ActionFensterVor);
    EXPECT_EQ(History().Count(), steps);
    EXPECT_EQ(Node(0)->Z(), 0);
    MapArrives();
    EXPECT_TRUE(p.dm.ActionFensterVor->isEnabled());
    // Two nodes joined by a line enclose nothing.
    p.dm.ActionMaskEdit->trigger();
    Outline().DeleteNode(Node(3));
    Outline().DeleteNode(Node(2));
    Relayout();
    EXPECT_FALSE(p.dm.ActionFensterVor->isEnabled());
}

TEST_F(WindowCheckTest, PlacingOverAnEdgeWithoutAnyJudgedSceneIsReportedAndNothingRecorded)
{
    gate->Unknown();
    MakeWindow();
    MapArrives();
    ASSERT_TRUE(p.dm.ActionFensterVor->isEnabled());
    const int steps = History().Count();
    p.dm.ActionFensterVor->trigger();
    ASSERT_EQ(messages.count, 1);
    EXPECT_TRUE(messages.shown[0].first.contains(QStringLiteral("nicht vor die Szene gesetzt")));
    EXPECT_EQ(History().Count(), steps);
    EXPECT_EQ(Node(0)->Z(), 0);
    CheckOn();
    EXPECT_EQ(Panel3(), QStringLiteral("Scheinfenster: nicht beurteilbar"));
}

TEST_F(WindowCheckTest, AnEditRightAfterTheLoadIsHandledBeforeTheMapAndTheCheckFollowsIt)
{
    // The fixture's load has asked for the map; the computation runs on its
    // thread and is held there.
    ASSERT_TRUE(p.dm.WindowCheckBusy());
    for (int i = 0; i < 20000 && gate->Calls() == 0; ++i)
        QThread::usleep(500);
    ASSERT_EQ(gate->Calls(), 1);
    CheckOn();
    EXPECT_EQ(Panel3(), kBeingChecked);
    MakeWindow();
    Drag(InLeft(QPoint(20, 20)), InLeft(QPoint(380, 280)));
    ChooseTool(p.dm.ActionPointMoveZ);
    const QPoint grab = Node(0)->ScreenPoint(0);
    Drag(grab, grab + QPoint(2, 0));
    // The edit is done and recorded while the map is still being computed.
    EXPECT_EQ(Node(3)->Z(), 2);
    EXPECT_EQ(LastStep(), QStringLiteral("Move Z"));
    EXPECT_TRUE(p.dm.WindowCheckBusy());
    EXPECT_EQ(Panel3(), kBeingChecked);
    EXPECT_TRUE(p.dm.WindowCheckStretches(p.form.LeftHalfRect, p.form.RightHalfRect).Left.isEmpty());

    // The map arrives: the check of the edited outline follows by itself.
    MapArrives();
    EXPECT_EQ(Panel3(), QStringLiteral("Scheinfenster: 1 Verletzung, max. 7 px"));
    EXPECT_EQ(p.dm.WindowCheckStretches(p.form.LeftHalfRect, p.form.RightHalfRect).Left.size(), 1);
}

TEST_F(WindowCheckTest, TheSamePairLoadedAgainKeepsItsMapAndAnotherPairGetsItsOwn)
{
    MapArrives();
    ASSERT_EQ(gate->Calls(), 1);
    const QString left = p.dm.OpenPictureDialog_L_FileName;
    const QString right = p.dm.OpenPictureDialog_R_FileName;
    // What saving a masked picture does: let go of the pair, load it again.
    p.dm.PicturesCreated = false;
    p.dm.LoadStereoPair(left, right, 0);
    EXPECT_FALSE(p.dm.WindowCheckBusy());
    EXPECT_TRUE(p.dm.WindowCheckMap());
    EXPECT_EQ(gate->Calls(), 1);

    p.dm.LoadStereoPair(WritePicture(p.dir, QStringLiteral("L2.bmp"), 300, 200, Qt::gray), right, 0);
    for (int i = 0; i < 20000 && gate->Calls() < 2; ++i)
        QThread::usleep(500);
    EXPECT_EQ(gate->Calls(), 2);
    QCoreApplication::processEvents();
    ASSERT_TRUE(p.dm.WindowCheckMap());
    EXPECT_EQ(p.dm.WindowCheckMap()->PictureSize(), QSize(300, 200));
}

// The matcher itself, as the editor runs it.
TEST(WindowCheckEditor, RealMapOfASmallSceneFindsTheNearBlockAtTheLeftEdge)
{
    TFreshProgram p;
    TMessageRecorder messages;
    p.Show();
    scenes::TScene scene;
    scene.Near = QRect(QPoint(0, 80), QPoint(109, 159));
    const auto pair = scenes::WritePair(p.dir, QStringLiteral("block"), scene);
    p.dm.LoadStereoPair(pair.first, pair.second, 0);
    for (QPoint q : {QPoint(30, 30), QPoint(290, 30), QPoint(290, 210), QPoint(30, 210)})
        PolygonListe()->AddNode(q.x(), q.y(), PolygonListe()->Count());
    PolygonListe()->BuildPoints();
    p.dm.ActionFensterpruefung->trigger();
    for (int i = 0; i < 120000 && (p.dm.WindowCheckBusy() || !p.dm.WindowCheckMap()); ++i)
        QThread::usleep(500);
    QCoreApplication::processEvents();
    const TWindowCheck& check = p.dm.WindowCheckResult();
    ASSERT_EQ(check.Violations.size(), 1u) << p.form.StatusPanels[3]->text().toStdString();
    EXPECT_EQ(check.Violations[0].Edge, weLinks);
    EXPECT_NEAR(check.Violations[0].Excess, 6.0, 0.6);
    EXPECT_EQ(p.form.StatusPanels[3]->text(), QStringLiteral("Scheinfenster: 1 Verletzung, max. 6 px"));
}
