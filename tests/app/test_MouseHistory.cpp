// What the mouse tools leave behind: one history step per gesture that undo
// and redo restore completely, a drag that ends cleanly when the window loses
// the mouse, presses ignored while busy, and the wheel of the depth tool.
#include "MouseToolsFixture.h"

#include "history/Streams.h"
#include "history/UserMessage.h"

#include <QDialog>
#include <QWheelEvent>

#include <vector>


namespace {

// Everything a step must bring back, as text: nodes with their handles, and
// both selections in their order.
QString ModelState()
{
    const TPolygonListe& outline = *PolygonListe();
    auto handle = [](const TBezSteuerPkt* c) {
        return QStringLiteral("(%1,%2,%3%4%5)")
            .arg(c->GetRel().x())
            .arg(c->GetRel().y())
            .arg(c->GetRelD())
            .arg(c->Visible() ? "v" : "", c->Selected() ? "s" : "");
    };
    QStringList parts, nodes, handles;
    for (int i = 0; i < outline.Count(); ++i) {
        const TBezEndPkt* n = outline.Items(i);
        parts << QStringLiteral("%1,%2,%3%4 %5 %6")
                     .arg(n->X())
                     .arg(n->Y())
                     .arg(n->Z())
                     .arg(n->Selected() ? "s" : "", handle(n->Incoming()), handle(n->Outgoing()));
    }
    for (int i = 0; i < SelectListe()->Count(); ++i)
        nodes << QString::number(outline.IndexOf(SelectListe()->Items(i)));
    for (int i = 0; i < SelectStrPktListe()->Count(); ++i) {
        const TBezSteuerPkt* c = SelectStrPktListe()->Items(i);
        handles << QStringLiteral("%1%2").arg(outline.IndexOf(c->Owner())).arg(c == c->Owner()->Incoming() ? "i" : "o");
    }
    return (parts << "nodes " + nodes.join(',') << "handles " + handles.join(',')).join(" | ");
}

} // namespace

TEST_F(MouseToolsTest, UndoAndRedoBringBackEveryKindOfMouseStep)
{
    std::vector<QString> states; // the model when each step was added
    const THistoryListe::TNotify added = History().OnAdd;
    History().OnAdd = [&](THistoryListe* h) {
        states.push_back(ModelState());
        added(h);
    };
    p.dm.ActionNewMask->trigger();
    for (QPoint q : {QPoint(100, 100), QPoint(220, 100), QPoint(160, 220)})
        Click(InLeft(q));
    Node(0)->SetSegmentType(stCurve, Node(1)); // carried by the next step
    Relayout();
    p.dm.ActionMaskEdit->trigger();
    Click(Empty());
    Click(Node(1)->ScreenPoint(0));
    Drag(Node(1)->ScreenPoint(0), Node(1)->ScreenPoint(0) + QPoint(10, 6));
    keys = Qt::ShiftModifier;
    Click(Node(2)->ScreenPoint(0));
    keys = {};
    // Grabbing a selected node makes it the reference: the order is stored.
    Drag(Node(2)->ScreenPoint(0), Node(2)->ScreenPoint(0) + QPoint(5, 5));
    EXPECT_EQ(Nodes().Reference(), Node(2));
    keys = Qt::ShiftModifier;
    Click(Node(1)->ScreenPoint(0));
    Drag(InLeft(QPoint(60, 60)), InLeft(QPoint(300, 300)));
    keys = {};
    Click(Empty());
    Click(Node(0)->ScreenPoint(0));
    TBezSteuerPkt* handle = Node(0)->Outgoing();
    Click(handle->ScreenPoint(0));
    ChooseTool(p.dm.ActionPointMoveZ);
    Drag(handle->ScreenPoint(0), handle->ScreenPoint(0) + QPoint(8, 0));
    EXPECT_EQ(handle->GetRelD(), 30); // two steps of 4 pixels, 15 units each
    Click(Empty());
    p.dm.ActionScrollen->trigger();
    const QStringList names = Steps();
    ASSERT_EQ(names, (QStringList{"ActNewMsk", "Punkt", "Punkt", "Punkt", "ActEditMsk", "UnSelAll", "Sel", "MoveXY",
                                  "Sel", "MoveXY", "UnSel", "MultiSel", "UnSelAll", "Sel", "Sel", "Move Z",
                                  "UnSelAllStr", "ActScroll"}));
    ASSERT_EQ(int(states.size()), History().Count());

    // A highlighted handle is destroyed by the first restore: it must be
    // forgotten, not touched.
    p.dm.ScrollToolToggle();
    Move(Node(2)->ScreenPoint(0));
    ASSERT_EQ(p.dm.HotHandle, Node(2));
    for (int i = History().Count() - 2; i >= 0; --i) {
        const quint8 before = p.dm.EditMode;
        p.dm.ActionUndo->trigger();
        ASSERT_EQ(History().ItemIndex(), i);
        EXPECT_EQ(ModelState(), states[size_t(i)]) << "undo to " << i;
        EXPECT_EQ(p.dm.HotHandle, nullptr);
        // Steps recorded while dragging come back in the edit mode.
        const int m = History().Items(i)->R01().EditMode;
        const int mode = m >= TDM::emEditMask && m <= TDM::emDragMoveDist ? int(TDM::emEditMask)
            : m >= TDM::emInsertPoint && m <= TDM::emNewMask               ? int(TDM::emNewMask)
            : m >= TDM::emScroll                                           ? int(TDM::emScroll)
                                                                           : int(before);
        EXPECT_EQ(int(p.dm.EditMode), mode) << "undo to " << i;
    }
    for (int i = 1; i < History().Count(); ++i) {
        p.dm.ActionRedo->trigger();
        EXPECT_EQ(ModelState(), states[size_t(i)]) << "redo to " << i;
    }
    EXPECT_EQ(p.dm.EditMode, TDM::emScroll);
}

