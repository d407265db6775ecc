// "plenoptra --export" against the save dialog: the same choices give the
// same file, byte for byte; the program runs without any display; its options
// are checked; a camera file on the command line opens as a pair.
#include "app/CommandLine.h"
#include "app/Daten_Modul.h"
#include "app/ExportCommand.h"

#include "AppFixture.h"
#include "WindowCheckScenes.h"
#include "../stereo/MpoTestFiles.h"

#include "history/History.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "settings/uSpin.h"
#include "stereo/Stereo_SaveDlg.h"
#include "stereo/Stereo_SaveDlgJPG.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>

namespace {

QByteArray Bytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A picture with some detail, so that the coder has real work and any
// difference in pixels or coding shows in the bytes.
QString WriteTexturedJpeg(const QString& path, int w, int h, int shift)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb((x + shift) * 255 / w, y * 255 / h, ((x + shift) * 7 + y * 13) & 0xFF);
    }
    TJpegOptions options;
    options.Quality = 90;
    QByteArray data;
    EncodeJpeg(image, options, &data);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(data);
    return path;
}

struct TRun {
    int Code = -1;
    QString Out, Err;
};

// The real program with no display at all.
TRun RunProgram(const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PLENOPTRA_EXE), arguments);
    TRun run;
    if (!program.waitForFinished(120000))
        return run;
    run.Code = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    run.Out = QString::fromLocal8Bit(program.readAllStandardOutput());
    run.Err = QString::fromLocal8Bit(program.readAllStandardError());
    return run;
}

// A 240 x 160 pair opened in the editor, a curved window with decoration and
// document settings of its own recorded as a step, and the real save dialog
// wired as the program wires it.
struct TDialogProgram : TFreshProgram {
    TMessageRecorder messages;
    TDialogStub open;
    TFormSaveStereo save;

    TDialogProgram()
    {
        messages.answer = mrYes; // the mask file exists from the second save on
        open.Install(dm);
        open.left = WriteTexturedJpeg(dir.filePath("Haus_L.jpg"), 240, 160, 0);
        open.right = WriteTexturedJpeg(dir.filePath("Haus_R.jpg"), 240, 160, 9);
        open.answerOk = true;
        dm.ActionOpenLinksRechts->trigger();

        TPolygonListe* outline = PolygonListe();
        TBezEndPkt* a = outline->AddNode(40, 30, 0);
        TBezEndPkt* b = outline->AddNode(200, 35, 1);
        outline->AddNode(190, 130, 2);
        outline->AddNode(50, 120, 3);
        for (int i = 0; i < 4; ++i)
            outline->Items(i)->SetZ(6 + i);
        a->SetSegmentType(stCurve, b);
        a->Outgoing()->SetRelXYF(30.0f, -25.0f);
        a->Outgoing()->SetRelDF(11.0f);
        outline->BuildPoints();
        outline->SaveToCurrent();
        TDesktopData& s = *dm.Settings;
        s.FileMaskPictColor = 0x00336699;
        s.FileMaskForColor = 0x00FFEEDD;
        s.FileMaskBackColor = 0x00102030;
        s.DecorUse = 1;
        s.DecorDistance = 4;
        s.DecorWidthInside = 2;
        s.DecorWidthMiddle = 3;
        s.DecorWidthOutside = 2;
        s.SaveToHistoryCurrent();
        HistoryListe()->Add(QStringLiteral("Punkt"));
        dm.UpdateActions();

        dm.SetSaveDialogMaskFileName = [this](const QString& name) { save.SetMaskName(name); };
        dm.SetSaveDialogPictures = [this](TBitmap* l, TBitmap* r) { save.SetPictures(l, r); };
        dm.ShowSaveStereoDialog = [this](quint8 mode, TColor cover) {
            save.CoverColor = cover;
            save.SetPictureMode(mode);
            return save.Execute();
        };
        dm.GetSaveDialogMaskFileName = [this] { return save.GetMaskName(); };
    }

    // The user picks the choices in the dialog and presses OK.
    void SaveThroughDialog(bool maskPictures, int layout, int kind, int gap, int type, int quality, bool progressive)
    {
        save.ModalHook = [=](TFormSaveStereo& d) {
            d.SetLayout(layout);
            if (layout == slRedCyan || layout == slYellowBlue)
                d.AnaglyphArtButtons->button(kind)->click();
            if (!maskPictures)
                d.uSpinEditDistance->ForceValue(gap);
            d.ComboBoxFileType->setCurrentIndex(type);
            d.JPGPreferences->ScrollBarQuali->setValue(quality);
            (progressive ? d.JPGPreferences->RadioButtonProgrKod : d.JPGPreferences->RadioButtonStandKod)->click();
            d.BitBtnOkClick();
        };
        (maskPictures ? dm.ActionSaveMask : dm.ActionSaveLinksRechts)->trigger();
    }
};

} // namespace

