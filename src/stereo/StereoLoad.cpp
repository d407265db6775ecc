#include "stereo/StereoLoad.h"

#include "model/ProgramObjects.h"
#include "stereo/MpoFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
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
    const QByteArray path = QFile::encodeName(name);
    int fd;
    do
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        throw EPictureError(
            QStringLiteral("Das Bild \"%1\" kann nicht geladen werden: die Datei kann nicht geöffnet werden.").arg(name));
    return fd;
}

QImage ReadPicture(const TFd& fd, const QString& name, const TProgressHandler& progress, QStringList* damage)
{
    QString note;
    QImage image = LoadPictureFromFd(fd.Get(), name, progress, &note);
    if (!note.isEmpty() && damage)
        damage->append(note);
    return image;
}

// The right picture of a pair: the second picture of a multi-picture file
// (left and right then name the same file), else the file's only picture.
QImage ReadRightPicture(const TFd& fd, const QString& name, const TProgressHandler& progress, QStringList* damage)
{
    QString note;
    const QImage second = LoadMpoSecondPicture(fd.Get(), name, progress, &note);
    if (second.isNull())
        return ReadPicture(fd, name, progress, damage);
    if (!note.isEmpty() && damage)
        damage->append(note);
    return second;
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
    if (rect.width() == width && rect.height() == height) {
        QImage out = NewRgb32(width, height);
        BlitRgb32(out, src, -rect.x(), -rect.y());
        return out;
    }
    // Centre sampling: target pixel i takes source pixel
    // floor((i + 0.5) * sourceSize / targetSize).
    std::vector<int> columns(static_cast<size_t>(width));
    for (int i = 0; i < width; ++i)
        columns[size_t(i)] = rect.x() + int((qint64(2 * i + 1) * rect.width()) / (2 * qint64(width)));
    QImage out = NewRgb32(width, height);
    for (int y = 0; y < height; ++y) {
        const int sy = rect.y() + int((qint64(2 * y + 1) * rect.height()) / (2 * qint64(height)));
        const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = in[columns[size_t(x)]];
    }
    return out;
}

bool LoadStereoPicture(TBitmap& left, TBitmap& right, const QString& firstFile, int layout, const QString& secondFile,
                       const TProgressHandler& leftProgress, const TProgressHandler& rightProgress,
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
    if (layout == slSeparate) {
        const bool hasLeft = FileExists(firstFile);
        const bool hasRight = FileExists(secondFile);
        if (hasLeft) {
            TFd fd(OpenForReading(firstFile));
            newLeft = ReadPicture(fd, firstFile, leftProgress, damage);
            std::swap(fd, fdLeft);
        }
        if (hasRight) {
            TFd fd(OpenForReading(secondFile));
            newRight = ReadRightPicture(fd, secondFile, rightProgress, damage);
            std::swap(fd, fdRight);
        }
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
        TFd fd(OpenForReading(firstFile));
        const QImage whole = ReadPicture(fd, firstFile, leftProgress, damage);
        std::swap(fd, fdLeft);
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
