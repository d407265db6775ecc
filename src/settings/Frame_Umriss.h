#pragma once
// TFrameUmriss: the page of the mask outline's colours, drawn in one colour
// or as a double line in two.

#include "settings/Frame_OptionenAbstr.h"

class QRadioButton;
class TColorSquare;

class TFrameUmriss : public TFrameOptionen {
    Q_OBJECT
public:
    explicit TFrameUmriss(QWidget* parent = nullptr);
    void UpdateControls(quint16 what) override;

    QRadioButton* RadioButtonMono = nullptr; // "einfarbig"
    QRadioButton* RadioButtonBi = nullptr; // "zweifarbig"
    QPushButton* BitBtnMonoColor = nullptr;
    TColorSquare* ShapeMonoColor = nullptr;
    QPushButton* BitBtnBiColor1 = nullptr;
    TColorSquare* ShapeBiColor1 = nullptr;
    QPushButton* BitBtnBiColor2 = nullptr;
    TColorSquare* ShapeBiColor2 = nullptr;

protected:
    void DefaultValuesClick() override;

private:
    void RadioClick(QRadioButton* clicked);
    bool FUpdating = false;
};
