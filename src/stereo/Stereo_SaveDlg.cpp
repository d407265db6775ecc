#include "stereo/Stereo_SaveDlg.h"

#include "history/History.h"
#include "history/UserMessage.h"
#include "model/ProgramObjects.h"
#include "settings/uSpin.h"
#include "stereo/PictureHolder.h"
#include "stereo/Stereo_OpenDlg.h"
#include "stereo/Stereo_SaveDlgBMP.h"
#include "stereo/Stereo_SaveDlgJPG.h"
#include "stereo/StereoConvert.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <new>

const char* const kSaveStereoDialogTitle = "Speichere Plenoptra -  Datei";
const char* const kSaveStereoFilter =
    "Maskendatei (*.plenoptrum)|*.Plenoptrum|Alles (*.*)|*.*|JPEG-Grafikdatei (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp";

namespace {

const char* const kCaptionMask = "Speichere Maskendatei  und  Maske"; // 65245
const char* const kCaptionPicture = "Speichere Maskendatei  und  maskiertes Stereobild"; // 65246
const char* const kSizeText = "Abmessung: %d x %d"; // 65247
const char* const kSizeTextRight = " /  %d x %d";

// Raised around the dialog's own changes of its controls, so that their
// change handlers neither re-derive the names nor start a preview.
struct TLock {
    explicit TLock(int& count) : Count(count) { ++Count; }
    ~TLock() { --Count; }
    int& Count;
};

// Scaled to exactly width x height, smooth enough for a preview and quick
// for a 6000 x 4000 source: a cheap pick down to twice the size, then a
// filtered halving.
QImage PreviewScaled(const QImage& source, int width, int height)
{
    if (source.isNull() || width <= 0 || height <= 0)
        return QImage();
    QImage picked = source;
    if (source.width() > 4 * width && source.height() > 4 * height)
        picked = source.scaled(2 * width, 2 * height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QImage scaled = picked.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    SwitchToRgb32(scaled);
    return scaled;
}

void SetTextColour(QLineEdit* edit, const QColor& colour)
{
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, colour);
    edit->setPalette(palette);
}

} // namespace

