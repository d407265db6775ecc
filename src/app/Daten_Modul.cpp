#include "app/Daten_Modul.h"

#include "app/Artwork.h"
#include "history/History.h"
#include "history/UserMessage.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFileInfo>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace {
const QString kResBusyText = QStringLiteral("Bitte warten"); // 65229
const QString kResRestoreError = QStringLiteral(
    "<FB><FS12><c4>Fehler!<FN><LF>Der Bearbeitungsschritt ist beschädigt und konnte nicht vollständig "
    "wiederhergestellt werden.<LF>%s");

// The hook sees a wheel turn once, as the main window receives it from the
// window system, wherever over the window it happens (view, toolbar, status
// bar, menu bar); the scroll bars keep the wheel for scrolling.
bool IsMainWindowWheel(QWidget* viewWindow, QObject* watched, QEvent* event)
{
    if (!viewWindow || watched != viewWindow->window()->windowHandle())
        return false;
    const QPoint at = static_cast<QWheelEvent*>(event)->position().toPoint();
    for (QWidget* w = viewWindow->window()->childAt(at); w; w = w->parentWidget())
        if (qobject_cast<QAbstractSlider*>(w))
            return false;
    return true;
}

} // namespace

QEvent::Type TStartupEvent::EventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType(QEvent::User + kStartupMessage));
    return type;
}

TDM::TDM(QObject* parent) : QObject(parent)
{
    InitArtworkResources();
    CreateActions();

    // 1. live settings, busy state
    Settings = std::make_unique<TDesktopData>();
    Settings->OnChange = [this](TDesktopData*, quint16 what) { ApplySettingsPreview(what); };
    Busy = false;
    BusyText = kResBusyText;

    TimerUpdateBild = new QTimer(this);
    TimerUpdateBild->setSingleShot(false);
    TimerUpdateBild->setInterval(250);
    connect(TimerUpdateBild, &QTimer::timeout, this, &TDM::TimerUpdateBildTimer);

    // 2. the numbered cursors
    for (int n = 1; n <= kNumberedCursorCount; ++n)
        FCursors[size_t(n)] = NumberedCursor(n);
    // 3. no pictures yet; the masks exist but are empty.
    // 4. the display matrix of the checked stereo action
    StereoActionExecute(nullptr);
    // 5. view scales
    ViewCentre = QPoint(-1, -1);
    SetFitScale(0.8);
    SetZoomScale(0.1);
    ZoomStep = 0.1;
    FitMargin = 16;
    CursorNumber = 8;
    // 6. tool cycle and tracked actions
    ToolCycle = {nullptr, ActionScrollen, ActionPointMoveXY, ActionPointMoveZ, ActionPointMoveX, ActionPointMoveY,
                 ActionMove_Distance, ActionRotate_Z, ActionRotate_Y, ActionRotate_X};
    TrackedActions.fill(nullptr);
    TrackedActions[8] = ActionNewMask;
    TrackedActions[9] = ActionMaskEdit;
    TrackedActions[10] = ActionPointMoveXY;
    TrackedActions[11] = ActionScrollen;
    TrackedActions[12] = ActionPointMoveX;
    TrackedActions[13] = ActionPointMoveY;
    TrackedActions[14] = ActionPointMoveZ;
    TrackedActions[15] = ActionPointMove0;

    ConnectActions();
    qApp->installEventFilter(this);
    // 7.
    UpdateActions();
}

TDM::~TDM()
{
    if (qApp)
        qApp->removeEventFilter(this);
    // The program-wide objects can outlive this controller (a second editor
    // window in one process, the benchmark); a notification left behind
    // would call into freed memory at the next selection or history change.
    if (Started) {
        if (TSelect* selection = SelectListe())
            selection->OnChange = nullptr;
        if (TSelectStrPkt* controls = SelectStrPktListe())
            controls->OnChange = nullptr;
        if (THistoryListe* history = HistoryListe()) {
            history->OnIndexChange = nullptr;
            history->OnAdd = nullptr;
        }
    }
}

QCursor TDM::CursorFor(int number) const
{
    return number >= 1 && number <= kNumberedCursorCount ? FCursors[size_t(number)] : QCursor(Qt::ArrowCursor);
}

