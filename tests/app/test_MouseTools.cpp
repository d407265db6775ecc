// The mouse tools over the real main window: drawing a mask, dragging with
// each tool, selecting by click, Shift and rubber band, the control points
// shown around the selection, and the tool cycle of the right button.
#include "MouseToolsFixture.h"

#include <QSet>

namespace {

QSet<TBezEndPkt*> SelectedNodes()
{
    QSet<TBezEndPkt*> out;
    for (int i = 0; i < SelectListe()->Count(); ++i)
        out.insert(SelectListe()->Items(i));
    return out;
}

} // namespace

// ---------------------------------------------------------------------------
// Drawing a new mask

TEST_F(MouseToolsTest, FiveClicksDrawAClosedOutlineWhereTheUserClicked)
{
    p.dm.ActionAnsichtFit->trigger(); // scale 1.22: picture points come from ScreenToPicture
    p.dm.ActionNewMask->trigger();
    ASSERT_EQ(p.dm.EditMode, TDM::emNewMask);
    const TRect& l = p.form.LeftHalfRect;
    const TRect& r = p.form.RightHalfRect;
    const QPoint clicks[] = {{100, 200}, {300, 180}, {400, 300}, {250, 420}, {r.Left + 80, 380}};
    QPoint expected[5];
    for (int i = 0; i < 5; ++i) {
        const TRect& half = i < 4 ? l : r;
        expected[i] = p.dm.ScreenToPicture(clicks[i] - QPoint(half.Left, half.Top));
        Click(clicks[i]);
    }
    ASSERT_EQ(Outline().Count(), 5);
    // Each node goes between the one drawn last and the first: walking the
    // ring from the first node meets them in drawing order.
    const int first = Outline().IndexOf(Nodes().Reference());
    ASSERT_EQ(first, 3);
    for (int i = 0; i < 5; ++i) {
        const TBezEndPkt* node = Node((first + i) % 5);
        EXPECT_EQ(QPoint(node->X(), node->Y()), expected[i]) << "click " << i;
        EXPECT_EQ(node->Z(), 0);
    }
    EXPECT_TRUE(Outline().IsDrawable());
    EXPECT_EQ(p.dm.OutlineLeft.size(), 16);
    EXPECT_EQ(p.dm.OutlineLeft.front(), p.dm.OutlineLeft.back());
    EXPECT_EQ(Nodes().Items(1), Outline().LastAdded());
    EXPECT_EQ(p.dm.EditMode, TDM::emNewMask);
    QStringList names;
    for (int i = 0; i < History().Count(); ++i)
        names << History().Items(i)->Name;
    EXPECT_EQ(names, (QStringList{"ActNewMsk", "Punkt", "Punkt", "Punkt", "Punkt", "Punkt"}));
}

TEST_F(MouseToolsTest, PressOnANodeInNewMaskModeGrabsItAndTheReleaseSwitchesToEditing)
{
    p.dm.ActionNewMask->trigger();
    for (QPoint q : {QPoint(100, 100), QPoint(200, 100), QPoint(150, 200)})
        Click(InLeft(q));
    ASSERT_EQ(Outline().Count(), 3);
    // The ring is (third, first, second); the second node is not selected.
    TBezEndPkt* middle = Node(2);
    ASSERT_FALSE(middle->Selected());
    const int steps = History().Count();
    Click(middle->ScreenPoint(0));
    // The newest node is let go; the grabbed one alone is selected, and one
    // node designates no segment to insert on.
    EXPECT_EQ(SelectedNodes(), QSet<TBezEndPkt*>{middle});
    EXPECT_EQ(History().Count(), steps + 1);
    EXPECT_EQ(LastStep(), QStringLiteral("Sel"));
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    EXPECT_TRUE(p.dm.ActionNewMask->isChecked());
    EXPECT_EQ(Outline().Count(), 3);
}

TEST_F(MouseToolsTest, ShiftClickOnASelectedNodeInNewMaskModeDeselectsWithoutAStep)
{
    p.dm.ActionNewMask->trigger();
    for (QPoint q : {QPoint(100, 100), QPoint(200, 100), QPoint(150, 200)})
        Click(InLeft(q));
    TBezEndPkt* first = Nodes().Reference();
    const int steps = History().Count();
    keys = Qt::ShiftModifier;
    Click(first->ScreenPoint(0));
    EXPECT_FALSE(first->Selected());
    EXPECT_EQ(Nodes().Count(), 0); // the newest node was let go as well
    EXPECT_EQ(History().Count(), steps);
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
}

