#pragma once
// TDisparityMap: the parallax of every place of the left picture, measured on a
// reduced copy of the pair. Values are in pixels of the full picture and follow
// the mask's own rule: a scene point seen at x in the left picture stands at
// x + p in the right one, so what is nearer than the window plane has p < 0 and
// what is nearer than a window of parallax Z has p < Z. Places the matcher
// could not judge (occluded, textureless, outside the right picture) are
// unknown. The map holds no reference to the pictures it came from.

#include <QSize>

#include <cmath>
#include <limits>
#include <vector>

class TDisparityMap {
public:
    static constexpr float kUnknown = std::numeric_limits<float>::quiet_NaN();
    static bool IsKnown(float p) { return !std::isnan(p); }

    // An empty map.
    TDisparityMap() = default;
    // A width x height map of a picture of pictureSize, every place unknown.
    // An empty size on either side gives an empty map.
    TDisparityMap(int width, int height, QSize pictureSize);

    bool Empty() const { return FValues.empty(); }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    QSize PictureSize() const { return FPicture; }
    // Map pixels per picture pixel, horizontally and vertically.
    double ScaleX() const { return FWidth > 0 ? double(FWidth) / FPicture.width() : 0.0; }
    double ScaleY() const { return FHeight > 0 ? double(FHeight) / FPicture.height() : 0.0; }

    // Parallax at a map pixel in picture pixels; unknown outside the map.
    float At(int mx, int my) const
    {
        if (mx < 0 || my < 0 || mx >= FWidth || my >= FHeight)
            return kUnknown;
        return FValues[size_t(my) * size_t(FWidth) + size_t(mx)];
    }
    void Set(int mx, int my, float p) { FValues[size_t(my) * size_t(FWidth) + size_t(mx)] = p; }
    float* Row(int my) { return FValues.data() + size_t(my) * size_t(FWidth); }
    const float* Row(int my) const { return FValues.data() + size_t(my) * size_t(FWidth); }

    // Parallax at a point of the left picture: the map pixel that covers it,
    // unknown outside the picture.
    float AtPicture(double x, double y) const;
    // Share of known places, 0 for an empty map.
    double KnownFraction() const;

private:
    int FWidth = 0;
    int FHeight = 0;
    QSize FPicture;
    std::vector<float> FValues;
};
