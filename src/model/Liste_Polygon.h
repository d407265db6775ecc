#pragma once
// Placeholder until the mask model lands.
class TPolygonListe {
public:
    TPolygonListe() = default;
};
