#include "stereo/StereoConvert.h"

#include "model/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace {

// How one output channel is made. Products are tabulated per source channel:
// t[c][v] is the very double that weight_c * v gives, so summing the three
// table entries in the row's order reproduces a*R + b*G + c*B bit for bit.
//
// Rows whose weights are whole thousandths (the grey row 0.299, 0.587,
// 0.114 of every half-tone and grey matrix) are summed in integers instead:
// n = 1000 * (a*R + b*G + c*B) exactly. The double sum differs from n / 1000
// by less than 1e-6, and n / 1000 is at least 0.001 away from the next half
// unless n ends in 500, so rounding n / 1000 gives the double formula's
// result everywhere but at those ties, which take the double path.
struct TRowPlan {
    enum Kind { Zero, Copy, General, SameAs, Thousandths } kind = Zero;
    int channel = 0; // Copy: 0 red, 1 green, 2 blue
    int source = 0; // 0 first picture, 1 second picture
    int same = 0; // SameAs: the earlier row whose result this row repeats
    uint32_t k[3] = {0, 0, 0}; // Thousandths: the weights times 1000
    double t[3][256];
};

// The weights times 1000 when all are whole thousandths from 0 to 1000
// (closer than 1e-9); false otherwise.
bool WholeThousandths(const double* w, uint32_t* k)
{
    for (int c = 0; c < 3; ++c) {
        const double scaled = w[c] * 1000;
        const double whole = std::nearbyint(scaled);
        if (!(whole >= 0 && whole <= 1000) || std::fabs(scaled - whole) > 1e-6)
            return false;
        k[c] = uint32_t(whole);
    }
    return true;
}

struct TMixPlan {
    TRowPlan rows[3];
    bool allCopy = true; // no row needs arithmetic
};

// A row whose weights are finite and small enough that every result fits an
// int64 before its low eight bits are taken.
bool RowIsSane(const double* w)
{
    for (int i = 0; i < 3; ++i)
        if (!std::isfinite(w[i]) || std::fabs(w[i]) > 1e12)
            return false;
    return true;
}

void BuildPlan(TMixPlan& plan, const TColorMatrix& m, const int sources[3])
{
    for (int r = 0; r < 3; ++r) {
        TRowPlan& row = plan.rows[r];
        const double* w = &m[size_t(r) * 3];
        row.source = sources[r];
        row.kind = TRowPlan::General;
        if (!RowIsSane(w)) {
            row.kind = TRowPlan::Zero;
        } else if (w[0] == 0 && w[1] == 0 && w[2] == 0) {
            row.kind = TRowPlan::Zero;
        } else {
            // 1*v + 0*x + 0*y is exactly v, so a unit row is a channel copy.
            for (int c = 0; c < 3; ++c)
                if (w[c] == 1 && w[(c + 1) % 3] == 0 && w[(c + 2) % 3] == 0) {
                    row.kind = TRowPlan::Copy;
                    row.channel = c;
                }
        }
        if (row.kind == TRowPlan::General) {
            for (int e = 0; e < r; ++e) {
                const double* we = &m[size_t(e) * 3];
                if ((plan.rows[e].kind == TRowPlan::General || plan.rows[e].kind == TRowPlan::Thousandths)
                    && plan.rows[e].source == row.source
                    && we[0] == w[0] && we[1] == w[1] && we[2] == w[2]) {
                    row.kind = TRowPlan::SameAs;
                    row.same = e;
                    break;
                }
            }
        }
        if (row.kind == TRowPlan::General) {
            plan.allCopy = false;
            for (int c = 0; c < 3; ++c)
                for (int v = 0; v < 256; ++v)
                    row.t[c][v] = w[c] * double(v);
            if (WholeThousandths(w, row.k))
                row.kind = TRowPlan::Thousandths;
        } else if (row.kind == TRowPlan::SameAs) {
            plan.allCopy = false;
        }
    }
}

inline int ChannelShift(int channel) { return 16 - 8 * channel; }

inline uint32_t EvalRow(const TRowPlan& row, QRgb p)
{
    // Left-to-right sum, as the formula reads.
    double s = row.t[0][(p >> 16) & 0xFF] + row.t[1][(p >> 8) & 0xFF];
    s += row.t[2][p & 0xFF];
    return uint32_t(int64_t(std::nearbyint(s))) & 0xFF;
}

