#include "HistoryTestSupport.h"

#include "history/History.h"
#include "history/HistoryFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kEntryError = QStringLiteral("Es werden Vorgabewerte verwendet!<FN><LF>");

// A history whose steps differ in every stored field.
void FillHistory(THistoryListe& h, int steps)
{
    THistoryDataR01& r1 = h.Current().R01();
    THistoryDataR02& r2 = h.Current().R02();
    for (int i = 0; i < steps; ++i) {
        r1.LeftFileName = QStringLiteral(u"/bilder/links-%1-ä.jpg").arg(i);
        r1.RightFileName = QStringLiteral("/bilder/rechts-%1.jpg").arg(i);
        r1.CheckedActions = 0x80000001u + quint32(i);
        r1.EditMode = i % 17;
        r1.Zoom = 0.25 * (i + 1);
        r1.ViewCenterX = 100 + i;
        r1.ViewCenterY = 200 - i;
        r1.GeometryStream.SetData(QByteArray(i, char(i)));
        r1.SelectionStream.SetData(QByteArray::number(i));
        r2.OutlineStateStream.SetData(QByteArray(3 * i, 'o'));
        r2.SettingsStream.SetData(QByteArray("set") + char(i));
        r2.InputLayout = quint8(i % 8);
        h.Add(QStringLiteral("Step%1").arg(i));
    }
}

// Each entry's stored form covers every saved field; the hand-made layout
// test pins which bytes belong to which field.
void ExpectSameEntries(THistoryListe& a, THistoryListe& b)
{
    ASSERT_EQ(a.Count(), b.Count());
    for (int i = 0; i < a.Count(); ++i) {
        TMemoryStream x, y;
        a.Items(i)->WriteToStream(x);
        b.Items(i)->WriteToStream(y);
        EXPECT_EQ(x.Data(), y.Data()) << i;
        EXPECT_EQ(a.Items(i)->R01().ViewCenterY, b.Items(i)->R01().ViewCenterY) << i;
        EXPECT_EQ(a.Items(i)->R02().InputLayout, b.Items(i)->R02().InputLayout) << i;
    }
}

// Header bytes as this program writes them, for hand-built files.
QByteArray HeaderBytes(qint32 count, qint32 itemIndex, qint32 version = 2, qint32 format = 1000,
                       const QString& maker = kHistoryMakerLine)
{
    THistoryFileHeader header;
    header.Count = count;
    header.ItemIndex = itemIndex;
    header.FileVersion = version;
    header.FormatNumber = format;
    header.MakerLine = maker;
    TMemoryStream s;
    header.WriteToStream(s);
    return s.Data();
}

class HistoryFileTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QTemporaryDir FDir;
};

} // namespace

TEST_F(HistoryFileTest, EmptyHistoryIsHeaderRulerAndEndMarker)
{
    THistoryListe h;
    h.SaveToFile(Path("leer.Plenoptrum"), false);
    const QByteArray ruler = QByteArray("#########.").repeated(25) + "#####\r\n";
    ASSERT_EQ(ruler.size(), 257);
    const QByteArray expected =
        StrBytes(HistoryProgramName().toLatin1()) + StrBytes("Erstellt mit Plenoptra ") +
        StrBytes("Plenoptra \x96 Stereofenster-Editor") + StrBytes("Programmhistory:") + StrBytes("Dateiversion:") +
        QByteArray::fromHex("e803000002000000") + StrBytes("Count:") + Int32Bytes(0) + Int32Bytes(0) +
        StrBytes(ruler) + StrBytes("###-EOF-###");
    EXPECT_EQ(FileBytes(Path("leer.Plenoptrum")).toHex(), expected.toHex());
    EXPECT_EQ(h.FileName, Path("leer.Plenoptrum"));
}

TEST_F(HistoryFileTest, WrittenAndReadBackEqualsFieldByFieldAndByteByByte)
{
    THistoryListe h;
    FillHistory(h, 6);
    h.SetItemIndex(4);
    h.SaveToFile(Path("a.Plenoptrum"), false);

    THistoryListe read;
    FillHistory(read, 2);
    read.LoadFromFile(Path("a.Plenoptrum"), false);
    ExpectSameEntries(h, read);
    EXPECT_EQ(read.ItemIndex(), 4);
    read.SaveToFile(Path("b.Plenoptrum"), false);
    EXPECT_EQ(FileBytes(Path("a.Plenoptrum")), FileBytes(Path("b.Plenoptrum")));
}

