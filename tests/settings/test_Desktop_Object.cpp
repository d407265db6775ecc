#include "history/History.h"
#include "history/Streams.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Every field away from its default, so that each stored or dropped value
// shows.
void SetAllOdd(TDesktopData& d)
{
    d.LastFileName = QStringLiteral(u"/bilder/ä.jpg");
    d.GridVertCount = 3;
    d.GridHorizCount = 4;
    d.GridMono = 0;
    d.GridMonoColor = 0x010203;
    d.GridBiColor1 = 0x040506;
    d.GridBiColor2 = 0x070809;
    d.OutlineMono = 0;
    d.OutlineMonoColor = 0x111111;
    d.OutlineBiColor1 = 0x121212;
    d.OutlineBiColor2 = 0x131313;
    d.DeskBackColor = 0x141414;
    d.DeskTransColor = 0x151515;
    d.DeskNoTransColor = 0x161616;
    d.FileMaskForColor = 0x171717;
    d.FileMaskBackColor = 0x181818;
    d.FileMaskPictColor = 0x222222;
    d.DecorColorMiddle = 0x1A1A1A;
    d.DecorColorOutside = 0x1B1B1B;
    d.DecorColorInside = 0x1C1C1C;
    d.DecorView = 1;
    d.DecorUse = 0;
    d.DecorWidthMiddle = 7;
    d.DecorWidthOutside = 8;
    d.DecorWidthInside = 9;
    d.DecorDistance = 6;
}

QByteArray Block(const TDesktopData& d)
{
    TMemoryStream s;
    d.WriteToStream(0, s);
    d.WriteToStream(1, s);
    return s.Data();
}

} // namespace

TEST(DesktopBlock, DefaultsGiveTheHundredSevenByteBlock)
{
    const QByteArray expected = QByteArray::fromHex(
        "0a000000" "0a000000" "01" "80808000" "ffffff00" "00000000"  // grid
        "01" "ffffff00" "ffffff00" "00000000"                        // outline
        "10101000" "04ff0400" "00000000"                             // workspace colours
        "ffffff00" "00000000" "00000000"                             // mask file, masked picture
        "01" "00" "c0c0c000" "80808000" "c0c0c000"                   // decoration use, view, colours
        "14000000" "05000000" "0a000000" "05000000"                  // distance, widths
        "00000000" "0b000000") + "-EODesktop-";
    ASSERT_EQ(expected.size(), 107);
    EXPECT_EQ(Block(TDesktopData()).toHex(), expected.toHex());
}

TEST(DesktopBlock, FileNameLengthAddsToTheBlockAndLaterRevisionsWriteOnlyTheMarker)
{
    TDesktopData d;
    d.LastFileName = QStringLiteral(u"ä.jpg");
    EXPECT_EQ(Block(d).size(), 107 + 5);
    TMemoryStream later;
    d.WriteToStream(2, later);
    EXPECT_EQ(later.Data(), QByteArray::fromHex("0b000000") + "-EODesktop-");
}

TEST(DesktopBlock, DocumentMaskChangesOnlyDocumentGroupsAndConsumesTheBlock)
{
    TDesktopData source;
    SetAllOdd(source);
    TMemoryStream s(Block(source));
    TDesktopData d;
    ASSERT_TRUE(d.ReadFromStream(1, s, kDesktopMaskDocument));
    EXPECT_EQ(s.Position(), s.Size());
    EXPECT_EQ(d.DecorDistance, 6);
    EXPECT_EQ(d.DecorColorInside, 0x1C1C1Cu);
    EXPECT_EQ(d.DecorWidthOutside, 8);
    EXPECT_EQ(d.FileMaskBackColor, 0x181818u);
    EXPECT_EQ(d.FileMaskPictColor, 0x222222u);
    EXPECT_EQ(d.GridVertCount, 10);
    EXPECT_EQ(d.OutlineMono, 1);
    EXPECT_EQ(d.DeskBackColor, 0x101010u);
    EXPECT_EQ(d.DeskTransColor, 0x04FF04u);
    EXPECT_TRUE(d.LastFileName.isEmpty());
}

TEST(DesktopBlock, RevisionZeroConsumesNothingAndEmptyStreamReadsFalse)
{
    TDesktopData d;
    TMemoryStream s(QByteArray("abc"));
    EXPECT_TRUE(d.ReadFromStream(0, s, kDesktopMaskAll));
    EXPECT_EQ(s.Position(), 0);
    TMemoryStream empty;
    d.GridVertCount = 55;
    EXPECT_FALSE(d.ReadFromStream(1, empty, kDesktopMaskAll));
    EXPECT_EQ(d.GridVertCount, 55);
}

