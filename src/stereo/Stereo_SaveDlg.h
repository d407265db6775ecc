#pragma once
// TFormSaveStereo: the dialog that saves, in one step, the mask file and the
// pictures that go with it: the two mask pictures ("Maske Speichern...") or
// the masked stereo picture in one of eight layouts ("Maskiertes Stereobild
// speichern..."). It proposes every name from one base name, marks existing
// files, asks before overwriting, previews the picture with its size and
// writes JPEG or BMP through its options panels.

#include "stereo/PictureFiles.h"
#include "stereo/StereoBitmap.h"
#include "stereo/StereoSaveNames.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class TBMPPreferences;
class TJPGPreferences;
class TSaveOptionsPanel;
class TSavePreviewImage;
class TuSpinEdit;

extern const char* const kSaveStereoDialogTitle; // of "Durchsuchen..."
extern const char* const kSaveStereoFilter;

class TFormSaveStereo : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPreviewDelay = 50;
    static constexpr int kPreviewDelayAfterDistance = 500;
    // Gap between the two pictures of layout 0's preview (preview only).
    static constexpr int kSeparatePreviewGap = 25;
    static constexpr int kMaxDistance = 1000;
    static constexpr const char* kLabelLeftPair = "linkes Bild:"; // 65216
    static constexpr const char* kLabelLeftSingle = "Stereobild:"; // 65217

    explicit TFormSaveStereo(QWidget* parent = nullptr);
    ~TFormSaveStereo() override;

    // ---- called by the controller ------------------------------------
    // Background of the preview and of its gap.
    TColor CoverColor = kBlack;
    // Puts the name into the mask field (no re-derivation, no preview).
    void SetMaskName(const QString& name);
    QString GetMaskName() const;
    // Frees the dialog's pictures; with both given, takes them over: the
    // dialog keeps them and the given bitmaps are emptied.
    void SetPictures(TBitmap* left, TBitmap* right);
    // 0 mask pictures, 1 masked stereo picture: caption and layout rules.
    void SetPictureMode(int mode);
    int PictureMode() const { return FPictureMode; }
    // Shows the dialog modally; true only after "OK" wrote.
    bool Execute();

    // ---- seams ---------------------------------------------------------
    // When set, Execute shows the dialog without a modal loop and calls this
    // instead; it acts like the user (e.g. BitBtnOkClick) and the dialog's
    // result counts as usual.
    std::function<void(TFormSaveStereo&)> ModalHook;
    // When set, asked instead of the file dialog of "Durchsuchen...": the
    // chosen name or an empty text for "cancelled".
    std::function<QString(const QString& title, const QString& startName, const QString& filter)> SaveFileHook;

    // ---- the rules, callable as the events call them --------------------
    // Proposes every name from name (under the update lock).
    void SetBaseName(const QString& name);
    // False when the user declined or nothing can be written; sets the
    // three write flags (property "Tag" of the overwrite boxes).
    bool CheckFiles(const QString& mask, const QString& left, const QString& right);
    // Builds the preview (full: also the full-resolution combined picture
    // that "OK" writes).
    void UpdatePreview(bool full);

    int Layout() const;
    void SetLayout(int layout);
    int Kind() const; // the anaglyph kind shown
    int FileType() const;
    int Distance() const;
    int RememberedKind(int layout) const { return FKinds.at(size_t(layout)); }
    const TBitmap& LeftPicture() const { return FLeft; }
    const TBitmap& RightPicture() const { return FRight; }
    TSaveOptionsPanel* ChosenPanel() const;

    // ---- controls ------------------------------------------------------
    QGroupBox* RadioGroupPictureFormat = nullptr;
    QButtonGroup* PictureFormatButtons = nullptr;
    QWidget* PanelArtDistance = nullptr; // the kind group or the distance group
    QGroupBox* RadioGroupAnaglyphArt = nullptr;
    QButtonGroup* AnaglyphArtButtons = nullptr;
    QGroupBox* GroupBoxDistance = nullptr;
    QLabel* LabelDistanceText = nullptr;
    TuSpinEdit* uSpinEditDistance = nullptr;
    QLabel* LabelDistanceEinh = nullptr;
    QPushButton* BitBtnOpen = nullptr;
    QLabel* Label_M = nullptr;
    QLineEdit* EditFileName_M = nullptr;
    QCheckBox* CheckBoxOverride_M = nullptr;
    QLabel* Label_L = nullptr;
    QLineEdit* EditFileName_L = nullptr;
    QCheckBox* CheckBoxOverride_L = nullptr;
    QLabel* Label_R = nullptr;
    QLineEdit* EditFileName_R = nullptr;
    QCheckBox* CheckBoxOverride_R = nullptr;
    QLabel* LabelFileType = nullptr;
    QComboBox* ComboBoxFileType = nullptr;
    QGroupBox* GroupBoxPict = nullptr;
    TJPGPreferences* JPGPreferences = nullptr;
    TBMPPreferences* BMPPreferences = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QGroupBox* GroupBoxPreview = nullptr;
    QLabel* LabelPictSize = nullptr;
    TSavePreviewImage* Image = nullptr;
    QPushButton* BitBtnOk = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QTimer* TimerStartPreview = nullptr;

public slots:
    void BitBtnOkClick();
    void BitBtnOpenClick();
    void RadioGroupPictureFormatClick();
    void RadioGroupAnaglyphArtClick();
    void ComboBoxFileTypeChange();
    void uSpinEditDistanceChange();
    void EditFileNameChange();
    void EditFileName_MExit();
    void TimerStartPreviewTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;

private:
    void CreateControls();
    void SetEditText(QLineEdit* edit, const QString& text);
    void MarkFileNames();
    void StartPreviewTimer();
    void ShowImageProgress(TProgressStage stage, int percent);
    void SetBar(QProgressBar* bar, int value);
    static void LetMessagesRun();
    QString RunSaveDialog(const QString& start);
    // Writes the files whose flags are set; the messages of failed files.
    QStringList WriteFiles();

    TBitmap FLeft, FRight;
    int FUpdateLock = 0;
    std::array<int, 8> FKinds{};
    int FPictureMode = spmMaskPictures;
    bool FSaving = false;
    bool FPreviewing = false;
};
