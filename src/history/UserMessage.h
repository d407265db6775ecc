#pragma once
// The core's way of telling the user something. The core links no widgets, so
// the message box of the user interface installs itself here at start-up; tests
// install a recorder that answers instead of a person.

#include <QString>

#include <functional>

// Kinds of message (also the picture index of the message box).
enum TDlgKind : int {
    dkWarnung = 0,
    dkFehler = 1,
    dkInformation = 2,
    dkBestaetigung = 3,
    dkAnwendung = 4,
};

// Button set bits, in the order the buttons appear.
enum TDlgButton : unsigned {
    dbYes = 0x0001,
    dbNo = 0x0002,
    dbOK = 0x0004,
    dbCancel = 0x0008,
    dbAbort = 0x0010,
    dbRetry = 0x0020,
    dbIgnore = 0x0040,
    dbAll = 0x0080,
    dbNoToAll = 0x0100,
    dbYesToAll = 0x0200,
    dbHelp = 0x0400,
    // The choices when the work state cannot be written at the end.
    dbSaveAs = 0x0800,
    dbQuitWithoutSaving = 0x1000,
};

// Modal results.
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
    mrSaveAs = 11,
    mrQuitWithoutSaving = 12,
};

using TUserMessageHandler = std::function<int(const QString& markupText, int kind, unsigned buttons)>;

// Installs handler and returns the one it replaces.
TUserMessageHandler SetUserMessageHandler(TUserMessageHandler handler);

// Shows markupText (markup of the message label) and returns the modal result.
// Without a handler the text goes to standard error and the result is mrOk for
// a box that offers OK, else mrCancel.
int ShowUserMessage(const QString& markupText, int kind, unsigned buttons);

// Inserts arg for the first "%s" of a resource text (the texts keep the
// placeholder exactly as they are stored).
QString FormatResString(const QString& text, const QString& arg);
