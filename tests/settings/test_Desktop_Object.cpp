#include "history/History.h"
#include "history/Streams.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Every field away from its default and from every other field, so that each
// stored, dropped or swapped value shows.
void SetAllOdd(TDesktopData& d)
{
    d.LastFileName = QStringLiteral(u"/bilder/ä.jpg");
    std::tie(d.GridVertCount, d.GridHorizCount, d.GridMono, d.OutlineMono, d.DecorView, d.DecorUse) =
        std::tuple(3, 4, 0, 0, 1, 0);
    std::tie(d.GridMonoColor, d.GridBiColor1, d.GridBiColor2) = std::tuple(0x010203u, 0x040506u, 0x070809u);
    std::tie(d.OutlineMonoColor, d.OutlineBiColor1, d.OutlineBiColor2) = std::tuple(0x111111u, 0x121212u, 0x131313u);
    std::tie(d.DeskBackColor, d.DeskTransColor, d.DeskNoTransColor) = std::tuple(0x141414u, 0x151515u, 0x161616u);
    std::tie(d.FileMaskForColor, d.FileMaskBackColor, d.FileMaskPictColor) = std::tuple(0x171717u, 0x181818u, 0x222222u);
    std::tie(d.DecorColorMiddle, d.DecorColorOutside, d.DecorColorInside) = std::tuple(0x1A1A1Au, 0x1B1B1Bu, 0x1C1C1Cu);
    std::tie(d.DecorWidthMiddle, d.DecorWidthOutside, d.DecorWidthInside, d.DecorDistance) = std::tuple(7, 8, 9, 6);
}

QByteArray Block(const TDesktopData& d, int revision = 1)
{
    TMemoryStream s;
    d.WriteToStream(0, s); // revision 0 writes nothing
    d.WriteToStream(revision, s);
    return s.Data();
}

} // namespace

TEST(DesktopBlock, DefaultsGiveTheHundredSevenByteBlockTheFileNameAddsItsBytesLaterRevisionsOnlyTheMarker)
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
    TDesktopData d;
    d.LastFileName = QStringLiteral(u"ä.jpg");
    EXPECT_EQ(Block(d).size(), 107 + 5);
    EXPECT_EQ(Block(d, 2), QByteArray::fromHex("0b000000") + "-EODesktop-");
}

TEST(DesktopBlock, TheMaskPicksTheGroupsAndTheWholeBlockIsConsumedEitherWay)
{
    TDesktopData source;
    SetAllOdd(source);
    TMemoryStream s(Block(source));
    TDesktopData d;
    ASSERT_TRUE(d.ReadFromStream(1, s, kDesktopMaskDocument));
    EXPECT_EQ(s.Position(), s.Size());
    // Document groups: decoration, mask file, masked picture.
    EXPECT_EQ(std::tuple(d.DecorDistance, d.DecorWidthOutside, d.DecorColorInside, d.DecorUse),
              std::tuple(6, 8, 0x1C1C1Cu, quint8(0)));
    EXPECT_EQ(std::tuple(d.FileMaskBackColor, d.FileMaskPictColor), std::tuple(0x181818u, 0x222222u));
    // Workspace groups and the file name keep their defaults.
    EXPECT_EQ(std::tuple(d.GridVertCount, d.OutlineMono, d.DeskBackColor, d.DeskTransColor),
              std::tuple(10, quint8(1), 0x101010u, 0x04FF04u));
    EXPECT_TRUE(d.LastFileName.isEmpty());

    // Revision 0 consumes nothing; an empty stream reads false and changes nothing.
    TMemoryStream abc(QByteArray("abc")), empty;
    EXPECT_TRUE(d.ReadFromStream(0, abc, kDesktopMaskAll));
    EXPECT_EQ(abc.Position(), 0);
    EXPECT_FALSE(d.ReadFromStream(1, empty, kDesktopMaskAll));
    EXPECT_EQ(d.DecorDistance, 6);
}

TEST(DesktopBlock, WrongOrCutMarkerRaises)
{
    const QByteArray bytes = Block(TDesktopData());
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

TEST(DesktopBlock, OutOfRangeNumbersComeBackClampedTheRestAsStoredAndTheEndsUnchanged)
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
    EXPECT_EQ(std::tuple(d.GridVertCount, d.GridHorizCount, d.GridMono, d.OutlineMono, d.DecorUse, d.DecorView),
              std::tuple(1, 100, quint8(1), quint8(1), quint8(0), quint8(1)));
    EXPECT_EQ(std::tuple(d.DecorDistance, d.DecorWidthInside, d.DecorWidthMiddle, d.DecorWidthOutside),
              std::tuple(0, 10'000, 10'000, 10'000));
    // Everything else as stored.
    TDesktopData expected;
    SetAllOdd(expected);
    std::tie(expected.GridVertCount, expected.GridHorizCount, expected.GridMono, expected.OutlineMono) =
        std::tuple(1, 100, 1, 1);
    std::tie(expected.DecorDistance, expected.DecorWidthInside, expected.DecorWidthMiddle,
             expected.DecorWidthOutside) = std::tuple(0, 10'000, 10'000, 10'000);
    EXPECT_EQ(Block(d).toHex(), Block(expected).toHex());

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

TEST(DesktopCopy, AssignCopiesEveryGroupButNotOnChangeAndTheHistoryStepCarriesTheDocumentGroups)
{
    int sourceCalls = 0;
    std::vector<std::pair<TDesktopData*, quint16>> targetCalls;
    TDesktopData source, target;
    SetAllOdd(source);
    source.OnChange = [&](TDesktopData*, quint16) { ++sourceCalls; };
    target.OnChange = [&](TDesktopData* s, quint16 w) { targetCalls.emplace_back(s, w); };
    target.Assign(source);
    EXPECT_EQ(Block(target), Block(source));
    EXPECT_TRUE(targetCalls.empty());
    target.Changed(dgMaskPict);
    EXPECT_EQ(targetCalls, (std::vector<std::pair<TDesktopData*, quint16>>{{&target, 0x0100}}));
    EXPECT_EQ(sourceCalls, 0);

    TProgramObjects objects;
    THistoryListe& history = *HistoryListe();
    TDesktopData restored;
    EXPECT_FALSE(restored.LoadFromHistoryEntry(kDesktopMaskDocument)) << "no step yet";
    source.SaveToHistoryCurrent();
    EXPECT_EQ(history.Current().R02().SettingsStream.Data(), Block(source));
    history.Add(QStringLiteral("Desktop"));
    ASSERT_TRUE(restored.LoadFromHistoryEntry(kDesktopMaskDocument));
    EXPECT_EQ(std::tuple(restored.DecorDistance, restored.FileMaskForColor, restored.GridVertCount),
              std::tuple(6, 0x171717u, 10));
    // Read twice: the stream is rewound before every read.
    ASSERT_TRUE(restored.LoadFromHistoryEntry(history, kDesktopMaskAll));
    EXPECT_EQ(Block(restored), Block(source));
}
