#include "settings/Desktop_Object.h"

#include "history/History.h"
#include "history/Streams.h"
#include "model/ProgramObjects.h"

#include <algorithm>

namespace {

constexpr char kEndDesktop[] = "-EODesktop-";

// Reads one item of the block and keeps it only when its group is selected:
// the stream always advances over the item, so the rest of the block stays in
// step whatever the mask.
class TMaskedReader {
public:
    TMaskedReader(TStream& stream, quint16 mask) : FStream(stream), FMask(mask) {}

    // Counts and widths come back clamped to low..high: the grid and the
    // decoration strokes add and multiply them in int arithmetic.
    void Integer(qint32& field, quint16 group, qint32 low, qint32 high)
    {
        const qint32 value = std::clamp(ReadInteger(FStream), low, high);
        if (FMask & group)
            field = value;
    }
    void Color(TColor& field, quint16 group)
    {
        const TColor value = ReadCardinal(FStream);
        if (FMask & group)
            field = value;
    }
    void Flag(quint8& field, quint16 group)
    {
        // Any byte but 0 means set; stored as 1 so comparisons with 1 hold.
        const quint8 value = ReadByte(FStream) != 0 ? 1 : 0;
        if (FMask & group)
            field = value;
    }
    void String(QString& field, quint16 group)
    {
        QString value = ReadString(FStream);
        if (FMask & group)
            field = std::move(value);
    }

private:
    TStream& FStream;
    quint16 FMask;
};

} // namespace

TDesktopData::TDesktopData() { SetAllDefaults(); }

void TDesktopData::SetAllDefaults()
{
    SetGridDefaults();
    SetOutlineDefaults();
    SetDecorDefaults();
    SetDeskBackDefaults();
    SetDeskMaskDefaults();
    SetFileMaskDefaults();
    SetMaskPictDefaults();
    LastFileName.clear();
}

void TDesktopData::SetGridDefaults()
{
    GridVertCount = 10;
    GridHorizCount = 10;
    GridMono = 1;
    GridMonoColor = 0x808080;
    GridBiColor1 = 0xFFFFFF;
    GridBiColor2 = 0x000000;
}

void TDesktopData::SetOutlineDefaults()
{
    OutlineMono = 1;
    OutlineMonoColor = 0xFFFFFF;
    OutlineBiColor1 = 0xFFFFFF;
    OutlineBiColor2 = 0x000000;
}

void TDesktopData::SetDecorDefaults()
{
    DecorColorMiddle = 0x808080;
    DecorColorOutside = 0xC0C0C0;
    DecorColorInside = 0xC0C0C0;
    DecorView = 0;
    DecorUse = 1;
    DecorWidthMiddle = 10;
    DecorWidthOutside = 5;
    DecorWidthInside = 5;
    DecorDistance = 20;
}

void TDesktopData::SetDeskBackDefaults() { DeskBackColor = 0x101010; }

void TDesktopData::SetDeskMaskDefaults()
{
    DeskTransColor = 0x04FF04;
    DeskNoTransColor = 0x000000;
}

void TDesktopData::SetFileMaskDefaults()
{
    FileMaskForColor = 0xFFFFFF;
    FileMaskBackColor = 0x000000;
}

void TDesktopData::SetMaskPictDefaults() { FileMaskPictColor = 0x000000; }

void TDesktopData::WriteToStream(int revision, TStream& stream) const
{
    if (revision == 0)
        return;
    if (revision == 1) {
        WriteInteger(stream, GridVertCount);
        WriteInteger(stream, GridHorizCount);
        WriteByte(stream, GridMono);
        WriteCardinal(stream, GridMonoColor);
        WriteCardinal(stream, GridBiColor1);
        WriteCardinal(stream, GridBiColor2);
        WriteByte(stream, OutlineMono);
        WriteCardinal(stream, OutlineMonoColor);
        WriteCardinal(stream, OutlineBiColor1);
        WriteCardinal(stream, OutlineBiColor2);
        WriteCardinal(stream, DeskBackColor);
        WriteCardinal(stream, DeskTransColor);
        WriteCardinal(stream, DeskNoTransColor);
        WriteCardinal(stream, FileMaskForColor);
        WriteCardinal(stream, FileMaskBackColor);
        WriteCardinal(stream, FileMaskPictColor);
        // The decoration items follow the stored order (inside before middle
        // before outside), not the order of the fields.
        WriteByte(stream, DecorUse);
        WriteByte(stream, DecorView);
        WriteCardinal(stream, DecorColorInside);
        WriteCardinal(stream, DecorColorMiddle);
        WriteCardinal(stream, DecorColorOutside);
        WriteInteger(stream, DecorDistance);
        WriteInteger(stream, DecorWidthInside);
        WriteInteger(stream, DecorWidthMiddle);
        WriteInteger(stream, DecorWidthOutside);
        WriteString(stream, LastFileName);
    }
    WriteRawString(stream, kEndDesktop);
}

