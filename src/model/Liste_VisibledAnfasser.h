#pragma once
// TVisibleAnfasser: every visible handle, in the order in which it became
// visible. Handles that appeared later lie on top, so the hit search goes
// from the last to the first.

#include <QPoint>

#include <vector>

class TAnfasser;

class TVisibleAnfasser {
public:
    TVisibleAnfasser() = default;
    TVisibleAnfasser(const TVisibleAnfasser&) = delete;
    TVisibleAnfasser& operator=(const TVisibleAnfasser&) = delete;

    // Called by TAnfasser::SetVisible.
    void Add(TAnfasser* p);
    void Remove(TAnfasser* p);

    int Count() const { return int(FItems.size()); }
    // Handle i, or null outside 0..Count-1.
    TAnfasser* Items(int i) const;
    // Position of p, or -1.
    int IndexOf(const TAnfasser* p) const;
    // Exchanges p with the first handle.
    void MakeFirst(TAnfasser* p);
    // The topmost handle whose square contains p, or null; leftFlag tells
    // whether its left square was hit.
    TAnfasser* FindHit(const QPoint& p, bool& leftFlag) const;

private:
    std::vector<TAnfasser*> FItems;
};
