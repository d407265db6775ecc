#include "stereo/MpoFile.h"

#include "stereo/JpegFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMarker = 0xFF;
constexpr int kSoi = 0xD8;
constexpr int kEoi = 0xD9;
constexpr int kSos = 0xDA;
constexpr int kApp2 = 0xE2;
constexpr int kFirstRst = 0xD0;
constexpr int kLastRst = 0xD7;
constexpr int kTem = 0x01;

// The MP index (a TIFF-like directory in the APP2 segment).
constexpr char kMpfSignature[4] = {'M', 'P', 'F', '\0'};
constexpr quint16 kTagNumberOfImages = 0xB001;
constexpr quint16 kTagMpEntry = 0xB002;
constexpr quint16 kTypeShort = 3;
constexpr quint16 kTypeLong = 4;
constexpr qint64 kTiffHeaderBytes = 8;
constexpr qint64 kDirectoryEntryBytes = 12;
constexpr qint64 kMpEntryBytes = 16;
// Bits 0..23 of an entry's attribute: the picture's type code.
constexpr quint32 kTypeCodeMask = 0x00FFFFFF;
constexpr quint32 kTypeMultiView = 0x020002;

constexpr qint64 kWindowBytes = 1 << 16;
// The second picture is read whole before it is decoded; the JPEG of the
// largest picture we accept stays far below this even at quality 100.
constexpr qint64 kMaxSecondPictureBytes = qint64(1) << 30;

class TMemoryBytes : public TMpoBytes {
public:
    explicit TMemoryBytes(const QByteArray& data) : FData(data) {}
    qint64 Size() const override { return FData.size(); }
    qint64 ReadAt(qint64 offset, void* buffer, qint64 count) override
    {
        if (offset < 0 || offset >= FData.size() || count <= 0)
            return 0;
        const qint64 n = std::min(count, qint64(FData.size()) - offset);
        std::memcpy(buffer, FData.constData() + offset, size_t(n));
        return n;
    }

private:
    const QByteArray& FData;
};

class TFdBytes : public TMpoBytes {
public:
    explicit TFdBytes(int fd) : FFd(fd)
    {
        struct stat info = {};
        FSize = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? qint64(info.st_size) : 0;
    }
    qint64 Size() const override { return FSize; }
    qint64 ReadAt(qint64 offset, void* buffer, qint64 count) override
    {
        qint64 done = 0;
        while (done < count) {
            const ssize_t n = ::pread(FFd, static_cast<char*>(buffer) + done, size_t(count - done), off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += n;
        }
        return done;
    }

private:
    int FFd;
    qint64 FSize = 0;
};

// A window over the bytes, so that walking a picture byte by byte costs one
// read per 64 KB. Every access outside the data answers -1.
class TReader {
public:
    explicit TReader(TMpoBytes& bytes) : FBytes(bytes), FSize(bytes.Size()) {}
    qint64 Size() const { return FSize; }

    int At(qint64 pos)
    {
        if (pos < 0 || pos >= FSize)
            return -1;
        if ((pos < FStart || pos >= FStart + FLength) && !Fill(pos))
            return -1;
        return uchar(FBuffer[pos - FStart]);
    }
    int U16(qint64 pos)
    {
        const int a = At(pos), b = At(pos + 1);
        return a < 0 || b < 0 ? -1 : (a << 8) | b;
    }
    // The next 0xFF at or after pos; -1 when there is none.
    qint64 FindMarkerByte(qint64 pos)
    {
        while (At(pos) >= 0) {
            const char* from = FBuffer.constData() + (pos - FStart);
            const qint64 available = FStart + FLength - pos;
            if (const void* hit = std::memchr(from, kMarker, size_t(available)))
                return pos + (static_cast<const char*>(hit) - from);
            pos += available;
        }
        return -1;
    }
    bool Read(qint64 pos, char* out, qint64 count) { return FBytes.ReadAt(pos, out, count) == count; }

private:
    bool Fill(qint64 pos)
    {
        if (FBuffer.isEmpty())
            FBuffer.resize(kWindowBytes);
        const qint64 n = FBytes.ReadAt(pos, FBuffer.data(), std::min(kWindowBytes, FSize - pos));
        FStart = pos;
        FLength = std::max<qint64>(0, n);
        return FLength > 0;
    }

