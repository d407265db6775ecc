#include "app/Main.h"

#include "app/Artwork.h"
#include "history/Streams.h"
#include "history/UserMessage.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace {
constexpr int kScrollBarSize = 16;
constexpr int kToolButtonSize = 23;
const int kStatusPanelWidths[4] = {150, 300, 300, 50};
// The point read-out: its text keeps the controller's carriage return between
// the two lines of a control point, which a plain label would show as a blank.
class TReadoutLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        drawFrame(&painter);
        QString shown = text();
        shown.replace(QChar(13), QChar(10));
        style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), shown,
                              foregroundRole());
    }
};

const QString kResMouseError = QStringLiteral("<FB><FS12><c4>Fehler!<FN><LF>%s");

TShiftState ShiftStateOf(const QMouseEvent* e)
{
    return TShiftState{e->buttons(), e->modifiers()};
}
} // namespace

// The client area of the main window: the view is painted on it, and the
// toolbar panel, the scroll bars and the status bar sit on it as children,
// so the view rectangles are in its coordinates.
class TClientArea : public QWidget {
public:
    explicit TClientArea(TFormMain* form) : QWidget(form), FForm(form)
    {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        // Qt paints widgets double-buffered, so the view never flickers.
        QPainter painter(this);
        painter.fillRect(rect(), FForm->FBackground);
        try {
            FForm->PaintView(painter);
        } catch (...) {
            if (FForm->OnPaintError)
                FForm->OnPaintError();
        }
    }
    void resizeEvent(QResizeEvent*) override
    {
        LayoutChildren();
        if (!FForm->FDestroying)
            FForm->ComputeLayout();
    }
    void mousePressEvent(QMouseEvent* e) override { FForm->RouteMousePress(e); }
    void mouseMoveEvent(QMouseEvent* e) override { FForm->RouteMouseMove(e); }
    void mouseReleaseEvent(QMouseEvent* e) override { FForm->RouteMouseRelease(e); }

public:
    void LayoutChildren()
    {
        const int w = width(), h = height();
        const int panelH = FForm->Panel1->sizeHint().height();
        FForm->Panel1->setGeometry(0, 0, w, panelH);
        const int statusH = FForm->StatusBar1->sizeHint().height();
        FForm->StatusBar1->setGeometry(0, h - statusH, w, statusH);
        FForm->ScrollBarX->setGeometry(0, h - statusH - kScrollBarSize, w, kScrollBarSize);
        FForm->ScrollBarY->setGeometry(w - kScrollBarSize, panelH, kScrollBarSize,
                                       h - statusH - kScrollBarSize - panelH);
    }

private:
    TFormMain* FForm;
};

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Plenoptra") + QLatin1Char(' '));
    setWindowIcon(ProgramIcon());
    FBackground = Qt::black;

    FClient = new TClientArea(this);
    setCentralWidget(FClient);

    Panel1 = new QWidget(FClient);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    Panel1->setAutoFillBackground(true);

    StatusBar1 = new QStatusBar(FClient);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setAutoFillBackground(true);
    StatusBar1->setSizeGripEnabled(false);
    for (int i = 0; i < 4; ++i) {
        StatusPanels[i] = new QLabel(StatusBar1);
        StatusPanels[i]->setFixedWidth(kStatusPanelWidths[i]);
        StatusPanels[i]->setFrameShape(QFrame::Panel);
        StatusPanels[i]->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(StatusPanels[i]);
    }

    ScrollBarX = new QScrollBar(Qt::Horizontal, FClient);
    ScrollBarX->setObjectName(QStringLiteral("ScrollBarX"));
    ScrollBarY = new QScrollBar(Qt::Vertical, FClient);
    ScrollBarY->setObjectName(QStringLiteral("ScrollBarY"));
    connect(ScrollBarX, &QScrollBar::valueChanged, this, &TFormMain::ScrollBarXChange);
    connect(ScrollBarY, &QScrollBar::valueChanged, this, &TFormMain::ScrollBarYChange);

    PanelAnfasserEdit = new QWidget(FClient);
    PanelAnfasserEdit->setObjectName(QStringLiteral("PanelAnfasserEdit"));
    PanelAnfasserEdit->setGeometry(8, 61, 273, 92);
    Label1 = new TReadoutLabel(PanelAnfasserEdit);
    Label1->setGeometry(0, 0, 273, 92);
    Label1->setStyleSheet(QStringLiteral("color: white;"));
    PanelAnfasserEdit->hide();

    resize(kWidth, kHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kWidth / 2, kHeight / 2));
    }
}