TEST_F(MouseToolsTest, UndoRestoresTheToolsAndTheDocumentSettingsOfTheStep)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    ChooseTool(p.dm.ActionPointMoveX);
    p.dm.Settings->FileMaskPictColor = 0x123456;
    p.dm.Settings->SaveToHistoryCurrent();
    Click(Node(0)->ScreenPoint(0));
    ChooseTool(p.dm.ActionPointMoveXY);
    p.dm.Settings->FileMaskPictColor = 0x654321;
    p.dm.Settings->SaveToHistoryCurrent();
    Click(Node(1)->ScreenPoint(0));
    p.dm.ActionUndo->trigger();
    EXPECT_TRUE(p.dm.ActionPointMoveX->isChecked());
    EXPECT_FALSE(p.dm.ActionPointMoveXY->isChecked());
    EXPECT_EQ(p.dm.Settings->FileMaskPictColor, 0x123456u);
    EXPECT_EQ(p.dm.CursorNumber, crMoveX);
    p.dm.ActionRedo->trigger();
    EXPECT_TRUE(p.dm.ActionPointMoveXY->isChecked());
    EXPECT_EQ(p.dm.Settings->FileMaskPictColor, 0x654321u);
}

// ---------------------------------------------------------------------------
// Losing the mouse in the middle of a drag ends it as a release would

class LostMouse : public MouseToolsTest {
protected:
    TBezEndPkt* node = nullptr;
    int steps = 0;
    void SetUp() override
    {
        MouseToolsTest::SetUp();
        MakeMask({{100, 100}, {200, 100}, {200, 200}});
        node = Node(0);
        steps = History().Count();
        Press(node->ScreenPoint(0));
        Move(node->ScreenPoint(0) + QPoint(10, 0));
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
    }
    // The grab, one drag step, nothing stuck; the late release changes nothing.
    void ExpectEndedDrag(int x = 110)
    {
        EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
        EXPECT_EQ(p.dm.DragState, 0);
        EXPECT_FALSE(p.dm.MouseCaptured());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(Steps().mid(steps), (QStringList{"Sel", "MoveXY"}));
        if (QTestPrivate::qtestMouseButtons.testFlag(Qt::LeftButton))
            Release(node->ScreenPoint(0) + QPoint(30, 0));
        EXPECT_EQ(History().Count(), steps + 2);
        EXPECT_EQ(node->X(), x);
    }
};

