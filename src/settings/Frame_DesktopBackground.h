#pragma once
// TFrameColorDeskBackground: the colour of the workspace around the pictures.

#include "settings/Frame_OptionenAbstr.h"

class TColorSquare;

class TFrameColorDeskBackground : public TFrameOptionen {
    Q_OBJECT
public:
    explicit TFrameColorDeskBackground(QWidget* parent = nullptr);
    void UpdateControls(quint16 what) override;

    QPushButton* BitBtnDeskBackColor = nullptr;
    TColorSquare* ShapeDeskBackColor = nullptr;

protected:
    void DefaultValuesClick() override;
};
