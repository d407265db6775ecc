#pragma once
// TFormMain: the main window. It hosts menu, toolbar, status bar and scroll
// bars, paints the composed view with its overlays, and passes mouse input to
// the controller. It never changes the model.

#include "app/Daten_Modul.h"

#include <QMainWindow>

class QLabel;
class QMouseEvent;
class QScrollBar;
class QStatusBar;
class QToolBar;
class QToolButton;
class TClientArea;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 600;

    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // Installs the controller's notifications and hands over the view
    // window and the read-out label.
    void ConnectController(TDM* dm);
    TDM* Controller() const { return FDM; }

    // Controls, named as the program names them.
    QWidget* Panel1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QToolButton* ToolButtonAnaglyphe = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanels[4] = {};
    QScrollBar* ScrollBarX = nullptr;
    QScrollBar* ScrollBarY = nullptr;
    QWidget* PanelAnfasserEdit = nullptr;
    QLabel* Label1 = nullptr;
    QAction* ActionBeenden = nullptr;
    QAction* ActionInfo = nullptr;

    TRect LeftHalfRect, RightHalfRect, AnaglyphRect;
    QWidget* ClientArea() const { return FClient; }

    // Layout computation (on OnLayoutChanged and on resize).
    void ComputeLayout();
    // Paint sequence of the view onto painter (client coordinates).
    void PaintView(QPainter& painter);
    void SetBackgroundColor(TColor colour);
    QColor BackgroundColor() const { return FBackground; }

    // Called when painting fails: saves the work state and ends the process.
    std::function<void()> OnPaintError;

    // Window point p relative to the view rectangle the mouse tools read it
    // in: the anaglyph, or the half in which the last handle was grabbed.
    QPoint ViewOffset(QPoint p) const;

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateMenus();
    void CreateToolbar();
    void LayoutChanged();
    void ViewChanged();
    void UpdateStatusPanels();
    // Status panel 3: the window check's text.
    void ShowWindowCheckText(const QString& text);
    void UpdateHandlePositions();
    void ScrollBarXChange(int value);
    void ScrollBarYChange(int value);
    void RouteMousePress(QMouseEvent* e);
    void RouteMouseMove(QMouseEvent* e);
    void RouteMouseRelease(QMouseEvent* e);
    // Ends a drag whose release will not come (the window lost the mouse) as
    // the release would have.
    void EndLostMouseDrag();
    // Runs a mouse handler of the controller; an error ends the drag, takes
    // back any screen-wide cursor and is reported.
    void RunMouseHandler(const std::function<void()>& handler);

    friend class TClientArea;
    TDM* FDM = nullptr;
    QWidget* FClient = nullptr;
    QColor FBackground{Qt::black};
    bool FSuppressScroll = false;
    bool FDestroying = false;
    bool FStartupPosted = false;
};
