// The mouse tools over the real main window: drawing a mask, dragging with
// each tool, selecting by click, Shift and rubber band, the control points
// shown around the selection, the tool cycle and the scroll tool.
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

TEST_F(MouseToolsTest, NewMaskClicksDrawAClosedOutlineAndAPressOnANodeGrabsIt)
{
    p.dm.ActionAnsichtFit->trigger(); // not 1:1: picture points from ScreenToPicture
    p.dm.ActionNewMask->trigger();
    const TRect& l = p.form.LeftHalfRect;
    const TRect& r = p.form.RightHalfRect;
    const QPoint clicks[] = {{100, 200}, {300, 180}, {400, 300}, {250, 420}, {r.Left + 80, 380}};
    for (int i = 0; i < 5; ++i) {
        const TRect& half = i < 4 ? l : r;
        const QPoint expected = p.dm.ScreenToPicture(clicks[i] - QPoint(half.Left, half.Top));
        Click(clicks[i]);
        ASSERT_EQ(Outline().Count(), i + 1);
        EXPECT_EQ(QPoint(Outline().LastAdded()->X(), Outline().LastAdded()->Y()), expected) << i;
    }
    // Each node goes between the last one and the first: from the first node
    // the ring meets them in drawing order.
    EXPECT_EQ(Outline().IndexOf(Nodes().Reference()), 3);
    EXPECT_EQ(Nodes().Items(1), Outline().LastAdded());
    EXPECT_EQ(Outline().IndexOf(Outline().LastAdded()), 2);
    EXPECT_EQ(p.dm.OutlineLeft.size(), 16);
    EXPECT_EQ(p.dm.OutlineLeft.front(), p.dm.OutlineLeft.back());
    EXPECT_EQ(Steps(), (QStringList{"ActNewMsk", "Punkt", "Punkt", "Punkt", "Punkt", "Punkt"}));

    // Shift on the selected first node lets it go (and the newest one): no
    // step, and with no segment left to insert on the tool edits.
    keys = Qt::ShiftModifier;
    Click(Nodes().Reference()->ScreenPoint(0));
    EXPECT_EQ(Nodes().Count(), 0);
    EXPECT_EQ(History().Count(), 6);
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    EXPECT_TRUE(p.dm.ActionNewMask->isChecked());
}

TEST_F(MouseToolsTest, EachMoveToolDragsTheNodeAlongItsAxesWithOneStepPerDrag)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}, {100, 200}});
    TBezEndPkt* node = Node(1);
    // A click without movement enters and leaves the drag: only "Sel".
    Press(node->ScreenPoint(0));
    EXPECT_EQ(p.dm.EditMode, TDM::emDragMoveXY);
    Release(node->ScreenPoint(0));
    EXPECT_EQ(Steps().mid(1), QStringList{"Sel"});
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
        Drag(node->ScreenPoint(0), node->ScreenPoint(0) + QPoint(12, 7));
        EXPECT_EQ(XY(1), c.xy) << c.step;
        EXPECT_EQ(node->Z(), c.z) << c.step;
        EXPECT_EQ(History().Count(), steps + 1) << c.step;
        EXPECT_EQ(LastStep(), QString::fromUtf8(c.step));
        EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    }
    EXPECT_EQ(node->GetX(1), 236); // the depth is parallax in the right picture
    EXPECT_TRUE(p.dm.TimerUpdateBild->isActive());
    EXPECT_EQ(p.dm.TimerUpdateBild->interval(), 500);
}

