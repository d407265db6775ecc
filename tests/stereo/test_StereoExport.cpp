// The export without the editor: the mask's window on its own pair and on
// other pairs, scaled to their size, several pairs at once, and every way a
// pair can fail without stopping the others.
#include "stereo/StereoExport.h"

#include "ExportTestSupport.h"
#include "MpoTestFiles.h"
#include "StereoTestPictures.h"

#include "history/UserMessage.h"
#include "stereo/StereoConvert.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <mutex>

namespace {

const QRgb kCover = qRgb(0x22, 0x22, 0x22);
const QRgb kLeft = qRgb(200, 100, 50), kRight = qRgb(20, 40, 60);

QImage Read(const QString& name)
{
    QImage image(name);
    return image.convertToFormat(QImage::Format_RGB32);
}

// A 200 x 100 pair, its mask file, and the choice "layout 0, BMP".
struct TExportFixture {
    QTemporaryDir dir;
    QString left, right, mask;
    TExportChoice choice;
    TExportFixture()
    {
        left = WriteBmp(dir.filePath("Haus_L.bmp"), 200, 100, kLeft);
        right = WriteBmp(dir.filePath("Haus_R.bmp"), 200, 100, kRight);
        mask = dir.filePath("Haus_Plenoptrum.Plenoptrum");
        WriteMaskFile(mask, left, right, 0);
        choice.FileType = sftBmp;
    }
    TExportMask Mask() const
    {
        TExportMask m;
        QString error;
        EXPECT_TRUE(LoadExportMask(mask, &m, &error)) << error.toStdString();
        return m;
    }
    TExportPair Pair(const QString& l, const QString& r) const { return TExportPair{l, r, 0, l, QString()}; }
};

} // namespace

TEST(ExportOwnPair, TheStepsWindowSettingsAndPairComeFromTheMaskFile)
{
    TExportFixture f;
    const TExportMask mask = f.Mask();
    EXPECT_EQ(mask.Left, f.left);
    EXPECT_EQ(mask.Right, f.right);
    EXPECT_EQ(mask.InputLayout, 0);
    EXPECT_EQ(mask.PairSize, QSize(200, 100));
    EXPECT_EQ(mask.Settings.FileMaskPictColor, 0x00222222u);
    EXPECT_EQ(mask.Steps, 1);

    const TSaveNames names = ExportNames(f.mask, QString(), f.choice);
    EXPECT_EQ(names.Left, f.dir.filePath("Haus_MaskStereoBild_L.bmp"));
    const TExportOutcome out = ExportPair(mask, f.Pair(mask.Left, mask.Right), f.choice, names);
    ASSERT_TRUE(out.Ok) << out.Error.toStdString();
    EXPECT_EQ(out.Written, QStringList({names.Left, names.Right}));
    EXPECT_TRUE(out.Notes.isEmpty());
    // Left window 50..150, right window 60..160 (parallax 10), rows 20..80.
    EXPECT_TRUE(PixelsAre(Read(names.Left), {{10, 10, kCover}, {100, 50, kLeft}, {155, 50, kCover}, {100, 90, kCover}}));
    EXPECT_TRUE(PixelsAre(Read(names.Right), {{55, 50, kCover}, {155, 50, kRight}, {165, 50, kCover}}));
}

TEST(ExportOwnPair, MaskPicturesAreTheTwoColouredWindow)
{
    TExportFixture f;
    f.choice.Mode = spmMaskPictures;
    f.choice.Layout = slParallel;
    f.choice.Gap = 30; // the dialog has no gap for mask pictures
    const TSaveNames names = ExportNames(f.mask, QString(), f.choice);
    EXPECT_EQ(names.Left, f.dir.filePath("Haus_Plenoptrum_LR.bmp"));
    const TExportMask mask = f.Mask();
    const TExportOutcome out = ExportPair(mask, f.Pair(f.left, f.right), f.choice, names);
    ASSERT_TRUE(out.Ok) << out.Error.toStdString();
    const QImage picture = Read(names.Left);
    ASSERT_EQ(picture.size(), QSize(400, 100));
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    EXPECT_TRUE(PixelsAre(picture, {{10, 10, black}, {100, 50, white}, {255, 50, black}, {355, 50, white}}));
}

