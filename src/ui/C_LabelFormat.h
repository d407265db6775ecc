#pragma once
// A text label whose caption carries inline formatting tags: <LF> line break,
// <c1>..<c8> palette colour, <Tn> tab column, <FSn> font size, <FB>/<FI>/<FU>/
// <FO> style toggles, <FN> back to the label's font, <L>/<C>/<R> line alignment.
// Every message of the program is written in this markup.

#include <QColor>
#include <QFont>
#include <QString>
#include <QVector>
#include <QWidget>

#include <array>

class QPainter;

// Token kinds; the numbers double as the alignment kinds of a line.
enum TLabelTokenKind : quint8 {
    ltText = 0,
    ltLineBreak = 1,
    ltColor = 2,
    ltTab = 3,
    ltFontSize = 4,
    ltBold = 5,
    ltItalic = 6,
    ltUnderline = 7,
    ltStrikeOut = 8,
    ltNormal = 9,
    ltLeft = 10,
    ltCentre = 11,
    ltRight = 12,
};

struct LabelToken {
    quint8 Kind = ltText;
    quint8 ColorIndex = 0;  // 1..8 for colour tokens
    qint32 TabColumn = 0;   // 0..999 for tab tokens
    quint8 FontSize = 0;    // 0..99 for font-size tokens
    qint32 LineHeight = 0;  // height of the line this token starts
    qint32 Width = 0;       // width of the line this token starts, else an x position
    quint8 Align = 0;       // alignment kind of the line this token starts
    bool WrapBreak = false; // the word-wrap layout starts a new line here
    quint8 LineAlign = 0;   // alignment of the logical line the token belongs to
    QString Tag;            // the tag as written, brackets included
    QString Text;           // plain text following the tag
};

// Font and colour while walking the tokens; formatting accumulates.
struct TLabelDrawState {
    QFont Font;
    QColor Color;
};

// One piece of text as the label draws it (top-left of its cell).
struct TLabelPiece {
    QString Text;
    QPoint TopLeft;
    QFont Font;
    QColor Color;
};

class TLabelFormat : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(quint32 Color_1 READ Color_1 WRITE SetColor_1)
    Q_PROPERTY(quint32 Color_2 READ Color_2 WRITE SetColor_2)
    Q_PROPERTY(quint32 Color_3 READ Color_3 WRITE SetColor_3)
    Q_PROPERTY(quint32 Color_4 READ Color_4 WRITE SetColor_4)
    Q_PROPERTY(quint32 Color_5 READ Color_5 WRITE SetColor_5)
    Q_PROPERTY(quint32 Color_6 READ Color_6 WRITE SetColor_6)
    Q_PROPERTY(quint32 Color_7 READ Color_7 WRITE SetColor_7)
    Q_PROPERTY(quint32 Color_8 READ Color_8 WRITE SetColor_8)
    Q_PROPERTY(double FontSizeFaktor READ FontSizeFaktor WRITE SetFontSizeFaktor)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)

public:
    static constexpr int kPaletteSize = 8;

    explicit TLabelFormat(QWidget* parent = nullptr);

    // Re-parses, re-measures and repaints; auto-size follows the new text.
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);

    // Palette entries 1..8 as 0x00BBGGRR values; setting one repaints.
    quint32 Color(int n) const;
    void SetColor(int n, quint32 bgr);
    quint32 Color_1() const { return Color(1); }
    void SetColor_1(quint32 c) { SetColor(1, c); }
    quint32 Color_2() const { return Color(2); }
    void SetColor_2(quint32 c) { SetColor(2, c); }
    quint32 Color_3() const { return Color(3); }
    void SetColor_3(quint32 c) { SetColor(3, c); }
    quint32 Color_4() const { return Color(4); }
    void SetColor_4(quint32 c) { SetColor(4, c); }
    quint32 Color_5() const { return Color(5); }
    void SetColor_5(quint32 c) { SetColor(5, c); }
    quint32 Color_6() const { return Color(6); }
    void SetColor_6(quint32 c) { SetColor(6, c); }
    quint32 Color_7() const { return Color(7); }
    void SetColor_7(quint32 c) { SetColor(7, c); }
    quint32 Color_8() const { return Color(8); }
    void SetColor_8(quint32 c) { SetColor(8, c); }

    // Applies to the label's own size and to every <FSn>; takes effect at the
    // next caption change, like a font change.
    double FontSizeFaktor() const { return FFontSizeFaktor; }
    void SetFontSizeFaktor(double faktor) { FFontSizeFaktor = faktor; }

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool on);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool on);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool on);

    // Sizes the label to the measured text when auto-size is on.
    void AdjustBounds();

    // The label's font with its size multiplied by FontSizeFaktor (ties to
    // even), in the label's text colour: where every walk over the tokens starts.
    TLabelDrawState BaseDrawState() const;
    // The state after applying the formatting of tokens 0..index in order.
    TLabelDrawState StateAfter(int index) const;

    const QVector<LabelToken>& Tokens() const { return FTokens; }

    // Runs the drawing walk over rect. With measureOnly nothing is drawn and
    // pieces stays empty; the result is rect with its bottom and right set to
    // the text's extent.
    QRect DrawTokens(QPainter* painter, const QRect& rect, bool measureOnly,
                     QVector<TLabelPiece>* pieces = nullptr) const;

    // What painting the label at its current size would draw.
    QVector<TLabelPiece> Pieces() const;

    // The size measured from the caption (what auto-size uses).
    QSize MeasuredSize() const;

    QSize sizeHint() const override { return MeasuredSize(); }

    // Qt cannot resolve these Windows face names; they mean the sans-serif UI
    // font. Sizes are character heights in points.
    static QFont PlatformFont(const QString& family, double points);

    // A font whose cell height (ascent + descent) is cellPoints points.
    static QFont WithCellHeight(const QFont& font, double cellPoints);

    static quint32 DefaultColor(int n);
    static QColor ToQColor(quint32 bgr);
    static int RoundHalfEven(double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Parse();
    void ClassifyToken(LabelToken& token) const;
    void SplitWords(int index);
    void ApplyFormat(const LabelToken& token, TLabelDrawState& state) const;
    void MeasureTokens();
    void WrapLayout(int availableWidth) const;
    static QString DisplayText(const QString& text);

    QString FCaption;
    mutable QVector<LabelToken> FTokens;
    std::array<quint32, kPaletteSize> FColors;
    double FFontSizeFaktor = 1.0;
    bool FAutoSize = false;
    bool FWordWrap = false;
    bool FTransparent = false;
};
