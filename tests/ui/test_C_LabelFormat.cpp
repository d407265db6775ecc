#include "ui/C_LabelFormat.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QScreen>
#include <QGuiApplication>

namespace {

QFont TestFont(int points = 10)
{
    return TLabelFormat::PlatformFont(QStringLiteral("MS Sans Serif"), points);
}

// A label with a known font and a known size, caption already parsed.
struct LabelFixture {
    TLabelFormat label;
    explicit LabelFixture(const QString& caption, int width = 400, bool wrap = false)
    {
        label.setFont(TestFont());
        label.resize(width, 100);
        label.SetWordWrap(wrap);
        label.SetCaption(caption);
    }
};

double CellPoints(const QFont& font)
{
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    return QFontMetricsF(font).height() * 72.0 / dpi;
}

} // namespace

TEST(LabelParsing, SecondBoldTagEndsBold)
{
    LabelFixture f(QStringLiteral("<fb>a<FB>b"));
    ASSERT_EQ(f.label.Tokens().size(), 2);
    EXPECT_EQ(f.label.Tokens()[0].Kind, ltBold);
    EXPECT_EQ(f.label.Tokens()[0].Text, QStringLiteral("a"));
    EXPECT_TRUE(f.label.StateAfter(0).Font.bold());
    EXPECT_FALSE(f.label.StateAfter(1).Font.bold());
}

TEST(LabelParsing, UnknownTagsAreShownLiterally)
{
    LabelFixture f(QStringLiteral("Wert <c9>x"));
    ASSERT_EQ(f.label.Tokens().size(), 2);
    EXPECT_EQ(f.label.Tokens()[0].Text, QStringLiteral("Wert "));
    EXPECT_EQ(f.label.Tokens()[1].Kind, ltText);
    EXPECT_EQ(f.label.Tokens()[1].Text, QStringLiteral("<c9>x"));

    for (const char* literal : {"<X>", "<c0>", "<>", "<T1000>", "<FS100>", "<T>", "<FSx>", "<c12>"}) {
        LabelFixture g(QString::fromLatin1(literal));
        ASSERT_EQ(g.label.Tokens().size(), 1) << literal;
        EXPECT_EQ(g.label.Tokens()[0].Kind, ltText) << literal;
        EXPECT_EQ(g.label.Tokens()[0].Text, QString::fromLatin1(literal)) << literal;
    }
}

TEST(LabelParsing, OpeningBracketWithoutCloseIsText)
{
    LabelFixture f(QStringLiteral("a<b"));
    ASSERT_EQ(f.label.Tokens().size(), 2);
    EXPECT_EQ(f.label.Tokens()[0].Text, QStringLiteral("a"));
    EXPECT_EQ(f.label.Tokens()[1].Text, QStringLiteral("<b"));
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces[1].Text, QStringLiteral("<b"));
}

TEST(LabelParsing, CentreAndColourToldApartByLength)
{
    LabelFixture f(QStringLiteral("<C>x<c5>y<T7>z<FS12>w<t123>v"));
    ASSERT_EQ(f.label.Tokens().size(), 5);
    EXPECT_EQ(f.label.Tokens()[0].Kind, ltCentre);
    EXPECT_EQ(f.label.Tokens()[1].Kind, ltColor);
    EXPECT_EQ(f.label.Tokens()[1].ColorIndex, 5);
    EXPECT_EQ(f.label.Tokens()[2].Kind, ltTab);
    EXPECT_EQ(f.label.Tokens()[2].TabColumn, 7);
    EXPECT_EQ(f.label.Tokens()[3].Kind, ltFontSize);
    EXPECT_EQ(f.label.Tokens()[3].FontSize, 12);
    EXPECT_EQ(f.label.Tokens()[4].TabColumn, 123);
    EXPECT_EQ(f.label.Tokens()[4].Tag, QStringLiteral("<t123>"));
}

TEST(LabelParsing, CarriageReturnsBecomeLineBreaksExceptTheLast)
{
    LabelFixture f(QStringLiteral("a\r\nb\rc\r"));
    ASSERT_EQ(f.label.Tokens().size(), 3);
    EXPECT_EQ(f.label.Tokens()[1].Kind, ltLineBreak);
    EXPECT_EQ(f.label.Tokens()[1].Text, QStringLiteral("\nb"));
    EXPECT_EQ(f.label.Tokens()[2].Text, QStringLiteral("c\r"));
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_EQ(pieces[1].Text, QStringLiteral("b")); // the line feed has no glyph
    EXPECT_GT(pieces[2].TopLeft.y(), pieces[1].TopLeft.y());
}

TEST(LabelParsing, EmptyCaptionHasNoTokens)
{
    LabelFixture f{QString()};
    EXPECT_TRUE(f.label.Tokens().isEmpty());
    EXPECT_TRUE(f.label.Pieces().isEmpty());
}

