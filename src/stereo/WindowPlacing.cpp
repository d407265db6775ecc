#include "stereo/WindowPlacing.h"

#include "model/Liste_Polygon.h"
#include "stereo/WindowCheck.h"

#include <cmath>

namespace {
constexpr double kMaxOffset = 1e6;
// A clearance a rounding error short of a whole number is that number.
constexpr double kRoundingSlack = 1e-9;
} // namespace

std::optional<int> WindowPlacingOffset(const TWindowCheck& check, double margin)
{
    if (!TDisparityMap::IsKnown(float(check.MinClearance)))
        return std::nullopt;
    // Rounding down keeps the margin where the scene is nearest; the window's
    // depth is a whole number of pixels. A parallax beyond any picture's
    // width is no depth to move to.
    const double offset = std::floor(check.MinClearance - margin + kRoundingSlack);
    if (!(std::fabs(offset) <= kMaxOffset))
        return std::nullopt;
    return int(offset);
}

void ShiftWindowDepth(TPolygonListe& outline, int dz)
{
    if (dz == 0)
        return;
    for (int i = 0; i < outline.Count(); ++i)
        outline.Items(i)->MoveZ(dz);
    outline.BuildPoints();
}