bool TDesktopData::ReadFromStream(int revision, TStream& stream, quint16 mask)
{
    if (stream.Size() == 0)
        return false;
    if (revision == 1) {
        TMaskedReader r(stream, mask);
        r.Integer(GridVertCount, dgGrid, kGridCountMin, kGridCountMax);
        r.Integer(GridHorizCount, dgGrid, kGridCountMin, kGridCountMax);
        r.Flag(GridMono, dgGrid);
        r.Color(GridMonoColor, dgGrid);
        r.Color(GridBiColor1, dgGrid);
        r.Color(GridBiColor2, dgGrid);
        r.Flag(OutlineMono, dgOutline);
        r.Color(OutlineMonoColor, dgOutline);
        r.Color(OutlineBiColor1, dgOutline);
        r.Color(OutlineBiColor2, dgOutline);
        r.Color(DeskBackColor, dgDeskBack);
        r.Color(DeskTransColor, dgDeskTrans);
        r.Color(DeskNoTransColor, dgDeskNoTrans);
        r.Color(FileMaskForColor, dgFileMask);
        r.Color(FileMaskBackColor, dgFileMask);
        r.Color(FileMaskPictColor, dgMaskPict);
        r.Flag(DecorUse, dgDecor);
        r.Flag(DecorView, dgDecor);
        r.Color(DecorColorInside, dgDecor);
        r.Color(DecorColorMiddle, dgDecor);
        r.Color(DecorColorOutside, dgDecor);
        r.Integer(DecorDistance, dgDecor, 0, kDecorWidthMax);
        r.Integer(DecorWidthInside, dgDecor, 0, kDecorWidthMax);
        r.Integer(DecorWidthMiddle, dgDecor, 0, kDecorWidthMax);
        r.Integer(DecorWidthOutside, dgDecor, 0, kDecorWidthMax);
        r.String(LastFileName, dgLastFileName);
    }
    if (revision != 0)
        ReadEndMarker(stream, kEndDesktop, QStringLiteral("End of Data TDesktopData not found!"));
    return true;
}

void TDesktopData::Assign(const TDesktopData& source)
{
    TMemoryStream stream;
    for (int revision = 0; revision <= 1; ++revision) {
        stream.Rewind();
        source.WriteToStream(revision, stream);
        stream.Rewind();
        ReadFromStream(revision, stream, kDesktopMaskAll);
    }
}

void TDesktopData::Changed(quint16 what)
{
    if (OnChange)
        OnChange(this, what);
}

void TDesktopData::SaveToHistoryCurrent() const
{
    if (THistoryListe* history = HistoryListe())
        SaveToHistoryCurrent(*history);
}

void TDesktopData::SaveToHistoryCurrent(THistoryListe& history) const
{
    TMemoryStream& settings = history.Current().R02().SettingsStream;
    settings.Clear();
    WriteToStream(1, settings);
    settings.Rewind();
}

bool TDesktopData::LoadFromHistoryEntry(quint16 mask)
{
    THistoryListe* history = HistoryListe();
    return history && LoadFromHistoryEntry(*history, mask);
}

bool TDesktopData::LoadFromHistoryEntry(THistoryListe& history, quint16 mask)
{
    THistoryEintrag* entry = history.CurrentEntry();
    if (!entry)
        return false;
    TMemoryStream& settings = entry->R02().SettingsStream;
    settings.Rewind();
    return ReadFromStream(1, settings, mask);
}
