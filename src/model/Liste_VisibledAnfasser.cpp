#include "model/Liste_VisibledAnfasser.h"

#include "model/ListObj_Anfasser.h"

#include <algorithm>
#include <iterator>

void TVisibleAnfasser::Add(TAnfasser* p) { FItems.push_back(p); }

void TVisibleAnfasser::Remove(TAnfasser* p)
{
    // Handles mostly leave in the reverse order they came (an outline that is
    // cleared destroys its nodes from the back), so the search starts there.
    const auto it = std::find(FItems.rbegin(), FItems.rend(), p);
    if (it != FItems.rend())
        FItems.erase(std::next(it).base());
}

TAnfasser* TVisibleAnfasser::Items(int i) const
{
    return (i >= 0 && i < Count()) ? FItems[size_t(i)] : nullptr;
}

int TVisibleAnfasser::IndexOf(const TAnfasser* p) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), p);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TVisibleAnfasser::MakeFirst(TAnfasser* p)
{
    const int i = IndexOf(p);
    if (i >= 1)
        std::swap(FItems[0], FItems[size_t(i)]);
}

TAnfasser* TVisibleAnfasser::FindHit(const QPoint& p, bool& leftFlag) const
{
    for (int i = Count() - 1; i >= 0; --i)
        if (FItems[size_t(i)]->HitTest(p, leftFlag))
            return FItems[size_t(i)];
    return nullptr;
}