// One output channel of one pixel for a row of whole thousandths:
// with m = n + 500, floor(m / 1000) is the rounded result unless m is a
// multiple of 1000 (a tie), and those few pixels take the double formula.
// For m up to 255500 the float product below is within 3e-5 of
// (m + 0.5) / 1000, which is at least 0.0005 away from the next integer, so
// truncating it gives floor(m / 1000) exactly.
inline uint32_t ThousandthsPixel(const TRowPlan& row, QRgb p)
{
    const int32_t m = int32_t(row.k[0] * ((p >> 16) & 0xFF) + row.k[1] * ((p >> 8) & 0xFF) + row.k[2] * (p & 0xFF)) + 500;
    const int32_t q = int32_t((float(m) + 0.5f) * 0.001f);
    return q * 1000 == m ? EvalRow(row, p) : uint32_t(q) & 0xFF;
}

#ifndef __SSE4_1__
// Without four-pixel steps: plans that only copy or clear channels.
void MixRowsCopy(const TMixPlan& plan, const QImage& a, const QImage& b, uchar* outBits, qsizetype outBpl, int width, int y0, int y1)
{
    const TRowPlan* r = plan.rows;
    const int s0 = ChannelShift(r[0].channel), s1 = ChannelShift(r[1].channel), s2 = ChannelShift(r[2].channel);
    const uint32_t k0 = r[0].kind == TRowPlan::Copy ? 0xFF : 0;
    const uint32_t k1 = r[1].kind == TRowPlan::Copy ? 0xFF : 0;
    const uint32_t k2 = r[2].kind == TRowPlan::Copy ? 0xFF : 0;
    for (int y = y0; y < y1; ++y) {
        const QRgb* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        const QRgb* p0 = r[0].source ? pb : pa;
        const QRgb* p1 = r[1].source ? pb : pa;
        const QRgb* p2 = r[2].source ? pb : pa;
        QRgb* o = reinterpret_cast<QRgb*>(outBits + y * outBpl);
        for (int x = 0; x < width; ++x) {
            const uint32_t red = (p0[x] >> s0) & k0;
            const uint32_t green = (p1[x] >> s1) & k1;
            const uint32_t blue = (p2[x] >> s2) & k2;
            o[x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
        }
    }
}
#endif

void MixRowsGeneral(const TMixPlan& plan, const QImage& a, const QImage& b, uchar* outBits, qsizetype outBpl, int width, int y0, int y1)
{
    const TRowPlan* r = plan.rows;
    for (int y = y0; y < y1; ++y) {
        const QRgb* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        const QRgb* src[3] = {r[0].source ? pb : pa, r[1].source ? pb : pa, r[2].source ? pb : pa};
        QRgb* o = reinterpret_cast<QRgb*>(outBits + y * outBpl);
        for (int x = 0; x < width; ++x) {
            uint32_t v[3];
            for (int i = 0; i < 3; ++i) {
                const QRgb p = src[i][x];
                switch (r[i].kind) {
                case TRowPlan::Zero:
                    v[i] = 0;
                    break;
                case TRowPlan::Copy:
                    v[i] = (p >> ChannelShift(r[i].channel)) & 0xFF;
                    break;
                case TRowPlan::General:
                case TRowPlan::Thousandths:
                    v[i] = EvalRow(r[i], p);
                    break;
                case TRowPlan::SameAs:
                    v[i] = v[r[i].same];
                    break;
                }
            }
            o[x] = 0xFF000000u | (v[0] << 16) | (v[1] << 8) | v[2];
        }
    }
}

// One pixel of a plan without General rows.
inline QRgb MixPixel(const TRowPlan* r, QRgb pa, QRgb pb)
{
    uint32_t v[3];
    for (int i = 0; i < 3; ++i) {
        const QRgb p = r[i].source ? pb : pa;
        switch (r[i].kind) {
        case TRowPlan::Zero:
            v[i] = 0;
            break;
        case TRowPlan::Copy:
            v[i] = (p >> ChannelShift(r[i].channel)) & 0xFF;
            break;
        case TRowPlan::Thousandths:
            v[i] = ThousandthsPixel(r[i], p);
            break;
        case TRowPlan::General:
            v[i] = EvalRow(r[i], p);
            break;
        case TRowPlan::SameAs:
            v[i] = v[r[i].same];
            break;
        }
    }
    return 0xFF000000u | (v[0] << 16) | (v[1] << 8) | v[2];
}

#ifdef __SSE4_1__
// Four pixels of a thousandths row at once, the arithmetic of
// ThousandthsPixel; ties gets a bit for every pixel that is a tie, whose
// result the caller takes from the double formula instead.
inline __m128i ThousandthsFour(const TRowPlan& row, __m128i p, int* ties)
{
    const __m128i byte = _mm_set1_epi32(0xFF);
    const __m128i r = _mm_and_si128(_mm_srli_epi32(p, 16), byte);
    const __m128i g = _mm_and_si128(_mm_srli_epi32(p, 8), byte);
    const __m128i b = _mm_and_si128(p, byte);
    const __m128i m = _mm_add_epi32(_mm_add_epi32(_mm_add_epi32(_mm_mullo_epi32(r, _mm_set1_epi32(int(row.k[0]))),
                                                                _mm_mullo_epi32(g, _mm_set1_epi32(int(row.k[1])))),
                                                  _mm_mullo_epi32(b, _mm_set1_epi32(int(row.k[2])))),
                                    _mm_set1_epi32(500));
    const __m128i q =
        _mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(m), _mm_set1_ps(0.5f)), _mm_set1_ps(0.001f)));
    *ties |= _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_mullo_epi32(q, _mm_set1_epi32(1000)), m)));
    return _mm_and_si128(q, byte);
}
#endif

