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
    // The view follows the settings page being edited (the record's
    // change word); changes no history.
    void ApplySettingsPreview(quint16 what);
    void SetBusy(bool busy);
    // Writes the reference point's coordinates into ReadoutLabel.
    void ShowPointReadout();

    // ---- pictures ------------------------------------------------------
    void LoadStereoPair(const QString& left, const QString& right, quint8 layout);

    // ---- start-up ------------------------------------------------------
    // Runs the deferred start (command line, restoring the last state).
    void DeferredStart(const QStringList& arguments);
    QStringList Arguments; // command-line parameters without the program

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
    // Shows the settings dialog modally on the live settings.
    std::function<void(TDesktopData& live)> ShowOptionenDialog;
    // The view window's background colour (DeskBackColor).
    std::function<void(TColor)> OnRequestBackground;

    // Action handlers.
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
    QAction* FindChecked(std::initializer_list<QAction*> actions) const;
    void WriteViewCentreToCurrent();
    void SetViewCentre(QPoint centre);
    void SelectionChanged();

    QPoint FScrollPrev;
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
};