TEST_F(MouseToolsTest, ControlPointToolsMoveTurnAndStretchTheSelectedHandle)
{
    MakeMask({{100, 100}, {220, 100}, {160, 220}}, {0});
    TBezSteuerPkt* handle = Node(0)->Outgoing();
    Click(handle->ScreenPoint(0)); // selected: the rotations become usable
    ASSERT_TRUE(p.dm.ActionRotate_X->isEnabled());
    const QPoint n = InLeft(QPoint(100, 100));
    struct TCase {
        QAction* tool;
        const char* step;
        QPoint rel, to; // the handle and the mouse's end, from the node
        QPointF expectRel;
        float expectD;
    } cases[] = {
        {p.dm.ActionPointMoveXY, "MoveXY", {30, 0}, {35, 10}, {35, 10}, 0},
        {p.dm.ActionPointMoveZ, "Move Z", {30, 0}, {40, 3}, {30, 0}, 37}, // 10 / 0.27 = 37.04
        // A quarter turn: straight down becomes straight into the depth.
        {p.dm.ActionRotate_X, "Rot X", {0, 30}, {30, 0}, {0, 0}, 30},
        {p.dm.ActionRotate_Y, "Rot Y", {30, 0}, {0, 30}, {0, 0}, 30},
        {p.dm.ActionRotate_Z, "Rot Z", {30, 0}, {0, 30}, {0, 30}, 0},
        {p.dm.ActionMove_Distance, "MoveDist", {30, 0}, {45, 0}, {45, 0}, 0},
    };
    for (const TCase& c : cases) {
        ChooseTool(c.tool);
        handle->SetRelXY(c.rel);
        handle->SetRelD(0);
        Relayout();
        Press(n + c.rel);
        // The cursor covers the whole screen while dragging, also where its
        // number stays the same as at rest (the rotations).
        EXPECT_NE(QApplication::overrideCursor(), nullptr) << c.step;
        Move(n + c.to);
        Release(n + c.to);
        EXPECT_FALSE(p.dm.CursorScreenWide()) << c.step;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.step;
        EXPECT_NEAR(handle->RelX(), c.expectRel.x(), 1e-4) << c.step;
        EXPECT_NEAR(handle->RelY(), c.expectRel.y(), 1e-4) << c.step;
        EXPECT_NEAR(handle->RelD(), c.expectD, 1e-4) << c.step;
        EXPECT_EQ(XY(0), QPoint(100, 100)) << c.step;
        EXPECT_EQ(LastStep(), QString::fromUtf8(c.step));
    }

    // The turn is about the node in the picture under the mouse: at depth 20
    // the right picture has it at x 120. Cross view, left half, and parallel
    // view, right half, both show the right picture.
    Node(0)->SetZ(20);
    ChooseTool(p.dm.ActionRotate_Z);
    for (QAction* stereo : {p.dm.ActionKreuz, p.dm.ActionParallel}) {
        stereo->trigger();
        handle->SetRelXY(QPoint(30, 0));
        Relayout();
        const QPoint from = handle->ScreenPoint(stereo == p.dm.ActionKreuz ? 0 : 1);
        Press(from);
        Move(from + QPoint(-30, 30));
        Release(from + QPoint(-30, 30));
        EXPECT_NEAR(handle->RelX(), 0, 1e-4) << stereo->text().toStdString();
        EXPECT_NEAR(handle->RelY(), 30, 1e-4) << stereo->text().toStdString();
    }
}

TEST_F(MouseToolsTest, ADragKeepsReadingTheHalfWhereTheHandleWasGrabbed)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    const QPoint from = Node(0)->ScreenPoint(0);
    ASSERT_GT(from.x() + 420, p.form.RightHalfRect.Left);
    Drag(from, from + QPoint(420, 20)); // into the right half
    EXPECT_EQ(p.dm.HitHalf, 1);
    EXPECT_EQ(XY(0), QPoint(520, 120));
    const QPoint back = Node(1)->ScreenPoint(1);
    Drag(back, back - QPoint(300, 0)); // into the left half
    EXPECT_EQ(p.dm.HitHalf, 0);
    EXPECT_EQ(Node(1)->X(), -100);
}

