// Multi-picture files of stereo cameras: found by their index or, for a
// ".mpo" name without one, after the first picture's end; loaded as a pair;
// every damaged index a clear error.
#include "stereo/MpoFile.h"

#include "MpoTestFiles.h"

#include "stereo/StereoLoad.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr QRgb kRed = 0xFFC00000, kBlue = 0xFF0000C0, kGreen = 0xFF00C000;

// Colours within the coder's error.
bool Near(QRgb got, QRgb want)
{
    return std::abs(qRed(got) - qRed(want)) <= 3 && std::abs(qGreen(got) - qGreen(want)) <= 3 &&
           std::abs(qBlue(got) - qBlue(want)) <= 3;
}

struct TMpoDir {
    QTemporaryDir dir;
    QString Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return file.fileName();
    }
};

// Loads left = right = file in layout 0, as the history stores a camera file.
struct TPair {
    TBitmap left, right;
    QStringList damage;
    void Load(const QString& file) { LoadStereoPicture(left, right, file, 0, file, {}, {}, &damage); }
};

QString LoadError(const QString& file)
{
    TPair pair;
    try {
        pair.Load(file);
    } catch (const EPictureError& e) {
        return e.Message();
    }
    return QString();
}

// The first picture with an APP1 segment holding a whole JPEG of its own, as
// cameras embed their thumbnails: its markers must not end the picture.
QByteArray WithThumbnail(const QByteArray& jpeg)
{
    const QByteArray thumbnail = SolidJpeg(8, 8, kGreen);
    QByteArray app1("\xFF\xE1", 2);
    const int length = 2 + 6 + int(thumbnail.size());
    app1.append(char(length >> 8)).append(char(length & 0xFF)).append("Exif\0\0", 6).append(thumbnail);
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

TMpoLayout LayoutOf(const QByteArray& data, bool scan, bool* ok = nullptr, QString* error = nullptr)
{
    TMpoLayout layout;
    const bool read = ReadMpoLayout(data, scan, &layout, error);
    if (ok)
        *ok = read;
    return layout;
}

} // namespace

TEST(MpoIndex, TheIndexGivesTheRightPictureInEitherByteOrder)
{
    TMpoDir d;
    for (const bool big : {false, true}) {
        const TMpoParts mpo = MakeMpo(SolidJpeg(40, 30, kRed), SolidJpeg(40, 30, kBlue), big);
        const TMpoLayout layout = LayoutOf(mpo.File, false);
        EXPECT_EQ(layout.Count, 2);
        EXPECT_TRUE(layout.FromIndex);
        EXPECT_EQ(layout.SecondOffset, mpo.SecondAt);
        EXPECT_EQ(layout.FirstSize, QSize(40, 30));

        TPair pair;
        pair.Load(d.Write(big ? "motorola.MPO" : "intel.mpo", mpo.File));
        ASSERT_EQ(pair.left.Image.size(), QSize(40, 30));
        ASSERT_EQ(pair.right.Image.size(), QSize(40, 30));
        EXPECT_TRUE(Near(pair.left.Image.pixel(20, 15), kRed));
        EXPECT_TRUE(Near(pair.right.Image.pixel(20, 15), kBlue));
        EXPECT_TRUE(pair.damage.isEmpty());
    }
}

TEST(MpoIndex, TheIndexCountsWhateverTheNameSays)
{
    // Recognised by content: a camera file renamed to ".jpg" is still a pair.
    TMpoDir d;
    const QString file = d.Write("kamera.jpg", MakeMpo(SolidJpeg(16, 16, kRed), SolidJpeg(16, 16, kBlue)).File);
    EXPECT_TRUE(IsMpoFile(file));
    TPair pair;
    pair.Load(file);
    EXPECT_TRUE(Near(pair.right.Image.pixel(8, 8), kBlue));
    // A single-file layout reads its first picture, as any JPEG reader would.
    TBitmap left, right;
    ASSERT_TRUE(LoadStereoPicture(left, right, file, 2, QString()));
    EXPECT_EQ(left.Image.size(), QSize(8, 16));
    EXPECT_TRUE(Near(left.Image.pixel(4, 8), kRed));
}