void TDM::SetCursorNumber(quint16 number, bool screenWide)
{
    // A drag cursor can share its number with the resting cursor of the same
    // tool (the rotations): the change of scope alone must still reach the
    // window, or the screen-wide cursor would outlive the drag.
    if (number == CursorNumber && screenWide == FCursorScreenWide)
        return;
    CursorNumber = number;
    FCursorScreenWide = screenWide;
    if (OnCursorChanged)
        OnCursorChanged(screenWide);
    if (OnModeChanged)
        OnModeChanged();
}

void TDM::SetAnaglyphButtonAction(QAction* action)
{
    if (AnaglyphButtonAction == action)
        return;
    AnaglyphButtonAction = action;
    if (OnAnaglyphButtonChanged)
        OnAnaglyphButtonChanged();
}

void TDM::ConnectActions()
{
    connect(ActionOpenLinksRechts, &QAction::triggered, this, [this] { ActionOpenLinksRechtsExecute(); });
    connect(ActionOpenMask, &QAction::triggered, this, [this] { ActionOpenMaskExecute(); });
    connect(ActionSaveMask, &QAction::triggered, this, [this] { ActionSaveMaskExecute(); });
    connect(ActionSaveLinksRechts, &QAction::triggered, this, [this] { ActionSaveLinksRechtsExecute(); });
    connect(ActionUndo, &QAction::triggered, this, [this] { ActionUndoExecute(); });
    connect(ActionRedo, &QAction::triggered, this, [this] { ActionRedoExecute(); });
    for (QAction* a : {ActionAnaglyphe_sw, ActionAnaglyphe_Farb, ActionAnaglyphe_Halb, ActionKreuz, ActionParallel})
        connect(a, &QAction::triggered, this, [this, a] { StereoActionExecute(a); });
    for (QAction* a : {ActionAnsichtOriginal, ActionAnsichtFit, ActionAnsichtZoom})
        // The optional-exclusive group unchecks an item clicked a second
        // time: then it was checked before the click.
        connect(a, &QAction::triggered, this, [this, a](bool checked) { ViewActionExecute(a, !checked); });
    connect(ActionNewMask, &QAction::triggered, this, [this] { ActionNewMaskExecute(ActionNewMask); });
    connect(ActionMaskEdit, &QAction::triggered, this, [this] { ActionMaskEditExecute(ActionMaskEdit); });
    connect(ActionTransparenteMaske, &QAction::triggered, this,
            [this] { ActionTransparenteMaskeExecute(ActionTransparenteMaske); });
    connect(ActionGitter, &QAction::triggered, this, [this] { ActionGitterExecute(ActionGitter); });
    connect(ActionFensterpruefung, &QAction::triggered, this,
            [this] { ActionFensterpruefungExecute(ActionFensterpruefung); });
    connect(ActionScrollen, &QAction::triggered, this, [this] { ActionScrollenExecute(ActionScrollen); });
    connect(ActionMaskDelete, &QAction::triggered, this, [this] { ActionMaskDeleteExecute(ActionMaskDelete); });
    const std::pair<QAction*, void (TDM::*)(QAction*)> commands[] = {
        {ActionPointMove0, &TDM::ActionPointMove0Execute},
        {ActionMoveAllSelectToX, &TDM::ActionMoveAllSelectToXExecute},
        {ActionMoveAllSelectToY, &TDM::ActionMoveAllSelectToYExecute},
        {ActionMoveAllSelectToZ, &TDM::ActionMoveAllSelectToZExecute},
        {ActionSteuerpunktToX, &TDM::ActionSteuerpunktToXExecute},
        {ActionSteuerpunktToY, &TDM::ActionSteuerpunktToYExecute},
        {ActionSteuerpunktToZ, &TDM::ActionSteuerpunktToZExecute},
        {ActionAllSteuerpunkteToX, &TDM::ActionAllSteuerpunkteToXExecute},
        {ActionAllSteuerpunkteToY, &TDM::ActionAllSteuerpunkteToYExecute},
        {ActionAllSteuerpunkteToZ, &TDM::ActionAllSteuerpunkteToZExecute},
        {ActionLinieInKurve, &TDM::ActionLinieInKurveExecute},
        {ActionKurveInLinie, &TDM::ActionKurveInLinieExecute},
        {ActionKnotenInSpitze, &TDM::ActionKnotenInSpitzeExecute},
        {ActionKnotenGlatt, &TDM::ActionKnotenGlattExecute},
        {ActionKnotenSymmetrisch, &TDM::ActionKnotenSymmetrischExecute},
        {ActionFensterVor, &TDM::ActionFensterVorExecute},
    };
    for (const auto& [action, handler] : commands)
        connect(action, &QAction::triggered, this, [this, action, handler] { (this->*handler)(action); });
    connect(ActionOptionen, &QAction::triggered, this, [this] { ActionOptionenExecute(); });
    for (QAction* a : {ActionPointMoveXY, ActionPointMoveX, ActionPointMoveY, ActionPointMoveZ, ActionRotate_X,
                       ActionRotate_Y, ActionRotate_Z, ActionMove_Distance})
        connect(a, &QAction::triggered, this, [this, a](bool checked) { MoveToolExecute(a, checked); });
}