TEST(DesktopBlock, WrongOrCutMarkerRaises)
{
    QByteArray bytes = Block(TDesktopData());
    for (const QByteArray& damaged : {bytes.left(100), QByteArray(bytes).replace("-EODesktop-", "-EODESKTOP-")}) {
        TMemoryStream s(damaged);
        TDesktopData d;
        try {
            d.ReadFromStream(1, s, kDesktopMaskAll);
            FAIL() << "no error raised";
        } catch (const ERangeError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("End of Data TDesktopData not found!"));
        }
    }
}

TEST(DesktopBlock, OutOfRangeNumbersComeBackClampedTheRestAsStored)
{
    TDesktopData stored;
    SetAllOdd(stored);
    QByteArray bytes = Block(stored);
    // Offsets of the block: grid counts 0 and 4, flags 8, 21, 58 and 59,
    // distance and the three widths 72 to 84.
    auto put32 = [&](int at, qint32 v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char(quint32(v) >> (8 * i));
    };
    put32(0, 0);
    put32(4, 1000);
    bytes[8] = char(7);
    bytes[21] = char(0xFF);
    bytes[59] = char(2);
    put32(72, -5);
    put32(76, 0x7FFFFFFF);
    put32(80, 10'000);
    put32(84, 10'001);
    TMemoryStream s(bytes);
    TDesktopData d;
    ASSERT_TRUE(d.ReadFromStream(1, s, kDesktopMaskAll));
    EXPECT_EQ(d.GridVertCount, 1);
    EXPECT_EQ(d.GridHorizCount, 100);
    EXPECT_EQ(d.GridMono, 1);
    EXPECT_EQ(d.OutlineMono, 1);
    EXPECT_EQ(d.DecorUse, 0); // stored as 0, stays 0
    EXPECT_EQ(d.DecorView, 1);
    EXPECT_EQ(d.DecorDistance, 0);
    EXPECT_EQ(d.DecorWidthInside, 10'000);
    EXPECT_EQ(d.DecorWidthMiddle, 10'000);
    EXPECT_EQ(d.DecorWidthOutside, 10'000);
    // Everything else as stored.
    EXPECT_EQ(d.GridMonoColor, 0x010203u);
    EXPECT_EQ(d.DecorColorInside, 0x1C1C1Cu);
    EXPECT_EQ(d.FileMaskPictColor, 0x222222u);
    EXPECT_EQ(d.LastFileName, stored.LastFileName);

    // The ends of every range read back unchanged.
    TDesktopData ends;
    std::tie(ends.GridVertCount, ends.GridHorizCount) = std::pair(1, 100);
    std::tie(ends.DecorDistance, ends.DecorWidthInside, ends.DecorWidthMiddle, ends.DecorWidthOutside) =
        std::tuple(0, 10'000, 0, 10'000);
    TDesktopData back;
    TMemoryStream endBytes(Block(ends));
    back.ReadFromStream(1, endBytes, kDesktopMaskAll);
    EXPECT_EQ(Block(back), Block(ends));
}

TEST(DesktopCopy, AssignCopiesEveryGroupButNotOnChangeAndChangedNotifies)
{
    int sourceCalls = 0;
    TDesktopData* sender = nullptr;
    quint16 what = 0;
    TDesktopData source, target;
    SetAllOdd(source);
    source.OnChange = [&](TDesktopData*, quint16) { ++sourceCalls; };
    target.OnChange = [&](TDesktopData* s, quint16 w) { sender = s, what = w; };
    target.Assign(source);
    EXPECT_EQ(Block(target), Block(source));
    EXPECT_EQ(sender, nullptr);
    target.Changed(dgMaskPict);
    EXPECT_EQ(sender, &target);
    EXPECT_EQ(what, 0x0100);
    EXPECT_EQ(sourceCalls, 0);
}

TEST(DesktopHistory, UndoStepCarriesTheDocumentGroups)
{
    TProgramObjects objects;
    THistoryListe& history = *HistoryListe();
    TDesktopData d;
    EXPECT_FALSE(d.LoadFromHistoryEntry(kDesktopMaskDocument));
    SetAllOdd(d);
    d.SaveToHistoryCurrent();
    EXPECT_EQ(history.Current().R02().SettingsStream.Data(), Block(d));
    history.Add(QStringLiteral("Desktop"));

    TDesktopData restored;
    ASSERT_TRUE(restored.LoadFromHistoryEntry(kDesktopMaskDocument));
    EXPECT_EQ(restored.DecorDistance, 6);
    EXPECT_EQ(restored.FileMaskForColor, 0x171717u);
    EXPECT_EQ(restored.GridVertCount, 10);
    // Read twice: the stream is rewound before every read.
    ASSERT_TRUE(restored.LoadFromHistoryEntry(history, kDesktopMaskAll));
    EXPECT_EQ(Block(restored), Block(d));
}