    TMpoBytes& FBytes;
    qint64 FSize;
    QByteArray FBuffer;
    qint64 FStart = 0;
    qint64 FLength = 0;
};

bool Refuse(QString* error, const QString& detail)
{
    if (error)
        *error = QStringLiteral("der MPO-Index ist beschädigt (%1)").arg(detail);
    return false;
}

bool IsFrameHeader(int marker)
{
    // SOF0..SOF15 without DHT, JPG and DAC, which share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Reads the index whose TIFF header starts at base (the origin of its
// offsets) and is n bytes long.
bool ParseIndex(TReader& r, qint64 base, qint64 n, TMpoLayout* layout, QString* error)
{
    if (n < kTiffHeaderBytes)
        return Refuse(error, QStringLiteral("zu kurz"));
    QByteArray index(n, Qt::Uninitialized);
    if (!r.Read(base, index.data(), n))
        return Refuse(error, QStringLiteral("abgeschnitten"));
    const auto* p = reinterpret_cast<const uchar*>(index.constData());
    bool little;
    if (std::memcmp(p, "II\x2A\x00", 4) == 0)
        little = true;
    else if (std::memcmp(p, "MM\x00\x2A", 4) == 0)
        little = false;
    else
        return Refuse(error, QStringLiteral("unbekannte Byte-Reihenfolge"));
    // Callers check that at + 2 or at + 4 lies inside the index.
    auto u16 = [&](qint64 at) {
        return little ? quint16(p[at] | p[at + 1] << 8) : quint16(p[at] << 8 | p[at + 1]);
    };
    auto u32 = [&](qint64 at) {
        return little ? quint32(p[at]) | quint32(p[at + 1]) << 8 | quint32(p[at + 2]) << 16 | quint32(p[at + 3]) << 24
                      : quint32(p[at]) << 24 | quint32(p[at + 1]) << 16 | quint32(p[at + 2]) << 8 | quint32(p[at + 3]);
    };

    const qint64 directory = u32(4);
    if (directory < kTiffHeaderBytes || directory + 2 > n)
        return Refuse(error, QStringLiteral("das Verzeichnis liegt außerhalb des Index"));
    const qint64 count = u16(directory);
    if (directory + 2 + count * kDirectoryEntryBytes > n)
        return Refuse(error, QStringLiteral("das Verzeichnis reicht über das Ende des Index"));
    qint64 images = -1, entryBytes = -1, entries = -1;
    for (qint64 i = 0; i < count; ++i) {
        const qint64 e = directory + 2 + i * kDirectoryEntryBytes;
        const quint16 tag = u16(e), type = u16(e + 2);
        const quint32 values = u32(e + 4);
        if (tag == kTagNumberOfImages && values == 1)
            images = type == kTypeLong ? qint64(u32(e + 8)) : type == kTypeShort ? qint64(u16(e + 8)) : -1;
        else if (tag == kTagMpEntry) {
            entryBytes = values;
            entries = u32(e + 8);
        }
    }
    if (images < 0)
        return Refuse(error, QStringLiteral("die Zahl der Bilder fehlt"));
    if (images < 2) {
        layout->Count = 1; // one picture: a plain JPEG for us
        return true;
    }
    if (entries < 0)
        return Refuse(error, QStringLiteral("die Liste der Bilder fehlt"));
    const qint64 listed = std::min(images, entryBytes / kMpEntryBytes);
    if (listed < 2)
        return Refuse(error, QStringLiteral("die Liste nennt weniger als zwei Bilder"));
    if (entries < kTiffHeaderBytes || entries + listed * kMpEntryBytes > n)
        return Refuse(error, QStringLiteral("die Liste der Bilder liegt außerhalb des Index"));

    // The right view: the first further picture that says it is one view of
    // several, else simply the second.
    qint64 pick = 1;
    for (qint64 i = 1; i < listed; ++i) {
        if ((u32(entries + i * kMpEntryBytes) & kTypeCodeMask) == kTypeMultiView) {
            pick = i;
            break;
        }
    }
    const qint64 e = entries + pick * kMpEntryBytes;
    const qint64 size = u32(e + 4);
    const qint64 offset = u32(e + 8);
    if (offset == 0 || size == 0)
        return Refuse(error, QStringLiteral("das zweite Bild hat keinen Ort"));
    const qint64 start = base + offset;
    if (start + 2 > r.Size())
        return Refuse(error, QStringLiteral("das zweite Bild liegt hinter dem Dateiende"));
    if (r.At(start) != kMarker || r.At(start + 1) != kSoi)
        return Refuse(error, QStringLiteral("an der Stelle des zweiten Bildes steht kein JPEG-Bild"));
    layout->Count = int(std::min<qint64>(listed, 0xFFFF));
    layout->FromIndex = true;
    layout->SecondOffset = start;
    layout->SecondEnd = start + size;
    return true;
}

bool IsMpfSegment(TReader& r, qint64 payload, qint64 payloadBytes)
{
    if (payloadBytes < qint64(sizeof(kMpfSignature)))
        return false;
    for (int i = 0; i < int(sizeof(kMpfSignature)); ++i)
        if (r.At(payload + i) != uchar(kMpfSignature[i]))
            return false;
    return true;
}

// From the first byte of entropy-coded data to the marker that ends it (not
// a stuffed zero, a restart or a fill byte); -1 when the data ends first.
qint64 SkipEntropyData(TReader& r, qint64 at)
{
    for (;;) {
        at = r.FindMarkerByte(at);
        if (at < 0)
            return -1;
        const int next = r.At(at + 1);
        if (next < 0)
            return -1;
        if (next == 0x00 || (next >= kFirstRst && next <= kLastRst)) {
            at += 2;
            continue;
        }
        if (next == kMarker) {
            ++at;
            continue;
        }
        return at;
    }
}

QString SecondFailure(const QString& fileName, const QString& reason)
{
    return QStringLiteral("Das zweite Bild der MPO-Datei \"%1\" kann nicht geladen werden: %2.").arg(fileName, reason);
}

} // namespace

bool ReadMpoLayout(TMpoBytes& bytes, bool scan, TMpoLayout* out, QString* error)
{
    TMpoLayout layout;
    TReader r(bytes);
    if (r.At(0) != kMarker || r.At(1) != kSoi) {
        *out = layout;
        return true;
    }
    qint64 pos = 2;
    qint64 firstEnd = -1;
    bool haveIndex = false;
    // Each turn moves pos forward by at least two bytes.
    for (;;) {
        // Anything but a marker where one belongs ends what we can tell of
        // the structure; the decoder has its own opinion of such a file.
        if (r.At(pos) != kMarker)
            break;
        while (r.At(pos + 1) == kMarker)
            ++pos; // fill bytes before the marker
        const int marker = r.At(pos + 1);
        if (marker < 0)
            break;
        pos += 2;
        if (marker == kEoi) {
            firstEnd = pos;
            break;
        }
        if (marker == kTem || (marker >= kFirstRst && marker <= kLastRst))
            continue;
        if (marker == kSoi || marker == 0x00)
            break;
        const int length = r.U16(pos);
        if (length < 2)
            break;
        const qint64 payload = pos + 2;
        const qint64 next = pos + length;
        if (marker == kApp2 && !haveIndex && IsMpfSegment(r, payload, length - 2)) {
            if (next > r.Size())
                return Refuse(error, QStringLiteral("abgeschnitten"));
            const qint64 base = payload + qint64(sizeof(kMpfSignature));
            if (!ParseIndex(r, base, next - base, &layout, error))
                return false;
            haveIndex = true;
        } else if (IsFrameHeader(marker) && layout.FirstSize.isEmpty()) {
            const int height = r.U16(payload + 1), width = r.U16(payload + 3);
            if (height > 0 && width > 0)
                layout.FirstSize = QSize(width, height);
        } else if (marker == kSos) {
            if (haveIndex || !scan)
                break;
            const qint64 end = SkipEntropyData(r, next);
            if (end < 0)
                break;
            pos = end;
            continue;
        }
        pos = next;
    }
    if (!haveIndex && scan && firstEnd > 0) {
        // Cameras may pad between the pictures; the next start of a JPEG
        // (start marker and the marker of its first segment) begins the
        // second picture, which runs to the end of the file.
        for (qint64 at = r.FindMarkerByte(firstEnd); at >= 0; at = r.FindMarkerByte(at + 1)) {
            if (r.At(at + 1) == kSoi && r.At(at + 2) == kMarker) {
                layout.Count = 2;
                layout.SecondOffset = at;
                layout.SecondEnd = r.Size();
                break;
            }
        }
    }
    *out = layout;
    return true;
}

bool ReadMpoLayout(const QByteArray& data, bool scan, TMpoLayout* layout, QString* error)
{
    TMemoryBytes bytes(data);
    return ReadMpoLayout(bytes, scan, layout, error);
}

bool ReadMpoLayoutFd(int fd, bool scan, TMpoLayout* layout, QString* error)
{
    TFdBytes bytes(fd);
    return ReadMpoLayout(bytes, scan, layout, error);
}

bool IsMpoFileName(const QString& fileName) { return fileName.endsWith(QStringLiteral(".mpo"), Qt::CaseInsensitive); }

bool IsJpsFileName(const QString& fileName) { return fileName.endsWith(QStringLiteral(".jps"), Qt::CaseInsensitive); }

bool IsMpoFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return false;
    const int fd = OpenPictureFileForReading(fileName);
    if (fd < 0)
        return false;
    TMpoLayout layout;
    const bool readable = ReadMpoLayoutFd(fd, IsMpoFileName(fileName), &layout, nullptr);
    ::close(fd);
    return !readable || layout.Count >= 2;
}