// ---------------------------------------------------------------------------
// Dragging nodes and control points

TEST_F(MouseToolsTest, EachMoveToolDragsTheNodeAlongItsAxesWithOneStepPerDrag)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}, {100, 200}});
    p.dm.ActionMaskEdit->trigger();
    TBezEndPkt* node = Node(1);
    struct TCase {
        QAction* tool;
        const char* step;
        QPoint xy;
        int z;
    } cases[] = {{p.dm.ActionPointMoveXY, "MoveXY", {212, 107}, 0},
                 {p.dm.ActionPointMoveX, "Move X", {224, 107}, 0},
                 {p.dm.ActionPointMoveY, "Move Y", {224, 114}, 0},
                 {p.dm.ActionPointMoveZ, "Move Z", {224, 114}, 12}};
    for (const TCase& c : cases) {
        ChooseTool(c.tool);
        const int steps = History().Count();
        const QPoint from = node->ScreenPoint(0);
        Drag(from, from + QPoint(12, 7));
        EXPECT_EQ(QPoint(node->X(), node->Y()), c.xy) << c.step;
        EXPECT_EQ(node->Z(), c.z) << c.step;
        // The grab of the first drag selected the node ("Sel").
        EXPECT_EQ(History().Count(), steps + (c.tool == p.dm.ActionPointMoveXY ? 2 : 1)) << c.step;
        EXPECT_EQ(LastStep(), QString::fromUtf8(c.step));
        EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
        EXPECT_EQ(p.dm.DragState, 0);
    }
    // The depth shows as parallax: the right picture has the node 12 further.
    EXPECT_EQ(node->GetX(1), 236);
    // The pictures are recomposed half a second after the last step.
    EXPECT_TRUE(p.dm.TimerUpdateBild->isActive());
    EXPECT_EQ(p.dm.TimerUpdateBild->interval(), 500);
}

TEST_F(MouseToolsTest, AClickWithoutMovementWritesNoDragStep)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    p.dm.ActionMaskEdit->trigger();
    const int steps = History().Count();
    Press(Node(0)->ScreenPoint(0));
    EXPECT_EQ(p.dm.EditMode, TDM::emDragMoveXY);
    EXPECT_EQ(p.dm.DragState, 1);
    Release(Node(0)->ScreenPoint(0));
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    EXPECT_EQ(History().Count(), steps + 1);
    EXPECT_EQ(LastStep(), QStringLiteral("Sel"));
    // Clicked again: nothing changed, so nothing is written at all.
    Click(Node(0)->ScreenPoint(0));
    EXPECT_EQ(History().Count(), steps + 1);
}

