// The editing commands of the menus and the toolbar: what each does to the
// mask and the selections, the step it records, the action state it leaves,
// and that undo and redo take it back and bring it again.
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"

#include <QLabel>

#include <gtest/gtest.h>

#include "AppFixture.h"

namespace {

struct TNodeSpec {
    int x, y, z;
};

// A started program that counts view refreshes and repaint requests, with
// helpers to build a mask directly through the model.
struct TEditProgram : TFreshProgram {
    TEditProgram()
    {
        dm.DeferredStart({});
        CountRefreshes();
    }
    TPolygonListe& Outline() { return *PolygonListe(); }
    TBezEndPkt* Node(int i) { return Outline().Items(i); }
    TBezSteuerPkt* Handle(int i, char which) { return which == 'i' ? Node(i)->Incoming() : Node(i)->Outgoing(); }
    void Nodes(std::initializer_list<TNodeSpec> nodes)
    {
        for (const TNodeSpec& n : nodes)
            Outline().AddNode(n.x, n.y, Outline().Count())->SetZ(n.z);
    }
    void Select(std::initializer_list<int> ring)
    {
        for (int i : ring)
            Node(i)->SetSelected(true);
    }
    // The segment from node i to the next one becomes a curve.
    void Curve(int i) { Node(i)->SetSegmentType(stCurve, Node((i + 1) % Outline().Count())); }
    void Rel(int i, char h, int x, int y, int d) { Handle(i, h)->SetRelXY({x, y}), Handle(i, h)->SetRelD(d); }
    // A mask tool switched on the way undo does it: no step.
    void EditTool() { dm.ActionMaskEdit->setChecked(true), dm.ActionMaskEditExecute(nullptr); }
    // The state built so far becomes the step undo returns to.
    void Record()
    {
        Outline().SaveToCurrent();
        HistoryListe()->Add(QStringLiteral("Start"));
        viewChanges = repaints = 0;
    }
    // "(x,y,z)" per node, "/k" for a kind other than Spitze, and the handles
    // in use with their relative (x, y, d).
    QString Dump()
    {
        QStringList parts;
        for (int i = 0; i < Outline().Count(); ++i) {
            const TBezEndPkt* n = Node(i);
            QString s = QString::asprintf("(%d,%d,%d)", n->X(), n->Y(), n->Z());
            if (n->Kind() != nkSpitze)
                s += QString::asprintf("/%d", n->Kind());
            for (const auto* c : {n->Incoming(), n->Outgoing()})
                if (c->Curve())
                    s += QString::asprintf("%s(%d,%d,%d)", c == n->Incoming() ? "in" : "out", c->GetRel().x(),
                                           c->GetRel().y(), c->GetRelD());
            parts << s;
        }
        return parts.join(QLatin1Char(' '));
    }
    // Ring indices of the selected nodes in selection order.
    QString SelectedNodes()
    {
        QStringList parts;
        for (int i = 0; i < SelectListe()->Count(); ++i)
            parts << QString::number(Outline().IndexOf(SelectListe()->Items(i)));
        return parts.join(QLatin1Char(','));
    }
    // Which of the table's actions are enabled, by group; a group that is
    // only partly enabled shows with "?".
    QString Enabled()
    {
        const std::vector<std::pair<const char*, std::vector<QAction*>>> groups = {
            {"Del", {dm.ActionMaskDelete}}, {"Edit", {dm.ActionMaskEdit}},
            {"Move", {dm.ActionPointMoveXY, dm.ActionPointMoveX, dm.ActionPointMoveY, dm.ActionPointMoveZ}},
            {"W", {dm.ActionPointMove0}},
            {"VHT", {dm.ActionMoveAllSelectToX, dm.ActionMoveAllSelectToY, dm.ActionMoveAllSelectToZ}},
            {"Rot", {dm.ActionRotate_X, dm.ActionRotate_Y, dm.ActionRotate_Z, dm.ActionMove_Distance,
                     dm.ActionSteuerpunktToX, dm.ActionSteuerpunktToY, dm.ActionSteuerpunktToZ}},
            {"All", {dm.ActionAllSteuerpunkteToX, dm.ActionAllSteuerpunkteToY, dm.ActionAllSteuerpunkteToZ}},
            {"KL", {dm.ActionLinieInKurve, dm.ActionKurveInLinie}},
            {"Kind", {dm.ActionKnotenInSpitze, dm.ActionKnotenGlatt, dm.ActionKnotenSymmetrisch}},
            {"Save", {dm.ActionSaveMask}}, {"Undo", {dm.ActionUndo}}, {"Redo", {dm.ActionRedo}},
        };
        QStringList on;
        for (const auto& [tag, actions] : groups) {
            int enabled = 0;
            for (QAction* a : actions)
                enabled += a->isEnabled() ? 1 : 0;
            if (enabled > 0)
                on << QLatin1String(tag) + (enabled < int(actions.size()) ? QStringLiteral("?") : QString());
        }
        return on.join(QLatin1Char(' '));
    }
};

const std::initializer_list<TNodeSpec> kSquare = {{0, 0, 0}, {40, 0, 0}, {40, 40, 0}, {0, 40, 0}};
const std::initializer_list<TNodeSpec> kPentagon = {{0, 0, 0}, {40, 0, 0}, {60, 30, 0}, {30, 60, 0}, {0, 30, 0}};

// Three nodes, curves from 0 to 1 and from 1 to 2, a line back to 0; node 1
// of the given kind, the handles of the two curves at known places.
void CurvedTriangle(TEditProgram& p, quint8 kind = nkSpitze)
{
    p.Nodes({{0, 0, 0}, {30, 0, 0}, {30, 30, 0}});
    p.Curve(0);
    p.Curve(1);
    p.Node(1)->SetKind(kind);
    p.Rel(0, 'o', 7, -4, 5);
    p.Rel(1, 'i', -6, -8, -2);
    p.Rel(1, 'o', 0, 20, 6);
    p.Rel(2, 'i', 3, -9, 0);
}
// Handle 'o' of node 1, then of node 0: node 1's is the reference.
void TwoHandles(TEditProgram& p)
{
    p.Handle(1, 'o')->SetSelected(true);
    p.Handle(0, 'o')->SetSelected(true);
}

struct TCommandCase {
    const char* title;
    QAction* TDM::*action;
    void (TDM::*handler)(QAction*);
    std::function<void(TEditProgram&)> prepare;
    const char* step;
    int questions; // the whole-mask question, answered Yes
    const char* after;
    const char* selected;
    const char* enabled;
};

using P = TEditProgram&;
// An action and its handler.
#define COMMAND(action) &TDM::action, &TDM::action##Execute
const TCommandCase kCommandCases[] = {
    {"delete two of five: no question", COMMAND(ActionMaskDelete), [](P p) { p.Nodes(kPentagon); p.Select({1, 3}); },
     "ActDel", 0, "(0,0,0) (60,30,0) (0,30,0)", "", "Del Edit Move Save Undo"},
    {"delete with all five selected asks", COMMAND(ActionMaskDelete),
     [](P p) { p.Nodes(kPentagon); p.Select({0, 1, 2, 3, 4}); }, "ActDel", 1, "", "", "Undo"},
    {"delete with none of five selected asks", COMMAND(ActionMaskDelete), [](P p) { p.Nodes(kPentagon); },
     "ActDel", 1, "", "", "Undo"},
    {"delete with two nodes: no question", COMMAND(ActionMaskDelete),
     [](P p) { p.Nodes({{0, 0, 0}, {40, 0, 0}}); p.Select({0}); }, "ActDel", 0, "", "", "Undo"},
    {"W: into the window plane", COMMAND(ActionPointMove0),
     [](P p) { p.Nodes({{0, 0, 5}, {40, 0, -3}, {40, 40, 7}, {0, 40, 2}}); p.Select({0, 2}); },
     "Points0", 0, "(0,0,0) (40,0,-3) (40,40,0) (0,40,2)", "0,2", "Del Edit Move W VHT Save Undo"},
    {"V: vertical alignment, recorded as PointsY", COMMAND(ActionMoveAllSelectToX),
     [](P p) { p.Nodes({{0, 0, 0}, {40, 0, 0}, {50, 40, 0}, {0, 40, 0}}); p.Select({2, 0}); },
     "PointsY", 0, "(50,0,0) (40,0,0) (50,40,0) (0,40,0)", "2,0", "Del Edit Move W VHT Save Undo"},
    {"H: horizontal alignment", COMMAND(ActionMoveAllSelectToY),
     [](P p) { p.Nodes({{0, 0, 0}, {40, 0, 0}, {50, 40, 0}, {0, 40, 0}}); p.Select({2, 1}); },
     "PointsY", 0, "(0,0,0) (40,40,0) (50,40,0) (0,40,0)", "2,1", "Del Edit Move W VHT KL Save Undo"},
    {"T: depth of the reference", COMMAND(ActionMoveAllSelectToZ),
     [](P p) { p.Nodes({{0, 0, 0}, {40, 0, 4}, {50, 40, -6}, {0, 40, 2}}); p.Select({2, 0, 3}); },
     "PointsZ", 0, "(0,0,-6) (40,0,4) (50,40,-6) (0,40,-6)", "2,0,3", "Del Edit Move W VHT KL Save Undo"},
    {"Ctrl+S: straight above the node", COMMAND(ActionSteuerpunktToX),
     [](P p) { CurvedTriangle(p); p.Handle(0, 'o')->SetSelected(true); }, "StPointsX0", 0,
     "(0,0,0)out(0,-4,5) (30,0,0)in(-6,-8,-2)out(0,20,6) (30,30,0)in(3,-9,0)", "", "Del Edit Move Rot Save Undo"},
    {"Ctrl+S on a smooth node: both handles", COMMAND(ActionSteuerpunktToX),
     [](P p) { CurvedTriangle(p, nkGlatt); p.Handle(1, 'o')->SetSelected(true); }, "StPointsX0", 0,
     "(0,0,0)out(7,-4,5) (30,0,0)/1in(0,-8,-2)out(0,20,6) (30,30,0)in(3,-9,0)", "", "Del Edit Move Rot Save Undo"},
    {"Ctrl+W: level with the node", COMMAND(ActionSteuerpunktToY),
     [](P p) { CurvedTriangle(p); p.Handle(0, 'o')->SetSelected(true); }, "StPointsY0", 0,
     "(0,0,0)out(7,0,5) (30,0,0)in(-6,-8,-2)out(0,20,6) (30,30,0)in(3,-9,0)", "", "Del Edit Move Rot Save Undo"},
    {"Ctrl+K: back to the node's depth", COMMAND(ActionSteuerpunktToZ),
     [](P p) { CurvedTriangle(p); p.Handle(1, 'i')->SetSelected(true); }, "StPointsZ0", 0,
     "(0,0,0)out(7,-4,5) (30,0,0)in(-6,-8,0)out(0,20,6) (30,30,0)in(3,-9,0)", "", "Del Edit Move Rot Save Undo"},
    {"Ctrl+V: x of the reference in the left picture", COMMAND(ActionAllSteuerpunkteToX),
     [](P p) { CurvedTriangle(p); TwoHandles(p); }, "StPointsX", 0,
     "(0,0,0)out(30,-4,5) (30,0,0)in(-6,-8,-2)out(0,20,6) (30,30,0)in(3,-9,0)", "", "Del Edit Move Rot All Save Undo"},
    {"Ctrl+H: y of the reference", COMMAND(ActionAllSteuerpunkteToY), [](P p) { CurvedTriangle(p); TwoHandles(p); },
     "StPointsY", 0, "(0,0,0)out(7,20,5) (30,0,0)in(-6,-8,-2)out(0,20,6) (30,30,0)in(3,-9,0)", "",
     "Del Edit Move Rot All Save Undo"},
    // Node 1 stands 27 pixels = 100 depth units in front of node 0.
    {"Ctrl+T: absolute depth of the reference", COMMAND(ActionAllSteuerpunkteToZ),
     [](P p) { CurvedTriangle(p); p.Node(1)->SetZ(27); TwoHandles(p); }, "StPointsZ", 0,
     "(0,0,0)out(7,-4,106) (30,0,27)in(-6,-8,-2)out(0,20,6) (30,30,0)in(3,-9,0)", "",
     "Del Edit Move Rot All Save Undo"},
    {"K: between two selected neighbours", COMMAND(ActionLinieInKurve), [](P p) { p.Nodes(kSquare); p.Select({0, 1}); },
     "ToCurve", 0, "(0,0,0)out(13,0,0) (40,0,0)in(-13,0,0) (40,40,0) (0,40,0)", "0,1",
     "Del Edit Move W VHT KL Save Undo"},
    {"K: the closing segment", COMMAND(ActionLinieInKurve), [](P p) { p.Nodes(kSquare); p.Select({3, 0}); },
     "ToCurve", 0, "(0,0,0)in(0,13,0) (40,0,0) (40,40,0) (0,40,0)out(0,-13,0)", "3,0",
     "Del Edit Move W VHT KL Save Undo"},
    {"K: two nodes enclose an area", COMMAND(ActionLinieInKurve),
     [](P p) { p.Nodes({{0, 0, 0}, {30, 0, 0}}); p.Select({0, 1}); }, "ToCurve", 0,
     "(0,0,0)in(10,0,0)out(10,0,0) (30,0,0)in(-10,0,0)out(-10,0,0)", "0,1", "Del Edit Move W VHT KL Kind Save Undo"},
    {"L: back to a line", COMMAND(ActionKurveInLinie), [](P p) { p.Nodes(kSquare); p.Curve(0); p.Select({0, 1}); },
     "ToLine", 0, "(0,0,0) (40,0,0) (40,40,0) (0,40,0)", "0,1", "Del Edit Move W VHT KL Save Undo"},
    // Node 0 has a line on one side and keeps its kind.
    {"Alt+M: symmetric", COMMAND(ActionKnotenSymmetrisch), [](P p) { CurvedTriangle(p); p.Select({0, 1}); },
     "ToSymmet", 0, "(0,0,0)out(7,-4,5) (30,0,0)/2in(-11,-11,-6)out(11,11,6) (30,30,0)in(3,-9,0)", "0,1",
     "Del Edit Move W VHT KL Kind Save Undo"},
    {"Alt+L: smooth keeps the lengths", COMMAND(ActionKnotenGlatt), [](P p) { CurvedTriangle(p); p.Select({0, 1}); },
     "ToGlatt", 0, "(0,0,0)out(7,-4,5) (30,0,0)/1in(-7,-7,-3)out(14,14,6) (30,30,0)in(3,-9,0)", "0,1",
     "Del Edit Move W VHT KL Kind Save Undo"},
    {"Alt+S: a cusp moves nothing", COMMAND(ActionKnotenInSpitze),
     [](P p) { CurvedTriangle(p, nkGlatt); p.Select({1}); }, "ToSpitz", 0,
     "(0,0,0)out(7,-4,5) (30,0,0)in(-6,-8,-2)out(0,20,6) (30,30,0)in(3,-9,0)", "1", "Del Edit Move W Kind Save Undo"},
};

#undef COMMAND

} // namespace

