#include "stereo/StereoLoad.h"

#include "model/ProgramObjects.h"
#include "stereo/MpoFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

#include <cerrno>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

// The kept handles. The pictures are read through the very descriptor that is
// then kept, so the lock always belongs to the data that was loaded.
//
// What a kept descriptor does on this platform: other programs can still
// read, write, rename and delete the file (there are no share modes, and we
// take no advisory lock, which would stop cooperating writers). What it does
// keep is the file's content reachable: a deleted or replaced file lives on
// until the descriptor is closed, so a picture that is moved away while
// loaded is never half-read. The "moved or deleted" check of a later reload
// still sees the name disappear.

namespace {

class TFd {
public:
    TFd() = default;
    explicit TFd(int fd) : FFd(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    TFd(TFd&& other) noexcept : FFd(other.Release()) {}
    TFd& operator=(TFd&& other) noexcept
    {
        std::swap(FFd, other.FFd);
        return *this;
    }
    ~TFd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    int Get() const { return FFd; }
    int Release()
    {
        const int fd = FFd;
        FFd = -1;
        return fd;
    }

private:
    int FFd = -1;
};

bool FileExists(const QString& name) { return !name.isEmpty() && QFileInfo(name).isFile(); }

int OpenForReading(const QString& name)
{
    const int fd = OpenPictureFileForReading(name);
    if (fd < 0)
        throw EPictureError(
            QStringLiteral("Das Bild \"%1\" kann nicht geladen werden: die Datei kann nicht geöffnet werden.").arg(name));
    return fd;
}

// One picture file, read on a thread of its own.
struct TFileRead {
    QString name;
    TFd fd;
    const TProgressHandler* progress = nullptr; // called on the loading thread
    TPictureReduction reduction;
    // The right file of a pair: a multi-picture file gives its second
    // picture (left and right then name the same camera file).
    bool cameraSecond = false;
    QImage image;
    QString damage;
    std::exception_ptr error;
    // Handed from the reading thread to the loading thread.
    bool reported = false, done = false;
    TProgressStage stage = TProgressStage::Starting;
    int percent = 0;

    void Run(const TProgressHandler& relay)
    {
        try {
            if (cameraSecond) {
                image = LoadMpoSecondPicture(fd.Get(), name, relay, &damage);
                if (!image.isNull())
                    return;
            }
            image = LoadPictureFromFd(fd.Get(), name, relay, &damage, reduction);
        } catch (...) {
            error = std::current_exception();
        }
    }
};

// Reads the files side by side, each on its own thread, and waits for all of
// them. Their progress reports reach the handlers on the calling thread, as
// a progress bar needs it.
void ReadFiles(const std::vector<TFileRead*>& reads)
{
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::thread> threads;
    // Whatever happens here, no reading thread outlives what it uses.
    struct TJoinAll {
        std::vector<std::thread>& threads;
        ~TJoinAll()
        {
            for (std::thread& thread : threads)
                if (thread.joinable())
                    thread.join();
        }
    } joinAll{threads};
    for (TFileRead* read : reads) {
        TProgressHandler relay;
        if (read->progress && *read->progress)
            relay = [read, &mutex, &changed](TProgressStage stage, int percent) {
                {
                    const std::lock_guard lock(mutex);
                    read->stage = stage;
                    read->percent = percent;
                    read->reported = true;
                }
                changed.notify_all();
            };
        auto work = [read, relay, &mutex, &changed] {
            read->Run(relay);
            {
                const std::lock_guard lock(mutex);
                read->done = true;
            }
            changed.notify_all();
        };
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            work(); // no thread to spare: read it here
        }
    }
    for (;;) {
        std::vector<std::pair<TFileRead*, std::pair<TProgressStage, int>>> reports;
        bool allDone = true;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] {
                return std::any_of(reads.begin(), reads.end(), [](const TFileRead* r) { return r->reported; })
                    || std::all_of(reads.begin(), reads.end(), [](const TFileRead* r) { return r->done; });
            });
            for (TFileRead* read : reads) {
                if (read->reported)
                    reports.push_back({read, {read->stage, read->percent}});
                read->reported = false;
                allDone = allDone && read->done;
            }
        }
        for (const auto& [read, report] : reports)
            ReportProgress(read->progress, report.first, report.second);
        if (allDone)
            break;
    }
}

// The size of one eye in a picture of the layout.
QSize EyeSizeOf(QSize picture, int layout)
{
    switch (layout) {
    case slParallel:
    case slCross:
        return QSize(picture.width() / 2, picture.height());
    case slOverUnder:
        return QSize(picture.width(), picture.height() / 2);
    default:
        return picture;
    }
}

TPictureReduction ReductionFor(QSize fitInto, int layout)
{
    if (fitInto.isEmpty())
        return {};
    return [fitInto, layout](QSize size) {
        return PictureReductionFor(size, fitInto, [layout](QSize s) { return EyeSizeOf(s, layout); });
    };
}

