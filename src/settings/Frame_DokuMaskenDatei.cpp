#include "settings/Frame_DokuMaskenDatei.h"

#include "settings/OptionenColorDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TFrameFarbenDocuMaskFile::TFrameFarbenDocuMaskFile(QWidget* parent) : TFrameOptionen(dgFileMask, parent)
{
    setObjectName(QStringLiteral("FrameFarbenDocuMaskFile"));
    auto* page = new QGridLayout(this);
    page->addWidget(new QLabel(QStringLiteral("Maske Vordergrund:"), this), 0, 0);
    const TColorRow fore = AddColorRow(page, 0, 1);
    page->addWidget(new QLabel(QStringLiteral("Maske Hintergrund:"), this), 1, 0);
    const TColorRow back = AddColorRow(page, 1, 1);
    BitBtnFileMaskForColor = fore.Button, ShapeFileMaskForColor = fore.Square;
    BitBtnFileMaskBackColor = back.Button, ShapeFileMaskBackColor = back.Square;
    page->setColumnStretch(1, 1);
    AddDefaultButton(page, 2, 2);
    ConnectColor(BitBtnFileMaskForColor, &TDesktopData::FileMaskForColor, dgFileMask);
    ConnectColor(BitBtnFileMaskBackColor, &TDesktopData::FileMaskBackColor, dgFileMask);
}

void TFrameFarbenDocuMaskFile::UpdateControls(quint16 what)
{
    if (!Data)
        return;
    ShapeFileMaskForColor->SetColor(Data->FileMaskForColor);
    ShapeFileMaskBackColor->SetColor(Data->FileMaskBackColor);
    TFrameOptionen::UpdateControls(what);
}

void TFrameFarbenDocuMaskFile::DefaultValuesClick()
{
    Data->SetFileMaskDefaults();
    UpdateControls(dgFileMask);
}
