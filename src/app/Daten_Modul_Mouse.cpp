// The mouse tools of the controller: what a press, a move and a release over
// the view mean in each edit mode, the handle under the mouse, selecting
// handles and the control points shown around the selection, the rubber
// band, the tool cycle of the right button, and the drag steps.
#include "app/Daten_Modul.h"

#include "history/History.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/Liste_VisibledAnfasser.h"
#include "model/ProgramObjects.h"

#include <algorithm>
#include <vector>

namespace {

// History steps of the selection made with the mouse.
const char* const kStepSel = "Sel";
const char* const kStepUnSel = "UnSel";
const char* const kStepUnSelAll = "UnSelAll";
const char* const kStepUnSelAllStr = "UnSelAllStr";
const char* const kStepMultiSel = "MultiSel";

// Numbers of the tool cycle (ToolCycle): 1 is the scroll tool.
constexpr int kCycleScroll = 1;
constexpr int kCycleFirst = 1;
constexpr int kCycleLast = 9;
// Ctrl+right button jumps to the tool's partner: a move tool to the rotation
// or the distance tool of the same axis, and back.
constexpr int kCyclePartner[kCycleLast + 1] = {0, 0, 7, 6, 9, 8, 3, 2, 5, 4};

QPoint TopLeft(const TRect& r) { return QPoint(r.Left, r.Top); }

bool IsDragMode(quint8 mode) { return mode >= TDM::emDragMoveXY && mode <= TDM::emDragMoveDist; }

// Hides c unless it is selected: hiding would silently deselect it.
void HideUnlessSelected(TBezSteuerPkt* c)
{
    if (!c->Selected())
        c->SetVisible(false);
}

} // namespace

// ---------------------------------------------------------------------------
// Handles

TAnfasser* TDM::HandleAt(QPoint p)
{
    TVisibleAnfasser* visible = VisibleAnfasser();
    if (!visible)
        return nullptr;
    bool left = HitHalf == 1;
    TAnfasser* h = visible->FindHit(p, left);
    if (h)
        HitHalf = left ? 1 : 0;
    return h;
}

void TDM::SetHotHandle(TAnfasser* h)
{
    if (h == HotHandle)
        return;
    // A handle that left the registry may have been destroyed with its node
    // (deleted, or the outline reloaded): it is forgotten, not touched.
    TVisibleAnfasser* visible = VisibleAnfasser();
    if (HotHandle && visible && visible->IndexOf(HotHandle) >= 0)
        HotHandle->SetHot(false);
    HotHandle = h;
    if (HotHandle)
        HotHandle->SetHot(true);
    if (OnRepaintRequest)
        OnRepaintRequest();
}

TAnfasser* TDM::SelectHandle(TAnfasser* h, bool add, bool& changed)
{
    changed = false;
    TPolygonListe* outline = PolygonListe();
    TSelect* selection = SelectListe();
    TSelectStrPkt* controls = SelectStrPktListe();
    if (!h) {
        if (!add && selection)
            selection->DeselectAll();
        return nullptr;
    }
    const bool old = h->Selected();
    if (outline && outline->IndexOf(h) >= 0) {
        auto* node = static_cast<TBezEndPkt*>(h);
        if (controls)
            controls->DeselectAll();
        HideUnselectedControlPoints();
        if (add) {
            node->SetSelected(!node->Selected());
        } else {
            if (!node->Selected() && selection)
                selection->DeselectAll();
            node->SetSelected(true);
            if (selection) {
                selection->MakeReference(node);
                // The order is part of the stored selection: the reference
                // must survive undo and redo.
                selection->SaveToCurrent();
                ShowNeighbourControlPoints(selection->Reference());
            }
        }
    } else if (auto* c = dynamic_cast<TBezSteuerPkt*>(h)) {
        if (add) {
            c->SetSelected(!c->Selected());
        } else {
            if (!c->Selected()) {
                if (controls)
                    controls->DeselectAll();
                c->SetSelected(true);
                HideUnselectedControlPoints();
            }
            c->SetSelected(true);
            TBezSteuerPkt* oldReference = controls ? controls->Reference() : nullptr;
            if (controls)
                controls->MakeReference(c);
            SwitchReferenceControlPoint(c, oldReference);
        }
    } else {
        h->SetSelected(add ? !h->Selected() : true);
    }
    changed = h->Selected() != old;
    if (OnRepaintRequest)
        OnRepaintRequest();
    return h->Selected() ? h : nullptr;
}