TEST(EditCommands, EachCommandChangesTheMaskRecordsItsStepAndUndoTakesItBack)
{
    for (const TCommandCase& c : kCommandCases) {
        SCOPED_TRACE(c.title);
        TMessageRecorder answerer;
        answerer.answer = mrYes;
        {
            TEditProgram p;
            c.prepare(p);
            p.EditTool();
            p.Record();
            const QString before = p.Dump(), selectedBefore = p.SelectedNodes();
            (p.dm.*(c.action))->trigger();
            EXPECT_EQ(answerer.count, c.questions);
            EXPECT_EQ(Steps(), QStringList({"Start", c.step}));
            EXPECT_EQ(p.Dump(), QString::fromUtf8(c.after));
            EXPECT_EQ(p.SelectedNodes(), QString::fromUtf8(c.selected));
            EXPECT_EQ(p.Enabled(), QString::fromUtf8(c.enabled));
            EXPECT_GE(p.viewChanges + p.repaints, 1);
            EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);

            p.dm.ActionUndo->trigger();
            EXPECT_EQ(p.Dump(), before);
            EXPECT_EQ(p.SelectedNodes(), selectedBefore);
            EXPECT_EQ(HistoryListe()->ItemIndex(), 0);
            EXPECT_TRUE(p.dm.ActionRedo->isEnabled());
            p.dm.ActionRedo->trigger();
            EXPECT_EQ(p.Dump(), QString::fromUtf8(c.after));
            EXPECT_EQ(HistoryListe()->Count(), 2);
        }
        // Called without a sender (undo, redo, the settings preview) the
        // handler changes the mask all the same, but neither records nor
        // refreshes anything.
        TEditProgram p;
        c.prepare(p);
        p.EditTool();
        p.Record();
        (p.dm.*(c.handler))(nullptr);
        EXPECT_EQ(answerer.count, 2 * c.questions);
        EXPECT_EQ(p.Dump(), QString::fromUtf8(c.after));
        EXPECT_EQ(Steps(), QStringList({"Start"}));
        EXPECT_EQ(p.viewChanges + p.repaints, 0);
        EXPECT_EQ(p.Enabled(), QString::fromUtf8(c.enabled).remove(QStringLiteral("Undo")).trimmed());
    }
}