TEST(MpoWithoutIndex, AnMpoNameIsSearchedBehindTheFirstPicturesEnd)
{
    TMpoDir d;
    // Padding between the pictures, as some cameras write it.
    const QByteArray file = WithThumbnail(SolidJpeg(32, 24, kRed)) + QByteArray(7, '\0') + SolidJpeg(32, 24, kBlue);
    const TMpoLayout scanned = LayoutOf(file, true);
    EXPECT_EQ(scanned.Count, 2);
    EXPECT_FALSE(scanned.FromIndex);
    EXPECT_EQ(scanned.SecondOffset, file.size() - SolidJpeg(32, 24, kBlue).size());
    EXPECT_EQ(scanned.FirstSize, QSize(32, 24)); // the thumbnail's frame is inside its segment

    TPair pair;
    pair.Load(d.Write("ohne_index.mpo", file));
    EXPECT_TRUE(Near(pair.left.Image.pixel(16, 12), kRed));
    EXPECT_TRUE(Near(pair.right.Image.pixel(16, 12), kBlue));

    // Any other name: a JPEG with something behind its end stays one picture
    // (phones put depth maps there).
    const QString plain = d.Write("tiefenkarte.jpg", file);
    EXPECT_FALSE(IsMpoFile(plain));
    TPair same;
    same.Load(plain);
    EXPECT_TRUE(Near(same.right.Image.pixel(16, 12), kRed));
}

TEST(MpoWithoutIndex, AnMpoNameHoldingOnePictureIsOnePicture)
{
    TMpoDir d;
    const QString file = d.Write("einzeln.mpo", SolidJpeg(16, 16, kGreen));
    EXPECT_FALSE(IsMpoFile(file));
    TPair pair;
    pair.Load(file);
    EXPECT_TRUE(Near(pair.right.Image.pixel(8, 8), kGreen));
}

TEST(MpoDamage, AnIndexPointingPastTheEndIsAClearError)
{
    TMpoDir d;
    const QByteArray first = SolidJpeg(16, 16, kRed), second = SolidJpeg(16, 16, kBlue);
    const TMpoParts past = MakeMpo(first, second, false, 1'000'000);
    const QString file = d.Write("weit.mpo", past.File);
    const QString error = LoadError(file);
    EXPECT_TRUE(error.contains(file)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("hinter dem Dateiende"))) << error.toStdString();
    EXPECT_TRUE(IsMpoFile(file)); // opened as a pair, so the error is seen

    // Cut before the second picture begins: the same error.
    const TMpoParts whole = MakeMpo(first, second);
    const QString cut = d.Write("kurz.mpo", whole.File.left(whole.SecondAt + 1));
    EXPECT_TRUE(LoadError(cut).contains(QStringLiteral("hinter dem Dateiende"))) << LoadError(cut).toStdString();
}

TEST(MpoDamage, ACutInsideTheSecondPictureLoadsItAsDamaged)
{
    TMpoDir d;
    const TMpoParts mpo = MakeMpo(SolidJpeg(64, 64, kRed), SolidJpeg(64, 64, kBlue));
    // Cut inside its coded data, ten bytes before its end.
    const QString file = d.Write("abgeschnitten.mpo", mpo.File.left(mpo.File.size() - 10));
    TPair pair;
    pair.Load(file);
    EXPECT_EQ(pair.right.Image.size(), QSize(64, 64));
    ASSERT_EQ(pair.damage.size(), 1);
    EXPECT_TRUE(pair.damage[0].contains(file));
    EXPECT_TRUE(pair.damage[0].contains(QStringLiteral("zweite Bild")));
}

