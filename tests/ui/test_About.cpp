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
const QByteArray kGood(reinterpret_cast<const char*>(kGermanBlock.data()), qsizetype(kGermanBlock.size()));
const QByteArray kMagic = kGood.left(16);
const QByteArray kGermanTranslation = QByteArray("\x07\x04\xE4\x04", 4);

// Little-endian integer of n bytes.
QByteArray Le(quint32 v, int n = 4)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(v >> (8 * i)));
    return b;
}

QByteArray Entry(const QByteArray& path, const QByteArray& value)
{
    return Le(path.size(), 2) + path + Le(value.size(), 2) + value;
}

// Written out by hand rather than through MakeVersionBlock, so that the reader
// is checked against the layout and not against the builder.
QByteArray HandMadeBlock(const QByteArray& payload)
{
    quint32 hash = 2166136261u;
    for (char c : payload) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    return QByteArray("\xB7PlenVerInfo\r\n\x1A\0", 16) + Le(quint32(payload.size())) + Le(hash) + payload;
}

QByteArray Junk(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QString Write(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("prog"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

TVersionInfoFile Read(const QByteArray& bytes)
{
    const QTemporaryDir dir;
    return TVersionInfoFile(Write(dir, bytes));
}

} // namespace

TEST(VersionParts, SplitAtTheSecondDotWithoutTheTerminatingNul)
{
    const struct { QString value; const char* first; const char* second; } rows[] = {
        {QStringLiteral("1.2.0.0"), "1.2", "0.0"},
        {QStringLiteral("10.25.3"), "10.25", "3"},
        {QStringLiteral("1.2"), "1.2", ""},
        {QStringLiteral("7"), "7", ""},
        {QString(), "", ""},
        {QStringLiteral("1.2.0.0") + QChar(0), "1.2", "0.0"},
        {QStringLiteral("3.1") + QChar(0), "3.1", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        const auto parts = TVersionInfoFile::SplitVersion(row.value);
        EXPECT_EQ(parts.First, QString::fromLatin1(row.first));
        EXPECT_EQ(parts.Second, QString::fromLatin1(row.second));
    }
    EXPECT_EQ(TVersionInfoFile::VersionLine(QStringLiteral("1.2.0.0")), QStringLiteral("Version: 1.2 0.0"));
    EXPECT_EQ(TVersionInfoFile::VersionLine(QString()), QStringLiteral("Version:  "));
}

TEST(VersionInfoFile, FindsTheBlockAndReadsValuesOfTheFirstTranslation)
{
    const QByteArray german = Entry("\\VarFileInfo\\Translation", kGermanTranslation)
        + Entry("\\StringFileInfo\\040704E4\\FileVersion", QByteArray("1.2.0.0", 8));
    const QByteArray inJunk = Junk(5000, 1) + HandMadeBlock(german) + Junk(300, 2);
    const QByteArray twoLanguages =
        HandMadeBlock(Entry("\\VarFileInfo\\Translation", QByteArray("\x09\x04\xB0\x04", 4) + kGermanTranslation)
                      + Entry("\\StringFileInfo\\040704E4\\ProductName", QByteArray("Deutsch", 8))
                      + Entry("\\StringFileInfo\\040904B0\\ProductName", QByteArray("English", 8)));
    const QByteArray acrossChunks = Junk((1 << 20) - 7, 3) + kGood + Junk(64, 4); // magic straddles 1 MiB
    const struct { const char* what; QByteArray bytes; const char* key; const char* value; } rows[] = {
        {"hand-made in other bytes", inJunk, "FileVersion", "1.2.0.0"},
        {"hand-made in other bytes", inJunk, "ProductName", ""},
        {"two languages", twoLanguages, "ProductName", "English"},
        {"two languages", twoLanguages, "productname", "English"},
        {"no translation", HandMadeBlock(Entry("\\StringFileInfo\\040704E4\\FileVersion", "1.0.0.0")), "FileVersion", ""},
        {"across a chunk border", acrossChunks, "FileVersion", "1.2.0.0"},
        {"across a chunk border", acrossChunks, "ProductName", "Plenoptra"},
        {"behind a false header", kMagic + Le(12) + Le(1) + Junk(40, 7) + kGood, "FileVersion", "1.2.0.0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const TVersionInfoFile info = Read(row.bytes);
        EXPECT_TRUE(info.HasData());
        EXPECT_EQ(info.GetValue(QString::fromLatin1(row.key)), QString::fromLatin1(row.value));
    }
    const TVersionInfoFile info = Read(inJunk);
    EXPECT_EQ(info.Size(), german.size());
    EXPECT_EQ(info.QueryValue(QStringLiteral("\\StringFileInfo\\040704E4\\FileVersion")).size(), 8);
}

TEST(VersionInfoFile, FilesWithoutAnIntactBlockGiveNoData)
{
    QByteArray overrun = Entry("\\VarFileInfo\\Translation", kGermanTranslation);
    overrun[overrun.size() - 6] = char(200); // entries run past the payload, checksum fits
    QByteArray flipped = kGood;
    flipped[flipped.size() - 2] = char(flipped[flipped.size() - 2] ^ 0x20); // checksum no longer fits
    const struct { const char* what; QByteArray bytes; } rows[] = {
        {"plain text", QByteArray("nur Text, keine Versionsdaten\n")},
        {"empty", QByteArray()},
        {"random", Junk(3 << 20, 42)},
        {"4 GiB claimed", kMagic + Le(0xFFFFFFFF) + Le(0) + Junk(100, 5)}, // never allocated
        {"cut off", kGood.left(kGood.size() - 3)},
        {"one byte changed", flipped},
        {"entries overrun", HandMadeBlock(overrun)},
        {"magic at the end", Junk(100, 6) + kMagic},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const TVersionInfoFile info = Read(row.bytes);
        EXPECT_FALSE(info.HasData());
        EXPECT_EQ(info.Size(), 0);
        EXPECT_TRUE(info.GetValue(QStringLiteral("FileVersion")).isEmpty());
    }
    const QTemporaryDir dir;
    for (const QString& path : {dir.filePath(QStringLiteral("gibt-es-nicht")), dir.path(), QStringLiteral("/dev/zero")})
        EXPECT_FALSE(TVersionInfoFile(path).HasData()) << path.toStdString();
}

TEST(AboutBox, ShowsTheVersionOfTheGivenFileACentredBoldThanksHeadingLinesThatFitAndAClickCloses)
{
    const QTemporaryDir dir;
    TAboutBox box(nullptr, Write(dir, Junk(1000, 8) + kGood));
    EXPECT_EQ(box.LabelVersion()->text(), QStringLiteral("Version: 1.2 0.0"));
    EXPECT_EQ(box.Comments()->text(), QStringLiteral("Plenoptra"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Info"));
    EXPECT_EQ(box.size(), QSize(322, 277));
    EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(box.ProgramIcon()->geometry(), QRect(23, 32, 32, 32));
    const auto& tokens = box.LabelFormatDanke()->Tokens();
    ASSERT_GE(tokens.size(), 3);
    EXPECT_EQ(tokens[0].Align, ltCentre);
    EXPECT_EQ(tokens[1].Kind, ltBold);
    EXPECT_EQ(tokens[1].Text, QStringLiteral("Für die Übersetzungen bedanke ich mich bei: "));
    for (const TLabelFormat* label : {box.Label2(), box.LabelFormatDanke()})
        for (const TLabelPiece& piece : label->Pieces())
            EXPECT_GE(piece.TopLeft.x(), 0) << piece.Text.toStdString();
    box.show();
    ASSERT_TRUE(box.isVisible());
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box.Credits(), &press);
    EXPECT_FALSE(box.isVisible());
    // Without a version block: the word, a colon and two blanks.
    const TAboutBox plain(nullptr, Write(dir, QByteArray("kein Block")));
    EXPECT_EQ(plain.LabelVersion()->text(), QStringLiteral("Version:  "));
}
