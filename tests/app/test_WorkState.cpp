// The work state at the end of a run and in the background: written before
// the main window closes, with a question and three ways out when that
// fails; written in the background a few seconds after the last step, never
// more often than allowed, and never over a newer write.
#include "app/WorkState.h"
#include "history/Streams.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

#include "AppFixture.h"

namespace {

// A program whose data file lies under a plain file: no folder can be made
// there, so the write fails for every user, root included. Unblock() puts a
// folder in its place.
struct TBlockedProgram : TFreshProgram {
    QString blocker = WriteFile(dir.filePath(QStringLiteral("blocker")), "kein Ordner");
    QString data = dir.filePath(QStringLiteral("blocker/plenoptra.DAT"));
    TWorkStateKeeper keeper{dm, &form};

    TBlockedProgram()
    {
        qputenv("PLENOPTRA_DATA_FILE", data.toUtf8());
        // Rescue files go to the test's own folder, never to the real home.
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8());
        dm.DeferredStart({});
        HistoryListe()->Add(QStringLiteral("ActNewMsk"));
    }
    ~TBlockedProgram() { qunsetenv("XDG_DATA_HOME"); }
    void Unblock()
    {
        QFile::remove(blocker);
        QDir().mkpath(blocker);
    }
};

constexpr unsigned kShutDownButtons = dbCancel | dbRetry | dbSaveAs | dbQuitWithoutSaving;

} // namespace

// ---------------------------------------------------------------------------
// The shut-down write

TEST(ShutDownWrite, WithoutAnyPictureTheDataFileIsWrittenOnceBeforeTheWindowCloses)
{
    TFreshProgram p;
    TMessageRecorder messages;
    TWorkStateKeeper keeper(p.dm, &p.form);
    p.dm.DeferredStart({});
    const QString data = p.dir.filePath(QStringLiteral("plenoptra.DAT"));
    EXPECT_TRUE(p.form.close());
    EXPECT_EQ(messages.count, 0);
    const QByteArray bytes = ReadFile(data);
    EXPECT_TRUE(bytes.contains("Programmhistory:"));
    EXPECT_TRUE(bytes.contains("-EODesktop-"));
    EXPECT_EQ(bytes, keeper.WorkStateBytes());
    EXPECT_TRUE(keeper.Settled());
    // The end of the run does not write a second time.
    QFile::remove(data);
    EXPECT_TRUE(keeper.SaveForExit());
    EXPECT_FALSE(QFile::exists(data));
}

TEST(ShutDownWrite, FailureAsksNamingFileAndReasonAndRetryWritesOnceTheFolderIsBack)
{
    TBlockedProgram p;
    TMessageRecorder answers({mrRetry, mrRetry});
    // The first retry still fails; before the second the user has made room.
    answers.before = [&](int n) {
        if (n == 2)
            p.Unblock();
    };
    EXPECT_TRUE(p.form.close());
    ASSERT_EQ(answers.shown.size(), 2u);
    const QString& first = answers.shown[0].first;
    EXPECT_EQ(answers.shown[0].second, dkFehler);
    EXPECT_EQ(answers.buttons[0], kShutDownButtons);
    EXPECT_TRUE(first.contains(QStringLiteral("<c5> ") + p.data + QStringLiteral(" <FN>")));
    // The reason comes from the file system, after the file's name.
    EXPECT_TRUE(first.contains(QStringLiteral("geschrieben werden:<LF>Die Datei ")));
    EXPECT_EQ(ReadFile(p.data), p.keeper.WorkStateBytes());
    EXPECT_TRUE(ReadFile(p.data).contains("ActNewMsk"));
}

TEST(ShutDownWrite, CancelKeepsTheWindowAndAClosingLaterWritesTheFile)
{
    TBlockedProgram p;
    TMessageRecorder answers({mrCancel});
    EXPECT_FALSE(p.form.close());
    EXPECT_FALSE(p.keeper.Settled());
    // Work goes on; the next close finds the folder back and asks nothing.
    HistoryListe()->Add(QStringLiteral("Punkt"));
    p.Unblock();
    EXPECT_TRUE(p.form.close());
    EXPECT_EQ(answers.shown.size(), 1u);
    EXPECT_TRUE(ReadFile(p.data).contains("Punkt"));
}