TEST_F(MouseToolsTest, ControlPointToolsMoveTurnAndStretchTheSelectedHandle)
{
    MakeMask({{100, 100}, {220, 100}, {160, 220}});
    MakeCurve(0);
    p.dm.ActionMaskEdit->trigger();
    TBezEndPkt* node = Node(0);
    TBezSteuerPkt* handle = node->Outgoing();
    auto setRel = [&](float x, float y, float d) {
        handle->SetRelXYF(x, y);
        handle->SetRelDF(d);
        Relayout();
    };
    setRel(30, 0, 0);
    Click(handle->ScreenPoint(0)); // selects it; the rotations become usable
    ASSERT_EQ(Controls().Reference(), handle);
    ASSERT_TRUE(p.dm.ActionRotate_X->isEnabled());
    const QPoint n = InLeft(QPoint(100, 100)); // the node on the screen

    struct TCase {
        QAction* tool;
        const char* step;
        QPointF rel;
        float d;
        QPoint from, to; // mouse, relative to the node
        QPointF expectRel;
        float expectD;
    } cases[] = {
        {p.dm.ActionPointMoveXY, "MoveXY", {30, 0}, 0, {30, 0}, {35, 10}, {35, 10}, 0},
        // 10 pixels of parallax are 37 depth units (10 / 0.27 = 37.04).
        {p.dm.ActionPointMoveZ, "Move Z", {30, 0}, 0, {30, 0}, {40, 3}, {30, 0}, 37},
        // From below the node to its right: a quarter turn about X takes the
        // handle from straight down to straight into the depth.
        {p.dm.ActionRotate_X, "Rot X", {0, 30}, 0, {0, 30}, {30, 0}, {0, 0}, 30},
        {p.dm.ActionRotate_Y, "Rot Y", {30, 0}, 0, {30, 0}, {0, 30}, {0, 0}, 30},
        {p.dm.ActionRotate_Z, "Rot Z", {30, 0}, 0, {30, 0}, {0, 30}, {0, 30}, 0},
        {p.dm.ActionMove_Distance, "MoveDist", {30, 0}, 0, {30, 0}, {45, 0}, {45, 0}, 0},
    };
    for (const TCase& c : cases) {
        ChooseTool(c.tool);
        setRel(float(c.rel.x()), float(c.rel.y()), c.d);
        ASSERT_EQ(handle->ScreenPoint(0), n + c.rel.toPoint() + QPoint(nearest(nearest(c.d) * kDepthFactor), 0));
        const int steps = History().Count();
        Press(n + c.from);
        Move(n + c.to);
        Release(n + c.to);
        EXPECT_NEAR(handle->RelX(), c.expectRel.x(), 1e-4) << c.step;
        EXPECT_NEAR(handle->RelY(), c.expectRel.y(), 1e-4) << c.step;
        EXPECT_NEAR(handle->RelD(), c.expectD, 1e-4) << c.step;
        EXPECT_EQ(QPoint(node->X(), node->Y()), QPoint(100, 100)) << c.step;
        EXPECT_EQ(History().Count(), steps + 1) << c.step;
        EXPECT_EQ(LastStep(), QString::fromUtf8(c.step));
    }
}

TEST_F(MouseToolsTest, RotationsTurnAboutTheNodeInThePictureUnderTheMouse)
{
    MakeMask({{100, 100}, {220, 100}, {160, 220}});
    MakeCurve(0);
    TBezEndPkt* node = Node(0);
    TBezSteuerPkt* handle = node->Outgoing();
    node->SetZ(20); // left picture x 100, right picture x 120
    p.dm.ActionMaskEdit->trigger();
    Click(handle->ScreenPoint(0));
    ChooseTool(p.dm.ActionRotate_Z);
    // Cross view, left half: the right picture. Parallel view, right half:
    // the right picture as well. A quarter turn about that node's position.
    for (QAction* view : {p.dm.ActionKreuz, p.dm.ActionParallel}) {
        view->trigger();
        handle->SetRelXYF(30, 0);
        handle->SetRelDF(0);
        Relayout();
        const int side = view == p.dm.ActionKreuz ? 0 : 1;
        const QPoint from = handle->ScreenPoint(side);
        Press(from);
        Move(from + QPoint(-30, 30));
        Release(from + QPoint(-30, 30));
        EXPECT_NEAR(handle->RelX(), 0, 1e-4) << view->text().toStdString();
        EXPECT_NEAR(handle->RelY(), 30, 1e-4) << view->text().toStdString();
    }
}

TEST_F(MouseToolsTest, ADragFromTheLeftHalfIntoTheRightKeepsReadingTheLeftHalf)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    p.dm.ActionMaskEdit->trigger();
    const QPoint from = Node(0)->ScreenPoint(0);
    const QPoint to = from + QPoint(420, 20);
    ASSERT_GT(to.x(), p.form.RightHalfRect.Left);
    Drag(from, to);
    EXPECT_EQ(p.dm.HitHalf, 1);
    EXPECT_EQ(QPoint(Node(0)->X(), Node(0)->Y()), QPoint(520, 120));
    // Grabbed in the right half and dragged into the left one: the same.
    const QPoint back = Node(1)->ScreenPoint(1);
    Drag(back, back - QPoint(300, 0));
    EXPECT_EQ(p.dm.HitHalf, 0);
    EXPECT_EQ(Node(1)->X(), -100);
}

// ---------------------------------------------------------------------------
// Selecting

