#include "ui/C_LabelFormat.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

namespace {

QFont TestFont(int points = 10) { return TLabelFormat::PlatformFont(QStringLiteral("MS Sans Serif"), points); }
// Width and line height of text in the test font.
int Adv(const char* text) { return QFontMetrics(TestFont()).horizontalAdvance(QString::fromUtf8(text)); }
int LineH() { return QFontMetrics(TestFont()).height(); }

// A label with the test font, a known size and its caption parsed.
struct Label : TLabelFormat {
    explicit Label(const char* caption, int width = 400, bool wrap = false)
    {
        setFont(TestFont());
        resize(width, 100);
        SetWordWrap(wrap);
        SetCaption(QString::fromUtf8(caption));
    }
    const LabelToken& T(int i) const { return Tokens()[i]; }
};

// "kind:number:text" of each token; the number is the one its tag carries.
QStringList Describe(const TLabelFormat& label)
{
    QStringList out;
    for (const LabelToken& t : label.Tokens())
        out << QStringLiteral("%1:%2:").arg(int(t.Kind)).arg(t.ColorIndex + t.TabColumn + t.FontSize) + t.Text;
    return out;
}
QString K(int kind, const char* text, int number = 0)
{
    return QStringLiteral("%1:%2:").arg(kind).arg(number) + QString::fromUtf8(text);
}

} // namespace

