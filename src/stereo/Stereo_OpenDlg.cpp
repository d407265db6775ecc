#include "stereo/Stereo_OpenDlg.h"

#include "app/Artwork.h"
#include "stereo/MpoFile.h"
#include "stereo/StereoLoad.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <new>

// The files of stereo cameras come last, so every older entry keeps its place.
// They hold both pictures, so only the first dialog offers them.
const char* const kOpenStereoFilterLeft =
    "Alle (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp;*.Plenoptrum;|JPEG-Grafikdatei (*.jpg)|*.jpg|"
    "JPEG-Grafikdatei (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|Plenoptra|*.Plenoptrum|"
    "Stereokamera (*.mpo;*.jps)|*.mpo;*.jps";
const char* const kOpenStereoFilterRight =
    "Alle (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp;|JPEG-Grafikdatei (*.jpg)|*.jpg|"
    "JPEG-Grafikdatei (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp";
const char* const kOpenStereoTitleRight = "Öffne rechtes Bild";

namespace {

const char* const kLabelLeftPair = "linkes Bild:";
const char* const kLabelLeftSingle = "Stereobild:";
const char* const kOpenHintPair = "Öffne nacheinander das linke und rechte Einzelbild";

const std::array<const char*, kStereoLayoutCount> kLayoutTitles{
    "Öffne linkes Bild",
    "Öffne Stereobild Parallelblick (links / rechts)",
    "Öffne Stereobild Kreuzblick (rechts / links)",
    "Öffne Stereobild KMQ (rechte Bild oben)",
    "Öffne Stereobild Anaglyph - rot / cyan",
    "Öffne Stereobild Anaglyph - gelb / blau",
    "Öffne Stereobild Anaglyph - rot / blau",
    "Öffne Stereobild Anaglyph - rot / grün",
};

// Timer intervals: quick when the dialog appears, slower while the user is
// still typing a name, so not every keystroke starts a load.
constexpr int kPreviewDelayAtStart = 500;
constexpr int kPreviewDelayAfterChange = 1000;

// Fixed places in the "Datei" group. The browse button and the first progress
// bar change places with the layout: a file pair needs a bar above and below
// the button, a single file only one bar below it.
constexpr int kTopRow1 = 16;
constexpr int kTopRow2 = 50;
constexpr int kOpenTopPair = 33;
constexpr int kOpenTopSingle = 16;
constexpr int kBar1TopPair = 16;
constexpr int kBar1TopSingle = 52;
constexpr int kBar2Top = 62;
constexpr int kEditLeft = 96;
constexpr int kEditHeight = 21;
constexpr int kButtonHeight = 25;
constexpr int kBarHeight = 14;
constexpr int kColumnWidth = 110;
constexpr int kSwapWidth = 80;
constexpr int kMargin = 8;
constexpr int kFileGroupHeight = 84;
// The positions above count from a caption of about this height; a style
// whose group caption is taller moves the whole panel down by the excess.
constexpr int kCaptionAllowance = 12;

template <class T> T* Named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

bool FileExists(const QString& name) { return !name.isEmpty() && QFileInfo(name).isFile(); }

// The extension of a name with its dot, as the last dot after the last folder
// separator starts it; empty when there is none.
QString ExtensionWithDot(const QString& name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const int slash = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return dot > slash ? name.mid(dot) : QString();
}

void SetFieldRed(QLineEdit* field, bool red)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, red ? QColor(Qt::red) : QApplication::palette(field).color(QPalette::Text));
    field->setPalette(palette);
}

} // namespace

QString OpenStereoLayoutTitle(int layout)
{
    if (layout < 0 || layout >= kStereoLayoutCount)
        return QString::fromUtf8("Stereobild:");
    return QString::fromUtf8(kLayoutTitles[layout]);
}