TEST(LabelParsing, TextWithoutTagsIsOnePlainToken)
{
    LabelFixture f(QStringLiteral("Hallo Welt"));
    ASSERT_EQ(f.label.Tokens().size(), 1);
    EXPECT_TRUE(f.label.Tokens()[0].Tag.isEmpty());
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 1);
    EXPECT_EQ(pieces[0].Text, QStringLiteral("Hallo Welt"));
    EXPECT_EQ(pieces[0].TopLeft, QPoint(0, 0));
}

TEST(LabelFontSize, SizeZeroStillGivesAUsableFont)
{
    LabelFixture f(QStringLiteral("<FS0>x"));
    EXPECT_GT(f.label.StateAfter(0).Font.pointSizeF(), 0.0);
    EXPECT_GT(f.label.MeasuredSize().height(), 0);
}

TEST(LabelFormatting, EffectsAccumulateAndNormalResets)
{
    LabelFixture f(QStringLiteral("<FB><c3>a<FI>b<FN>c"));
    const TLabelDrawState b = f.label.StateAfter(2);
    EXPECT_TRUE(b.Font.bold());
    EXPECT_TRUE(b.Font.italic());
    EXPECT_EQ(b.Color, QColor(255, 0, 0));
    const TLabelDrawState c = f.label.StateAfter(3);
    EXPECT_FALSE(c.Font.bold());
    EXPECT_FALSE(c.Font.italic());
    EXPECT_EQ(c.Color, f.label.BaseDrawState().Color);
}

TEST(LabelFormatting, NormalClearsStylesOfTheLabelFont)
{
    TLabelFormat label;
    QFont font = TestFont();
    font.setBold(true);
    font.setUnderline(true);
    label.setFont(font);
    label.SetCaption(QStringLiteral("a<FN>b"));
    EXPECT_TRUE(label.StateAfter(0).Font.bold());
    EXPECT_FALSE(label.StateAfter(1).Font.bold());
    EXPECT_FALSE(label.StateAfter(1).Font.underline());
}

TEST(LabelFormatting, PaletteColoursAreBgrValues)
{
    LabelFixture f(QStringLiteral("<c3>r<c4>b<c8>f"));
    EXPECT_EQ(f.label.StateAfter(0).Color, QColor(255, 0, 0));
    EXPECT_EQ(f.label.StateAfter(1).Color, QColor(0, 0, 255));
    EXPECT_EQ(f.label.StateAfter(2).Color, QColor(255, 0, 255));
    f.label.SetColor(3, 0x00123456);
    EXPECT_EQ(f.label.StateAfter(0).Color, QColor(0x56, 0x34, 0x12));
}

TEST(LabelFontSize, FactorRoundsLabelSizeHalvesToEven)
{
    TLabelFormat label;
    label.setFont(TestFont(11));
    label.SetFontSizeFaktor(1.5);
    EXPECT_EQ(label.BaseDrawState().Font.pointSize(), 16); // 16.5
    label.setFont(TestFont(9));
    EXPECT_EQ(label.BaseDrawState().Font.pointSize(), 14); // 13.5
    label.setFont(TestFont(10));
    label.SetFontSizeFaktor(1.26);
    EXPECT_EQ(label.BaseDrawState().Font.pointSize(), 13); // 12.6
}

TEST(LabelFontSize, SizeTagSetsCellHeightTimesFactor)
{
    TLabelFormat label;
    label.setFont(TestFont(8));
    label.SetFontSizeFaktor(1.5);
    label.SetCaption(QStringLiteral("<FS12>x"));
    const QFont font = label.StateAfter(0).Font;
    EXPECT_NEAR(CellPoints(font), 18.0, 0.8);
    // A cell of 18 points holds a character smaller than 18 points.
    EXPECT_LT(font.pointSizeF(), 17.0);
}

TEST(LabelFontSize, SizeTagIsSmallerThanSameLabelSize)
{
    TLabelFormat label;
    label.setFont(TestFont(12));
    label.SetCaption(QStringLiteral("a<FS12>b"));
    EXPECT_LT(label.StateAfter(1).Font.pointSizeF(), label.StateAfter(0).Font.pointSizeF());
}

TEST(LabelLayout, SecondCentreOnALineIsDrawnAsText)
{
    LabelFixture f(QStringLiteral("<C>ab<C>cd"));
    ASSERT_EQ(f.label.Tokens().size(), 2);
    EXPECT_EQ(f.label.Tokens()[0].Align, ltCentre);
    EXPECT_EQ(f.label.Tokens()[1].Text, QStringLiteral("<C>cd"));
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces[1].Text, QStringLiteral("<C>cd"));
    const QFontMetrics fm(f.label.BaseDrawState().Font);
    const int lineWidth = fm.horizontalAdvance(QStringLiteral("ab")) + fm.horizontalAdvance(QStringLiteral("<C>cd"));
    EXPECT_EQ(f.label.Tokens()[0].Width, lineWidth);
    EXPECT_EQ(pieces[0].TopLeft.x(), 400 / 2 - lineWidth / 2);
}