TEST(ExportLikeTheDialog, TheSameChoicesWriteTheSameBytes)
{
    TDialogProgram p;
    const QString mask = p.dir.filePath("Haus_Plenoptrum.Plenoptrum");
    struct TCase {
        const char* what;
        bool maskPictures;
        int layout, kind, gap, type, quality;
        bool progressive;
        QStringList files; // written by the dialog, in its folder
        QStringList options;
    } cases[] = {
        {"parallel, progressive", false, 1, 0, 12, sftJpeg, 90, true, {"Haus_MaskStereoBild_LR.jpg"},
         {"--layout", "1", "--gap", "12", "--quality", "90", "--progressive"}},
        {"separate bitmaps", false, 0, 0, 0, sftBmp, 96, false,
         {"Haus_MaskStereoBild_L.bmp", "Haus_MaskStereoBild_R.bmp"}, {"--format", "bmp"}},
        {"half-tone red/cyan", false, 4, 1, 0, sftJpeg, 96, false, {"Haus_MaskStereoBild_Ana_RC_h.jpg"},
         {"--layout", "4", "--kind", "h"}},
        {"crossed with a gap", false, 2, 0, 7, sftJpeg, 55, false, {"Haus_MaskStereoBild_RL.jpg"},
         {"--layout", "2", "--gap", "7", "--quality", "55"}},
        {"mask pictures over-under", true, 3, 0, 0, sftJpeg, 80, false, {"Haus_Plenoptrum_KMQ.jpg"},
         {"--mask-pictures", "--layout", "3", "--quality", "80"}},
    };
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        p.SaveThroughDialog(c.maskPictures, c.layout, c.kind, c.gap, c.type, c.quality, c.progressive);
        ASSERT_TRUE(QFileInfo::exists(mask));
        // Alternately into a folder and to a base name picked as with
        // "Durchsuchen...".
        const QString folder = p.dir.filePath(QStringLiteral("export%1").arg(++n));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString out = n % 2 ? folder : QDir(folder).filePath("Haus.jpg");
        const TRun run = RunProgram(QStringList{"--export", mask, "--out", out} + c.options);
        ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
        for (const QString& file : c.files) {
            const QByteArray dialog = Bytes(p.dir.filePath(file));
            ASSERT_FALSE(dialog.isEmpty()) << file.toStdString();
            EXPECT_TRUE(Bytes(QDir(folder).filePath(file)) == dialog) << file.toStdString();
            EXPECT_TRUE(run.Out.contains(QDir(folder).filePath(file))) << run.Out.toStdString();
        }
    }
}

