// The whole program, started as a process: it must end cleanly on a signal
// and leave its work state behind, and it must say so when it has no display.
#include "app/WorkState.h"
#include "history/History.h"
#include "history/Streams.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QProcessEnvironment OffscreenEnvironment(const QString& dataFile)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PLENOPTRA_DATA_FILE"), dataFile);
    // A rescue file, should one be written, stays in the test's folder.
    env.insert(QStringLiteral("XDG_DATA_HOME"), QFileInfo(dataFile).absolutePath() + QStringLiteral("/xdg"));
    return env;
}

// True once the process has its own handler for signal, read from the
// caught-signals mask the kernel shows for it.
bool WaitForHandler(qint64 pid, int signal, int ms)
{
    for (int waited = 0; waited < ms; waited += 50) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("SigCgt:") && (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1)
                    return true;
        }
        QThread::msleep(50);
    }
    return false;
}

bool WaitForFile(const QString& name, int ms)
{
    for (int waited = 0; waited < ms; waited += 50) {
        if (QFile::exists(name))
            return true;
        QThread::msleep(50);
    }
    return QFile::exists(name);
}

// Reads the program's standard error until it contains text (the trace of
// PLENOPTRA_TRACE_DIALOGS names every modal window that opens).
bool WaitForError(QProcess& program, QByteArray& seen, const QByteArray& text, int ms)
{
    for (int waited = 0; waited < ms && !seen.contains(text); waited += 100) {
        program.waitForReadyRead(100);
        seen += program.readAllStandardError();
    }
    return seen.contains(text);
}

// Starts the program with a dialog trace, waits until the modal window
// titled title is showing, sends SIGTERM and waits for the end.
void TerminateWhileShowing(QProcess& program, const QString& data, const QStringList& arguments, const char* title,
                           QByteArray& seen)
{
    QProcessEnvironment env = OffscreenEnvironment(data);
    env.insert(QStringLiteral("PLENOPTRA_TRACE_DIALOGS"), QStringLiteral("1"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PLENOPTRA_EXE), arguments);
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(WaitForError(program, seen, QByteArray("Dialog: ") + title, 30000)) << seen.constData();
    ::kill(pid_t(program.processId()), SIGTERM);
    // The forced end after a few seconds would give kForcedExitStatus.
    ASSERT_TRUE(program.waitForFinished(20000));
    seen += program.readAllStandardError();
}

} // namespace

TEST(ProgramRun, TerminationSignalWritesTheWorkStateAndExitsWithZero)
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("plenoptra.DAT"));
        QProcess program;
        program.setProcessEnvironment(OffscreenEnvironment(data));
        program.start(QStringLiteral(PLENOPTRA_EXE), {});
        ASSERT_TRUE(program.waitForStarted(10000));
        ASSERT_TRUE(WaitForHandler(program.processId(), signal, 20000));
        QThread::msleep(300); // let the window come up as well
        ::kill(pid_t(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        ASSERT_TRUE(WaitForFile(data, 1000));
        // A work state without any picture still holds the file header and
        // the settings trailer.
        QFile file(data);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.contains("Programmhistory:"));
        EXPECT_TRUE(bytes.contains("-EODesktop-"));
        EXPECT_TRUE(bytes.endsWith("###-EOF-###"));
    }
}

TEST(ProgramRun, WithoutDisplayItSaysSoAndFails)
{
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("PLENOPTRA_DATA_FILE"), dir.filePath(QStringLiteral("x.DAT")));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PLENOPTRA_EXE), {});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_NE(program.exitCode(), 0);
    EXPECT_TRUE(program.readAllStandardError().contains("DISPLAY"));
}

TEST(ProgramRun, TerminationSignalCancelsTheQuestionAboutAMovedPairAndKeepsItsSteps)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("plenoptra.DAT"));
    const QString moved = dir.filePath(QStringLiteral("verschoben_L.jpg"));
    {
        TProgramObjects objects;
        THistoryListe& history = *objects.HistoryListe;
        history.Current().R01().LeftFileName = moved;
        history.Current().R01().RightFileName = dir.filePath(QStringLiteral("verschoben_R.jpg"));
        objects.PolygonListe->SaveToCurrent();
        objects.SelectListe->SaveToCurrent();
        history.Add(QStringLiteral("Öffne L/R"));
        history.Add(QStringLiteral("Punkt"));
        history.SaveToFile(data, true);
    }
    QProcess program;
    QByteArray seen;
    TerminateWhileShowing(program, data, {}, "Bestätigung", seen);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << seen.constData();
    // Nothing of the previous run is lost: both steps and the moved names.
    TProgramObjects objects;
    EXPECT_TRUE(objects.HistoryListe->LoadFromFile(data, true));
    ASSERT_EQ(objects.HistoryListe->Count(), 2);
    EXPECT_EQ(objects.HistoryListe->Items(1)->Name, QStringLiteral("Punkt"));
    EXPECT_EQ(objects.HistoryListe->Items(1)->R01().LeftFileName, moved);
}

TEST(ProgramRun, TerminationSignalCancelsTheOpenDialogAndWritesTheWorkState)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("plenoptra.DAT"));
    const QString picture = dir.filePath(QStringLiteral("bild.bmp"));
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::gray);
    ASSERT_TRUE(image.save(picture));
    QProcess program;
    QByteArray seen;
    TerminateWhileShowing(program, data, {picture}, "Öffne Strereobild", seen);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << seen.constData();
    QFile file(data);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("Programmhistory:"));
    EXPECT_TRUE(bytes.endsWith("###-EOF-###"));
    // The cancelled dialog opened nothing.
    EXPECT_FALSE(bytes.contains("bild.bmp"));
}

TEST(ProgramRun, TerminationSignalWithAnUnwritableDataFileLeavesTheWorkStateInTheUserDataFolder)
{
    QTemporaryDir dir;
    // The data file's folder is a plain file: nobody can write there.
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString data = dir.filePath(QStringLiteral("blocker/plenoptra.DAT"));
    QProcessEnvironment env = OffscreenEnvironment(data);
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("xdg")));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PLENOPTRA_EXE), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(WaitForHandler(program.processId(), SIGTERM, 20000));
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 0);
    const QStringList rescued =
        QDir(dir.filePath(QStringLiteral("xdg/Plenoptra"))).entryList({QStringLiteral("plenoptra-*.DAT")});
    ASSERT_EQ(rescued.size(), 1);
    // Standard error says where it went.
    EXPECT_TRUE(program.readAllStandardError().contains(rescued[0].toUtf8()));
}
