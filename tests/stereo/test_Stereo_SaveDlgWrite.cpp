// The save dialog's "OK": which files it writes, in which layout and size,
// how it asks before overwriting, and how it reports what failed.
#include "stereo/Stereo_SaveDlg.h"

#include "SaveDialogSupport.h"
#include "StereoTestPictures.h"

#include "history/History.h"
#include "model/Liste_Polygon.h"
#include "stereo/BmpFile.h"
#include "stereo/PictureFiles.h"
#include "stereo/Stereo_SaveDlgBMP.h"
#include "stereo/Stereo_SaveDlgJPG.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include "settings/uSpin.h"

namespace {

const QRgb kRed = qRgb(255, 0, 0), kBlue = qRgb(0, 0, 255), kWhiteRgb = qRgb(255, 255, 255);

// A 100 x 50 red left and blue right picture, masked-picture mode, BMP,
// names from <dir>/Haus.
struct TWriteFixture : TSaveDialogFixture {
    explicit TWriteFixture(int mode = 1, int type = sftBmp)
    {
        HistoryListe()->Add(QStringLiteral("Punkt"));
        HistoryListe()->Add(QStringLiteral("MoveXY"));
        SetPictures(Solid(100, 50, kRed), Solid(100, 50, kBlue));
        Open(mode, dir.filePath("Haus.jpg"));
        dialog.ComboBoxFileType->setCurrentIndex(type);
    }
    QString Mask() const { return dir.filePath("Haus_Plenoptrum.Plenoptrum"); }
    bool Ok()
    {
        dialog.BitBtnOkClick();
        return dialog.result() == QDialog::Accepted && !dialog.isVisible();
    }
};

QImage Load(const QString& name) { return LoadPictureFile(name); }

} // namespace

TEST(SaveDialogWriting, EachLayoutWritesItsFileWithSizeAndWhiteGap)
{
    struct TCase {
        int Layout;
        const char* File;
        QSize Size;
        std::vector<TPixel> Pixels;
    };
    const TCase cases[] = {
        {1, "Haus_MaskStereoBild_LR.bmp", {220, 50}, {{99, 10, kRed}, {100, 10, kWhiteRgb}, {119, 49, kWhiteRgb},
                                                      {120, 10, kBlue}, {219, 0, kBlue}}},
        {2, "Haus_MaskStereoBild_RL.bmp", {220, 50}, {{0, 0, kBlue}, {100, 5, kWhiteRgb}, {120, 5, kRed}}},
        {3, "Haus_MaskStereoBild_KMQ.bmp", {100, 120}, {{5, 49, kBlue}, {5, 50, kWhiteRgb}, {5, 69, kWhiteRgb},
                                                        {5, 70, kRed}}},
        // Red from the left, green and blue from the right picture.
        {4, "Haus_MaskStereoBild_Ana_RC_c.bmp", {100, 50}, {{50, 25, qRgb(255, 0, 255)}}},
    };
    for (const TCase& c : cases) {
        TWriteFixture f;
        f.dialog.uSpinEditDistance->ForceValue(20);
        f.dialog.SetLayout(c.Layout);
        ASSERT_TRUE(f.Ok()) << c.File;
        const QImage written = Load(f.dir.filePath(c.File));
        EXPECT_EQ(written.size(), c.Size) << c.File;
        EXPECT_TRUE(PixelsAre(written, c.Pixels)) << c.File;
        // One picture file only, next to the mask file.
        EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files).size(), 2);
        EXPECT_TRUE(f.messages.shown.empty());
    }
}

TEST(SaveDialogWriting, SeparateLayoutWritesBothPicturesAndTheMaskFileReadsBackEqual)
{
    TWriteFixture f;
    ASSERT_TRUE(f.Ok());
    const QImage left = Load(f.dir.filePath("Haus_MaskStereoBild_L.bmp"));
    const QImage right = Load(f.dir.filePath("Haus_MaskStereoBild_R.bmp"));
    EXPECT_EQ(left.size(), QSize(100, 50));
    EXPECT_TRUE(PixelsAre(left, {{0, 0, kRed}, {99, 49, kRed}}));
    EXPECT_TRUE(PixelsAre(right, {{0, 0, kBlue}}));
    THistoryListe again;
    again.LoadFromFile(f.Mask(), false);
    ASSERT_EQ(again.Count(), 2);
    EXPECT_EQ(again.Items(1)->Name, "MoveXY");
    // The mask file carries no settings trailer: it ends with the end marker.
    EXPECT_TRUE(ReadBytes(f.Mask()).endsWith("###-EOF-###"));
    // Closing lets go of everything.
    EXPECT_EQ(f.dialog.BMPPreferences->LabelFileSize->text(), "???");
    EXPECT_EQ(f.dialog.JPGPreferences->LabelFileSize->text(), "???");
    EXPECT_TRUE(f.dialog.Image->Picture().isNull());
}

