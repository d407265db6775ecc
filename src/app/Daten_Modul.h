#pragma once
// TDM: the controller. It owns every action, the pictures and the composed
// display bitmaps, the live settings and the tool state. It never draws into
// the window: it tells the main window what changed through notifications the
// window installs, each called only when set.

#include "settings/Desktop_Object.h"
#include "stereo/Compose.h"
#include "stereo/DisparityMap.h"
#include "stereo/StereoConvert.h"

#include <QAction>
#include <QCursor>
#include <QPolygonF>
#include <QEvent>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QVector>

#include <array>
#include <functional>
#include <memory>

class QActionGroup;
class QLabel;
class QPainter;
class QWidget;
class TAnfasser;
class TBezEndPkt;
class TBezSteuerPkt;
class TSelect;
class TSelectStrPkt;
class TWindowCheckState;
struct TWindowCheck;

// The deferred start-up is a posted message carrying these three numbers; the
// application-wide hook reacts to exactly this combination.
constexpr int kStartupMessage = 1024;
constexpr qintptr kStartupWParam = 1234;
constexpr qintptr kStartupLParam = 4567;

// "Zoom (%f %%)" with two decimals and the user's decimal separator: the
// zoom action's caption and the status bar's zoom panel.
QString ZoomText(double scale);

class TStartupEvent : public QEvent {
public:
    static QEvent::Type EventType();
    TStartupEvent(int message, qintptr wParam, qintptr lParam)
        : QEvent(EventType()), Message(message), WParam(wParam), LParam(lParam)
    {
    }
    int Message;
    qintptr WParam;
    qintptr LParam;
};

// A rectangle with Windows semantics: right and bottom are exclusive edges.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    bool operator==(const TRect&) const = default;
};

struct TScreenPos {
    int sx = 0, sy = 0;
    bool visible = false, insideX = false, insideY = false;
};

// The buttons held and the modifier keys of a mouse event.
struct TShiftState {
    Qt::MouseButtons Buttons;
    Qt::KeyboardModifiers Keys;
    bool Left() const { return Buttons.testFlag(Qt::LeftButton); }
    bool Right() const { return Buttons.testFlag(Qt::RightButton); }
    bool Middle() const { return Buttons.testFlag(Qt::MiddleButton); }
    bool Shift() const { return Keys.testFlag(Qt::ShiftModifier); }
    bool Ctrl() const { return Keys.testFlag(Qt::ControlModifier); }
};

// The mouse cursors by number (the pictures are the program's own).
enum TCursorNumber : quint16 {
    crScroll = 1, crScrollDrag = 2, crNewMask = 3,
    crDragMoveXY = 4, crDragMoveZ = 5, crDragMoveX = 6, crDragMoveY = 7,
    crNoTool = 8,
    crMoveXY = 10, crMoveX = 11, crMoveY = 12, crMoveZ = 13,
    crRotX = 14, crRotY = 15, crRotZ = 16, crDistance = 17,
};

// The view is recomposed this long after the last drag or wheel step.
constexpr int kDragRefreshDelayMs = 500;

class TDM : public QObject {
    Q_OBJECT
public:
    // Edit modes (stored in every history step, so the numbers are fixed).
    enum : quint8 {
        emIdle = 0, emInsertPoint = 1, emNewMask = 2, emLeaveTool = 3, emEditMask = 4,
        emDragMoveXY = 5, emDragMoveZ = 6, emDragMoveX = 7, emDragMoveY = 8,
        emDragRotX = 9, emDragRotY = 10, emDragRotZ = 11, emDragMoveDist = 12,
        emPressEmpty = 13, emRubberBand = 14, emScroll = 15, emScrollDrag = 16,
    };
    static constexpr int kBusyTextRes = 65229;

    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // ---- actions -------------------------------------------------------
    QAction* ActionOpenLinksRechts;
    QAction* ActionOpenMask;
    QAction* ActionSaveMask;
    QAction* ActionSaveLinksRechts;
    QAction* ActionUndo;
    QAction* ActionRedo;
    QAction* ActionOptionen;
    QAction* ActionAnaglyphe_sw;
    QAction* ActionAnaglyphe_Farb;
    QAction* ActionAnaglyphe_Halb;
    QAction* ActionKreuz;
    QAction* ActionParallel;
    QAction* ActionAnsichtOriginal;
    QAction* ActionAnsichtFit;
    QAction* ActionAnsichtZoom;
    QAction* ActionScrollen;
    QAction* ActionTransparenteMaske;
    QAction* ActionGitter;
    QAction* ActionNewMask;
    QAction* ActionMaskEdit;
    QAction* ActionMaskDelete;
    QAction* ActionPointMoveXY;
    QAction* ActionPointMoveX;
    QAction* ActionPointMoveY;
    QAction* ActionPointMoveZ;
    QAction* ActionMove_Distance;
    QAction* ActionRotate_X;
    QAction* ActionRotate_Y;
    QAction* ActionRotate_Z;
    QAction* ActionPointMove0;
    QAction* ActionMoveAllSelectToX;
    QAction* ActionMoveAllSelectToY;
    QAction* ActionMoveAllSelectToZ;
    QAction* ActionSteuerpunktToX;
    QAction* ActionSteuerpunktToY;
    QAction* ActionSteuerpunktToZ;
    QAction* ActionAllSteuerpunkteToX;
    QAction* ActionAllSteuerpunkteToY;
    QAction* ActionAllSteuerpunkteToZ;
    QAction* ActionLinieInKurve;
    QAction* ActionKurveInLinie;
    QAction* ActionKnotenInSpitze;
    QAction* ActionKnotenGlatt;
    QAction* ActionKnotenSymmetrisch;
    QAction* ActionFensterpruefung;
    QAction* ActionFensterVor;

