#pragma once
// THistoryListe: the undo history. Entries are snapshots of the whole editor
// state after one command; ItemIndex is the undo position. "Current" is the
// working state that the model objects write into as they change; Add copies
// it into a new entry. The same list with a header is the mask file and, with
// a settings trailer, the program data file.

#include "history/HistoryDaten.h"
#include "settings/Desktop_Object.h"

#include <functional>
#include <memory>
#include <vector>

// Resource texts of the history files (markup of the message label).
extern const QString kResUnknownVersion; // 65259
extern const QString kResHeaderReadError; // 65260
extern const QString kResEntryReadError; // 65261

class THistoryListe {
public:
    static constexpr int kMaxEntries = 255;
    // SetItemIndex with this value keeps the position and restores it again.
    static constexpr int kReapplyIndex = -123456;

    using TNotify = std::function<void(THistoryListe* sender)>;

    THistoryListe();
    ~THistoryListe();
    THistoryListe(const THistoryListe&) = delete;
    THistoryListe& operator=(const THistoryListe&) = delete;

    int Count() const { return int(FEntries.size()); }
    THistoryEintrag* Items(int i) const;
    // The entry at ItemIndex, or null outside 0..Count-1.
    THistoryEintrag* CurrentEntry() const;
    THistoryEintrag& Current() { return *FCurrent; }

    // Records "Current" as a new step (nothing while Restoring).
    THistoryEintrag* Add(const QString& name);
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int value);
    bool Restoring() const { return FRestoring; }

    void SaveToFile(const QString& name, bool withSettings);
    void LoadFromFile(const QString& name, bool withSettings);

    QString FileName;
    TNotify OnIndexChange;
    TNotify OnAdd;
    TDesktopData& Settings() { return *FSettings; }

private:
    std::vector<std::unique_ptr<THistoryEintrag>> FEntries;
    int FItemIndex = 0;
    std::unique_ptr<THistoryEintrag> FCurrent;
    bool FRestoring = false;
    std::unique_ptr<TDesktopData> FSettings;
};