TEST(SaveDialogWriting, MaskPicturesAreNeverPutApartByAGap)
{
    TWriteFixture f(0);
    f.dialog.uSpinEditDistance->ForceValue(20);
    f.dialog.SetLayout(1);
    ASSERT_TRUE(f.Ok());
    const QImage written = Load(f.dir.filePath("Haus_Plenoptrum_LR.bmp"));
    EXPECT_EQ(written.size(), QSize(200, 50));
    EXPECT_TRUE(PixelsAre(written, {{99, 0, kRed}, {100, 0, kBlue}}));
}

TEST(SaveDialogWriting, JpegSizeShownIsTheSizeOfTheFileWritten)
{
    {
    TWriteFixture f(1, sftJpeg);
    f.SetPictures(Solid(640, 480, qRgb(30, 90, 200)), Solid(640, 480, qRgb(200, 90, 30)));
    f.dialog.UpdatePreview(false);
    f.dialog.JPGPreferences->UpdateDisplay(true);
    EXPECT_EQ(f.dialog.JPGPreferences->LabelFileSize->text(), "…");
    const QString measured = f.WaitForSize();
    ASSERT_TRUE(measured.endsWith(" kByte")) << measured.toStdString();
    ASSERT_TRUE(f.Ok());
    const qint64 size = QFileInfo(f.dir.filePath("Haus_MaskStereoBild_L.jpg")).size();
    EXPECT_EQ(measured, FileSizeText(size));
    }

    // A combined layout measures while saving, from the picture written. The
    // mask file fails here, so the dialog stays open with its label.
    TWriteFixture g(1, sftJpeg);
    g.dialog.SetLayout(2);
    g.dialog.JPGPreferences->ScrollBarQuali->setValue(40);
    g.dialog.JPGPreferences->RadioButtonProgrKod->setChecked(true);
    g.dialog.EditFileName_M->setText(g.dir.filePath("fehlt/m.Plenoptrum"));
    g.dialog.BitBtnOkClick();
    const QString file = g.dir.filePath("Haus_MaskStereoBild_RL.jpg");
    EXPECT_EQ(Load(file).size(), QSize(200, 50));
    EXPECT_NEAR(qBlue(Load(file).pixel(10, 10)), 255, 12);
    EXPECT_EQ(g.dialog.JPGPreferences->LabelFileSize->text(), FileSizeText(QFileInfo(file).size()));
    // Progressive coding as chosen: a progressive frame header, no baseline one.
    const QByteArray bytes = ReadBytes(file);
    EXPECT_TRUE(bytes.contains(QByteArray("\xFF\xC2", 2)));
    EXPECT_FALSE(bytes.contains(QByteArray("\xFF\xC0", 2)));
}

TEST(SaveDialogWriting, QualityAndCodingChangeTheSizeShown)
{
    TWriteFixture f(1, sftJpeg);
    QImage grain(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            grain.setPixel(x, y, qRgb((x * 37 + y * 11) & 255, (x * y) & 255, (x ^ y) & 255));
    f.SetPictures(grain, grain);
    f.dialog.UpdatePreview(false);
    const QString at96 = f.WaitForSize();
    f.dialog.JPGPreferences->ScrollBarQuali->setValue(20);
    f.dialog.JPGPreferences->UpdateDisplay(true);
    const QString at20 = f.WaitForSize();
    f.dialog.JPGPreferences->RadioButtonProgrKod->setChecked(true);
    f.dialog.JPGPreferences->UpdateDisplay(true);
    const QString progressive = f.WaitForSize();
    EXPECT_NE(at96, at20);
    EXPECT_NE(at20, progressive);
    EXPECT_TRUE(progressive.endsWith(" kByte"));
}

TEST(SaveDialogOverwrite, UncheckedExistingFileIsKeptCheckedOneReplacedAfterYes)
{
    TWriteFixture f;
    const QString left = f.dir.filePath("Haus_MaskStereoBild_L.bmp");
    WriteBytes(left, "altes Bild");
    f.dialog.EditFileNameChange();
    ASSERT_TRUE(f.Ok()); // answered Yes
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].second, dkWarnung);
    EXPECT_TRUE(f.messages.shown[0].first.contains("<c3>" + left + "<FN><LF>"));
    EXPECT_EQ(ReadBytes(left), "altes Bild");
    EXPECT_TRUE(QFile::exists(f.dir.filePath("Haus_MaskStereoBild_R.bmp")));

    // Checked: listed blue, and only the answer No still keeps it.
    TWriteFixture g;
    WriteBytes(g.dir.filePath("Haus_MaskStereoBild_L.bmp"), "altes Bild");
    g.dialog.EditFileNameChange();
    g.dialog.CheckBoxOverride_L->setChecked(true);
    g.messages.answer = mrNo;
    g.dialog.BitBtnOkClick();
    EXPECT_TRUE(g.dialog.isVisible());
    EXPECT_EQ(ReadBytes(g.dir.filePath("Haus_MaskStereoBild_L.bmp")), "altes Bild");
    EXPECT_FALSE(QFile::exists(g.Mask()));
    g.messages.answer = mrYes;
    ASSERT_TRUE(g.Ok());
    EXPECT_TRUE(g.messages.shown.back().first.contains("<c4>" + g.dir.filePath("Haus_MaskStereoBild_L.bmp")));
    EXPECT_EQ(Load(g.dir.filePath("Haus_MaskStereoBild_L.bmp")).size(), QSize(100, 50));
}

