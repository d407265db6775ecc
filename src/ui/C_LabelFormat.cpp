#include "ui/C_LabelFormat.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::array<quint32, TLabelFormat::kPaletteSize> kDefaultPalette = {
    0x000000, // black
    0x808080, // grey
    0x0000FF, // red
    0xFF0000, // blue
    0x008000, // green
    0x00FF00, // lime
    0x00FFFF, // yellow
    0xFF00FF, // fuchsia
};

const QString kLineBreakTag = QStringLiteral("<LF>");

bool IsAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// "<" + prefix + 1..maxDigits digits + ">", returning the number or -1.
int TagNumber(const QString& upperTag, const QString& prefix, int maxDigits)
{
    const int digits = upperTag.size() - prefix.size() - 2;
    if (digits < 1 || digits > maxDigits || !upperTag.endsWith(QLatin1Char('>'))
        || upperTag.mid(1, prefix.size()) != prefix)
        return -1;
    int value = 0;
    for (int i = 1 + prefix.size(); i < upperTag.size() - 1; ++i) {
        if (!IsAsciiDigit(upperTag[i]))
            return -1;
        value = value * 10 + (upperTag[i].unicode() - '0');
    }
    return value;
}

} // namespace

TLabelFormat::TLabelFormat(QWidget* parent)
    : QWidget(parent), FColors(kDefaultPalette)
{
    setAutoFillBackground(true);
}

quint32 TLabelFormat::DefaultColor(int n)
{
    return (n >= 1 && n <= kPaletteSize) ? kDefaultPalette[n - 1] : 0;
}

QColor TLabelFormat::ToQColor(quint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int TLabelFormat::RoundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5)
        return int(floor) + 1;
    if (fraction < 0.5)
        return int(floor);
    return std::fmod(floor, 2.0) == 0.0 ? int(floor) : int(floor) + 1;
}

quint32 TLabelFormat::Color(int n) const
{
    return (n >= 1 && n <= kPaletteSize) ? FColors[n - 1] : 0;
}

void TLabelFormat::SetColor(int n, quint32 bgr)
{
    if (n < 1 || n > kPaletteSize)
        return;
    FColors[n - 1] = bgr;
    update();
}

void TLabelFormat::SetCaption(const QString& caption)
{
    FCaption = caption;
    Parse();
}

void TLabelFormat::SetAutoSize(bool on)
{
    FAutoSize = on;
    AdjustBounds();
}

void TLabelFormat::SetWordWrap(bool on)
{
    if (FWordWrap == on)
        return;
    FWordWrap = on;
    // Words become tokens of their own only while parsing, and the wrap flags
    // of the old layout must not survive into the unwrapped one.
    Parse();
}

void TLabelFormat::SetTransparent(bool on)
{
    FTransparent = on;
    setAutoFillBackground(!on);
    update();
}

QFont TLabelFormat::PlatformFont(const QString& family, double points)
{
    QFont font;
    const bool windowsFace = family.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0
        || family.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0;
    if (windowsFace || family.isEmpty()) {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
    } else {
        font.setFamily(family);
    }
    font.setPointSizeF(points);
    return font;
}

QFont TLabelFormat::WithCellHeight(const QFont& font, double cellPoints)
{
    // The cell of a face is a fixed multiple of its em; measure that multiple
    // on a large em so that hinting does not distort it.
    QFont probe = font;
    probe.setPixelSize(1000);
    const double cellPerEm = QFontMetricsF(probe).height() / 1000.0;
    QFont result = font;
    result.setPointSizeF(std::max(1.0, cellPoints) / (cellPerEm > 0.0 ? cellPerEm : 1.0));
    return result;
}

TLabelDrawState TLabelFormat::BaseDrawState() const
{
    TLabelDrawState state;
    state.Font = font();
    double points = state.Font.pointSizeF();
    if (points <= 0.0)
        points = QFontInfo(state.Font).pointSizeF();
    state.Font.setPointSize(std::max(1, RoundHalfEven(points * FFontSizeFaktor)));
    state.Color = palette().color(QPalette::WindowText);
    return state;
}

TLabelDrawState TLabelFormat::StateAfter(int index) const
{
    TLabelDrawState state = BaseDrawState();
    for (int i = 0; i <= index && i < FTokens.size(); ++i)
        ApplyFormat(FTokens[i], state);
    return state;
}

void TLabelFormat::ApplyFormat(const LabelToken& token, TLabelDrawState& state) const
{
    switch (token.Kind) {
    case ltColor:
        state.Color = ToQColor(Color(token.ColorIndex));
        break;
    case ltFontSize:
        state.Font = WithCellHeight(state.Font, RoundHalfEven(token.FontSize * FFontSizeFaktor));
        break;
    case ltBold:
        state.Font.setBold(!state.Font.bold());
        break;
    case ltItalic:
        state.Font.setItalic(!state.Font.italic());
        break;
    case ltUnderline:
        state.Font.setUnderline(!state.Font.underline());
        break;
    case ltStrikeOut:
        state.Font.setStrikeOut(!state.Font.strikeOut());
        break;
    case ltNormal:
        state = BaseDrawState();
        state.Font.setBold(false);
        state.Font.setItalic(false);
        state.Font.setUnderline(false);
        state.Font.setStrikeOut(false);
        break;
    default:
        break;
    }
}

