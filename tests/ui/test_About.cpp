#include "ui/About.h"

#include "ui/C_LabelFormat.h"
#include "ui/VersionBlock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

constexpr std::array<TVersionEntry, 3> kGermanEntries = {{
    {"\\VarFileInfo\\Translation", std::string_view("\x07\x04\xE4\x04", 4), false},
    {"\\StringFileInfo\\040704E4\\FileVersion", "1.2.0.0", true},
    {"\\StringFileInfo\\040704E4\\ProductName", "Plenoptra", true},
}};
constexpr auto kGermanBlock = MakeVersionBlock<VersionBlockSize(kGermanEntries)>(kGermanEntries);

QByteArray Bytes(const auto& block)
{
    return QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size()));
}

QByteArray Le32(quint32 v)
{
    QByteArray b;
    for (int i = 0; i < 4; ++i)
        b.append(char(v >> (8 * i)));
    return b;
}

QByteArray Entry(const QByteArray& path, const QByteArray& value)
{
    QByteArray e;
    e.append(char(path.size())).append(char(path.size() >> 8)).append(path);
    e.append(char(value.size())).append(char(value.size() >> 8)).append(value);
    return e;
}

// Written out by hand rather than through MakeVersionBlock, so that the reader
// is checked against the layout and not against the builder.
QByteArray HandMadeBlock(const QByteArray& payload, quint32 checksumOverride = 0)
{
    quint32 hash = 2166136261u;
    for (char c : payload) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    QByteArray block("\xB7PlenVerInfo\r\n\x1A", 15);
    block.append('\0');
    block += Le32(quint32(payload.size()));
    block += Le32(checksumOverride ? checksumOverride : hash);
    return block + payload;
}

QByteArray Junk(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

struct TempFiles {
    QTemporaryDir dir;
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
};

} // namespace

TEST(VersionParts, SplitAtTheSecondDot)
{
    const auto p = TVersionInfoFile::SplitVersion(QStringLiteral("1.2.0.0"));
    EXPECT_EQ(p.First, QStringLiteral("1.2"));
    EXPECT_EQ(p.Second, QStringLiteral("0.0"));
    const auto three = TVersionInfoFile::SplitVersion(QStringLiteral("10.25.3"));
    EXPECT_EQ(three.First, QStringLiteral("10.25"));
    EXPECT_EQ(three.Second, QStringLiteral("3"));
}

TEST(VersionParts, FewerThanTwoDotsGiveWholeTextFirst)
{
    for (const char* v : {"1.2", "7", ""}) {
        const auto p = TVersionInfoFile::SplitVersion(QString::fromLatin1(v));
        EXPECT_EQ(p.First, QString::fromLatin1(v));
        EXPECT_TRUE(p.Second.isEmpty());
    }
}

TEST(VersionParts, TerminatingNulBelongsToNeitherPart)
{
    QString value = QStringLiteral("1.2.0.0");
    value.append(QChar(0));
    const auto p = TVersionInfoFile::SplitVersion(value);
    EXPECT_EQ(p.First, QStringLiteral("1.2"));
    EXPECT_EQ(p.Second, QStringLiteral("0.0"));
    QString shortValue = QStringLiteral("3.1");
    shortValue.append(QChar(0));
    EXPECT_EQ(TVersionInfoFile::SplitVersion(shortValue).First, QStringLiteral("3.1"));
}

TEST(VersionParts, VersionLine)
{
    EXPECT_EQ(TVersionInfoFile::VersionLine(QStringLiteral("1.2.0.0")), QStringLiteral("Version: 1.2 0.0"));
    EXPECT_EQ(TVersionInfoFile::VersionLine(QString()), QStringLiteral("Version:  "));
}

