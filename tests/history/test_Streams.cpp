#include "HistoryTestSupport.h"

#include <gtest/gtest.h>

TEST(StreamStrings, CountAndWindows1252BytesReadBackWhole)
{
    const std::pair<QString, const char*> rows[] = {{QString(), "00000000"}, {QStringLiteral(u"ä€"), "02000000e480"}};
    for (const auto& [text, hex] : rows) {
        TMemoryStream s;
        WriteString(s, text);
        EXPECT_EQ(s.Data().toHex(), hex);
        s.Rewind();
        EXPECT_EQ(ReadString(s), text) << hex;
        EXPECT_EQ(s.Position(), s.Size()) << hex;
    }
}

TEST(StreamStrings, CorruptCountsGiveEmptyWithoutReadingPastTheEnd)
{
    // A negative count consumes only itself, one beyond the end all the rest.
    for (const auto& [count, end] : {std::pair{-1, 4}, std::pair{0x7FFFFFFF, 8}}) {
        TMemoryStream s(Int32Bytes(count) + "abcd");
        EXPECT_EQ(ReadString(s), QString()) << count;
        EXPECT_EQ(s.Position(), end) << count;
    }
}

TEST(StreamEmbedded, EmptyIsFourZeroBytesAndEmptyOrCorruptCountsLeaveDestinationEmpty)
{
    TMemoryStream empty, out;
    WriteStream(empty, out);
    EXPECT_EQ(out.Data(), QByteArray(4, '\0'));
    for (qint32 count : {0, -5, 0x7FFFFFFF, qint32(0x80000000)}) {
        TMemoryStream source(Int32Bytes(count) + "abc"), dest(QByteArray("old"));
        ReadStream(source, dest);
        EXPECT_EQ(dest.Size(), 0) << count;
    }
}

TEST(StreamScalars, IntegerWithTwoBytesLeftReadsZeroAndConsumesThem)
{
    TMemoryStream s(QByteArray::fromHex("0102"));
    EXPECT_EQ(ReadInteger(s), 0);
    EXPECT_EQ(s.Position(), 2);
    EXPECT_EQ(ReadByte(s), 0);
}

TEST(StreamMarkers, WrongShortOrMissingMarkerRaisesWithTheGivenMessage)
{
    const QString message = QStringLiteral("End of Data TAnfasser nicht gefunden!");
    for (const QByteArray& bytes : {StrBytes("-EOX-"), StrBytes("-EOA"), QByteArray()}) {
        TMemoryStream s(bytes);
        EXPECT_EQ(RangeErrorOf([&] { ReadEndMarker(s, "-EOA-", message); }), message) << bytes.constData();
    }
}