TEST(EditCommands, CurveAndBackLeavesCornerNodesAndStraightSegments)
{
    TEditProgram p;
    p.Nodes({{0, 0, 0}, {30, 0, 0}, {30, 30, 0}});
    p.EditTool();
    p.Select({0, 1, 2});
    p.dm.ActionLinieInKurve->trigger();
    p.dm.ActionKnotenGlatt->trigger();
    EXPECT_EQ(p.Node(1)->Kind(), nkGlatt);
    p.dm.ActionKurveInLinie->trigger();
    EXPECT_EQ(p.Dump(), QStringLiteral("(0,0,0) (30,0,0) (30,30,0)"));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(p.Handle(i, 'i')->Visible() || p.Handle(i, 'o')->Visible());
    EXPECT_EQ(Steps(), QStringList({"ToCurve", "ToGlatt", "ToLine"}));
    EXPECT_EQ(p.Enabled(), QStringLiteral("Del Edit Move W VHT KL Save Undo"));
}

TEST(EditCommands, AlignmentsWithFewerThanTwoPointsChangeNothingButRecordTheirStep)
{
    TEditProgram p;
    CurvedTriangle(p);
    p.EditTool();
    p.Select({2});
    p.Handle(1, 'o')->SetSelected(true);
    p.Record();
    const QString before = p.Dump();
    EXPECT_FALSE(p.dm.ActionMoveAllSelectToX->isEnabled());
    EXPECT_TRUE(p.dm.ActionPointMove0->isEnabled());
    // Disabled in the menus, but run anyway they must do no harm.
    p.dm.ActionMoveAllSelectToXExecute(p.dm.ActionMoveAllSelectToX);
    p.dm.ActionMoveAllSelectToYExecute(p.dm.ActionMoveAllSelectToY);
    p.dm.ActionMoveAllSelectToZExecute(p.dm.ActionMoveAllSelectToZ);
    p.dm.ActionAllSteuerpunkteToXExecute(p.dm.ActionAllSteuerpunkteToX);
    p.dm.ActionAllSteuerpunkteToYExecute(p.dm.ActionAllSteuerpunkteToY);
    p.dm.ActionAllSteuerpunkteToZExecute(p.dm.ActionAllSteuerpunkteToZ);
    EXPECT_EQ(Steps(), QStringList({"Start", "PointsY", "PointsY", "PointsZ", "StPointsX", "StPointsY", "StPointsZ"}));
    EXPECT_EQ(p.Dump(), before);
}

