#include "settings/Frame_Umriss.h"

#include "settings/OptionenColorDialog.h"

#include <QGridLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

TFrameUmriss::TFrameUmriss(QWidget* parent) : TFrameOptionen(dgOutline, parent)
{
    setObjectName(QStringLiteral("FrameUmriss"));
    auto* page = new QGridLayout(this);
    RadioButtonMono = new QRadioButton(QStringLiteral("einfarbig"), this);
    RadioButtonBi = new QRadioButton(QStringLiteral("zweifarbig"), this);
    page->addWidget(RadioButtonMono, 0, 0);
    page->addWidget(RadioButtonBi, 1, 0);
    const TColorRow mono = AddColorRow(page, 0, 1);
    const TColorRow bi1 = AddColorRow(page, 1, 1);
    const TColorRow bi2 = AddColorRow(page, 2, 1);
    BitBtnMonoColor = mono.Button, ShapeMonoColor = mono.Square;
    BitBtnBiColor1 = bi1.Button, ShapeBiColor1 = bi1.Square;
    BitBtnBiColor2 = bi2.Button, ShapeBiColor2 = bi2.Square;
    page->setColumnStretch(1, 1);
    AddDefaultButton(page, 3, 2);

    connect(RadioButtonMono, &QRadioButton::clicked, this, [this] { RadioClick(RadioButtonMono); });
    connect(RadioButtonBi, &QRadioButton::clicked, this, [this] { RadioClick(RadioButtonBi); });
    ConnectColor(BitBtnMonoColor, &TDesktopData::OutlineMonoColor, dgOutline);
    ConnectColor(BitBtnBiColor1, &TDesktopData::OutlineBiColor1, dgOutline);
    ConnectColor(BitBtnBiColor2, &TDesktopData::OutlineBiColor2, dgOutline);
}

void TFrameUmriss::UpdateControls(quint16 what)
{
    if (!Data)
        return;
    const QScopedValueRollback<bool> updating(FUpdating, true);
    RadioButtonMono->setChecked(Data->OutlineMono == 1);
    RadioButtonBi->setChecked(Data->OutlineMono != 1);
    ShapeMonoColor->SetColor(Data->OutlineMonoColor);
    ShapeBiColor1->SetColor(Data->OutlineBiColor1);
    ShapeBiColor2->SetColor(Data->OutlineBiColor2);
    TFrameOptionen::UpdateControls(what);
}

void TFrameUmriss::RadioClick(QRadioButton* clicked)
{
    if (FUpdating || !Data)
        return;
    Data->OutlineMono = clicked == RadioButtonMono ? 1 : 0;
    UpdateControls(dgOutline);
}

void TFrameUmriss::DefaultValuesClick()
{
    Data->SetOutlineDefaults();
    UpdateControls(dgOutline);
}
