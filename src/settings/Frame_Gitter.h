#pragma once
// TFrameGitter: the grid page. Each count has a scroll bar and a spin field
// that show the same value; either one sets the count, and the page's
// refresh moves the other.

#include "settings/Frame_OptionenAbstr.h"

class QGroupBox;
class QRadioButton;
class QScrollBar;
class TColorSquare;
class TuSpinEdit;

class TFrameGitter : public TFrameOptionen {
    Q_OBJECT
public:
    static constexpr int kMinCount = 1;
    static constexpr int kMaxCount = 100;

    explicit TFrameGitter(QWidget* parent = nullptr);
    void UpdateControls(quint16 what) override;

    QGroupBox* GroupBoxAnzahl = nullptr; // "Anzahl der Linien"
    QScrollBar* ScrollBarHoriz = nullptr;
    TuSpinEdit* SpinEditHoriz = nullptr;
    QScrollBar* ScrollBarVerti = nullptr;
    TuSpinEdit* SpinEditVerti = nullptr;
    QGroupBox* GroupBoxDarstellung = nullptr; // "Darstellung"
    QRadioButton* RadioButtonMono = nullptr;
    QRadioButton* RadioButtonBi = nullptr;
    QPushButton* BitBtnMonoColor = nullptr;
    TColorSquare* ShapeMonoColor = nullptr;
    QPushButton* BitBtnBiColor1 = nullptr;
    TColorSquare* ShapeBiColor1 = nullptr;
    QPushButton* BitBtnBiColor2 = nullptr;
    TColorSquare* ShapeBiColor2 = nullptr;

protected:
    void DefaultValuesClick() override;

private:
    void CountChanged(qint32 TDesktopData::*field, int value);
    void RadioClick(QRadioButton* clicked);
    bool FUpdating = false;
};
