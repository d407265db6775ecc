#include "stereo/StereoExport.h"

#include "history/History.h"
#include "model/Liste_Polygon.h"
#include "model/OutlineScale.h"
#include "model/ProgramObjects.h"
#include "stereo/Compose.h"
#include "stereo/MpoFile.h"
#include "stereo/PictureHolder.h"
#include "stereo/PictureBuffers.h"
#include "stereo/SavePicture.h"
#include "stereo/StereoLoad.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Each eye is in memory twice while a pair is composed: as loaded and as the
// masked result (the masks are never touched, see RunPair).
constexpr qint64 kEyeCopiesWhileComposing = 2;
constexpr qint64 kBytesPerPixel = 4;

bool FileThere(const QString& name) { return !name.isEmpty() && QFileInfo(name).isFile(); }

qint64 Pixels(const QSize& size) { return size.isValid() ? qint64(size.width()) * size.height() : 0; }

// The size of the first picture in a file, from its header.
QSize PictureFileSize(const QString& name)
{
    if (!FileThere(name))
        return QSize();
    const int fd = OpenPictureFileForReading(name);
    if (fd < 0)
        return QSize();
    TMpoLayout layout;
    ReadMpoLayoutFd(fd, false, &layout, nullptr);
    ::close(fd);
    if (layout.FirstSize.isValid())
        return layout.FirstSize;
    QImageReader reader(name);
    const QSize size = reader.size();
    return size.isValid() ? size : QSize();
}

QString Missing(const QString& name) { return QStringLiteral("Die Datei \"%1\" existiert nicht.").arg(name); }

// A share of the memory budget that a pair holds while it runs; it can be
// made smaller once part of the pair's pictures are gone.
class TMemoryBudget {
public:
    explicit TMemoryBudget(qint64 total) : FTotal(total) {}
    void Acquire(qint64 bytes)
    {
        std::unique_lock<std::mutex> lock(FMutex);
        // A pair larger than the whole budget still runs, alone.
        FFree.wait(lock, [&] { return FUsed == 0 || FUsed + bytes <= FTotal; });
        FUsed += bytes;
    }
    void Release(qint64 bytes)
    {
        {
            const std::lock_guard<std::mutex> lock(FMutex);
            FUsed -= bytes;
        }
        FFree.notify_all();
    }

private:
    const qint64 FTotal;
    qint64 FUsed = 0;
    std::mutex FMutex;
    std::condition_variable FFree;
};

class TLease {
public:
    TLease(TMemoryBudget& budget, qint64 bytes) : FBudget(budget), FBytes(std::max<qint64>(0, bytes))
    {
        FBudget.Acquire(FBytes);
    }
    ~TLease() { FBudget.Release(FBytes); }
    TLease(const TLease&) = delete;
    TLease& operator=(const TLease&) = delete;
    void ShrinkTo(qint64 bytes)
    {
        bytes = std::clamp<qint64>(bytes, 0, FBytes);
        FBudget.Release(FBytes - bytes);
        FBytes = bytes;
    }

private:
    TMemoryBudget& FBudget;
    qint64 FBytes;
};

// The pair's files are checked as the dialog checks them before it writes;
// what the dialog would ask about is refused here unless overwriting was
// chosen. Empty when the files may be written.
QString NamesRefused(const TSaveNames& names, const TExportChoice& choice, bool* existing)
{
    const bool separate = choice.Layout == slSeparate;
    if (names.Left.trimmed().isEmpty() || (separate && names.Right.trimmed().isEmpty()))
        return QStringLiteral("Es ist kein Dateiname für das Bild angegeben.");
    if (separate && SameSaveNames(names.Left, names.Right))
        return QStringLiteral("Linkes und rechtes Bild hätten denselben Dateinamen \"%1\".").arg(names.Left);
    const TSaveCheck check = CheckSaveFiles({QString(), false}, {names.Left, choice.Overwrite},
                                            {names.Right, choice.Overwrite}, choice.Layout);
    *existing = check.Tags[1] == 0 || (separate && check.Tags[2] == 0);
    if (check.Tags[1] == 0)
        return QStringLiteral("Die Datei \"%1\" existiert bereits und wird nicht überschrieben.").arg(names.Left);
    if (separate && check.Tags[2] == 0)
        return QStringLiteral("Die Datei \"%1\" existiert bereits und wird nicht überschrieben.").arg(names.Right);
    return QString();
}

