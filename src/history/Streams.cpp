#include "history/Streams.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

EPlenoptraError::EPlenoptraError(const QString& message)
    : std::runtime_error(message.toStdString()), FMessage(message)
{
}

qint64 TStream::Remaining() const
{
    return std::max<qint64>(0, Size() - Position());
}

qint64 TMemoryStream::Read(void* buffer, qint64 count)
{
    const qint64 n = std::clamp<qint64>(FData.size() - FPosition, 0, std::max<qint64>(count, 0));
    if (n > 0)
        std::memcpy(buffer, FData.constData() + FPosition, size_t(n));
    FPosition += n;
    return n;
}

void TMemoryStream::Write(const void* buffer, qint64 count)
{
    if (count <= 0)
        return;
    const qint64 end = FPosition + count;
    if (end > FData.size()) {
        // A position set beyond the end leaves a gap of zeros, not stale bytes.
        const qint64 oldSize = FData.size();
        FData.resize(end);
        if (FPosition > oldSize)
            std::memset(FData.data() + oldSize, 0, size_t(FPosition - oldSize));
    }
    std::memcpy(FData.data() + FPosition, buffer, size_t(count));
    FPosition = end;
}

void TMemoryStream::SetSize(qint64 size)
{
    FData.resize(std::max<qint64>(size, 0));
    FPosition = std::min<qint64>(FPosition, FData.size());
}

void TMemoryStream::SetPosition(qint64 position)
{
    FPosition = std::max<qint64>(position, 0);
}

void TMemoryStream::Clear()
{
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::SetData(const QByteArray& data)
{
    FData = data;
    FPosition = 0;
}

TFileStream::TFileStream(const QString& fileName, Mode mode) : FFile(fileName)
{
    const bool ok = mode == OpenRead ? FFile.open(QIODevice::ReadOnly)
                                     : FFile.open(QIODevice::ReadWrite | QIODevice::Truncate);
    if (!ok)
        throw EStreamError(QStringLiteral("Die Datei %1 kann nicht geöffnet werden: %2")
                               .arg(fileName, FFile.errorString()));
}

namespace {

TWriteFaultHook& WriteFaultHook()
{
    static TWriteFaultHook hook;
    return hook;
}

[[noreturn]] void RaiseWriteError(const QString& fileName, const QString& reason)
{
    throw EStreamError(QStringLiteral("Fehler beim Schreiben der Datei %1: %2").arg(fileName, reason));
}

void CheckWriteFault(const QString& fileName, qint64 position, qint64 count)
{
    if (WriteFaultHook() && WriteFaultHook()(fileName, position, count))
        RaiseWriteError(fileName, QStringLiteral("Kein Platz auf dem Datenträger"));
}

} // namespace

TWriteFaultHook SetWriteFaultHook(TWriteFaultHook hook)
{
    TWriteFaultHook previous = std::move(WriteFaultHook());
    WriteFaultHook() = std::move(hook);
    return previous;
}

qint64 TFileStream::Read(void* buffer, qint64 count)
{
    if (count <= 0)
        return 0;
    const qint64 n = FFile.read(static_cast<char*>(buffer), count);
    return n < 0 ? 0 : n;
}

void TFileStream::Write(const void* buffer, qint64 count)
{
    if (count <= 0)
        return;
    CheckWriteFault(FFile.fileName(), FFile.pos(), count);
    if (FFile.write(static_cast<const char*>(buffer), count) != count)
        RaiseWriteError(FFile.fileName(), FFile.errorString());
}

qint64 TFileStream::Size() const { return FFile.size(); }

void TFileStream::SetSize(qint64 size)
{
    if (!FFile.resize(size))
        RaiseWriteError(FFile.fileName(), FFile.errorString());
}

qint64 TFileStream::Position() const { return FFile.pos(); }

void TFileStream::SetPosition(qint64 position) { FFile.seek(std::max<qint64>(position, 0)); }

void TFileStream::Flush()
{
    if (!FFile.flush())
        RaiseWriteError(FFile.fileName(), FFile.errorString());
}

TSaveFileStream::TSaveFileStream(const QString& fileName) : FFile(fileName)
{
    if (!FFile.open(QIODevice::WriteOnly))
        throw EStreamError(QStringLiteral("Die Datei %1 kann nicht angelegt werden: %2")
                               .arg(fileName, FFile.errorString()));
}

qint64 TSaveFileStream::Read(void*, qint64) { return 0; }

void TSaveFileStream::Write(const void* buffer, qint64 count)
{
    if (count <= 0)
        return;
    CheckWriteFault(FFile.fileName(), FFile.pos(), count);
    if (FFile.write(static_cast<const char*>(buffer), count) != count)
        RaiseWriteError(FFile.fileName(), FFile.errorString());
}

qint64 TSaveFileStream::Size() const { return FFile.size(); }

void TSaveFileStream::SetSize(qint64 size)
{
    if (!FFile.resize(size))
        RaiseWriteError(FFile.fileName(), FFile.errorString());
}

qint64 TSaveFileStream::Position() const { return FFile.pos(); }

void TSaveFileStream::SetPosition(qint64 position) { FFile.seek(std::max<qint64>(position, 0)); }

void TSaveFileStream::Commit()
{
    if (!FFile.commit())
        RaiseWriteError(FFile.fileName(), FFile.errorString());
}

namespace {

// Code points of the bytes 0x80..0x9F; the five bytes Windows leaves undefined
// map to the C1 control of the same value, so every byte round-trips.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char EncodeCp1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c)
            return char(0x80 + i);
    return '?';
}

template <typename T>
T ReadLittleEndian(TStream& stream)
{
    uchar bytes[sizeof(T)] = {};
    // A short read keeps the zero bytes for the missing part and reports 0.
    if (stream.Read(bytes, sizeof(T)) != qint64(sizeof(T)))
        return T(0);
    return qFromLittleEndian<T>(bytes);
}

template <typename T>
void WriteLittleEndian(TStream& stream, T value)
{
    uchar bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    stream.Write(bytes, sizeof(T));
}

} // namespace

