#include "settings/Optionen.h"

#include "history/History.h"
#include "model/ProgramObjects.h"
#include "settings/Frame_Dekor.h"
#include "settings/Frame_DesktopBackground.h"
#include "settings/Frame_DokuMaskenDatei.h"
#include "settings/Frame_DokuMaskenPict.h"
#include "settings/Frame_Gitter.h"
#include "settings/Frame_Masken.h"
#include "settings/Frame_Umriss.h"
#include "settings/OptionenColorDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

const char* const kHistoryStepDesktop = "Desktop";

namespace {

TFormOptionen::TAnswerer& GlobalAnswerer()
{
    static TFormOptionen::TAnswerer answerer;
    return answerer;
}

// The tree: text and parent (absolute index, -1 for a top node) of each node.
struct TNodeDef {
    const char* Text;
    int Parent;
};
constexpr TNodeDef kNodes[TFormOptionen::kNodeCount] = {
    {"Arbeitsbereich", -1}, {"Gitter", 0},    {"Umriss", 0},          {"Farben", 0},
    {"Hintergrund", 3},     {"Masken", 3},    {"Dokument", -1},       {"Maskendatei", 6},
    {"maskiertes Bild", 6}, {"Maskenfarbe", 8}, {"Dekor", 8},
};
// Nodes without a page up to this index belong to the workspace and show
// the editing view; those after it belong to the document and show the
// masked picture.
constexpr int kLastWorkspaceNode = 5;
constexpr int kTitleHeight = 24;
constexpr int kButtonPanelHeight = 41;

} // namespace

TFormOptionen::TAnswerer TFormOptionen::SetAnswerer(TAnswerer answerer)
{
    TAnswerer previous = std::move(GlobalAnswerer());
    GlobalAnswerer() = std::move(answerer);
    return previous;
}

TFormOptionen::TFormOptionen(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FBackup(std::make_unique<TDesktopData>())
{
    setObjectName(QStringLiteral("FormOptionen"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    ColorDialog1 = new TColorDialog(this);
    FTreeChangeTimer = new QTimer(this);
    FTreeChangeTimer->setSingleShot(true);
    FTreeChangeTimer->setInterval(kTreeChangeDelay);
    connect(FTreeChangeTimer, &QTimer::timeout, this, &TFormOptionen::TreeView1Change);
    CreateControls();
}

TFormOptionen::~TFormOptionen()
{
    // Tearing down the tree may move its current item; the delay timer is
    // gone by then.
    disconnect(TreeView1, nullptr, this, nullptr);
    delete ColorDialog1;
}

void TFormOptionen::CreateControls()
{
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    main->addLayout(top, 1);

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setFixedWidth(kTreeWidth);
    top->addWidget(TreeView1);
    CreateTree();

    PanelMain = new QWidget(this);
    PanelMain->setObjectName(QStringLiteral("PanelMain"));
    auto* right = new QVBoxLayout(PanelMain);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    Panel2 = new QWidget(PanelMain);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(kTitleHeight);
    Panel2->setAutoFillBackground(true);
    QPalette strip = Panel2->palette();
    strip.setColor(QPalette::Window, strip.color(QPalette::Dark));
    strip.setColor(QPalette::WindowText, strip.color(QPalette::BrightText));
    Panel2->setPalette(strip);
    auto* title = new QHBoxLayout(Panel2);
    title->setContentsMargins(4, 0, 4, 0);
    LabelCaption = new QLabel(Panel2);
    LabelCaption->setObjectName(QStringLiteral("LabelCaption"));
    QFont bold = LabelCaption->font();
    bold.setBold(true);
    LabelCaption->setFont(bold);
    title->addWidget(LabelCaption);
    right->addWidget(Panel2);

    PanelFrame = new QWidget(PanelMain);
    PanelFrame->setObjectName(QStringLiteral("PanelFrame"));
    auto* frames = new QGridLayout(PanelFrame);
    frames->setContentsMargins(0, 0, 0, 0);
    FrameGitter = new TFrameGitter(PanelFrame);
    FrameUmriss = new TFrameUmriss(PanelFrame);
    FrameColorDeskBackground = new TFrameColorDeskBackground(PanelFrame);
    FrameFarbenDesktopMaske = new TFrameFarbenDesktopMaske(PanelFrame);
    FrameFarbenDocuMaskFile = new TFrameFarbenDocuMaskFile(PanelFrame);
    FrameColorDocuMaskPicure = new TFrameColorDocuMaskPicure(PanelFrame);
    FrameDekor = new TFrameDekor(PanelFrame);
    FPages = {nullptr, FrameGitter, FrameUmriss, nullptr, FrameColorDeskBackground, FrameFarbenDesktopMaske,
              nullptr, FrameFarbenDocuMaskFile, nullptr, FrameColorDocuMaskPicure, FrameDekor};
    for (TFrameOptionen* page : FPages) {
        if (!page)
            continue;
        page->ColorDialog = ColorDialog1;
        page->hide();
        frames->addWidget(page, 0, 0);
    }
    right->addWidget(PanelFrame, 1);
    top->addWidget(PanelMain, 1);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(kButtonPanelHeight);
    auto* buttons = new QHBoxLayout(Panel1);
    buttons->setContentsMargins(8, 8, 8, 8);
    buttons->addStretch(1);
    BitBtnOk = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), Panel1);
    BitBtnOk->setObjectName(QStringLiteral("BitBtnOk"));
    BitBtnOk->setDefault(true);
    BitBtnCancel =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Abbrechen"), Panel1);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    BitBtnCancel->setAutoDefault(false);
    buttons->addWidget(BitBtnOk);
    buttons->addWidget(BitBtnCancel);
    main->addWidget(Panel1);
    connect(BitBtnOk, &QPushButton::clicked, this, &TFormOptionen::BitBtnOkClick);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormOptionen::CreateTree()
{
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setMouseTracking(true);
    TreeView1->viewport()->setAttribute(Qt::WA_Hover);
    // The selection stays visible while the focus is on a page.
    QPalette palette = TreeView1->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    TreeView1->setPalette(palette);
    for (int i = 0; i < kNodeCount; ++i) {
        const TNodeDef& def = kNodes[i];
        QTreeWidgetItem* item = def.Parent < 0 ? new QTreeWidgetItem(TreeView1) : new QTreeWidgetItem(FNodes[def.Parent]);
        item->setText(0, QString::fromUtf8(def.Text));
        item->setData(0, Qt::UserRole, i);
        FNodes[i] = item;
    }
    TreeView1->expandAll();
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this] { FTreeChangeTimer->start(); });
}

