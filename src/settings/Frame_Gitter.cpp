#include "settings/Frame_Gitter.h"

#include "settings/OptionenColorDialog.h"
#include "settings/uSpin.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <utility>

TFrameGitter::TFrameGitter(QWidget* parent) : TFrameOptionen(dgGrid, parent)
{
    setObjectName(QStringLiteral("FrameGitter"));
    auto* page = new QGridLayout(this);

    GroupBoxAnzahl = new QGroupBox(QStringLiteral("Anzahl der Linien"), this);
    auto* counts = new QGridLayout(GroupBoxAnzahl);
    auto addCount = [&](int row, const char* caption, QScrollBar*& bar, TuSpinEdit*& spin) {
        counts->addWidget(new QLabel(QString::fromUtf8(caption), GroupBoxAnzahl), row, 0);
        bar = new QScrollBar(Qt::Horizontal, GroupBoxAnzahl);
        bar->setRange(kMinCount, kMaxCount);
        bar->setPageStep(10);
        spin = new TuSpinEdit(GroupBoxAnzahl);
        spin->SetMinValue(kMinCount);
        spin->SetMaxValue(kMaxCount);
        spin->setFixedWidth(56);
        counts->addWidget(bar, row, 1);
        counts->addWidget(spin, row, 2);
    };
    addCount(0, "Horizontal:", ScrollBarHoriz, SpinEditHoriz);
    addCount(1, "Vertikal:", ScrollBarVerti, SpinEditVerti);
    counts->setColumnStretch(1, 1);
    page->addWidget(GroupBoxAnzahl, 0, 0);

    GroupBoxDarstellung = new QGroupBox(QStringLiteral("Darstellung"), this);
    auto* look = new QGridLayout(GroupBoxDarstellung);
    RadioButtonMono = new QRadioButton(QStringLiteral("einfarbig"), GroupBoxDarstellung);
    RadioButtonBi = new QRadioButton(QStringLiteral("zweifarbig"), GroupBoxDarstellung);
    look->addWidget(RadioButtonMono, 0, 0);
    look->addWidget(RadioButtonBi, 1, 0);
    const TColorRow mono = AddColorRow(look, 0, 1);
    const TColorRow bi1 = AddColorRow(look, 1, 1);
    const TColorRow bi2 = AddColorRow(look, 2, 1);
    BitBtnMonoColor = mono.Button, ShapeMonoColor = mono.Square;
    BitBtnBiColor1 = bi1.Button, ShapeBiColor1 = bi1.Square;
    BitBtnBiColor2 = bi2.Button, ShapeBiColor2 = bi2.Square;
    look->setColumnStretch(1, 1);
    page->addWidget(GroupBoxDarstellung, 1, 0);
    AddDefaultButton(page, 2, 1);

    connect(ScrollBarHoriz, &QScrollBar::valueChanged, this,
            [this](int value) { CountChanged(&TDesktopData::GridHorizCount, value); });
    connect(ScrollBarVerti, &QScrollBar::valueChanged, this,
            [this](int value) { CountChanged(&TDesktopData::GridVertCount, value); });
    // A count typed beyond the limits is taken clamped at once: a grid of a
    // million lines would stall every repaint while the user is still typing.
    for (const auto& count : {std::pair{SpinEditHoriz, &TDesktopData::GridHorizCount},
                              std::pair{SpinEditVerti, &TDesktopData::GridVertCount}}) {
        TuSpinEdit* spin = count.first;
        qint32 TDesktopData::*field = count.second;
        connect(spin, &QLineEdit::textChanged, this,
                [this, spin, field] { CountChanged(field, spin->CheckValue(spin->Value())); });
    }
    connect(RadioButtonMono, &QRadioButton::clicked, this, [this] { RadioClick(RadioButtonMono); });
    connect(RadioButtonBi, &QRadioButton::clicked, this, [this] { RadioClick(RadioButtonBi); });
    ConnectColor(BitBtnMonoColor, &TDesktopData::GridMonoColor, dgGrid);
    ConnectColor(BitBtnBiColor1, &TDesktopData::GridBiColor1, dgGrid);
    ConnectColor(BitBtnBiColor2, &TDesktopData::GridBiColor2, dgGrid);
}

void TFrameGitter::UpdateControls(quint16 what)
{
    if (!Data)
        return;
    const QScopedValueRollback<bool> updating(FUpdating, true);
    ScrollBarHoriz->setValue(Data->GridHorizCount);
    SpinEditHoriz->SetValue(Data->GridHorizCount);
    ScrollBarVerti->setValue(Data->GridVertCount);
    SpinEditVerti->SetValue(Data->GridVertCount);
    RadioButtonMono->setChecked(Data->GridMono == 1);
    RadioButtonBi->setChecked(Data->GridMono != 1);
    ShapeMonoColor->SetColor(Data->GridMonoColor);
    ShapeBiColor1->SetColor(Data->GridBiColor1);
    ShapeBiColor2->SetColor(Data->GridBiColor2);
    TFrameOptionen::UpdateControls(what);
}

void TFrameGitter::CountChanged(qint32 TDesktopData::*field, int value)
{
    if (FUpdating || !Data)
        return;
    Data->*field = value;
    UpdateControls(dgGrid);
}

void TFrameGitter::RadioClick(QRadioButton* clicked)
{
    if (FUpdating || !Data)
        return;
    Data->GridMono = clicked == RadioButtonMono ? 1 : 0;
    UpdateControls(dgGrid);
}

void TFrameGitter::DefaultValuesClick()
{
    Data->SetGridDefaults();
    UpdateControls(dgGrid);
}
