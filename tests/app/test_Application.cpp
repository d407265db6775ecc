// The whole program, started as a process: it must end cleanly on a signal
// and leave its work state behind, and it must say so when it has no display.
#include "history/Streams.h"

#include <QFile>
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
