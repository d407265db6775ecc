// The editing commands of the menus and the toolbar: the two mask tools,
// delete, the alignments of nodes and control points, line/curve, node kinds,
// the view toggles, the scroll tool, undo and redo, and the point read-out.
//
// Every handler takes the action that triggered it. Called without one (after
// undo or redo, from the settings preview) it only brings the state in line:
// no view refresh and no history step, because the caller restores or
// previews a state that is already recorded.
#include "app/Daten_Modul.h"

#include "history/History.h"
#include "history/UserMessage.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"

#include <QLabel>

namespace {

// Step names: stored in mask files, so they are part of the file format.
const QString kStepNewMask = QStringLiteral("ActNewMsk");
const QString kStepEditMask = QStringLiteral("ActEditMsk");
const QString kStepDelete = QStringLiteral("ActDel");
const QString kStepNodesToWindowPlane = QStringLiteral("Points0");
// Both alignments in the window plane, vertical and horizontal, are stored
// under this one name; existing mask files carry it so.
const QString kStepAlignNodesXY = QStringLiteral("PointsY");
const QString kStepAlignNodesZ = QStringLiteral("PointsZ");
const QString kStepControlX0 = QStringLiteral("StPointsX0");
const QString kStepControlY0 = QStringLiteral("StPointsY0");
const QString kStepControlZ0 = QStringLiteral("StPointsZ0");
const QString kStepAlignControlX = QStringLiteral("StPointsX");
const QString kStepAlignControlY = QStringLiteral("StPointsY");
const QString kStepAlignControlZ = QStringLiteral("StPointsZ");
const QString kStepToCurve = QStringLiteral("ToCurve");
const QString kStepToLine = QStringLiteral("ToLine");
const QString kStepToSpitze = QStringLiteral("ToSpitz");
const QString kStepToGlatt = QStringLiteral("ToGlatt");
const QString kStepToSymmetrisch = QStringLiteral("ToSymmet");
const QString kStepScroll = QStringLiteral("ActScroll");

const QString kResDeleteWholeMask =
    QStringLiteral("Soll wirklich die <FB>ganze Maske gelöscht<FN> werden?"); // 65228

// The read-out's texts; a control point's two lines are joined by one
// carriage return.
constexpr const char* kReadoutPoint = "X(L)=%d X(R)=%d Y=%d Z=%d ";
constexpr const char* kReadoutRelative = "Xrel=%d Yrel=%d Zrel=%d ";
const QString kReadoutNone = QStringLiteral("???");
constexpr QChar kReadoutLineBreak = QChar(13);

void SaveOutlineToCurrent()
{
    if (TPolygonListe* outline = PolygonListe())
        outline->SaveToCurrent();
}

} // namespace

// The common end of every command that changed the mask: recompose the view,
// store the outline, record the step. The read-out follows too, since the
// reference point may have moved without any change of selection.
void TDM::FinishMaskCommand(QAction* sender, const QString& stepName)
{
    if (sender)
        RefreshView();
    SaveOutlineToCurrent();
    if (sender)
        AddHistoryStep(stepName);
    UpdateActions();
    ShowPointReadout();
}

// ---------------------------------------------------------------------------
// The two mask tools

void TDM::ActionNewMaskExecute(QAction* sender)
{
    // With a sender the click has already inverted Checked.
    if (!ActionNewMask->isChecked()) {
        SetEditMode(emLeaveTool);
    } else {
        ActionMaskEdit->setChecked(false);
        // Drawing a new outline needs to see the picture under it.
        ActionTransparenteMaske->setChecked(true);
        SetEditMode(emNewMask);
    }
    if (sender) {
        RefreshView();
        AddHistoryStep(kStepNewMask);
    }
}

void TDM::ActionMaskEditExecute(QAction* sender)
{
    if (!ActionMaskEdit->isChecked()) {
        SetEditMode(emLeaveTool);
    } else {
        ActionNewMask->setChecked(false);
        SetEditMode(emEditMask);
    }
    if (sender) {
        RefreshView();
        AddHistoryStep(kStepEditMask);
    }
}

// ---------------------------------------------------------------------------
// Delete

