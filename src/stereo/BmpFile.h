#pragma once
// Windows bitmap files. Read: 1, 4, 8 bits with palette, 16 and 32 bits with
// or without bit masks, 24 bits; bottom-up and top-down; every header size in
// use. Written: 24 bits, bottom-up, 40-byte header.

#include "stereo/PictureFiles.h"

class QIODevice;

// Decodes a bitmap file held in memory. Compressed (RLE, embedded JPEG/PNG),
// truncated or oversized files give Ok false with a reason.
TPictureResult DecodeBmpData(const QByteArray& data, const TProgressHandler& progress = {});
// The same, reading the open file descriptor from offset 0 with pread;
// reduction, when given, reads only every n-th row and column.
TPictureResult DecodeBmpFd(int fd, const TProgressHandler& progress = {}, const TPictureReduction& reduction = {});
// The picture's size from the file's header; empty when it is no bitmap
// file this reader accepts.
QSize ReadBmpSizeFd(int fd);

// Size in bytes of the 24-bit file WriteBmp writes for the picture.
qint64 BmpFileSize(const QImage& image);
qint64 BmpFileSize(int width, int height);
// Writes the picture as a 24-bit bitmap file; false when the device refuses.
bool WriteBmp(const QImage& image, QIODevice& device);
QByteArray EncodeBmp(const QImage& image);
// Writes fileName, replacing an existing file only on success.
bool SaveBmpFile(const QImage& image, const QString& fileName, QString* error = nullptr);
