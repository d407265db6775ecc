#include "HistoryTestSupport.h"

#include "history/History.h"
#include "history/HistoryFile.h"
#include "history/UserMessage.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray kEof = StrBytes("###-EOF-###");
const QString kListEndError = QStringLiteral("End of Data THistoryListe not found!");

// Answers every message with OK and keeps it; restores the previous handler.
struct TMessageRecorder {
    TUserMessageHandler Previous = SetUserMessageHandler([this](const QString& text, int kind, unsigned buttons) {
        Texts << text;
        KindsAndButtons.emplace_back(kind, buttons);
        return int(mrOk);
    });
    ~TMessageRecorder() { SetUserMessageHandler(std::move(Previous)); }
    QStringList Texts;
    std::vector<std::pair<int, unsigned>> KindsAndButtons;
};

// Step i's value in every stored field, each away from its default and
// different from the other fields and steps.
void FillEntry(THistoryEintrag& e, int i)
{
    THistoryDataR01& r1 = e.R01();
    THistoryDataR02& r2 = e.R02();
    r1.LeftFileName = QStringLiteral(u"ä%1").arg(i);
    r1.RightFileName = QStringLiteral("R%1").arg(i);
    r1.CheckedActions = 0x80000000u + quint32(i);
    r1.EditMode = i + 2;
    r1.ViewCenterX = 10 * i;
    r1.ViewCenterY = -2 - i;
    r1.Zoom = 0.5 * i;
    r1.GeometryStream.SetData(QByteArray(i, 'g'));
    r1.SelectionStream.SetData(QByteArray::number(i));
    r2.OutlineStateStream.SetData(QByteArray(2 * i, 'o'));
    r2.ReservedStream1.SetData("r1");
    r2.ReservedStream2.SetData("r2");
    r2.SettingsStream.SetData(QByteArray("set") + char(i));
    r2.InputLayout = quint8((i + 6) % 8);
}

void FillHistory(THistoryListe& h, int steps)
{
    for (int i = 0; i < steps; ++i) {
        FillEntry(h.Current(), i);
        h.Add(QStringLiteral("Step%1").arg(i));
    }
}

QByteArray StoredBytes(THistoryEintrag& e)
{
    TMemoryStream s;
    e.WriteToStream(s);
    return s.Data();
}

// Header bytes as this program writes them, for hand-built files.
QByteArray HeaderBytes(qint32 count, qint32 itemIndex, qint32 version = 2, qint32 format = 1000,
                       const QString& maker = kHistoryMakerLine)
{
    THistoryFileHeader header;
    std::tie(header.Count, header.ItemIndex, header.FileVersion, header.FormatNumber, header.MakerLine) =
        std::tie(count, itemIndex, version, format, maker);
    TMemoryStream s;
    header.WriteToStream(s);
    return s.Data();
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class HistoryFileTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    // Loads bytes as the file F into h; returns the ERangeError raised, if any.
    QString Load(THistoryListe& h, const QByteArray& bytes, bool withSettings = false)
    {
        if (QFile f(F); f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
        return RangeErrorOf([&] { h.LoadFromFile(F, withSettings); });
    }
    QTemporaryDir FDir;
    const QString F = Path("f.Plenoptrum");
};

} // namespace

TEST(HistoryAdd, StoresACopyOfEveryFieldOfCurrentWithViewCentreBeforeZoomAndCallsOnAdd)
{
    THistoryListe h;
    int added = 0;
    h.OnAdd = [&](THistoryListe* sender) { added += sender == &h; };
    FillEntry(h.Current(), 1);
    THistoryEintrag* entry = h.Add(QStringLiteral("MoveXY"));
    ASSERT_EQ(entry, h.CurrentEntry());
    EXPECT_EQ(added, 1);
    EXPECT_EQ(entry->R02().Label, QStringLiteral("MoveXY THistoryDataR02.Create"));
    const QByteArray expected = StrBytes("MoveXY") + StrBytes("\xe4" "1") + StrBytes("R1") +
                                QByteArray::fromHex("01000080" "03000000" "0a000000" "fdffffff" "000000000000e03f") +
                                StrBytes("g") + StrBytes("1") + StrBytes("###-EOD R01-###\r\n") + StrBytes("oo") +
                                StrBytes("r1") + StrBytes("r2") + StrBytes("set\x01") + Int32Bytes(7) +
                                StrBytes("###-EOD R02-###\r\n") + StrBytes("###-EOD-###\r\n");
    EXPECT_EQ(StoredBytes(*entry).toHex(), expected.toHex());
}

