#pragma once
// Placeholder until the mask model lands.
class TSelectStrPkt {
public:
    TSelectStrPkt() = default;
};