void TFormSaveStereo::LetMessagesRun()
{
    // Paints and timers run; clicks wait until the work is over, so "OK"
    // cannot start while the preview it would rebuild is half made.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

TFormSaveStereo::TFormSaveStereo(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormSaveStereo"));
    setWindowTitle(QString::fromUtf8(kCaptionPicture));
    setMinimumSize(400, 550);
    resize(560, 800);

    TimerStartPreview = new QTimer(this);
    TimerStartPreview->setObjectName(QStringLiteral("TimerStartPreview"));
    TimerStartPreview->setSingleShot(true);
    TimerStartPreview->setInterval(kPreviewDelay);
    connect(TimerStartPreview, &QTimer::timeout, this, &TFormSaveStereo::TimerStartPreviewTimer);

    CreateControls();

    CoverColor = kBlack;
    const TLock lock(FUpdateLock);
    ComboBoxFileType->setCurrentIndex(sftJpeg);
    ComboBoxFileTypeChange();
    PictureFormatButtons->button(slSeparate)->setChecked(true);
    RadioGroupPictureFormatClick();
}

TFormSaveStereo::~TFormSaveStereo() = default;

// ---------------------------------------------------------------------------
// The controller's side

void TFormSaveStereo::SetMaskName(const QString& name)
{
    const TLock lock(FUpdateLock);
    SetEditText(EditFileName_M, name);
}

QString TFormSaveStereo::GetMaskName() const { return EditFileName_M->text(); }

void TFormSaveStereo::SetPictures(TBitmap* left, TBitmap* right)
{
    FLeft.Image = QImage();
    FRight.Image = QImage();
    if (!left || !right)
        return;
    // Taken over without a copy: the controller lets go of them at once.
    FLeft.Image = left->Image;
    FRight.Image = right->Image;
    left->Image = QImage();
    right->Image = QImage();
}

void TFormSaveStereo::SetPictureMode(int mode)
{
    FPictureMode = mode == spmMaskPictures ? spmMaskPictures : spmMaskedStereo;
    setWindowTitle(QString::fromUtf8(FPictureMode == spmMaskPictures ? kCaptionMask : kCaptionPicture));
    RadioGroupPictureFormatClick();
}

bool TFormSaveStereo::Execute()
{
    if (!ModalHook)
        return exec() == QDialog::Accepted;
    setResult(QDialog::Rejected);
    show();
    ModalHook(*this);
    if (isVisible())
        reject();
    return result() == QDialog::Accepted;
}

// ---------------------------------------------------------------------------
// Names

int TFormSaveStereo::Layout() const { return std::max(0, PictureFormatButtons->checkedId()); }

void TFormSaveStereo::SetLayout(int layout)
{
    if (layout >= 0 && layout < kStereoLayoutCount)
        PictureFormatButtons->button(layout)->setChecked(true);
}

int TFormSaveStereo::Kind() const { return std::max(0, AnaglyphArtButtons->checkedId()); }

int TFormSaveStereo::FileType() const { return ComboBoxFileType->currentIndex() == sftBmp ? sftBmp : sftJpeg; }

// Typed text is clamped only when the field is left; what is written never
// lies outside the range.
int TFormSaveStereo::Distance() const { return uSpinEditDistance->CheckValue(uSpinEditDistance->Value()); }

TSaveOptionsPanel* TFormSaveStereo::ChosenPanel() const
{
    if (FileType() == sftBmp)
        return BMPPreferences;
    return JPGPreferences;
}

void TFormSaveStereo::SetEditText(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

void TFormSaveStereo::SetBaseName(const QString& name)
{
    const TLock lock(FUpdateLock);
    const TSaveNames names = ProposeSaveNames(name, FPictureMode, Layout(), Kind(), FileType());
    SetEditText(EditFileName_M, names.Mask);
    SetEditText(EditFileName_L, names.Left);
    SetEditText(EditFileName_R, names.Right);
    ComboBoxFileTypeChange();
}

void TFormSaveStereo::ComboBoxFileTypeChange()
{
    const bool locked = FUpdateLock > 0;
    const int type = FileType();
    {
        const TLock lock(FUpdateLock);
        const QString extension = SavePictureExtension(type);
        // An empty field stays empty rather than becoming a bare extension.
        if (!EditFileName_M->text().isEmpty())
            SetEditText(EditFileName_M, ChangeFileExt(EditFileName_M->text(), kMaskFileExtension));
        for (QLineEdit* edit : {EditFileName_L, EditFileName_R})
            if (!edit->text().isEmpty())
                SetEditText(edit, ChangeFileExt(edit->text(), extension));
    }
    TSaveOptionsPanel* chosen = type == sftBmp ? static_cast<TSaveOptionsPanel*>(BMPPreferences) : JPGPreferences;
    TSaveOptionsPanel* other = type == sftBmp ? static_cast<TSaveOptionsPanel*>(JPGPreferences) : BMPPreferences;
    other->hide();
    other->ClearPictures();
    other->PreviewTarget = nullptr;
    chosen->PreviewTarget = Image;
    chosen->show();
    if (!locked)
        StartPreviewTimer();
}

void TFormSaveStereo::RadioGroupPictureFormatClick()
{
    const bool locked = FUpdateLock > 0;
    const int layout = Layout();
    const bool separate = layout == slSeparate;
    Label_L->setText(QString::fromUtf8(separate ? kLabelLeftPair : kLabelLeftSingle));
    Label_R->setVisible(separate);
    EditFileName_R->setVisible(separate);
    CheckBoxOverride_R->setVisible(separate);
    // Mask pictures are never put side by side with a gap.
    const bool distance = !separate && FPictureMode == spmMaskedStereo;
    for (QWidget* w : {static_cast<QWidget*>(GroupBoxDistance), static_cast<QWidget*>(LabelDistanceText),
                       static_cast<QWidget*>(uSpinEditDistance), static_cast<QWidget*>(LabelDistanceEinh)})
        w->setEnabled(distance);
    const bool anaglyph = layout >= slRedCyan;
    RadioGroupAnaglyphArt->setVisible(anaglyph);
    GroupBoxDistance->setVisible(!anaglyph);
    {
        const TLock lock(FUpdateLock);
        AnaglyphArtButtons->button(FKinds[size_t(layout)])->setChecked(true);
        const bool ownKind = layout == slRedCyan || layout == slYellowBlue;
        if (!ownKind)
            AnaglyphArtButtons->button(akGrey)->setChecked(true);
        RadioGroupAnaglyphArt->setEnabled(ownKind);
    }
    SetBaseName(EditFileName_M->text());
    MarkFileNames();
    if (!locked)
        StartPreviewTimer();
}

void TFormSaveStereo::RadioGroupAnaglyphArtClick()
{
    // The layout handler shows a layout's kind under the lock; only the
    // user's own choice is remembered.
    if (FUpdateLock > 0)
        return;
    FKinds[size_t(Layout())] = Kind();
    SetBaseName(EditFileName_M->text());
    StartPreviewTimer();
}

void TFormSaveStereo::uSpinEditDistanceChange()
{
    const int value = uSpinEditDistance->Value();
    if (value < 0 || value > kMaxDistance)
        return;
    TimerStartPreview->stop();
    TimerStartPreview->setInterval(kPreviewDelayAfterDistance);
    TimerStartPreview->start();
}

void TFormSaveStereo::EditFileNameChange() { MarkFileNames(); }

void TFormSaveStereo::EditFileName_MExit()
{
    if (FUpdateLock == 0)
        SetBaseName(EditFileName_M->text());
}

void TFormSaveStereo::MarkFileNames()
{
    const QColor normal = QApplication::palette(EditFileName_M).color(QPalette::Text);
    const QColor red(0xFF, 0, 0), blue(0, 0, 0xFF);
    const std::pair<QLineEdit*, QCheckBox*> rows[] = {{EditFileName_M, CheckBoxOverride_M},
                                                       {EditFileName_L, CheckBoxOverride_L},
                                                       {EditFileName_R, CheckBoxOverride_R}};
    for (const auto& [edit, box] : rows) {
        edit->setToolTip(edit->text());
        const bool exists = SaveFileExists(edit->text());
        box->setEnabled(exists);
        SetTextColour(edit, exists ? (box->isChecked() ? blue : red) : normal);
    }
    if (Layout() == slSeparate && SameSaveNames(EditFileName_L->text(), EditFileName_R->text())) {
        SetTextColour(EditFileName_L, red);
        SetTextColour(EditFileName_R, red);
    }
}

QString TFormSaveStereo::RunSaveDialog(const QString& start)
{
    const QString title = QString::fromUtf8(kSaveStereoDialogTitle);
    const QString filter = QString::fromUtf8(kSaveStereoFilter);
    if (SaveFileHook)
        return SaveFileHook(title, start, filter);
    QFileDialog dialog(this, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The dialog asks about existing files itself, file by file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(OpenStereoNameFilters(filter));
    if (!start.isEmpty()) {
        const QFileInfo info(start);
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void TFormSaveStereo::BitBtnOpenClick()
{
    const QString chosen = RunSaveDialog(EditFileName_M->text());
    if (!chosen.isEmpty())
        SetBaseName(chosen);
}

// ---------------------------------------------------------------------------
// Preview

void TFormSaveStereo::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    SetBaseName(EditFileName_M->text());
    MarkFileNames();
    StartPreviewTimer();
}

void TFormSaveStereo::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (FUpdateLock == 0)
        StartPreviewTimer();
}

void TFormSaveStereo::StartPreviewTimer()
{
    if (!TimerStartPreview->isActive())
        TimerStartPreview->start();
}

void TFormSaveStereo::TimerStartPreviewTimer()
{
    TimerStartPreview->stop();
    TimerStartPreview->setInterval(kPreviewDelay);
    if (FSaving || FPreviewing) {
        // "OK" builds its own preview; a running one finishes first.
        if (!FSaving)
            TimerStartPreview->start();
        return;
    }
    UpdatePreview(false);
}

void TFormSaveStereo::SetBar(QProgressBar* bar, int value) { bar->setValue(std::clamp(value, 0, 100)); }

void TFormSaveStereo::ShowImageProgress(TProgressStage stage, int percent)
{
    switch (stage) {
    case TProgressStage::Starting:
        SetBar(ProgressBar1, 100);
        SetBar(ProgressBar2, percent);
        break;
    case TProgressStage::Running:
        SetBar(ProgressBar2, percent);
        break;
    case TProgressStage::Ending:
        SetBar(ProgressBar1, 0);
        SetBar(ProgressBar2, 0);
        break;
    }
    LetMessagesRun();
}

void TFormSaveStereo::UpdatePreview(bool full)
{
    if (FPreviewing)
        return;
    struct TGuard {
        bool& Flag;
        explicit TGuard(bool& flag) : Flag(flag) { Flag = true; }
        ~TGuard() { Flag = false; }
    } guard(FPreviewing);

    SetBar(ProgressBar1, 0);
    LetMessagesRun();
    const QImage& l = FLeft.Image;
    const QImage& r = FRight.Image;
    if (l.isNull() || r.isNull() || l.width() <= 0 || l.height() <= 0 || r.width() <= 0 || r.height() <= 0) {
        LabelPictSize->setText(QString());
        return;
    }
    SetBar(ProgressBar1, 10);
    const int layout = Layout();
    const int kind = Kind();
    const int gap = layout == slSeparate ? kSeparatePreviewGap : FPictureMode == spmMaskedStereo ? Distance() : 0;

    // Size text and the size of the picture that is written.
    int w = l.width(), h = l.height();
    QString text = QString::asprintf(kSizeText, l.width(), l.height());
    switch (layout) {
    case slSeparate:
        text += QString::asprintf(kSizeTextRight, r.width(), r.height());
        w = l.width() + r.width() + kSeparatePreviewGap;
        break;
    case slParallel:
        w = l.width() + r.width() + gap;
        text = QString::asprintf(kSizeText, w, h);
        break;
    case slCross:
        w = l.width() + r.width() + gap;
        text = QString::asprintf(kSizeText, w, r.height());
        break;
    case slOverUnder:
        h = l.height() + r.height() + gap;
        text = QString::asprintf(kSizeText, w, h);
        break;
    default:
        break;
    }
    LabelPictSize->setText(text);

    // The halves of the preview, with the gap scaled like the pictures.
    const QRect fitted = FitRect(QRect(0, 0, Image->width(), Image->height()), QRect(0, 0, w, h));
    const int pw = fitted.width(), ph = fitted.height();
    if (pw <= 0 || ph <= 0)
        return;
    int s = 0, hw = pw, hh = ph;
    if (layout <= slCross) {
        s = pw - RoundEven(double(w - gap) * pw / w);
        hw = (pw - s) / 2;
    } else if (layout == slOverUnder) {
        s = ph - RoundEven(double(h - gap) * ph / h);
        hh = (ph - s) / 2;
    }
    if (hw <= 0 || hh <= 0)
        return;
    SetBar(ProgressBar1, 50);
    TBitmap leftHalf{PreviewScaled(l, hw, hh), CoverColor};
    TBitmap rightHalf{PreviewScaled(r, hw, hh), CoverColor};
    SetBar(ProgressBar1, 60);

    // The picture written: side by side and over-under are put together
    // only while coding; the gap of the written picture is white.
    TSavePicture saved;
    if (full && layout != slSeparate)
        saved = StereoSavePicture(layout, kind, l, r, gap);

    TBitmap preview;
    preview.Brush = layout == slSeparate ? Rgb32ToColor(palette().color(QPalette::Window).rgb()) : CoverColor;
    SetBar(ProgressBar1, 70);
    CombineStereoPicture(layout, kind, leftHalf, rightHalf, preview, s);
    SetBar(ProgressBar1, 80);

    TSaveOptionsPanel* panel = ChosenPanel();
    const TSavePicture leftOnly(FLeft.Image);
    const TSavePicture* save = layout == slSeparate ? &leftOnly : full ? &saved : nullptr;
    panel->ShowPictures(&preview.Image, save, full);
    SetBar(ProgressBar1, panel == JPGPreferences ? 90 : 0);
}

