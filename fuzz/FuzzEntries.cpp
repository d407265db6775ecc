#include "FuzzEntries.h"

#include "history/History.h"
#include "history/UserMessage.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"
#include "stereo/BmpFile.h"
#include "stereo/JpegFile.h"
#include "stereo/MpoFile.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>

#include <cstdlib>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The masked pictures are drawn into this small canvas: the drawing code
// runs in full while the pixels cost next to nothing.
constexpr int kCanvasSide = 32;
// 4 megapixels: enough for every header field to matter, small enough that
// a fuzzed picture decodes in milliseconds.
constexpr qint64 kFuzzFreeDecodeBytes = 16ll << 20;

QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// An anonymous file holding the input, so that the descriptor readers run
// as they do on a picture the user opens; -1 when it cannot be made.
class TMemoryFile {
public:
    TMemoryFile(const uint8_t* data, size_t size) : Fd(memfd_create("plenoptra-fuzz", MFD_CLOEXEC))
    {
        size_t done = 0;
        while (Fd >= 0 && done < size) {
            const ssize_t n = write(Fd, data + done, size - done);
            if (n <= 0) {
                close(Fd);
                Fd = -1;
            } else {
                done += size_t(n);
            }
        }
    }
    ~TMemoryFile()
    {
        if (Fd >= 0)
            close(Fd);
    }
    TMemoryFile(const TMemoryFile&) = delete;
    TMemoryFile& operator=(const TMemoryFile&) = delete;
    int Fd;
};

QString CompareResults(const TPictureResult& a, const TPictureResult& b, const char* what)
{
    if (a.Ok != b.Ok || a.Damaged != b.Damaged || a.Image != b.Image)
        return QStringLiteral("%1: the descriptor and the memory reader disagree").arg(QLatin1String(what));
    return QString();
}

QString CheckResult(const TPictureResult& r, const char* what)
{
    if (r.Ok && (r.Image.isNull() || r.Image.format() != QImage::Format_RGB32))
        return QStringLiteral("%1: a picture read without Format_RGB32 pixels").arg(QLatin1String(what));
    if (!r.Ok && (r.Error.isEmpty() || !r.Image.isNull()))
        return QStringLiteral("%1: a refusal without reason or with a picture").arg(QLatin1String(what));
    return QString();
}

using TOutlineBytes = std::pair<QByteArray, QByteArray>;

TOutlineBytes WriteOutline(const TPolygonListe& outline)
{
    TMemoryStream geometry, state;
    outline.WriteToStream(0, geometry);
    outline.WriteToStream(1, state);
    return {geometry.Data(), state.Data()};
}

void ReadOutline(TPolygonListe& outline, const TOutlineBytes& bytes)
{
    TMemoryStream geometry(bytes.first), state(bytes.second);
    outline.ReadFromStream(0, geometry);
    outline.ReadFromStream(1, state);
}

// What the outline writes must read back to what it wrote. The first pass
// may still settle a crafted state (a stored visible flag on a line's control
// point, say); from then on the state must stand still.
QString OutlineStandsStill(TPolygonListe& outline)
{
    try {
        ReadOutline(outline, WriteOutline(outline));
        const TOutlineBytes settled = WriteOutline(outline);
        ReadOutline(outline, settled);
        if (WriteOutline(outline) != settled)
            return QStringLiteral("mask: the outline reads back different from what it wrote");
    } catch (const std::exception&) {
        return QStringLiteral("mask: the outline cannot read what it wrote");
    }
    return QString();
}

void DrawMask(const TPolygonListe& outline, const TDesktopData& settings)
{
    QImage canvas(kCanvasSide, kCanvasSide, QImage::Format_RGB32);
    QImage picture(kCanvasSide / 2, kCanvasSide / 2, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    QPainter painter(&canvas);
    const QRect rect(0, 0, kCanvasSide, kCanvasSide);
    for (int side = 0; side < 2; ++side) {
        outline.DrawMaskArea(painter, side, rect, settings.DeskNoTransColor, settings.DeskTransColor, true, settings);
        outline.DrawMaskedPicture(painter, side, rect, picture, settings.FileMaskPictColor, true, settings);
    }
}

} // namespace