// ---------------------------------------------------------------------------
// Edit modes and action state

bool TDM::IsEditingMode() const
{
    return EditMode == emInsertPoint || EditMode == emNewMask || (EditMode >= emEditMask && EditMode <= emDragMoveDist);
}

void TDM::UpdateActions()
{
    const bool e = IsEditingMode();
    TPolygonListe* outline = PolygonListe();
    TSelect* selection = SelectListe();
    TSelectStrPkt* controls = SelectStrPktListe();
    const int nodes = outline ? outline->Count() : 0;
    const int selected = selection ? selection->Count() : 0;
    const int selectedControls = controls ? controls->Count() : 0;

    ActionMaskDelete->setEnabled(e && nodes > 0);
    ActionMaskEdit->setEnabled(EditMode != emLeaveTool && EditMode != emPressEmpty && EditMode != emRubberBand &&
                               nodes >= 2);
    for (QAction* a : {ActionPointMoveXY, ActionPointMoveX, ActionPointMoveY, ActionPointMoveZ})
        a->setEnabled(e && nodes > 0);
    ActionPointMove0->setEnabled(e && selected > 0);
    for (QAction* a : {ActionMoveAllSelectToX, ActionMoveAllSelectToY, ActionMoveAllSelectToZ})
        a->setEnabled(e && selected >= 2);
    for (QAction* a : {ActionRotate_X, ActionRotate_Y, ActionRotate_Z, ActionMove_Distance, ActionSteuerpunktToX,
                       ActionSteuerpunktToY, ActionSteuerpunktToZ})
        a->setEnabled(e && selectedControls > 0);
    for (QAction* a : {ActionAllSteuerpunkteToX, ActionAllSteuerpunkteToY, ActionAllSteuerpunkteToZ})
        a->setEnabled(e && selectedControls >= 2);
    const bool adjacent = e && selection && selection->HasAdjacentPair();
    ActionLinieInKurve->setEnabled(adjacent);
    ActionKurveInLinie->setEnabled(adjacent);
    const bool curveNode = e && selection && selection->HasCurveNode();
    for (QAction* a : {ActionKnotenInSpitze, ActionKnotenGlatt, ActionKnotenSymmetrisch})
        a->setEnabled(curveNode);
    ActionSaveMask->setEnabled(outline && outline->IsDrawable());
    UpdateWindowCheckActions();

    ActionScrollen->setChecked(EditMode == emScroll || EditMode == emScrollDrag);
    THistoryListe* history = HistoryListe();
    ActionUndo->setEnabled(history && history->ItemIndex() > 0);
    ActionRedo->setEnabled(history && history->ItemIndex() < history->Count() - 1);
    if (OnModeChanged)
        OnModeChanged();
    if (history) {
        quint32 bits = 0;
        for (int n = 0; n < int(TrackedActions.size()); ++n)
            if (TrackedActions[n] && TrackedActions[n]->isChecked())
                bits |= (1u << n);
        history->Current().R01().CheckedActions = bits;
    }
}

