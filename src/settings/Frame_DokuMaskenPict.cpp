#include "settings/Frame_DokuMaskenPict.h"

#include "settings/OptionenColorDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TFrameColorDocuMaskPicure::TFrameColorDocuMaskPicure(QWidget* parent) : TFrameOptionen(dgMaskPict, parent)
{
    setObjectName(QStringLiteral("FrameColorDocuMaskPicure"));
    auto* page = new QGridLayout(this);
    page->addWidget(new QLabel(QStringLiteral("maskiertes Bild:"), this), 0, 0);
    const TColorRow row = AddColorRow(page, 0, 1);
    BitBtnFileMaskPictColor = row.Button, ShapeFileMaskPictColor = row.Square;
    BitBtnGrey = new QPushButton(QStringLiteral("fc - Grau"), this);
    BitBtnGrey->setObjectName(QStringLiteral("BitBtnGrey"));
    BitBtnGrey->setAutoDefault(false);
    BitBtnGrey->setToolTip(QString::fromUtf8(
        "Neutrales dunkles Grau (#222222), wie es gern als ruhiger Hintergrund für Stereobilder verwendet wird"));
    page->addWidget(BitBtnGrey, 1, 1, Qt::AlignLeft);
    page->setColumnStretch(1, 1);
    AddDefaultButton(page, 2, 2);
    ConnectColor(BitBtnFileMaskPictColor, &TDesktopData::FileMaskPictColor, dgMaskPict);
    connect(BitBtnGrey, &QPushButton::clicked, this, [this] {
        if (!Data)
            return;
        Data->FileMaskPictColor = kMaskPictGrey;
        UpdateControls(dgMaskPict);
    });
}

void TFrameColorDocuMaskPicure::UpdateControls(quint16 what)
{
    if (!Data)
        return;
    ShapeFileMaskPictColor->SetColor(Data->FileMaskPictColor);
    TFrameOptionen::UpdateControls(what);
}

void TFrameColorDocuMaskPicure::DefaultValuesClick()
{
    Data->SetMaskPictDefaults();
    UpdateControls(dgMaskPict);
}
