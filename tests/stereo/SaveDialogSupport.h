#pragma once
// A save dialog on its own, with the program-wide objects it writes the mask
// file through, a recorder that answers its messages, and helpers to wait for
// what it computes in the background.
#include "stereo/Stereo_SaveDlg.h"

#include "history/UserMessage.h"
#include "model/ProgramObjects.h"
#include "stereo/Stereo_SaveDlgJPG.h"
#include "stereo/Stereo_SaveDlgPanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <utility>
#include <vector>

struct TSaveMessages {
    int answer = mrYes;
    std::vector<std::pair<QString, int>> shown; // text, kind
    TUserMessageHandler previous;
    TSaveMessages()
    {
        previous = SetUserMessageHandler([this](const QString& text, int kind, unsigned) {
            shown.emplace_back(text, kind);
            return answer;
        });
    }
    ~TSaveMessages() { SetUserMessageHandler(previous); }
};

inline void WriteBytes(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

inline QByteArray ReadBytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QColor TextColour(const QLineEdit* edit) { return edit->palette().color(QPalette::Text); }
inline QColor NormalText(const QLineEdit* edit) { return QApplication::palette(edit).color(QPalette::Text); }

struct TSaveDialogFixture {
    QTemporaryDir dir;
    TProgramObjects objects;
    TSaveMessages messages;
    TFormSaveStereo dialog;

    void SetPictures(const QImage& left, const QImage& right)
    {
        TBitmap l{left, kWhite}, r{right, kWhite};
        dialog.SetPictures(&l, &r);
    }
    // As the controller opens it: the name, then the mode, then shown.
    void Open(int mode, const QString& name)
    {
        dialog.SetMaskName(name);
        dialog.SetPictureMode(mode);
        dialog.show();
        QApplication::processEvents();
    }
    // Lets the event loop run until the condition holds (at most 30 s).
    template <class F> bool RunUntil(F condition)
    {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > 30000)
                return false;
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(2);
        }
        return true;
    }
    // The size label once the background compression is done.
    QString WaitForSize()
    {
        RunUntil([&] { return !dialog.JPGPreferences->Measuring(); });
        return dialog.JPGPreferences->LabelFileSize->text();
    }
    // The preview once the panel has drawn it.
    QImage WaitForPreview()
    {
        RunUntil([&] { return !dialog.JPGPreferences->TimerUpdateAnzeige->isActive(); });
        return dialog.Image->Picture();
    }
};