TEST(LabelLayout, CentreInMidLineCentresWholeLine)
{
    LabelFixture f(QStringLiteral("abc<C>def<LF>x"));
    const QFontMetrics fm(f.label.BaseDrawState().Font);
    const int lineWidth = fm.horizontalAdvance(QStringLiteral("abc")) + fm.horizontalAdvance(QStringLiteral("def"));
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_EQ(pieces[0].Text, QStringLiteral("abc"));
    EXPECT_EQ(pieces[0].TopLeft.x(), 200 - lineWidth / 2);
    EXPECT_EQ(pieces[2].TopLeft.x(), 0); // the next line is left-aligned again
}

TEST(LabelLayout, RightAlignmentEndsAtRightEdge)
{
    LabelFixture f(QStringLiteral("<R>abc"));
    const QFontMetrics fm(f.label.BaseDrawState().Font);
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 1);
    EXPECT_EQ(pieces[0].TopLeft.x(), 400 - fm.horizontalAdvance(QStringLiteral("abc")));
}

TEST(LabelLayout, TabMovesToColumnTimesWidthOfM)
{
    LabelFixture f(QStringLiteral("ab<T10>x"));
    const QFontMetrics fm(f.label.BaseDrawState().Font);
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces[1].Text, QStringLiteral("x"));
    EXPECT_EQ(pieces[1].TopLeft.x(), 10 * fm.horizontalAdvance(QLatin1Char('M')));
}

TEST(LabelLayout, AutoSizeCoversTextBehindTab)
{
    TLabelFormat label;
    label.setFont(TestFont());
    label.SetAutoSize(true);
    label.SetCaption(QStringLiteral("<T10>x"));
    const QFontMetrics fm(label.BaseDrawState().Font);
    EXPECT_EQ(label.width(), 10 * fm.horizontalAdvance(QLatin1Char('M')) + fm.horizontalAdvance(QLatin1Char('x')));
}

TEST(LabelLayout, PiecesOfALineShareTheirBottomEdge)
{
    LabelFixture f(QStringLiteral("a<FS30>B<FS8>c"));
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 3);
    const auto bottom = [](const TLabelPiece& p) { return p.TopLeft.y() + QFontMetrics(p.Font).height(); };
    EXPECT_EQ(bottom(pieces[0]), bottom(pieces[1]));
    EXPECT_EQ(bottom(pieces[2]), bottom(pieces[1]));
    // The line is as high as its biggest piece.
    EXPECT_EQ(bottom(pieces[1]), QFontMetrics(pieces[1].Font).height());
}

TEST(LabelLayout, AutoSizeTakesWidestLineAndSummedHeights)
{
    TLabelFormat label;
    label.setFont(TestFont());
    label.SetAutoSize(true);
    label.SetCaption(QStringLiteral("ab<LF>cdef<LF>g"));
    const QFontMetrics fm(label.BaseDrawState().Font);
    EXPECT_EQ(label.width(), fm.horizontalAdvance(QStringLiteral("cdef")));
    EXPECT_EQ(label.height(), 3 * fm.height());
}

TEST(LabelLayout, DisabledLabelDrawsInShadowColour)
{
    LabelFixture f(QStringLiteral("<c3>x"));
    f.label.setEnabled(false);
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 1);
    EXPECT_EQ(pieces[0].Color, f.label.palette().color(QPalette::Dark));
}

TEST(LabelWordWrap, ThirdWordGoesToSecondLine)
{
    const QFontMetrics fm(TestFont());
    const int twoWords = fm.horizontalAdvance(QStringLiteral("aaa bbb "));
    LabelFixture f(QStringLiteral("aaa bbb ccc"), twoWords + fm.horizontalAdvance(QLatin1Char('c')), true);
    ASSERT_EQ(f.label.Tokens().size(), 3);
    EXPECT_EQ(f.label.Tokens()[1].Text, QStringLiteral("bbb "));
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_EQ(pieces[1].TopLeft.y(), pieces[0].TopLeft.y());
    EXPECT_EQ(pieces[2].TopLeft.x(), 0);
    EXPECT_EQ(pieces[2].TopLeft.y(), pieces[0].TopLeft.y() + fm.height());
    EXPECT_EQ(f.label.MeasuredSize().height(), 2 * fm.height());
}

TEST(LabelWordWrap, TooWideWordStaysOnFirstLine)
{
    const QFontMetrics fm(TestFont());
    LabelFixture f(QStringLiteral("aaaaaaaaaa b"), 10, true);
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces[0].TopLeft.y(), 0);
    EXPECT_EQ(pieces[1].TopLeft.y(), fm.height());
    EXPECT_EQ(f.label.MeasuredSize().height(), 2 * fm.height());
}

TEST(LabelWordWrap, WrappedLineOfCentredTextIsCentredItself)
{
    const QFontMetrics fm(TestFont());
    const int width = fm.horizontalAdvance(QStringLiteral("aaa bbb ")) + 2;
    LabelFixture f(QStringLiteral("<C>aaa bbb ccc"), width, true);
    const auto pieces = f.label.Pieces();
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_EQ(pieces[2].TopLeft.x(), width / 2 - fm.horizontalAdvance(QStringLiteral("ccc")) / 2);
}