void CloseLock(int& slot)
{
    if (slot >= 0)
        ::close(slot);
    slot = -1;
}

// Replaces the kept handles; without an installed object set nothing can be
// kept and the new descriptors are closed by their owners.
void KeepLocks(TFd& left, TFd& right)
{
    TProgramObjects* objects = TProgramObjects::Instance();
    if (!objects)
        return;
    CloseLock(objects->LockLeft);
    CloseLock(objects->LockRight);
    objects->LockLeft = left.Release();
    objects->LockRight = right.Release();
}

QImage BlankLike(const QImage& model, TColor brush)
{
    QImage blank = NewRgb32(model.width(), model.height());
    FillBitmapColor(blank, brush);
    return blank;
}

} // namespace

void ReleasePictureLocks()
{
    if (TProgramObjects* objects = TProgramObjects::Instance()) {
        CloseLock(objects->LockLeft);
        CloseLock(objects->LockRight);
    }
}

bool AnaglyphDecodeMatrices(int layout, TColorMatrix* left, TColorMatrix* right)
{
    constexpr TColorMatrix kRed{1, 0, 0, 1, 0, 0, 1, 0, 0}; // (r, r, r)
    constexpr TColorMatrix kGreen{0, 1, 0, 0, 1, 0, 0, 1, 0}; // (g, g, g)
    constexpr TColorMatrix kBlue{0, 0, 1, 0, 0, 1, 0, 0, 1}; // (b, b, b)
    switch (layout) {
    case slRedCyan:
        *left = kRed;
        *right = TColorMatrix{0, 1, 0, 0, 1, 0, 0, 0, 1}; // (g, g, b)
        return true;
    case slYellowBlue:
        *left = kBlue;
        *right = TColorMatrix{1, 0, 0, 0, 1, 0, 0, 1, 0}; // (r, g, g)
        return true;
    case slRedBlue:
        *left = kRed;
        *right = kBlue;
        return true;
    case slRedGreen:
        *left = kRed;
        *right = kGreen;
        return true;
    default:
        return false;
    }
}

QImage ScaleCopyRect(const QImage& source, const QRect& rect, int width, int height)
{
    if (width <= 0 || height <= 0 || rect.isEmpty())
        return QImage();
    QImage src = source;
    SwitchToRgb32(src);
    QImage out = NewRgb32(width, height);
    // Taken once: scanLine() inside the bands would race on the picture's
    // bookkeeping.
    uchar* bits = out.bits();
    const qsizetype bpl = out.bytesPerLine();
    if (rect.width() == width && rect.height() == height) {
        ForRowBands(height, qint64(width) * height, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                std::memcpy(bits + y * bpl, src.constScanLine(rect.y() + y) + size_t(rect.x()) * sizeof(QRgb),
                            size_t(width) * sizeof(QRgb));
        });
        return out;
    }
    // Centre sampling: target pixel i takes source pixel
    // floor((i + 0.5) * sourceSize / targetSize).
    std::vector<int> columns(static_cast<size_t>(width));
    for (int i = 0; i < width; ++i)
        columns[size_t(i)] = rect.x() + int((qint64(2 * i + 1) * rect.width()) / (2 * qint64(width)));
    ForRowBands(height, qint64(width) * height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const int sy = rect.y() + int((qint64(2 * y + 1) * rect.height()) / (2 * qint64(height)));
            const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
            QRgb* line = reinterpret_cast<QRgb*>(bits + y * bpl);
            for (int x = 0; x < width; ++x)
                line[x] = in[columns[size_t(x)]];
        }
    });
    return out;
}