TEST(ExportScaling, APairOfHalfTheSizeGetsTheWindowAtHalfTheSize)
{
    TExportFixture f;
    const QString l = WriteBmp(f.dir.filePath("Klein_L.bmp"), 100, 50, kLeft);
    const QString r = WriteBmp(f.dir.filePath("Klein_R.bmp"), 100, 50, kRight);
    const TSaveNames names = ExportNames(l, QString(), f.choice);
    const TExportOutcome out = ExportPair(f.Mask(), f.Pair(l, r), f.choice, names);
    ASSERT_TRUE(out.Ok) << out.Error.toStdString();
    ASSERT_EQ(out.Notes.size(), 1);
    EXPECT_EQ(out.Notes[0], QStringLiteral("Der Umriss ist an 100 x 50 Pixel angepasst (Maske: 200 x 100)."));
    // The window is now 25..75 x 10..40 on the left, parallax 5: 30..80 on
    // the right. Unscaled it would start at x = 50 and reach below row 40.
    EXPECT_TRUE(PixelsAre(Read(names.Left), {{30, 25, kLeft}, {72, 25, kLeft}, {78, 25, kCover}, {50, 12, kLeft},
                                             {50, 8, kCover}, {50, 44, kCover}, {22, 25, kCover}}));
    EXPECT_TRUE(PixelsAre(Read(names.Right), {{27, 25, kCover}, {33, 25, kRight}, {78, 25, kRight}, {83, 25, kCover}}));
}

TEST(ExportScaling, WithoutTheMasksPicturesNothingIsScaled)
{
    TExportFixture f;
    TExportMask mask = f.Mask();
    QFile::remove(f.left);
    EXPECT_FALSE(StereoPairSize(f.left, 0, f.right).isValid());
    mask.PairSize = StereoPairSize(mask.Left, mask.InputLayout, mask.Right);
    const QString l = WriteBmp(f.dir.filePath("Klein_L.bmp"), 100, 50, kLeft);
    const QString r = WriteBmp(f.dir.filePath("Klein_R.bmp"), 100, 50, kRight);
    const TSaveNames names = ExportNames(l, QString(), f.choice);
    const TExportOutcome out = ExportPair(mask, f.Pair(l, r), f.choice, names);
    ASSERT_TRUE(out.Ok) << out.Error.toStdString();
    EXPECT_TRUE(out.Notes.isEmpty());
    EXPECT_TRUE(PixelsAre(Read(names.Left), {{30, 25, kCover}, {60, 45, kLeft}}));
}

TEST(ExportBatch, ACorruptPairIsReportedAndTheOthersAreWritten)
{
    TExportFixture f;
    const QString bad = f.dir.filePath("Kaputt_L.bmp");
    {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("BM this is no picture at all");
    }
    const QString badRight = WriteBmp(f.dir.filePath("Kaputt_R.bmp"), 200, 100, kRight);
    const QString l = WriteBmp(f.dir.filePath("Klein_L.bmp"), 100, 50, kLeft);
    const QString r = WriteBmp(f.dir.filePath("Klein_R.bmp"), 100, 50, kRight);
    const std::vector<TExportPair> pairs = {f.Pair(f.left, f.right), f.Pair(bad, badRight), f.Pair(l, r)};
    std::vector<TSaveNames> names;
    for (const TExportPair& p : pairs)
        names.push_back(ExportNames(p.NameSource, f.dir.filePath("aus"), f.choice));
    QDir().mkpath(f.dir.filePath("aus"));

    std::mutex m;
    std::vector<int> doneSeen;
    std::vector<TExportOutcome> outcomes(pairs.size());
    const int failed = ExportPairs(
        f.Mask(), pairs, names, f.choice,
        [&](int done, int total, int index, const TExportOutcome& outcome) {
            const std::lock_guard<std::mutex> lock(m);
            EXPECT_EQ(total, 3);
            doneSeen.push_back(done);
            outcomes[size_t(index)] = outcome;
        },
        2);
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(doneSeen, std::vector<int>({1, 2, 3}));
    EXPECT_TRUE(outcomes[0].Ok);
    EXPECT_TRUE(outcomes[2].Ok);
    EXPECT_EQ(outcomes[2].Notes.size(), 1);
    EXPECT_FALSE(outcomes[1].Ok);
    EXPECT_TRUE(outcomes[1].Error.contains(bad)) << outcomes[1].Error.toStdString();
    EXPECT_TRUE(QFile::exists(f.dir.filePath("aus/Haus_MaskStereoBild_L.bmp")));
    EXPECT_TRUE(QFile::exists(f.dir.filePath("aus/Klein_MaskStereoBild_R.bmp")));
    EXPECT_FALSE(QFile::exists(f.dir.filePath("aus/Kaputt_MaskStereoBild_L.bmp")));
}