// ---------------------------------------------------------------------------
// Delete

TEST(DeleteCommand, TheWholeMaskQuestionAndAnyAnswerButYesKeepsTheMask)
{
    for (int answer : {int(mrNo), int(mrCancel), int(mrYes)}) {
        TEditProgram p;
        TMessageRecorder answerer({answer});
        p.Nodes(kPentagon);
        p.EditTool();
        p.Select({0, 1, 2, 3, 4});
        p.Record();
        p.dm.ActionMaskDelete->trigger();
        ASSERT_EQ(answerer.count, 1);
        EXPECT_EQ(answerer.shown[0].first, QStringLiteral("Soll wirklich die <FB>ganze Maske gelöscht<FN> werden?"));
        EXPECT_EQ(answerer.shown[0].second, dkBestaetigung);
        EXPECT_EQ(answerer.buttons[0], unsigned(dbYes | dbNo));
        const bool yes = answer == mrYes;
        EXPECT_EQ(p.Outline().Count(), yes ? 0 : 5);
        EXPECT_EQ(p.SelectedNodes(), yes ? QString() : QStringLiteral("0,1,2,3,4"));
        EXPECT_EQ(HistoryListe()->Count(), yes ? 2 : 1);
    }
}

TEST(DeleteCommand, TheToolInForceStaysSoTheNextClickInTheNewMaskToolStartsAMask)
{
    {
        TEditProgram p;
        p.Nodes({{0, 0, 0}, {40, 0, 0}});
        p.dm.ActionNewMask->setChecked(true), p.dm.ActionNewMaskExecute(nullptr);
        p.dm.ActionMaskDelete->trigger();
        EXPECT_EQ(p.Outline().Count(), 0);
        EXPECT_EQ(p.dm.EditMode, TDM::emNewMask);
        EXPECT_TRUE(p.dm.ActionNewMask->isChecked());
        p.dm.NewPointPos = QPoint(12, 34);
        p.dm.SetEditMode(TDM::emInsertPoint);
        EXPECT_EQ(p.Dump(), QStringLiteral("(12,34,0)"));
        EXPECT_EQ(p.dm.EditMode, TDM::emNewMask);
    }
    {
        TEditProgram p;
        p.Nodes({{0, 0, 0}, {40, 0, 0}});
        p.EditTool();
        // Delete pressed while a drag is under way ends in the edit tool.
        p.dm.SetEditMode(TDM::emDragMoveXY);
        p.dm.ActionMaskDelete->trigger();
        EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
        EXPECT_EQ(LastStep(), QStringLiteral("ActDel"));
        EXPECT_EQ(p.Enabled(), QString());
    }
}

