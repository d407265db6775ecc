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

TEST(StreamStrings, EveryByteSurvivesTheTripThroughTextAndBack)
{
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    TMemoryStream stored(Int32Bytes(256) + all);
    const QString text = ReadString(stored);
    ASSERT_EQ(text.size(), 256);
    // Outside 0x80..0x9F a byte is the character of the same number.
    for (int b : {0x00, 0x41, 0x7F, 0xA0, 0xC4, 0xE4, 0xFC, 0xFF})
        EXPECT_EQ(text.at(b).unicode(), b) << std::hex << b;
    TMemoryStream written;
    WriteString(written, text);
    EXPECT_EQ(written.Data(), Int32Bytes(256) + all);
}

TEST(StreamStrings, TheBytes80To9FAreTheirWindows1252CharactersAndTheFiveGapsTheirOwnControls)
{
    // Byte, character: the 27 defined by the code page, and for the five it
    // leaves undefined (81, 8D, 8F, 90, 9D) the control of the same number.
    const std::pair<uchar, char16_t> table[] = {
        {0x80, u'€'}, {0x81, 0x0081}, {0x82, u'‚'}, {0x83, u'ƒ'}, {0x84, u'„'}, {0x85, u'…'},
        {0x86, u'†'}, {0x87, u'‡'}, {0x88, u'ˆ'}, {0x89, u'‰'}, {0x8A, u'Š'}, {0x8B, u'‹'},
        {0x8C, u'Œ'}, {0x8D, 0x008D}, {0x8E, u'Ž'}, {0x8F, 0x008F}, {0x90, 0x0090},
        {0x91, 0x2018}, {0x92, 0x2019}, {0x93, 0x201C}, {0x94, 0x201D}, // ‘ ’ “ ”
        {0x95, u'•'}, {0x96, 0x2013}, {0x97, 0x2014}, // en and em dash
        {0x98, u'˜'}, {0x99, u'™'}, {0x9A, u'š'}, {0x9B, u'›'}, {0x9C, u'œ'}, {0x9D, 0x009D},
        {0x9E, u'ž'}, {0x9F, u'Ÿ'}};
    for (const auto& [byte, character] : table) {
        EXPECT_EQ(FromWindows1252(QByteArray(1, char(byte))), QString(QChar(character))) << std::hex << int(byte);
        EXPECT_EQ(ToWindows1252(QString(QChar(character))), QByteArray(1, char(byte))) << std::hex << int(byte);
    }
    // A picture name with typographic quotes comes back from a file unchanged.
    TMemoryStream s;
    const QString name = QStringLiteral(u"„Haus“ ‘links’.jpg");
    WriteString(s, name);
    EXPECT_EQ(s.Data().toHex(), "1200000084486175739320916c696e6b73922e6a7067");
    s.Rewind();
    EXPECT_EQ(ReadString(s), name);
    // What the code page cannot hold is stored as a question mark.
    EXPECT_EQ(ToWindows1252(QStringLiteral(u"Ł→")), QByteArray("??"));
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