// Plans without General rows, four pixels at a time where the processor
// allows it.
void MixRowsChannels(const TMixPlan& plan, const QImage& a, const QImage& b, uchar* outBits, qsizetype outBpl,
                     int width, int y0, int y1)
{
    const TRowPlan* r = plan.rows;
    for (int y = y0; y < y1; ++y) {
        const QRgb* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        QRgb* o = reinterpret_cast<QRgb*>(outBits + y * outBpl);
        int x = 0;
#ifdef __SSE4_1__
        const __m128i byte = _mm_set1_epi32(0xFF);
        for (; x + 4 <= width; x += 4) {
            const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pa + x));
            const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pb + x));
            __m128i c[3];
            int ties = 0;
            for (int i = 0; i < 3; ++i) {
                const __m128i src = r[i].source ? vb : va;
                switch (r[i].kind) {
                case TRowPlan::Copy:
                    c[i] = _mm_and_si128(_mm_srl_epi32(src, _mm_cvtsi32_si128(ChannelShift(r[i].channel))), byte);
                    break;
                case TRowPlan::Thousandths:
                    c[i] = ThousandthsFour(r[i], src, &ties);
                    break;
                case TRowPlan::SameAs:
                    c[i] = c[r[i].same];
                    break;
                default: // Zero; General rows never come here
                    c[i] = _mm_setzero_si128();
                    break;
                }
            }
            const __m128i pixel = _mm_or_si128(
                _mm_or_si128(_mm_set1_epi32(int(0xFF000000u)), _mm_slli_epi32(c[0], 16)),
                _mm_or_si128(_mm_slli_epi32(c[1], 8), c[2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + x), pixel);
            if (ties)
                for (int j = 0; j < 4; ++j)
                    if (ties & (1 << j))
                        o[x + j] = MixPixel(r, pa[x + j], pb[x + j]);
        }
#endif
        for (; x < width; ++x)
            o[x] = MixPixel(r, pa[x], pb[x]);
    }
}

// Writes the mix of the top-left width x height region of a and b into out.
void RunMix(const TColorMatrix& m, const int sources[3], const QImage& a, const QImage& b, QImage& out, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    auto plan = std::make_unique<TMixPlan>();
    BuildPlan(*plan, m, sources);
    // Detach once here; scanLine() inside the bands would race on the
    // picture's bookkeeping.
    uchar* bits = out.bits();
    const qsizetype bpl = out.bytesPerLine();
    const TMixPlan& p = *plan;
    const bool general = std::any_of(std::begin(p.rows), std::end(p.rows),
                                     [](const TRowPlan& row) { return row.kind == TRowPlan::General; });
    ForRowBands(height, qint64(width) * height, [&](int y0, int y1) {
#ifndef __SSE4_1__
        if (p.allCopy) {
            MixRowsCopy(p, a, b, bits, bpl, width, y0, y1);
            return;
        }
#endif
        if (!general)
            MixRowsChannels(p, a, b, bits, bpl, width, y0, y1);
        else
            MixRowsGeneral(p, a, b, bits, bpl, width, y0, y1);
    });
}

