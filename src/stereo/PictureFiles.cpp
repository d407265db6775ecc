#include "stereo/PictureFiles.h"

#include "stereo/BmpFile.h"
#include "stereo/JpegFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

bool PictureSizeAllowed(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide
        && width * height <= kMaxPicturePixels;
}

QString PictureSizeRefusal(qint64 width, qint64 height)
{
    return QStringLiteral("das Bild ist mit %1 × %2 Pixeln zu groß (höchstens %3 Pixel je Seite und %4 Megapixel)")
        .arg(width)
        .arg(height)
        .arg(kMaxPictureSide)
        .arg(kMaxPicturePixels / 1'000'000);
}

void RaiseImageAllocationLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Four bytes per pixel of the largest picture we accept, in MB.
        const int megabytes = int(kMaxPicturePixels * 4 / (1024 * 1024)) + 1;
        if (QImageReader::allocationLimit() < megabytes)
            QImageReader::setAllocationLimit(megabytes);
    });
}

void ReportProgress(const TProgressHandler* handler, TProgressStage stage, int percent) noexcept
{
    if (!handler || !*handler)
        return;
    try {
        (*handler)(stage, percent);
    } catch (...) {
        // A progress display must never abort a load half-way.
    }
}

namespace {

QString LoadFailure(const QString& fileName, const QString& reason)
{
    return QStringLiteral("Das Bild \"%1\" kann nicht geladen werden: %2.").arg(fileName, reason);
}

} // namespace

int PictureReductionFor(QSize size, QSize fitInto, const std::function<QSize(QSize)>& eyeOf)
{
    if (size.isEmpty() || fitInto.isEmpty())
        return 1;
    const auto eye = [&](QSize s) { return eyeOf ? eyeOf(s) : s; };
    const QSize full = eye(size);
    if (full.isEmpty())
        return 1;
    const QSize shown = full.scaled(fitInto, Qt::KeepAspectRatio).boundedTo(full);
    for (int factor : {8, 4, 2}) {
        const QSize reduced = eye(ReducedPictureSize(size, factor));
        if (reduced.width() >= shown.width() && reduced.height() >= shown.height())
            return factor;
    }
    return 1;
}

QSize ReducedPictureSize(QSize size, int factor)
{
    factor = std::max(factor, 1);
    return QSize((size.width() + factor - 1) / factor, (size.height() + factor - 1) / factor);
}

QSize ReadPictureSizeFromFd(int fd)
{
    unsigned char magic[2] = {0, 0};
    ssize_t n;
    do
        n = pread(fd, magic, 2, 0);
    while (n < 0 && errno == EINTR);
    if (n != 2)
        return QSize();
    if (magic[0] == 0xFF && magic[1] == 0xD8)
        return ReadJpegSizeFd(fd);
    return ReadBmpSizeFd(fd);
}

QImage LoadPictureFromFd(int fd, const QString& fileName, const TProgressHandler& progress, QString* damage,
                         const TPictureReduction& reduction)
{
    RaiseImageAllocationLimit();
    if (damage)
        damage->clear();
    unsigned char magic[2] = {0, 0};
    ssize_t n;
    do
        n = pread(fd, magic, 2, 0);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        throw EPictureError(LoadFailure(fileName, QStringLiteral("die Datei kann nicht gelesen werden")));
    if (n == 0)
        throw EPictureError(LoadFailure(fileName, QStringLiteral("die Datei ist leer")));
    // The JPEG library accepts nothing but a file that starts with its start
    // marker, so other files go to the bitmap reader at once; that keeps one
    // start and one end per file for the progress display.
    const bool jpegStart = n == 2 && magic[0] == 0xFF && magic[1] == 0xD8;
    QString jpegError;
    if (jpegStart) {
        TPictureResult jpeg = DecodeJpegFd(fd, progress, reduction);
        if (jpeg.Ok) {
            if (jpeg.Damaged && damage)
                *damage = QStringLiteral("Das Bild \"%1\" ist beschädigt: %2.").arg(fileName, jpeg.Warning);
            return jpeg.Image;
        }
        jpegError = jpeg.Error;
    }
    TPictureResult bmp = DecodeBmpFd(fd, progress, reduction);
    if (bmp.Ok)
        return bmp.Image;
    QString reason;
    if (jpegStart)
        reason = jpegError;
    else if (n == 2 && magic[0] == 'B' && magic[1] == 'M')
        reason = bmp.Error;
    else
        reason = QStringLiteral("weder ein JPEG- noch ein BMP-Bild");
    throw EPictureError(LoadFailure(fileName, reason));
}

int OpenPictureFileForReading(const QString& fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    int fd;
    do
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}

QImage LoadPictureFile(const QString& fileName, const TProgressHandler& progress, QString* damage)
{
    const int fd = OpenPictureFileForReading(fileName);
    if (fd < 0)
        throw EPictureError(LoadFailure(fileName, QStringLiteral("die Datei kann nicht geöffnet werden")));
    struct TCloser {
        int fd;
        ~TCloser() { ::close(fd); }
    } closer{fd};
    return LoadPictureFromFd(fd, fileName, progress, damage);
}

namespace {

TFileWriteFaultHook& FileWriteFaultHook()
{
    static TFileWriteFaultHook hook;
    return hook;
}

} // namespace

TFileWriteFaultHook SetFileWriteFaultHook(TFileWriteFaultHook hook)
{
    TFileWriteFaultHook previous = std::move(FileWriteFaultHook());
    FileWriteFaultHook() = std::move(hook);
    return previous;
}

QString FileWriteObstacle(const QString& fileName)
{
    if (fileName.trimmed().isEmpty())
        return QStringLiteral("es ist kein Dateiname angegeben");
    const QFileInfo target(fileName);
    if (target.isDir())
        return QStringLiteral("ein Ordner trägt diesen Namen");
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists()) {
        // Walk up to the part of the path that does exist: a file standing
        // where a folder is expected needs a different word than a gap.
        QFileInfo up = folder;
        while (!up.exists() && up.absoluteFilePath() != up.absolutePath())
            up = QFileInfo(up.absolutePath());
        if (up.exists() && !up.isDir())
            return QStringLiteral("\"%1\" ist kein Ordner").arg(up.absoluteFilePath());
        return QStringLiteral("der Ordner \"%1\" existiert nicht").arg(folder.absoluteFilePath());
    }
    if (!folder.isDir())
        return QStringLiteral("\"%1\" ist kein Ordner").arg(folder.absoluteFilePath());
    if (::access(QFile::encodeName(folder.absoluteFilePath()).constData(), W_OK | X_OK) != 0 && errno == EACCES)
        return QStringLiteral("keine Schreibberechtigung für den Ordner \"%1\"").arg(folder.absoluteFilePath());
    return QString();
}

bool WriteFileReplacing(const QString& fileName, const std::function<bool(QIODevice&)>& write, QString* error)
{
    auto message = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2.").arg(fileName, reason);
        return false;
    };
    const QString obstacle = FileWriteObstacle(fileName);
    if (!obstacle.isEmpty())
        return message(obstacle);
    QSaveFile file(fileName);
    auto fail = [&](const QString& reason) {
        file.cancelWriting();
        return message(reason);
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    bool written = false;
    try {
        written = write(file);
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("nicht genug Arbeitsspeicher"));
    }
    if (!written)
        return fail(file.errorString());
    if (FileWriteFaultHook() && FileWriteFaultHook()(fileName, file.pos()))
        return fail(QStringLiteral("kein Platz auf dem Datenträger"));
    if (!file.commit())
        return message(file.errorString());
    return true;
}
