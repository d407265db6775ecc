#include "HistoryTestSupport.h"

#include <gtest/gtest.h>

TEST(StreamStrings, EmptyStringIsFourZeroBytes)
{
    TMemoryStream s;
    WriteString(s, QString());
    EXPECT_EQ(s.Data(), QByteArray(4, '\0'));
    s.Rewind();
    EXPECT_EQ(ReadString(s), QString());
    EXPECT_EQ(s.Position(), 4);
}

TEST(StreamStrings, UmlautAndEuroAreSingleWindows1252Bytes)
{
    TMemoryStream s;
    WriteString(s, QStringLiteral(u"ä€"));
    EXPECT_EQ(s.Data(), QByteArray::fromHex("02000000e480"));
    s.Rewind();
    EXPECT_EQ(ReadString(s), QStringLiteral(u"ä€"));
}

TEST(StreamStrings, CorruptCountsGiveEmptyWithoutReadingPastTheEnd)
{
    TMemoryStream negative(Int32Bytes(-1) + "abcd");
    EXPECT_EQ(ReadString(negative), QString());
    EXPECT_EQ(negative.Position(), 4);
    TMemoryStream huge(Int32Bytes(0x7FFFFFFF) + "abcd");
    EXPECT_EQ(ReadString(huge), QString());
    EXPECT_EQ(huge.Position(), 8);
}

TEST(StreamEmbedded, EmptyStreamIsFourZeroBytesAndReadsBackEmpty)
{
    TMemoryStream empty, out;
    WriteStream(empty, out);
    EXPECT_EQ(out.Data(), QByteArray(4, '\0'));
    TMemoryStream dest(QByteArray("old"));
    out.Rewind();
    ReadStream(out, dest);
    EXPECT_EQ(dest.Size(), 0);
}

TEST(StreamEmbedded, CorruptCountsLeaveDestinationEmpty)
{
    for (qint32 count : {-5, 0x7FFFFFFF, qint32(0x80000000)}) {
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

TEST(StreamMarkers, WrongOrMissingMarkerRaisesWithTheGivenMessage)
{
    TMemoryStream wrong;
    WriteRawString(wrong, "-EOX-");
    wrong.Rewind();
    try {
        ReadEndMarker(wrong, "-EOA-", QStringLiteral("End of Data TAnfasser nicht gefunden!"));
        FAIL() << "no error raised";
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("End of Data TAnfasser nicht gefunden!"));
    }
    TMemoryStream empty;
    EXPECT_THROW(ReadEndMarker(empty, "-EOA-", QStringLiteral("x")), ERangeError);
}