bool WriteOne(const QString& name, const TSavePicture& picture, const TExportChoice& choice, TExportOutcome& out)
{
    TPictureHolder holder;
    QString error;
    if (!HoldSavePicture(picture, choice.FileType, choice.Jpeg, holder, &error)) {
        out.Error = QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2.").arg(name, error);
        return false;
    }
    if (!holder.SaveToFile(name, &error)) {
        out.Error = error;
        return false;
    }
    out.Written << name;
    return true;
}

// composed, when given, hears how many bytes of pictures the pair still
// holds once it is composed and its sources are gone.
TExportOutcome RunPair(const TExportMask& mask, const TExportPair& pair, const TExportChoice& choice,
                       const TSaveNames& names, const TPairCheck& check,
                       const std::function<void(qint64 bytes)>& composed)
{
    TExportOutcome out;
    if (!pair.Problem.isEmpty()) {
        out.Error = pair.Problem;
        return out;
    }
    out.Error = NamesRefused(names, choice, &out.ExistingFile);
    if (!out.Error.isEmpty())
        return out;
    if (!FileThere(pair.First)) {
        out.Error = Missing(pair.First);
        return out;
    }
    if (pair.Layout == slSeparate && !FileThere(pair.Second)) {
        // The loader would make a blank picture of it, fine for the editor
        // but not for a picture that is written.
        out.Error = Missing(pair.Second);
        return out;
    }
    try {
        TPictureSet set;
        QStringList damage;
        if (!LoadStereoPicture(set.SourceLeft, set.SourceRight, pair.First, pair.Layout, pair.Second, {}, {},
                               &damage)) {
            out.Error = Missing(pair.First);
            return out;
        }
        out.Notes << damage;
        // The masks give the composition only the sizes of its pictures; the
        // opaque composition of the saved pictures never reads their pixels.
        MakeWhiteMasks(set);

        TPolygonListe outline;
        {
            TMemoryStream geometry(mask.Geometry), state(mask.State);
            outline.LoadFromStreams(geometry, state);
        }
        const QSize size = set.SourceLeft.Image.size();
        if (mask.PairSize.isValid() && size != mask.PairSize) {
            ScaleOutline(outline, double(size.width()) / mask.PairSize.width(),
                         double(size.height()) / mask.PairSize.height());
            out.Notes << QStringLiteral("Der Umriss ist an %1 x %2 Pixel angepasst (Maske: %3 x %4).")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(mask.PairSize.width())
                             .arg(mask.PairSize.height());
        }
        // Each pair's own check (of the window against this pair's scene,
        // say) goes here, with the outline as it stands on this pair and the
        // pictures as loaded; its warnings become the pair's notes.
        if (check)
            out.Notes << check(QFileInfo(pair.NameSource).fileName(), outline, set.SourceLeft, set.SourceRight);

        // Composed as the controller composes before the save dialog opens.
        if (choice.Mode == spmMaskPictures) {
            set.SourceLeft.Image = QImage();
            set.SourceRight.Image = QImage();
            ComposePair(set, outline, mask.Settings, MaskPictureOptions(mask.Settings));
        } else {
            ComposePair(set, outline, mask.Settings, MaskedStereoOptions(mask.Settings));
            set.SourceLeft.Image = QImage();
            set.SourceRight.Image = QImage();
        }
        set.MaskLeft.Image = QImage();
        set.MaskRight.Image = QImage();
        const QImage left = std::exchange(set.ViewLeftHalf.Image, QImage());
        const QImage right = std::exchange(set.ViewRightHalf.Image, QImage());
        if (composed)
            composed(kBytesPerPixel * (Pixels(left.size()) + Pixels(right.size())));

        // Written as "OK" writes them: layout 0 as two files, every other
        // layout as one picture made of both.
        if (choice.Layout == slSeparate) {
            if (!WriteOne(names.Left, TSavePicture(left), choice, out) ||
                !WriteOne(names.Right, TSavePicture(right), choice, out))
                return out;
        } else {
            const int gap = choice.Mode == spmMaskedStereo ? choice.Gap : 0;
            if (!WriteOne(names.Left, StereoSavePicture(choice.Layout, choice.Kind, left, right, gap), choice, out))
                return out;
        }
        out.Ok = true;
    } catch (const EPlenoptraError& e) {
        out.Error = e.Message();
    } catch (const std::bad_alloc&) {
        out.Error = QStringLiteral("Nicht genug Arbeitsspeicher für das Paar \"%1\".").arg(pair.First);
    } catch (const std::exception& e) {
        out.Error = QString::fromLocal8Bit(e.what());
    }
    return out;
}

} // namespace

