// The controls of the save dialog, in the order of its layout.
#include "stereo/Stereo_SaveDlg.h"

#include "settings/uSpin.h"
#include "stereo/StereoConvert.h"
#include "stereo/Stereo_SaveDlgBMP.h"
#include "stereo/Stereo_SaveDlgJPG.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int kBarHeight = 6;

template <class T> T* Named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

} // namespace

void TFormSaveStereo::CreateControls()
{
    auto* main = new QVBoxLayout(this);

    RadioGroupPictureFormat =
        Named(new QGroupBox(QString::fromUtf8("Stereobild Formatauswahl"), this), "RadioGroupPictureFormat");
    auto* formats = new QGridLayout(RadioGroupPictureFormat);
    PictureFormatButtons = new QButtonGroup(this);
    const int rows = (kStereoLayoutCount + 1) / 2;
    for (int layout = 0; layout < kStereoLayoutCount; ++layout) {
        auto* button = new QRadioButton(StereoLayoutName(layout), RadioGroupPictureFormat);
        formats->addWidget(button, layout % rows, layout / rows);
        PictureFormatButtons->addButton(button, layout);
    }
    connect(PictureFormatButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            RadioGroupPictureFormatClick();
    });
    main->addWidget(RadioGroupPictureFormat);

    // The kind choice and the distance share one place: only one of them
    // applies to a layout.
    PanelArtDistance = new QWidget(this);
    auto* shared = new QHBoxLayout(PanelArtDistance);
    shared->setContentsMargins(0, 0, 0, 0);
    RadioGroupAnaglyphArt =
        Named(new QGroupBox(QString::fromUtf8("Art der Anglyphe"), PanelArtDistance), "RadioGroupAnaglyphArt");
    auto* kinds = new QGridLayout(RadioGroupAnaglyphArt);
    AnaglyphArtButtons = new QButtonGroup(this);
    const char* const kindNames[] = {"Farb - Anaglyph", "Halbton - Anaglyph", "Grau - Anaglyph"};
    for (int kind = 0; kind < 3; ++kind) {
        auto* button = new QRadioButton(QString::fromUtf8(kindNames[kind]), RadioGroupAnaglyphArt);
        kinds->addWidget(button, 0, kind);
        AnaglyphArtButtons->addButton(button, kind);
    }
    AnaglyphArtButtons->button(akColor)->setChecked(true);
    connect(AnaglyphArtButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            RadioGroupAnaglyphArtClick();
    });
    shared->addWidget(RadioGroupAnaglyphArt);
    GroupBoxDistance = Named(new QGroupBox(QString::fromUtf8("Abstand"), PanelArtDistance), "GroupBoxDistance");
    auto* distance = new QHBoxLayout(GroupBoxDistance);
    LabelDistanceText = new QLabel(QString::fromUtf8("Abstand zwischen den Bildern: "), GroupBoxDistance);
    uSpinEditDistance = Named(new TuSpinEdit(GroupBoxDistance), "uSpinEditDistance");
    uSpinEditDistance->SetMinValue(0);
    uSpinEditDistance->SetMaxValue(kMaxDistance);
    uSpinEditDistance->ForceValue(0);
    LabelDistanceEinh = new QLabel(QString::fromUtf8("Pixel"), GroupBoxDistance);
    distance->addWidget(LabelDistanceText);
    distance->addWidget(uSpinEditDistance);
    distance->addWidget(LabelDistanceEinh);
    distance->addStretch(1);
    connect(uSpinEditDistance, &QLineEdit::textChanged, this, &TFormSaveStereo::uSpinEditDistanceChange);
    shared->addWidget(GroupBoxDistance);
    main->addWidget(PanelArtDistance);

    auto* files = new QGridLayout;
    BitBtnOpen = Named(new QPushButton(QString::fromUtf8("Durchsuchen..."), this), "BitBtnOpen");
    BitBtnOpen->setAutoDefault(false);
    connect(BitBtnOpen, &QPushButton::clicked, this, &TFormSaveStereo::BitBtnOpenClick);
    files->addWidget(BitBtnOpen, 0, 2);
    auto addRow = [&](int row, const char* caption, QLabel*& label, QLineEdit*& edit, QCheckBox*& box,
                      const char* editName, const char* boxName) {
        label = new QLabel(QString::fromUtf8(caption), this);
        edit = Named(new QLineEdit(this), editName);
        box = Named(new QCheckBox(QString::fromUtf8("Überschreiben"), this), boxName);
        box->setProperty("Tag", 1);
        files->addWidget(label, row, 0);
        files->addWidget(edit, row, 1);
        files->addWidget(box, row, 2);
        connect(edit, &QLineEdit::textChanged, this, &TFormSaveStereo::EditFileNameChange);
        connect(box, &QCheckBox::toggled, this, &TFormSaveStereo::EditFileNameChange);
    };
    addRow(1, "Stereo Maske:", Label_M, EditFileName_M, CheckBoxOverride_M, "EditFileName_M", "CheckBoxOverride_M");
    addRow(2, kLabelLeftPair, Label_L, EditFileName_L, CheckBoxOverride_L, "EditFileName_L", "CheckBoxOverride_L");
    addRow(3, "rechtes Bild", Label_R, EditFileName_R, CheckBoxOverride_R, "EditFileName_R", "CheckBoxOverride_R");
    connect(EditFileName_M, &QLineEdit::editingFinished, this, &TFormSaveStereo::EditFileName_MExit);
    LabelFileType = new QLabel(QString::fromUtf8("Dateityp:"), this);
    ComboBoxFileType = Named(new QComboBox(this), "ComboBoxFileType");
    ComboBoxFileType->addItem(QString::fromUtf8("JPEG Graphikdatei (*.JPG)"));
    ComboBoxFileType->addItem(QString::fromUtf8("Bitmaps (*.BMP)"));
    connect(ComboBoxFileType, &QComboBox::currentIndexChanged, this, &TFormSaveStereo::ComboBoxFileTypeChange);
    files->addWidget(LabelFileType, 4, 0);
    files->addWidget(ComboBoxFileType, 4, 1);
    files->setColumnStretch(1, 1);
    main->addLayout(files);

    GroupBoxPict = Named(new QGroupBox(QString::fromUtf8("Bild"), this), "GroupBoxPict");
    auto* pict = new QVBoxLayout(GroupBoxPict);
    pict->setContentsMargins(2, 2, 2, 2);
    JPGPreferences = new TJPGPreferences(GroupBoxPict);
    BMPPreferences = new TBMPPreferences(GroupBoxPict);
    JPGPreferences->hide();
    BMPPreferences->hide();
    pict->addWidget(JPGPreferences);
    pict->addWidget(BMPPreferences);
    main->addWidget(GroupBoxPict);

    ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
    ProgressBar2 = Named(new QProgressBar(this), "ProgressBar2");
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setFixedHeight(kBarHeight);
        main->addWidget(bar);
    }

    GroupBoxPreview = Named(new QGroupBox(QString::fromUtf8("Vorschau"), this), "GroupBoxPreview");
    auto* preview = new QVBoxLayout(GroupBoxPreview);
    LabelPictSize = Named(new QLabel(GroupBoxPreview), "LabelPictSize");
    Image = Named(new TSavePreviewImage(GroupBoxPreview), "Image");
    Image->OnProgress = [this](TProgressStage stage, int percent) { ShowImageProgress(stage, percent); };
    preview->addWidget(LabelPictSize);
    preview->addWidget(Image, 1);
    main->addWidget(GroupBoxPreview, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BitBtnOk = Named(new QPushButton(QString::fromUtf8("OK"), this), "BitBtnOk");
    BitBtnOk->setDefault(true);
    BitBtn2 = Named(new QPushButton(QString::fromUtf8("Abbrechen"), this), "BitBtn2");
    BitBtn2->setAutoDefault(false);
    buttons->addWidget(BitBtnOk);
    buttons->addWidget(BitBtn2);
    connect(BitBtnOk, &QPushButton::clicked, this, &TFormSaveStereo::BitBtnOkClick);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    main->addLayout(buttons);
}
