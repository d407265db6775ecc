#pragma once
// What the two picture options panels of the save dialog share: the preview
// display they draw into, the containers for the preview and the picture to
// save, the size label and its timer. TJPGPreferences and TBMPPreferences
// add their coding.

#include "stereo/PictureFiles.h"
#include "stereo/SavePicture.h"

#include <QFrame>
#include <QImage>
#include <QLabel>

#include <functional>

class QTimer;
class TPictureHolder;

// The dialog's preview "Image": shows a picture centred and reports the
// drawing as progress (start, running, end).
class TSavePreviewImage : public QLabel {
    Q_OBJECT
public:
    explicit TSavePreviewImage(QWidget* parent = nullptr);
    void SetPicture(const QImage& picture);
    void ClearPicture();
    const QImage& Picture() const { return FPicture; }
    TProgressHandler OnProgress;

private:
    QImage FPicture;
};

// "%f kByte" of a byte count: two decimals, the user's decimal separator,
// no grouping.
QString FileSizeText(qint64 bytes);
extern const QString kSizeUnknown; // "???"

class TSaveOptionsPanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kDelayNewPictures = 50;
    static constexpr int kDelayOptionChange = 250;

    explicit TSaveOptionsPanel(QWidget* parent = nullptr);

    // Copies the given pictures into the containers (made on first use), or
    // empties a container when no picture is given. Immediate: brings the
    // display up to date now, with the size only when a preview was given;
    // otherwise after kDelayNewPictures.
    void ShowPictures(const QImage* preview, const TSavePicture* save, bool immediate);
    // Frees both containers; the size shows "???".
    virtual void ClearPictures();
    // Shows the preview as the file will look, the size the file will have
    // and, while saving, hands the coded picture to OutputTarget. Failures
    // show "???" in the size label and are not reported otherwise.
    virtual void UpdateDisplay(bool computeSize) = 0;

    TSavePreviewImage* PreviewTarget = nullptr; // not owned; null while hidden
    TPictureHolder* OutputTarget = nullptr; // not owned; set only while saving
    // Progress of a coding the dialog waits for (while saving).
    TProgressHandler OnCodingProgress;

    QLabel* Label4 = nullptr; // "Dateigröße:"
    QLabel* LabelFileSize = nullptr;
    QTimer* TimerUpdateAnzeige = nullptr;

protected:
    // Restarts the display timer with the interval.
    void RestartTimer(int interval);
    void TimerUpdateAnzeigeTimer();
    // The size row at the bottom of the panel.
    void AddSizeRow(class QGridLayout* grid, int row);

    bool FHavePreview = false, FHaveSave = false; // the containers exist
    QImage FPreview;
    TSavePicture FSave;
};
