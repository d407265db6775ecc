#pragma once
// TBMPPreferences: the bitmap options of the save dialog. A bitmap is written
// unchanged, so the preview is the picture itself and the size follows from
// the picture's dimensions.

#include "stereo/Stereo_SaveDlgPanel.h"

class TBMPPreferences : public TSaveOptionsPanel {
    Q_OBJECT
public:
    explicit TBMPPreferences(QWidget* parent = nullptr);
    void UpdateDisplay(bool computeSize) override;
};