    // Every action in table order, with its object name, category in
    // property "category".
    const QVector<QAction*>& Actions() const { return FActions; }
    QAction* ActionByName(const QString& name) const;

    std::array<QAction*, 10> ToolCycle{}; // slots 1..9 used
    std::array<QAction*, 32> TrackedActions{};
    QAction* AnaglyphButtonAction = nullptr;
    void SetAnaglyphButtonAction(QAction* action);

    // ---- notifications (installed by the main window) ----------------
    std::function<void()> OnLayoutChanged;
    std::function<void()> OnModeChanged;
    std::function<void()> OnViewChanged;
    std::function<void(bool screenWide)> OnCursorChanged;
    std::function<void()> OnRepaintRequest;
    std::function<void()> OnAnaglyphButtonChanged;
    std::function<void(const QString&)> OnCaptionChanged;
    // The window check's status text changed (empty while the check is off).
    std::function<void(const QString&)> OnWindowCheckChanged;
    QWidget* ViewWindow = nullptr;
    QLabel* ReadoutLabel = nullptr;

    // ---- fields --------------------------------------------------------
    std::unique_ptr<TDesktopData> Settings;
    // The pictures: as loaded, the white working masks, and the composed
    // display (the two halves, or the anaglyph). An empty bitmap is "none".
    TPictureSet Pictures;
    TBitmap& SourceLeft = Pictures.SourceLeft;
    TBitmap& SourceRight = Pictures.SourceRight;
    TBitmap& MaskLeft = Pictures.MaskLeft;
    TBitmap& MaskRight = Pictures.MaskRight;
    TBitmap& ViewLeftHalf = Pictures.ViewLeftHalf;
    TBitmap& ViewRightHalf = Pictures.ViewRightHalf;
    TBitmap& ViewAnaglyph = Pictures.ViewAnaglyph;
    TColorMatrix& DisplayMatrix = Pictures.DisplayMatrix;
    // Whether a pair has been asked for in this run (the bitmaps "exist").
    bool PicturesCreated = false;
    double FitScale = 0; // 0.8 once created
    double ZoomScale = 0; // 0.1 once created
    double ZoomStep = 0.1;
    int FitMargin = 16;
    QPoint ViewCentre{-1, -1};
    TRect VisibleSource, PictureRectLeftHalf, PictureRectRightHalf;
    QVector<QPoint> OutlineLeft, OutlineRight;
    quint8 EditMode = emIdle;
    quint16 CursorNumber = crNoTool;
    bool Busy = false;
    QString BusyText;
    QTimer* TimerUpdateBild;

    // Mouse state. Picture points: NewPointPos, LastEventPicturePos; all
    // others are window points.
    QPoint NewPointPos; // picture point under the mouse; mode 1 inserts here
    // 0 no drag, 1 a handle was grabbed, 2 the mouse moved in a drag mode.
    quint8 DragState = 0;
    // Half of the last handle hit: 1 the left half, 0 the right one.
    quint8 HitHalf = 0;
    TAnfasser* HotHandle = nullptr;
    QPoint PressPos, PrevPos, CurPos, LastMousePos, ReleasePos;
    QPoint LastEventPicturePos, LastEventPos;
    // The band's four corners, unsorted: topLeft() is the mouse, bottomRight()
    // the press, topRight() and bottomLeft() the two mixed corners.
    QRect RubberBand;
    QPoint WheelAnchor;
    bool WheelAnchorInsideX = false, WheelAnchorInsideY = false;
    QPoint LastWheelPos;

