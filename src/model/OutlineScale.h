#pragma once
// Carrying a mask over to a picture of another size: a window drawn on one
// pair of a series is put on the others, which a camera may have taken at a
// smaller size.

class TPolygonListe;

// Scales the outline with its picture: positions and parallax (a horizontal
// distance) by sx, heights by sy. A node at (X, Y, Z) moves to (nearest(X ·
// sx), nearest(Y · sy), nearest(Z · sx)); a control point keeps its place
// relative to its node in the same proportion, its vector (x, y, d) becoming
// (x · sx, y · sy, d · sx) unrounded, so the depth of a control point keeps
// its share of the parallax. Kinds, segment types and selection stay.
void ScaleOutline(TPolygonListe& outline, double sx, double sy);
