// The history's file form: header, entries oldest first, end marker and, in
// the program data file, the workspace settings behind it.

#include "history/HistoryFile.h"

#include "history/History.h"
#include "history/UserMessage.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

const QString kHistoryMakerLine = QStringLiteral("Erstellt mit Plenoptra ");
const QString kHistoryContactLine = QStringLiteral(u"Plenoptra – Stereofenster-Editor");
const QString kHistorySignature = QStringLiteral(" Plenoptra ");

namespace {

constexpr char kEndHistory[] = "###-EOF-###";
constexpr char kTitle[] = "Programmhistory:";
constexpr char kVersionLabel[] = "Dateiversion:";
constexpr char kCountLabel[] = "Count:";

// 25 groups of nine '#' and a '.', five more '#', CR LF: 257 bytes that make
// the end of the header easy to spot in a hex view.
QByteArray Ruler()
{
    QByteArray ruler;
    for (int i = 0; i < 25; ++i)
        ruler += "#########.";
    ruler += "#####\r\n";
    return ruler;
}

// Reads like the primitives do, but notes when an item was cut off by the end
// of the file or carried an impossible count, so that a damaged header can be
// told apart from a foreign one.
class TCheckedReader {
public:
    explicit TCheckedReader(TStream& stream) : FStream(stream) {}

    qint32 Integer()
    {
        if (FStream.Remaining() < 4)
            Damaged = true;
        return ReadInteger(FStream);
    }
    QString String()
    {
        const qint64 start = FStream.Position();
        const qint32 count = Integer();
        if (count < 0 || count > FStream.Remaining())
            Damaged = true;
        FStream.SetPosition(start);
        return ReadString(FStream);
    }

    bool Damaged = false;

private:
    TStream& FStream;
};

} // namespace

namespace {
QString gProgramNameOverride;
} // namespace

void SetHistoryProgramName(const QString& name)
{
    gProgramNameOverride = name;
}

QString HistoryProgramName()
{
    if (!gProgramNameOverride.isEmpty())
        return gProgramNameOverride;
    QString name;
    if (QCoreApplication::instance())
        name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return name.isEmpty() ? QStringLiteral("plenoptra") : name;
}

THistoryFileHeader::THistoryFileHeader()
    : ProgramName(HistoryProgramName()), MakerLine(kHistoryMakerLine), ContactLine(kHistoryContactLine),
      Title(QString::fromLatin1(kTitle))
{
}

void THistoryFileHeader::WriteToStream(TStream& stream) const
{
    WriteString(stream, ProgramName);
    WriteString(stream, MakerLine);
    WriteString(stream, ContactLine);
    WriteString(stream, Title);
    WriteRawString(stream, kVersionLabel);
    WriteInteger(stream, FormatNumber);
    WriteInteger(stream, FileVersion);
    WriteRawString(stream, kCountLabel);
    WriteInteger(stream, Count);
    WriteInteger(stream, ItemIndex);
    WriteRawString(stream, Ruler());
}

bool THistoryFileHeader::ReadFromStream(TStream& stream, const QString& fileName)
{
    try {
        TCheckedReader reader(stream);
        ProgramName = reader.String();
        MakerLine = reader.String();
        ContactLine = reader.String();
        Title = reader.String();
        reader.String(); // version label
        FormatNumber = reader.Integer();
        FileVersion = reader.Integer();
        reader.String(); // count label
        Count = reader.Integer();
        // -1 is the lowest position a header ever holds (no step shown);
        // anything lower would let undo arithmetic run out of the int range.
        ItemIndex = std::max(reader.Integer(), -1);
        reader.String(); // ruler
        // A version below 1 would mean entries without any payload: nothing
        // this program ever wrote, so it is refused like a newer version.
        const bool ours = MakerLine.indexOf(kHistorySignature, 1) >= 1 && FormatNumber == kFormatNumber &&
                          FileVersion >= 1 && FileVersion <= kFileVersion;
        if (!ours) {
            ShowUserMessage(FormatResString(kResUnknownVersion, fileName), dkFehler, dbOK);
            return false;
        }
        // One of our headers that stops early would otherwise be accepted
        // with a count of 0 and wipe the history it was meant to restore.
        if (reader.Damaged)
            throw ERangeError(QStringLiteral("End of Data THistoryFileHeader not found!"));
        return true;
    } catch (const std::exception&) {
        ShowUserMessage(FormatResString(kResHeaderReadError, fileName), dkFehler, dbOK);
        return false;
    }
}

void THistoryListe::WriteToStream(TStream& stream, bool withSettings)
{
    THistoryFileHeader header;
    header.Count = Count();
    header.ItemIndex = FItemIndex;
    header.WriteToStream(stream);
    for (auto& entry : FEntries)
        entry->WriteToStream(stream);
    WriteRawString(stream, kEndHistory);
    if (withSettings) {
        // Writing the record itself cannot fail; a failing disk must reach
        // the caller rather than reset the settings and leave a torn file.
        FSettings->WriteToStream(0, stream);
        FSettings->WriteToStream(1, stream);
        WriteRawString(stream, kEndHistory);
    }
}

void THistoryListe::SaveToFile(const QString& name, bool withSettings)
{
    FileName = name;
    // Everything goes to a temporary file first: a crash or a full disk
    // half-way leaves the previous file as it was.
    TSaveFileStream stream(name);
    WriteToStream(stream, withSettings);
    stream.Commit();
}

bool THistoryListe::LoadFromFile(const QString& name, bool withSettings)
{
    const QFileInfo info(name);
    if (!info.exists() || info.isDir())
        return false;
    FileName = name;
    TFileStream stream(name, TFileStream::OpenRead);
    return LoadFromStream(stream, withSettings);
}

bool THistoryListe::LoadFromStream(TStream& stream, bool withSettings)
{
    THistoryFileHeader header;
    if (!header.ReadFromStream(stream, FileName))
        return false;

    ClearEntries();
    for (qint32 i = 0; i < header.Count; ++i) {
        auto entry = std::make_unique<THistoryEintrag>(QStringLiteral("???"));
        // A damaged entry has shown its message; the ones before it stay.
        if (!entry->ReadFromStream(stream, header.FileVersion, FileName))
            break;
        AppendLoaded(std::move(entry));
    }
    if (header.ItemIndex < FItemIndex)
        FItemIndex = header.ItemIndex;
    // After a damaged entry the position is inside it, so this raises too and
    // tells the caller that the file was not read completely.
    ReadEndMarker(stream, kEndHistory, QStringLiteral("End of Data THistoryListe not found!"));

    if (withSettings) {
        try {
            for (int revision = 0; revision < header.FileVersion; ++revision)
                FSettings->ReadFromStream(revision, stream, kDesktopMaskWorkspace);
        } catch (const std::exception&) {
            // Half-read workspace settings are worse than none.
            FSettings->SetAllDefaults();
        }
    }
    return true;
}