void TDM::HideUnselectedControlPoints()
{
    TPolygonListe* outline = PolygonListe();
    if (!outline)
        return;
    for (int i = 0; i < outline->Count(); ++i) {
        TBezEndPkt* node = outline->Items(i);
        if (node->Selected())
            continue;
        TBezSteuerPkt* in = node->Incoming();
        TBezSteuerPkt* out = node->Outgoing();
        if (node->Kind() == nkSpitze) {
            HideUnlessSelected(in);
            HideUnlessSelected(out);
        } else if (!in->Selected() && !out->Selected()) {
            // The handles of a coupled node show and hide together.
            in->SetVisible(false);
            out->SetVisible(false);
        }
    }
}

void TDM::ShowNeighbourControlPoints(TBezEndPkt* node)
{
    TPolygonListe* outline = PolygonListe();
    if (!node || !outline || outline->IndexOf(node) < 0)
        return;
    int prev = 0, next = 0;
    outline->Neighbours(node, prev, next);
    // The handles on the node's two segments, and the partners that move with
    // them at a coupled neighbour.
    TBezEndPkt* p = outline->Items(prev);
    TBezEndPkt* n = outline->Items(next);
    p->Outgoing()->SetVisible(true);
    if (p->Kind() != nkSpitze)
        p->Incoming()->SetVisible(true);
    n->Incoming()->SetVisible(true);
    if (n->Kind() != nkSpitze)
        n->Outgoing()->SetVisible(true);
}

void TDM::SwitchReferenceControlPoint(TBezSteuerPkt* newReference, TBezSteuerPkt* oldReference)
{
    TPolygonListe* outline = PolygonListe();
    if (!outline)
        return;
    if (oldReference && outline->IndexOf(oldReference->Owner()) >= 0) {
        int prev = 0, next = 0;
        outline->Neighbours(oldReference->Owner(), prev, next);
        for (int i : {prev, next}) {
            TBezEndPkt* neighbour = outline->Items(i);
            if (neighbour->Selected())
                continue;
            HideUnlessSelected(neighbour->Incoming());
            HideUnlessSelected(neighbour->Outgoing());
        }
    }
    if (newReference) {
        TBezEndPkt* owner = newReference->Owner();
        owner->Incoming()->SetVisible(true);
        owner->Outgoing()->SetVisible(true);
        ShowNeighbourControlPoints(owner);
    }
}

void TDM::FinishRubberBand()
{
    const QPoint a = RubberBand.topLeft();
    const QPoint c = RubberBand.bottomRight();
    const int minX = std::min(a.x(), c.x()), maxX = std::max(a.x(), c.x());
    const int minY = std::min(a.y(), c.y()), maxY = std::max(a.y(), c.y());
    auto inside = [&](QPoint p) { return minX <= p.x() && p.x() <= maxX && minY <= p.y() && p.y() <= maxY; };
    if (TVisibleAnfasser* visible = VisibleAnfasser()) {
        // Toggling a node shows or hides its handles: go over the handles the
        // band was drawn over, and skip those that have disappeared since.
        std::vector<TAnfasser*> handles;
        for (int i = 0; i < visible->Count(); ++i)
            handles.push_back(visible->Items(i));
        for (auto it = handles.rbegin(); it != handles.rend(); ++it) {
            TAnfasser* h = *it;
            if (visible->IndexOf(h) < 0)
                continue;
            if (inside(h->ScreenPoint(0)) || inside(h->ScreenPoint(1))) {
                bool changed = false;
                SelectHandle(h, true, changed);
            }
        }
    }
    AddHistoryStep(QString::fromLatin1(kStepMultiSel));
    if (OnRepaintRequest)
        OnRepaintRequest();
}

// ---------------------------------------------------------------------------
// Press, move, release

void TDM::AddHistoryStep(const QString& name)
{
    if (TPolygonListe* outline = PolygonListe())
        outline->SaveToCurrent();
    if (THistoryListe* history = HistoryListe())
        history->Add(name);
}

void TDM::EnterDragModeOfCheckedTool()
{
    if (ActionPointMoveXY->isChecked())
        SetEditMode(emDragMoveXY);
    else if (ActionPointMoveX->isChecked())
        SetEditMode(emDragMoveX);
    else if (ActionPointMoveY->isChecked())
        SetEditMode(emDragMoveY);
    else if (ActionPointMoveZ->isChecked())
        SetEditMode(emDragMoveZ);
    else if (ActionRotate_X->isChecked())
        SetEditMode(emDragRotX);
    else if (ActionRotate_Y->isChecked())
        SetEditMode(emDragRotY);
    else if (ActionRotate_Z->isChecked())
        SetEditMode(emDragRotZ);
    else if (ActionMove_Distance->isChecked())
        SetEditMode(emDragMoveDist);
}