TEST(SaveDialogOverwrite, EqualNamesWriteOnlyTheMaskOrNothingAtAll)
{
    TWriteFixture f;
    f.dialog.EditFileName_R->setText(f.dialog.EditFileName_L->text());
    ASSERT_TRUE(f.Ok());
    EXPECT_TRUE(f.messages.shown[0].first.contains(kResEqualNames));
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"Haus_Plenoptrum.Plenoptrum"});

    // The mask file exists too and is not to be replaced: an error, nothing
    // is written and the dialog stays.
    f.dialog.show();
    f.dialog.EditFileName_R->setText(f.dialog.EditFileName_L->text());
    f.dialog.BitBtnOkClick();
    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_EQ(f.messages.shown[1].second, dkFehler);
    EXPECT_TRUE(f.messages.shown[1].first.endsWith(kResNothingSaved));
    EXPECT_TRUE(f.dialog.isVisible());
}

TEST(SaveDialogFailures, WriteFailureIsReportedTheDialogStaysAndWrittenFilesRemain)
{
    TWriteFixture f;
    const QString mask = f.dir.filePath("fehlt/Haus_Plenoptrum.Plenoptrum");
    f.dialog.EditFileName_M->setText(mask);
    f.dialog.BitBtnOkClick();
    EXPECT_TRUE(f.dialog.isVisible());
    EXPECT_NE(f.dialog.result(), QDialog::Accepted);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].second, dkFehler);
    const QString text = f.messages.shown[0].first;
    EXPECT_TRUE(text.contains(mask)) << text.toStdString();
    EXPECT_TRUE(text.contains("existiert nicht")) << text.toStdString();
    EXPECT_TRUE(QFile::exists(f.dir.filePath("Haus_MaskStereoBild_L.bmp")));
    EXPECT_TRUE(QFile::exists(f.dir.filePath("Haus_MaskStereoBild_R.bmp")));
    // The preview works again afterwards.
    EXPECT_EQ(f.dialog.BMPPreferences->PreviewTarget, f.dialog.Image);
    EXPECT_EQ(f.dialog.BMPPreferences->OutputTarget, nullptr);
}

TEST(SaveDialogFailures, FullDiskLeavesTheExistingPictureAndIsNamed)
{
    TWriteFixture f;
    f.dialog.SetLayout(1);
    const QString target = f.dir.filePath("Haus_MaskStereoBild_LR.bmp");
    WriteBytes(target, "altes Bild");
    f.dialog.EditFileNameChange();
    f.dialog.CheckBoxOverride_L->setChecked(true);
    const TFileWriteFaultHook previous =
        SetFileWriteFaultHook([&](const QString& name, qint64) { return name == target; });
    f.dialog.BitBtnOkClick();
    SetFileWriteFaultHook(previous);
    ASSERT_EQ(f.messages.shown.size(), 2u); // the overwrite question, then the failure
    EXPECT_TRUE(f.messages.shown[1].first.contains(target));
    EXPECT_TRUE(f.messages.shown[1].first.contains("kein Platz auf dem Datenträger"));
    EXPECT_EQ(ReadBytes(target), "altes Bild");
    EXPECT_TRUE(QFile::exists(f.Mask()));
    EXPECT_TRUE(f.dialog.isVisible());
}

TEST(SaveDialogFailures, MissingPicturesWriteTheMaskAndSaySo)
{
    TWriteFixture f;
    TBitmap none;
    f.dialog.SetPictures(&none, &none);
    f.dialog.SetLayout(1);
    f.dialog.BitBtnOkClick();
    EXPECT_TRUE(QFile::exists(f.Mask()));
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_TRUE(f.messages.shown[0].first.contains("es ist kein Bild vorhanden"));
}
