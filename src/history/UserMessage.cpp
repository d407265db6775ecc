#include "history/UserMessage.h"

#include <cstdio>

namespace {
TUserMessageHandler& Handler()
{
    static TUserMessageHandler handler;
    return handler;
}
} // namespace

TUserMessageHandler SetUserMessageHandler(TUserMessageHandler handler)
{
    TUserMessageHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

int ShowUserMessage(const QString& markupText, int kind, unsigned buttons)
{
    if (Handler())
        return Handler()(markupText, kind, buttons);
    std::fprintf(stderr, "%s\n", markupText.toUtf8().constData());
    return (buttons & dbOK) ? mrOk : mrCancel;
}

QString FormatResString(const QString& text, const QString& arg)
{
    QString out = text;
    const qsizetype at = out.indexOf(QLatin1String("%s"));
    if (at >= 0)
        out.replace(at, 2, arg);
    return out;
}