TEST(HistoryAdd, DropsTheRedoStepsAndBeyond255StepsTheOldest)
{
    THistoryListe h;
    FillHistory(h, 5);
    h.SetItemIndex(3);
    h.SetItemIndex(2);
    h.Add(QStringLiteral("Neu"));
    EXPECT_EQ(h.Count(), 4);
    EXPECT_EQ(h.ItemIndex(), 3);
    EXPECT_EQ(h.Items(2)->Name, QStringLiteral("Step2"));
    EXPECT_EQ(h.Items(3)->Name, QStringLiteral("Neu"));

    FillHistory(h, 252); // the 256th step in all pushes out the first one
    EXPECT_EQ(h.Count(), 255);
    EXPECT_EQ(h.ItemIndex(), 254);
    EXPECT_EQ(h.Items(0)->Name, QStringLiteral("Step1"));
    EXPECT_EQ(h.CurrentEntry()->Name, QStringLiteral("Step251"));
}

TEST(HistoryPosition, MovingRestoresWithoutRecordingAndEndsRestoringEvenWhenTheHandlerRaises)
{
    THistoryListe h;
    FillHistory(h, 3);
    int calls = 0;
    THistoryEintrag* during = nullptr;
    h.OnIndexChange = [&](THistoryListe* sender) {
        EXPECT_TRUE(sender->Restoring());
        during = sender->Add(QStringLiteral("Sel"));
        if (++calls == 3)
            throw ERangeError(QStringLiteral("kaputt"));
    };
    h.SetItemIndex(2);
    EXPECT_EQ(calls, 0);
    h.SetItemIndex(1);
    EXPECT_EQ(h.Count(), 3);
    EXPECT_EQ(during, h.Items(1));
    h.SetItemIndex(THistoryListe::kReapplyIndex);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(h.ItemIndex(), 1);
    EXPECT_THROW(h.SetItemIndex(0), ERangeError);
    EXPECT_EQ(h.ItemIndex(), 0);
    EXPECT_FALSE(h.Restoring());
    h.Add(QStringLiteral("danach"));
    EXPECT_EQ(h.Count(), 2);
}

TEST_F(HistoryFileTest, FileIsHeaderRulerEntriesAndEndMarkerAndReadsBackByteForByte)
{
    THistoryListe h;
    FillHistory(h, 8);
    h.SetItemIndex(4);
    h.SaveToFile(F, false);
    EXPECT_EQ(h.FileName, F);
    const QByteArray ruler = QByteArray("#########.").repeated(25) + "#####\r\n";
    ASSERT_EQ(ruler.size(), 257);
    QByteArray expected =
        StrBytes(HistoryProgramName().toLatin1()) + StrBytes("Erstellt mit Plenoptra ") +
        StrBytes("Plenoptra \x96 Stereofenster-Editor") + StrBytes("Programmhistory:") + StrBytes("Dateiversion:") +
        QByteArray::fromHex("e803000002000000") + StrBytes("Count:") + Int32Bytes(8) + Int32Bytes(4) + StrBytes(ruler);
    for (int i = 0; i < 8; ++i)
        expected += StoredBytes(*h.Items(i));
    EXPECT_EQ(FileBytes(F).toHex(), (expected + kEof).toHex());

    THistoryListe read;
    FillHistory(read, 2);
    read.LoadFromFile(F, false);
    EXPECT_EQ(read.Count(), 8);
    EXPECT_EQ(read.ItemIndex(), 4);
    EXPECT_EQ(read.Items(5)->R01().LeftFileName, QStringLiteral(u"ä5"));
    read.SaveToFile(Path("b.Plenoptrum"), false);
    EXPECT_EQ(FileBytes(Path("b.Plenoptrum")), FileBytes(F));
}

