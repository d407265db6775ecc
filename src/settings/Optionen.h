#pragma once
// TFormOptionen ("Einstellungen"): the settings dialog. Its pages edit the
// live settings record in place, and every change reaches the controller
// through the record's Changed, so the view previews it at once. "OK" keeps
// the changes as an undo step; any other way of closing puts back the
// settings the dialog was opened with.

#include "settings/Desktop_Object.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TColorDialog;
class TFrameColorDeskBackground;
class TFrameColorDocuMaskPicure;
class TFrameDekor;
class TFrameFarbenDesktopMaske;
class TFrameFarbenDocuMaskFile;
class TFrameGitter;
class TFrameOptionen;
class TFrameUmriss;

// The undo step that "OK" records.
extern const char* const kHistoryStepDesktop; // "Desktop"

class TFormOptionen : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 492;
    static constexpr int kClientHeight = 396;
    static constexpr int kTreeWidth = 153;
    // The tree applies a selection only after it has rested this long, so
    // arrowing through the nodes does not recompose the view at every step.
    static constexpr int kTreeChangeDelay = 50;
    static constexpr int kNodeCount = 11;

    explicit TFormOptionen(QWidget* parent = nullptr);
    ~TFormOptionen() override;

    // Remembers the live record, keeps a copy of it for cancelling, points
    // every page at it and fills every page (word 0).
    void SetData(TDesktopData* live);
    TDesktopData* LiveData() const { return FLive; }
    const TDesktopData& Backup() const { return *FBackup; }

    // Shows the dialog modally; the dialog's result.
    int Execute();
    // Called with the shown dialog instead of running it modally; whatever
    // it leaves open is cancelled afterwards. Lets tests and automation
    // answer the dialog.
    using TAnswerer = std::function<void(TFormOptionen&)>;
    static TAnswerer SetAnswerer(TAnswerer answerer);

    // Called by "OK" right before the "Desktop" step is recorded, so that the
    // controller can put its own state in place for the step.
    std::function<void()> OnBeforeDesktopStep;

    // The tree's nodes by absolute index 0..10, and the page each shows (null
    // for the nodes that only group others).
    QTreeWidgetItem* Node(int index) const;
    TFrameOptionen* PageOfNode(int index) const;
    int SelectedNode() const;
    // Selects a node and applies it at once, without the tree's delay.
    void SelectNode(int index);
    // Applies the selected node: caption, page, and the word it sends.
    void TreeView1Change();

    QTreeWidget* TreeView1 = nullptr;
    QWidget* PanelMain = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* LabelCaption = nullptr;
    QWidget* PanelFrame = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BitBtnOk = nullptr;
    QPushButton* BitBtnCancel = nullptr;
    TColorDialog* ColorDialog1 = nullptr;

    TFrameGitter* FrameGitter = nullptr;
    TFrameUmriss* FrameUmriss = nullptr;
    TFrameColorDeskBackground* FrameColorDeskBackground = nullptr;
    TFrameFarbenDesktopMaske* FrameFarbenDesktopMaske = nullptr;
    TFrameFarbenDocuMaskFile* FrameFarbenDocuMaskFile = nullptr;
    TFrameColorDocuMaskPicure* FrameColorDocuMaskPicure = nullptr;
    TFrameDekor* FrameDekor = nullptr;

public slots:
    void BitBtnOkClick();
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CreateTree();

    TDesktopData* FLive = nullptr;
    std::unique_ptr<TDesktopData> FBackup;
    std::array<QTreeWidgetItem*, kNodeCount> FNodes{};
    std::array<TFrameOptionen*, kNodeCount> FPages{};
    QTimer* FTreeChangeTimer = nullptr;
    bool FShownBefore = false;
};