namespace {

bool LoadPair(TBitmap& left, TBitmap& right, const QString& firstFile, int layout, const QString& secondFile,
              QSize fitInto, const TProgressHandler& leftProgress, const TProgressHandler& rightProgress,
              QStringList* damage)
{
    if (layout != slSeparate && !FileExists(firstFile))
        return false;
    if (damage)
        damage->clear();
    // Everything is read first; the bitmaps and the kept handles change only
    // once nothing can fail any more.
    TFd fdLeft, fdRight;
    QImage newLeft, newRight;
    // A camera file's second picture is always read whole, so its first one
    // is too: the two eyes keep one size.
    const TPictureReduction reduction =
        layout == slSeparate && firstFile == secondFile ? TPictureReduction() : ReductionFor(fitInto, layout);
    auto addDamage = [damage](const TFileRead& read) {
        if (damage && !read.damage.isEmpty())
            damage->append(read.damage);
    };
    if (layout == slSeparate) {
        const bool hasLeft = FileExists(firstFile);
        const bool hasRight = FileExists(secondFile);
        TFileRead readLeft, readRight;
        std::vector<TFileRead*> reads;
        if (hasLeft) {
            readLeft.fd = TFd(OpenForReading(firstFile));
            readLeft.name = firstFile;
            readLeft.progress = &leftProgress;
            readLeft.reduction = reduction;
            reads.push_back(&readLeft);
        }
        if (hasRight) {
            readRight.fd = TFd(OpenForReading(secondFile));
            readRight.name = secondFile;
            readRight.progress = &rightProgress;
            readRight.reduction = reduction;
            readRight.cameraSecond = true;
            reads.push_back(&readRight);
        }
        ReadFiles(reads);
        // The left file's failure is the one reported, as if read first.
        for (const TFileRead* read : reads)
            if (read->error)
                std::rethrow_exception(read->error);
        addDamage(readLeft);
        addDamage(readRight);
        newLeft = std::move(readLeft.image);
        newRight = std::move(readRight.image);
        fdLeft = std::move(readLeft.fd);
        fdRight = std::move(readRight.fd);
        if (hasLeft && !hasRight) {
            newRight = BlankLike(newLeft, right.Brush);
        } else if (!hasLeft && hasRight) {
            newLeft = BlankLike(newRight, left.Brush);
        } else if (!hasLeft && !hasRight) {
            newLeft = NewRgb32(4, 4);
            newRight = NewRgb32(4, 4);
            FillBitmapColor(newLeft, left.Brush);
            FillBitmapColor(newRight, right.Brush);
        }
    } else {
        TFileRead read;
        read.fd = TFd(OpenForReading(firstFile));
        read.name = firstFile;
        read.progress = &leftProgress;
        read.reduction = reduction;
        ReadFiles({&read});
        if (read.error)
            std::rethrow_exception(read.error);
        addDamage(read);
        fdLeft = std::move(read.fd);
        QImage whole = std::move(read.image);
        const int w = whole.width(), h = whole.height();
        const int halfW = w / 2, halfH = h / 2;
        switch (layout) {
        case slParallel:
            newLeft = ScaleCopyRect(whole, QRect(0, 0, halfW, h), halfW, h);
            newRight = ScaleCopyRect(whole, QRect(halfW, 0, w - halfW, h), halfW, h);
            break;
        case slCross:
            newRight = ScaleCopyRect(whole, QRect(0, 0, halfW, h), halfW, h);
            newLeft = ScaleCopyRect(whole, QRect(halfW, 0, w - halfW, h), halfW, h);
            break;
        case slOverUnder:
            newRight = ScaleCopyRect(whole, QRect(0, 0, w, halfH), w, halfH);
            newLeft = ScaleCopyRect(whole, QRect(0, halfH, w, h - halfH), w, halfH);
            break;
        default: {
            TColorMatrix leftMatrix, rightMatrix;
            TBitmap source{whole, kWhite};
            TBitmap eye;
            if (AnaglyphDecodeMatrices(layout, &leftMatrix, &rightMatrix)) {
                ApplyColorMatrix(eye, source, leftMatrix);
                newLeft = eye.Image;
                ApplyColorMatrix(eye, source, rightMatrix);
                newRight = eye.Image;
            } else {
                // Unknown layout number: both eyes are the whole picture.
                newLeft = whole;
                newRight = whole;
            }
            break;
        }
        }
    }
    KeepLocks(fdLeft, fdRight);
    left.Image = newLeft;
    right.Image = newRight;
    return true;
}

QSize FileSize(const QString& name)
{
    if (!FileExists(name))
        return QSize();
    const int fd = OpenPictureFileForReading(name);
    if (fd < 0)
        return QSize();
    const TFd owner(fd);
    return ReadPictureSizeFromFd(fd);
}

} // namespace

bool LoadStereoPicture(TBitmap& left, TBitmap& right, const QString& firstFile, int layout, const QString& secondFile,
                       const TProgressHandler& leftProgress, const TProgressHandler& rightProgress,
                       QStringList* damage)
{
    return LoadPair(left, right, firstFile, layout, secondFile, QSize(), leftProgress, rightProgress, damage);
}

bool LoadStereoPreview(TBitmap& left, TBitmap& right, const QString& firstFile, int layout, const QString& secondFile,
                       QSize fitInto, const TProgressHandler& leftProgress, const TProgressHandler& rightProgress,
                       QStringList* damage)
{
    // An empty area would mean "full size"; a preview never wants that.
    return LoadPair(left, right, firstFile, layout, secondFile, fitInto.expandedTo(QSize(1, 1)), leftProgress,
                    rightProgress, damage);
}

bool ReadStereoPictureSizes(const QString& firstFile, int layout, const QString& secondFile, QSize* left,
                            QSize* right)
{
    QSize l, r;
    if (layout == slSeparate) {
        l = FileSize(firstFile);
        r = FileSize(secondFile);
        if (l.isEmpty())
            l = r;
        if (r.isEmpty())
            r = l;
    } else {
        l = r = EyeSizeOf(FileSize(firstFile), layout);
    }
    if (l.isEmpty() || r.isEmpty())
        return false;
    *left = l;
    *right = r;
    return true;
}