TEST_F(HistoryFileTest, ProgramDataFileBringsBackWorkspaceSettingsAndADamagedTrailerSilentlyGivesDefaults)
{
    TMessageRecorder messages;
    THistoryListe h;
    FillHistory(h, 3);
    h.Settings().GridVertCount = 42;
    h.Settings().DecorDistance = 99;
    h.SaveToFile(Path("p.DAT"), true);
    const QByteArray bytes = FileBytes(Path("p.DAT"));
    h.SaveToFile(Path("p.DAT"), true);
    EXPECT_EQ(FileBytes(Path("p.DAT")), bytes);
    EXPECT_TRUE(bytes.endsWith(StrBytes("-EODesktop-") + kEof));

    THistoryListe read;
    read.LoadFromFile(Path("p.DAT"), true);
    EXPECT_EQ(read.Settings().GridVertCount, 42);
    EXPECT_EQ(read.Settings().DecorDistance, 20); // not a workspace setting
    read.Settings().DecorDistance = 66;
    EXPECT_EQ(Load(read, QByteArray(bytes).replace("-EODesktop-", "-EODesktoX-"), true), QString());
    EXPECT_EQ(read.Count(), 3);
    EXPECT_EQ(read.Settings().GridVertCount, 10);
    EXPECT_EQ(read.Settings().DecorDistance, 20);
    EXPECT_TRUE(messages.Texts.isEmpty());
}

TEST_F(HistoryFileTest, VersionOneFileGivesRevisionTwoDefaultsAndKeepsSettings)
{
    THistoryEintrag entry(QStringLiteral("Alt"));
    entry.R01().EditMode = 5;
    TMemoryStream body;
    WriteString(body, entry.Name);
    entry.R01().WriteToStream(body);
    WriteRawString(body, "###-EOD-###\r\n");

    THistoryListe read;
    read.Settings().GridVertCount = 33;
    EXPECT_EQ(Load(read, HeaderBytes(1, 0, 1) + body.Data() + kEof + "Rest ohne Bedeutung", true), QString());
    ASSERT_EQ(read.Count(), 1);
    EXPECT_EQ(read.Items(0)->R01().EditMode, 5);
    EXPECT_EQ(read.Items(0)->R02().InputLayout, 0);
    EXPECT_EQ(read.Items(0)->R02().OutlineStateStream.Size(), 0);
    EXPECT_EQ(read.Settings().GridVertCount, 33);
}

TEST_F(HistoryFileTest, RefusedOrCutHeaderShowsItsMessageAndKeepsTheEntriesAMissingFileSaysNothing)
{
    const std::pair<QByteArray, QString> rows[] = {
        {HeaderBytes(0, 0, 3) + kEof, kResUnknownVersion},
        {HeaderBytes(0, 0, 0) + kEof, kResUnknownVersion},
        {HeaderBytes(0, 0, 2, 1001) + kEof, kResUnknownVersion},
        {HeaderBytes(0, 0, 2, 1000, QStringLiteral("Erstellt mit Irgendwas ")) + kEof, kResUnknownVersion},
        {HeaderBytes(0, 0, 2, 1000, QStringLiteral(" Plenoptra steht vorn")) + kEof, kResUnknownVersion},
        {QByteArray(), kResUnknownVersion},
        {QByteArray::fromHex("ffd8ffe000104a46494600010100000100010000") + QByteArray(500, 'x'), kResUnknownVersion},
        {HeaderBytes(3, 2).chopped(100), kResHeaderReadError},
    };
    for (const auto& [bytes, message] : rows) {
        SCOPED_TRACE(bytes.left(60).toHex().constData());
        TMessageRecorder messages;
        THistoryListe h;
        FillHistory(h, 2);
        EXPECT_EQ(Load(h, bytes), QString());
        EXPECT_EQ(h.Count(), 2);
        EXPECT_EQ(h.FileName, F);
        EXPECT_EQ(messages.Texts, QStringList{FormatResString(message, F)});
    }
    // A missing file or a folder changes nothing and says nothing; a file
    // without entries empties the list.
    TMessageRecorder messages;
    THistoryListe h;
    FillHistory(h, 3);
    h.LoadFromFile(Path("gibtsnicht.Plenoptrum"), true);
    h.LoadFromFile(FDir.path(), true);
    EXPECT_EQ(h.Count(), 3);
    EXPECT_EQ(h.FileName, QString());
    EXPECT_EQ(Load(h, HeaderBytes(0, 9) + kEof), QString());
    EXPECT_EQ(h.Count(), 0);
    EXPECT_EQ(h.ItemIndex(), 2);
    EXPECT_EQ(h.CurrentEntry(), nullptr);
    EXPECT_TRUE(messages.Texts.isEmpty());
}