QTreeWidgetItem* TFormOptionen::Node(int index) const
{
    return index >= 0 && index < kNodeCount ? FNodes[index] : nullptr;
}

TFrameOptionen* TFormOptionen::PageOfNode(int index) const
{
    return index >= 0 && index < kNodeCount ? FPages[index] : nullptr;
}

int TFormOptionen::SelectedNode() const
{
    const QTreeWidgetItem* item = TreeView1->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

void TFormOptionen::SelectNode(int index)
{
    if (QTreeWidgetItem* item = Node(index)) {
        TreeView1->setCurrentItem(item);
        TreeView1Change();
    }
}

void TFormOptionen::TreeView1Change()
{
    FTreeChangeTimer->stop();
    const int index = SelectedNode();
    if (index < 0)
        return;
    LabelCaption->setText(QLatin1Char(' ') + FNodes[index]->text(0));
    for (TFrameOptionen* page : FPages)
        if (page)
            page->hide();
    quint16 word = index > kLastWorkspaceNode ? dgDecor : dgOutline;
    if (TFrameOptionen* page = FPages[index]) {
        page->show();
        word = page->GroupWord;
    }
    if (FLive)
        FLive->Changed(word);
}

void TFormOptionen::SetData(TDesktopData* live)
{
    FLive = live;
    if (!live)
        return;
    FBackup->Assign(*live);
    for (TFrameOptionen* page : FPages)
        if (page)
            page->Data = live;
    for (TFrameOptionen* page : std::initializer_list<TFrameOptionen*>{
             FrameGitter, FrameFarbenDesktopMaske, FrameUmriss, FrameColorDeskBackground, FrameFarbenDocuMaskFile,
             FrameColorDocuMaskPicure, FrameDekor})
        page->UpdateControls(0);
}

int TFormOptionen::Execute()
{
    const TAnswerer answerer = GlobalAnswerer();
    if (!answerer)
        return exec();
    setResult(QDialog::Rejected);
    show();
    answerer(*this);
    if (isVisible())
        reject();
    return result();
}

void TFormOptionen::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!FShownBefore) {
        FShownBefore = true;
        SelectNode(0);
    } else {
        TreeView1Change();
    }
}

void TFormOptionen::BitBtnOkClick()
{
    if (FLive) {
        FBackup->Assign(*FLive);
        if (OnBeforeDesktopStep)
            OnBeforeDesktopStep();
        FLive->SaveToHistoryCurrent();
        if (THistoryListe* history = HistoryListe())
            history->Add(QString::fromLatin1(kHistoryStepDesktop));
    }
    accept();
}

void TFormOptionen::done(int result)
{
    FTreeChangeTimer->stop();
    // Every way of closing ends here: the live record takes the backup back,
    // which undoes everything unless "OK" made the backup a copy of it.
    if (FLive) {
        FLive->Assign(*FBackup);
        FLive->Changed(dgDialogClosed);
    }
    QDialog::done(result);
}