quint16 TDM::CursorByCheckedMoveTool() const
{
    auto on = [](QAction* a) { return a->isEnabled() && a->isChecked(); };
    if (on(ActionPointMoveXY)) return crMoveXY;
    if (on(ActionPointMoveX)) return crMoveX;
    if (on(ActionPointMoveY)) return crMoveY;
    if (on(ActionPointMoveZ)) return crMoveZ;
    if (ActionRotate_X->isChecked()) return crRotX;
    if (ActionRotate_Y->isChecked()) return crRotY;
    if (ActionRotate_Z->isChecked()) return crRotZ;
    if (ActionMove_Distance->isChecked()) return crDistance;
    return crNoTool;
}

namespace {
// History steps of a drag, by drag mode 5..12.
const char* const kDragStepNames[] = {"MoveXY", "Move Z", "Move X", "Move Y", "Rot X", "Rot Y", "Rot Z", "MoveDist"};
const char* const kStepPunkt = "Punkt";
} // namespace

void TDM::SetEditMode(quint8 mode)
{
    if (mode == EditMode)
        return;
    const quint8 old = EditMode;
    EditMode = mode;
    if (OnModeChanged)
        OnModeChanged();
    if (TPolygonListe* outline = PolygonListe())
        outline->SaveToCurrent();
    if (old >= emDragMoveXY && old <= emDragMoveDist && DragState == 2)
        if (THistoryListe* history = HistoryListe())
            history->Add(QString::fromLatin1(kDragStepNames[old - emDragMoveXY]));

    switch (mode) {
    case emIdle:
    case emEditMask:
    case emPressEmpty:
        UpdateActions();
        SetCursorNumber(CursorByCheckedMoveTool(), false);
        break;
    case emInsertPoint: {
        SetCursorNumber(crNewMask, false);
        TSelect* selection = SelectListe();
        TPolygonListe* outline = PolygonListe();
        if (selection && outline) {
            TBezEndPkt* reference = selection->Reference();
            selection->DeselectAll();
            if (reference)
                reference->SetSelected(true);
            TBezEndPkt* node = outline->AddNode(NewPointPos.x(), NewPointPos.y(), selection->SegmentEnd);
            node->SetSelected(true);
            outline->SaveToCurrent();
            if (THistoryListe* history = HistoryListe())
                history->Add(QString::fromLatin1(kStepPunkt));
        }
        RefreshView();
        SetEditMode(emNewMask);
        break;
    }
    case emNewMask:
        SetCursorNumber(crNewMask, false);
        break;
    case emLeaveTool:
        UpdateActions();
        SetCursorNumber(CursorByCheckedMoveTool(), false);
        SetEditMode(emIdle);
        break;
    case emDragMoveXY: case emDragMoveZ: case emDragMoveX: case emDragMoveY:
    case emDragRotX: case emDragRotY: case emDragRotZ: case emDragMoveDist: {
        static const quint16 kCursors[] = {crDragMoveXY, crDragMoveZ, crDragMoveX, crDragMoveY,
                                           crRotX,       crRotY,      crRotZ,      crDistance};
        QAction* const tools[] = {ActionPointMoveXY, ActionPointMoveZ, ActionPointMoveX, ActionPointMoveY,
                                  ActionRotate_X, ActionRotate_Y, ActionRotate_Z, ActionMove_Distance};
        SetCursorNumber(kCursors[mode - emDragMoveXY], true);
        SelectMoveTool(tools[mode - emDragMoveXY], true);
        break;
    }
    case emScroll:
        SetCursorNumber(crScroll, false);
        break;
    case emScrollDrag:
        SetCursorNumber(crScrollDrag, true);
        break;
    default:
        break;
    }
    // The recursive calls above already stored their own mode; store ours
    // only while it is still the one in force.
    if (EditMode == mode) {
        if (THistoryListe* history = HistoryListe())
            history->Current().R01().EditMode = EditMode;
        UpdateActions();
    }
}

void TDM::SelectMoveTool(QAction* action, bool checked)
{
    action->setChecked(checked);
    if (!action->isChecked())
        return;
    for (QAction* a : {ActionPointMoveXY, ActionPointMoveX, ActionPointMoveY, ActionPointMoveZ, ActionRotate_X,
                       ActionRotate_Y, ActionRotate_Z, ActionMove_Distance})
        if (a != action)
            a->setChecked(false);
}

