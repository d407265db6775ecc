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

// Resource numbers and texts of the history files' messages (markup of the
// message label; "%s" stands for the file name).
constexpr int kResIdUnknownVersion = 65259;
constexpr int kResIdHeaderReadError = 65260;
constexpr int kResIdEntryReadError = 65261;
extern const QString kResUnknownVersion;
extern const QString kResHeaderReadError;
extern const QString kResEntryReadError;

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

    // Records a copy of "Current" as the newest step after the undo position,
    // dropping the redo steps and, beyond kMaxEntries, the oldest ones; calls
    // OnAdd. While Restoring nothing is recorded and CurrentEntry is returned.
    THistoryEintrag* Add(const QString& name);
    int ItemIndex() const { return FItemIndex; }
    // Moves the undo position (kReapplyIndex keeps it) and calls OnIndexChange
    // with Restoring set; the same value does nothing. Restoring is reset
    // even when the handler raises.
    void SetItemIndex(int value);
    bool Restoring() const { return FRestoring; }

    // Writes header, entries and "###-EOF-###" (and with withSettings the
    // settings trailer) so that the file is replaced only when complete.
    // Raises EStreamError when the file cannot be written; an existing file
    // then keeps its old content. FileName becomes name in any case.
    void SaveToFile(const QString& name, bool withSettings);
    // The bytes SaveToFile puts in the file, written to any stream (the
    // background write takes them from memory). FileName is not touched.
    void WriteToStream(TStream& stream, bool withSettings);
    // Replaces the entries with those of the file. A missing file changes
    // nothing; a refused or unreadable header shows a message and keeps the
    // entries; a damaged entry shows a message, keeps the entries before it
    // and raises ERangeError. A damaged settings trailer resets Settings to
    // the defaults without a word. Returns whether the file was taken (false:
    // missing or refused, the history unchanged).
    bool LoadFromFile(const QString& name, bool withSettings);
    // The same file forms on any stream; messages name FileName.
    bool LoadFromStream(TStream& stream, bool withSettings);

    QString FileName;
    TNotify OnIndexChange;
    TNotify OnAdd;
    TDesktopData& Settings() { return *FSettings; }

private:
    void ClearEntries();
    // Appends an entry read from a file; the undo position follows it.
    void AppendLoaded(std::unique_ptr<THistoryEintrag> entry);

    std::vector<std::unique_ptr<THistoryEintrag>> FEntries;
    int FItemIndex = 0;
    std::unique_ptr<THistoryEintrag> FCurrent;
    bool FRestoring = false;
    std::unique_ptr<TDesktopData> FSettings;
};