TEST_F(MouseToolsTest, ClicksShiftAndRubberBandsSelect)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}, {100, 200}, {330, 250}});
    const QSet<TBezEndPkt*> square{Node(0), Node(1), Node(2), Node(3)};
    const QPoint a = InLeft(QPoint(90, 90)), b = InLeft(QPoint(210, 210));
    Drag(a, b);
    EXPECT_EQ(SelectedNodes(), square);
    EXPECT_EQ(LastStep(), QStringLiteral("MultiSel"));
    Click(Empty());
    EXPECT_EQ(Nodes().Count(), 0);
    EXPECT_EQ(LastStep(), QStringLiteral("UnSelAll"));
    Drag(b, a); // from the other corner: the same
    EXPECT_EQ(SelectedNodes(), square);
    Click(Empty());
    // A band let go after its first move selects what it shows.
    Press(InLeft(QPoint(320, 240)));
    Move(InLeft(QPoint(340, 260)));
    EXPECT_EQ(p.dm.EditMode, TDM::emRubberBand);
    Release(InLeft(QPoint(340, 260)));
    EXPECT_EQ(SelectedNodes(), QSet<TBezEndPkt*>{Node(4)});

    Click(Node(0)->ScreenPoint(0));
    keys = Qt::ShiftModifier;
    Click(Node(2)->ScreenPoint(0));
    EXPECT_EQ(SelectedNodes(), (QSet<TBezEndPkt*>{Node(0), Node(2)}));
    EXPECT_EQ(Nodes().Reference(), Node(0));
    EXPECT_EQ(LastStep(), QStringLiteral("Sel"));
    Click(Node(0)->ScreenPoint(0));
    EXPECT_EQ(SelectedNodes(), QSet<TBezEndPkt*>{Node(2)});
    EXPECT_EQ(LastStep(), QStringLiteral("UnSel"));
    Drag(InLeft(QPoint(150, 90)), InLeft(QPoint(210, 210))); // Shift: the band toggles
    EXPECT_EQ(SelectedNodes(), QSet<TBezEndPkt*>{Node(1)});
}

TEST_F(MouseToolsTest, ControlPointsShowAroundTheSelectionAndEmptySpaceClearsThemFirst)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}, {100, 200}}, {0, 1, 2, 3});
    Node(0)->SetKind(nkGlatt);
    Relayout();
    auto shown = [&] {
        QString s;
        for (int i = 0; i < 4; ++i)
            s += QString(Node(i)->Incoming()->Visible() ? "i" : "-") + (Node(i)->Outgoing()->Visible() ? "o " : "- ");
        return s.trimmed();
    };
    // A node shows its handles, each neighbour the handle on the shared
    // segment, and the smooth node 0 also that handle's partner.
    Click(Node(1)->ScreenPoint(0));
    EXPECT_EQ(shown(), QStringLiteral("io io i- --"));
    Click(Node(3)->ScreenPoint(0));
    EXPECT_EQ(shown(), QStringLiteral("io -- -o io"));
    // A handle of corner node 2 as reference: node 2 shows both, and its
    // neighbours their handles on the segments to it.
    TBezSteuerPkt* own = Node(2)->Outgoing();
    Click(own->ScreenPoint(0));
    EXPECT_EQ(shown(), QStringLiteral("-- -o io io"));
    // Clicking another selected handle makes it the reference; switching
    // hides handles around the old one's node, but never a selected one.
    TBezSteuerPkt* other = Node(1)->Outgoing(); // on a neighbour of node 2
    keys = Qt::ShiftModifier;
    Click(other->ScreenPoint(0));
    keys = {};
    const int steps = History().Count();
    Click(other->ScreenPoint(0));
    EXPECT_EQ(Controls().Reference(), other);
    EXPECT_EQ(Controls().Count(), 2);
    EXPECT_TRUE(own->Visible() && own->Selected());
    EXPECT_EQ(History().Count(), steps);

    Click(Empty());
    EXPECT_EQ(Controls().Count(), 0);
    EXPECT_EQ(Nodes().Count(), 1);
    EXPECT_EQ(LastStep(), QStringLiteral("UnSelAllStr"));
    Click(Empty());
    EXPECT_EQ(Nodes().Count(), 0);
    EXPECT_EQ(LastStep(), QStringLiteral("UnSelAll"));
    Click(Empty()); // nothing left to clear: no step
    EXPECT_EQ(History().Count(), steps + 2);
}

TEST_F(MouseToolsTest, TheHandleUnderTheMouseIsHighlightedOnlyWhileEditing)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    Move(Node(1)->ScreenPoint(1));
    EXPECT_EQ(p.dm.HotHandle, Node(1));
    EXPECT_TRUE(Node(1)->Hot());
    EXPECT_EQ(p.dm.HitHalf, 0);
    Move(Empty());
    EXPECT_FALSE(Node(1)->Hot());
    Press(Empty(), Qt::RightButton);
    Move(Node(1)->ScreenPoint(0)); // the right button held: nothing at all
    EXPECT_EQ(p.dm.HotHandle, nullptr);
    Release(Empty(), Qt::RightButton);
    p.dm.ActionScrollen->trigger();
    Move(Node(1)->ScreenPoint(0));
    EXPECT_EQ(p.dm.HotHandle, nullptr);
}