TEST(ExportBatch, EachPairsCheckSeesItsNameOutlineAndPicturesAndAddsNotes)
{
    TExportFixture f;
    const QString l = WriteBmp(f.dir.filePath("Klein_L.bmp"), 100, 50, kLeft);
    const QString r = WriteBmp(f.dir.filePath("Klein_R.bmp"), 100, 50, kRight);
    const TExportPair pair = f.Pair(l, r);
    const TExportOutcome out = ExportPair(
        f.Mask(), pair, f.choice, ExportNames(l, QString(), f.choice),
        [](const QString& name, const TPolygonListe& outline, const TBitmap& left, const TBitmap& right) {
            // The outline as it stands on this pair: scaled to half.
            return QStringList{QStringLiteral("%1: %2 %3 %4 %5")
                                   .arg(name)
                                   .arg(outline.Items(1)->X())
                                   .arg(outline.Items(1)->Z())
                                   .arg(qRed(left.Image.pixel(0, 0)))
                                   .arg(qBlue(right.Image.pixel(0, 0)))};
        });
    ASSERT_TRUE(out.Ok) << out.Error.toStdString();
    ASSERT_EQ(out.Notes.size(), 2);
    EXPECT_EQ(out.Notes[1], QStringLiteral("Klein_L.bmp: 75 5 200 60"));
}

TEST(ExportBatch, TwoPairsWithTheSameOutputNameDoNotOverwriteEachOther)
{
    TExportFixture f;
    QDir().mkpath(f.dir.filePath("b"));
    const QString l = WriteBmp(f.dir.filePath("b/Haus_L.bmp"), 200, 100, kLeft);
    const QString r = WriteBmp(f.dir.filePath("b/Haus_R.bmp"), 200, 100, kRight);
    const std::vector<TExportPair> pairs = {f.Pair(f.left, f.right), f.Pair(l, r)};
    const QString out = f.dir.filePath("aus");
    QDir().mkpath(out);
    std::vector<TSaveNames> names = {ExportNames(f.left, out, f.choice), ExportNames(l, out, f.choice)};
    QString second;
    EXPECT_EQ(ExportPairs(f.Mask(), pairs, names, f.choice,
                          [&](int, int, int index, const TExportOutcome& o) {
                              if (index == 1)
                                  second = o.Error;
                          }),
              1);
    EXPECT_TRUE(second.startsWith(QStringLiteral("Das Paar 1 schreibt schon in die Datei"))) << second.toStdString();
}

TEST(ExportFiles, AnExistingPictureIsReplacedOnlyWhenAsked)
{
    TExportFixture f;
    const TSaveNames names = ExportNames(f.mask, QString(), f.choice);
    {
        QFile file(names.Right);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    const TExportMask mask = f.Mask();
    TExportOutcome out = ExportPair(mask, f.Pair(f.left, f.right), f.choice, names);
    EXPECT_FALSE(out.Ok);
    EXPECT_TRUE(out.ExistingFile);
    EXPECT_TRUE(out.Error.contains(names.Right));
    EXPECT_FALSE(QFile::exists(names.Left)); // nothing is written when one file is refused
    f.choice.Overwrite = true;
    out = ExportPair(mask, f.Pair(f.left, f.right), f.choice, names);
    ASSERT_TRUE(out.Ok) << out.Error.toStdString();
    EXPECT_EQ(Read(names.Right).size(), QSize(200, 100));
}

TEST(ExportFiles, MissingFilesAndBrokenMasksAreNamed)
{
    TExportFixture f;
    std::vector<QString> shown;
    const TUserMessageHandler previous = SetUserMessageHandler([&](const QString& text, int, unsigned) {
        shown.push_back(text);
        return int(mrOk);
    });
    const TExportMask mask = f.Mask();
    const QString gone = f.dir.filePath("Weg_R.bmp");
    TExportOutcome out = ExportPair(mask, f.Pair(f.left, gone), f.choice, ExportNames(gone, QString(), f.choice));
    EXPECT_EQ(out.Error, QStringLiteral("Die Datei \"%1\" existiert nicht.").arg(gone));

    TExportMask unused;
    QString error;
    EXPECT_FALSE(LoadExportMask(f.dir.filePath("fehlt.Plenoptrum"), &unused, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("existiert nicht")));
    // A picture is no mask file: the reader's message goes to the handler,
    // the export says the file has no step.
    EXPECT_FALSE(LoadExportMask(f.left, &unused, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("keinen lesbaren Bearbeitungsschritt"))) << error.toStdString();
    // A file cut inside its step.
    QFile whole(f.mask);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    const QString cut = f.dir.filePath("kurz.Plenoptrum");
    QFile part(cut);
    ASSERT_TRUE(part.open(QIODevice::WriteOnly));
    part.write(bytes.left(bytes.size() - 40));
    part.close();
    EXPECT_FALSE(LoadExportMask(cut, &unused, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("beschädigt"))) << error.toStdString();
    SetUserMessageHandler(previous);
    // The picture refused by its header, the cut file by its step.
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].contains(f.left));
    EXPECT_TRUE(shown[1].contains(cut));
}