bool SingleFileStereoInput(const QString& fileName, QString* left, QString* right, int* layout)
{
    if (IsMpoFile(fileName)) {
        *left = *right = fileName;
        *layout = 0;
        return true;
    }
    if (IsJpsFileName(fileName)) {
        *left = fileName;
        right->clear();
        *layout = 2; // crossed: the right view in the left half
        return true;
    }
    return false;
}

QImage LoadMpoSecondPicture(int fd, const QString& fileName, const TProgressHandler& progress, QString* damage)
{
    if (damage)
        damage->clear();
    TFdBytes bytes(fd);
    TMpoLayout layout;
    QString reason;
    if (!ReadMpoLayout(bytes, IsMpoFileName(fileName), &layout, &reason))
        throw EPictureError(SecondFailure(fileName, reason));
    if (layout.Count < 2)
        return QImage();
    const qint64 end = std::min(layout.SecondEnd, bytes.Size());
    const qint64 length = end - layout.SecondOffset;
    if (length > kMaxSecondPictureBytes)
        throw EPictureError(SecondFailure(fileName, QStringLiteral("das Bild ist zu groß")));
    QByteArray data;
    try {
        data.resize(length);
    } catch (const std::bad_alloc&) {
        throw EPictureError(SecondFailure(fileName, QStringLiteral("nicht genug Arbeitsspeicher")));
    }
    if (bytes.ReadAt(layout.SecondOffset, data.data(), length) != length)
        throw EPictureError(SecondFailure(fileName, QStringLiteral("die Datei kann nicht gelesen werden")));
    TPictureResult picture = DecodeJpegData(data, progress);
    if (!picture.Ok)
        throw EPictureError(SecondFailure(fileName, picture.Error));
    if (damage && (picture.Damaged || end < layout.SecondEnd)) {
        const QString what = picture.Damaged ? picture.Warning : QStringLiteral("die Datei endet vor seinem Ende");
        *damage = QStringLiteral("Das zweite Bild der MPO-Datei \"%1\" ist beschädigt: %2.").arg(fileName, what);
    }
    return picture.Image;
}

