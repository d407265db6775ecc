// The open dialog's preview: building the picture shown from the preview
// pictures, showing a loading error in its place, and preparing the memory
// for opening the chosen pair while the user looks at it.
#include "stereo/Stereo_OpenDlg.h"

#include "stereo/Compose.h"
#include "stereo/StereoLoad.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>

namespace {

// Space between the two half-pictures of the side-by-side preview.
constexpr int kPreviewGap = 10;

QImage ScaledRgb32(const QImage& source, int width, int height)
{
    QImage scaled = source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    SwitchToRgb32(scaled);
    return scaled;
}

} // namespace

void TFormOpenStereo::PrepareMemoryForPair()
{
    // Only for the user's choice: the controller presets the fields of the
    // hidden dialog with every pair it loads.
    if (!isVisible())
        return;
    const QString key = QString::number(GetLayout()) + QLatin1Char('\n') + GetLeftFileName() + QLatin1Char('\n')
                        + GetRightFileName();
    if (key == PreparedFor)
        return;
    PreparedFor = key;
    QSize left, right;
    if (!ReadStereoPictureSizes(GetLeftFileName(), GetLayout(), GetRightFileName(), &left, &right))
        return;
    // Two pictures per eye: the pair itself and its composed view. Idle
    // memory of the pair that is open now counts, within the pool's limit.
    KeepPictureBuffersFor(left, right, 2, 0);
}

void TFormOpenStereo::ShowLoadError(const QString& text)
{
    // A picture that cannot be read is the user's to see where the picture
    // would have been; the dialog stays usable for choosing another file.
    LastLoadError = text;
    PreviewShown = QImage();
    QPalette palette = ImagePreview->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    ImagePreview->setPalette(palette);
    ImagePreview->setText(text);
    ProgressBar1->setValue(0);
    ProgressBar2->setValue(0);
    ProgressBar1->setToolTip(text);
}

void TFormOpenStereo::ClearLoadError()
{
    if (LastLoadError.isEmpty())
        return;
    LastLoadError.clear();
    ImagePreview->clear();
    ImagePreview->setPalette(QPalette());
    ProgressBar1->setToolTip(QString());
}

void TFormOpenStereo::ActionPreviewExecute() { RebuildPreview(); }

QImage TFormOpenStereo::MakePreview(const QSize& area) const
{
    if (PreviewLeft.Empty() || PreviewRight.Empty() || PreviewLeft.Width() <= 0 || PreviewLeft.Height() <= 0 ||
        PreviewRight.Width() <= 0 || PreviewRight.Height() <= 0)
        return QImage();
    const QSize leftSize = PreviewLeft.Image.size();

    if (ActionKreuz->isChecked() || ActionParallel->isChecked()) {
        const QRect fitted = FitRect(QRect(0, 0, area.width() - kPreviewGap, area.height()),
                                     QRect(0, 0, 2 * leftSize.width(), leftSize.height()));
        const int half = fitted.width() / 2;
        const int height = fitted.height();
        if (half <= 0 || height <= 0)
            return QImage();
        QImage result = NewRgb32(fitted.width() + kPreviewGap, height);
        result.fill(palette().color(QPalette::Window).rgb());
        const bool cross = ActionKreuz->isChecked();
        const QImage& first = cross ? PreviewRight.Image : PreviewLeft.Image;
        const QImage& second = cross ? PreviewLeft.Image : PreviewRight.Image;
        BlitRgb32(result, ScaledRgb32(first, half, height), 0, 0);
        BlitRgb32(result, ScaledRgb32(second, half, height), half + kPreviewGap, 0);
        return result;
    }

    const QRect fitted = FitRect(QRect(QPoint(0, 0), area), QRect(QPoint(0, 0), leftSize));
    if (fitted.width() <= 0 || fitted.height() <= 0)
        return QImage();
    TBitmap left, right, target;
    left.Image = ScaledRgb32(PreviewLeft.Image, fitted.width(), fitted.height());
    right.Image = ScaledRgb32(PreviewRight.Image, fitted.width(), fitted.height());
    const TColorMatrix& matrix = ActionAnaglyphe_sw->isChecked()     ? StereoMatrix::kRedCyanGrey
                                 : ActionAnaglyphe_Farb->isChecked() ? StereoMatrix::kRedCyanColor
                                                                     : StereoMatrix::kRedCyanHalfTone;
    MixAnaglyphRedFirst(left, right, target, matrix);
    return target.Image;
}

void TFormOpenStereo::RebuildPreview()
{
    // While a load runs the preview pictures are half old, half new; while an
    // error is shown it must stay readable.
    if (Loading || !LastLoadError.isEmpty())
        return;
    const QImage picture = MakePreview(ImagePreview->contentsRect().size());
    if (picture.isNull())
        return;
    PreviewShown = picture;
    ImagePreview->setPixmap(QPixmap::fromImage(PreviewShown));
}
