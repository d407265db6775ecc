#include "stereo/Stereo_SaveDlgPanel.h"

#include <QGridLayout>
#include <QLocale>
#include <QPixmap>
#include <QTimer>

const QString kSizeUnknown = QStringLiteral("???");

QString FileSizeText(qint64 bytes)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(double(bytes) / 1024.0, 'f', 2) + QStringLiteral(" kByte");
}

TSavePreviewImage::TSavePreviewImage(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    // The picture must not feed back into the layout, or every preview
    // after a resize would ask for yet another size.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void TSavePreviewImage::SetPicture(const QImage& picture)
{
    ReportProgress(&OnProgress, TProgressStage::Starting, 0);
    FPicture = picture;
    const QPixmap pixmap = QPixmap::fromImage(picture);
    ReportProgress(&OnProgress, TProgressStage::Running, 50);
    setPixmap(pixmap);
    ReportProgress(&OnProgress, TProgressStage::Ending, 100);
}

void TSavePreviewImage::ClearPicture()
{
    FPicture = QImage();
    clear();
}

TSaveOptionsPanel::TSaveOptionsPanel(QWidget* parent) : QFrame(parent)
{
    TimerUpdateAnzeige = new QTimer(this);
    TimerUpdateAnzeige->setObjectName(QStringLiteral("TimerUpdateAnzeige"));
    TimerUpdateAnzeige->setSingleShot(true);
    TimerUpdateAnzeige->setInterval(kDelayOptionChange);
    connect(TimerUpdateAnzeige, &QTimer::timeout, this, &TSaveOptionsPanel::TimerUpdateAnzeigeTimer);
    Label4 = new QLabel(QString::fromUtf8("Dateigröße:"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    LabelFileSize = new QLabel(this);
    LabelFileSize->setObjectName(QStringLiteral("LabelFileSize"));
    LabelFileSize->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TSaveOptionsPanel::AddSizeRow(QGridLayout* grid, int row)
{
    grid->addWidget(Label4, row, 0);
    grid->addWidget(LabelFileSize, row, 1, 1, -1);
}

void TSaveOptionsPanel::ShowPictures(const QImage* preview, const TSavePicture* save, bool immediate)
{
    if (preview)
        FHavePreview = true;
    if (save)
        FHaveSave = true;
    // Shared, not copied: neither side changes its picture afterwards.
    FPreview = preview ? *preview : QImage();
    FSave = save ? *save : TSavePicture();
    if (immediate) {
        TimerUpdateAnzeige->stop();
        UpdateDisplay(preview != nullptr);
    } else {
        RestartTimer(kDelayNewPictures);
    }
}

void TSaveOptionsPanel::ClearPictures()
{
    TimerUpdateAnzeige->stop();
    FHavePreview = FHaveSave = false;
    FPreview = QImage();
    FSave = TSavePicture();
    LabelFileSize->setText(kSizeUnknown);
}

void TSaveOptionsPanel::RestartTimer(int interval)
{
    TimerUpdateAnzeige->stop();
    TimerUpdateAnzeige->setInterval(interval);
    TimerUpdateAnzeige->start();
}

void TSaveOptionsPanel::TimerUpdateAnzeigeTimer()
{
    TimerUpdateAnzeige->stop();
    UpdateDisplay(true);
}
