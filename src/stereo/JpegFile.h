#pragma once
// JPEG decoding and encoding. Decoding writes straight into the scanlines of
// a Format_RGB32 picture; encoding reads them the same way.

#include "stereo/PictureFiles.h"

#include <atomic>

struct TJpegOptions {
    int Quality = 96; // 1..100, clamped
    bool Progressive = false;
};

// What a JPEG may cost to decode. A file may make the decoder spend at most
// BytesPerFileByte bytes of memory for every byte it holds, but never less
// than FreeBytes whatever its size; a file that claims more is refused before
// anything is allocated, like a damaged picture. A progressive file with more
// than MaxScans scans is refused while decoding: every scan visits every
// block of its component, so a few bytes per scan could buy minutes of work.
// The measurements behind the numbers are in JpegFile.cpp.
struct TJpegBudget {
    qint64 FreeBytes = 256ll << 20;
    qint64 BytesPerFileByte = 256;
    int MaxScans = 100;
};
// The budget in force; the fuzz targets and tests lower it to keep their
// pictures small (it is read by every decode, so set it before decoding).
const TJpegBudget& JpegBudget();
TJpegBudget SetJpegBudget(const TJpegBudget& budget);
// The memory a file of fileSize bytes (<= 0: unknown) may make the decoder use.
qint64 JpegDecodeBudget(qint64 fileSize);

// Decodes JPEG data. A stream that ends early or holds corrupt entropy data
// decodes with Damaged set (the library fills the rest grey); anything it
// cannot decode at all, or whose size is beyond its budget, gives Ok false
// with a reason.
TPictureResult DecodeJpegData(const QByteArray& data, const TProgressHandler& progress = {});
// The same, reading the open file descriptor from offset 0 with pread;
// reduction, when given, has the decoder scale by 1/2, 1/4 or 1/8 itself.
TPictureResult DecodeJpegFd(int fd, const TProgressHandler& progress = {}, const TPictureReduction& reduction = {});
// The picture's size from the file's header; empty when it is no JPEG.
QSize ReadJpegSizeFd(int fd);

// Encodes a picture (any format; converted to Format_RGB32 when needed) in
// colour with the library's defaults otherwise. False with a German reason.
// When cancel is given and becomes true while encoding, the encoder stops at
// its next row band or pass step and returns false with kJpegCancelled.
bool EncodeJpeg(const QImage& image, const TJpegOptions& options, QByteArray* out, QString* error = nullptr,
                const TProgressHandler& progress = {}, const std::atomic<bool>* cancel = nullptr);
extern const QString kJpegCancelled;

// Hands the coder the rows first .. first + count - 1 (count at most
// kJpegRowsPerBand): rows[i] := Format_RGB32 pixels of row first + i, width
// pixels, either in the caller's memory or written into scratch, which holds
// count rows of width pixels. Must not throw.
using TJpegRowSource = std::function<void(int first, int count, const uchar** rows, QRgb* scratch)>;
constexpr int kJpegRowsPerBand = 16;
// Codes a picture that is handed over band by band, so that it never has to
// exist as a whole; otherwise as EncodeJpeg.
bool EncodeJpegRows(int width, int height, const TJpegRowSource& source, const TJpegOptions& options, QByteArray* out,
                    QString* error = nullptr, const TProgressHandler& progress = {},
                    const std::atomic<bool>* cancel = nullptr);
// Encodes and writes fileName, replacing an existing file only on success.
bool SaveJpegFile(const QImage& image, const QString& fileName, const TJpegOptions& options, QString* error = nullptr,
                  const TProgressHandler& progress = {});