TEST(VersionInfoFile, ReadsHandMadeBlockInsideOtherBytes)
{
    TempFiles files;
    QByteArray payload = Entry("\\VarFileInfo\\Translation", QByteArray("\x07\x04\xE4\x04", 4));
    payload += Entry("\\StringFileInfo\\040704E4\\FileVersion", QByteArray("1.2.0.0", 8));
    const QString path = files.Write("prog", Junk(5000, 1) + HandMadeBlock(payload) + Junk(300, 2));
    const TVersionInfoFile info(path);
    ASSERT_TRUE(info.HasData());
    EXPECT_EQ(info.Size(), payload.size());
    EXPECT_EQ(info.GetValue(QStringLiteral("FileVersion")), QStringLiteral("1.2.0.0"));
    EXPECT_EQ(info.QueryValue(QStringLiteral("\\StringFileInfo\\040704E4\\FileVersion")).size(), 8);
    EXPECT_TRUE(info.GetValue(QStringLiteral("ProductName")).isEmpty());
}

TEST(VersionInfoFile, FollowsTheFirstTranslation)
{
    TempFiles files;
    QByteArray payload = Entry("\\VarFileInfo\\Translation", QByteArray("\x09\x04\xB0\x04\x07\x04\xE4\x04", 8));
    payload += Entry("\\StringFileInfo\\040704E4\\ProductName", QByteArray("Deutsch", 8));
    payload += Entry("\\StringFileInfo\\040904B0\\ProductName", QByteArray("English", 8));
    const TVersionInfoFile info(files.Write("prog", HandMadeBlock(payload)));
    EXPECT_EQ(info.GetValue(QStringLiteral("ProductName")), QStringLiteral("English"));
    EXPECT_EQ(info.GetValue(QStringLiteral("productname")), QStringLiteral("English"));
}

TEST(VersionInfoFile, WithoutTranslationTableValuesAreEmpty)
{
    TempFiles files;
    const QByteArray payload = Entry("\\StringFileInfo\\040704E4\\FileVersion", QByteArray("1.0.0.0", 8));
    const TVersionInfoFile info(files.Write("prog", HandMadeBlock(payload)));
    EXPECT_TRUE(info.HasData());
    EXPECT_TRUE(info.GetValue(QStringLiteral("FileVersion")).isEmpty());
}

TEST(VersionInfoFile, BuiltBlockFoundAcrossAChunkBorder)
{
    TempFiles files;
    // The magic straddles the first megabyte.
    const QString path = files.Write("prog", Junk((1 << 20) - 7, 3) + Bytes(kGermanBlock) + Junk(64, 4));
    const TVersionInfoFile info(path);
    EXPECT_EQ(info.GetValue(QStringLiteral("FileVersion")), QStringLiteral("1.2.0.0"));
    EXPECT_EQ(info.GetValue(QStringLiteral("ProductName")), QStringLiteral("Plenoptra"));
}

TEST(VersionInfoFile, FileWithoutVersionDataGivesEmptyValues)
{
    TempFiles files;
    const TVersionInfoFile info(files.Write("plain.txt", QByteArray("nur Text, keine Versionsdaten\n")));
    EXPECT_FALSE(info.HasData());
    EXPECT_EQ(info.Size(), 0);
    EXPECT_TRUE(info.GetValue(QStringLiteral("FileVersion")).isEmpty());

    const TVersionInfoFile empty(files.Write("empty", QByteArray()));
    EXPECT_FALSE(empty.HasData());
}

TEST(VersionInfoFile, MissingFileDirectoryAndDeviceGiveNoData)
{
    TempFiles files;
    EXPECT_FALSE(TVersionInfoFile(files.dir.filePath("gibt-es-nicht")).HasData());
    EXPECT_FALSE(TVersionInfoFile(files.dir.path()).HasData());
    EXPECT_FALSE(TVersionInfoFile(QStringLiteral("/dev/zero")).HasData());
}

TEST(VersionInfoFile, RandomBytesGiveNoData)
{
    TempFiles files;
    const TVersionInfoFile info(files.Write("random", Junk(3 << 20, 42)));
    EXPECT_FALSE(info.HasData());
    EXPECT_TRUE(info.GetValue(QStringLiteral("FileVersion")).isEmpty());
}