TFormMain::~TFormMain()
{
    FDestroying = true;
}

void TFormMain::ConnectController(TDM* dm)
{
    FDM = dm;
    CreateMenus();
    CreateToolbar();
    // Shortcuts work in the window even for actions that are in no menu.
    addActions(dm->Actions());
    static_cast<TClientArea*>(FClient)->LayoutChildren();

    dm->OnLayoutChanged = [this] { LayoutChanged(); };
    dm->OnModeChanged = [] {};
    dm->OnViewChanged = [this] { ViewChanged(); };
    dm->OnCursorChanged = [this](bool screenWide) {
        const QCursor cursor = FDM->CursorFor(FDM->CursorNumber);
        if (screenWide) {
            if (QApplication::overrideCursor())
                QApplication::changeOverrideCursor(cursor);
            else
                QApplication::setOverrideCursor(cursor);
        } else {
            FClient->setCursor(cursor);
            while (QApplication::overrideCursor())
                QApplication::restoreOverrideCursor();
        }
    };
    dm->OnRepaintRequest = [this] { FClient->update(); };
    dm->OnAnaglyphButtonChanged = [this] {
        if (FDM->AnaglyphButtonAction)
            ToolButtonAnaglyphe->setDefaultAction(FDM->AnaglyphButtonAction);
    };
    dm->OnCaptionChanged = [this](const QString& text) {
        setWindowTitle(QStringLiteral("Plenoptra") + QLatin1Char(' ') + text);
    };
    dm->OnWindowCheckChanged = [this](const QString& text) { ShowWindowCheckText(text); };
    dm->ViewWindow = FClient;
    dm->ReadoutLabel = Label1;
    FClient->setCursor(dm->CursorFor(dm->CursorNumber));
}

void TFormMain::CreateMenus()
{
    TDM* dm = FDM;
    QMenuBar* bar = menuBar();
    auto add = [bar](const QString& title, std::initializer_list<QAction*> items) {
        QMenu* menu = bar->addMenu(title);
        for (QAction* a : items) {
            if (a)
                menu->addAction(a);
            else
                menu->addSeparator();
        }
        return menu;
    };
    ActionBeenden = new QAction(QStringLiteral("Beenden"), this);
    ActionBeenden->setObjectName(QStringLiteral("Beenden"));
    connect(ActionBeenden, &QAction::triggered, this, &QWidget::close);
    ActionInfo = new QAction(QStringLiteral("Info..."), this);
    ActionInfo->setObjectName(QStringLiteral("Info"));
    connect(ActionInfo, &QAction::triggered, this, [this] {
        if (FDM->ShowAboutBox)
            FDM->ShowAboutBox();
    });
    add(QStringLiteral("Datei"), {dm->ActionOpenMask, dm->ActionOpenLinksRechts, nullptr, dm->ActionSaveMask,
                                  dm->ActionSaveLinksRechts, nullptr, ActionBeenden});
    add(QStringLiteral("Bearbeiten"), {dm->ActionUndo, dm->ActionRedo, nullptr, dm->ActionOptionen});
    add(QStringLiteral("Stereo"), {dm->ActionAnaglyphe_sw, dm->ActionAnaglyphe_Farb, dm->ActionAnaglyphe_Halb,
                                   nullptr, dm->ActionParallel, dm->ActionKreuz});
    add(QStringLiteral("Ansicht"), {dm->ActionAnsichtOriginal, dm->ActionAnsichtFit, dm->ActionAnsichtZoom, nullptr,
                                    dm->ActionScrollen, nullptr, dm->ActionTransparenteMaske, dm->ActionGitter,
                                    dm->ActionFensterpruefung});
    add(QStringLiteral("Maske"), {dm->ActionNewMask, dm->ActionMaskEdit, dm->ActionMaskDelete});
    add(QStringLiteral("Bewegung"), {dm->ActionPointMoveXY, dm->ActionPointMoveZ, dm->ActionPointMoveX,
                                     dm->ActionPointMoveY, nullptr, dm->ActionMove_Distance, dm->ActionRotate_Z,
                                     dm->ActionRotate_Y, dm->ActionRotate_X});
    add(QStringLiteral("Ausrichten"),
        {dm->ActionPointMove0, dm->ActionFensterVor, nullptr, dm->ActionMoveAllSelectToY, dm->ActionMoveAllSelectToX,
         dm->ActionMoveAllSelectToZ, nullptr, dm->ActionSteuerpunktToY, dm->ActionSteuerpunktToX,
         dm->ActionSteuerpunktToZ, nullptr, dm->ActionAllSteuerpunkteToY, dm->ActionAllSteuerpunkteToX,
         dm->ActionAllSteuerpunkteToZ});
    add(QStringLiteral("Form"), {dm->ActionKurveInLinie, dm->ActionLinieInKurve, nullptr, dm->ActionKnotenInSpitze,
                                 dm->ActionKnotenGlatt, dm->ActionKnotenSymmetrisch});
    add(QStringLiteral("Hilfe"), {ActionInfo});
}