    // File dialogs' remembered names (the dialogs themselves are modal
    // QFileDialogs shown on demand).
    QString OpenPictureDialog_L_FileName;
    QString OpenPictureDialog_R_FileName;
    QString OpenDialogMaske_FileName;

    // ---- cursors -------------------------------------------------------
    // The cursor registered under number (1..17); the arrow otherwise.
    QCursor CursorFor(int number) const;
    // Sends OnCursorChanged when the number or the screen-wide flag differs
    // from the cursor in force, so a screen-wide cursor is always taken back.
    void SetCursorNumber(quint16 number, bool screenWide);
    bool CursorScreenWide() const { return FCursorScreenWide; }
    // The resting cursor of the checked move tool (crNoTool with none).
    quint16 CursorByCheckedMoveTool() const;

    // ---- view (geometry of the zoomable, scrollable view) --------------
    double CurrentScale() const;
    void SetFitScale(double v);
    void SetZoomScale(double v);
    void SetViewCentreX(int x);
    void SetViewCentreY(int y);
    void ScrollBy(int dx, int dy);
    void ResetWheelAnchor();
    QPoint ScreenToPicture(QPoint offset) const;
    TScreenPos PictureToScreen(int x, int y, const TRect& r) const;
    void ComputeVisibleSource(const TRect& r);
    TRect PictureScreenRect(const TBitmap& bitmap, const TRect& r) const;
    void StereoActionExecute(QAction* sender);
    void ViewActionExecute(QAction* sender, bool wasChecked = false);
    void MouseWheel(int delta);
    bool IsEditingMode() const;
    // Updates the wheel anchor from a mouse move (called by the mouse tools).
    void UpdateWheelAnchor(QPoint mouse, QPoint picturePoint, const TRect& leftHalf, const TRect& rightHalf);

    void PaintSideBySideOverlay(QPainter& canvas, const TRect& leftHalf, const TRect& rightHalf);
    void PaintAnaglyphOverlay(QPainter& canvas, const TRect& anaglyph);
    void PaintGrid(QPainter& canvas, const TRect& r);

    // ---- mouse tools (the main window routes its mouse events here) ----
    // Left press at window point p. Ignored while Busy.
    void MousePress(const TRect& leftHalf, const TRect& rightHalf, TShiftState state, QPoint p);
    // offset: p relative to the view rectangle of the half last grabbed.
    void MouseMoveTo(QPoint offset, QPoint p, const TRect& leftHalf, const TRect& rightHalf, TShiftState state);
    // Left release; ignored unless the press was taken.
    void MouseRelease(QPoint offset, QPoint p, TShiftState state);
    // Right or middle press: the next move tool. Ignored while Busy.
    void CycleTool(TShiftState state);
    // True from a taken left press to its release.
    bool MouseCaptured() const { return FMouseCaptured; }
    // The topmost visible handle at window point p; a hit sets HitHalf.
    TAnfasser* HandleAt(QPoint p);
    // Selects h (toggles it with add) under the control-point visibility
    // rules; returns h when it ends selected. changed: its Selected flipped.
    TAnfasser* SelectHandle(TAnfasser* h, bool add, bool& changed);
    void SetHotHandle(TAnfasser* h);
    // Toggles every handle inside the band; history step "MultiSel".
    void FinishRubberBand();
    void HideUnselectedControlPoints();
    void ShowNeighbourControlPoints(TBezEndPkt* node);
    void SwitchReferenceControlPoint(TBezSteuerPkt* newReference, TBezSteuerPkt* oldReference);
    // Drag steps in picture pixels; each relayouts, refreshes the read-out
    // and defers the recomposition.
    void DragMoveBy(QPoint delta);
    void DragDepthBy(int dz);
    void DragTransform(QPoint previous, QPoint current, int side, int mode);
    // Restarts TimerUpdateBild: the view recomposes kDragRefreshDelayMs later.
    void DeferRefreshView();

    // ---- state ---------------------------------------------------------
    void UpdateActions();
    void SetEditMode(quint8 mode);
    void SelectMoveTool(QAction* action, bool checked);
    // The scroll tool on or off, back to the mask tool in force; no history.
    void ScrollToolToggle();
    void RefreshView();
    void RestoreHistoryState();
    // The view follows the settings page being edited (the record's
    // change word); changes no history.
    void ApplySettingsPreview(quint16 what);
    void SetBusy(bool busy);
    // Writes PointReadoutText into ReadoutLabel.
    void ShowPointReadout();
    // The reference control point's coordinates (two lines joined by one
    // carriage return), else the reference node's (one line), else "???".
    QString PointReadoutText();

