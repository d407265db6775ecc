// The save dialog: its texts, the names it proposes, its layout rules and
// marking, the preview's size text.
#include "stereo/Stereo_SaveDlg.h"

#include "StereoTestPictures.h"
#include "SaveDialogSupport.h"

#include "stereo/Stereo_SaveDlgBMP.h"
#include "stereo/Stereo_SaveDlgJPG.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include "settings/uSpin.h"

TEST(SaveDialogTexts, CaptionsControlsAndListsReadAsTheProgramShowsThem)
{
    TSaveDialogFixture f;
    TFormSaveStereo& d = f.dialog;
    d.SetPictureMode(0);
    EXPECT_EQ(d.windowTitle(), "Speichere Maskendatei  und  Maske");
    d.SetPictureMode(1);
    EXPECT_EQ(d.windowTitle(), "Speichere Maskendatei  und  maskiertes Stereobild");
    EXPECT_EQ(d.minimumSize(), QSize(400, 550));
    EXPECT_EQ(d.RadioGroupPictureFormat->title(), "Stereobild Formatauswahl");
    EXPECT_EQ(d.PictureFormatButtons->button(3)->text(), "Stereobild KMQ (rechte Bild  oben)");
    EXPECT_EQ(d.PictureFormatButtons->button(7)->text(), "Anaglyph - rot / grün");
    EXPECT_EQ(d.RadioGroupAnaglyphArt->title(), "Art der Anglyphe");
    QStringList kinds;
    for (int k = 0; k < 3; ++k)
        kinds << d.AnaglyphArtButtons->button(k)->text();
    EXPECT_EQ(kinds, QStringList({"Farb - Anaglyph", "Halbton - Anaglyph", "Grau - Anaglyph"}));
    EXPECT_EQ(d.GroupBoxDistance->title(), "Abstand");
    EXPECT_EQ(d.LabelDistanceText->text(), "Abstand zwischen den Bildern: ");
    EXPECT_EQ(d.LabelDistanceEinh->text(), "Pixel");
    EXPECT_EQ(d.uSpinEditDistance->MinValue(), 0);
    EXPECT_EQ(d.uSpinEditDistance->MaxValue(), 1000);
    EXPECT_EQ(d.uSpinEditDistance->Value(), 0);
    EXPECT_EQ(d.BitBtnOpen->text(), "Durchsuchen...");
    EXPECT_EQ(d.Label_M->text(), "Stereo Maske:");
    EXPECT_EQ(d.Label_R->text(), "rechtes Bild");
    EXPECT_EQ(d.CheckBoxOverride_L->text(), "Überschreiben");
    EXPECT_EQ(d.LabelFileType->text(), "Dateityp:");
    EXPECT_EQ(d.ComboBoxFileType->itemText(0), "JPEG Graphikdatei (*.JPG)");
    EXPECT_EQ(d.ComboBoxFileType->itemText(1), "Bitmaps (*.BMP)");
    EXPECT_EQ(d.GroupBoxPict->title(), "Bild");
    EXPECT_EQ(d.GroupBoxPreview->title(), "Vorschau");
    EXPECT_TRUE(d.BitBtnOk->isDefault());
    EXPECT_EQ(d.JPGPreferences->Label1->text(), "Bildqualität:");
    EXPECT_EQ(d.JPGPreferences->LabelQuali->text(), "96 %");
    EXPECT_EQ(d.JPGPreferences->RadioButtonStandKod->text(), "Standard-Kodierung");
    EXPECT_TRUE(d.JPGPreferences->RadioButtonStandKod->isChecked());
    EXPECT_EQ(d.JPGPreferences->RadioButtonProgrKod->text(), "Progressive Kodierung");
    EXPECT_EQ(d.JPGPreferences->Label4->text(), "Dateigröße:");
    EXPECT_EQ(d.BMPPreferences->Label4->text(), "Dateigröße:");
    // Both ends of the quality bar are accepted and named.
    d.JPGPreferences->ScrollBarQuali->setValue(1);
    EXPECT_EQ(d.JPGPreferences->LabelQuali->text(), "1 %");
    d.JPGPreferences->ScrollBarQuali->setValue(100);
    EXPECT_EQ(d.JPGPreferences->LabelQuali->text(), "100 %");
}