TEST_F(MouseToolsTest, RubberBandsFromEitherCornerSelectTheSameNodes)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}, {100, 200}, {330, 250}});
    p.dm.ActionMaskEdit->trigger();
    const QSet<TBezEndPkt*> square{Node(0), Node(1), Node(2), Node(3)};
    const QPoint a = InLeft(QPoint(90, 90)), b = InLeft(QPoint(210, 210));

    Drag(a, b);
    EXPECT_EQ(SelectedNodes(), square);
    EXPECT_EQ(LastStep(), QStringLiteral("MultiSel"));
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);

    Click(InLeft(QPoint(300, 20))); // empty space clears
    EXPECT_EQ(Nodes().Count(), 0);
    EXPECT_EQ(LastStep(), QStringLiteral("UnSelAll"));
    Drag(b, a);
    EXPECT_EQ(SelectedNodes(), square);

    // A band let go after its first move selects what it shows.
    Click(InLeft(QPoint(300, 20)));
    Press(InLeft(QPoint(320, 240)));
    EXPECT_EQ(p.dm.EditMode, TDM::emPressEmpty);
    Move(InLeft(QPoint(340, 260)));
    EXPECT_EQ(p.dm.EditMode, TDM::emRubberBand);
    Release(InLeft(QPoint(340, 260)));
    EXPECT_EQ(SelectedNodes(), QSet<TBezEndPkt*>{Node(4)});
}

TEST_F(MouseToolsTest, ShiftAddsAndTogglesOnClickAndInTheBand)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}, {100, 200}});
    p.dm.ActionMaskEdit->trigger();
    Click(Node(0)->ScreenPoint(0));
    keys = Qt::ShiftModifier;
    Click(Node(2)->ScreenPoint(0));
    EXPECT_EQ(SelectedNodes(), (QSet<TBezEndPkt*>{Node(0), Node(2)}));
    EXPECT_EQ(Nodes().Reference(), Node(0));
    EXPECT_EQ(LastStep(), QStringLiteral("Sel"));

    Click(Node(0)->ScreenPoint(0));
    EXPECT_EQ(SelectedNodes(), QSet<TBezEndPkt*>{Node(2)});
    EXPECT_EQ(LastStep(), QStringLiteral("UnSel"));

    // With Shift the band toggles: node 2 goes, nodes 1 and 3 come.
    Drag(InLeft(QPoint(150, 90)), InLeft(QPoint(210, 210)));
    EXPECT_EQ(SelectedNodes(), QSet<TBezEndPkt*>{Node(1)});
    Drag(InLeft(QPoint(90, 150)), InLeft(QPoint(110, 210)));
    EXPECT_EQ(SelectedNodes(), (QSet<TBezEndPkt*>{Node(1), Node(3)}));
}

TEST_F(MouseToolsTest, PressOnEmptySpaceClearsTheControlPointsFirstThenTheNodes)
{
    MakeMask({{100, 100}, {220, 100}, {160, 220}});
    MakeCurve(0);
    p.dm.ActionMaskEdit->trigger();
    Click(Node(0)->ScreenPoint(0));
    Click(Node(0)->Outgoing()->ScreenPoint(0));
    ASSERT_EQ(Controls().Count(), 1);
    ASSERT_EQ(Nodes().Count(), 1);
    const QPoint empty = InLeft(QPoint(350, 20));
    Click(empty);
    EXPECT_EQ(Controls().Count(), 0);
    EXPECT_EQ(Nodes().Count(), 1);
    EXPECT_EQ(LastStep(), QStringLiteral("UnSelAllStr"));
    Click(empty);
    EXPECT_EQ(Nodes().Count(), 0);
    EXPECT_EQ(LastStep(), QStringLiteral("UnSelAll"));
    const int steps = History().Count();
    Click(empty); // nothing left to clear
    EXPECT_EQ(History().Count(), steps);
}