TEST(DeleteCommand, OutsideTheEditingModesNothingHappens)
{
    TEditProgram p;
    TMessageRecorder answerer;
    p.Nodes(kPentagon);
    p.Select({1});
    EXPECT_FALSE(p.dm.ActionMaskDelete->isEnabled());
    p.dm.ActionMaskDeleteExecute(p.dm.ActionMaskDelete);
    EXPECT_EQ(p.Outline().Count(), 5);
    EXPECT_EQ(HistoryListe()->Count(), 0);
    EXPECT_EQ(answerer.count, 0);
}

// ---------------------------------------------------------------------------
// Tools, view toggles, undo and redo

TEST(MaskTools, NewMaskSwitchesTheTransparentDisplayOnAndTheToolsExcludeEachOther)
{
    TEditProgram p;
    p.Nodes(kSquare);
    p.dm.ActionNewMask->trigger();
    EXPECT_EQ(p.dm.EditMode, TDM::emNewMask);
    EXPECT_TRUE(p.dm.ActionTransparenteMaske->isChecked());
    EXPECT_EQ(p.dm.CursorNumber, 3);
    EXPECT_EQ(HistoryListe()->Items(0)->R01().EditMode, TDM::emNewMask);

    p.dm.ActionMaskEdit->trigger();
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    EXPECT_TRUE(p.dm.ActionMaskEdit->isChecked() && !p.dm.ActionNewMask->isChecked());
    // The checked tools travel with the step: bit 9 is the edit tool.
    EXPECT_EQ(HistoryListe()->Items(1)->R01().CheckedActions & 0x300u, 0x200u);

    p.dm.ActionNewMask->trigger();
    EXPECT_FALSE(p.dm.ActionMaskEdit->isChecked());
    p.dm.ActionNewMask->trigger(); // off again: the display stays transparent
    EXPECT_EQ(p.dm.EditMode, TDM::emIdle);
    EXPECT_TRUE(p.dm.ActionTransparenteMaske->isChecked());
    EXPECT_EQ(Steps(), QStringList({"ActNewMsk", "ActEditMsk", "ActNewMsk", "ActNewMsk"}));
    EXPECT_EQ(p.Enabled(), QStringLiteral("Edit Save Undo"));
}

