#include "stereo/Disparity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

namespace {

// Grey random texture; every block x block square has one value, so that a
// picture reduced by that factor is still textured at every pixel.
QImage Texture(int w, int h, unsigned seed, int block = 1)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(0, 255);
    QImage image(w, h, QImage::Format_RGB32);
    std::vector<int> row((w + block - 1) / block);
    for (int y = 0; y < h; ++y) {
        if (y % block == 0)
            for (int& v : row)
                v = value(rng);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb(row[x / block], row[x / block], row[x / block]);
    }
    return image;
}

// The right picture of a scene at parallax p everywhere: what the left
// picture shows at x, the right one shows at x + p; what enters from outside
// is new texture.
QImage Shifted(const QImage& left, int p, unsigned seed)
{
    QImage right = Texture(left.width(), left.height(), seed);
    for (int y = 0; y < left.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(right.scanLine(y));
        for (int x = 0; x < left.width(); ++x)
            if (x - p >= 0 && x - p < left.width())
                out[x] = in[x - p];
    }
    return right;
}

void FillRect(QImage& image, const QRect& r, QRgb colour)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)) + r.left(), r.width(), colour);
}

struct TStats {
    double known = 0; // share of the region
    float median = TDisparityMap::kUnknown;
    float lowest = TDisparityMap::kUnknown;
};

TStats Region(const TDisparityMap& map, const QRect& r)
{
    std::vector<float> v;
    int total = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            ++total;
            if (TDisparityMap::IsKnown(map.At(x, y)))
                v.push_back(map.At(x, y));
        }
    TStats s;
    s.known = total ? double(v.size()) / total : 0;
    if (!v.empty()) {
        std::sort(v.begin(), v.end());
        s.median = v[v.size() / 2];
        s.lowest = v.front();
    }
    return s;
}

} // namespace

TEST(DisparityMap, ShiftedTextureGivesItsParallaxInTheMasksSignUpToThePicturesEdges)
{
    // The noise border lets the matcher judge the outer 64 columns on each
    // side too. What the right picture does not show (here its last six
    // columns) fails the match back from the right picture, though the
    // matcher alone still finds a "match" for a few percent of them.
    const struct {
        int p;
        QRect unseen, nearEdge, farEdge;
    } rows[] = {
        {6, QRect(314, 10, 6, 180), QRect(3, 10, 40, 180), QRect(270, 10, 40, 180)},
        {-9, QRect(), QRect(12, 10, 40, 180), QRect(277, 10, 40, 180)},
    };
    const QImage left = Texture(320, 200, 3);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.p);
        const TDisparityMap map = ComputeDisparityMap(left, Shifted(left, row.p, 4));
        ASSERT_EQ(map.Width(), 320);
        ASSERT_EQ(map.Height(), 200);
        EXPECT_EQ(map.PictureSize(), QSize(320, 200));
        const TStats s = Region(map, QRect(20, 10, 280, 180));
        EXPECT_GT(s.known, 0.95);
        EXPECT_EQ(s.median, float(row.p));
        for (const QRect& edge : {row.nearEdge, row.farEdge}) {
            const TStats e = Region(map, edge);
            EXPECT_GT(e.known, 0.9) << edge.x();
            EXPECT_EQ(e.median, float(row.p)) << edge.x();
        }
        if (!row.unseen.isEmpty()) {
            EXPECT_EQ(Region(map, row.unseen).known, 0.0);
        }
    }
}

TEST(DisparityMap, TexturelessPlacesAreUnknown)
{
    // An even grey area 160 x 120; its inside, further than half a texture
    // window from the texture round it, has nothing to match.
    QImage left = Texture(320, 200, 5);
    FillRect(left, QRect(80, 40, 160, 120), qRgb(128, 128, 128));
    const QImage right = Shifted(left, 6, 6);
    const TDisparityMap map = ComputeDisparityMap(left, right);
    EXPECT_EQ(Region(map, QRect(96, 56, 128, 88)).known, 0.0);
    const TStats around = Region(map, QRect(10, 10, 60, 180));
    EXPECT_GT(around.known, 0.95);
    EXPECT_EQ(around.median, 6.0f);
}