TEST(SaveDialogNames, LayoutChangeReDerivesFromTheShownName)
{
    TSaveDialogFixture f;
    f.Open(1, "/d/Haus_MaskStereoBild_LR.jpg");
    EXPECT_EQ(f.dialog.EditFileName_M->text(), "/d/Haus_Plenoptrum.Plenoptrum");
    EXPECT_EQ(f.dialog.EditFileName_L->text(), "/d/Haus_MaskStereoBild_L.jpg");
    EXPECT_EQ(f.dialog.EditFileName_R->text(), "/d/Haus_MaskStereoBild_R.jpg");
    f.dialog.SetLayout(3);
    EXPECT_EQ(f.dialog.EditFileName_L->text(), "/d/Haus_MaskStereoBild_KMQ.jpg");
    f.dialog.ComboBoxFileType->setCurrentIndex(sftBmp);
    EXPECT_EQ(f.dialog.EditFileName_L->text(), "/d/Haus_MaskStereoBild_KMQ.bmp");
    EXPECT_EQ(f.dialog.EditFileName_M->text(), "/d/Haus_Plenoptrum.Plenoptrum");
    EXPECT_FALSE(f.dialog.BMPPreferences->isHidden());
    EXPECT_TRUE(f.dialog.JPGPreferences->isHidden());
    EXPECT_EQ(f.dialog.ChosenPanel(), f.dialog.BMPPreferences);
    // Mask pictures carry the mask's word.
    f.dialog.SetPictureMode(0);
    EXPECT_EQ(f.dialog.EditFileName_L->text(), "/d/Haus_Plenoptrum_KMQ.bmp");
}

TEST(SaveDialogNames, BrowseAsksWithItsTitleAndFilterAndKeepsAnAnaglyphNameAsBase)
{
    TSaveDialogFixture f;
    f.Open(1, "/d/Haus.jpg");
    f.dialog.SetLayout(4);
    f.dialog.AnaglyphArtButtons->button(1)->click();
    EXPECT_EQ(f.dialog.EditFileName_L->text(), "/d/Haus_MaskStereoBild_Ana_RC_h.jpg");
    QStringList asked;
    f.dialog.SaveFileHook = [&](const QString& title, const QString& start, const QString& filter) {
        asked << title << start << filter;
        return QStringLiteral("/e/Haus_MaskStereoBild_Ana_RC_h.jpg");
    };
    f.dialog.BitBtnOpenClick();
    EXPECT_EQ(asked, QStringList({"Speichere Plenoptra -  Datei", "/d/Haus_Plenoptrum.Plenoptrum",
                                  "Maskendatei (*.plenoptrum)|*.Plenoptrum|Alles (*.*)|*.*|JPEG-Grafikdatei "
                                  "(*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp"}));
    EXPECT_EQ(f.dialog.EditFileName_M->text(), "/e/Haus_MaskStereoBild_Ana_RC_h_Plenoptrum.Plenoptrum");
    EXPECT_EQ(f.dialog.EditFileName_L->text(), "/e/Haus_MaskStereoBild_Ana_RC_h_MaskStereoBild_Ana_RC_h.jpg");
    // Cancelling the file dialog changes nothing.
    f.dialog.SaveFileHook = [](const QString&, const QString&, const QString&) { return QString(); };
    f.dialog.BitBtnOpenClick();
    EXPECT_EQ(f.dialog.EditFileName_M->text(), "/e/Haus_MaskStereoBild_Ana_RC_h_Plenoptrum.Plenoptrum");
}

TEST(SaveDialogLayouts, RowsGroupsAndKindFollowTheLayoutAndMode)
{
    TSaveDialogFixture f;
    TFormSaveStereo& d = f.dialog;
    f.Open(1, "/d/Haus.jpg");
    EXPECT_EQ(d.Label_L->text(), "linkes Bild:");
    EXPECT_FALSE(d.EditFileName_R->isHidden());
    EXPECT_FALSE(d.GroupBoxDistance->isEnabled());
    d.SetLayout(1);
    EXPECT_EQ(d.Label_L->text(), "Stereobild:");
    EXPECT_TRUE(d.EditFileName_R->isHidden() && d.Label_R->isHidden() && d.CheckBoxOverride_R->isHidden());
    EXPECT_TRUE(d.GroupBoxDistance->isEnabled() && d.uSpinEditDistance->isEnabled());
    EXPECT_TRUE(d.RadioGroupAnaglyphArt->isHidden());
    d.SetPictureMode(0); // mask pictures never get a gap
    EXPECT_FALSE(d.uSpinEditDistance->isEnabled());
    d.SetPictureMode(1);

    d.SetLayout(4);
    EXPECT_FALSE(d.RadioGroupAnaglyphArt->isHidden());
    EXPECT_TRUE(d.GroupBoxDistance->isHidden());
    EXPECT_TRUE(d.RadioGroupAnaglyphArt->isEnabled());
    EXPECT_EQ(d.Kind(), 0);
    d.AnaglyphArtButtons->button(1)->click();
    d.SetLayout(6);
    EXPECT_EQ(d.Kind(), 2);
    EXPECT_FALSE(d.RadioGroupAnaglyphArt->isEnabled());
    EXPECT_EQ(d.EditFileName_L->text(), "/d/Haus_MaskStereoBild_Ana_RB_g.jpg");
    d.SetLayout(7);
    EXPECT_EQ(d.Kind(), 2);
    d.SetLayout(5);
    EXPECT_EQ(d.Kind(), 0); // layout 5 keeps its own kind
    d.SetLayout(4);
    EXPECT_EQ(d.Kind(), 1);
    EXPECT_EQ(d.RememberedKind(4), 1);
    EXPECT_EQ(d.RememberedKind(6), 0); // shown grey, never chosen
}

