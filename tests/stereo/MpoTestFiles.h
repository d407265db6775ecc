#pragma once
// Multi-picture files built as a stereo camera writes them: two JPEGs, the
// first with an APP2 "MPF" index right after its start marker.

#include "stereo/JpegFile.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QtEndian>

#include <initializer_list>

// A small JPEG of one colour (quality 95, so the colour survives within a
// step or two).
inline QByteArray SolidJpeg(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    TJpegOptions options;
    options.Quality = 95;
    QByteArray data;
    EncodeJpeg(image, options, &data);
    return data;
}

struct TMpoParts {
    QByteArray File;
    qint64 Base = 0; // file offset of the index's byte-order mark, the origin of its offsets
    qint64 SecondAt = 0; // file offset of the second picture
    qint64 IndexAt = 0; // file offset of the APP2 segment
};

// first and second joined with an index of two entries. secondOffset and
// secondSize, when not negative, replace what the index says of the second
// picture; big writes the index big-endian.
inline TMpoParts MakeMpo(const QByteArray& first, const QByteArray& second, bool big = false,
                         qint64 secondOffset = -1, qint64 secondSize = -1)
{
    QByteArray tiff;
    auto put16 = [&](quint16 v) {
        char b[2];
        big ? qToBigEndian(v, b) : qToLittleEndian(v, b);
        tiff.append(b, 2);
    };
    auto put32 = [&](quint32 v) {
        char b[4];
        big ? qToBigEndian(v, b) : qToLittleEndian(v, b);
        tiff.append(b, 4);
    };
    tiff.append(big ? QByteArray("MM\x00\x2A", 4) : QByteArray("II\x2A\x00", 4));
    put32(8); // the directory follows the header
    const quint32 entries = 8 + 2 + 3 * 12 + 4;
    put16(3);
    put16(0xB000), put16(7), put32(4), tiff.append("0100", 4); // version
    put16(0xB001), put16(4), put32(1), put32(2); // two pictures
    put16(0xB002), put16(7), put32(32), put32(entries); // their entries
    put32(0); // no further directory
    const qint64 segment = 2 + 2 + 4 + (tiff.size() + 32); // marker, length, "MPF\0", index
    TMpoParts parts;
    parts.IndexAt = 2;
    parts.Base = 2 + 2 + 2 + 4;
    const qint64 firstSize = first.size() + segment;
    parts.SecondAt = firstSize;
    put32(0x20020002), put32(quint32(firstSize)), put32(0), put16(0), put16(0);
    put32(0x00020002), put32(quint32(secondSize >= 0 ? secondSize : second.size())),
        put32(quint32(secondOffset >= 0 ? secondOffset : firstSize - parts.Base)), put16(0), put16(0);

    QByteArray app2("\xFF\xE2", 2);
    const quint16 length = quint16(2 + 4 + tiff.size());
    app2.append(char(length >> 8)).append(char(length & 0xFF));
    app2.append("MPF", 4); // with its terminating zero
    app2.append(tiff);
    parts.File = first.left(2) + app2 + first.mid(2) + second;
    return parts;
}