TEST_F(HistoryFileTest, ProgramDataFileWrittenTwiceIsIdentical)
{
    THistoryListe h;
    FillHistory(h, 3);
    h.Settings().LastFileName = QStringLiteral("/x/y.jpg");
    h.SaveToFile(Path("p.DAT"), true);
    const QByteArray first = FileBytes(Path("p.DAT"));
    h.SaveToFile(Path("p.DAT"), true);
    EXPECT_EQ(FileBytes(Path("p.DAT")), first);
    EXPECT_TRUE(first.endsWith(StrBytes("-EODesktop-") + StrBytes("###-EOF-###")));
}

TEST_F(HistoryFileTest, SettingsTrailerBringsBackOnlyWorkspaceGroups)
{
    THistoryListe h;
    h.Settings().GridVertCount = 42;
    h.Settings().DecorDistance = 99;
    h.SaveToFile(Path("p.DAT"), true);
    THistoryListe read;
    read.LoadFromFile(Path("p.DAT"), true);
    EXPECT_EQ(read.Settings().GridVertCount, 42);
    EXPECT_EQ(read.Settings().DecorDistance, 20);
}

TEST_F(HistoryFileTest, CorruptSettingsTrailerLeavesDefaultsAndTheHistory)
{
    TMessageRecorder messages;
    THistoryListe h;
    FillHistory(h, 2);
    h.SaveToFile(Path("p.DAT"), true);
    QByteArray bytes = FileBytes(Path("p.DAT"));
    bytes.replace("-EODesktop-", "-EODesktoX-");
    PutFileBytes(Path("p.DAT"), bytes);

    THistoryListe read;
    read.Settings().GridVertCount = 77;
    read.Settings().DecorDistance = 66;
    read.LoadFromFile(Path("p.DAT"), true);
    EXPECT_EQ(read.Count(), 2);
    EXPECT_EQ(read.Settings().GridVertCount, 10);
    EXPECT_EQ(read.Settings().DecorDistance, 20);
    EXPECT_TRUE(messages.Texts.isEmpty());
}

TEST_F(HistoryFileTest, MissingFileChangesNothing)
{
    TMessageRecorder messages;
    THistoryListe h;
    FillHistory(h, 2);
    h.FileName = QStringLiteral("vorher");
    h.LoadFromFile(Path("gibtsnicht.Plenoptrum"), true);
    EXPECT_EQ(h.Count(), 2);
    EXPECT_EQ(h.FileName, QStringLiteral("vorher"));
    EXPECT_TRUE(messages.Texts.isEmpty());
}

TEST_F(HistoryFileTest, StoredIndexSevenWithFourReadableEntriesEndsAtThree)
{
    TMessageRecorder messages;
    THistoryListe h;
    FillHistory(h, 8);
    h.SaveToFile(Path("a.Plenoptrum"), false);
    QByteArray bytes = FileBytes(Path("a.Plenoptrum"));
    qsizetype at = -1;
    for (int i = 0; i < 5; ++i)
        at = bytes.indexOf("###-EOD-###", at + 1);
    bytes[at + 3] = '?';
    PutFileBytes(Path("a.Plenoptrum"), bytes);

    THistoryListe read;
    try {
        read.LoadFromFile(Path("a.Plenoptrum"), false);
        FAIL() << "the partial read was not reported";
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("End of Data THistoryListe not found!"));
    }
    EXPECT_EQ(read.Count(), 4);
    EXPECT_EQ(read.ItemIndex(), 3);
    ASSERT_EQ(messages.Texts.size(), 1);
    EXPECT_EQ(messages.Texts[0], FormatResString(kResEntryReadError, Path("a.Plenoptrum")));
    EXPECT_TRUE(messages.Texts[0].endsWith(kEntryError));
    EXPECT_EQ(messages.Kinds[0], dkFehler);
    EXPECT_EQ(messages.Buttons[0], unsigned(dbOK));
}

