// The controller's save commands: what is composed and handed to the save
// dialog, and that the pair comes back afterwards whatever the dialog did.
#include "app/Daten_Modul.h"

#include "AppFixture.h"
#include "../stereo/StereoTestPictures.h"

#include "history/History.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/PictureFiles.h"
#include "stereo/Stereo_SaveDlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>

#include <set>

namespace {

// A loaded 200 x 100 pair (left red, right blue; unless told otherwise), a
// rectangular window from (50, 20) to (150, 80) with a parallax of 10, and
// the real save dialog, wired as the program wires it, whose "show" is
// answered by the test.
struct TSaveProgram : TFreshProgram {
    TMessageRecorder messages;
    TDialogStub open;
    TFormSaveStereo save;
    QString left, right;
    quint8 shownMode = 255;
    TColor shownCover = 0x12345678;
    QSize handedLeft, handedRight;

    explicit TSaveProgram(bool pair = true)
    {
        messages.answer = mrYes;
        if (pair) {
            open.Install(dm);
            left = WritePicture(dir, QStringLiteral("Haus_L.bmp"), 200, 100, Qt::red);
            right = WritePicture(dir, QStringLiteral("Haus_R.bmp"), 200, 100, Qt::blue);
            open.left = left;
            open.right = right;
            open.answerOk = true;
            dm.ActionOpenLinksRechts->trigger();
            TPolygonListe* outline = PolygonListe();
            for (int i = 0; i < 4; ++i)
                outline->AddNode(i == 1 || i == 2 ? 150 : 50, i < 2 ? 20 : 80, i)->SetZ(10);
            outline->BuildPoints();
            dm.UpdateActions();
            dm.Settings->FileMaskPictColor = 0x00222222;
            dm.Settings->DecorUse = 0;
        }

        dm.SetSaveDialogMaskFileName = [this](const QString& name) { save.SetMaskName(name); };
        dm.SetSaveDialogPictures = [this](TBitmap* l, TBitmap* r) {
            if (l && r) {
                handedLeft = l->Image.size();
                handedRight = r->Image.size();
            }
            save.SetPictures(l, r);
        };
        dm.ShowSaveStereoDialog = [this](quint8 mode, TColor cover) {
            shownMode = mode;
            shownCover = cover;
            save.CoverColor = cover;
            save.SetPictureMode(mode);
            return save.Execute();
        };
        dm.GetSaveDialogMaskFileName = [this] { return save.GetMaskName(); };
        save.ComboBoxFileType->setCurrentIndex(sftBmp);
    }
    // The user presses OK in the shown dialog; meanwhile the controller is busy.
    bool busyWhileShown = false;
    void AnswerOk()
    {
        save.ModalHook = [this](TFormSaveStereo& d) {
            busyWhileShown = dm.Busy && dm.SourceLeft.Empty();
            d.BitBtnOkClick();
        };
    }
    QString File(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
};

std::set<QRgb> Colours(const QImage& image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) | 0xFF000000u);
    return colours;
}

} // namespace

TEST(SaveMaskedStereo, MaskedPicturesAreWrittenAndThePairComesBack)
{
    TSaveProgram p;
    p.AnswerOk();
    p.dm.ActionSaveLinksRechts->trigger();
    EXPECT_TRUE(p.busyWhileShown);
    EXPECT_EQ(p.shownMode, 1);
    EXPECT_EQ(p.shownCover, 0x00222222u);
    EXPECT_EQ(p.handedLeft, QSize(200, 100));
    EXPECT_EQ(p.save.windowTitle(), "Speichere Maskendatei  und  maskiertes Stereobild");
    ASSERT_TRUE(p.messages.shown.empty()) << p.messages.shown[0].first.toStdString();

    const QImage l = LoadPictureFile(p.File("Haus_MaskStereoBild_L.bmp"));
    const QImage r = LoadPictureFile(p.File("Haus_MaskStereoBild_R.bmp"));
    const QRgb cover = qRgb(0x22, 0x22, 0x22);
    // Outside the window the cover colour, inside the source; the right
    // window stands 10 pixels further right.
    EXPECT_TRUE(PixelsAre(l, {{10, 50, cover}, {55, 50, qRgb(255, 0, 0)}, {145, 50, qRgb(255, 0, 0)},
                              {155, 50, cover}, {100, 10, cover}, {100, 90, cover}}));
    EXPECT_TRUE(PixelsAre(r, {{55, 50, cover}, {65, 50, qRgb(0, 0, 255)}, {155, 50, qRgb(0, 0, 255)},
                              {165, 50, cover}}));
    EXPECT_EQ(Colours(l), (std::set<QRgb>{cover, qRgb(255, 0, 0)}));

    // Afterwards: the pair is loaded again, the caption and the remembered
    // name follow the mask file, the controller is no longer busy.
    const QString mask = p.File("Haus_Plenoptrum.Plenoptrum");
    EXPECT_TRUE(QFileInfo::exists(mask));
    EXPECT_EQ(p.dm.SourceLeft.Image.size(), QSize(200, 100));
    EXPECT_FALSE(p.dm.ViewLeftHalf.Empty());
    EXPECT_FALSE(p.dm.Busy);
    EXPECT_EQ(p.dm.BusyText, "Bitte warten");
    EXPECT_EQ(p.dm.Settings->LastFileName, mask);
    EXPECT_EQ(p.dm.OpenDialogMaske_FileName, mask);
    EXPECT_EQ(p.save.GetMaskName(), mask);
    EXPECT_EQ(p.form.windowTitle(), "Plenoptra Haus_Plenoptrum.Plenoptrum");
    EXPECT_TRUE(p.save.LeftPicture().Empty());
}