TEST_F(MouseToolsTest, ControlPointsShowOnTheSelectionAndItsNeighbours)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}, {100, 200}});
    for (int i = 0; i < 4; ++i)
        MakeCurve(i);
    Node(0)->SetKind(nkGlatt);
    Relayout();
    p.dm.ActionMaskEdit->trigger();
    auto visible = [&](int i) {
        return QString("%1%2").arg(Node(i)->Incoming()->Visible() ? "i" : "-").arg(Node(i)->Outgoing()->Visible() ? "o" : "-");
    };
    auto all = [&] { return visible(0) + " " + visible(1) + " " + visible(2) + " " + visible(3); };

    // Node 1: its own handles, the handle of each neighbour on the shared
    // segment, and the partner of that handle at the smooth node 0.
    Click(Node(1)->ScreenPoint(0));
    EXPECT_EQ(all(), QStringLiteral("io io i- --"));
    Click(Node(3)->ScreenPoint(0));
    EXPECT_EQ(all(), QStringLiteral("io -- -o io"));
    // A handle of corner node 2 as reference: node 2 shows both, and its
    // neighbours the handles on their segments to it.
    Click(Node(2)->Outgoing()->ScreenPoint(0));
    EXPECT_EQ(Controls().Reference(), Node(2)->Outgoing());
    EXPECT_EQ(all(), QStringLiteral("-- -o io io"));
}

TEST_F(MouseToolsTest, TheHandleUnderTheMouseIsHighlightedOnlyWhileEditing)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    p.dm.ActionMaskEdit->trigger();
    Move(Node(1)->ScreenPoint(1));
    EXPECT_EQ(p.dm.HotHandle, Node(1));
    EXPECT_TRUE(Node(1)->Hot());
    EXPECT_EQ(p.dm.HitHalf, 0);
    Move(InLeft(QPoint(350, 20)));
    EXPECT_EQ(p.dm.HotHandle, nullptr);
    EXPECT_FALSE(Node(1)->Hot());

    // With the right button held the mouse does nothing, not even this.
    Press(InLeft(QPoint(350, 20)), Qt::RightButton);
    Move(Node(1)->ScreenPoint(0));
    EXPECT_EQ(p.dm.HotHandle, nullptr);
    Release(InLeft(QPoint(350, 20)), Qt::RightButton);

    p.dm.ActionScrollen->trigger();
    Move(Node(1)->ScreenPoint(0));
    EXPECT_EQ(p.dm.HotHandle, nullptr);
}

// ---------------------------------------------------------------------------
// The tool cycle of the right and the middle button

TEST_F(MouseToolsTest, RightButtonCyclesTheEnabledToolsAndBackThroughTheScrollTool)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    p.dm.ActionMaskEdit->trigger();
    const QPoint where = InLeft(QPoint(350, 20));
    struct TStep {
        QAction* tool;
        quint8 mode;
        quint16 cursor;
    };
    // No control point is selected: the rotations and the distance tool
    // are disabled and skipped.
    const TStep forward[] = {{p.dm.ActionPointMoveZ, TDM::emEditMask, crMoveZ},
                             {p.dm.ActionPointMoveX, TDM::emEditMask, crMoveX},
                             {p.dm.ActionPointMoveY, TDM::emEditMask, crMoveY},
                             {nullptr, TDM::emScroll, crScroll},
                             {p.dm.ActionPointMoveXY, TDM::emEditMask, crMoveXY}};
    for (const TStep& s : forward) {
        Click(where, Qt::RightButton);
        EXPECT_EQ(CheckedMoveTool(), s.tool);
        EXPECT_EQ(p.dm.EditMode, s.mode);
        EXPECT_EQ(p.dm.CursorNumber, s.cursor);
    }
    // Shift or the middle button go backwards.
    keys = Qt::ShiftModifier;
    Click(where, Qt::RightButton);
    EXPECT_EQ(p.dm.EditMode, TDM::emScroll);
    EXPECT_EQ(CheckedMoveTool(), nullptr);
    keys = {};
    Click(where, Qt::MiddleButton);
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    EXPECT_EQ(CheckedMoveTool(), p.dm.ActionPointMoveY);
    // Leaving and entering the scroll tool are history steps.
    EXPECT_EQ(LastStep(), QStringLiteral("ActScroll"));
}

