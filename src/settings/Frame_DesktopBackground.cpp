#include "settings/Frame_DesktopBackground.h"

#include "settings/OptionenColorDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TFrameColorDeskBackground::TFrameColorDeskBackground(QWidget* parent) : TFrameOptionen(dgDeskBack, parent)
{
    setObjectName(QStringLiteral("FrameColorDeskBackground"));
    auto* page = new QGridLayout(this);
    page->addWidget(new QLabel(QStringLiteral("Hintergrund:"), this), 0, 0);
    const TColorRow row = AddColorRow(page, 0, 1);
    BitBtnDeskBackColor = row.Button, ShapeDeskBackColor = row.Square;
    page->setColumnStretch(1, 1);
    AddDefaultButton(page, 1, 2);
    ConnectColor(BitBtnDeskBackColor, &TDesktopData::DeskBackColor, dgDeskBack);
}

void TFrameColorDeskBackground::UpdateControls(quint16 what)
{
    if (!Data)
        return;
    ShapeDeskBackColor->SetColor(Data->DeskBackColor);
    TFrameOptionen::UpdateControls(what);
}

void TFrameColorDeskBackground::DefaultValuesClick()
{
    Data->SetDeskBackDefaults();
    UpdateControls(dgDeskBack);
}