TEST(VersionInfoFile, DamagedBlocksAreRejected)
{
    TempFiles files;
    const QByteArray good = Bytes(kGermanBlock);
    const QByteArray magic = good.left(16);

    // A header claiming 4 GiB: never allocated, never read.
    EXPECT_FALSE(TVersionInfoFile(files.Write("huge", magic + Le32(0xFFFFFFFF) + Le32(0) + Junk(100, 5))).HasData());
    // Cut off in the middle of the payload.
    EXPECT_FALSE(TVersionInfoFile(files.Write("cut", good.left(good.size() - 3))).HasData());
    // One payload byte changed: the checksum no longer fits.
    QByteArray flipped = good;
    flipped[flipped.size() - 2] = char(flipped[flipped.size() - 2] ^ 0x20);
    EXPECT_FALSE(TVersionInfoFile(files.Write("flipped", flipped)).HasData());
    // Entries running past the payload, with a matching checksum.
    QByteArray overrun = Entry("\\VarFileInfo\\Translation", QByteArray("\x07\x04\xE4\x04", 4));
    overrun[overrun.size() - 6] = char(200);
    EXPECT_FALSE(TVersionInfoFile(files.Write("overrun", HandMadeBlock(overrun))).HasData());
    // Only the magic at the very end of the file.
    EXPECT_FALSE(TVersionInfoFile(files.Write("tail", Junk(100, 6) + magic)).HasData());
}

TEST(VersionInfoFile, FalseHeaderBeforeRealBlockIsSkipped)
{
    TempFiles files;
    const QByteArray good = Bytes(kGermanBlock);
    const QString path = files.Write("prog", good.left(16) + Le32(12) + Le32(1) + Junk(40, 7) + good);
    EXPECT_EQ(TVersionInfoFile(path).GetValue(QStringLiteral("FileVersion")), QStringLiteral("1.2.0.0"));
}

TEST(AboutBox, ShowsVersionFromTheGivenFile)
{
    TempFiles files;
    const TAboutBox box(nullptr, files.Write("prog", Junk(1000, 8) + Bytes(kGermanBlock)));
    EXPECT_EQ(box.LabelVersion()->text(), QStringLiteral("Version: 1.2 0.0"));
    EXPECT_EQ(box.Comments()->text(), QStringLiteral("Plenoptra"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Info"));
    EXPECT_EQ(box.size(), QSize(322, 277));
    EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(box.ProgramIcon()->geometry(), QRect(23, 32, 32, 32));
}

TEST(AboutBox, FileWithoutVersionShowsWordColonAndTwoBlanks)
{
    TempFiles files;
    const TAboutBox box(nullptr, files.Write("plain", QByteArray("kein Block")));
    EXPECT_EQ(box.LabelVersion()->text(), QStringLiteral("Version:  "));
}

TEST(AboutBox, ThanksHeadingIsCentredAndBold)
{
    TempFiles files;
    const TAboutBox box(nullptr, files.Write("plain", QByteArray()));
    const auto& tokens = box.LabelFormatDanke()->Tokens();
    ASSERT_GE(tokens.size(), 3);
    EXPECT_EQ(tokens[0].Align, ltCentre);
    EXPECT_EQ(tokens[1].Kind, ltBold);
    EXPECT_EQ(tokens[1].Text, QStringLiteral("Für die Übersetzungen bedanke ich mich bei: "));
    // Every line fits the box.
    for (const TLabelFormat* label : {box.Label2(), box.LabelFormatDanke()})
        for (const TLabelPiece& piece : label->Pieces())
            EXPECT_GE(piece.TopLeft.x(), 0) << piece.Text.toStdString();
}

TEST(AboutBox, ClickOnALabelCloses)
{
    TempFiles files;
    TAboutBox box(nullptr, files.Write("plain", QByteArray()));
    box.show();
    ASSERT_TRUE(box.isVisible());
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box.Credits(), &press);
    EXPECT_FALSE(box.isVisible());
}