TEST(DisparityMap, OccludedStripIsUnknownRatherThanGuessed)
{
    // Background at parallax 4; a square at -10 in front of it covers, in
    // the right picture, the background that the left picture shows in
    // columns 126..139.
    const QImage background = Texture(320, 200, 7);
    QImage left = background;
    QImage right = Shifted(background, 4, 8);
    const QImage square = Texture(60, 80, 9);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 60; ++x) {
            left.setPixel(140 + x, 60 + y, square.pixel(x, y));
            right.setPixel(130 + x, 60 + y, square.pixel(x, y));
        }
    const TDisparityMap map = ComputeDisparityMap(left, right);
    const TStats strip = Region(map, QRect(128, 65, 10, 70));
    EXPECT_LT(strip.known, 0.2);
    if (strip.known > 0) {
        EXPECT_GT(strip.lowest, 0.0f); // nothing there passes for the square
    }
    EXPECT_EQ(Region(map, QRect(145, 65, 50, 70)).median, -10.0f);
    EXPECT_EQ(Region(map, QRect(220, 65, 80, 70)).median, 4.0f);
}

TEST(DisparityMap, ReducedPairsReportPictureParallaxAWidePictureReducedByItsWidthATallOneByItsHeight)
{
    TDisparityParams params;
    params.TargetWidth = 200;
    const QImage wide = Texture(400, 120, 10, 2);
    const TDisparityMap map = ComputeDisparityMap(wide, Shifted(wide, 8, 11), params);
    ASSERT_EQ(map.Width(), 200);
    ASSERT_EQ(map.Height(), 60);
    EXPECT_DOUBLE_EQ(map.ScaleX(), 0.5);
    EXPECT_EQ(map.PictureSize(), QSize(400, 120));
    const TStats s = Region(map, QRect(10, 5, 180, 50));
    EXPECT_GT(s.known, 0.9);
    EXPECT_EQ(s.median, 8.0f); // four pixels of the reduced pair
    EXPECT_EQ(map.AtPicture(201, 61), map.At(100, 30));
    const QImage tall = Texture(120, 400, 22, 2);
    const TDisparityMap tallMap = ComputeDisparityMap(tall, Shifted(tall, 4, 23), params);
    EXPECT_EQ(QSize(tallMap.Width(), tallMap.Height()), QSize(60, 200));
    EXPECT_EQ(Region(tallMap, QRect(10, 10, 40, 180)).median, 4.0f);
}

TEST(DisparityMap, PicturesOfOtherFormatsAndDifferentSizesShareTheirCommonPart)
{
    const QImage left = Texture(320, 200, 12);
    const QImage right = Shifted(left, 5, 13).copy(0, 0, 300, 190);
    const TDisparityMap map = ComputeDisparityMap(left.convertToFormat(QImage::Format_RGB888),
                                                  right.convertToFormat(QImage::Format_Grayscale8));
    EXPECT_EQ(map.PictureSize(), QSize(300, 190));
    EXPECT_EQ(Region(map, QRect(20, 10, 260, 170)).median, 5.0f);
}

TEST(DisparityMap, NothingToMatchOrCancelledWorkGivesAnEmptyOrUnknownMap)
{
    const QImage left = Texture(320, 200, 16);
    EXPECT_TRUE(ComputeDisparityMap(QImage(), left).Empty());
    EXPECT_TRUE(ComputeDisparityMap(left, QImage()).Empty());
    // Smaller than one matching block: a map, but nothing known.
    const TDisparityMap tiny = ComputeDisparityMap(Texture(3, 3, 17), Texture(3, 3, 18));
    EXPECT_EQ(tiny.Width(), 3);
    EXPECT_EQ(tiny.KnownFraction(), 0.0);
    int asked = 0;
    const TDisparityMap map = ComputeDisparityMap(left, Shifted(left, 6, 20), {}, [&] { return ++asked >= 2; });
    EXPECT_TRUE(map.Empty());
    EXPECT_EQ(asked, 2); // stopped at the second checkpoint, after the reduction
}
