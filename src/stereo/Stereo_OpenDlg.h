#pragma once
// TFormOpenStereo: the dialog in which the user picks the input layout and the
// picture file(s) of a stereo pair, sees a small preview and confirms. It only
// returns the layout and the names; the controller loads the pair itself.

#include "stereo/PictureFiles.h"
#include "stereo/StereoConvert.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QActionGroup;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolBar;

// Titles of the two open dialogs and their filters, in the "Text|patterns|..."
// form the program has always used.
extern const char* const kOpenStereoFilterLeft;
extern const char* const kOpenStereoFilterRight;
extern const char* const kOpenStereoTitleRight;

// The title of the left open dialog (and the browse hint) for a layout;
// "Stereobild:" for any number outside 0..7.
QString OpenStereoLayoutTitle(int layout);

// "Text|patterns|Text|patterns" as Qt name filters. Each entry is
// "Text (p1 p2 ...)": with the name-filter details hidden the file dialog
// shows exactly Text, and the patterns (";"-separated originally, empty ones
// dropped) do the filtering.
QStringList OpenStereoNameFilters(const QString& filter);

// The right-picture candidate of a chosen left file: the first "_L" + the
// name's extension, compared without case, replaced by "_R" + the same
// extension text (Bild_l.JPG gives Bild_R.JPG). Empty when the name has no
// such part; whether the file exists is the caller's business.
QString OpenStereoRightCandidate(const QString& leftName);

class TFormOpenStereo : public QDialog {
    Q_OBJECT
public:
    explicit TFormOpenStereo(QWidget* parent = nullptr);
    ~TFormOpenStereo() override;

    // The chosen layout 0..7 (the item index of the layout list).
    int GetLayout() const;
    // Selects a layout without starting the preview; a value equal to the
    // current one, or outside 0..7, changes nothing.
    void SetLayout(int layout);
    QString GetLeftFileName() const;
    QString GetRightFileName() const;
    // Preset a field without starting the preview; an equal text does nothing.
    void SetLeftFileName(const QString& name);
    void SetRightFileName(const QString& name);
    // Shows the dialog modally; true when the user confirmed with OK.
    bool Execute();

    // When set, asked instead of a file dialog: returns the chosen name or an
    // empty text for "cancelled". Filter is in the "Text|patterns" form.
    std::function<QString(const QString& title, const QString& startName, const QString& filter)> OpenFileHook;

    // The preview picture for an image area of the given size from the current
    // preview pictures and preview mode; a null picture when either preview
    // picture is empty.
    QImage MakePreview(const QSize& area) const;
    // The picture currently shown in the preview (null when none).
    const QImage& ShownPreview() const { return PreviewShown; }
    // The last loading error, empty after a load that worked.
    const QString& LoadError() const { return LastLoadError; }

    // Controls, named as the program refers to them.
    QGroupBox* RadioGroupPictureFormat = nullptr;
    QButtonGroup* PictureFormatButtons = nullptr;
    QGroupBox* GroupBoxDatei = nullptr;
    QWidget* PanelDatei = nullptr; // holds the "Datei" controls at fixed places
    QLabel* LabelFileName_L = nullptr;
    QLabel* LabelFileName_R = nullptr;
    QLineEdit* EditFileName_L = nullptr;
    QLineEdit* EditFileName_R = nullptr;
    QPushButton* BitBtnOpen = nullptr;
    QPushButton* BitBtnChangePict = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QGroupBox* GroupBoxVorschau = nullptr;
    QToolBar* ToolBarPreview = nullptr;
    QLabel* ImagePreview = nullptr;
    QPushButton* BitBtnOk = nullptr;
    QPushButton* BitBtnAbort = nullptr;
    QTimer* TimerStartPreview = nullptr;

    QActionGroup* PreviewModes = nullptr;
    QAction* ActionKreuz = nullptr;
    QAction* ActionParallel = nullptr;
    QAction* ActionAnaglyphe_sw = nullptr;
    QAction* ActionAnaglyphe_Farb = nullptr;
    QAction* ActionAnaglyphe_Halb = nullptr;

    // The dialog's own copies of the pair, filled by the preview loading.
    TBitmap PreviewLeft;
    TBitmap PreviewRight;
    // Set while the dialog changes its own controls: changes then start no
    // preview.
    bool Updating = false;

public slots:
    void BitBtnOpenClick();
    void BitBtnChangePictClick();
    void RadioGroupPictureFormatClick();
    void EditFileNameChange();
    void TimerStartPreviewTimer();
    void ActionPreviewExecute();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void PlaceDateiControls();
    void MarkFileFields();
    void RebuildPreview();
    void ShowLoadError(const QString& text);
    void ClearLoadError();
    bool DropFiles(QLineEdit* target, const QStringList& files);
    // A multi-picture or JPS file chosen or dropped: both fields and the
    // layout are set from it. False for any other file.
    bool ChooseSingleFilePair(const QString& file);
    QString RunOpenDialog(const QString& title, const QString& startName, const char* filter);
    void ShowProgress(QProgressBar* bar, TProgressStage stage, int percent);
    // Has the memory for opening the chosen pair prepared in the background
    // while the user is still looking at the dialog.
    void PrepareMemoryForPair();

    QImage PreviewShown;
    // The preview area the preview pictures were read for: they are read
    // reduced, so a larger area needs them read again.
    QSize PreviewReadFor;
    QString PreparedFor;
    QString LastLoadError;
    bool Loading = false;
};
