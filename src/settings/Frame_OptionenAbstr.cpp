#include "settings/Frame_OptionenAbstr.h"

#include "settings/OptionenColorDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

const char* const kCaptionColorButton = "Farbe Ändern...";
const char* const kCaptionDefaultValues = "Vorgaben";

TFrameOptionen::TFrameOptionen(quint16 groupWord, QWidget* parent) : QFrame(parent), GroupWord(groupWord)
{
    BitBtnDefaultValues = new QPushButton(QString::fromUtf8(kCaptionDefaultValues), this);
    BitBtnDefaultValues->setObjectName(QStringLiteral("BitBtnDefaultValues"));
    BitBtnDefaultValues->setAutoDefault(false);
    connect(BitBtnDefaultValues, &QPushButton::clicked, this, [this] {
        if (Data)
            DefaultValuesClick();
    });
}

TFrameOptionen::~TFrameOptionen()
{
    // The controls outlive the page's own part: hiding the page while one of
    // them has the focus lets a spin field tidy its text, and that signal
    // must not reach a page that is half destroyed.
    for (QObject* control : findChildren<QObject*>())
        disconnect(control, nullptr, this, nullptr);
}

void TFrameOptionen::UpdateControls(quint16 what)
{
    if (Data)
        Data->Changed(what);
}

TFrameOptionen::TColorRow TFrameOptionen::AddColorRow(QGridLayout* grid, int row, int column)
{
    TColorRow result;
    result.Square = new TColorSquare(this);
    result.Button = new QPushButton(QString::fromUtf8(kCaptionColorButton), this);
    result.Button->setAutoDefault(false);
    auto* cell = new QHBoxLayout;
    cell->setSpacing(6);
    cell->addWidget(result.Square);
    cell->addWidget(result.Button);
    cell->addStretch(1);
    grid->addLayout(cell, row, column);
    return result;
}

void TFrameOptionen::ChangeColor(TColor TDesktopData::*field, quint16 word)
{
    if (!Data || !ColorDialog)
        return;
    ColorDialog->Color = Data->*field;
    if (!ColorDialog->Execute())
        return;
    Data->*field = ColorDialog->Color;
    UpdateControls(word);
}

void TFrameOptionen::ConnectColor(QPushButton* button, TColor TDesktopData::*field, quint16 word)
{
    connect(button, &QPushButton::clicked, this, [this, field, word] { ChangeColor(field, word); });
}

void TFrameOptionen::AddDefaultButton(QGridLayout* grid, int row, int columns)
{
    grid->setRowStretch(row, 1);
    grid->addWidget(BitBtnDefaultValues, row + 1, 0, 1, columns, Qt::AlignRight | Qt::AlignBottom);
}
