#pragma once
// TDesktopData: every user setting of the editor, with its groups, its
// defaults and its stream block (revision 0 writes nothing; revision 1 is the
// 107 + n byte block ending in "-EODesktop-").

#include <QString>

#include <cstdint>
#include <functional>

class TStream;
class THistoryListe;

using TColor = quint32; // 0x00BBGGRR, red in the low byte

// Group bits: select groups when reading a block and name the group in a
// change notification.
enum TDesktopGroup : quint16 {
    dgDialogClosed = 0x0001,
    dgGrid = 0x0002,
    dgOutline = 0x0004,
    dgDecor = 0x0008,
    dgDeskBack = 0x0010,
    dgDeskTrans = 0x0020,
    dgDeskNoTrans = 0x0040,
    dgFileMask = 0x0080,
    dgMaskPict = 0x0100,
    dgLastFileName = 0x0200,
};

// What a settings block may hold; values beyond are clamped when read. The
// grid counts are the settings dialog's range; a decoration width or the
// distance of 10 000 pixels is a third of the largest picture's side.
constexpr qint32 kGridCountMin = 1;
constexpr qint32 kGridCountMax = 100;
constexpr qint32 kDecorWidthMax = 10'000;

constexpr quint16 kDesktopMaskAll = 0x03FF;
constexpr quint16 kDesktopMaskWorkspace = 0x0277;
constexpr quint16 kDesktopMaskDocument = 0x0188;

class TDesktopData {
public:
    using TChangeEvent = std::function<void(TDesktopData* sender, quint16 what)>;

    // Every field at its default; no OnChange.
    TDesktopData();

    QString LastFileName;
    qint32 GridVertCount;
    qint32 GridHorizCount;
    quint8 GridMono;
    TColor GridMonoColor;
    TColor GridBiColor1;
    TColor GridBiColor2;
    quint8 OutlineMono;
    TColor OutlineMonoColor;
    TColor OutlineBiColor1;
    TColor OutlineBiColor2;
    TColor DeskBackColor;
    TColor DeskTransColor;
    TColor DeskNoTransColor;
    TColor FileMaskForColor;
    TColor FileMaskBackColor;
    TColor FileMaskPictColor;
    TChangeEvent OnChange;
    TColor DecorColorMiddle;
    TColor DecorColorOutside;
    TColor DecorColorInside;
    quint8 DecorView;
    quint8 DecorUse;
    qint32 DecorWidthMiddle;
    qint32 DecorWidthOutside;
    qint32 DecorWidthInside;
    qint32 DecorDistance;

    // Each group function sets exactly its group's fields to their defaults
    // and sends no notification; SetAllDefaults also empties LastFileName.
    void SetAllDefaults();
    void SetGridDefaults();
    void SetOutlineDefaults();
    void SetDecorDefaults();
    void SetDeskBackDefaults();
    void SetDeskMaskDefaults();
    void SetFileMaskDefaults();
    void SetMaskPictDefaults();

    // Revision 0 writes nothing, revision 1 the full block, any later revision
    // only the end marker.
    void WriteToStream(int revision, TStream& stream) const;
    // Always consumes the whole block; stores only the groups in mask, with
    // the grid counts clamped to kGridCountMin..kGridCountMax, the decoration
    // widths and distance to 0..kDecorWidthMax and flags to 0 or 1. Returns
    // false for an empty stream; raises ERangeError("End of Data TDesktopData
    // not found!") on a wrong end marker.
    bool ReadFromStream(int revision, TStream& stream, quint16 mask);
    // Copies all groups through a memory stream; OnChange is neither copied
    // nor called.
    void Assign(const TDesktopData& source);
    // Calls OnChange(this, what) when set.
    void Changed(quint16 what);

    // Replaces the SettingsStream of the history's "Current" entry with this
    // record as revision 1 (the installed history, or the one given).
    void SaveToHistoryCurrent() const;
    void SaveToHistoryCurrent(THistoryListe& history) const;
    // Reads the SettingsStream of the entry at the undo position with mask;
    // false without an entry there or with an empty stream.
    bool LoadFromHistoryEntry(quint16 mask);
    bool LoadFromHistoryEntry(THistoryListe& history, quint16 mask);
};