TEST_F(MouseToolsTest, CtrlRightButtonJumpsToThePartnerToolOrSearchesOnFromIt)
{
    MakeMask({{100, 100}, {220, 100}, {160, 220}});
    MakeCurve(0);
    p.dm.ActionMaskEdit->trigger();
    ChooseTool(p.dm.ActionPointMoveX);
    Click(Node(0)->ScreenPoint(0));
    Click(Node(0)->Outgoing()->ScreenPoint(0)); // the rotations are enabled now
    const QPoint where = InLeft(QPoint(350, 20));
    keys = Qt::ControlModifier;
    Press(where, Qt::RightButton);
    Release(where, Qt::RightButton);
    EXPECT_EQ(CheckedMoveTool(), p.dm.ActionRotate_X);
    EXPECT_EQ(p.dm.CursorNumber, crRotX);
    Click(where, Qt::RightButton);
    EXPECT_EQ(CheckedMoveTool(), p.dm.ActionPointMoveX);

    // Without control points the partner is disabled: the search goes on
    // after it and finds the scroll tool.
    keys = {};
    Click(where); // clears the control points
    ASSERT_FALSE(p.dm.ActionRotate_X->isEnabled());
    keys = Qt::ControlModifier;
    Click(where, Qt::RightButton);
    EXPECT_EQ(p.dm.EditMode, TDM::emScroll);
    EXPECT_EQ(CheckedMoveTool(), nullptr);
    // No move tool checked: Ctrl only switches the scroll tool off again.
    const int steps = History().Count();
    Click(where, Qt::RightButton);
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    EXPECT_EQ(CheckedMoveTool(), nullptr);
    EXPECT_EQ(History().Count(), steps);
}

TEST_F(MouseToolsTest, RightPressWhileDraggingCyclesAndTheDragGoesOn)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    p.dm.ActionMaskEdit->trigger();
    const QPoint from = Node(0)->ScreenPoint(0);
    Press(from);
    Move(from + QPoint(5, 0));
    Press(from + QPoint(5, 0), Qt::RightButton); // both buttons held
    EXPECT_EQ(CheckedMoveTool(), p.dm.ActionPointMoveZ);
    Move(from + QPoint(50, 50)); // right held: ignored
    Release(from + QPoint(5, 0), Qt::RightButton);
    Move(from + QPoint(9, 0));
    Release(from + QPoint(9, 0));
    EXPECT_EQ(QPoint(Node(0)->X(), Node(0)->Y()), QPoint(109, 100));
    EXPECT_EQ(LastStep(), QStringLiteral("MoveXY"));
}

// ---------------------------------------------------------------------------
// The scroll tool

TEST_F(MouseToolsTest, TheScrollToolDragsThePictureAndStaysChosen)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    p.dm.ActionNewMask->trigger();
    p.dm.ActionScrollen->trigger();
    ASSERT_EQ(p.dm.EditMode, TDM::emScroll);
    const QPoint centre = p.dm.ViewCentre;
    const QPoint from = InLeft(QPoint(150, 150));
    Press(from);
    EXPECT_EQ(p.dm.EditMode, TDM::emScrollDrag);
    EXPECT_EQ(p.dm.CursorNumber, crScrollDrag);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    Move(from + QPoint(30, 10));
    EXPECT_EQ(p.dm.ViewCentre, centre - QPoint(30, 10));
    Release(from + QPoint(30, 10));
    EXPECT_EQ(p.dm.EditMode, TDM::emScroll);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Outline().Count(), 3);
}

TEST_F(MouseToolsTest, ClickingASelectedHandleMakesItTheReferenceWithoutLosingIt)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}, {100, 200}});
    for (int i = 0; i < 4; ++i)
        MakeCurve(i);
    p.dm.ActionMaskEdit->trigger();
    TBezSteuerPkt* own = Node(1)->Outgoing();
    TBezSteuerPkt* next = Node(2)->Incoming(); // shown as the neighbour's handle
    Click(Node(1)->ScreenPoint(0));
    Click(own->ScreenPoint(0));
    keys = Qt::ShiftModifier;
    Click(next->ScreenPoint(0));
    ASSERT_EQ(Controls().Count(), 2);
    keys = {};
    const int steps = History().Count();
    // Switching the reference hides the handles around the old one's node,
    // but never a selected handle: the click must not deselect what it hit.
    Click(next->ScreenPoint(0));
    EXPECT_EQ(Controls().Reference(), next);
    EXPECT_EQ(Controls().Count(), 2);
    EXPECT_TRUE(next->Visible() && own->Visible());
    EXPECT_EQ(History().Count(), steps);
}
