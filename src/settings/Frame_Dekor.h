#pragma once
// TFrameDekor: the three decoration frames drawn around the stereo window in
// the masked picture, their widths and the distance of the inner frame.

#include "settings/Frame_OptionenAbstr.h"

class QCheckBox;
class QGroupBox;
class TColorSquare;
class TuSpinEdit;

extern const char* const kHintUseMaskBackground; // "Verwende aktuelle Hintergrundfarbe der Maske "

class TFrameDekor : public TFrameOptionen {
    Q_OBJECT
public:
    explicit TFrameDekor(QWidget* parent = nullptr);
    // Negative widths and distance in the record become 0 before they are
    // shown.
    void UpdateControls(quint16 what) override;

    QGroupBox* GroupBoxDekor = nullptr; // "Dekorrahmen"
    QCheckBox* CheckBoxUse = nullptr; // "Verwenden"
    QCheckBox* CheckBoxView = nullptr; // "Anzeige im Editor"

    // One group per frame: "Innerer Rahmen", "Mittlerer Rahmen", "Äußerer Rahmen".
    struct TFrameControls {
        QGroupBox* Group = nullptr;
        QPushButton* ColorButton = nullptr;
        TColorSquare* ColorSquare = nullptr;
        QPushButton* BackgroundButton = nullptr; // "Hintergrundfarbe"
    };
    TFrameControls Inside, Middle, Outside;
    TuSpinEdit* uSpinDecorWidthInside = nullptr;
    TuSpinEdit* uSpinEditDecorWidthMiddle = nullptr;
    TuSpinEdit* uSpinEditDekorWidthOutside = nullptr;
    TuSpinEdit* uSpinEditDecorDistance = nullptr;

protected:
    void DefaultValuesClick() override;

private:
    TFrameControls MakeFrameGroup(const char* caption, TColor TDesktopData::*colour, TuSpinEdit*& width,
                                  TuSpinEdit** distance);
    void FieldChanged(qint32 TDesktopData::*field, const TuSpinEdit* spin);
    void FlagChanged(quint8 TDesktopData::*field, bool checked);
    bool FUpdating = false;
};
