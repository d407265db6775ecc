#pragma once
// Helpers shared by the history tests: byte builders for hand-made stream and
// file contents, and a catcher for end-marker errors.

#include "history/Streams.h"

#include <QtEndian>

// Built by hand rather than by the stream writer, so that the writer is checked.
inline QByteArray Int32Bytes(qint32 v)
{
    const qint32 le = qToLittleEndian(v);
    return QByteArray(reinterpret_cast<const char*>(&le), 4);
}

// A stored string: 32-bit count, then the bytes.
inline QByteArray StrBytes(const QByteArray& text) { return Int32Bytes(qint32(text.size())) + text; }

// The message of the ERangeError that call raises; empty when it raises none.
template <typename F>
QString RangeErrorOf(F&& call)
{
    try {
        call();
    } catch (const ERangeError& e) {
        return e.Message();
    }
    return QString();
}