    // ---- pictures ------------------------------------------------------
    // True when the pair named is the one loaded afterwards. A pair that
    // cannot be loaded leaves pictures, names, view and history as they were.
    bool LoadStereoPair(const QString& left, const QString& right, quint8 layout);

    // ---- window check (Daten_Modul_WindowCheck.cpp) -----------------------
    // Where the scene stands in front of the stereo window where its edge cuts
    // it. The pair's disparity map is computed once per loaded pair on a
    // worker thread; the outline is checked against the cached map after
    // every change while ActionFensterpruefung is checked.

    // A pair was loaded into SourceLeft/SourceRight from these names: its map
    // is asked for in the background, unless it is the very pair (same files,
    // unchanged) whose map is already there or on its way.
    void PairLoaded(const QString& left, const QString& right, quint8 layout);
    // Rechecks the outline when it or the map changed since the last check and
    // the check is on; tells the main window when the text changed.
    void UpdateWindowCheck();
    // The enabling of ActionFensterVor and the check, from UpdateActions.
    void UpdateWindowCheckActions();
    // The map of the loaded pair; null while it is computed or with no pair.
    std::shared_ptr<const TDisparityMap> WindowCheckMap() const;
    // True while the loaded pair's map is being computed.
    bool WindowCheckBusy() const;
    // The latest check (verdict "cannot tell" and no samples before the first).
    const TWindowCheck& WindowCheckResult() const;
    // The status text: empty while the check is off.
    QString WindowCheckText() const;
    // The violated stretches in window coordinates, placed by the view's
    // rules like the outline: in parallel view the left picture's in
    // leftHalf and the right picture's in rightHalf, in every other view the
    // other way round (for the anaglyph both rectangles are the same).
    struct TWindowCheckStretches {
        QVector<QPolygonF> Left, Right;
    };
    TWindowCheckStretches WindowCheckStretches(const TRect& leftHalf, const TRect& rightHalf) const;
    // Draws the stretches in the warning colour (called by the overlays
    // before the outline, so that the outline runs on top of the band).
    void PaintWindowCheckOverlay(QPainter& canvas, const TRect& leftHalf, const TRect& rightHalf);
    // The computation of the map; the worker thread calls it. Tests replace
    // it before the first pair is loaded; unset: ComputeDisparityMap.
    std::function<TDisparityMap(const QImage& left, const QImage& right, const std::function<bool()>& cancelled)>
        ComputeDisparity;
    void ActionFensterpruefungExecute(QAction* sender);
    // "Scheinfenster vor die Szene setzen": every node's depth moves by the
    // same whole number of pixels, so that the window stands just in front
    // of the nearest scene along its edge; history step "FensterVor".
    void ActionFensterVorExecute(QAction* sender);

    // ---- start-up ------------------------------------------------------
    // Runs the deferred start (command line, restoring the last state).
    void DeferredStart(const QStringList& arguments);
    QStringList Arguments; // command-line parameters without the program
    // Set once the deferred start has taken the settings over from the work
    // state; before that the live settings are only defaults.
    bool Started = false;

    // The message hook: sees every event of the application.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Hooks for the parts of the program that live in other windows (the
    // open-stereo dialog, the save dialog, the settings dialog). Each is
    // called only when set.
    std::function<bool()> ShowOpenStereoDialog; // true on OK
    std::function<void(QString&, QString&, quint8&)> GetOpenStereoDialogState;
    std::function<void(const QString&, const QString&, quint8)> SetOpenStereoDialogState;
    std::function<void(const QString&)> SetSaveDialogMaskFileName;
    // The save dialog (Daten_Modul_Save.cpp): it takes over the two given
    // pictures (the bitmaps are emptied); with nulls it frees its own.
    std::function<void(TBitmap* left, TBitmap* right)> SetSaveDialogPictures;
    // Shows it modally for the picture mode (0 mask pictures, 1 masked
    // stereo picture) with the preview's cover colour; true when it wrote.
    std::function<bool(quint8 mode, TColor cover)> ShowSaveStereoDialog;
    std::function<QString()> GetSaveDialogMaskFileName;
    std::function<QString(const QString& startName)> AskMaskFileName; // empty on cancel
    std::function<void()> ShowAboutBox;
    // Shows the settings dialog modally on the live settings.
    std::function<void(TDesktopData& live)> ShowOptionenDialog;
    // After every new history step and every move of the undo position (the
    // background write of the work state listens).
    std::function<void()> OnHistoryChanged;
    // The view window's background colour (DeskBackColor).
    std::function<void(TColor)> OnRequestBackground;