QByteArray ToWindows1252(const QString& text)
{
    QByteArray out;
    out.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = EncodeCp1252(text.at(i).unicode());
    return out;
}

QString FromWindows1252(const QByteArray& bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar* dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes.at(i));
        dst[i] = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

qint32 ReadInteger(TStream& stream) { return ReadLittleEndian<qint32>(stream); }
void WriteInteger(TStream& stream, qint32 value) { WriteLittleEndian<qint32>(stream, value); }
quint32 ReadCardinal(TStream& stream) { return ReadLittleEndian<quint32>(stream); }
void WriteCardinal(TStream& stream, quint32 value) { WriteLittleEndian<quint32>(stream, value); }

double ReadDouble(TStream& stream)
{
    const quint64 bits = ReadLittleEndian<quint64>(stream);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void WriteDouble(TStream& stream, double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteLittleEndian<quint64>(stream, bits);
}

quint8 ReadByte(TStream& stream)
{
    quint8 b = 0;
    return stream.Read(&b, 1) == 1 ? b : 0;
}

void WriteByte(TStream& stream, quint8 value) { stream.Write(&value, 1); }
bool ReadBool(TStream& stream) { return ReadByte(stream) != 0; }
void WriteBool(TStream& stream, bool value) { WriteByte(stream, value ? 1 : 0); }

QByteArray ReadRawString(TStream& stream)
{
    const qint32 count = ReadInteger(stream);
    if (count <= 0)
        return {};
    if (count > stream.Remaining()) {
        stream.SetPosition(stream.Size());
        return {};
    }
    QByteArray bytes(count, Qt::Uninitialized);
    stream.Read(bytes.data(), count);
    return bytes;
}

QString ReadString(TStream& stream) { return FromWindows1252(ReadRawString(stream)); }

void WriteRawString(TStream& stream, const QByteArray& value)
{
    WriteInteger(stream, qint32(value.size()));
    stream.Write(value.constData(), value.size());
}

void WriteString(TStream& stream, const QString& value) { WriteRawString(stream, ToWindows1252(value)); }

void ReadStream(TStream& source, TStream& dest)
{
    dest.SetSize(0);
    dest.SetPosition(0);
    const qint32 count = ReadInteger(source);
    if (count == 0 || count < 0)
        return;
    if (count > source.Remaining()) {
        source.SetPosition(source.Size());
        return;
    }
    char chunk[64 * 1024];
    qint64 left = count;
    while (left > 0) {
        const qint64 n = source.Read(chunk, std::min<qint64>(left, sizeof chunk));
        if (n <= 0)
            break;
        dest.Write(chunk, n);
        left -= n;
    }
}

void WriteStream(TStream& source, TStream& dest)
{
    const qint64 size = source.Size();
    WriteInteger(dest, qint32(size));
    char chunk[64 * 1024];
    qint64 left = size;
    while (left > 0) {
        qint64 n = source.Read(chunk, std::min<qint64>(left, sizeof chunk));
        if (n <= 0) {
            // The caller did not rewind: pad, so the stored count stays true.
            n = std::min<qint64>(left, sizeof chunk);
            std::memset(chunk, 0, size_t(n));
        }
        dest.Write(chunk, n);
        left -= n;
    }
}

void ReadEndMarker(TStream& stream, const char* marker, const QString& errorMessage)
{
    if (ReadRawString(stream) != QByteArray(marker))
        throw ERangeError(errorMessage);
}