TEST(ShutDownWrite, SaveAsWritesAMaskFileWithTheWholeHistoryAndAsksAgainWhenThatFails)
{
    TBlockedProgram p;
    HistoryListe()->Add(QStringLiteral("Punkt"));
    TMessageRecorder answers({mrSaveAs, mrSaveAs});
    const QString badName = p.dir.filePath(QStringLiteral("blocker/Rettung.Plenoptrum"));
    const QString goodName = p.dir.filePath(QStringLiteral("Rettung.Plenoptrum"));
    std::vector<QString> offered;
    p.keeper.AskSaveFileName = [&](const QString& start) {
        offered.push_back(start);
        return offered.size() == 1 ? badName : goodName;
    };
    EXPECT_TRUE(p.keeper.SaveBeforeClose());
    ASSERT_EQ(answers.shown.size(), 2u);
    // The second question names the file that failed the second time.
    EXPECT_TRUE(answers.shown[1].first.contains(QStringLiteral("<c5> ") + badName + QStringLiteral(" <FN>")));
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_TRUE(offered[0].endsWith(QStringLiteral("/Arbeitsstand.Plenoptrum")));
    EXPECT_FALSE(QFile::exists(p.data));

    // A mask file: the steps, no settings trailer, and it reads back.
    const QByteArray bytes = ReadFile(goodName);
    TMemoryStream maskForm;
    HistoryListe()->WriteToStream(maskForm, false);
    EXPECT_EQ(bytes, maskForm.Data());
    EXPECT_EQ(bytes.count("###-EOF-###"), 1);
    TProgramObjects other;
    EXPECT_TRUE(other.HistoryListe->LoadFromFile(goodName, false));
    ASSERT_EQ(other.HistoryListe->Count(), 2);
    EXPECT_EQ(other.HistoryListe->Items(1)->Name, QStringLiteral("Punkt"));
    EXPECT_EQ(other.HistoryListe->ItemIndex(), 1);
}

TEST(ShutDownWrite, QuitAnywayClosesWithoutAFileAndWritesNothingLater)
{
    TBlockedProgram p;
    TMessageRecorder answers({mrQuitWithoutSaving});
    EXPECT_TRUE(p.form.close());
    EXPECT_EQ(answers.shown.size(), 1u);
    EXPECT_TRUE(p.keeper.Settled());
    p.Unblock();
    p.keeper.SaveForExit();
    EXPECT_FALSE(QFile::exists(p.data));
}

TEST(ShutDownWrite, WithoutAnyoneToAskTheWorkStateGoesToTheUserDataFolder)
{
    TBlockedProgram p;
    TMessageRecorder messages;
    EXPECT_TRUE(p.keeper.SaveForExit());
    EXPECT_EQ(messages.count, 0);
    const QString rescue = WorkStateRescueFileName();
    EXPECT_TRUE(rescue.startsWith(p.dir.filePath(QStringLiteral("xdg"))));
    EXPECT_TRUE(QFileInfo(rescue).fileName().startsWith(QStringLiteral("plenoptra-")));
    // Another data file has another rescue.
    const QByteArray own = qgetenv("PLENOPTRA_DATA_FILE");
    qputenv("PLENOPTRA_DATA_FILE", p.dir.filePath(QStringLiteral("anders/plenoptra.DAT")).toUtf8());
    EXPECT_NE(WorkStateRescueFileName(), rescue);
    qputenv("PLENOPTRA_DATA_FILE", own);
    EXPECT_EQ(ReadFile(rescue), p.keeper.WorkStateBytes());
    // The next start reads the rescue while it is newer than the data file.
    EXPECT_EQ(WorkStateFileToLoad(), rescue);
    p.Unblock();
    EXPECT_EQ(WorkStateFileToLoad(), rescue);
}

TEST(ShutDownWrite, AWrittenDataFileRetiresAnOlderRescueFile)
{
    TBlockedProgram p;
    p.Unblock();
    const QString rescue = WorkStateRescueFileName();
    QDir().mkpath(QFileInfo(rescue).absolutePath());
    WriteFile(rescue, "alt");
    EXPECT_EQ(WorkStateFileToLoad(), rescue);
    EXPECT_TRUE(p.keeper.SaveBeforeClose());
    EXPECT_FALSE(QFile::exists(rescue));
    EXPECT_EQ(WorkStateFileToLoad(), p.data);
}

// ---------------------------------------------------------------------------
// The background write (driven by a clock of the test's own)

namespace {

struct TClockedProgram : TFreshProgram {
    qint64 now = 0;
    QString data = dir.filePath(QStringLiteral("plenoptra.DAT"));
    std::unique_ptr<TWorkStateKeeper> keeper;

    explicit TClockedProgram(TWorkStateSchedule::TTiming timing)
    {
        dm.DeferredStart({});
        keeper = std::make_unique<TWorkStateKeeper>(dm, &form, timing, [this] { return now; });
    }
    // Runs the timer's check at time t, lets a write it starts finish, and
    // gives the number of background writes so far.
    int WritesAt(qint64 t)
    {
        now = t;
        keeper->WriteIfDue();
        keeper->WaitForBackgroundWrite();
        return keeper->BackgroundWrites();
    }
    void Step(qint64 t, const char* name)
    {
        now = t;
        HistoryListe()->Add(QString::fromLatin1(name));
    }
};

} // namespace