QStringList OpenStereoNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i < parts.size(); i += 2) {
        QStringList patterns;
        if (i + 1 < parts.size()) {
            for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
                patterns << pattern.trimmed();
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        result << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

QString OpenStereoRightCandidate(const QString& leftName)
{
    const QString extension = ExtensionWithDot(leftName);
    const QString key = QStringLiteral("_L") + extension;
    const int at = leftName.indexOf(key, 0, Qt::CaseInsensitive);
    if (at < 0)
        return QString();
    return leftName.left(at) + QStringLiteral("_R") + extension + leftName.mid(at + key.size());
}

TFormOpenStereo::TFormOpenStereo(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormOpenStereo"));
    setWindowTitle(QString::fromUtf8("Öffne Strereobild"));
    setMinimumSize(400, 400);
    resize(560, 620);

    TimerStartPreview = Named(new QTimer(this), "TimerStartPreview");
    TimerStartPreview->setSingleShot(true);
    TimerStartPreview->setInterval(kPreviewDelayAtStart);
    connect(TimerStartPreview, &QTimer::timeout, this, &TFormOpenStereo::TimerStartPreviewTimer);

    CreateControls();

    const QScopedValueRollback<bool> lock(Updating, true);
    PictureFormatButtons->button(slSeparate)->setChecked(true);
}

TFormOpenStereo::~TFormOpenStereo() = default;

void TFormOpenStereo::CreateControls()
{
    auto* mainLayout = new QVBoxLayout(this);

    RadioGroupPictureFormat =
        Named(new QGroupBox(QString::fromUtf8("Stereobild Formatauswahl"), this), "RadioGroupPictureFormat");
    auto* grid = new QGridLayout(RadioGroupPictureFormat);
    PictureFormatButtons = new QButtonGroup(this);
    PictureFormatButtons->setExclusive(true);
    // Two columns filled top to bottom: the picture layouts left, the
    // anaglyphs right.
    const int rows = (kStereoLayoutCount + 1) / 2;
    for (int layout = 0; layout < kStereoLayoutCount; ++layout) {
        auto* button = new QRadioButton(StereoLayoutName(layout), RadioGroupPictureFormat);
        grid->addWidget(button, layout % rows, layout / rows);
        PictureFormatButtons->addButton(button, layout);
    }
    connect(PictureFormatButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            RadioGroupPictureFormatClick();
    });
    mainLayout->addWidget(RadioGroupPictureFormat);

    GroupBoxDatei = Named(new QGroupBox(QString::fromUtf8("Datei"), this), "GroupBoxDatei");
    GroupBoxDatei->setFixedHeight(kFileGroupHeight);
    PanelDatei = new QWidget(GroupBoxDatei);
    LabelFileName_L = new QLabel(QString::fromUtf8(kLabelLeftPair), PanelDatei);
    LabelFileName_R = new QLabel(QString::fromUtf8("rechtes Bild:"), PanelDatei);
    EditFileName_L = Named(new QLineEdit(PanelDatei), "EditFileName_L");
    EditFileName_R = Named(new QLineEdit(PanelDatei), "EditFileName_R");
    BitBtnOpen = Named(new QPushButton(QString::fromUtf8("Durchsuchen..."), PanelDatei), "BitBtnOpen");
    BitBtnOpen->setAutoDefault(false);
    BitBtnChangePict = Named(new QPushButton(QString::fromUtf8("Tauschen"), PanelDatei), "BitBtnChangePict");
    BitBtnChangePict->setToolTip(QString::fromUtf8("linkes und rechtes Einzelbild tauschen"));
    BitBtnChangePict->setAutoDefault(false);
    ProgressBar1 = Named(new QProgressBar(PanelDatei), "ProgressBar1");
    ProgressBar2 = Named(new QProgressBar(PanelDatei), "ProgressBar2");
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    for (QLineEdit* field : {EditFileName_L, EditFileName_R}) {
        field->setAcceptDrops(true);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textChanged, this, &TFormOpenStereo::EditFileNameChange);
    }
    GroupBoxDatei->installEventFilter(this);
    connect(BitBtnOpen, &QPushButton::clicked, this, &TFormOpenStereo::BitBtnOpenClick);
    connect(BitBtnChangePict, &QPushButton::clicked, this, &TFormOpenStereo::BitBtnChangePictClick);
    mainLayout->addWidget(GroupBoxDatei);

    GroupBoxVorschau = Named(new QGroupBox(QString::fromUtf8("Vorschau"), this), "GroupBoxVorschau");
    auto* previewLayout = new QVBoxLayout(GroupBoxVorschau);
    ToolBarPreview = Named(new QToolBar(GroupBoxVorschau), "ToolBarPreview");
    ToolBarPreview->setIconSize(QSize(24, 24));
    PreviewModes = new QActionGroup(this);
    PreviewModes->setExclusive(true);
    auto makeAction = [this](const char* name, const char* caption, Qt::Key key) {
        auto* action = new QAction(QString::fromUtf8(caption), this);
        action->setObjectName(QString::fromLatin1(name));
        action->setIcon(ActionIcon(action->objectName()));
        action->setShortcut(QKeySequence(Qt::ALT | key));
        action->setCheckable(true);
        PreviewModes->addAction(action);
        ToolBarPreview->addAction(action);
        connect(action, &QAction::triggered, this, &TFormOpenStereo::ActionPreviewExecute);
        return action;
    };
    ActionKreuz = makeAction("ActionKreuz", "Kreuzblick", Qt::Key_K);
    ActionParallel = makeAction("ActionParallel", "Parallelblick", Qt::Key_P);
    ActionAnaglyphe_sw = makeAction("ActionAnaglyphe_sw", "Grau - Anaglyph", Qt::Key_G);
    ActionAnaglyphe_Farb = makeAction("ActionAnaglyphe_Farb", "Farb - Anaglyph", Qt::Key_F);
    ActionAnaglyphe_Halb = makeAction("ActionAnaglyphe_Halb", "Halbton - Anaglyph", Qt::Key_H);
    ActionKreuz->setChecked(true);
    previewLayout->addWidget(ToolBarPreview);
    ImagePreview = Named(new QLabel(GroupBoxVorschau), "ImagePreview");
    ImagePreview->setAlignment(Qt::AlignCenter);
    ImagePreview->setWordWrap(true);
    // The shown picture must not feed back into the layout, or every rebuild
    // after a resize would ask for yet another size.
    ImagePreview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    ImagePreview->installEventFilter(this);
    previewLayout->addWidget(ImagePreview, 1);
    mainLayout->addWidget(GroupBoxVorschau, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BitBtnOk = Named(new QPushButton(QString::fromUtf8("OK"), this), "BitBtnOk");
    BitBtnOk->setDefault(true);
    BitBtnAbort = Named(new QPushButton(QString::fromUtf8("Abbrechen"), this), "BitBtnAbort");
    buttons->addWidget(BitBtnOk);
    buttons->addWidget(BitBtnAbort);
    connect(BitBtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtnAbort, &QPushButton::clicked, this, &QDialog::reject);
    mainLayout->addLayout(buttons);
}

int TFormOpenStereo::GetLayout() const
{
    const int layout = PictureFormatButtons->checkedId();
    return layout < 0 ? slSeparate : layout;
}

void TFormOpenStereo::SetLayout(int layout)
{
    if (layout < 0 || layout >= kStereoLayoutCount || layout == GetLayout())
        return;
    const QScopedValueRollback<bool> lock(Updating, true);
    PictureFormatButtons->button(layout)->setChecked(true);
}

QString TFormOpenStereo::GetLeftFileName() const { return EditFileName_L->text(); }

QString TFormOpenStereo::GetRightFileName() const { return EditFileName_R->text(); }

void TFormOpenStereo::SetLeftFileName(const QString& name)
{
    if (name == EditFileName_L->text())
        return;
    const QScopedValueRollback<bool> lock(Updating, true);
    EditFileName_L->setText(name);
}

void TFormOpenStereo::SetRightFileName(const QString& name)
{
    if (name == EditFileName_R->text())
        return;
    const QScopedValueRollback<bool> lock(Updating, true);
    EditFileName_R->setText(name);
}

bool TFormOpenStereo::Execute() { return exec() == QDialog::Accepted; }

void TFormOpenStereo::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    TimerStartPreview->start(kPreviewDelayAtStart);
    PreparedFor.clear();
    PrepareMemoryForPair();
}

