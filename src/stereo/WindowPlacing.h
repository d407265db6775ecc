#pragma once
// Placing the window for the user: one depth change for the whole outline
// that puts the window just in front of the nearest scene along its edge.
// Every node moves by the same amount, so the outline keeps its shape and
// its tilt, and the window's parallax rises or falls by exactly that amount
// at every point of the edge.

#include <optional>

class TPolygonListe;
struct TWindowCheck;

// Name of the history step of "Scheinfenster vor die Szene setzen".
inline constexpr const char* kStepFensterVor = "FensterVor";

// Pixels of parallax by which the placed window stands in front of the
// nearest scene at its edge.
constexpr double kPlacingMargin = 1.0;

// The depth change (parallax pixels, whole) that leaves the window at least
// margin in front of the scene at every judged sample of the check, and less
// than margin + 1 in front where the scene is nearest. May be negative
// (towards the viewer) or positive (back towards the scene). None when no
// sample of the edge could be judged.
std::optional<int> WindowPlacingOffset(const TWindowCheck& check, double margin = kPlacingMargin);

// Moves every node of the outline, and with it its control points, by dz in
// depth and rebuilds the point arrays. Records nothing: the caller stores
// the outline and adds the history step.
void ShiftWindowDepth(TPolygonListe& outline, int dz);