TEST(ExportPairLists, FilesPairUpAndCameraFilesStandAlone)
{
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QByteArray jpeg = SolidJpeg(8, 8, 0xFF808080);
    const QString a = write("A_L.jpg", jpeg), b = write("A_R.jpg", jpeg), lone = write("B_L.jpg", jpeg);
    const QString mpo = write("Kamera.mpo", MakeMpo(jpeg, jpeg).File), jps = write("Brille.jps", jpeg);
    const std::vector<TExportPair> pairs = ExportPairsFromFiles({a, b, mpo, jps, lone});
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(pairs[0].First, a);
    EXPECT_EQ(pairs[0].Second, b);
    EXPECT_EQ(pairs[1].First, mpo);
    EXPECT_EQ(pairs[1].Second, mpo);
    EXPECT_EQ(pairs[1].Layout, 0);
    EXPECT_EQ(pairs[2].Layout, 2);
    EXPECT_EQ(pairs[2].Second, QString());
    EXPECT_EQ(pairs[3].Problem, QStringLiteral("Zu \"%1\" fehlt das rechte Bild.").arg(lone));

    const QString spaced = write("mit Leer L.jpg", jpeg), spacedR = write("mit Leer R.jpg", jpeg);
    const QString list = write("liste.txt", "# Paare der Serie\n"
                                            "A_L.jpg\tA_R.jpg\n"
                                            "\n"
                                            "  A_L.jpg   A_R.jpg  \n"
                                            "mit Leer L.jpg mit Leer R.jpg\n"
                                            "\"mit Leer L.jpg\" \"mit Leer R.jpg\"\n"
                                            "Kamera.mpo\n"
                                            "B_L.jpg\n"
                                            "a b c\n");
    std::vector<TExportPair> listed;
    QString error;
    ASSERT_TRUE(ExportPairsFromList(list, &listed, &error)) << error.toStdString();
    ASSERT_EQ(listed.size(), 7u);
    for (int i : {0, 1}) {
        EXPECT_EQ(listed[size_t(i)].First, a);
        EXPECT_EQ(listed[size_t(i)].Second, b);
    }
    for (int i : {2, 3}) {
        EXPECT_EQ(listed[size_t(i)].First, spaced);
        EXPECT_EQ(listed[size_t(i)].Second, spacedR);
    }
    EXPECT_EQ(listed[4].First, mpo);
    EXPECT_EQ(listed[4].Second, mpo);
    EXPECT_EQ(listed[5].Problem, QStringLiteral("Zeile 8: zu \"%1\" fehlt das rechte Bild.").arg(lone));
    EXPECT_EQ(listed[6].Problem, QStringLiteral("Zeile 9: mehr als zwei Namen."));
    EXPECT_FALSE(ExportPairsFromList(dir.filePath("keine.txt"), &listed, &error));
}

TEST(ExportMemory, APairCountsEachEyeTwiceAndACombinedPictureOnce)
{
    TExportFixture f;
    // 200 x 100 per eye: 4 bytes x 2 copies (loaded, masked) x 2 eyes.
    EXPECT_EQ(ExportPairMemory(f.Pair(f.left, f.right)), 4 * 2 * 2 * 20000);
    // A 400 x 100 side-by-side file: its two eyes plus the whole picture.
    const QString sbs = WriteBmp(f.dir.filePath("sbs.bmp"), 400, 100, kLeft);
    EXPECT_EQ(ExportPairMemory(TExportPair{sbs, QString(), 1, sbs, QString()}), 4 * (2 * 40000 + 40000));
    EXPECT_EQ(StereoPairSize(sbs, 1, QString()), QSize(200, 100));
    EXPECT_EQ(StereoPairSize(sbs, 3, QString()), QSize(400, 50));
    // Two pairs of two 24-megapixel eyes fit at once, and the budget stays
    // well below 2 GB.
    const qint64 pairOf24 = 4 * 2 * 2 * qint64(24'000'000);
    EXPECT_GE(kExportMemoryBudget, 2 * pairOf24);
    EXPECT_LE(kExportMemoryBudget, qint64(1280) << 20);
}
