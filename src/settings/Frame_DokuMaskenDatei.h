#pragma once
// TFrameFarbenDocuMaskFile: the two colours of a saved mask picture.

#include "settings/Frame_OptionenAbstr.h"

class TColorSquare;

class TFrameFarbenDocuMaskFile : public TFrameOptionen {
    Q_OBJECT
public:
    explicit TFrameFarbenDocuMaskFile(QWidget* parent = nullptr);
    void UpdateControls(quint16 what) override;

    QPushButton* BitBtnFileMaskForColor = nullptr;
    TColorSquare* ShapeFileMaskForColor = nullptr;
    QPushButton* BitBtnFileMaskBackColor = nullptr;
    TColorSquare* ShapeFileMaskBackColor = nullptr;

protected:
    void DefaultValuesClick() override;
};
