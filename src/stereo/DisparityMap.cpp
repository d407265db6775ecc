#include "stereo/DisparityMap.h"

TDisparityMap::TDisparityMap(int width, int height, QSize pictureSize)
{
    if (width <= 0 || height <= 0 || pictureSize.width() <= 0 || pictureSize.height() <= 0)
        return;
    FWidth = width;
    FHeight = height;
    FPicture = pictureSize;
    FValues.assign(size_t(width) * size_t(height), kUnknown);
}

float TDisparityMap::AtPicture(double x, double y) const
{
    if (Empty() || !(x >= 0 && y >= 0 && x < FPicture.width() && y < FPicture.height()))
        return kUnknown;
    // A map pixel covers the picture pixels whose scaled position falls into
    // it, as in an area-averaging reduction.
    return At(int(x * ScaleX()), int(y * ScaleY()));
}

double TDisparityMap::KnownFraction() const
{
    if (FValues.empty())
        return 0.0;
    size_t known = 0;
    for (float p : FValues)
        known += IsKnown(p) ? 1 : 0;
    return double(known) / double(FValues.size());
}