void TFormOpenStereo::RadioGroupPictureFormatClick()
{
    const int layout = GetLayout();
    const bool pair = layout == slSeparate;
    LabelFileName_R->setVisible(pair);
    EditFileName_R->setVisible(pair);
    ProgressBar2->setVisible(pair);
    BitBtnChangePict->setVisible(pair);
    LabelFileName_L->setText(QString::fromUtf8(pair ? kLabelLeftPair : kLabelLeftSingle));
    BitBtnOpen->setToolTip(pair ? QString::fromUtf8(kOpenHintPair) : OpenStereoLayoutTitle(layout));
    PlaceDateiControls();
    PrepareMemoryForPair();
    if (!Updating)
        TimerStartPreview->start();
}

void TFormOpenStereo::PlaceDateiControls()
{
    const bool pair = GetLayout() == slSeparate;
    const int width = GroupBoxDatei->width();
    const int captionExcess = std::max(0, GroupBoxDatei->contentsRect().top() - kCaptionAllowance);
    PanelDatei->setGeometry(0, captionExcess, width, kFileGroupHeight);
    GroupBoxDatei->setFixedHeight(captionExcess + kFileGroupHeight);
    const int columnLeft = width - kMargin - kColumnWidth;
    const int swapLeft = columnLeft - kMargin - kSwapWidth;
    const int editRight = (pair ? swapLeft : columnLeft) - kMargin;
    const int editWidth = std::max(40, editRight - kEditLeft);
    const int labelWidth = kEditLeft - kMargin - 4;

    LabelFileName_L->setGeometry(kMargin, kTopRow1, labelWidth, kEditHeight);
    EditFileName_L->setGeometry(kEditLeft, kTopRow1, editWidth, kEditHeight);
    LabelFileName_R->setGeometry(kMargin, kTopRow2, labelWidth, kEditHeight);
    EditFileName_R->setGeometry(kEditLeft, kTopRow2, editWidth, kEditHeight);
    BitBtnChangePict->setGeometry(swapLeft, kOpenTopPair, kSwapWidth, kButtonHeight);
    BitBtnOpen->setGeometry(columnLeft, pair ? kOpenTopPair : kOpenTopSingle, kColumnWidth, kButtonHeight);
    ProgressBar1->setGeometry(columnLeft, pair ? kBar1TopPair : kBar1TopSingle, kColumnWidth, kBarHeight);
    ProgressBar2->setGeometry(columnLeft, kBar2Top, kColumnWidth, kBarHeight);
}