void TFormMain::CreateToolbar()
{
    TDM* dm = FDM;
    auto makeBar = [this](const QString& name) {
        auto* bar = new QToolBar(name, Panel1);
        bar->setObjectName(name);
        bar->setIconSize(QSize(16, 16));
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        bar->setStyleSheet(QStringLiteral("QToolButton { min-width: %1px; min-height: %1px; max-width: %1px; "
                                          "max-height: %1px; padding: 0px; }")
                               .arg(kToolButtonSize));
        Panel1->layout()->addWidget(bar);
        return bar;
    };
    auto fill = [](QToolBar* bar, std::initializer_list<QAction*> items) {
        for (QAction* a : items) {
            if (a)
                bar->addAction(a);
            else
                bar->addSeparator();
        }
    };
    ToolBar1 = makeBar(QStringLiteral("ToolBar1"));
    fill(ToolBar1, {dm->ActionOpenMask, dm->ActionOpenLinksRechts, nullptr, dm->ActionSaveMask,
                    dm->ActionSaveLinksRechts, nullptr, dm->ActionOptionen, nullptr, dm->ActionUndo, dm->ActionRedo,
                    nullptr, dm->ActionKreuz, dm->ActionParallel});
    ToolButtonAnaglyphe = new QToolButton(ToolBar1);
    ToolButtonAnaglyphe->setObjectName(QStringLiteral("ToolButtonAnaglyphe"));
    ToolButtonAnaglyphe->setDefaultAction(dm->ActionAnaglyphe_Halb);
    ToolBar1->addWidget(ToolButtonAnaglyphe);
    fill(ToolBar1, {nullptr, dm->ActionAnsichtOriginal, dm->ActionAnsichtFit, dm->ActionAnsichtZoom, nullptr,
                    dm->ActionScrollen, nullptr, dm->ActionTransparenteMaske, dm->ActionGitter, nullptr,
                    dm->ActionNewMask, dm->ActionMaskEdit, dm->ActionMaskDelete});
    ToolBar2 = makeBar(QStringLiteral("ToolBar2"));
    fill(ToolBar2, {dm->ActionPointMoveXY, dm->ActionPointMoveZ, dm->ActionPointMoveX, dm->ActionPointMoveY, nullptr,
                    dm->ActionPointMove0, nullptr, dm->ActionMoveAllSelectToY, dm->ActionMoveAllSelectToX,
                    dm->ActionMoveAllSelectToZ, nullptr, dm->ActionKurveInLinie, dm->ActionLinieInKurve, nullptr,
                    dm->ActionKnotenInSpitze, dm->ActionKnotenGlatt, dm->ActionKnotenSymmetrisch, nullptr,
                    dm->ActionMove_Distance, nullptr, dm->ActionRotate_Z, dm->ActionRotate_Y, dm->ActionRotate_X,
                    nullptr, dm->ActionSteuerpunktToY, dm->ActionSteuerpunktToX, dm->ActionSteuerpunktToZ, nullptr,
                    dm->ActionAllSteuerpunkteToY, dm->ActionAllSteuerpunkteToX, dm->ActionAllSteuerpunkteToZ});
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!FStartupPosted) {
        FStartupPosted = true;
        // The deferred start runs after the window is visible and has its
        // first layout.
        QCoreApplication::postEvent(qApp, new TStartupEvent(kStartupMessage, kStartupWParam, kStartupLParam));
    }
    PanelAnfasserEdit->hide();
}

void TFormMain::SetBackgroundColor(TColor colour)
{
    FBackground = QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
    FClient->update();
}

void TFormMain::UpdateStatusPanels()
{
    const QString left = QStringLiteral("linke Bild: %1").arg(QFileInfo(FDM->OpenPictureDialog_L_FileName).fileName());
    const QString right =
        QStringLiteral("rechte Bild: %1").arg(QFileInfo(FDM->OpenPictureDialog_R_FileName).fileName());
    const bool cross = FDM->ActionKreuz->isChecked();
    StatusPanels[1]->setText(cross ? right : left);
    StatusPanels[2]->setText(cross ? left : right);
}

