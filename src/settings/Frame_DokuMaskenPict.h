#pragma once
// TFrameColorDocuMaskPicure: the colour that covers the outside of the stereo
// window in the masked picture, with a preset for a neutral dark grey.

#include "settings/Frame_OptionenAbstr.h"

class TColorSquare;

// The preset of "fc - Grau".
constexpr TColor kMaskPictGrey = 0x222222;

class TFrameColorDocuMaskPicure : public TFrameOptionen {
    Q_OBJECT
public:
    explicit TFrameColorDocuMaskPicure(QWidget* parent = nullptr);
    void UpdateControls(quint16 what) override;

    QPushButton* BitBtnFileMaskPictColor = nullptr;
    TColorSquare* ShapeFileMaskPictColor = nullptr;
    QPushButton* BitBtnGrey = nullptr; // "fc - Grau"

protected:
    void DefaultValuesClick() override;
};