void TDM::MousePress(const TRect& leftHalf, const TRect& rightHalf, TShiftState state, QPoint p)
{
    // While a pair is being loaded the mask is about to be replaced; a click
    // then would edit what the user no longer sees.
    if (Busy)
        return;
    FMouseCaptured = true;
    bool changed = false;
    PressPos = PrevPos = CurPos = p;
    TVisibleAnfasser* visible = VisibleAnfasser();
    TSelect* selection = SelectListe();
    TSelectStrPkt* controls = SelectStrPktListe();

    if (EditMode == emNewMask) {
        TAnfasser* h = HandleAt(p);
        // The overlays draw the first handle last, on top.
        if (h && visible)
            visible->MakeFirst(h);
        if (!h && selection && selection->IsOneSegment()) {
            // The left rectangle is centred in its half, so left + right is
            // the line between the halves.
            const bool leftSide = !ViewLeftHalf.Empty() && p.x() < leftHalf.Left + leftHalf.Right;
            NewPointPos = ScreenToPicture(p - TopLeft(leftSide ? leftHalf : rightHalf));
            SetEditMode(emInsertPoint);
        } else {
            if (TPolygonListe* outline = PolygonListe(); outline && outline->LastAdded())
                outline->LastAdded()->SetSelected(false);
            if (SelectHandle(h, state.Shift(), changed)) {
                DragState = 1;
                EnterDragModeOfCheckedTool();
                if (changed)
                    AddHistoryStep(QString::fromLatin1(kStepSel));
            }
        }
    } else if (EditMode == emScroll) {
        SetEditMode(emScrollDrag);
    } else if (EditMode == emEditMask) {
        TAnfasser* h = HandleAt(p);
        if (h && visible)
            visible->MakeFirst(h);
        if (!h) {
            if (!state.Shift()) {
                // Control points go first; the nodes with the next press.
                if (controls && controls->Count() > 0) {
                    if (controls->DeselectAll()) {
                        HideUnselectedControlPoints();
                        AddHistoryStep(QString::fromLatin1(kStepUnSelAllStr));
                    }
                } else if (selection && selection->DeselectAll()) {
                    HideUnselectedControlPoints();
                    AddHistoryStep(QString::fromLatin1(kStepUnSelAll));
                }
                if (OnRepaintRequest)
                    OnRepaintRequest();
            }
            SetEditMode(emPressEmpty);
        } else if (SelectHandle(h, state.Shift(), changed)) {
            DragState = 1;
            EnterDragModeOfCheckedTool();
            if (changed)
                AddHistoryStep(QString::fromLatin1(kStepSel));
        } else {
            AddHistoryStep(QString::fromLatin1(kStepUnSel));
        }
    }

    NewPointPos = ScreenToPicture(p - TopLeft(HitHalf == 1 ? leftHalf : rightHalf));
    LastEventPos = p;
    LastEventPicturePos = NewPointPos;
    if (OnModeChanged)
        OnModeChanged();
}

void TDM::MouseMoveTo(QPoint offset, QPoint p, const TRect& leftHalf, const TRect& rightHalf, TShiftState)
{
    if (IsDragMode(EditMode))
        DragState = 2;
    LastMousePos = p;
    const QPoint previous = NewPointPos;
    NewPointPos = ScreenToPicture(offset);
    UpdateWheelAnchor(p, NewPointPos, leftHalf, rightHalf);
    if (OnModeChanged)
        OnModeChanged();
    const QPoint delta = NewPointPos - previous;
    SetHotHandle(EditMode == emNewMask || EditMode == emEditMask ? HandleAt(p) : nullptr);
    CurPos = p;

    switch (EditMode) {
    case emNewMask:
        // The insertion preview follows the mouse.
        if (OnRepaintRequest)
            OnRepaintRequest();
        break;
    case emDragMoveXY:
        DragMoveBy(delta);
        break;
    case emDragMoveZ:
        DragDepthBy(delta.x());
        break;
    case emDragMoveX:
        DragMoveBy(QPoint(delta.x(), 0));
        break;
    case emDragMoveY:
        DragMoveBy(QPoint(0, delta.y()));
        break;
    case emDragRotX:
    case emDragRotY:
    case emDragRotZ:
    case emDragMoveDist: {
        // The picture under the mouse: in cross view the left half shows the
        // right picture, and in the anaglyph views the left screen points
        // hold the right picture's positions.
        const int side = ActionParallel->isChecked() ? (HitHalf == 1 ? 0 : 1) : HitHalf;
        const int mode = EditMode == emDragMoveDist ? int(tmDistance) : EditMode - emDragRotX + int(tmRotateX);
        DragTransform(LastEventPicturePos, NewPointPos, side, mode);
        break;
    }
    case emPressEmpty:
        SetEditMode(emRubberBand);
        // The band spans press and mouse from its first move on, so a band
        // released after a single move selects what it shows.
        [[fallthrough]];
    case emRubberBand:
        RubberBand = QRect(p, PressPos);
        if (OnRepaintRequest)
            OnRepaintRequest();
        break;
    case emScrollDrag:
        // The picture follows the mouse.
        ScrollBy(PrevPos.x() - CurPos.x(), PrevPos.y() - CurPos.y());
        break;
    default:
        break;
    }
    PrevPos = p;
    LastEventPos = p;
    LastEventPicturePos = NewPointPos;
}

