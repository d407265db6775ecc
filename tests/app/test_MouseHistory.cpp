// What the mouse tools leave behind: one history step per gesture that undo
// and redo restore completely, cursors that never outlive a drag, a drag that
// ends cleanly when the window loses the mouse, presses ignored while busy,
// and the wheel of the depth tool.
#include "MouseToolsFixture.h"

#include "history/Streams.h"
#include "history/UserMessage.h"

#include <QDialog>
#include <QWheelEvent>

#include <vector>

namespace {

QString HandleState(const TBezSteuerPkt* c)
{
    return QStringLiteral("(%1,%2,%3%4%5)")
        .arg(c->GetRel().x())
        .arg(c->GetRel().y())
        .arg(c->GetRelD())
        .arg(c->Visible() ? "v" : "")
        .arg(c->Selected() ? "s" : "");
}

// Everything a step must bring back, as text: nodes with their handles, and
// both selections in their order.
QString ModelState()
{
    const TPolygonListe& outline = *PolygonListe();
    QStringList parts;
    for (int i = 0; i < outline.Count(); ++i) {
        const TBezEndPkt* n = outline.Items(i);
        parts << QStringLiteral("%1,%2,%3 k%4%5 %6 %7")
                     .arg(n->X())
                     .arg(n->Y())
                     .arg(n->Z())
                     .arg(n->Kind())
                     .arg(n->Selected() ? "s" : "")
                     .arg(HandleState(n->Incoming()), HandleState(n->Outgoing()));
    }
    QStringList nodes, handles;
    for (int i = 0; i < SelectListe()->Count(); ++i)
        nodes << QString::number(outline.IndexOf(SelectListe()->Items(i)));
    for (int i = 0; i < SelectStrPktListe()->Count(); ++i) {
        const TBezSteuerPkt* c = SelectStrPktListe()->Items(i);
        handles << QStringLiteral("%1%2").arg(outline.IndexOf(c->Owner())).arg(c == c->Owner()->Incoming() ? "i" : "o");
    }
    parts << "nodes " + nodes.join(',') << "handles " + handles.join(',');
    return parts.join(" | ");
}

quint8 ModeAfterRestore(int stored, quint8 before)
{
    if (stored >= TDM::emEditMask && stored <= TDM::emDragMoveDist)
        return TDM::emEditMask;
    if (stored >= TDM::emInsertPoint && stored <= TDM::emNewMask)
        return TDM::emNewMask;
    if (stored >= TDM::emScroll && stored <= TDM::emScrollDrag)
        return TDM::emScroll;
    return before;
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
    MakeCurve(0); // carried by the next step
    p.dm.ActionMaskEdit->trigger();
    const QPoint empty = InLeft(QPoint(350, 20));
    Click(empty);
    Click(Node(1)->ScreenPoint(0));
    Drag(Node(1)->ScreenPoint(0), Node(1)->ScreenPoint(0) + QPoint(10, 6));
    keys = Qt::ShiftModifier;
    Click(Node(0)->ScreenPoint(0));
    Click(Node(1)->ScreenPoint(0));
    Drag(InLeft(QPoint(90, 90)), InLeft(QPoint(240, 240)));
    keys = {};
    Click(empty);
    Click(Node(0)->ScreenPoint(0));
    Click(Node(0)->Outgoing()->ScreenPoint(0));
    ChooseTool(p.dm.ActionPointMoveZ);
    Drag(Node(0)->Outgoing()->ScreenPoint(0), Node(0)->Outgoing()->ScreenPoint(0) + QPoint(8, 0));
    Click(empty);
    p.dm.ActionScrollen->trigger();

    QStringList names;
    for (int i = 0; i < History().Count(); ++i)
        names << History().Items(i)->Name;
    ASSERT_EQ(names, (QStringList{"ActNewMsk", "Punkt", "Punkt", "Punkt", "ActEditMsk", "UnSelAll", "Sel", "MoveXY", "Sel",
                                  "UnSel", "MultiSel", "UnSelAll", "Sel", "Sel", "Move Z", "UnSelAllStr",
                                  "ActScroll"}));
    ASSERT_EQ(int(states.size()), History().Count());
    EXPECT_EQ(Node(0)->Outgoing()->GetRelD(), 30); // two steps of 4 pixels, 15 units each

    // A highlighted handle is destroyed by the first restore: it must be
    // forgotten, not touched.
    p.dm.ScrollToolToggle();
    Move(Node(2)->ScreenPoint(0));
    ASSERT_EQ(p.dm.HotHandle, Node(2));

    for (int i = History().Count() - 2; i >= 0; --i) {
        const quint8 before = p.dm.EditMode;
        p.dm.ActionUndo->trigger();
        ASSERT_EQ(History().ItemIndex(), i);
        EXPECT_EQ(ModelState(), states[size_t(i)]) << "undo to " << names[i].toStdString();
        EXPECT_EQ(p.dm.EditMode, ModeAfterRestore(History().Items(i)->R01().EditMode, before))
            << "undo to " << names[i].toStdString();
        EXPECT_EQ(p.dm.HotHandle, nullptr);
    }
    for (int i = 1; i < History().Count(); ++i) {
        p.dm.ActionRedo->trigger();
        EXPECT_EQ(ModelState(), states[size_t(i)]) << "redo to " << names[i].toStdString();
    }
    EXPECT_EQ(p.dm.EditMode, TDM::emScroll);
}

TEST_F(MouseToolsTest, UndoRestoresTheToolsAndTheDocumentSettingsOfTheStep)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    p.dm.ActionMaskEdit->trigger();
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
// Cursors

TEST_F(MouseToolsTest, TheScreenWideCursorEndsWithTheDragAlsoWhenTheNumberStays)
{
    MakeMask({{100, 100}, {220, 100}, {160, 220}});
    MakeCurve(0);
    p.dm.ActionMaskEdit->trigger();
    TBezSteuerPkt* handle = Node(0)->Outgoing();
    Click(handle->ScreenPoint(0));
    ChooseTool(p.dm.ActionRotate_X);
    ASSERT_EQ(p.dm.CursorNumber, crRotX);
    const QPoint from = handle->ScreenPoint(0);
    Press(from);
    EXPECT_EQ(p.dm.CursorNumber, crRotX); // the same picture while dragging...
    EXPECT_TRUE(p.dm.CursorScreenWide());
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    Move(from + QPoint(0, 10));
    Release(from + QPoint(0, 10));
    EXPECT_FALSE(p.dm.CursorScreenWide()); // ...but only on the view again
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(LastStep(), QStringLiteral("Rot X"));
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
        p.dm.ActionMaskEdit->trigger();
        node = Node(0);
        steps = History().Count();
        Press(node->ScreenPoint(0));
        Move(node->ScreenPoint(0) + QPoint(10, 0));
        ASSERT_EQ(p.dm.DragState, 2);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
    }
    // One grab and one drag step, nothing stuck, and the late release of
    // the button changes nothing.
    void ExpectEndedDrag(int x = 110)
    {
        EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
        EXPECT_EQ(p.dm.DragState, 0);
        EXPECT_FALSE(p.dm.MouseCaptured());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(History().Count(), steps + 2);
        EXPECT_EQ(LastStep(), QStringLiteral("MoveXY"));
        EXPECT_EQ(node->X(), x);
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
    box.close();
}

TEST_F(LostMouse, WhenTheButtonWasReleasedOutsideTheWindow)
{
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
    Move(node->ScreenPoint(0) + QPoint(50, 0), Qt::NoButton);
    ExpectEndedDrag();
}

TEST_F(LostMouse, WhenTheNextPressComesBeforeAnyMove)
{
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
    Press(InLeft(QPoint(350, 20)));
    EXPECT_EQ(p.dm.EditMode, TDM::emPressEmpty); // the new press does its own work
    Release(InLeft(QPoint(350, 20)));
    EXPECT_EQ(History().Count(), steps + 3);
    EXPECT_EQ(History().Items(steps + 1)->Name, QStringLiteral("MoveXY"));
    EXPECT_EQ(node->X(), 110);
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

// ---------------------------------------------------------------------------
// Presses while busy, the wheel of the depth tool

TEST_F(MouseToolsTest, PressesWhileThePairIsLoadingAreIgnored)
{
    p.dm.ActionNewMask->trigger();
    const int steps = History().Count();
    p.dm.SetBusy(true);
    Click(InLeft(QPoint(100, 100)));
    Click(InLeft(QPoint(100, 100)), Qt::RightButton);
    EXPECT_EQ(Outline().Count(), 0);
    EXPECT_EQ(History().Count(), steps);
    EXPECT_EQ(p.dm.EditMode, TDM::emNewMask); // the stray release switched nothing
    EXPECT_TRUE(p.dm.ActionPointMoveXY->isChecked());
    p.dm.SetBusy(false);
    Click(InLeft(QPoint(100, 100)));
    EXPECT_EQ(Outline().Count(), 1);
}

TEST_F(MouseToolsTest, AReleaseWithoutItsPressSwitchesNothing)
{
    p.dm.ActionNewMask->trigger();
    for (QPoint q : {QPoint(100, 100), QPoint(200, 100), QPoint(150, 200)})
        Click(InLeft(q));
    Nodes().DeselectAll(); // no segment to insert on
    // The second release of a double click in a dialog lands on the view.
    Release(InLeft(QPoint(300, 250)));
    EXPECT_EQ(p.dm.EditMode, TDM::emNewMask);
}

TEST_F(MouseToolsTest, TheWheelOfTheDepthToolStepsOnePixelPerMessage)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    p.dm.ActionMaskEdit->trigger();
    Click(Node(0)->ScreenPoint(0));
    ChooseTool(p.dm.ActionPointMoveZ);
    const int steps = History().Count();
    auto wheel = [&](int delta) {
        const QPoint at = InLeft(QPoint(150, 150));
        QWheelEvent e(at, view->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &e);
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
    // The overlay follows at once: the right picture shows the node 1 to the left.
    EXPECT_EQ(Node(0)->ScreenPoint(0), InLeft(QPoint(99, 100)));

    ChooseTool(p.dm.ActionPointMoveXY);
    wheel(120);
    EXPECT_EQ(Node(0)->Z(), -1);
    EXPECT_TRUE(p.dm.ActionAnsichtZoom->isChecked());
}

TEST_F(MouseToolsTest, TheReferenceNodeChosenByClickSurvivesUndoAndRedo)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    p.dm.ActionMaskEdit->trigger();
    Click(Node(0)->ScreenPoint(0));
    keys = Qt::ShiftModifier;
    Click(Node(2)->ScreenPoint(0));
    keys = {};
    // A click on a selected node keeps the selection and makes it the reference.
    Drag(Node(2)->ScreenPoint(0), Node(2)->ScreenPoint(0) + QPoint(5, 5));
    ASSERT_EQ(Nodes().Reference(), Node(2));
    ASSERT_EQ(LastStep(), QStringLiteral("MoveXY"));
    p.dm.ActionUndo->trigger();
    p.dm.ActionRedo->trigger();
    EXPECT_EQ(Nodes().Reference(), Node(2));
    EXPECT_EQ(Nodes().Count(), 2);
}