void FuzzSetUp()
{
    if (!QCoreApplication::instance()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "plenoptra-fuzz";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
    }
    SetUserMessageHandler([](const QString&, int, unsigned) { return int(mrOk); });
    TJpegBudget budget = JpegBudget();
    budget.FreeBytes = kFuzzFreeDecodeBytes;
    SetJpegBudget(budget);
}

QString FuzzMaskFile(const uint8_t* data, size_t size)
{
    TProgramObjects objects;
    THistoryListe& history = *objects.HistoryListe;
    TPolygonListe& outline = *objects.PolygonListe;
    TSelect& selection = *objects.SelectListe;
    history.FileName = QStringLiteral("fuzz.Plenoptrum");
    TMemoryStream input(Bytes(data, size));
    try {
        history.LoadFromStream(input, true);
    } catch (const std::exception&) {
        // A damaged file keeps the steps read before the damage.
    }

    // The controller's live settings: the workspace groups from the file's
    // trailer, the document groups from each step.
    TDesktopData settings;
    settings.Assign(history.Settings());
    QString problem;
    history.OnIndexChange = [&](THistoryListe*) {
        try {
            outline.LoadFromEntry();
            selection.LoadFromEntry();
            settings.LoadFromHistoryEntry(history, kDesktopMaskDocument);
        } catch (const EPlenoptraError&) {
            // Reported to the user; what was read stays.
        }
        DrawMask(outline, settings);
        if (problem.isEmpty())
            problem = OutlineStandsStill(outline);
    };
    for (int i = 0; i < history.Count(); ++i)
        history.SetItemIndex(i == history.ItemIndex() ? THistoryListe::kReapplyIndex : i);
    if (!problem.isEmpty())
        return problem;

    TMemoryStream written;
    history.WriteToStream(written, true);
    THistoryListe again;
    TMemoryStream reread(written.Data());
    try {
        again.LoadFromStream(reread, true);
    } catch (const std::exception&) {
        return QStringLiteral("mask: the written file cannot be read");
    }
    TMemoryStream rewritten;
    again.WriteToStream(rewritten, true);
    if (rewritten.Data() != written.Data())
        return QStringLiteral("mask: the written file reads back different");
    return QString();
}

QString FuzzJpeg(const uint8_t* data, size_t size)
{
    const TMemoryFile file(data, size);
    if (file.Fd < 0)
        return QString();
    const TPictureResult fromFile = DecodeJpegFd(file.Fd);
    const TPictureResult fromMemory = DecodeJpegData(Bytes(data, size));
    QString problem = CheckResult(fromFile, "jpeg");
    if (problem.isEmpty())
        problem = CompareResults(fromFile, fromMemory, "jpeg");
    return problem;
}

QString FuzzBmp(const uint8_t* data, size_t size)
{
    const TMemoryFile file(data, size);
    if (file.Fd < 0)
        return QString();
    const TPictureResult fromFile = DecodeBmpFd(file.Fd);
    const TPictureResult fromMemory = DecodeBmpData(Bytes(data, size));
    QString problem = CheckResult(fromFile, "bmp");
    if (problem.isEmpty())
        problem = CompareResults(fromFile, fromMemory, "bmp");
    if (problem.isEmpty() && fromFile.Ok) {
        const TPictureResult back = DecodeBmpData(EncodeBmp(fromFile.Image));
        if (!back.Ok || back.Image != fromFile.Image)
            problem = QStringLiteral("bmp: a picture written as a bitmap reads back different");
    }
    return problem;
}

QString FuzzMpo(const uint8_t* data, size_t size) { return FuzzMpoReader(data, size); }