TEST(SaveDialogMarking, ExistingNamesRedUntilCheckedThenBlueEqualNamesRed)
{
    TSaveDialogFixture f;
    TFormSaveStereo& d = f.dialog;
    const QString base = f.dir.filePath("Haus.jpg");
    f.Open(1, base);
    EXPECT_EQ(TextColour(d.EditFileName_L), NormalText(d.EditFileName_L));
    EXPECT_FALSE(d.CheckBoxOverride_L->isEnabled());
    WriteBytes(d.EditFileName_L->text(), "alt");
    d.EditFileNameChange(); // as on the next keystroke
    EXPECT_EQ(TextColour(d.EditFileName_L), QColor(255, 0, 0));
    EXPECT_TRUE(d.CheckBoxOverride_L->isEnabled());
    EXPECT_EQ(d.EditFileName_L->toolTip(), d.EditFileName_L->text());
    d.CheckBoxOverride_L->setChecked(true);
    EXPECT_EQ(TextColour(d.EditFileName_L), QColor(0, 0, 255));
    EXPECT_EQ(TextColour(d.EditFileName_R), NormalText(d.EditFileName_R));
    d.EditFileName_R->setText(d.EditFileName_L->text().toUpper());
    EXPECT_EQ(TextColour(d.EditFileName_L), QColor(255, 0, 0));
    EXPECT_EQ(TextColour(d.EditFileName_R), QColor(255, 0, 0));
}

TEST(SaveDialogPreview, SizeTextPerLayoutAndTheGapInTheCoverColour)
{
    TSaveDialogFixture f;
    TFormSaveStereo& d = f.dialog;
    f.SetPictures(Solid(800, 600, qRgb(255, 0, 0)), Solid(800, 600, qRgb(0, 0, 255)));
    f.Open(1, f.dir.filePath("Haus.jpg"));
    d.UpdatePreview(false);
    EXPECT_EQ(d.LabelPictSize->text(), "Abmessung: 800 x 600 /  800 x 600");
    d.uSpinEditDistance->ForceValue(400);
    d.CoverColor = 0x0000FF00; // green
    d.SetLayout(1);
    d.UpdatePreview(false);
    EXPECT_EQ(d.LabelPictSize->text(), "Abmessung: 2000 x 600");
    // The preview is shown decoded from its JPEG: compare with a tolerance.
    const QImage shown = f.WaitForPreview();
    ASSERT_FALSE(shown.isNull());
    const int w = shown.width(), h = shown.height();
    EXPECT_NEAR(qRed(shown.pixel(w / 10, h / 2)), 255, 8);
    EXPECT_NEAR(qGreen(shown.pixel(w / 2, h / 2)), 255, 8); // the gap: 400 of 2000 columns
    EXPECT_NEAR(qRed(shown.pixel(w / 2, h / 2)), 0, 8);
    EXPECT_NEAR(qBlue(shown.pixel(w - w / 10, h / 2)), 255, 8);
    d.SetLayout(3);
    d.UpdatePreview(false);
    EXPECT_EQ(d.LabelPictSize->text(), "Abmessung: 800 x 1600");
    d.SetLayout(4);
    d.UpdatePreview(false);
    EXPECT_EQ(d.LabelPictSize->text(), "Abmessung: 800 x 600");
    d.SetPictureMode(0); // mask pictures: no gap
    d.SetLayout(2);
    d.UpdatePreview(false);
    EXPECT_EQ(d.LabelPictSize->text(), "Abmessung: 1600 x 600");
    // Without pictures there is nothing to measure.
    TBitmap none;
    d.SetPictures(&none, &none);
    d.UpdatePreview(false);
    EXPECT_EQ(d.LabelPictSize->text(), "");
}