void MixAnaglyph(TBitmap& first, TBitmap& second, TBitmap& target, const TColorMatrix& m, const int sources[3])
{
    SwitchToRgb32(first);
    SwitchToRgb32(second);
    // Shallow copies keep both inputs alive when target is one of them.
    const QImage a = first.Image;
    const QImage b = second.Image;
    const int width = std::max(a.width(), b.width());
    const int height = std::max(a.height(), b.height());
    const int sharedW = std::min(a.width(), b.width());
    const int sharedH = std::min(a.height(), b.height());
    target.Brush = kBlack;
    if (sharedW == width && sharedH == height) {
        // Every pixel is computed: an unshared picture of the size is reused
        // as it is, anything else replaced without copying.
        QImage& t = target.Image;
        if (t.width() != width || t.height() != height || t.format() != QImage::Format_RGB32 || !t.isDetached())
            t = NewRgb32(width, height);
    } else
        SetBitmapSize(target, width, height);
    RunMix(m, sources, a, b, target.Image, sharedW, sharedH);
}

// Copies the part of picture row sy that falls into [0, w) at x offset ox.
inline void CopyRowPart(QRgb* line, int w, const QImage& picture, int sy, int ox)
{
    const int from = std::max(0, -ox);
    const int to = std::min<qint64>(picture.width(), qint64(w) - ox);
    if (from < to)
        std::memcpy(line + ox + from, reinterpret_cast<const QRgb*>(picture.constScanLine(sy)) + from,
                    size_t(to - from) * sizeof(QRgb));
}

// Places a at (ax, ay) and b at (bx, by) on a w x h picture, b over a;
// whatever neither covers takes the brush colour. out is reused when it has
// the size and nobody else holds it, which saves faulting in fresh pages.
void PlaceTwo(QImage& out, const QImage& a, int ax, int ay, const QImage& b, int bx, int by, int w, int h,
              QRgb brush)
{
    if (out.width() != w || out.height() != h || out.format() != QImage::Format_RGB32 || !out.isDetached())
        out = NewRgb32(w, h);
    if (out.isNull())
        return;
    uchar* bits = out.bits();
    const qsizetype bpl = out.bytesPerLine();
    ForRowBands(h, qint64(w) * h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(bits + y * bpl);
            const bool inA = y >= ay && y < ay + a.height();
            const bool inB = y >= by && y < by + b.height();
            int spans[2][2];
            int n = 0;
            if (inA)
                spans[n][0] = ax, spans[n][1] = ax + a.width(), ++n;
            if (inB)
                spans[n][0] = bx, spans[n][1] = bx + b.width(), ++n;
            if (n == 2 && spans[1][0] < spans[0][0])
                std::swap(spans[0], spans[1]);
            int x = 0;
            for (int i = 0; i < n; ++i) {
                const int from = std::clamp(spans[i][0], 0, w);
                if (from > x)
                    std::fill(line + x, line + from, brush);
                x = std::max(x, std::clamp(spans[i][1], 0, w));
            }
            if (x < w)
                std::fill(line + x, line + w, brush);
            if (inA)
                CopyRowPart(line, w, a, y - ay, ax);
            if (inB)
                CopyRowPart(line, w, b, y - by, bx);
        }
    });
}

} // namespace

// The model's rule, so that pictures and outline round alike and a value
// beyond the int range (a hostile file, a degenerate scale) stays defined.
int RoundEven(double value) { return nearest(value); }

bool AnaglyphMixMatrix(int layout, int kind, TColorMatrix* matrix)
{
    using namespace StereoMatrix;
    static const TColorMatrix* const redCyan[3] = {&kRedCyanColor, &kRedCyanHalfTone, &kRedCyanGrey};
    static const TColorMatrix* const yellowBlue[3] = {&kYellowBlueColor, &kYellowBlueHalfTone, &kYellowBlueGrey};
    const bool kindOk = kind >= 0 && kind <= 2;
    switch (layout) {
    case slRedCyan:
        if (!kindOk)
            return false;
        *matrix = *redCyan[kind];
        return true;
    case slYellowBlue:
        if (!kindOk)
            return false;
        *matrix = *yellowBlue[kind];
        return true;
    case slRedBlue:
        *matrix = kRedBlue;
        return true;
    case slRedGreen:
        *matrix = kRedGreen;
        return true;
    default:
        return false;
    }
}