void TFormOpenStereo::MarkFileFields()
{
    const QString left = EditFileName_L->text();
    const QString right = EditFileName_R->text();
    EditFileName_L->setToolTip(left);
    EditFileName_R->setToolTip(right);
    // One camera file holds both pictures; any other file named twice is a
    // mistake.
    const bool sameFile = left.trimmed().compare(right.trimmed(), Qt::CaseInsensitive) == 0 && !IsMpoFile(left);
    SetFieldRed(EditFileName_L, !FileExists(left));
    SetFieldRed(EditFileName_R, !FileExists(right) || sameFile);
}

void TFormOpenStereo::EditFileNameChange()
{
    if (GetLayout() != slSeparate && !EditFileName_R->text().isEmpty()) {
        // A one-file layout has no right picture; a name left there would
        // travel with the pair into the history.
        const QSignalBlocker block(EditFileName_R);
        EditFileName_R->clear();
    }
    MarkFileFields();
    PrepareMemoryForPair();
    TimerStartPreview->setInterval(kPreviewDelayAfterChange);
    if (!Updating)
        TimerStartPreview->start();
}

void TFormOpenStereo::ShowProgress(QProgressBar* bar, TProgressStage stage, int percent)
{
    bar->setValue(stage == TProgressStage::Ending ? 100 : std::clamp(percent, 0, 100));
    QCoreApplication::processEvents();
}

void TFormOpenStereo::TimerStartPreviewTimer()
{
    TimerStartPreview->stop();
    TimerStartPreview->setInterval(kPreviewDelayAtStart);
    if (Loading) {
        // Reached through the progress reports' event processing: the running
        // load owns the preview pictures, so this one waits its turn.
        TimerStartPreview->start();
        return;
    }
    const TProgressHandler leftProgress = [this](TProgressStage stage, int percent) {
        ShowProgress(ProgressBar1, stage, percent);
    };
    const TProgressHandler rightProgress = [this](TProgressStage stage, int percent) {
        ShowProgress(ProgressBar2, stage, percent);
    };
    bool loaded = false;
    Loading = true;
    // Read no larger than the preview area shows them (the anaglyph modes
    // show an eye that large).
    const QSize area = ImagePreview->contentsRect().size();
    try {
        loaded = LoadStereoPreview(PreviewLeft, PreviewRight, GetLeftFileName(), GetLayout(), GetRightFileName(),
                                   area, leftProgress, rightProgress);
        PreviewReadFor = area;
        Loading = false;
        ClearLoadError();
    } catch (const EPlenoptraError& error) {
        Loading = false;
        ShowLoadError(error.Message());
    } catch (const std::bad_alloc&) {
        Loading = false;
        ShowLoadError(QStringLiteral("Nicht genug Speicher für die Vorschau."));
    } catch (const std::exception& error) {
        Loading = false;
        ShowLoadError(QString::fromLocal8Bit(error.what()));
    }
    if (!loaded)
        return;
    RebuildPreview();
    ProgressBar1->setValue(0);
    ProgressBar2->setValue(0);
}

