#pragma once
// Files of stereo cameras. A multi-picture file (.mpo) holds JPEG pictures one
// after the other; the first carries in an APP2 segment "MPF" an index of
// where each picture starts. The first picture is the left view, the second
// the right one. A .jps file is one JPEG with both views crossed side by side.
//
// A pair read from a multi-picture file is stored as left name = right name =
// the file, input layout 0: a reader that knows nothing of the index still
// reads the file (it sees its first picture twice).

#include "stereo/PictureFiles.h"

#include <QSize>
#include <QString>

#include <cstddef>
#include <cstdint>

// Bytes at file offsets; a short count only at the end of the data.
class TMpoBytes {
public:
    virtual ~TMpoBytes() = default;
    virtual qint64 Size() const = 0;
    virtual qint64 ReadAt(qint64 offset, void* buffer, qint64 count) = 0;
};

// Where the pictures of a file lie.
struct TMpoLayout {
    // 1: a plain JPEG (or no JPEG at all, or an index of one picture).
    int Count = 1;
    // The second picture was taken from the index (else found after the end
    // of the first).
    bool FromIndex = false;
    qint64 SecondOffset = -1; // its start marker
    qint64 SecondEnd = -1; // exclusive; beyond the data when the file was cut short
    // Frame size of the first picture; empty when no frame header comes
    // before its first scan.
    QSize FirstSize;
};

// Reads the structure of the first picture. Without an index and with scan
// set, the picture after the first one's end marker counts as the second.
// False with a German reason when the file has an index that cannot be used
// (cut short, pointing outside the file or at no picture); any other file
// gives true (Count 1 when it holds one picture). Reads only what it needs:
// the segment headers up to the first scan when there is an index, the whole
// first picture when it must scan.
bool ReadMpoLayout(TMpoBytes& bytes, bool scan, TMpoLayout* layout, QString* error);
bool ReadMpoLayout(const QByteArray& data, bool scan, TMpoLayout* layout, QString* error);
// The same for an open descriptor (pread; its offset is left alone).
bool ReadMpoLayoutFd(int fd, bool scan, TMpoLayout* layout, QString* error);

// The name ends in ".mpo" (any letter case): only such a file is searched
// for a second picture when it has no index, since other JPEGs may carry
// unrelated pictures (depth maps, previews) behind their end.
bool IsMpoFileName(const QString& fileName);
// The name ends in ".jps" (any letter case).
bool IsJpsFileName(const QString& fileName);
// The file holds two or more pictures by its index (or by its end, for a
// ".mpo" name), or has an index that cannot be read, so that opening it says
// what is wrong rather than showing its first picture twice.
bool IsMpoFile(const QString& fileName);

// The pair that one file stands for: a multi-picture file gives (name, name,
// layout 0), a ".jps" file (name, empty, layout 2). False for any other file.
bool SingleFileStereoInput(const QString& fileName, QString* left, QString* right, int* layout);

// The second picture of the open file fileName, for the right picture of a
// pair. A null picture when the file holds one picture only (the caller
// reads it as usual then). Raises EPictureError naming the file when the
// index cannot be used or the picture cannot be decoded. damage, when given,
// receives a text naming the file when the picture was read from damaged or
// cut-off data, else it is emptied.
QImage LoadMpoSecondPicture(int fd, const QString& fileName, const TProgressHandler& progress = {},
                            QString* damage = nullptr);

// Fuzz entry of the multi-picture reader: the layout of the data with and
// without scanning, and both pictures decoded as the loader decodes them.
// Returns an empty text, or the invariant the input broke (an offset outside
// the data, an error without a reason, a picture where the layout has none).
QString FuzzMpoReader(const uint8_t* data, size_t size);