void ApplyColorMatrix(TBitmap& target, TBitmap& source, const TColorMatrix& matrix)
{
    SwitchToRgb32(source);
    const QImage src = source.Image;
    static const int kSources[3] = {0, 0, 0};
    target.Image = NewRgb32(src.width(), src.height());
    RunMix(matrix, kSources, src, src, target.Image, src.width(), src.height());
}

void MixAnaglyphRedFirst(TBitmap& first, TBitmap& second, TBitmap& target, const TColorMatrix& matrix)
{
    static const int kSources[3] = {0, 1, 1};
    MixAnaglyph(first, second, target, matrix, kSources);
}

void MixAnaglyphBlueFirst(TBitmap& first, TBitmap& second, TBitmap& target, const TColorMatrix& matrix)
{
    static const int kSources[3] = {1, 1, 0};
    MixAnaglyph(first, second, target, matrix, kSources);
}

void CombineStereoPicture(int layout, int kind, TBitmap& left, TBitmap& right, TBitmap& target, int gap)
{
    SwitchToRgb32(left);
    SwitchToRgb32(right);
    const QImage l = left.Image;
    const QImage r = right.Image;
    const QRgb brush = ColorToRgb32(target.Brush);
    switch (layout) {
    case slSeparate:
    case slParallel:
        PlaceTwo(target.Image, l, 0, 0, r, l.width() + gap, 0, l.width() + r.width() + gap, l.height(), brush);
        return;
    case slCross:
        PlaceTwo(target.Image, r, 0, 0, l, r.width() + gap, 0, l.width() + r.width() + gap, l.height(), brush);
        return;
    case slOverUnder:
        PlaceTwo(target.Image, r, 0, 0, l, 0, r.height() + gap, l.width(), l.height() + r.height() + gap, brush);
        return;
    default:
        break;
    }
    TColorMatrix matrix;
    const TColor keepBrush = target.Brush;
    const bool mixes = AnaglyphMixMatrix(layout, kind, &matrix);
    // With equal sizes the mix overwrites every pixel of the copy, so the
    // copy is left out.
    if (!mixes || l.size() != r.size())
        target.Image = l;
    if (mixes) {
        if (layout == slYellowBlue)
            MixAnaglyphBlueFirst(left, right, target, matrix);
        else
            MixAnaglyphRedFirst(left, right, target, matrix);
    }
    // The mix blackens the brush for its own enlarging; the caller's stays.
    target.Brush = keepBrush;
}

void FillBitmapColor(QImage& image, TColor color)
{
    if (image.isNull())
        return;
    // A shared picture would be copied only to be overwritten.
    if (!image.isDetached() || image.format() != QImage::Format_RGB32)
        image = NewRgb32(image.width(), image.height());
    image.fill(ColorToRgb32(color));
}

void FillBitmapColor(TBitmap& bitmap, TColor color) { FillBitmapColor(bitmap.Image, color); }

QRect FitRect(const QRect& area, const QRect& source)
{
    const double aw = area.width(), ah = area.height();
    const double sw = source.width(), sh = source.height();
    if (aw <= 0 || ah <= 0 || sw <= 0 || sh <= 0)
        return QRect(area.topLeft(), QSize(0, 0));
    const double scale = (sw / sh > aw / ah) ? aw / sw : ah / sh;
    const int newH = RoundEven(sh * scale);
    const int newW = RoundEven(sw * scale);
    const int top = area.top() + std::abs(area.height() - newH) / 2;
    const int left = area.left() + std::abs(area.width() - newW) / 2;
    return QRect(left, top, newW, newH);
}

QString StereoLayoutName(int layout)
{
    static const char* const kNames[kStereoLayoutCount] = {
        "getrennte Einzelbilder (links / rechts)",
        "Stereobild Parallelblick (links / rechts)",
        "Stereobild Kreuzblick (rechts / links)",
        "Stereobild KMQ (rechte Bild  oben)", // two blanks, as the list has always shown it
        "Anaglyph - rot / cyan",
        "Anaglyph - gelb / blau",
        "Anaglyph - rot / blau",
        "Anaglyph - rot / gr\u00fcn",
    };
    int index = int(unsigned(layout) % 128u);
    if (index >= kStereoLayoutCount)
        index = 0;
    return QString::fromUtf8(kNames[index]);
}
