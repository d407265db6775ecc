#include "stereo/Stereo_SaveDlgJPG.h"

#include "stereo/PictureHolder.h"
#include "stereo/StereoSaveNames.h"

#include <QGridLayout>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>

#include <new>

namespace {
const QString kMeasuring = QStringLiteral("…");
} // namespace

TJPGPreferences::TJPGPreferences(QWidget* parent) : TSaveOptionsPanel(parent)
{
    setObjectName(QStringLiteral("JPGPreferences"));
    Label1 = new QLabel(QString::fromUtf8("Bildqualität:"), this);
    LabelQuali = new QLabel(QStringLiteral("%1 %").arg(kDefaultQuality), this);
    LabelQuali->setObjectName(QStringLiteral("LabelQuali"));
    LabelQuali->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ScrollBarQuali = new QScrollBar(Qt::Horizontal, this);
    ScrollBarQuali->setObjectName(QStringLiteral("ScrollBarQuali"));
    ScrollBarQuali->setRange(1, 100);
    ScrollBarQuali->setSingleStep(1);
    ScrollBarQuali->setPageStep(1);
    ScrollBarQuali->setValue(kDefaultQuality);
    Label2 = new QLabel(QStringLiteral("niedrig"), this);
    Label3 = new QLabel(QStringLiteral("hoch"), this);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    RadioButtonStandKod = new QRadioButton(QStringLiteral("Standard-Kodierung"), this);
    RadioButtonStandKod->setObjectName(QStringLiteral("RadioButtonStandKod"));
    RadioButtonProgrKod = new QRadioButton(QStringLiteral("Progressive Kodierung"), this);
    RadioButtonProgrKod->setObjectName(QStringLiteral("RadioButtonProgrKod"));
    RadioButtonStandKod->setChecked(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(LabelQuali, 0, 1);
    grid->addWidget(ScrollBarQuali, 1, 0, 1, 2);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(Label3, 2, 1);
    grid->addWidget(RadioButtonStandKod, 3, 0);
    grid->addWidget(RadioButtonProgrKod, 3, 1);
    AddSizeRow(grid, 4);

    connect(ScrollBarQuali, &QScrollBar::valueChanged, this, &TJPGPreferences::ScrollBarQualiChange);
    connect(RadioButtonStandKod, &QRadioButton::clicked, this, &TJPGPreferences::RadioButtonKodClick);
    connect(RadioButtonProgrKod, &QRadioButton::clicked, this, &TJPGPreferences::RadioButtonKodClick);

    // The result arrives on the encoder's thread; the panel takes it on its
    // own. The encoder is joined in the destructor before the panel's queued
    // calls are discarded, so none can reach a destroyed panel.
    FEncoder = std::make_unique<TJpegBackgroundEncoder>([this](const TJpegBackgroundEncoder::TResult& result) {
        QMetaObject::invokeMethod(this, [this, result] { EncodedInBackground(result); }, Qt::QueuedConnection);
    });
}

TJPGPreferences::~TJPGPreferences()
{
    FEncoder.reset();
}

TJpegOptions TJPGPreferences::Options() const
{
    TJpegOptions options;
    options.Quality = ScrollBarQuali->value();
    options.Progressive = RadioButtonProgrKod->isChecked();
    return options;
}

TJPGPreferences::TKey TJPGPreferences::KeyOf(const TSavePicture& picture) const
{
    const TJpegOptions options = Options();
    return TKey{picture.Key(), options.Quality, options.Progressive};
}

void TJPGPreferences::ScrollBarQualiChange()
{
    LabelQuali->setText(QStringLiteral("%1 %").arg(ScrollBarQuali->value()));
    RestartTimer(kDelayOptionChange);
}

void TJPGPreferences::RadioButtonKodClick() { RestartTimer(kDelayOptionChange); }

void TJPGPreferences::ClearPictures()
{
    FEncoder->Cancel();
    FPendingTicket = 0;
    FMeasured = QByteArray();
    FMeasuredKey = TKey();
    TSaveOptionsPanel::ClearPictures();
}

void TJPGPreferences::ShowMeasured(const TKey& key, const QByteArray& data)
{
    FMeasuredKey = key;
    FMeasured = data;
    LabelFileSize->setText(FileSizeText(data.size()));
}

void TJPGPreferences::EncodedInBackground(const TJpegBackgroundEncoder::TResult& result)
{
    if (result.Ticket != FPendingTicket)
        return; // superseded while on its way
    FPendingTicket = 0;
    if (result.Ok)
        ShowMeasured(FPendingKey, result.Data);
    else
        LabelFileSize->setText(kSizeUnknown);
}

void TJPGPreferences::UpdateDisplay(bool computeSize)
{
    if (FUpdating) {
        // Reached from the event processing of a coding this call waits
        // for: do it once that is over.
        RestartTimer(kDelayNewPictures);
        return;
    }
    const QScopedValueRollback<bool> guard(FUpdating, true);
    const TJpegOptions options = Options();
    try {
        if (FHavePreview && !FPreview.isNull() && PreviewTarget) {
            QByteArray data;
            QString error;
            if (!EncodeJpeg(FPreview, options, &data, &error))
                throw EPictureError(error);
            // Shown decoded from its compression, artefacts and all.
            const TPictureResult decoded = DecodeJpegData(data);
            if (!decoded.Ok)
                throw EPictureError(decoded.Error);
            PreviewTarget->SetPicture(decoded.Image);
        }
        if (!FHaveSave)
            return;
        if (FSave.IsNull())
            throw EPictureError(QStringLiteral("kein Bild vorhanden"));
        const TKey key = KeyOf(FSave);
        if (OutputTarget) {
            QByteArray data = FMeasured;
            if (!(FMeasuredKey == key) || data.isEmpty()) {
                // The background compression of this very picture would give
                // the same bytes; coding it here instead spares the wait.
                const bool sameAsPending = FPendingTicket != 0 && FPendingKey == key;
                if (sameAsPending) {
                    FEncoder->Cancel();
                    FPendingTicket = 0;
                }
                QString error;
                if (!HoldSavePicture(FSave, sftJpeg, options, *OutputTarget, &error, OnCodingProgress))
                    throw EPictureError(error);
                data = OutputTarget->Encoded();
                if (computeSize || sameAsPending)
                    ShowMeasured(key, data);
            } else if (computeSize) {
                ShowMeasured(key, data);
            }
            OutputTarget->SetEncoded(data);
            return;
        }
        if (!computeSize)
            return;
        if (FMeasuredKey == key && !FMeasured.isEmpty()) {
            ShowMeasured(key, FMeasured);
            return;
        }
        if (FPendingTicket != 0 && FPendingKey == key)
            return; // already on its way
        FPendingKey = key;
        FPendingTicket = FEncoder->Start(FSave, options);
        LabelFileSize->setText(kMeasuring);
    } catch (const EPlenoptraError&) {
        LabelFileSize->setText(kSizeUnknown);
    } catch (const std::bad_alloc&) {
        LabelFileSize->setText(kSizeUnknown);
    }
}