void TDM::MouseRelease(QPoint offset, QPoint p, TShiftState)
{
    // A release without a taken press (one ignored while busy, or one that
    // began in another window) must not switch the tools.
    if (!FMouseCaptured)
        return;
    FMouseCaptured = false;
    struct TDragEnd {
        quint8& state;
        ~TDragEnd() { state = 0; }
    } dragEnd{DragState};

    ReleasePos = p;
    NewPointPos = ScreenToPicture(offset);
    if (EditMode == emScrollDrag)
        SetEditMode(emScroll);
    if (ActionMaskEdit->isChecked()) {
        // Leaving a drag mode writes the drag's one history step.
        if (EditMode >= emEditMask && EditMode <= emDragMoveDist)
            SetEditMode(emEditMask);
        if (EditMode == emRubberBand)
            FinishRubberBand();
        if (EditMode == emPressEmpty || EditMode == emRubberBand)
            SetEditMode(emEditMask);
    } else if (ActionNewMask->isChecked() && EditMode < emScroll) {
        // The scroll tool stays chosen after a scroll drag, as with the edit
        // tool.
        if (EditMode == emRubberBand)
            FinishRubberBand();
        TSelect* selection = SelectListe();
        SetEditMode(selection && selection->IsOneSegment() ? emNewMask : emEditMask);
    }
}

// ---------------------------------------------------------------------------
// Drag steps

void TDM::DragStepDone()
{
    UpdateWindowCheck();
    if (OnLayoutChanged)
        OnLayoutChanged();
    ShowPointReadout();
    DeferRefreshView();
}

void TDM::DragMoveBy(QPoint delta)
{
    TSelectStrPkt* controls = SelectStrPktListe();
    TSelect* selection = SelectListe();
    if (controls && controls->Count() > 0)
        controls->MoveRel(delta);
    else if (selection)
        selection->MoveXY(delta);
    DragStepDone();
}

void TDM::DragDepthBy(int dz)
{
    TSelectStrPkt* controls = SelectStrPktListe();
    TSelect* selection = SelectListe();
    if (controls && controls->Count() > 0)
        controls->AddDepth(dz);
    else if (selection)
        selection->MoveZ(dz);
    DragStepDone();
}

void TDM::DragTransform(QPoint previous, QPoint current, int side, int mode)
{
    // Rotations and the distance act on control points only.
    TSelectStrPkt* controls = SelectStrPktListe();
    if (controls && controls->Count() > 0)
        controls->Transform(previous, current, side, mode);
    DragStepDone();
}

// ---------------------------------------------------------------------------
// The tool cycle of the right button

void TDM::RunCycleTool(int number)
{
    QAction* tool = ToolCycle[size_t(number)];
    if (number == kCycleScroll)
        ActionScrollenExecute(tool);
    else
        // As a click on the tool would: a checked tool is switched off.
        MoveToolExecute(tool, !tool->isChecked());
}

void TDM::CycleTool(TShiftState state)
{
    if (Busy)
        return;
    int k = 0;
    for (int i = 2; i <= kCycleLast && k == 0; ++i)
        if (ToolCycle[size_t(i)]->isChecked())
            k = i;
    if (k == 0 && !state.Ctrl() && ToolCycle[kCycleScroll]->isChecked())
        k = kCycleScroll;
    if (k == 0) {
        ScrollToolToggle();
        return;
    }
    int j = 0, step = +1;
    if (state.Ctrl()) {
        j = kCyclePartner[k];
    } else if (state.Shift() || state.Middle()) {
        j = k == kCycleFirst ? kCycleLast : k - 1;
        step = -1;
    } else {
        j = k == kCycleLast ? kCycleFirst : k + 1;
    }
    RunCycleTool(k);
    int i = j;
    do {
        if (i != k && ToolCycle[size_t(i)]->isEnabled()) {
            RunCycleTool(i);
            return;
        }
        i += step;
        if (i > kCycleLast)
            i = kCycleFirst;
        else if (i < kCycleFirst)
            i = kCycleLast;
    } while (i != j);
    if (k != kCycleScroll)
        ScrollToolToggle();
}
