#include "settings/Frame_Masken.h"

#include "settings/OptionenColorDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TFrameFarbenDesktopMaske::TFrameFarbenDesktopMaske(QWidget* parent) : TFrameOptionen(dgDeskBack, parent)
{
    setObjectName(QStringLiteral("FrameFarbenDesktopMaske"));
    auto* page = new QGridLayout(this);
    page->addWidget(new QLabel(QStringLiteral("transparente Maske"), this), 0, 0);
    const TColorRow trans = AddColorRow(page, 0, 1);
    page->addWidget(new QLabel(QStringLiteral("nicht transparente Maske:"), this), 1, 0);
    const TColorRow noTrans = AddColorRow(page, 1, 1);
    BitBtnDeskTransColor = trans.Button, ShapeDeskTransColor = trans.Square;
    BitBtnDeskNoTransColor = noTrans.Button, ShapeDeskNoTransColor = noTrans.Square;
    page->setColumnStretch(1, 1);
    AddDefaultButton(page, 2, 2);
    ConnectColor(BitBtnDeskTransColor, &TDesktopData::DeskTransColor, dgDeskTrans);
    ConnectColor(BitBtnDeskNoTransColor, &TDesktopData::DeskNoTransColor, dgDeskNoTrans);
}

void TFrameFarbenDesktopMaske::UpdateControls(quint16 what)
{
    if (!Data)
        return;
    ShapeDeskTransColor->SetColor(Data->DeskTransColor);
    ShapeDeskNoTransColor->SetColor(Data->DeskNoTransColor);
    TFrameOptionen::UpdateControls(what);
}

void TFrameFarbenDesktopMaske::DefaultValuesClick()
{
    Data->SetDeskMaskDefaults();
    // Both colours change at once: the page's own word shows the editor view.
    UpdateControls(GroupWord);
}