QString FuzzMpoReader(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    TMpoLayout indexed;
    for (const bool scan : {false, true}) {
        TMpoLayout layout;
        QString error;
        if (!ReadMpoLayout(bytes, scan, &layout, &error)) {
            if (error.isEmpty())
                return QStringLiteral("an index refused without a reason");
            continue;
        }
        if (layout.Count < 1)
            return QStringLiteral("fewer than one picture");
        if (layout.Count < 2) {
            if (layout.SecondOffset != -1 || layout.FromIndex)
                return QStringLiteral("a second picture's place in a file of one picture");
            continue;
        }
        if (!scan && !layout.FromIndex)
            return QStringLiteral("a second picture found by scanning though scanning was off");
        if (!scan)
            indexed = layout;
        else if (indexed.FromIndex && (layout.SecondOffset != indexed.SecondOffset || !layout.FromIndex))
            return QStringLiteral("scanning changed what the index says");
        if (layout.SecondOffset < 2 || layout.SecondOffset + 2 > qint64(size) || layout.SecondEnd <= layout.SecondOffset)
            return QStringLiteral("the second picture lies outside the data");
        if (uchar(bytes[layout.SecondOffset]) != kMarker || uchar(bytes[layout.SecondOffset + 1]) != kSoi)
            return QStringLiteral("the second picture does not start with a start marker");
        const qint64 end = std::min(layout.SecondEnd, qint64(size));
        // Decoded as the loader decodes it; whatever comes out is fine, a
        // crash or a sanitizer report is not.
        DecodeJpegData(bytes.mid(layout.SecondOffset, end - layout.SecondOffset));
    }
    DecodeJpegData(bytes);
    return QString();
}
