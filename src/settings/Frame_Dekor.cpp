#include "settings/Frame_Dekor.h"

#include "settings/OptionenColorDialog.h"
#include "settings/uSpin.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>

#include <algorithm>

const char* const kHintUseMaskBackground = "Verwende aktuelle Hintergrundfarbe der Maske ";

namespace {
constexpr int kSpinWidth = 64;
} // namespace

TFrameDekor::TFrameDekor(QWidget* parent) : TFrameOptionen(dgDecor, parent)
{
    setObjectName(QStringLiteral("FrameDekor"));
    auto* page = new QGridLayout(this);
    page->setVerticalSpacing(4);

    GroupBoxDekor = new QGroupBox(QStringLiteral("Dekorrahmen"), this);
    auto* flags = new QHBoxLayout(GroupBoxDekor);
    flags->setContentsMargins(8, 2, 8, 2);
    CheckBoxUse = new QCheckBox(QStringLiteral("Verwenden"), GroupBoxDekor);
    CheckBoxView = new QCheckBox(QStringLiteral("Anzeige im Editor"), GroupBoxDekor);
    flags->addWidget(CheckBoxUse);
    flags->addWidget(CheckBoxView);
    flags->addStretch(1);
    page->addWidget(GroupBoxDekor, 0, 0);

    Inside = MakeFrameGroup("Innerer Rahmen", &TDesktopData::DecorColorInside, uSpinDecorWidthInside,
                            &uSpinEditDecorDistance);
    Middle = MakeFrameGroup("Mittlerer Rahmen", &TDesktopData::DecorColorMiddle, uSpinEditDecorWidthMiddle, nullptr);
    Outside = MakeFrameGroup("Äußerer Rahmen", &TDesktopData::DecorColorOutside, uSpinEditDekorWidthOutside, nullptr);
    page->addWidget(Inside.Group, 1, 0);
    page->addWidget(Middle.Group, 2, 0);
    page->addWidget(Outside.Group, 3, 0);
    AddDefaultButton(page, 4, 1);

    connect(CheckBoxUse, &QCheckBox::toggled, this,
            [this](bool checked) { FlagChanged(&TDesktopData::DecorUse, checked); });
    connect(CheckBoxView, &QCheckBox::toggled, this,
            [this](bool checked) { FlagChanged(&TDesktopData::DecorView, checked); });
    const std::pair<TuSpinEdit*, qint32 TDesktopData::*> spins[] = {
        {uSpinDecorWidthInside, &TDesktopData::DecorWidthInside},
        {uSpinEditDecorWidthMiddle, &TDesktopData::DecorWidthMiddle},
        {uSpinEditDekorWidthOutside, &TDesktopData::DecorWidthOutside},
        {uSpinEditDecorDistance, &TDesktopData::DecorDistance},
    };
    for (const auto& entry : spins) {
        TuSpinEdit* spin = entry.first;
        qint32 TDesktopData::*field = entry.second;
        connect(spin, &QLineEdit::textChanged, this, [this, spin, field] { FieldChanged(field, spin); });
    }
}

TFrameDekor::TFrameControls TFrameDekor::MakeFrameGroup(const char* caption, TColor TDesktopData::*colour,
                                                        TuSpinEdit*& width, TuSpinEdit** distance)
{
    TFrameControls c;
    c.Group = new QGroupBox(QString::fromUtf8(caption), this);
    auto* grid = new QGridLayout(c.Group);
    grid->setContentsMargins(8, 2, 8, 4);
    grid->setVerticalSpacing(3);
    const TColorRow row = AddColorRow(grid, 0, 0);
    c.ColorButton = row.Button;
    c.ColorSquare = row.Square;
    c.BackgroundButton = new QPushButton(QStringLiteral("Hintergrundfarbe"), c.Group);
    c.BackgroundButton->setAutoDefault(false);
    c.BackgroundButton->setToolTip(QString::fromUtf8(kHintUseMaskBackground));
    grid->addWidget(c.BackgroundButton, 0, 1, 1, 3, Qt::AlignRight);

    auto addSpin = [&](int column, const char* label) {
        auto* spin = new TuSpinEdit(c.Group);
        spin->setFixedWidth(kSpinWidth);
        auto* cell = new QHBoxLayout;
        cell->addWidget(new QLabel(QString::fromUtf8(label), c.Group));
        cell->addWidget(spin);
        cell->addWidget(new QLabel(QStringLiteral("Pixel"), c.Group));
        cell->addStretch(1);
        grid->addLayout(cell, 1, column);
        return spin;
    };
    width = addSpin(0, "Breite:");
    if (distance)
        *distance = addSpin(1, "Abstand:");
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    ConnectColor(c.ColorButton, colour, dgDecor);
    connect(c.BackgroundButton, &QPushButton::clicked, this, [this, colour] {
        if (!Data)
            return;
        Data->*colour = Data->FileMaskPictColor;
        UpdateControls(dgDecor);
    });
    return c;
}

void TFrameDekor::UpdateControls(quint16 what)
{
    if (!Data)
        return;
    const QScopedValueRollback<bool> updating(FUpdating, true);
    for (qint32 TDesktopData::*field : {&TDesktopData::DecorWidthInside, &TDesktopData::DecorWidthMiddle,
                                        &TDesktopData::DecorWidthOutside, &TDesktopData::DecorDistance})
        Data->*field = std::max(0, Data->*field);
    CheckBoxUse->setChecked(Data->DecorUse != 0);
    CheckBoxView->setChecked(Data->DecorView != 0);
    CheckBoxView->setEnabled(CheckBoxUse->isChecked());
    Inside.ColorSquare->SetColor(Data->DecorColorInside);
    Middle.ColorSquare->SetColor(Data->DecorColorMiddle);
    Outside.ColorSquare->SetColor(Data->DecorColorOutside);
    uSpinDecorWidthInside->SetValue(Data->DecorWidthInside);
    uSpinEditDecorWidthMiddle->SetValue(Data->DecorWidthMiddle);
    uSpinEditDekorWidthOutside->SetValue(Data->DecorWidthOutside);
    uSpinEditDecorDistance->SetValue(Data->DecorDistance);
    TFrameOptionen::UpdateControls(what);
}

void TFrameDekor::FieldChanged(qint32 TDesktopData::*field, const TuSpinEdit* spin)
{
    if (FUpdating || !Data)
        return;
    Data->*field = spin->Value();
    UpdateControls(dgDecor);
}

void TFrameDekor::FlagChanged(quint8 TDesktopData::*field, bool checked)
{
    if (FUpdating || !Data)
        return;
    Data->*field = checked ? 1 : 0;
    UpdateControls(dgDecor);
}

void TFrameDekor::DefaultValuesClick()
{
    Data->SetDecorDefaults();
    UpdateControls(dgDecor);
}