void TLabelFormat::ClassifyToken(LabelToken& token) const
{
    const QString tag = token.Tag.toUpper();
    bool known = tag.size() >= 3;
    if (known) {
        int number = -1;
        if (tag == kLineBreakTag) {
            token.Kind = ltLineBreak;
        } else if (tag.size() == 4 && tag[1] == QLatin1Char('C') && tag[2] >= QLatin1Char('1')
                   && tag[2] <= QLatin1Char('8') && tag[3] == QLatin1Char('>')) {
            token.Kind = ltColor;
            token.ColorIndex = quint8(tag[2].unicode() - '0');
        } else if ((number = TagNumber(tag, QStringLiteral("T"), 3)) >= 0) {
            token.Kind = ltTab;
            token.TabColumn = number;
        } else if ((number = TagNumber(tag, QStringLiteral("FS"), 2)) >= 0) {
            token.Kind = ltFontSize;
            token.FontSize = quint8(number);
        } else if (tag == QLatin1String("<FB>")) {
            token.Kind = ltBold;
        } else if (tag == QLatin1String("<FI>")) {
            token.Kind = ltItalic;
        } else if (tag == QLatin1String("<FU>")) {
            token.Kind = ltUnderline;
        } else if (tag == QLatin1String("<FO>")) {
            token.Kind = ltStrikeOut;
        } else if (tag == QLatin1String("<FN>")) {
            token.Kind = ltNormal;
        } else if (tag == QLatin1String("<L>")) {
            token.Kind = ltLeft;
        } else if (tag == QLatin1String("<C>")) {
            token.Kind = ltCentre;
        } else if (tag == QLatin1String("<R>")) {
            token.Kind = ltRight;
        } else {
            known = false;
        }
    }
    if (!known) {
        token.Kind = ltText;
        token.Text = token.Tag + token.Text;
    }
}

void TLabelFormat::SplitWords(int index)
{
    const QString text = FTokens[index].Text;
    const QChar blank(QLatin1Char(' '));
    int pos = 0;
    while (pos < text.size() && text[pos] == blank)
        ++pos;
    QStringList words;
    int start = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] != blank)
            ++pos;
        while (pos < text.size() && text[pos] == blank)
            ++pos;
        words << text.mid(start, pos - start);
        start = pos;
    }
    if (words.size() <= 1)
        return;
    FTokens[index].Text = words.first();
    for (int i = 1; i < words.size(); ++i) {
        LabelToken word;
        word.Text = words[i];
        FTokens.insert(index + i, word);
    }
}

void TLabelFormat::Parse()
{
    FTokens.clear();
    QString text = FCaption;
    if (!text.isEmpty()) {
        // A carriage return as the very last character has no line to start.
        for (;;) {
            const int cr = text.indexOf(QLatin1Char('\r'));
            if (cr < 0 || cr >= text.size() - 1)
                break;
            text.replace(cr, 1, kLineBreakTag);
        }
        const auto add = [this](LabelToken token) {
            FTokens.append(token);
            if (FWordWrap)
                SplitWords(FTokens.size() - 1);
        };
        if (!text.startsWith(QLatin1Char('<'))) {
            const int first = text.indexOf(QLatin1Char('<'));
            LabelToken token;
            token.Text = first < 0 ? text : text.left(first);
            add(token);
            text = first < 0 ? QString() : text.mid(first);
        }
        int pos = 0;
        while (pos < text.size()) {
            LabelToken token;
            const int close = text.indexOf(QLatin1Char('>'), pos);
            int next = -1;
            if (close < 0) {
                token.Tag = text.mid(pos);
            } else {
                token.Tag = text.mid(pos, close - pos + 1);
                next = text.indexOf(QLatin1Char('<'), close);
                token.Text = next < 0 ? text.mid(close + 1) : text.mid(close + 1, next - close - 1);
            }
            ClassifyToken(token);
            add(token);
            if (next < 0)
                break;
            pos = next;
        }
        MeasureTokens();
    }
    AdjustBounds();
    update();
}

QString TLabelFormat::DisplayText(const QString& text)
{
    // Control characters (a line feed after a converted carriage return, a
    // trailing carriage return) have no glyph; the platform label skips them.
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text)
        if (c.unicode() >= 0x20)
            shown.append(c);
    return shown;
}

