#pragma once
// Placeholder until the mask model lands.
class TVisibleAnfasser {
public:
    TVisibleAnfasser() = default;
};
