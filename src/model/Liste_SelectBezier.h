#pragma once
// Placeholder until the mask model lands.
class TSelect {
public:
    TSelect() = default;
};