TEST(ViewToggles, TransparentMaskAndGridRecordNoStep)
{
    TEditProgram p;
    p.Nodes(kSquare);
    p.dm.ActionTransparenteMaske->trigger();
    EXPECT_TRUE(p.dm.ActionTransparenteMaske->isChecked());
    p.dm.ActionGitter->trigger();
    EXPECT_TRUE(p.dm.ActionGitter->isChecked());
    EXPECT_EQ(p.viewChanges, 2);
    // Internal calls: the transparent display is left as it is, the grid
    // flips, and neither refreshes.
    p.dm.ActionTransparenteMaskeExecute(nullptr);
    EXPECT_TRUE(p.dm.ActionTransparenteMaske->isChecked());
    p.dm.ActionGitterExecute(nullptr);
    EXPECT_FALSE(p.dm.ActionGitter->isChecked());
    EXPECT_EQ(p.viewChanges, 2);
    EXPECT_EQ(HistoryListe()->Count(), 0);
}

TEST(ScrollTool, TogglesBackToTheMaskToolAndRecordsActScrollInEveryCase)
{
    TEditProgram p;
    p.Nodes(kSquare);
    p.dm.ActionNewMask->setChecked(true), p.dm.ActionNewMaskExecute(nullptr);
    p.dm.ActionScrollen->trigger();
    EXPECT_EQ(p.dm.EditMode, TDM::emScroll);
    EXPECT_TRUE(p.dm.ActionScrollen->isChecked());
    EXPECT_EQ(p.dm.CursorNumber, 1);
    p.dm.ActionScrollen->trigger();
    EXPECT_EQ(p.dm.EditMode, TDM::emNewMask);
    EXPECT_FALSE(p.dm.ActionScrollen->isChecked());
    // During a drag the mode stays, the action still shows the mode, and the
    // step is recorded all the same.
    p.dm.SetEditMode(TDM::emDragMoveZ);
    p.dm.ActionScrollen->trigger();
    EXPECT_EQ(p.dm.EditMode, TDM::emDragMoveZ);
    EXPECT_FALSE(p.dm.ActionScrollen->isChecked());
    EXPECT_EQ(HistoryListe()->Items(2)->R01().CheckedActions & (1u << 11), 0u);
    p.dm.ActionScrollenExecute(nullptr);
    EXPECT_EQ(Steps(), QStringList({"ActScroll", "ActScroll", "ActScroll"}));
}

