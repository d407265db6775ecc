#pragma once
// Shared fixtures of the controller tests: a fresh program wired as the
// program wires it, a recorder that answers the message box, and a stand-in
// for the open-stereo dialog. Everything is created inside the test, so no
// test depends on what another left behind.
#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/UserMessage.h"
#include "model/ProgramObjects.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <utility>
#include <vector>

// A fresh program: program-wide objects, main window and controller, wired
// as the program wires them, with a data file that does not exist yet.
struct TFreshProgram {
    QTemporaryDir dir;
    TProgramObjects objects;
    TFormMain form;
    TDM dm;
    TFreshProgram()
    {
        qputenv("PLENOPTRA_DATA_FILE", dir.filePath(QStringLiteral("plenoptra.DAT")).toUtf8());
        form.ConnectController(&dm);
    }
    ~TFreshProgram() { qunsetenv("PLENOPTRA_DATA_FILE"); }
};

// Answers every message box with a fixed answer (No unless told otherwise),
// and keeps the texts it was shown.
struct TMessageRecorder {
    int count = 0;
    int answer = mrNo;
    std::vector<std::pair<QString, int>> shown; // text, kind
    TUserMessageHandler previous;
    TMessageRecorder()
    {
        previous = SetUserMessageHandler([this](const QString& text, int kind, unsigned) {
            ++count;
            shown.emplace_back(text, kind);
            return answer;
        });
    }
    ~TMessageRecorder() { SetUserMessageHandler(previous); }
};

inline QString WritePicture(const QTemporaryDir& dir, const QString& name, int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    image.save(path);
    return path;
}

// The open-stereo dialog stands in as plain state; "OK" is a flag.
struct TDialogStub {
    QString left, right;
    quint8 layout = 0;
    bool answerOk = false;
    int shown = 0;
    void Install(TDM& dm)
    {
        dm.ShowOpenStereoDialog = [this] {
            ++shown;
            return answerOk;
        };
        dm.GetOpenStereoDialogState = [this](QString& l, QString& r, quint8& lay) {
            l = left;
            r = right;
            lay = layout;
        };
        dm.SetOpenStereoDialogState = [this](const QString& l, const QString& r, quint8 lay) {
            left = l;
            right = r;
            layout = lay;
        };
    }
};