TEST_F(HistoryFileTest, VersionOneFileGivesRevisionTwoDefaultsAndKeepsSettings)
{
    THistoryEintrag entry(QStringLiteral("Alt"));
    entry.R01().EditMode = 5;
    TMemoryStream body;
    WriteString(body, entry.Name);
    entry.R01().WriteToStream(body);
    WriteRawString(body, "###-EOD-###\r\n");
    WriteRawString(body, "###-EOF-###");
    PutFileBytes(Path("v1.DAT"), HeaderBytes(1, 0, 1) + body.Data() + "Rest ohne Bedeutung");

    THistoryListe read;
    read.Settings().GridVertCount = 33;
    read.LoadFromFile(Path("v1.DAT"), true);
    ASSERT_EQ(read.Count(), 1);
    EXPECT_EQ(read.Items(0)->R01().EditMode, 5);
    EXPECT_EQ(read.Items(0)->R02().InputLayout, 0);
    EXPECT_EQ(read.Items(0)->R02().OutlineStateStream.Size(), 0);
    EXPECT_EQ(read.Settings().GridVertCount, 33);
}

TEST_F(HistoryFileTest, RefusedHeadersShowUnknownVersionAndKeepEntries)
{
    const QByteArray tail = StrBytes("###-EOF-###");
    const QList<QByteArray> files = {
        HeaderBytes(0, 0, 3) + tail,
        HeaderBytes(0, 0, 0) + tail,
        HeaderBytes(0, 0, 2, 1001) + tail,
        HeaderBytes(0, 0, 2, 1000, QStringLiteral("Erstellt mit Irgendwas ")) + tail,
        HeaderBytes(0, 0, 2, 1000, QStringLiteral(" Plenoptra steht vorn")) + tail,
        QByteArray(),
        QByteArray::fromHex("ffd8ffe000104a46494600010100000100010000") + QByteArray(500, 'x'),
    };
    for (int i = 0; i < files.size(); ++i) {
        TMessageRecorder messages;
        PutFileBytes(Path("r.Plenoptrum"), files[i]);
        THistoryListe h;
        FillHistory(h, 2);
        h.LoadFromFile(Path("r.Plenoptrum"), false);
        EXPECT_EQ(h.Count(), 2) << i;
        EXPECT_EQ(h.FileName, Path("r.Plenoptrum")) << i;
        ASSERT_EQ(messages.Texts.size(), 1) << i;
        EXPECT_EQ(messages.Texts[0], FormatResString(kResUnknownVersion, Path("r.Plenoptrum"))) << i;
        EXPECT_TRUE(messages.Texts[0].contains(QStringLiteral(u"enthält Daten einer unbekannte Programversion")));
    }
}

TEST_F(HistoryFileTest, HeaderCutShortShowsReadErrorAndKeepsEntries)
{
    TMessageRecorder messages;
    const QByteArray header = HeaderBytes(3, 2);
    PutFileBytes(Path("t.Plenoptrum"), header.left(header.size() - 100));
    THistoryListe h;
    FillHistory(h, 2);
    h.LoadFromFile(Path("t.Plenoptrum"), false);
    EXPECT_EQ(h.Count(), 2);
    ASSERT_EQ(messages.Texts.size(), 1);
    EXPECT_EQ(messages.Texts[0], FormatResString(kResHeaderReadError, Path("t.Plenoptrum")));
}

TEST_F(HistoryFileTest, HugeOrNegativeCountsStopAtTheFirstBadEntry)
{
    THistoryListe good;
    FillHistory(good, 1);
    TMemoryStream entry;
    good.Items(0)->WriteToStream(entry);
    const QByteArray hugeName = Int32Bytes(0x7FFFFFFF) + entry.Data().mid(4 + 5);
    const QByteArray negativeStream = QByteArray(entry.Data()).replace(Int32Bytes(4) + "set", Int32Bytes(-9) + "set");
    const QList<QByteArray> files = {
        HeaderBytes(0x7FFFFFFF, 5) + entry.Data() + StrBytes("###-EOF-###"),
        HeaderBytes(2, 1) + entry.Data() + hugeName + StrBytes("###-EOF-###"),
        HeaderBytes(2, 1) + entry.Data() + negativeStream + StrBytes("###-EOF-###"),
    };
    for (int i = 0; i < files.size(); ++i) {
        TMessageRecorder messages;
        PutFileBytes(Path("c.Plenoptrum"), files[i]);
        THistoryListe h;
        EXPECT_THROW(h.LoadFromFile(Path("c.Plenoptrum"), false), ERangeError) << i;
        EXPECT_EQ(h.Count(), 1) << i;
        EXPECT_EQ(h.ItemIndex(), 0) << i;
        EXPECT_EQ(messages.Texts.size(), 1) << i;
    }
}

