#include "history/History.h"

// The file texts below are filled in by the history files work.
const QString kResUnknownVersion;
const QString kResHeaderReadError;
const QString kResEntryReadError;

THistoryListe::THistoryListe()
    : FCurrent(std::make_unique<THistoryEintrag>(QStringLiteral("Current"))),
      FSettings(std::make_unique<TDesktopData>())
{
}

THistoryListe::~THistoryListe() = default;

THistoryEintrag* THistoryListe::Items(int i) const
{
    return (i >= 0 && i < Count()) ? FEntries[size_t(i)].get() : nullptr;
}

THistoryEintrag* THistoryListe::CurrentEntry() const { return Items(FItemIndex); }

THistoryEintrag* THistoryListe::Add(const QString& name)
{
    if (FRestoring)
        return CurrentEntry();
    auto entry = std::make_unique<THistoryEintrag>(name);
    entry->Capture();
    while (Count() > FItemIndex + 1 && Count() > 0)
        FEntries.pop_back();
    FEntries.push_back(std::move(entry));
    FItemIndex = Count() - 1;
    while (Count() > kMaxEntries) {
        FEntries.erase(FEntries.begin());
        --FItemIndex;
    }
    if (OnAdd)
        OnAdd(this);
    return FEntries.back().get();
}

void THistoryListe::SetItemIndex(int value)
{
    if (value == FItemIndex)
        return;
    if (value != kReapplyIndex)
        FItemIndex = value;
    FRestoring = true;
    try {
        if (OnIndexChange)
            OnIndexChange(this);
    } catch (...) {
        FRestoring = false;
        throw;
    }
    FRestoring = false;
}

void THistoryListe::SaveToFile(const QString&, bool) {}
void THistoryListe::LoadFromFile(const QString&, bool) {}