void TDM::MoveToolExecute(QAction* sender, bool checked)
{
    // The click has already toggled the action: checked is "not the state
    // before the click".
    SelectMoveTool(sender, checked);
    UpdateActions();
    SetCursorNumber(CursorByCheckedMoveTool(), false);
}

void TDM::ScrollToolToggle()
{
    if (EditMode < emDragMoveXY)
        SetEditMode(emScroll);
    else if (EditMode == emScroll || EditMode == emScrollDrag)
        SetEditMode(ActionNewMask->isChecked() ? emNewMask : ActionMaskEdit->isChecked() ? emEditMask : emIdle);
}

void TDM::SelectionChanged()
{
    if (TPolygonListe* outline = PolygonListe())
        outline->SaveToCurrent();
    UpdateActions();
    ShowPointReadout();
}

void TDM::RestoreHistoryState()
{
    THistoryListe* history = HistoryListe();
    THistoryEintrag* entry = history ? history->CurrentEntry() : nullptr;
    if (!entry)
        return;
    // The highlighted handle goes before the outline is replaced: reloading
    // destroys every handle, and a stale one must not be touched afterwards.
    SetHotHandle(nullptr);
    LoadStereoPair(entry->R01().LeftFileName, entry->R01().RightFileName, entry->R02().InputLayout);
    try {
        if (TPolygonListe* outline = PolygonListe())
            outline->LoadFromEntry();
        if (TSelect* selection = SelectListe())
            selection->LoadFromEntry();
        Settings->LoadFromHistoryEntry(kDesktopMaskDocument);
    } catch (const EPlenoptraError& e) {
        // A damaged step must not leave the editor half restored without a
        // word: say what failed and bring the tool state in line anyway.
        ShowUserMessage(FormatResString(kResRestoreError, e.Message()), dkFehler, dbOK);
    }
    for (int n = 0; n < int(TrackedActions.size()); ++n)
        if (TrackedActions[n])
            TrackedActions[n]->setChecked((entry->R01().CheckedActions >> n) & 1u);
    ActionNewMaskExecute(nullptr);
    ActionMaskEditExecute(nullptr);
    RefreshView();
    if (OnRepaintRequest)
        OnRepaintRequest();
    const int m = entry->R01().EditMode;
    if (m >= emEditMask && m <= emDragMoveDist)
        SetEditMode(emEditMask);
    else if (m >= emInsertPoint && m <= emNewMask)
        SetEditMode(emNewMask);
    else if (m >= emScroll && m <= emScrollDrag)
        SetEditMode(emScroll);
    else
        UpdateActions();
}

void TDM::SetBusy(bool busy)
{
    Busy = busy;
    if (OnRepaintRequest)
        OnRepaintRequest();
}

void TDM::DeferRefreshView()
{
    TimerUpdateBild->stop();
    TimerUpdateBild->setInterval(kDragRefreshDelayMs);
    TimerUpdateBild->start();
}

void TDM::TimerUpdateBildTimer()
{
    TimerUpdateBild->stop();
    RefreshView();
}

// ---------------------------------------------------------------------------
// The message hook

bool TDM::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == TStartupEvent::EventType()) {
        auto* startup = static_cast<TStartupEvent*>(event);
        if (startup->Message == kStartupMessage && startup->WParam == kStartupWParam &&
            startup->LParam == kStartupLParam) {
            DeferredStart(Arguments);
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::Wheel && IsMainWindowWheel(ViewWindow, watched, event)) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const int delta = wheel->angleDelta().y();
        if (delta != 0) {
            if (ActionPointMoveZ->isChecked() && IsEditingMode()) {
                // One pixel of parallax per wheel message, however far a
                // high-resolution wheel reports it turned.
                if (TSelect* selection = SelectListe())
                    selection->DepthStep(delta > 0 ? -1 : +1);
                DragStepDone();
            } else {
                MouseWheel(delta);
            }
        }
        return false;
    }
    return QObject::eventFilter(watched, event);
}
