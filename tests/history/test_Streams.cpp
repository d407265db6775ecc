#include "HistoryTestSupport.h"

#include <gtest/gtest.h>

TEST(StreamStrings, EveryByteIsItsWindows1252CharacterAndAllOfThemRoundTrip)
{
    // 0x80..0x9F: the 27 characters the code page defines there, and for the
    // five it leaves undefined (81, 8D, 8F, 90, 9D) the control of the same
    // number. Every other byte is the character of the same number.
    const char16_t high[32] = {u'€', 0x81, u'‚', u'ƒ', u'„', u'…', u'†', u'‡', u'ˆ', u'‰', u'Š',
                               u'‹', u'Œ', 0x8D, u'Ž', 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, // ‘ ’ “ ”
                               u'•', 0x2013, 0x2014, u'˜', u'™', u'š', u'›', u'œ', 0x9D, u'ž', u'Ÿ'};
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    TMemoryStream stored(Int32Bytes(256) + all);
    const QString text = ReadString(stored);
    ASSERT_EQ(text.size(), 256);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(text.at(b).unicode(), b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b)) << std::hex << b;
    TMemoryStream written;
    WriteString(written, text);
    EXPECT_EQ(written.Data().toHex(), (Int32Bytes(256) + all).toHex());
    // What the code page cannot hold is stored as a question mark; an empty
    // string is its count alone.
    EXPECT_EQ(ToWindows1252(QStringLiteral(u"Ł→")), QByteArray("??"));
    TMemoryStream empty;
    WriteString(empty, QString());
    EXPECT_EQ(empty.Data(), QByteArray(4, '\0'));
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
