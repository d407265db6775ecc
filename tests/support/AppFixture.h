#pragma once
// Shared fixtures of the controller tests: a fresh program wired as the
// program wires it, a recorder that answers the message box, a stand-in for
// the open-stereo dialog, and small helpers for files, steps and processes.
// Everything is created inside the test, so no test depends on what another
// left behind.
#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/History.h"
#include "history/UserMessage.h"
#include "model/ProgramObjects.h"

#include <QColor>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <ostream>
#include <utility>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// A fresh program: program-wide objects, main window and controller, wired
// as the program wires it, with a data file that does not exist yet.
struct TFreshProgram {
    QTemporaryDir dir;
    TProgramObjects objects;
    TFormMain form;
    TDM dm;
    int viewChanges = 0; // counted once CountRefreshes() is called
    int repaints = 0;
    TFreshProgram()
    {
        qputenv("PLENOPTRA_DATA_FILE", dir.filePath(QStringLiteral("plenoptra.DAT")).toUtf8());
        form.ConnectController(&dm);
    }
    ~TFreshProgram() { qunsetenv("PLENOPTRA_DATA_FILE"); }
    // Started as the user starts it: shown, the deferred start run.
    void Show()
    {
        form.show();
        QCoreApplication::sendPostedEvents();
    }
    // Counts view compositions and repaint requests from now on.
    void CountRefreshes()
    {
        auto counted = [](int& counter, std::function<void()> inner) {
            return [&counter, inner] { ++counter, inner(); };
        };
        dm.OnViewChanged = counted(viewChanges, dm.OnViewChanged);
        dm.OnRepaintRequest = counted(repaints, dm.OnRepaintRequest);
    }
};

// Answers every message box: first from the script, then with a fixed answer
// (No unless told otherwise); keeps what it was shown. before runs ahead of
// each answer with the number of the box (the user acting meanwhile).
struct TMessageRecorder {
    int count = 0;
    int answer = mrNo;
    std::vector<int> script;
    std::function<void(int)> before;
    std::vector<std::pair<QString, int>> shown; // text, kind
    std::vector<unsigned> buttons;
    TUserMessageHandler previous;
    TMessageRecorder(std::vector<int> answers = {}) : script(std::move(answers))
    {
        previous = SetUserMessageHandler([this](const QString& text, int kind, unsigned b) {
            ++count;
            shown.emplace_back(text, kind);
            buttons.push_back(b);
            if (before)
                before(count);
            return count <= int(script.size()) ? script[size_t(count - 1)] : answer;
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

inline QByteArray ReadFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString WriteFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return name;
}

// The names of the history's steps, and the last one.
inline QStringList Steps()
{
    QStringList names;
    for (int i = 0; i < HistoryListe()->Count(); ++i)
        names << HistoryListe()->Items(i)->Name;
    return names;
}
inline QString LastStep()
{
    const QStringList names = Steps();
    return names.isEmpty() ? QString() : names.last();
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

// The program or a tool of the build run as a process without any display,
// as on a server or in a shell without a desktop.
struct TProcessRun {
    int status = -1; // -1: did not end normally
    QString out, err;
    QStringList Lines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};
inline TProcessRun RunWithoutDisplay(const QString& program, const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    TProcessRun run;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}