TEST_F(LostMouse, WhenTheWindowIsDeactivated)
{
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&p.form, &deactivate);
    ExpectEndedDrag();
}

TEST_F(LostMouse, WhenAModalBoxOpens)
{
    QDialog box(&p.form);
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    ExpectEndedDrag();
}

TEST_F(LostMouse, WhenTheButtonWasReleasedOutsideTheWindow)
{
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
    Move(node->ScreenPoint(0) + QPoint(50, 0), Qt::NoButton);
    ExpectEndedDrag();
}

TEST_F(LostMouse, WhenAHandlerFails)
{
    const std::function<void()> layout = p.dm.OnLayoutChanged;
    p.dm.OnLayoutChanged = [] { throw EPlenoptraError(QStringLiteral("Testfehler")); };
    Move(node->ScreenPoint(0) + QPoint(10, 0)); // the node moves, the relayout fails
    p.dm.OnLayoutChanged = layout;
    ASSERT_EQ(messages.count, 1);
    EXPECT_EQ(messages.shown[0].second, dkFehler);
    EXPECT_TRUE(messages.shown[0].first.contains(QStringLiteral("Testfehler")));
    ExpectEndedDrag(120);
}

TEST_F(LostMouse, WhenTheNextPressComesFirst)
{
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
    Press(Empty());
    EXPECT_EQ(p.dm.EditMode, TDM::emPressEmpty); // the new press does its own work
    Release(Empty());
    EXPECT_EQ(Steps().mid(steps), (QStringList{"Sel", "MoveXY", "UnSelAll"}));
}

// ---------------------------------------------------------------------------
// Presses while busy, stray releases, the wheel of the depth tool

TEST_F(MouseToolsTest, PressesWhileBusyAndReleasesWithoutTheirPressAreIgnored)
{
    p.dm.ActionNewMask->trigger();
    p.dm.SetBusy(true);
    Click(InLeft(QPoint(100, 100)));
    Click(InLeft(QPoint(100, 100)), Qt::RightButton);
    EXPECT_EQ(Outline().Count(), 0);
    EXPECT_TRUE(p.dm.ActionPointMoveXY->isChecked());
    p.dm.SetBusy(false);
    for (QPoint q : {QPoint(100, 100), QPoint(200, 100), QPoint(150, 200)})
        Click(InLeft(q));
    EXPECT_EQ(Steps(), (QStringList{"ActNewMsk", "Punkt", "Punkt", "Punkt"}));
    Nodes().DeselectAll(); // no segment to insert on
    // The second release of a double click in a dialog lands on the view.
    Release(InLeft(QPoint(300, 250)));
    EXPECT_EQ(p.dm.EditMode, TDM::emNewMask);
}

TEST_F(MouseToolsTest, TheWheelOfTheDepthToolStepsOnePixelPerMessage)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    Click(Node(0)->ScreenPoint(0));
    ChooseTool(p.dm.ActionPointMoveZ);
    const int steps = History().Count();
    auto wheel = [&](int delta) {
        // As the window system delivers it: to the main window's platform
        // window, in its coordinates.
        const QPoint at = view->mapTo(&p.form, InLeft(QPoint(150, 150)));
        QWheelEvent e(at, p.form.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(p.form.windowHandle(), &e);
    };
    wheel(120);
    EXPECT_EQ(Node(0)->Z(), -1);
    wheel(360);
    EXPECT_EQ(Node(0)->Z(), -2);
    wheel(-120);
    EXPECT_EQ(Node(0)->Z(), -1);
    EXPECT_EQ(Node(1)->Z(), 0);
    EXPECT_EQ(History().Count(), steps);
    EXPECT_TRUE(p.dm.TimerUpdateBild->isActive());
    EXPECT_EQ(Node(0)->ScreenPoint(0), InLeft(QPoint(99, 100))); // the overlay follows at once
    ChooseTool(p.dm.ActionPointMoveXY);
    wheel(120);
    EXPECT_EQ(Node(0)->Z(), -1);
    EXPECT_TRUE(p.dm.ActionAnsichtZoom->isChecked());
}