void TFormMain::ShowWindowCheckText(const QString& text)
{
    // The panel keeps its width while empty and grows to show the whole text.
    QLabel* panel = StatusPanels[3];
    panel->setText(text);
    panel->setToolTip(text);
    // A label's size hint never falls below its minimum width: free it first.
    panel->setMinimumWidth(0);
    panel->setFixedWidth(std::max(kStatusPanelWidths[3], panel->sizeHint().width()));
}

void TFormMain::LayoutChanged()
{
    UpdateStatusPanels();
    ComputeLayout();
    FSuppressScroll = true;
    ScrollBarX->setValue(FDM->ViewCentre.x());
    ScrollBarY->setValue(FDM->ViewCentre.y());
    FSuppressScroll = false;
}

void TFormMain::ViewChanged()
{
    LayoutChanged();
    StatusPanels[0]->setText(ZoomText(FDM->CurrentScale()));
    FClient->update();
}

void TFormMain::ScrollBarXChange(int value)
{
    if (FSuppressScroll || !FDM)
        return;
    FDM->SetViewCentreX(value);
    FDM->ResetWheelAnchor();
}

void TFormMain::ScrollBarYChange(int value)
{
    if (FSuppressScroll || !FDM)
        return;
    FDM->SetViewCentreY(value);
    FDM->ResetWheelAnchor();
}

// ---------------------------------------------------------------------------
// Mouse routing: the window only passes the events on.

QPoint TFormMain::ViewOffset(QPoint p) const
{
    if (FDM && !FDM->ViewAnaglyph.Empty())
        return p - QPoint(AnaglyphRect.Left, AnaglyphRect.Top);
    const TRect& r = FDM && FDM->HitHalf == 1 ? LeftHalfRect : RightHalfRect;
    return p - QPoint(r.Left, r.Top);
}

void TFormMain::RunMouseHandler(const std::function<void()>& handler)
{
    QString failure;
    try {
        handler();
        return;
    } catch (const EPlenoptraError& e) {
        failure = e.Message();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    try {
        EndLostMouseDrag();
    } catch (const std::exception&) {
        // The drag is over either way; the first error is the one to report.
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    ShowUserMessage(FormatResString(kResMouseError, failure), dkFehler, dbOK);
}

void TFormMain::RouteMousePress(QMouseEvent* e)
{
    if (!FDM)
        return;
    const TShiftState state = ShiftStateOf(e);
    const QPoint p = e->position().toPoint();
    // The left button goes down again: its last release never arrived.
    if (e->button() == Qt::LeftButton && FDM->MouseCaptured())
        RunMouseHandler([&] { EndLostMouseDrag(); });
    // Several buttons held: both the left button's work and the tool cycle.
    if (state.Left())
        RunMouseHandler([&] { FDM->MousePress(LeftHalfRect, RightHalfRect, state, p); });
    if (state.Right() || state.Middle())
        RunMouseHandler([&] { FDM->CycleTool(state); });
}

void TFormMain::RouteMouseMove(QMouseEvent* e)
{
    if (!FDM)
        return;
    const TShiftState state = ShiftStateOf(e);
    if (state.Right())
        return;
    // The left button came up where this window did not see it.
    if (FDM->MouseCaptured() && !state.Left())
        RunMouseHandler([&] { EndLostMouseDrag(); });
    const QPoint p = e->position().toPoint();
    RunMouseHandler([&] { FDM->MouseMoveTo(ViewOffset(p), p, LeftHalfRect, RightHalfRect, state); });
}

void TFormMain::RouteMouseRelease(QMouseEvent* e)
{
    if (!FDM || e->button() != Qt::LeftButton)
        return;
    const QPoint p = e->position().toPoint();
    RunMouseHandler([&] { FDM->MouseRelease(ViewOffset(p), p, ShiftStateOf(e)); });
}

void TFormMain::EndLostMouseDrag()
{
    if (FDM && FDM->MouseCaptured())
        FDM->MouseRelease(ViewOffset(FDM->CurPos), FDM->CurPos, TShiftState{});
}

bool TFormMain::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate: // another window took the input
    case QEvent::WindowBlocked: // a modal box opened
    case QEvent::Hide:
        RunMouseHandler([this] { EndLostMouseDrag(); });
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}