bool LoadExportMask(const QString& fileName, TExportMask* mask, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (!FileThere(fileName))
        return fail(QStringLiteral("Die Maskendatei \"%1\" existiert nicht.").arg(fileName));
    THistoryListe history;
    try {
        history.LoadFromFile(fileName, false);
    } catch (const EPlenoptraError& e) {
        return fail(QStringLiteral("Die Maskendatei \"%1\" ist beschädigt: %2").arg(fileName, e.Message()));
    } catch (const std::exception& e) {
        return fail(QStringLiteral("Die Maskendatei \"%1\" ist beschädigt: %2")
                        .arg(fileName, QString::fromLocal8Bit(e.what())));
    }
    THistoryEintrag* entry = history.CurrentEntry();
    if (!entry)
        return fail(QStringLiteral("Die Maskendatei \"%1\" enthält keinen lesbaren Bearbeitungsschritt.").arg(fileName));
    TExportMask result;
    result.FileName = fileName;
    result.Step = history.ItemIndex();
    result.Steps = history.Count();
    result.Geometry = entry->R01().GeometryStream.Data();
    result.State = entry->R02().OutlineStateStream.Data();
    result.Left = entry->R01().LeftFileName;
    result.Right = entry->R01().RightFileName;
    result.InputLayout = entry->R02().InputLayout;
    try {
        result.Settings.LoadFromHistoryEntry(history, kDesktopMaskDocument);
        // Read once here, so that a damaged outline is one error of the mask
        // rather than one of every pair.
        TPolygonListe outline;
        TMemoryStream geometry(result.Geometry), state(result.State);
        outline.LoadFromStreams(geometry, state);
    } catch (const EPlenoptraError& e) {
        return fail(QStringLiteral("Der Bearbeitungsschritt der Maskendatei \"%1\" ist beschädigt: %2")
                        .arg(fileName, e.Message()));
    }
    result.PairSize = StereoPairSize(result.Left, result.InputLayout, result.Right);
    *mask = std::move(result);
    return true;
}

QSize StereoPairSize(const QString& first, int layout, const QString& second)
{
    const QSize whole = PictureFileSize(first);
    if (!whole.isValid())
        return QSize();
    // The halves as LoadStereoPicture cuts them.
    switch (layout) {
    case slParallel:
    case slCross:
        return QSize(whole.width() / 2, whole.height());
    case slOverUnder:
        return QSize(whole.width(), whole.height() / 2);
    default:
        return whole;
    }
}

