#include "history/History.h"

const QString kResUnknownVersion = QStringLiteral(
    u"<FB><FS12><c4>Fehler!<FN><LF>Die Datei:<c5> %s <FN><LF>enthält Daten einer unbekannte Programversion und "
    u"<LF>können daher nicht gelesen werden.<LF><FB>Es werden Vorgabewerte verwendet!<FN><LF>");
const QString kResHeaderReadError = QStringLiteral(
    u"<FB><FS12><c4>Fehler!<FN><LF>Beim lesen der Datei:<c5> %s <FN><LF>ist ein Fehler Aufgetreten. <LF>Es konnten "
    u"keine oder nicht alle Daten gelesen werden.<LF><FB>Wiederherstellung erfolgt beim letzten gültigen "
    u"Eintrag!<FN><LF>");
const QString kResEntryReadError = QStringLiteral(
    u"<FB><FS12><c4>Fehler!<FN><LF>Beim lesen der Datei:<c5> %s <FN><LF>ist ein Fehler Aufgetreten. <LF><FB>Es "
    u"werden Vorgabewerte verwendet!<FN><LF>");

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
    // The restore handler rebuilds the model, and the model reports every
    // change as a step of its own; none of those may become history.
    if (FRestoring)
        return CurrentEntry();
    auto entry = std::make_unique<THistoryEintrag>(name);
    entry->Capture(*FCurrent);
    while (Count() > 0 && Count() > FItemIndex + 1)
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
    // A handler that moves the position again must not lift the guard of the
    // restore that is still running around it.
    struct TRestoreGuard {
        bool& flag;
        bool previous;
        ~TRestoreGuard() { flag = previous; }
    } guard{FRestoring, FRestoring};
    FRestoring = true;
    if (OnIndexChange)
        OnIndexChange(this);
}

void THistoryListe::ClearEntries() { FEntries.clear(); }

void THistoryListe::AppendLoaded(std::unique_ptr<THistoryEintrag> entry)
{
    FEntries.push_back(std::move(entry));
    FItemIndex = Count() - 1;
}