TEST(BackgroundWrite, AfterTheQuietTimeNeverCloserThanTheGapAndAtTheLatestAfterTheLongestWait)
{
    {
        TClockedProgram p({3000, 2000, 15000});
        p.Step(1000, "Punkt");
        EXPECT_EQ(p.WritesAt(3999), 0);
        EXPECT_FALSE(QFile::exists(p.data));
        EXPECT_EQ(p.WritesAt(4000), 1);
        // The same bytes the shut-down write would put there.
        EXPECT_EQ(ReadFile(p.data), p.keeper->WorkStateBytes());
        EXPECT_TRUE(ReadFile(p.data).contains("Punkt"));
    }
    {
        TClockedProgram p({500, 2000, 15000});
        p.Step(0, "Punkt");
        EXPECT_EQ(p.WritesAt(500), 1);
        p.Step(600, "MoveXY");
        EXPECT_EQ(p.WritesAt(1100), 1); // quiet long enough, but only 600 ms after the last write
        EXPECT_EQ(p.WritesAt(2499), 1);
        EXPECT_EQ(p.WritesAt(2500), 2);
        EXPECT_TRUE(ReadFile(p.data).contains("MoveXY"));
        // The state written already is not written again.
        p.dm.ActionUndoExecute();
        p.dm.ActionRedoExecute();
        EXPECT_EQ(p.WritesAt(10000), 2);
        p.dm.ActionUndoExecute();
        EXPECT_EQ(p.WritesAt(20000), 3);
    }
    {
        // A steady stream of steps is written after the longest wait.
        TClockedProgram p({3000, 2000, 10000});
        for (qint64 t = 0; t < 10000; t += 1000) {
            p.Step(t, "MoveXY");
            EXPECT_EQ(p.WritesAt(t + 999), 0);
        }
        EXPECT_EQ(p.WritesAt(10000), 1);
    }
}

TEST(BackgroundWrite, ShutDownWaitsForARunningBackgroundWriteAndHasTheLastWord)
{
    TClockedProgram p({500, 2000, 15000});
    p.Step(0, "Punkt");
    // The background write is held inside its first write for a moment, so
    // the shut-down begins while it runs.
    std::atomic<int> calls{0};
    QThread* gui = QThread::currentThread();
    const TWriteFaultHook previous = SetWriteFaultHook([&](const QString&, qint64, qint64) {
        if (QThread::currentThread() != gui && calls++ == 0)
            QThread::msleep(300);
        return false;
    });
    p.now = 500;
    p.keeper->WriteIfDue();
    HistoryListe()->Add(QStringLiteral("MoveXY"));
    EXPECT_TRUE(p.keeper->SaveBeforeClose());
    p.keeper->WaitForBackgroundWrite();
    SetWriteFaultHook(previous);
    // Later timer checks write nothing any more.
    p.Step(600, "Move Z");
    const QByteArray atShutDown = ReadFile(p.data);
    p.WritesAt(60000);
    EXPECT_EQ(ReadFile(p.data), atShutDown);
    EXPECT_TRUE(atShutDown.contains("MoveXY"));
    EXPECT_FALSE(atShutDown.contains("Move Z"));
}

TEST(BackgroundWrite, ScheduleWaitsForTheRunningWriteBeforeTheNext)
{
    TWorkStateSchedule s({3000, 2000, 15000});
    EXPECT_EQ(s.DueAt(), -1);
    s.Changed(100);
    EXPECT_EQ(s.DueAt(), 3100);
    s.Started(3100);
    s.Changed(3200);
    EXPECT_EQ(s.DueAt(), -1); // one write at a time
    s.Finished();
    EXPECT_EQ(s.DueAt(), 6200);
    s.Dropped();
    EXPECT_EQ(s.DueAt(), -1);
}

TEST(BackgroundWrite, RealTimerWritesAfterAStep)
{
    TFreshProgram p;
    p.dm.DeferredStart({});
    TWorkStateKeeper keeper(p.dm, &p.form, {20, 20, 1000});
    HistoryListe()->Add(QStringLiteral("Punkt"));
    const QString data = p.dir.filePath(QStringLiteral("plenoptra.DAT"));
    for (int i = 0; i < 500 && keeper.BackgroundWrites() == 0; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    EXPECT_EQ(keeper.BackgroundWrites(), 1);
    EXPECT_EQ(ReadFile(data), keeper.WorkStateBytes());
}