qint64 ExportPairMemory(const TExportPair& pair)
{
    if (!pair.Problem.isEmpty())
        return 0;
    const qint64 first = Pixels(PictureFileSize(pair.First));
    qint64 eyes = 0, whole = 0;
    if (pair.Layout == slSeparate) {
        eyes = first + (pair.Second == pair.First ? first : Pixels(PictureFileSize(pair.Second)));
    } else {
        whole = first;
        eyes = pair.Layout >= slRedCyan ? 2 * first : first;
    }
    return kBytesPerPixel * (kEyeCopiesWhileComposing * eyes + whole);
}

TSaveNames ExportNames(const QString& nameSource, const QString& folder, const TExportChoice& choice)
{
    QString source = nameSource;
    if (!folder.isEmpty())
        source = QDir(folder).filePath(QFileInfo(nameSource).fileName());
    return ProposeSaveNames(source, choice.Mode, choice.Layout, choice.Kind, choice.FileType);
}

TExportOutcome ExportPair(const TExportMask& mask, const TExportPair& pair, const TExportChoice& choice,
                          const TSaveNames& names, const TPairCheck& check)
{
    return RunPair(mask, pair, choice, names, check, {});
}

int ExportPairs(const TExportMask& mask, const std::vector<TExportPair>& pairs, const std::vector<TSaveNames>& names,
                const TExportChoice& choice, const TExportProgress& progress, int jobs, const TPairCheck& check)
{
    const int total = int(std::min(pairs.size(), names.size()));
    // Two pairs writing the same file would overwrite each other's result.
    std::vector<QString> clash(static_cast<size_t>(total));
    std::map<QString, int> writer;
    for (int i = 0; i < total; ++i) {
        QStringList files{names[size_t(i)].Left};
        if (choice.Layout == slSeparate)
            files << names[size_t(i)].Right;
        for (const QString& file : files) {
            const QString key = QFileInfo(file).absoluteFilePath();
            const auto [at, added] = writer.emplace(key, i);
            if (!added && clash[size_t(i)].isEmpty())
                clash[size_t(i)] = QStringLiteral("Das Paar %1 schreibt schon in die Datei \"%2\".")
                                       .arg(at->second + 1)
                                       .arg(file);
        }
    }

    if (TProgramObjects::Instance())
        jobs = 1; // the model would report to the installed objects
    else if (jobs <= 0)
        jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    jobs = std::max(1, std::min(jobs, total));

    TMemoryBudget budget(kExportMemoryBudget);
    // The pictures of one pair are mostly of the next one's sizes: their
    // memory is kept instead of being cleared anew by the system.
    struct TReuse {
        size_t previous = PictureBufferLimit();
        TReuse() { SetPictureBufferLimit(size_t(kExportMemoryBudget + kExportKeptMemory)); }
        ~TReuse() { SetPictureBufferLimit(previous); }
    } reuse;
    std::atomic<int> next{0};
    std::mutex reportMutex;
    int done = 0, failed = 0;
    auto work = [&]() noexcept {
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= total)
                return;
            TExportOutcome outcome;
            if (!clash[size_t(i)].isEmpty()) {
                outcome.Error = clash[size_t(i)];
            } else {
                try {
                    TLease lease(budget, ExportPairMemory(pairs[size_t(i)]));
                    outcome = RunPair(mask, pairs[size_t(i)], choice, names[size_t(i)], check,
                                      [&lease](qint64 bytes) { lease.ShrinkTo(bytes); });
                } catch (const std::exception& e) {
                    outcome.Ok = false;
                    outcome.Error = QString::fromLocal8Bit(e.what());
                }
            }
            const std::lock_guard<std::mutex> lock(reportMutex);
            ++done;
            if (!outcome.Ok)
                ++failed;
            if (progress) {
                try {
                    progress(done, total, i, outcome);
                } catch (...) {
                    // A report that fails must not stop the other pairs.
                }
            }
        }
    };
    std::vector<std::thread> threads;
    for (int j = 1; j < jobs; ++j)
        threads.emplace_back(work);
    work();
    for (std::thread& thread : threads)
        thread.join();
    return failed;
}