TEST(MpoDamage, EveryBrokenPartOfTheIndexIsNamed)
{
    const QByteArray first = SolidJpeg(16, 16, kRed), second = SolidJpeg(16, 16, kBlue);
    const TMpoParts good = MakeMpo(first, second);
    // Offsets into the index, from its byte-order mark (see MakeMpo).
    const qint64 b = good.Base;
    struct TCase {
        const char* what;
        qint64 at;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"byte order", b, QByteArray("XX", 2), "Byte-Reihenfolge"},
        {"directory offset", b + 4, QByteArray("\xF0\xFF\x00\x00", 4), "Verzeichnis liegt"},
        {"entry count", b + 8, QByteArray("\xFF\x7F", 2), "Verzeichnis reicht"},
        {"number of images missing", b + 10 + 12, QByteArray("\x00\x00", 2), "Zahl der Bilder"},
        {"entry list missing", b + 10 + 24, QByteArray("\x00\x00", 2), "Liste der Bilder fehlt"},
        {"entry list too short", b + 10 + 24 + 4, QByteArray("\x10\x00\x00\x00", 4), "weniger als zwei"},
        {"entry list outside", b + 10 + 24 + 8, QByteArray("\xF0\xFF\x00\x00", 4), "außerhalb des Index"},
        {"second at the first", b + 50 + 16 + 8, QByteArray("\x00\x00\x00\x00", 4), "keinen Ort"},
        {"second not a picture", b + 50 + 16 + 8, QByteArray("\x01\x00\x00\x00", 4), "kein JPEG-Bild"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray file = good.File;
        file.replace(c.at, c.bytes.size(), c.bytes);
        bool ok = true;
        QString error;
        LayoutOf(file, true, &ok, &error);
        EXPECT_FALSE(ok);
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.says))) << error.toStdString();
    }
    // An index segment that runs past the end of the file.
    bool ok = true;
    QString error;
    LayoutOf(good.File.left(good.Base + 20), true, &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error.contains(QStringLiteral("abgeschnitten"))) << error.toStdString();
}

TEST(MpoFiles, OneFileStandsForAPair)
{
    TMpoDir d;
    const QString mpo = d.Write("Haus.mpo", MakeMpo(SolidJpeg(8, 8, kRed), SolidJpeg(8, 8, kBlue)).File);
    const QString jps = d.Write("Haus.JPS", SolidJpeg(16, 8, kRed));
    const QString jpg = d.Write("Haus.jpg", SolidJpeg(8, 8, kRed));
    QString left, right = QStringLiteral("old");
    int layout = -1;
    ASSERT_TRUE(SingleFileStereoInput(mpo, &left, &right, &layout));
    EXPECT_EQ(left, mpo);
    EXPECT_EQ(right, mpo);
    EXPECT_EQ(layout, 0);
    ASSERT_TRUE(SingleFileStereoInput(jps, &left, &right, &layout));
    EXPECT_EQ(left, jps);
    EXPECT_EQ(right, QString());
    EXPECT_EQ(layout, 2);
    EXPECT_FALSE(SingleFileStereoInput(jpg, &left, &right, &layout));
    EXPECT_FALSE(SingleFileStereoInput(d.dir.filePath("fehlt.mpo"), &left, &right, &layout));
}

// The built files go through the fuzz entry, with every cut and with damage
// spread over the index, so the reader's invariants hold on all of them.
TEST(MpoFuzzEntry, BuiltFilesTheirCutsAndDamagedIndexesKeepTheInvariants)
{
    const QByteArray first = SolidJpeg(8, 8, kRed), second = SolidJpeg(8, 8, kBlue);
    std::vector<QByteArray> seeds = {MakeMpo(first, second).File, MakeMpo(first, second, true).File,
                                     WithThumbnail(first) + second, MakeMpo(first, second, false, 1 << 20).File};
    const QString seedFolder = QString::fromLocal8Bit(qgetenv("PLENOPTRA_WRITE_MPO_SEEDS"));
    if (!seedFolder.isEmpty()) {
        // Writes the seeds for the fuzzing corpus.
        const char* names[] = {"intel.mpo", "motorola.mpo", "no-index.mpo", "past-the-end.mpo"};
        QDir().mkpath(seedFolder);
        for (size_t i = 0; i < seeds.size(); ++i) {
            QFile out(QDir(seedFolder).filePath(QLatin1String(names[i])));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(seeds[i]);
        }
    }
    auto check = [](const QByteArray& data) {
        const QString problem = FuzzMpoReader(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    };
    const TMpoParts mpo = MakeMpo(first, second);
    for (const QByteArray& seed : seeds)
        check(seed);
    for (qint64 cut = 0; cut <= mpo.File.size(); cut += 7)
        check(mpo.File.left(cut));
    for (qint64 at = mpo.IndexAt; at < mpo.Base + 82; ++at) {
        for (const char value : {'\x00', '\x7F', '\xFF'}) {
            QByteArray damaged = mpo.File;
            damaged[at] = value;
            check(damaged);
        }
    }
}