TEST(UndoRedo, AtEitherEndNothingMovesAndNoStepIsLost)
{
    TEditProgram p;
    p.Nodes(kSquare);
    p.EditTool();
    p.Record();
    p.Select({1});
    p.dm.ActionPointMove0->trigger();
    EXPECT_FALSE(p.dm.ActionRedo->isEnabled());
    p.dm.ActionRedoExecute();
    EXPECT_EQ(HistoryListe()->ItemIndex(), 1);
    p.dm.ActionUndo->trigger();
    EXPECT_FALSE(p.dm.ActionUndo->isEnabled());
    p.dm.ActionUndoExecute();
    EXPECT_EQ(HistoryListe()->ItemIndex(), 0);
    HistoryListe()->Add(QStringLiteral("Sel"));
    EXPECT_EQ(Steps(), QStringList({"Start", "Sel"}));
}

// ---------------------------------------------------------------------------
// Point read-out

namespace {
// Number of separate bands of text rows the label paints (white on black).
int TextBands(QLabel* label)
{
    QImage image(label->size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    label->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int bands = 0;
    bool inText = false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        bool any = false;
        for (int x = 0; x < image.width() && !any; ++x)
            any = qGray(row[x]) > 128;
        bands += any && !inText ? 1 : 0;
        inText = any;
    }
    return bands;
}
} // namespace

TEST(PointReadout, NothingANodeOrAControlPointWithTwoLines)
{
    TEditProgram p;
    p.Nodes({{100, 50, 12}, {140, 50, 0}});
    p.Curve(0);
    QLabel* label = p.form.Label1;
    p.dm.ShowPointReadout();
    EXPECT_EQ(label->text(), QStringLiteral("???"));

    p.Select({0});
    EXPECT_EQ(label->text(), QStringLiteral("X(L)=100 X(R)=112 Y=50 Z=12 "));
    EXPECT_EQ(TextBands(label), 1);

    p.Rel(0, 'o', 10, -4, 40);
    p.Handle(0, 'o')->SetSelected(true);
    // X(R) = 112 + 10 + nearest(40 * 0.27); Z = 12 + 40.
    EXPECT_EQ(label->text(), QStringLiteral("X(L)=110 X(R)=133 Y=46 Z=52 \rXrel=10 Yrel=-4 Zrel=40 "));
    EXPECT_EQ(TextBands(label), 2);

    // A command that moves the reference point without a selection change
    // shows the new place.
    p.EditTool();
    p.dm.ActionSteuerpunktToX->trigger();
    EXPECT_EQ(label->text(), QStringLiteral("X(L)=100 X(R)=123 Y=46 Z=52 \rXrel=0 Yrel=-4 Zrel=40 "));
    p.Handle(0, 'o')->SetSelected(false);
    p.Node(0)->SetSelected(false);
    EXPECT_EQ(label->text(), QStringLiteral("???"));
}