TEST(ExportLikeTheDialog, WithoutOutTheNamesComeFromTheMaskAndExistingFilesStay)
{
    TDialogProgram p;
    p.SaveThroughDialog(false, 1, 0, 0, sftJpeg, 96, false);
    const QString mask = p.dir.filePath("Haus_Plenoptrum.Plenoptrum");
    const QString picture = p.dir.filePath("Haus_MaskStereoBild_LR.jpg");
    const QByteArray dialog = Bytes(picture);
    const QByteArray maskBytes = Bytes(mask);

    // The dialog's file is there: refused, kept, and the way out named.
    TRun run = RunProgram({"--export", mask, "--layout", "1"});
    EXPECT_EQ(run.Code, kExportFailedStatus);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("existiert bereits"))) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(QStringLiteral("--overwrite"))) << run.Err.toStdString();
    ASSERT_TRUE(QFile::remove(picture));
    run = RunProgram({"--export", mask, "--layout", "1"});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(Bytes(picture) == dialog);
    EXPECT_TRUE(Bytes(mask) == maskBytes); // the mask file is only read
    run = RunProgram({"--export", mask, "--layout", "1", "--overwrite"});
    EXPECT_EQ(run.Code, 0) << run.Err.toStdString();
    // A name ending in a slash is a folder, made when it is missing.
    run = RunProgram({"--export", mask, "--layout", "1", "--out", p.dir.filePath("neu/")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(Bytes(p.dir.filePath("neu/Haus_MaskStereoBild_LR.jpg")) == dialog);
}

TEST(ExportProgram, ABatchWithACorruptPairWritesTheOthersAndFails)
{
    QTemporaryDir dir;
    const QString l = WriteTexturedJpeg(dir.filePath("Haus_L.jpg"), 120, 80, 0);
    const QString r = WriteTexturedJpeg(dir.filePath("Haus_R.jpg"), 120, 80, 5);
    const QString mask = dir.filePath("Haus_Plenoptrum.Plenoptrum");
    {
        TProgramObjects objects;
        TPolygonListe& outline = *objects.PolygonListe;
        for (int i = 0; i < 4; ++i)
            outline.AddNode(i == 1 || i == 2 ? 100 : 20, i < 2 ? 10 : 70, i);
        outline.SaveToCurrent();
        THistoryListe& history = *objects.HistoryListe;
        history.Current().R01().LeftFileName = l;
        history.Current().R01().RightFileName = r;
        history.Add(QStringLiteral("Punkt"));
        history.SaveToFile(mask, false);
    }
    const QString small_l = WriteTexturedJpeg(dir.filePath("Baum_L.jpg"), 60, 40, 0);
    const QString small_r = WriteTexturedJpeg(dir.filePath("Baum_R.jpg"), 60, 40, 3);
    const QString bad = dir.filePath("Kaputt_L.jpg");
    {
        QFile file(bad);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray("\xFF\xD8\xFF\xE0 broken", 11));
    }
    WriteTexturedJpeg(dir.filePath("Kaputt_R.jpg"), 60, 40, 3);
    const QString camera = dir.filePath("Kamera.mpo");
    {
        QFile file(camera);
        file.open(QIODevice::WriteOnly);
        file.write(MakeMpo(SolidJpeg(120, 80, 0xFFC00000), SolidJpeg(120, 80, 0xFF0000C0)).File);
    }
    const QString out = dir.filePath("aus");
    const TRun run = RunProgram({"--export", mask, "--layout", "1", "--out", out, "--pairs", small_l, small_r, bad,
                                 dir.filePath("Kaputt_R.jpg"), camera});
    EXPECT_EQ(run.Code, kExportFailedStatus) << run.Err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(QDir(out).filePath("Baum_MaskStereoBild_LR.jpg")));
    EXPECT_TRUE(QFileInfo::exists(QDir(out).filePath("Kamera_MaskStereoBild_LR.jpg")));
    EXPECT_FALSE(QFileInfo::exists(QDir(out).filePath("Kaputt_MaskStereoBild_LR.jpg")));
    // One progress line a pair; the failed one on the error stream.
    EXPECT_EQ(run.Out.count(QStringLiteral(" ... ")) + run.Err.count(QStringLiteral(" ... ")), 3);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("Kaputt_L.jpg ... Fehler:"))) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains(QStringLiteral("Der Umriss ist an 60 x 40 Pixel angepasst"))) << run.Out.toStdString();
    EXPECT_TRUE(run.Err.contains(QStringLiteral("2 von 3 Paaren geschrieben, 1 fehlgeschlagen.")));
    const QImage written(QDir(out).filePath("Kamera_MaskStereoBild_LR.jpg"));
    EXPECT_EQ(written.size(), QSize(240, 80));

    // A list file naming only good pairs: status 0.
    QFile list(dir.filePath("liste.txt"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("Baum_L.jpg\tBaum_R.jpg\n");
    list.close();
    const TRun again = RunProgram({"--export", mask, "--out", dir.filePath("zwei"), "--pairs-from", list.fileName()});
    EXPECT_EQ(again.Code, 0) << again.Err.toStdString();
    EXPECT_TRUE(again.Out.contains(QStringLiteral("[1/1] Baum_L.jpg ... Baum_MaskStereoBild_L.jpg, "
                                                  "Baum_MaskStereoBild_R.jpg")))
        << again.Out.toStdString();
}

TEST(ExportProgram, ABatchWarnsOfEachPairWhoseWindowTheSceneBreaksThrough)
{
    // A block 6 px in front of the picture plane, cut by the left edge of a
    // window in the plane; the second pair has nothing in front.
    QTemporaryDir dir;
    scenes::TScene near;
    near.Near = QRect(QPoint(0, 80), QPoint(109, 159));
    const auto cut = scenes::WritePair(dir, QStringLiteral("Block"), near);
    const auto free = scenes::WritePair(dir, QStringLiteral("Wiese"), scenes::TScene());
    const QString mask = scenes::WriteMask(dir, QStringLiteral("Block"), cut, QRect(QPoint(30, 30), QPoint(290, 210)), 0);
    const QStringList pairs{cut.first, cut.second, free.first, free.second};
    const TRun run = RunProgram(QStringList{"--export", mask, "--out", dir.filePath("aus"), "--pairs"} + pairs);
    EXPECT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out.count(QStringLiteral("Warnung: ")), 1) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(QStringLiteral("Warnung: Block_L.bmp: Scheinfenster: 1 Verletzung")))
        << run.Out.toStdString();

    const TRun unchecked = RunProgram(QStringList{"--export", mask, "--out", dir.filePath("ohne"), "--no-window-check",
                                                  "--pairs"} + pairs);
    EXPECT_EQ(unchecked.Code, 0) << unchecked.Err.toStdString();
    EXPECT_FALSE(unchecked.Out.contains(QStringLiteral("Warnung"))) << unchecked.Out.toStdString();
}