TEST(LabelParsing, CaptionsSplitIntoClassifiedTokens)
{
    const struct { const char* caption; QStringList tokens; } rows[] = {
        {"", {}},
        {"Hallo Welt", {K(ltText, "Hallo Welt")}},
        {"<fb>a<FB>b", {K(ltBold, "a"), K(ltBold, "b")}}, // tags ignore case
        {"Wert <c9>x", {K(ltText, "Wert "), K(ltText, "<c9>x")}},
        {"a<b", {K(ltText, "a"), K(ltText, "<b")}}, // no closing bracket
        {"<C>x<c5>y<T7>z<FS12>w<t123>v",
         {K(ltCentre, "x"), K(ltColor, "y", 5), K(ltTab, "z", 7), K(ltFontSize, "w", 12), K(ltTab, "v", 123)}},
        // Carriage returns become line breaks, except one at the very end.
        {"a\r\nb\rc\r", {K(ltText, "a"), K(ltLineBreak, "\nb"), K(ltLineBreak, "c\r")}},
        // A second alignment on one line is text.
        {"<C>ab<C>cd", {K(ltCentre, "ab"), K(ltCentre, "<C>cd")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caption);
        EXPECT_EQ(Describe(Label(row.caption)), row.tokens);
    }
    for (const char* literal : {"<X>", "<c0>", "<>", "<T1000>", "<FS100>", "<T>", "<FSx>", "<c12>"}) {
        SCOPED_TRACE(literal);
        EXPECT_EQ(Describe(Label(literal)), QStringList{K(ltText, literal)});
    }
    EXPECT_EQ(Label("<t123>v").T(0).Tag, QStringLiteral("<t123>"));
    EXPECT_TRUE(Label("Hallo").T(0).Tag.isEmpty());
    EXPECT_TRUE(Label("").Pieces().isEmpty());

    const auto cr = Label("a\r\nb\rc\r").Pieces();
    ASSERT_EQ(cr.size(), 3);
    EXPECT_EQ(cr[1].Text, QStringLiteral("b")); // the line feed has no glyph
    EXPECT_GT(cr[2].TopLeft.y(), cr[1].TopLeft.y());
    EXPECT_EQ(Label("a<b").Pieces().last().Text, QStringLiteral("<b"));
}

TEST(LabelFormatting, StylesToggleAndAccumulateNormalReturnsToPlainLabelFont)
{
    Label f("<FB><c3>a<FI>b<FB>c<FN>d");
    EXPECT_TRUE(f.StateAfter(2).Font.bold() && f.StateAfter(2).Font.italic());
    EXPECT_EQ(f.StateAfter(2).Color, QColor(255, 0, 0));
    EXPECT_FALSE(f.StateAfter(3).Font.bold()); // a second <FB> ends bold
    EXPECT_TRUE(f.StateAfter(3).Font.italic());
    EXPECT_FALSE(f.StateAfter(4).Font.italic());
    EXPECT_EQ(f.StateAfter(4).Color, f.BaseDrawState().Color);

    QFont styled = TestFont();
    styled.setBold(true);
    styled.setUnderline(true);
    f.setFont(styled);
    f.SetCaption(QStringLiteral("a<FN>b"));
    EXPECT_TRUE(f.StateAfter(0).Font.bold());
    EXPECT_FALSE(f.StateAfter(1).Font.bold());
    EXPECT_FALSE(f.StateAfter(1).Font.underline());
}

TEST(LabelFormatting, PaletteColoursAreBgrValuesADisabledLabelDrawsInShadow)
{
    Label f("<c3>r<c4>b<c8>f");
    EXPECT_EQ(f.StateAfter(0).Color, QColor(255, 0, 0));
    EXPECT_EQ(f.StateAfter(1).Color, QColor(0, 0, 255));
    EXPECT_EQ(f.StateAfter(2).Color, QColor(255, 0, 255));
    f.SetColor(3, 0x00123456);
    EXPECT_EQ(f.StateAfter(0).Color, QColor(0x56, 0x34, 0x12));
    f.setEnabled(false);
    EXPECT_EQ(f.Pieces().first().Color, f.palette().color(QPalette::Dark));
}

TEST(LabelFontSize, FactorRoundsLabelSizeHalvesToEvenAndASizeTagSetsTheCellHeightTimesTheFactor)
{
    const struct { int points; double factor; int expected; } rows[] = {
        {11, 1.5, 16}, {9, 1.5, 14}, {10, 1.26, 13}}; // 16.5, 13.5, 12.6
    TLabelFormat label;
    for (const auto& row : rows) {
        label.setFont(TestFont(row.points));
        label.SetFontSizeFaktor(row.factor);
        EXPECT_EQ(label.BaseDrawState().Font.pointSize(), row.expected) << row.points << " * " << row.factor;
    }
    // A size tag sets the cell height, times the factor.
    label.setFont(TestFont(8));
    label.SetFontSizeFaktor(1.5);
    label.SetCaption(QStringLiteral("<FS12>x"));
    const QFont font = label.StateAfter(0).Font;
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    EXPECT_NEAR(QFontMetricsF(font).height() * 72.0 / dpi, 18.0, 0.8);
    // A cell of 18 points holds a character smaller than 18 points.
    EXPECT_LT(font.pointSizeF(), 17.0);
    label.SetCaption(QStringLiteral("<FS0>x")); // still a usable font
    EXPECT_GT(label.StateAfter(0).Font.pointSizeF(), 0.0);
    EXPECT_GT(label.MeasuredSize().height(), 0);
}

TEST(LabelLayout, AlignmentsAndTabsPlaceTheirPieces)
{
    const struct { const char* caption; int piece; int x; } rows[] = {
        {"abc<C>def<LF>x", 0, 200 - (Adv("abc") + Adv("def")) / 2}, // the whole line is centred
        {"abc<C>def<LF>x", 2, 0},                                  // the next line is left again
        {"<C>ab<C>cd", 0, 200 - (Adv("ab") + Adv("<C>cd")) / 2},   // the literal tag counts
        {"<R>abc", 0, 400 - Adv("abc")},
        {"ab<T10>x", 1, 10 * Adv("M")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caption);
        const auto pieces = Label(row.caption).Pieces();
        ASSERT_GT(pieces.size(), row.piece);
        EXPECT_EQ(pieces[row.piece].TopLeft.x(), row.x);
    }
}

TEST(LabelLayout, PiecesOfALineShareTheirBottomEdgeAndAutoSizeTakesTheWidestLineAndTheSummedHeights)
{
    const auto pieces = Label("a<FS30>B<FS8>c").Pieces();
    ASSERT_EQ(pieces.size(), 3);
    const auto bottom = [](const TLabelPiece& p) { return p.TopLeft.y() + QFontMetrics(p.Font).height(); };
    EXPECT_EQ(bottom(pieces[0]), bottom(pieces[1]));
    EXPECT_EQ(bottom(pieces[2]), bottom(pieces[1]));
    // The line is as high as its biggest piece.
    EXPECT_EQ(bottom(pieces[1]), QFontMetrics(pieces[1].Font).height());
    Label label("ab<LF>cdef<LF>g");
    label.SetAutoSize(true);
    EXPECT_EQ(label.size(), QSize(Adv("cdef"), 3 * LineH()));
    label.SetCaption(QStringLiteral("<T10>x")); // text behind a tab counts
    EXPECT_EQ(label.width(), 10 * Adv("M") + Adv("x"));
}

TEST(LabelWordWrap, WordsThatDoNotFitStartANewLineUnlessTheLineIsEmpty)
{
    const int h = LineH(), a = Adv("aaa "), b = Adv("bbb "), w = a + b + 2;
    const struct { const char* caption; int width; QVector<QPoint> at; } rows[] = {
        {"aaa bbb ccc", a + b + Adv("c"), {{0, 0}, {a, 0}, {0, h}}},
        {"aaaaaaaaaa b", 10, {{0, 0}, {0, h}}},
        // Both the first line and the wrapped one are centred.
        {"<C>aaa bbb ccc", w, {{w / 2 - (a + b) / 2, 0}, {w / 2 - (a + b) / 2 + a, 0}, {w / 2 - Adv("ccc") / 2, h}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caption);
        Label f(row.caption, row.width, true);
        QVector<QPoint> at;
        for (const TLabelPiece& piece : f.Pieces())
            at << piece.TopLeft;
        EXPECT_EQ(at, row.at);
        EXPECT_EQ(f.MeasuredSize().height(), 2 * h);
    }
    EXPECT_EQ(Label("aaa bbb ccc", 400, true).T(1).Text, QStringLiteral("bbb "));
}