void TDM::ActionMaskDeleteExecute(QAction* sender)
{
    // Also guards a call while the command is disabled.
    if (!IsEditingMode())
        return;
    TPolygonListe* outline = PolygonListe();
    TSelect* selection = SelectListe();
    if (!outline || !selection)
        return;
    const int nodes = outline->Count();
    const int selected = selection->Count();
    if (nodes >= 3 && selected > 0 && selected < nodes) {
        selection->DeleteSelected();
        FinishMaskCommand(sender, kStepDelete);
    } else {
        // Fewer than three nodes enclose nothing worth a question.
        const bool confirmed = nodes < 3
            || ShowUserMessage(kResDeleteWholeMask, dkBestaetigung, dbYes | dbNo) == mrYes;
        if (confirmed) {
            selection->DeselectAll();
            outline->Clear();
            FinishMaskCommand(sender, kStepDelete);
        }
    }
    if (outline->Count() == 0) {
        // The tool in force stays in force: in the new-mask tool the next
        // click starts a new outline.
        if (ActionMaskEdit->isChecked())
            SetEditMode(emEditMask);
        if (ActionNewMask->isChecked())
            SetEditMode(emNewMask);
    }
    UpdateActions();
}

void TDM::SelectionCommand(void (TSelect::*change)(), QAction* sender, const QString& stepName)
{
    if (TSelect* selection = SelectListe())
        (selection->*change)();
    FinishMaskCommand(sender, stepName);
}

void TDM::SelectionCommand(void (TSelectStrPkt::*change)(), QAction* sender, const QString& stepName)
{
    if (TSelectStrPkt* controls = SelectStrPktListe())
        (controls->*change)();
    FinishMaskCommand(sender, stepName);
}

// ---------------------------------------------------------------------------
// Alignment of nodes; fewer than two selected nodes change nothing, but the
// step is recorded all the same.

void TDM::ActionPointMove0Execute(QAction* sender)
{
    SelectionCommand(&TSelect::ZeroDepth, sender, kStepNodesToWindowPlane);
}

void TDM::ActionMoveAllSelectToXExecute(QAction* sender)
{
    SelectionCommand(&TSelect::AlignX, sender, kStepAlignNodesXY);
}

void TDM::ActionMoveAllSelectToYExecute(QAction* sender)
{
    SelectionCommand(&TSelect::AlignY, sender, kStepAlignNodesXY);
}

void TDM::ActionMoveAllSelectToZExecute(QAction* sender)
{
    SelectionCommand(&TSelect::AlignZ, sender, kStepAlignNodesZ);
}

// ---------------------------------------------------------------------------
// Control-point commands

void TDM::ActionSteuerpunktToXExecute(QAction* sender)
{
    SelectionCommand(&TSelectStrPkt::ToX, sender, kStepControlX0);
}

void TDM::ActionSteuerpunktToYExecute(QAction* sender)
{
    SelectionCommand(&TSelectStrPkt::ToY, sender, kStepControlY0);
}

void TDM::ActionSteuerpunktToZExecute(QAction* sender)
{
    SelectionCommand(&TSelectStrPkt::ToZ, sender, kStepControlZ0);
}

void TDM::ActionAllSteuerpunkteToXExecute(QAction* sender)
{
    SelectionCommand(&TSelectStrPkt::AlignX, sender, kStepAlignControlX);
}

void TDM::ActionAllSteuerpunkteToYExecute(QAction* sender)
{
    SelectionCommand(&TSelectStrPkt::AlignY, sender, kStepAlignControlY);
}

void TDM::ActionAllSteuerpunkteToZExecute(QAction* sender)
{
    SelectionCommand(&TSelectStrPkt::AlignZ, sender, kStepAlignControlZ);
}

// ---------------------------------------------------------------------------
// Line and curve

void TDM::ConvertSelectedSegments(quint8 type)
{
    TPolygonListe* outline = PolygonListe();
    if (!outline)
        return;
    const int n = outline->Count();
    // j wraps to 0 after the last node, so the closing segment is converted
    // too. A single node has no segment of its own.
    for (int i = 0; i < n && n >= 2; ++i) {
        TBezEndPkt* a = outline->Items(i);
        TBezEndPkt* b = outline->Items((i + 1) % n);
        if (a->Selected() && b->Selected())
            a->SetSegmentType(type, b);
    }
    outline->BuildPoints();
}

