#pragma once
// TFrameFarbenDesktopMaske: the colours of the mask area in the editor, shown
// transparent or opaque. Each colour sends its own word, so the view shows
// the mask the way that colour is used.

#include "settings/Frame_OptionenAbstr.h"

class TColorSquare;

class TFrameFarbenDesktopMaske : public TFrameOptionen {
    Q_OBJECT
public:
    explicit TFrameFarbenDesktopMaske(QWidget* parent = nullptr);
    void UpdateControls(quint16 what) override;

    QPushButton* BitBtnDeskTransColor = nullptr;
    TColorSquare* ShapeDeskTransColor = nullptr;
    QPushButton* BitBtnDeskNoTransColor = nullptr;
    TColorSquare* ShapeDeskNoTransColor = nullptr;

protected:
    void DefaultValuesClick() override;
};
