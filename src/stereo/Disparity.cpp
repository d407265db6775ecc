#include "stereo/Disparity.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>

namespace {

// Fixed-point unit of the matcher's output: sixteenths of a pixel.
constexpr int kSubPixel = 16;
// A match whose cost is not at least this many percent below that of the
// best other candidate is ambiguous and dropped.
constexpr int kUniqueness = 10;
// Islands of consistent values smaller than this (pixels of the reduced
// pair) that differ from their surroundings by more than kSpeckleRange pixels
// are matching noise; the matcher removes them.
constexpr int kSpeckleWindow = 100;
constexpr int kSpeckleRange = 2;
constexpr int kPreFilterCap = 31;
// The noise border's seed: every run pads the same way, so a pair always
// gives the same map.
constexpr uint64_t kBorderSeed = 0x5eed;
// Bounds of the caller's settings; the matcher's buffers grow with both.
constexpr int kMaxBlock = 11;
constexpr int kMaxSearchRange = 256;

// A grey copy of the shared part of the picture, reduced to size.
cv::Mat ReducedGrey(const QImage& picture, int width, int height, cv::Size size)
{
    QImage rgb32 = picture;
    if (rgb32.format() != QImage::Format_RGB32 && rgb32.format() != QImage::Format_ARGB32)
        rgb32 = picture.convertToFormat(QImage::Format_RGB32);
    // The pixels of Format_RGB32 lie in memory as blue, green, red, alpha.
    const cv::Mat whole(rgb32.height(), rgb32.width(), CV_8UC4, const_cast<uchar*>(rgb32.constBits()),
                        size_t(rgb32.bytesPerLine()));
    const cv::Mat part = whole(cv::Rect(0, 0, width, height));
    cv::Mat reduced;
    if (size.width == width && size.height == height)
        reduced = part;
    else
        cv::resize(part, reduced, size, 0, 0, cv::INTER_AREA);
    cv::Mat grey;
    cv::cvtColor(reduced, grey, cv::COLOR_BGRA2GRAY);
    return grey;
}

// The matcher judges a left pixel only where every searched position lies
// inside the right picture. A border of fixed noise on both sides lets it
// judge the pixels near the edges too: positions in the noise never match, and
// what truly lies outside the other picture fails the consistency check.
cv::Mat WithNoiseBorder(const cv::Mat& grey, int border)
{
    cv::Mat padded(grey.rows, grey.cols + 2 * border, CV_8UC1);
    cv::RNG rng(kBorderSeed);
    rng.fill(padded, cv::RNG::UNIFORM, 0, 256);
    grey.copyTo(padded(cv::Rect(border, 0, grey.cols, grey.rows)));
    return padded;
}

cv::Ptr<cv::StereoSGBM> Matcher(int block, int searchRange)
{
    // Penalties for a change of one pixel and of more between neighbours, in
    // the proportion OpenCV's documentation suggests for one grey channel.
    const int p1 = 8 * block * block, p2 = 32 * block * block;
    // The consistency check is our own, over both full directions, so the
    // matcher's one-sided approximation of it stays off. The three-way
    // variant found the same violations as the full one on the generated
    // test scenes, in a third less processor time.
    return cv::StereoSGBM::create(-searchRange, 2 * searchRange, block, p1, p2, -1, kPreFilterCap, kUniqueness,
                                  kSpeckleWindow, kSpeckleRange, cv::StereoSGBM::MODE_SGBM_3WAY);
}

// Disparities (left x minus right x, in sixteenths) of every pixel of
// `first`, matched against `second`; the matcher's invalid value marks
// unmatched pixels. With mirrored set, both pictures are mirrored first and
// the result is mirrored back: that is the map of the right picture, in the
// same sign.
cv::Mat Match(const cv::Mat& first, const cv::Mat& second, int block, int searchRange, int border, bool mirrored)
{
    cv::Mat a = WithNoiseBorder(first, border), b = WithNoiseBorder(second, border);
    if (mirrored) {
        cv::flip(a, a, 1);
        cv::flip(b, b, 1);
    }
    cv::Mat disparity;
    Matcher(block, searchRange)->compute(a, b, disparity);
    if (mirrored)
        cv::flip(disparity, disparity, 1);
    return disparity(cv::Rect(border, 0, first.cols, first.rows)).clone();
}

// True where the left picture has enough horizontal texture to be matched.
cv::Mat Textured(const cv::Mat& grey, const TDisparityParams& params)
{
    cv::Mat step;
    // Central difference, halved: grey levels per pixel.
    const cv::Mat kernel = (cv::Mat_<float>(1, 3) << -0.5f, 0.0f, 0.5f);
    cv::filter2D(grey, step, CV_32F, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    step = cv::abs(step);
    cv::Mat mean;
    const int window = std::max(1, params.TextureWindow);
    cv::blur(step, mean, cv::Size(window, window), cv::Point(-1, -1), cv::BORDER_REPLICATE);
    return mean >= params.MinTexture;
}

// Runs work on a second thread while the caller's thread runs other; an
// exception from either is raised again on the caller's thread.
template <typename A, typename B>
void Both(A&& work, B&& other)
{
    std::exception_ptr error;
    std::thread helper([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
    });
    try {
        other();
    } catch (...) {
        helper.join();
        throw;
    }
    helper.join();
    if (error)
        std::rethrow_exception(error);
}

} // namespace

TDisparityMap ComputeDisparityMap(QImage left, QImage right, const TDisparityParams& params,
                                  const std::function<bool()>& cancelled)
{
    auto stop = [&] { return cancelled && cancelled(); };
    if (left.isNull() || right.isNull())
        return {};
    const int width = std::min(left.width(), right.width()), height = std::min(left.height(), right.height());
    // The longer side sets the reduction, so that a portrait picture (or an
    // absurdly tall one) costs no more than a landscape one of that width.
    const double scale = std::min(1.0, double(std::max(1, params.TargetWidth)) / std::max(width, height));
    const cv::Size size(std::max(1, int(std::lround(width * scale))), std::max(1, int(std::lround(height * scale))));
    TDisparityMap map(size.width, size.height, QSize(width, height));
    // The matcher wants an odd block and a whole number of sixteen-pixel
    // steps of search; the search is bounded, since its buffers grow with it.
    const int block = std::clamp(params.BlockSize | 1, 1, kMaxBlock);
    const int searchRange = (std::clamp(params.SearchRange, 8, kMaxSearchRange) + 7) / 8 * 8;
    if (stop())
        return {};
    if (size.width < block || size.height < block)
        return map;

    cv::Mat greyLeft, greyRight;
    Both([&] { greyRight = ReducedGrey(right, width, height, size); },
         [&] { greyLeft = ReducedGrey(left, width, height, size); });
    left = QImage();
    right = QImage();
    if (stop())
        return {};

    const int border = searchRange + block / 2 + 1;
    cv::Mat fromLeft, fromRight;
    Both([&] { fromRight = Match(greyRight, greyLeft, block, searchRange, border, true); },
         [&] { fromLeft = Match(greyLeft, greyRight, block, searchRange, border, false); });
    if (stop())
        return {};

    const cv::Mat textured = Textured(greyLeft, params);
    const int invalid = (-searchRange - 1) * kSubPixel;
    const double toPicture = -1.0 / (map.ScaleX() * kSubPixel);
    const double tolerance = params.ConsistencyTolerance * kSubPixel;
    for (int y = 0; y < size.height; ++y) {
        const auto* l = fromLeft.ptr<short>(y);
        const auto* r = fromRight.ptr<short>(y);
        const auto* t = textured.ptr<uchar>(y);
        float* out = map.Row(y);
        for (int x = 0; x < size.width; ++x) {
            if (l[x] <= invalid || !t[x])
                continue;
            // Where the left pixel lands in the right picture; the right
            // picture's own match from there must lead back.
            const int xr = int(std::lround(x - double(l[x]) / kSubPixel));
            if (xr < 0 || xr >= size.width || r[xr] <= invalid || std::abs(r[xr] - l[x]) > tolerance)
                continue;
            out[x] = float(l[x] * toPicture);
        }
    }
    return map;
}
