#include "history/HistoryDaten.h"

#include "history/History.h"
#include "history/UserMessage.h"
#include "model/Geometry.h"
#include "model/ProgramObjects.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr char kEndR01[] = "###-EOD R01-###\r\n";
constexpr char kEndR02[] = "###-EOD R02-###\r\n";
constexpr char kEndEntry[] = "###-EOD-###\r\n";

void CopyStream(const TMemoryStream& source, TMemoryStream& dest)
{
    dest.SetData(source.Data());
}

// Both writers rewind before copying a memory stream out and again afterwards,
// so the stream is left ready for its next reader.
void WriteRewound(TMemoryStream& source, TStream& dest)
{
    source.Rewind();
    WriteStream(source, dest);
    source.Rewind();
}

// A zoom that is not a number is the default; any other is kept within
// 0..kMaxStoredZoom (the view itself never goes below its own minimum, and
// a fitted view of a large picture in a small window stores a tiny factor).
double ClampStoredZoom(double zoom)
{
    if (std::isnan(zoom))
        return THistoryDataR01::kDefaultZoom;
    return std::clamp(zoom, 0.0, THistoryDataR01::kMaxStoredZoom);
}

THistoryEintrag* CurrentEntryOfHistory()
{
    THistoryListe* history = HistoryListe();
    return history ? &history->Current() : nullptr;
}

} // namespace

THistoryDataR01::THistoryDataR01() { SetDefaults(); }

void THistoryDataR01::SetDefaults()
{
    LeftFileName.clear();
    RightFileName.clear();
    CheckedActions = 0;
    EditMode = 0;
    Zoom = kDefaultZoom;
    ViewCenterX = -1;
    ViewCenterY = -1;
}

void THistoryDataR01::AssignFrom(const THistoryDataR01& source)
{
    LeftFileName = source.LeftFileName;
    RightFileName = source.RightFileName;
    CheckedActions = source.CheckedActions;
    EditMode = source.EditMode;
    Zoom = source.Zoom;
    ViewCenterX = source.ViewCenterX;
    ViewCenterY = source.ViewCenterY;
    CopyStream(source.GeometryStream, GeometryStream);
    CopyStream(source.SelectionStream, SelectionStream);
}

void THistoryDataR01::AssignFromCurrent()
{
    if (THistoryEintrag* current = CurrentEntryOfHistory())
        AssignFrom(current->R01());
}

bool THistoryDataR01::ReadFromStream(TStream& stream)
{
    LeftFileName = ReadString(stream);
    RightFileName = ReadString(stream);
    CheckedActions = ReadCardinal(stream);
    EditMode = ReadInteger(stream);
    // On disk the view centre comes before the zoom. Both are clamped to what
    // the view can compute with; -1 (not yet set) lies inside the range.
    ViewCenterX = ClampFileCoordinate(ReadInteger(stream));
    ViewCenterY = ClampFileCoordinate(ReadInteger(stream));
    Zoom = ClampStoredZoom(ReadDouble(stream));
    ReadStream(stream, GeometryStream);
    ReadStream(stream, SelectionStream);
    GeometryStream.Rewind();
    SelectionStream.Rewind();
    ReadEndMarker(stream, kEndR01, QStringLiteral("End of Data R01 not found!"));
    return true;
}

void THistoryDataR01::WriteToStream(TStream& stream)
{
    WriteString(stream, LeftFileName);
    WriteString(stream, RightFileName);
    WriteCardinal(stream, CheckedActions);
    WriteInteger(stream, EditMode);
    WriteInteger(stream, ViewCenterX);
    WriteInteger(stream, ViewCenterY);
    WriteDouble(stream, Zoom);
    WriteRewound(GeometryStream, stream);
    WriteRewound(SelectionStream, stream);
    WriteRawString(stream, kEndR01);
}

THistoryDataR02::THistoryDataR02()
{
    Label = QStringLiteral("THistoryDataR02.Create");
    SetDefaults();
}

void THistoryDataR02::SetDefaults() { InputLayout = 0; }

void THistoryDataR02::AssignFrom(const THistoryDataR02& source)
{
    CopyStream(source.OutlineStateStream, OutlineStateStream);
    CopyStream(source.ReservedStream1, ReservedStream1);
    CopyStream(source.ReservedStream2, ReservedStream2);
    CopyStream(source.SettingsStream, SettingsStream);
    InputLayout = source.InputLayout;
}

void THistoryDataR02::AssignFromCurrent()
{
    if (THistoryEintrag* current = CurrentEntryOfHistory())
        AssignFrom(current->R02());
}

bool THistoryDataR02::ReadFromStream(TStream& stream)
{
    ReadStream(stream, OutlineStateStream);
    ReadStream(stream, ReservedStream1);
    ReadStream(stream, ReservedStream2);
    ReadStream(stream, SettingsStream);
    const qint32 layout = ReadInteger(stream);
    InputLayout = (layout >= 0 && layout <= 7) ? quint8(layout) : 0;
    OutlineStateStream.Rewind();
    ReservedStream1.Rewind();
    ReservedStream2.Rewind();
    SettingsStream.Rewind();
    ReadEndMarker(stream, kEndR02, QStringLiteral("End of Data R02 not found!"));
    return true;
}

void THistoryDataR02::WriteToStream(TStream& stream)
{
    WriteRewound(OutlineStateStream, stream);
    WriteRewound(ReservedStream1, stream);
    WriteRewound(ReservedStream2, stream);
    WriteRewound(SettingsStream, stream);
    WriteInteger(stream, InputLayout);
    WriteRawString(stream, kEndR02);
}

THistoryEintrag::THistoryEintrag(const QString& name) : Name(name)
{
    Data[0] = std::make_unique<THistoryDataR01>();
    auto r02 = std::make_unique<THistoryDataR02>();
    r02->Label = name + QLatin1Char(' ') + r02->Label;
    Data[1] = std::move(r02);
}

void THistoryEintrag::Capture()
{
    for (auto& payload : Data)
        payload->AssignFromCurrent();
}

void THistoryEintrag::Capture(const THistoryEintrag& current)
{
    R01().AssignFrom(current.R01());
    R02().AssignFrom(current.R02());
}

bool THistoryEintrag::ReadFromStream(TStream& stream, int version)
{
    const THistoryListe* history = HistoryListe();
    return ReadFromStream(stream, version, history ? history->FileName : QString());
}

bool THistoryEintrag::ReadFromStream(TStream& stream, int version, const QString& fileName)
{
    try {
        Name = ReadString(stream);
        const int stored = std::clamp(version, 0, int(Data.size()));
        for (int i = 0; i < stored; ++i)
            Data[i]->ReadFromStream(stream);
        for (int i = stored; i < int(Data.size()); ++i)
            Data[i]->SetDefaults();
        ReadEndMarker(stream, kEndEntry, QStringLiteral("End of Data not found!"));
        return true;
    } catch (const std::exception&) {
        ShowUserMessage(FormatResString(kResEntryReadError, fileName), dkFehler, dbOK);
        return false;
    }
}

void THistoryEintrag::WriteToStream(TStream& stream)
{
    WriteString(stream, Name);
    for (auto& payload : Data)
        payload->WriteToStream(stream);
    WriteRawString(stream, kEndEntry);
}