TEST(ExportProgram, BadOptionsAndABadMaskEndWithTheirOwnStatus)
{
    QTemporaryDir dir;
    TRun run = RunProgram({"--export", dir.filePath("fehlt.Plenoptrum")});
    EXPECT_EQ(run.Code, kExportFailedStatus);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("existiert nicht"))) << run.Err.toStdString();
    run = RunProgram({"--export", dir.filePath("m.Plenoptrum"), "--layout", "8"});
    EXPECT_EQ(run.Code, kCommandLineErrorStatus);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("--layout erwartet eine Zahl von 0 bis 7"))) << run.Err.toStdString();
    // Without --export the export options are no editor options.
    run = RunProgram({"--layout", "1", dir.filePath("a.jpg")});
    EXPECT_EQ(run.Code, kCommandLineErrorStatus);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("--layout gilt nur zusammen mit --export"))) << run.Err.toStdString();
}

TEST(ExportCommandLine, TheOptionsAreReadAndCheckedOneByOne)
{
    const QString exe = QStringLiteral("/usr/bin/plenoptra");
    auto parse = [&](const QStringList& args, TExportRequest* request, QString* error) {
        const TCommandLine c = ParseCommandLine(QStringList{exe} + args, QString());
        EXPECT_EQ(c.Outcome, TCommandLine::clRun) << c.Text.toStdString();
        return ParseExportRequest(c, request, error);
    };
    TExportRequest r;
    QString error;
    ASSERT_TRUE(parse({"--export", "m.Plenoptrum", "--layout", "4", "--kind", "G", "--quality", "1", "--progressive",
                       "--out", "x/y", "--overwrite"},
                      &r, &error))
        << error.toStdString();
    EXPECT_EQ(r.Mask, "m.Plenoptrum");
    EXPECT_EQ(r.Choice.Layout, 4);
    EXPECT_EQ(r.Choice.Kind, 2);
    EXPECT_EQ(r.Choice.Jpeg.Quality, 1);
    EXPECT_TRUE(r.Choice.Jpeg.Progressive);
    EXPECT_TRUE(r.Choice.Overwrite);
    EXPECT_EQ(r.Choice.Mode, spmMaskedStereo);
    EXPECT_EQ(r.Out, "x/y");
    EXPECT_FALSE(r.Batch);

    // The dialog's own starting choices when nothing is said.
    ASSERT_TRUE(parse({"--export", "m.Plenoptrum"}, &r, &error));
    EXPECT_EQ(r.Choice.Layout, 0);
    EXPECT_EQ(r.Choice.Kind, 0);
    EXPECT_EQ(r.Choice.Gap, 0);
    EXPECT_EQ(r.Choice.FileType, sftJpeg);
    EXPECT_EQ(r.Choice.Jpeg.Quality, TJPGPreferences::kDefaultQuality);
    EXPECT_FALSE(r.Choice.Jpeg.Progressive);

    ASSERT_TRUE(parse({"--export", "m.Plenoptrum", "--pairs", "a.jpg", "b.jpg", "--mask-pictures", "--format", "BMP"},
                      &r, &error));
    EXPECT_TRUE(r.Batch);
    EXPECT_EQ(r.PairFiles, QStringList({"a.jpg", "b.jpg"}));
    EXPECT_EQ(r.Choice.Mode, spmMaskPictures);
    EXPECT_EQ(r.Choice.FileType, sftBmp);

    const struct {
        QStringList args;
        const char* says;
    } wrong[] = {
        {{"--export", "m", "--layout", "-1"}, "--layout erwartet eine Zahl von 0 bis 7, nicht \"-1\"."},
        {{"--export", "m", "--gap", "1001"}, "--gap erwartet eine Zahl von 0 bis 1000"},
        {{"--export", "m", "--quality", "0"}, "--quality erwartet eine Zahl von 1 bis 100"},
        {{"--export", "m", "--quality", "gut"}, "--quality erwartet eine Zahl"},
        {{"--export", "m", "--kind", "x"}, "--kind erwartet c (Farbe), h (Halbton) oder g (Grau)"},
        {{"--export", "m", "--format", "png"}, "--format erwartet jpg oder bmp"},
        {{"--export", "m", "--mask-pictures", "--gap", "5"}, "--gap gilt nicht für --mask-pictures"},
        {{"--export", "m", "--format", "bmp", "--quality", "5"}, "gelten nur für JPEG-Dateien"},
        {{"--export", "m", "a.jpg"}, "gehören zu --pairs"},
        {{"--export", "m", "--pairs"}, "--pairs erwartet Bilddateien"},
        {{"--export", " "}, "--export erwartet den Namen einer Maskendatei"},
    };
    for (const auto& w : wrong) {
        SCOPED_TRACE(w.args.join(' ').toStdString());
        EXPECT_FALSE(parse(w.args, &r, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(w.says))) << error.toStdString();
    }
    const TCommandLine alone = ParseCommandLine({exe, "--progressive"}, QString());
    EXPECT_EQ(alone.Outcome, TCommandLine::clError);
    EXPECT_EQ(alone.Text, "plenoptra: --progressive gilt nur zusammen mit --export.\n");
    // Help still goes first, and lists the new options.
    const TCommandLine help = ParseCommandLine({exe, "--export", "m", "--help"}, QString());
    EXPECT_EQ(help.Outcome, TCommandLine::clHelp);
    for (const char* option : {"--export <Maskendatei>", "--pairs-from <Liste>", "--mask-pictures", "--overwrite"})
        EXPECT_TRUE(help.Text.contains(QLatin1String(option))) << option;
}

