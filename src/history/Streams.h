#pragma once
// Typed read/write primitives under every stored object of the program.
//
// Encoding: little-endian, no tags, no padding. Strings are a signed 32-bit
// byte count followed by Windows-1252 bytes; embedded streams are a signed
// 32-bit byte count followed by raw bytes. A read that runs past the end of
// the stream never raises: it yields the neutral value (0, empty), and the
// enclosing block's end-marker check turns that into an error.

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>

// Base of the program's own errors; carries the text shown to the user.
class EPlenoptraError : public std::runtime_error {
public:
    explicit EPlenoptraError(const QString& message);
    QString Message() const { return FMessage; }

private:
    QString FMessage;
};

// A block's end marker was not where it belongs (truncated or foreign data).
class ERangeError : public EPlenoptraError {
public:
    using EPlenoptraError::EPlenoptraError;
};

// The file system refused an open, read or write.
class EStreamError : public EPlenoptraError {
public:
    using EPlenoptraError::EPlenoptraError;
};

// A seekable byte stream: read, write, size and set-size.
class TStream {
public:
    virtual ~TStream() = default;
    // Returns the number of bytes actually read (fewer at the end).
    virtual qint64 Read(void* buffer, qint64 count) = 0;
    // Writes all bytes or raises EStreamError.
    virtual void Write(const void* buffer, qint64 count) = 0;
    virtual qint64 Size() const = 0;
    virtual void SetSize(qint64 size) = 0;
    virtual qint64 Position() const = 0;
    virtual void SetPosition(qint64 position) = 0;

    qint64 Remaining() const;
    void Rewind() { SetPosition(0); }
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(const QByteArray& data) : FData(data) {}

    qint64 Read(void* buffer, qint64 count) override;
    void Write(const void* buffer, qint64 count) override;
    qint64 Size() const override { return FData.size(); }
    void SetSize(qint64 size) override;
    qint64 Position() const override { return FPosition; }
    void SetPosition(qint64 position) override;

    // Empties the stream (size 0, position 0).
    void Clear();
    const QByteArray& Data() const { return FData; }
    void SetData(const QByteArray& data);

private:
    QByteArray FData;
    qint64 FPosition = 0;
};

class TFileStream : public TStream {
public:
    enum Mode { OpenRead, Create };
    // Raises EStreamError when the file cannot be opened or created.
    TFileStream(const QString& fileName, Mode mode);

    qint64 Read(void* buffer, qint64 count) override;
    void Write(const void* buffer, qint64 count) override;
    qint64 Size() const override;
    void SetSize(qint64 size) override;
    qint64 Position() const override;
    void SetPosition(qint64 position) override;

    // Flushes buffered bytes to the operating system; raises on failure.
    void Flush();
    QFile& File() { return FFile; }

private:
    QFile FFile;
};

// Writes a file so that it either appears complete or not at all: the bytes go
// to a temporary file in the target's folder, and Commit renames it over the
// target. Destroyed without Commit (an error was raised meanwhile), the
// temporary file is removed and an existing target stays as it was.
class TSaveFileStream : public TStream {
public:
    // Raises EStreamError when the temporary file cannot be created.
    explicit TSaveFileStream(const QString& fileName);

    // A write-only stream: reading yields nothing.
    qint64 Read(void* buffer, qint64 count) override;
    void Write(const void* buffer, qint64 count) override;
    qint64 Size() const override;
    void SetSize(qint64 size) override;
    qint64 Position() const override;
    void SetPosition(qint64 position) override;

    // Puts the written file in place of the target; raises EStreamError when
    // that fails (the target then keeps its old content).
    void Commit();

private:
    QSaveFile FFile;
};

// Lets tests make a file write fail as a full disk would: before every write
// to a file stream the hook is asked with the file name (the target's name for
// a TSaveFileStream), the position and the byte count, and a true answer
// raises EStreamError instead of writing. Returns the hook it replaces.
using TWriteFaultHook = std::function<bool(const QString& fileName, qint64 position, qint64 count)>;
TWriteFaultHook SetWriteFaultHook(TWriteFaultHook hook);

// Windows-1252 at the boundary between stored text and Qt's Unicode strings.
QByteArray ToWindows1252(const QString& text);
QString FromWindows1252(const QByteArray& bytes);

qint32 ReadInteger(TStream& stream);
void WriteInteger(TStream& stream, qint32 value);
quint32 ReadCardinal(TStream& stream);
void WriteCardinal(TStream& stream, quint32 value);
// Fewer than 8 bytes left: 0.0 (the enclosing end-marker check fails anyway).
double ReadDouble(TStream& stream);
void WriteDouble(TStream& stream, double value);
quint8 ReadByte(TStream& stream);
void WriteByte(TStream& stream, quint8 value);
bool ReadBool(TStream& stream);
void WriteBool(TStream& stream, bool value);

// A negative count yields the empty string and consumes only the count; a
// count beyond the end yields the empty string and consumes the rest, so a
// corrupt count never allocates more than the stream holds.
QString ReadString(TStream& stream);
QByteArray ReadRawString(TStream& stream);
void WriteString(TStream& stream, const QString& value);
void WriteRawString(TStream& stream, const QByteArray& value);

// Empties dest, then copies the counted bytes of source into it (dest is left
// positioned after them). A count that is negative or beyond the end leaves
// dest empty.
void ReadStream(TStream& source, TStream& dest);
// Writes source's total size as the count, then that many bytes from source's
// current position (callers rewind first).
void WriteStream(TStream& source, TStream& dest);

// Reads one string and raises ERangeError(errorMessage) unless it equals
// marker exactly.
void ReadEndMarker(TStream& stream, const char* marker, const QString& errorMessage);