void TFormOpenStereo::BitBtnChangePictClick()
{
    if (GetLayout() != slSeparate)
        return; // the button is hidden then; a swap would lose the single file's name
    {
        const QScopedValueRollback<bool> lock(Updating, true);
        const QString left = EditFileName_L->text();
        EditFileName_L->setText(EditFileName_R->text());
        EditFileName_R->setText(left);
    }
    TimerStartPreviewTimer();
}

QString TFormOpenStereo::RunOpenDialog(const QString& title, const QString& startName, const char* filter)
{
    if (OpenFileHook)
        return OpenFileHook(title, startName, QString::fromUtf8(filter));
    QFileDialog dialog(this, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Hidden details leave exactly the filter texts visible; the patterns
    // behind them still filter.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(OpenStereoNameFilters(QString::fromUtf8(filter)));
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    if (!startName.isEmpty()) {
        const QFileInfo start(startName);
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void TFormOpenStereo::BitBtnOpenClick()
{
    const int layout = GetLayout();
    QString rightStart = EditFileName_R->text();
    const QString first =
        RunOpenDialog(OpenStereoLayoutTitle(layout), EditFileName_L->text(), kOpenStereoFilterLeft);
    if (first.isEmpty())
        return;
    if (ChooseSingleFilePair(first))
        return;
    const QString candidate = OpenStereoRightCandidate(first);
    if (FileExists(candidate))
        rightStart = candidate;
    if (layout != slSeparate) {
        EditFileName_L->setText(first);
        EditFileName_R->clear();
        return;
    }
    const QString second = RunOpenDialog(QString::fromUtf8(kOpenStereoTitleRight), rightStart, kOpenStereoFilterRight);
    if (second.isEmpty())
        return;
    EditFileName_L->setText(first);
    EditFileName_R->setText(second);
}

bool TFormOpenStereo::ChooseSingleFilePair(const QString& file)
{
    QString left, right;
    int layout = 0;
    if (!SingleFileStereoInput(file, &left, &right, &layout))
        return false;
    // The layout is part of the choice: a camera file needs no second name,
    // a JPS file is always crossed.
    SetLayout(layout);
    EditFileName_L->setText(left);
    EditFileName_R->setText(right);
    // The names may be the ones the fields held already (a one-file layout
    // keeps the right name hidden), while the layout did change.
    TimerStartPreview->start();
    return true;
}

bool TFormOpenStereo::DropFiles(QLineEdit* target, const QStringList& files)
{
    // A camera file dropped first brings its own layout and both names.
    const auto camera = std::find_if(files.begin(), files.end(), FileExists);
    if (camera != files.end() && ChooseSingleFilePair(*camera))
        return true;
    QLineEdit* other = target == EditFileName_L ? EditFileName_R : EditFileName_L;
    bool first = true;
    for (const QString& file : files) {
        if (!FileExists(file))
            continue;
        if (first) {
            target->setText(file);
            first = false;
        } else if (GetLayout() == slSeparate) {
            other->setText(file);
        }
    }
    return !first;
}

bool TFormOpenStereo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == GroupBoxDatei && event->type() == QEvent::Resize) {
        PlaceDateiControls();
    } else if (watched == ImagePreview && event->type() == QEvent::Resize) {
        RebuildPreview();
        // Grown beyond what the reduced pictures can show sharply: read them
        // again for the new size once the resizing has settled.
        const QSize area = ImagePreview->contentsRect().size();
        if (!PreviewLeft.Empty() && (area.width() > PreviewReadFor.width() || area.height() > PreviewReadFor.height())
            && !Updating && isVisible())
            TimerStartPreview->start();
    } else if (watched == EditFileName_L || watched == EditFileName_R) {
        const auto type = event->type();
        if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList files;
            if (drop->mimeData()->hasUrls()) {
                for (const QUrl& url : drop->mimeData()->urls())
                    if (url.isLocalFile())
                        files << url.toLocalFile();
            }
            if (files.isEmpty())
                return QDialog::eventFilter(watched, event); // ordinary text drags stay with the field
            drop->acceptProposedAction();
            if (type == QEvent::Drop)
                DropFiles(static_cast<QLineEdit*>(watched), files);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