TEST(SaveMask, MaskFileReadsBackEqualAndMaskPicturesAreTwoColoured)
{
    TSaveProgram p;
    p.dm.Settings->FileMaskForColor = 0x00FFFFFF;
    p.dm.Settings->FileMaskBackColor = 0x00000000;
    HistoryListe()->Add(QStringLiteral("Punkt"));
    p.AnswerOk();
    ASSERT_TRUE(p.dm.ActionSaveMask->isEnabled());
    p.dm.ActionSaveMask->trigger();
    EXPECT_EQ(p.shownMode, 0);
    EXPECT_EQ(p.shownCover, 0x00000000u);
    EXPECT_EQ(p.save.windowTitle(), "Speichere Maskendatei  und  Maske");

    const QImage l = LoadPictureFile(p.File("Haus_Plenoptrum_L.bmp"));
    const QImage r = LoadPictureFile(p.File("Haus_Plenoptrum_R.bmp"));
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    EXPECT_EQ(Colours(l), (std::set<QRgb>{white, black}));
    EXPECT_EQ(Colours(r), (std::set<QRgb>{white, black}));
    EXPECT_TRUE(PixelsAre(l, {{10, 50, black}, {55, 50, white}, {155, 50, black}}));
    EXPECT_TRUE(PixelsAre(r, {{55, 50, black}, {155, 50, white}}));

    THistoryListe again;
    again.LoadFromFile(p.File("Haus_Plenoptrum.Plenoptrum"), false);
    ASSERT_EQ(again.Count(), HistoryListe()->Count());
    for (int i = 0; i < again.Count(); ++i)
        EXPECT_EQ(again.Items(i)->Name, HistoryListe()->Items(i)->Name);
    EXPECT_EQ(again.Items(again.Count() - 1)->R01().LeftFileName, p.left);
    EXPECT_EQ(p.dm.SourceRight.Image.size(), QSize(200, 100));
}

TEST(SaveMaskedStereo, CancelledDialogStillReloadsAndKeepsTheOldName)
{
    TSaveProgram p;
    p.save.ModalHook = [](TFormSaveStereo& d) { d.reject(); };
    const QString before = p.dm.OpenDialogMaske_FileName;
    const QString title = p.form.windowTitle();
    p.dm.ActionSaveLinksRechts->trigger();
    EXPECT_EQ(p.dm.SourceLeft.Image.size(), QSize(200, 100));
    EXPECT_EQ(p.dm.Pictures.MaskSize(0), QSize(200, 100));
    EXPECT_FALSE(p.dm.Busy);
    EXPECT_EQ(p.dm.Settings->LastFileName, before);
    EXPECT_EQ(p.form.windowTitle(), title);
    EXPECT_TRUE(p.save.LeftPicture().Empty());
    EXPECT_FALSE(QFileInfo::exists(p.File("Haus_Plenoptrum.Plenoptrum")));
}

TEST(SaveMaskedStereo, WithoutAPairOnlyTheMaskFileIsWrittenAndTheMissingPictureNamed)
{
    TSaveProgram p(false);
    p.dm.OpenDialogMaske_FileName = p.File("Leer.jpg");
    p.AnswerOk();
    p.dm.ActionSaveLinksRechts->trigger();
    EXPECT_TRUE(QFileInfo::exists(p.File("Leer_Plenoptrum.Plenoptrum")));
    ASSERT_EQ(p.messages.count, 1);
    EXPECT_TRUE(p.messages.shown[0].first.contains("es ist kein Bild vorhanden"));
    EXPECT_FALSE(p.dm.Busy);
}