void TLabelFormat::MeasureTokens()
{
    TLabelDrawState state = BaseDrawState();
    int x = 0;
    int lineRight = 0;
    int lineHeight = 0;
    int start = 0;
    for (int i = 0; i < FTokens.size(); ++i) {
        LabelToken& token = FTokens[i];
        token.Align = 0;
        token.WrapBreak = false;
        ApplyFormat(token, state);
        const QFontMetrics metrics(state.Font);
        int w = metrics.horizontalAdvance(DisplayText(token.Text));
        const int h = metrics.height();
        if (token.Kind == ltLineBreak) {
            start = i;
            x = 0;
            lineRight = 0;
            lineHeight = 0;
        } else if (token.Kind == ltTab) {
            // The drawing jumps to the tab column; without this a label sized
            // from the measure would cut off the text behind a tab.
            x = token.TabColumn * metrics.horizontalAdvance(QLatin1Char('M'));
        } else if (token.Kind >= ltLeft && token.Kind <= ltRight) {
            if (FTokens[start].Align == 0) {
                FTokens[start].Align = token.Kind;
            } else {
                token.Text = token.Tag + token.Text;
                w = metrics.horizontalAdvance(DisplayText(token.Text));
                token.Width = x + w;
            }
        }
        lineHeight = std::max(lineHeight, h);
        x += w;
        lineRight = std::max(lineRight, x);
        FTokens[start].Width = lineRight;
        FTokens[start].LineHeight = lineHeight;
    }
    quint8 lineAlign = 0;
    for (int i = 0; i < FTokens.size(); ++i) {
        if (i == 0 || FTokens[i].Kind == ltLineBreak)
            lineAlign = FTokens[i].Align;
        FTokens[i].LineAlign = lineAlign;
    }
}

void TLabelFormat::WrapLayout(int availableWidth) const
{
    TLabelDrawState state = BaseDrawState();
    int x = 0;
    int lineHeight = 0;
    int start = 0;
    for (int i = 0; i < FTokens.size(); ++i) {
        LabelToken& token = FTokens[i];
        token.WrapBreak = false;
        token.LineHeight = -1;
        ApplyFormat(token, state);
        const QFontMetrics metrics(state.Font);
        const int w = metrics.horizontalAdvance(DisplayText(token.Text));
        const int h = metrics.height();
        const int tabX = token.TabColumn * metrics.horizontalAdvance(QLatin1Char('M'));
        if (token.Kind == ltTab)
            x = tabX;
        lineHeight = std::max(lineHeight, h);
        token.Width = x;
        // A word that is too wide for an empty line stays on it: breaking
        // there would only put a blank line above it.
        if ((x > 0 && x + w > availableWidth) || token.Kind == ltLineBreak) {
            token.WrapBreak = true;
            FTokens[start].Width = x;
            start = i;
            lineHeight = h;
            x = token.Kind == ltTab ? tabX : 0;
        }
        FTokens[start].LineHeight = lineHeight;
        x += w;
    }
    if (!FTokens.isEmpty()) {
        FTokens[start].Width = x;
        FTokens[start].LineHeight = lineHeight;
    }
}

QRect TLabelFormat::DrawTokens(QPainter* painter, const QRect& rect, bool measureOnly,
                               QVector<TLabelPiece>* pieces) const
{
    if (FTokens.isEmpty())
        return QRect(rect.topLeft(), QSize(0, 0));
    if (FWordWrap)
        WrapLayout(rect.width());
    TLabelDrawState state = BaseDrawState();
    const bool disabled = !isEnabled();
    const QColor highlight = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    int penX = 0;
    int y = FTokens.first().LineHeight;
    int widest = 0;
    for (const LabelToken& token : std::as_const(FTokens)) {
        ApplyFormat(token, state);
        widest = std::max(widest, token.Width);
        if (token.Kind == ltLineBreak || token.WrapBreak) {
            penX = 0;
            y += token.LineHeight;
        }
        if (token.Align == ltCentre || (token.WrapBreak && token.LineAlign == ltCentre))
            penX = rect.width() / 2 - token.Width / 2;
        if (token.Align == ltRight || (token.WrapBreak && token.LineAlign == ltRight))
            penX = rect.width() - token.Width;
        const QFontMetrics metrics(state.Font);
        if (token.Kind == ltTab)
            penX = token.TabColumn * metrics.horizontalAdvance(QLatin1Char('M'));
        if (measureOnly)
            continue;
        const QString text = DisplayText(token.Text);
        // The cells of one line share their bottom edge, whatever their size.
        const QPoint topLeft(rect.left() + penX, rect.top() + y - metrics.height());
        const QColor color = disabled ? shadow : state.Color;
        if (painter && !text.isEmpty()) {
            painter->setFont(state.Font);
            if (disabled) {
                painter->setPen(highlight);
                painter->drawText(topLeft + QPoint(1, 1 + metrics.ascent()), text);
            }
            painter->setPen(color);
            painter->drawText(topLeft + QPoint(0, metrics.ascent()), text);
        }
        if (pieces && !text.isEmpty())
            pieces->append({text, topLeft, state.Font, color});
        penX += metrics.horizontalAdvance(text);
    }
    return QRect(rect.left(), rect.top(), widest, y);
}

QVector<TLabelPiece> TLabelFormat::Pieces() const
{
    QVector<TLabelPiece> pieces;
    DrawTokens(nullptr, rect(), false, &pieces);
    return pieces;
}

QSize TLabelFormat::MeasuredSize() const
{
    return DrawTokens(nullptr, rect(), true).size();
}

void TLabelFormat::AdjustBounds()
{
    if (!FAutoSize)
        return;
    resize(MeasuredSize());
}

void TLabelFormat::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawTokens(&painter, rect(), false);
}