TEST(CameraFileOnTheCommandLine, AnMpoOpensAsAPairAndAJpsCrossed)
{
    TFreshProgram p;
    TMessageRecorder messages;
    TDialogStub open;
    open.Install(p.dm);
    const QString mpo = p.dir.filePath("Kamera.mpo");
    {
        QFile file(mpo);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(MakeMpo(SolidJpeg(64, 48, 0xFFC00000), SolidJpeg(64, 48, 0xFF0000C0)).File);
    }
    open.answerOk = true;
    p.dm.DeferredStart({mpo});
    EXPECT_EQ(open.shown, 1);
    EXPECT_EQ(open.left, mpo);
    EXPECT_EQ(open.right, mpo);
    EXPECT_EQ(open.layout, 0);
    // Stored as left = right = the file, layout 0; the right eye is the
    // second picture.
    THistoryEintrag& current = HistoryListe()->Current();
    EXPECT_EQ(current.R01().LeftFileName, mpo);
    EXPECT_EQ(current.R01().RightFileName, mpo);
    EXPECT_EQ(current.R02().InputLayout, 0);
    ASSERT_EQ(p.dm.SourceRight.Image.size(), QSize(64, 48));
    EXPECT_GT(qRed(p.dm.SourceLeft.Image.pixel(30, 20)), 180);
    EXPECT_GT(qBlue(p.dm.SourceRight.Image.pixel(30, 20)), 180);
    EXPECT_TRUE(messages.shown.empty());

    const QString jps = p.dir.filePath("Brille.jps");
    {
        QFile file(jps);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(SolidJpeg(64, 24, 0xFF808080));
    }
    // What the dialog is shown with (the restore that follows a cancelled
    // dialog presets it again with the step's pair).
    QString shownLeft, shownRight;
    int shownLayout = -1;
    p.dm.ShowOpenStereoDialog = [&] {
        shownLeft = open.left, shownRight = open.right, shownLayout = open.layout;
        return false;
    };
    open.layout = 1;
    p.dm.DeferredStart({jps});
    EXPECT_EQ(shownLeft, jps);
    EXPECT_EQ(shownRight, QString());
    EXPECT_EQ(shownLayout, 2);
}
