#pragma once
// TDM: the controller. It owns every action, the pictures and the composed
// display bitmaps, the live settings and the tool state. It never draws into
// the window: it tells the main window what changed through notifications the
// window installs, each called only when set.

#include "settings/Desktop_Object.h"
#include "stereo/Compose.h"
#include "stereo/StereoConvert.h"

#include <QAction>
#include <QCursor>
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
    quint8 DragState = 0;
    quint16 CursorNumber = 8;
    bool Busy = false;
    QString BusyText;
    QTimer* TimerUpdateBild;

    // Mouse state: the tools themselves arrive with the mouse-tool work.
    QPoint LastMousePos;
    QPoint NewPointPos;
    QPoint WheelAnchor;
    bool WheelAnchorInsideX = false, WheelAnchorInsideY = false;
    QPoint LastWheelPos;
    QRect RubberBand;

    // File dialogs' remembered names (the dialogs themselves are modal
    // QFileDialogs shown on demand).
    QString OpenPictureDialog_L_FileName;
    QString OpenPictureDialog_R_FileName;
    QString OpenDialogMaske_FileName;

    // ---- cursors -------------------------------------------------------
    // The cursor registered under number (1..17); the arrow otherwise.
    QCursor CursorFor(int number) const;
    void SetCursorNumber(quint16 number, bool screenWide);

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

    // ---- mouse routing from the main window ----------------------------
    void FormMouseDown(Qt::MouseButton button, QPoint pos, const TRect& leftHalf, const TRect& rightHalf,
                       const TRect& anaglyph);
    void FormMouseMove(QPoint pos, const TRect& leftHalf, const TRect& rightHalf, const TRect& anaglyph);
    void FormMouseUp(Qt::MouseButton button, QPoint pos, const TRect& leftHalf, const TRect& rightHalf,
                     const TRect& anaglyph);

    // ---- state ---------------------------------------------------------
    void UpdateActions();
    void SetEditMode(quint8 mode);
    void SelectMoveTool(QAction* action, bool checked);
    // The scroll tool on or off, back to the mask tool in force; no history.
    void ScrollToolToggle();
    void RefreshView();
    void RestoreHistoryState();
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
    std::function<QString(const QString& startName)> AskMaskFileName; // empty on cancel
    std::function<void()> ShowAboutBox;
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

private:
    void CreateActions();
    void ConnectActions();
    void TimerUpdateBildTimer();
    QAction* FindChecked(std::initializer_list<QAction*> actions) const;
    void WriteViewCentreToCurrent();
    void SetViewCentre(QPoint centre);
    void SelectionChanged();
    // The end of a command that changed the mask: refresh and history step
    // only with a sender.
    void FinishMaskCommand(QAction* sender, const QString& stepName);
    void ConvertSelectedSegments(quint8 type);
    void SetSelectedNodeKind(QAction* sender, quint8 kind, const QString& stepName);

    QPoint FScrollPrev;
    std::array<QCursor, 18> FCursors; // numbered 1..17
    QVector<QAction*> FActions;
    QHash<QString, QAction*> FActionsByName;
    QActionGroup* FStereoGroup = nullptr;
    QActionGroup* FViewGroup = nullptr;
};