TEST_F(HistoryFileTest, HugeOrNegativeCountsStopAtTheFirstBadEntryWithAnErrorMessage)
{
    THistoryListe good;
    FillHistory(good, 1);
    const QByteArray entry = StoredBytes(*good.Items(0));
    const QByteArray hugeName = Int32Bytes(0x7FFFFFFF) + entry.mid(4 + 5);
    const QByteArray negativeStream = QByteArray(entry).replace(Int32Bytes(4) + "set", Int32Bytes(-9) + "set");
    for (const QByteArray& bytes : {HeaderBytes(0x7FFFFFFF, 5) + entry + kEof,
                                    HeaderBytes(2, 1) + entry + hugeName + kEof,
                                    HeaderBytes(2, 1) + entry + negativeStream + kEof}) {
        TMessageRecorder messages;
        THistoryListe h;
        EXPECT_EQ(Load(h, bytes), kListEndError);
        EXPECT_EQ(h.Count(), 1);
        EXPECT_EQ(h.ItemIndex(), 0) << "the stored undo position ends at the last entry read";
        EXPECT_EQ(messages.Texts, QStringList{FormatResString(kResEntryReadError, F)});
        EXPECT_EQ(messages.KindsAndButtons, (std::vector<std::pair<int, unsigned>>{{dkFehler, dbOK}}));
    }
}

TEST_F(HistoryFileTest, FailedWriteLeavesTheOldFileIntactAndRaises)
{
    THistoryListe h;
    FillHistory(h, 3);
    h.SaveToFile(Path("p.DAT"), true);
    const QByteArray old = FileBytes(Path("p.DAT"));

    FillHistory(h, 4);
    TWriteFaultHook previous = SetWriteFaultHook([](const QString&, qint64 at, qint64) { return at > 700; });
    EXPECT_THROW(h.SaveToFile(Path("p.DAT"), true), EStreamError);
    SetWriteFaultHook(previous);
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
    const qsizetype endOfHeader = HeaderBytes(2, 1).size();
    const qsizetype endOfFirst = endOfHeader + StoredBytes(*h.Items(0)).size();
    const qsizetype endOfEntries = whole.size() - kEof.size();
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        TMessageRecorder messages;
        THistoryListe read;
        // A cut header is a message; after it, the list's end marker is missing.
        EXPECT_EQ(Load(read, whole.left(cut)), cut < endOfHeader ? QString() : kListEndError);
        ASSERT_EQ(messages.Texts.size(), cut < endOfEntries ? 1 : 0);
        const int survivors = int(cut >= endOfFirst) + int(cut >= endOfEntries);
        ASSERT_EQ(read.Count(), survivors);
        if (survivors > 0) {
            // The stored position 1 ends at the last entry read.
            ASSERT_EQ(read.ItemIndex(), survivors - 1);
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