    // Action handlers. Those that take a sender: called without one (an
    // internal call) they change the state only, without refreshing the view
    // and without a history step.
    void ActionOpenLinksRechtsExecute();
    void ActionOpenMaskExecute();
    void ActionUndoExecute();
    void ActionRedoExecute();
    void ActionNewMaskExecute(QAction* sender);
    void ActionMaskEditExecute(QAction* sender);
    void ActionTransparenteMaskeExecute(QAction* sender);
    void ActionGitterExecute(QAction* sender);
    void ActionScrollenExecute(QAction* sender);
    void MoveToolExecute(QAction* sender, bool checked);
    // Deletes the selected nodes, or (after asking when there are three or
    // more) the whole mask; only in an editing mode.
    void ActionMaskDeleteExecute(QAction* sender);
    void ActionPointMove0Execute(QAction* sender);
    void ActionMoveAllSelectToXExecute(QAction* sender);
    void ActionMoveAllSelectToYExecute(QAction* sender);
    void ActionMoveAllSelectToZExecute(QAction* sender);
    void ActionSteuerpunktToXExecute(QAction* sender);
    void ActionSteuerpunktToYExecute(QAction* sender);
    void ActionSteuerpunktToZExecute(QAction* sender);
    void ActionAllSteuerpunkteToXExecute(QAction* sender);
    void ActionAllSteuerpunkteToYExecute(QAction* sender);
    void ActionAllSteuerpunkteToZExecute(QAction* sender);
    // Every segment between two selected neighbours, the closing one included.
    void ActionLinieInKurveExecute(QAction* sender);
    void ActionKurveInLinieExecute(QAction* sender);
    // Only selected nodes with curves on both sides change their kind.
    void ActionKnotenInSpitzeExecute(QAction* sender);
    void ActionKnotenGlattExecute(QAction* sender);
    void ActionKnotenSymmetrischExecute(QAction* sender);
    // "Maske Speichern..." and "Maskiertes Stereobild speichern...".
    void ActionSaveMaskExecute();
    void ActionSaveLinksRechtsExecute();
    // The settings dialog: its preview changes tools and view only for as
    // long as it is open.
    void ActionOptionenExecute();
    // While the settings dialog is open: puts the tool state from before the
    // dialog into the current-state record, so that the step "OK" records
    // holds the user's tools, not the preview's.
    void OptionenToolStateToCurrent();

private:
    void CreateActions();
    void ConnectActions();
    void TimerUpdateBildTimer();
    void WriteViewCentreToCurrent();
    void SetViewCentre(QPoint centre);
    void SelectionChanged();
    // The end of a command that changed the mask: refresh and history step
    // only with a sender.
    void FinishMaskCommand(QAction* sender, const QString& stepName);
    // A command on the selected nodes or control points, then its end.
    void SelectionCommand(void (TSelect::*change)(), QAction* sender, const QString& stepName);
    void SelectionCommand(void (TSelectStrPkt::*change)(), QAction* sender, const QString& stepName);
    void ConvertSelectedSegments(quint8 type);
    void SetSelectedNodeKind(QAction* sender, quint8 kind, const QString& stepName);
    // The drag mode of the checked move tool; none checked: no change.
    void EnterDragModeOfCheckedTool();
    void DragStepDone();
    // Stores the outline into "Current", then adds the step.
    void AddHistoryStep(const QString& name);
    void RunCycleTool(int number);
    // Both save commands: compose, hand over, show the dialog, reload.
    void SaveThroughDialog(quint8 mode);

    bool FMouseCaptured = false;
    bool FCursorScreenWide = false;
    struct TOptionenToolState {
        bool Open = false;
        quint32 CheckedActions = 0;
        qint32 EditMode = 0;
    } FOptionenToolState;
    std::array<QCursor, 18> FCursors; // numbered 1..17
    QVector<QAction*> FActions;
    QHash<QString, QAction*> FActionsByName;
    QActionGroup* FStereoGroup = nullptr;
    QActionGroup* FViewGroup = nullptr;
    // Runner, cached check and text of the window check; a child object made
    // with the first pair.
    TWindowCheckState* FWindowCheck = nullptr;
    TWindowCheckState& WindowCheckState();
    void WindowCheckMapArrived(quint64 generation);
};
