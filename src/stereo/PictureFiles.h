#pragma once
// Reading and writing the picture files of the program: JPEG through the JPEG
// library, Windows bitmaps of our own. Everything read is Format_RGB32.
// A broken or foreign file is an error with a German text, never a crash.

#include "history/Streams.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

enum class TProgressStage { Starting, Running, Ending };
// Called with the stage and a percentage 0..100; must not assume anything
// about the thread beyond "the one that loads". Exceptions it throws are
// swallowed (they cannot travel through the JPEG library).
using TProgressHandler = std::function<void(TProgressStage stage, int percent)>;

// For previews: given a picture's full size, the factor (1, 2, 4 or 8) by
// which it is to be read smaller in both directions.
using TPictureReduction = std::function<int(QSize pictureSize)>;
// The largest factor 1, 2, 4 or 8 at which a picture of size, cut into an
// eye by eyeOf (the whole picture when not given), still gives an eye at
// least as large as that eye fitted into fitInto. An empty fitInto gives 1.
int PictureReductionFor(QSize size, QSize fitInto, const std::function<QSize(QSize)>& eyeOf = {});
// The size of a picture read with a reduction factor: every dimension
// divided and rounded up.
QSize ReducedPictureSize(QSize size, int factor);

// Pictures larger than this are refused before anything is allocated.
constexpr int kMaxPictureSide = 30000;
constexpr qint64 kMaxPicturePixels = 500'000'000;
bool PictureSizeAllowed(qint64 width, qint64 height);
// German reason for a refused size ("zu groß ...").
QString PictureSizeRefusal(qint64 width, qint64 height);

// A picture that could not be read or written; the message names the file.
class EPictureError : public EPlenoptraError {
public:
    using EPlenoptraError::EPlenoptraError;
};

// Outcome of decoding one picture. Error is a German reason without the file
// name; Damaged means the picture was read but the data was incomplete or
// faulty (the missing part is grey or black), and Warning says what.
struct TPictureResult {
    QImage Image;
    bool Ok = false;
    bool Damaged = false;
    QString Error;
    QString Warning;
};

// Reads a JPEG file, or, if it is no readable JPEG, a Windows bitmap file.
// Raises EPictureError naming the file when neither works. damage, when
// given, receives a German text naming the file if the picture was read from
// incomplete or faulty data (the picture is still returned), else it is
// emptied.
QImage LoadPictureFile(const QString& fileName, const TProgressHandler& progress = {}, QString* damage = nullptr);
// The same from an open descriptor (read with pread, the offset is left
// alone); fileName only names the file in messages.
// reduction, when given, reads it smaller (JPEG: the decoder's own scaling,
// which never computes the full resolution; bitmap files: every n-th row
// and column).
QImage LoadPictureFromFd(int fd, const QString& fileName, const TProgressHandler& progress = {},
                         QString* damage = nullptr, const TPictureReduction& reduction = {});
// Opens a file for reading (a signal during the call is retried): the
// descriptor, or -1 with errno set.
int OpenPictureFileForReading(const QString& fileName);
// The full size of the JPEG or bitmap file behind the descriptor, read from
// its header only; an empty size when it is neither or cannot be read.
QSize ReadPictureSizeFromFd(int fd);

// Qt refuses to read pictures over 128 MB by default; the limit is raised
// to what the size limits above allow, once per process.
void RaiseImageAllocationLimit();

// Reports a stage to a handler, keeping its exceptions in.
void ReportProgress(const TProgressHandler* handler, TProgressStage stage, int percent) noexcept;

// Writes data to fileName through a temporary file in the same folder that
// replaces the target only when everything was written and flushed, so a
// failed save never destroys an existing picture. False with a German message
// naming the file and the reason in error (an empty name, a missing folder, a
// name that is a folder, no permission, a full disk, ...).
bool WriteFileReplacing(const QString& fileName, const std::function<bool(QIODevice&)>& write, QString* error);

// Test seam for the failures a test cannot cause for real (a full disk; any
// failure at all when running as root): asked with the target's name and the
// number of bytes written just before the temporary file would replace it; a
// true answer makes the write fail as a full disk would. Returns the hook it
// replaces.
using TFileWriteFaultHook = std::function<bool(const QString& fileName, qint64 written)>;
TFileWriteFaultHook SetFileWriteFaultHook(TFileWriteFaultHook hook);

// What stands in the way of creating fileName, as a German reason; empty when
// nothing is known to (the write itself may still fail).
QString FileWriteObstacle(const QString& fileName);