TEST_F(MouseToolsTest, RightAndMiddleButtonCycleTheEnabledTools)
{
    MakeMask({{100, 100}, {220, 100}, {160, 220}}, {0});
    struct TStep {
        QAction* tool;
        quint8 mode;
        quint16 cursor;
    };
    // No control point selected: rotations and distance are skipped.
    const TStep forward[] = {{p.dm.ActionPointMoveZ, TDM::emEditMask, crMoveZ},
                             {p.dm.ActionPointMoveX, TDM::emEditMask, crMoveX},
                             {p.dm.ActionPointMoveY, TDM::emEditMask, crMoveY},
                             {nullptr, TDM::emScroll, crScroll},
                             {p.dm.ActionPointMoveXY, TDM::emEditMask, crMoveXY}};
    for (const TStep& s : forward) {
        Click(Empty(), Qt::RightButton);
        EXPECT_EQ(CheckedMoveTool(), s.tool);
        EXPECT_EQ(p.dm.EditMode, s.mode);
        EXPECT_EQ(p.dm.CursorNumber, s.cursor);
    }
    keys = Qt::ShiftModifier; // backwards, as with the middle button
    Click(Empty(), Qt::RightButton);
    EXPECT_EQ(p.dm.EditMode, TDM::emScroll);
    keys = {};
    Click(Empty(), Qt::MiddleButton);
    EXPECT_EQ(CheckedMoveTool(), p.dm.ActionPointMoveY);
    EXPECT_EQ(LastStep(), QStringLiteral("ActScroll"));

    // Ctrl: the partner, when it is enabled.
    ChooseTool(p.dm.ActionPointMoveX);
    Click(Node(0)->ScreenPoint(0));
    Click(Node(0)->Outgoing()->ScreenPoint(0));
    keys = Qt::ControlModifier;
    Click(Empty(), Qt::RightButton);
    EXPECT_EQ(CheckedMoveTool(), p.dm.ActionRotate_X);
    EXPECT_EQ(p.dm.CursorNumber, crRotX);
    Click(Empty(), Qt::RightButton);
    EXPECT_EQ(CheckedMoveTool(), p.dm.ActionPointMoveX);
    keys = {};
    Click(Empty()); // clears the control points: the partner is disabled
    keys = Qt::ControlModifier;
    Click(Empty(), Qt::RightButton); // on from it: the scroll tool
    EXPECT_EQ(p.dm.EditMode, TDM::emScroll);
    EXPECT_EQ(CheckedMoveTool(), nullptr);
    const int steps = History().Count();
    Click(Empty(), Qt::RightButton); // no move tool: only the scroll tool goes
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    EXPECT_EQ(CheckedMoveTool(), nullptr);
    EXPECT_EQ(History().Count(), steps);
}

TEST_F(MouseToolsTest, ARightPressWhileDraggingCyclesAndTheDragGoesOn)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    const QPoint from = Node(0)->ScreenPoint(0);
    Press(from);
    Move(from + QPoint(5, 0));
    Press(from + QPoint(5, 0), Qt::RightButton); // both buttons held
    EXPECT_EQ(CheckedMoveTool(), p.dm.ActionPointMoveZ);
    Move(from + QPoint(50, 50)); // ignored: the right button is held
    Release(from + QPoint(5, 0), Qt::RightButton);
    Move(from + QPoint(9, 0));
    Release(from + QPoint(9, 0));
    EXPECT_EQ(XY(0), QPoint(109, 100));
    EXPECT_EQ(LastStep(), QStringLiteral("MoveXY"));
}

TEST_F(MouseToolsTest, TheScrollToolDragsThePictureAndStaysChosen)
{
    MakeMask({{100, 100}, {200, 100}, {200, 200}});
    p.dm.ActionNewMask->trigger();
    p.dm.ActionScrollen->trigger();
    const QPoint centre = p.dm.ViewCentre;
    const QPoint from = InLeft(QPoint(150, 150));
    Press(from);
    EXPECT_EQ(p.dm.CursorNumber, crScrollDrag);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    Move(from + QPoint(30, 10));
    EXPECT_EQ(p.dm.ViewCentre, centre - QPoint(30, 10));
    Release(from + QPoint(30, 10));
    EXPECT_EQ(p.dm.EditMode, TDM::emScroll);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Outline().Count(), 3);
}