void TDM::ActionLinieInKurveExecute(QAction* sender)
{
    ConvertSelectedSegments(stCurve);
    FinishMaskCommand(sender, kStepToCurve);
}

void TDM::ActionKurveInLinieExecute(QAction* sender)
{
    ConvertSelectedSegments(stLine);
    FinishMaskCommand(sender, kStepToLine);
}

// ---------------------------------------------------------------------------
// Node kinds: only nodes with curves on both sides have a tangent to couple.

void TDM::SetSelectedNodeKind(QAction* sender, quint8 kind, const QString& stepName)
{
    TSelect* selection = SelectListe();
    TPolygonListe* outline = PolygonListe();
    if (selection && outline) {
        for (int i = 0; i < selection->Count(); ++i) {
            TBezEndPkt* node = selection->Items(i);
            if (node->Incoming()->Curve() == stCurve && node->Outgoing()->Curve() == stCurve)
                node->SetKind(kind);
        }
        // A cusp keeps its control points where they are, so only the handle
        // colours change; the other kinds move control points.
        if (kind != nkSpitze)
            outline->BuildPoints();
    }
    if (sender) {
        if (kind == nkSpitze) {
            if (OnRepaintRequest)
                OnRepaintRequest();
        } else {
            RefreshView();
        }
    }
    SaveOutlineToCurrent();
    if (sender)
        AddHistoryStep(stepName);
    UpdateActions();
    ShowPointReadout();
}

void TDM::ActionKnotenInSpitzeExecute(QAction* sender) { SetSelectedNodeKind(sender, nkSpitze, kStepToSpitze); }
void TDM::ActionKnotenGlattExecute(QAction* sender) { SetSelectedNodeKind(sender, nkGlatt, kStepToGlatt); }
void TDM::ActionKnotenSymmetrischExecute(QAction* sender)
{
    SetSelectedNodeKind(sender, nkSymmetrisch, kStepToSymmetrisch);
}

// ---------------------------------------------------------------------------
// View toggles, scroll tool, undo and redo

void TDM::ActionTransparenteMaskeExecute(QAction* sender)
{
    // The click has already inverted Checked; an internal call changes nothing.
    if (!sender)
        return;
    RefreshView();
    UpdateActions();
}

void TDM::ActionGitterExecute(QAction* sender)
{
    // The grid is the window's overlay: an internal call only flips the state,
    // a click (which has flipped it already) shows the result.
    if (!sender) {
        ActionGitter->setChecked(!ActionGitter->isChecked());
        return;
    }
    RefreshView();
}

void TDM::ActionScrollenExecute(QAction* sender)
{
    ScrollToolToggle();
    // Checked follows the mode, also when the mode stayed (a press during a
    // drag), so the click's own toggle is taken back here.
    UpdateActions();
    if (sender)
        AddHistoryStep(kStepScroll);
}

void TDM::ActionUndoExecute()
{
    // Stepping before the first entry would make the next step drop the
    // whole history, so a call while disabled does nothing.
    THistoryListe* history = HistoryListe();
    if (history && history->ItemIndex() > 0)
        history->SetItemIndex(history->ItemIndex() - 1);
    UpdateActions();
}

void TDM::ActionRedoExecute()
{
    THistoryListe* history = HistoryListe();
    if (history && history->ItemIndex() < history->Count() - 1)
        history->SetItemIndex(history->ItemIndex() + 1);
    UpdateActions();
}

// ---------------------------------------------------------------------------
// Point read-out

QString TDM::PointReadoutText()
{
    if (TSelectStrPkt* controls = SelectStrPktListe()) {
        if (const TBezSteuerPkt* c = controls->Reference()) {
            const QPoint rel = c->GetRel();
            return QString::asprintf(kReadoutPoint, c->GetX(0), c->GetX(1), c->GetY(), c->GetZ())
                + kReadoutLineBreak + QString::asprintf(kReadoutRelative, rel.x(), rel.y(), c->GetRelD());
        }
    }
    if (TSelect* selection = SelectListe()) {
        if (const TBezEndPkt* node = selection->Reference())
            return QString::asprintf(kReadoutPoint, node->GetX(0), node->GetX(1), node->GetY(), node->GetZ());
    }
    return kReadoutNone;
}

void TDM::ShowPointReadout()
{
    if (ReadoutLabel)
        ReadoutLabel->setText(PointReadoutText());
}