TEST_F(HistoryFileTest, ZeroEntriesEmptyTheListAndKeepTheLargerIndex)
{
    PutFileBytes(Path("z.Plenoptrum"), HeaderBytes(0, 9) + StrBytes("###-EOF-###"));
    THistoryListe h;
    FillHistory(h, 3);
    h.LoadFromFile(Path("z.Plenoptrum"), false);
    EXPECT_EQ(h.Count(), 0);
    EXPECT_EQ(h.ItemIndex(), 2);
    EXPECT_EQ(h.CurrentEntry(), nullptr);
}

TEST_F(HistoryFileTest, FailedWriteLeavesTheOldFileIntactAndRaises)
{
    THistoryListe h;
    FillHistory(h, 3);
    h.SaveToFile(Path("p.DAT"), true);
    const QByteArray old = FileBytes(Path("p.DAT"));

    FillHistory(h, 4);
    {
        TWriteFaultScope fault([](const QString&, qint64 position, qint64) { return position > 700; });
        EXPECT_THROW(h.SaveToFile(Path("p.DAT"), true), EStreamError);
    }
    EXPECT_EQ(FileBytes(Path("p.DAT")), old);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files), QStringList{QStringLiteral("p.DAT")});
    h.SaveToFile(Path("p.DAT"), true);
    EXPECT_NE(FileBytes(Path("p.DAT")), old);
}

TEST_F(HistoryFileTest, FileCutAnywhereIsReportedAndKeepsTheCompleteEntries)
{
    THistoryListe h;
    FillHistory(h, 2);
    h.SaveToFile(Path("a.Plenoptrum"), false);
    const QByteArray whole = FileBytes(Path("a.Plenoptrum"));
    const qsizetype endOfEntries = whole.size() - 15;
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        TMessageRecorder messages;
        PutFileBytes(Path("cut.Plenoptrum"), whole.left(cut));
        THistoryListe read;
        bool raised = false;
        try {
            read.LoadFromFile(Path("cut.Plenoptrum"), false);
        } catch (const ERangeError&) {
            raised = true;
        }
        ASSERT_TRUE(raised || !messages.Texts.isEmpty()) << cut;
        ASSERT_LE(messages.Texts.size(), 1) << cut;
        if (cut >= endOfEntries) {
            // Only the history's end marker is missing: every entry is there.
            EXPECT_TRUE(raised && messages.Texts.isEmpty()) << cut;
            EXPECT_EQ(read.Count(), 2) << cut;
        }
    }
}

TEST(HistoryMessages, TextsAreStoredExactly)
{
    const QString head = QStringLiteral("<FB><FS12><c4>Fehler!<FN><LF>");
    EXPECT_EQ(FormatResString(kResUnknownVersion, QStringLiteral("X")),
              head + QStringLiteral(u"Die Datei:<c5> X <FN><LF>enthält Daten einer unbekannte Programversion und <LF>"
                                    u"können daher nicht gelesen werden.<LF><FB>Es werden Vorgabewerte verwendet!<FN><LF>"));
    EXPECT_EQ(kResHeaderReadError,
              head + QStringLiteral(u"Beim lesen der Datei:<c5> %s <FN><LF>ist ein Fehler Aufgetreten. <LF>Es konnten keine "
                                    u"oder nicht alle Daten gelesen werden.<LF><FB>Wiederherstellung erfolgt beim letzten "
                                    u"gültigen Eintrag!<FN><LF>"));
    EXPECT_EQ(kResEntryReadError, head + QStringLiteral("Beim lesen der Datei:<c5> %s <FN><LF>ist ein Fehler "
                                                        "Aufgetreten. <LF><FB>Es werden Vorgabewerte verwendet!<FN><LF>"));
}
