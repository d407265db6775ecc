#pragma once
// Helpers shared by the history tests: a message recorder standing in for the
// message box, and byte builders for hand-made file contents.

#include "history/Streams.h"
#include "history/UserMessage.h"

#include <QFile>
#include <QString>
#include <QStringList>

// Answers every message with OK and keeps it; restores the previous handler.
class TMessageRecorder {
public:
    TMessageRecorder()
    {
        FPrevious = SetUserMessageHandler([this](const QString& text, int kind, unsigned buttons) {
            Texts << text;
            Kinds.push_back(kind);
            Buttons.push_back(buttons);
            return int(mrOk);
        });
    }
    ~TMessageRecorder() { SetUserMessageHandler(std::move(FPrevious)); }

    QStringList Texts;
    std::vector<int> Kinds;
    std::vector<unsigned> Buttons;

private:
    TUserMessageHandler FPrevious;
};

class TWriteFaultScope {
public:
    explicit TWriteFaultScope(TWriteFaultHook hook) : FPrevious(SetWriteFaultHook(std::move(hook))) {}
    ~TWriteFaultScope() { SetWriteFaultHook(std::move(FPrevious)); }

private:
    TWriteFaultHook FPrevious;
};

inline QByteArray Int32Bytes(qint32 v)
{
    TMemoryStream s;
    WriteInteger(s, v);
    return s.Data();
}

// A stored string: 32-bit count, then the bytes.
inline QByteArray StrBytes(const QByteArray& text) { return Int32Bytes(qint32(text.size())) + text; }

inline QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void PutFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}
