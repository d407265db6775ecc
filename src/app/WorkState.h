#pragma once
// The work state (the undo history with the workspace settings, kept in the
// program data file) is never lost: it is written in the background a few
// seconds after the last history step, written again while the main window
// is still open when the program ends, and written on a termination signal
// whatever dialog happens to be open.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class QTimer;
class QWidget;
class TDM;

// When the next background write is due. Times are milliseconds on a clock
// the caller chooses. A write waits QuietMs after the last change, begins no
// sooner than MinGapMs after the previous write began, and a steady stream of
// changes holds it off for at most MaxWaitMs.
class TWorkStateSchedule {
public:
    struct TTiming {
        qint64 QuietMs = 3000;
        qint64 MinGapMs = 2000;
        qint64 MaxWaitMs = 15000;
    };

    explicit TWorkStateSchedule(TTiming timing) : FTiming(timing) {}

    // A history step or a move of the undo position at time now.
    void Changed(qint64 now);
    // The time the write is due; -1 when nothing waits or a write is running.
    qint64 DueAt() const;
    // A write has taken the state of now; later changes wait for the next one.
    void Started(qint64 now);
    // The running write has ended (successful or not: a failed one is tried
    // again with the next change, and the shut-down write says what failed).
    void Finished();
    // Nothing to write after all (the state equals what the file holds).
    void Dropped();

    bool Waiting() const { return FWaiting; }
    bool Running() const { return FRunning; }
    const TTiming& Timing() const { return FTiming; }

private:
    TTiming FTiming;
    bool FWaiting = false;
    bool FRunning = false;
    qint64 FFirstChange = 0;
    qint64 FLastChange = 0;
    bool FEverStarted = false;
    qint64 FLastStart = 0;
};

// One worker thread that puts bytes into a file with the safe write
// (temporary file, then rename). At most one job at a time.
class TBackgroundFileWriter {
public:
    // Called on the worker thread once the job has ended; error is empty on
    // success.
    using TDone = std::function<void(const QString& error)>;

    TBackgroundFileWriter();
    ~TBackgroundFileWriter();
    TBackgroundFileWriter(const TBackgroundFileWriter&) = delete;
    TBackgroundFileWriter& operator=(const TBackgroundFileWriter&) = delete;

    // Starts the job; false (and nothing done) while another one runs.
    bool Submit(const QString& fileName, const QByteArray& bytes, TDone done);
    // Returns once no job runs any more: its file is then in place or not.
    void WaitIdle();
    bool Busy() const;

private:
    void Run();

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::condition_variable FIdle;
    bool FStop = false;
    bool FHasJob = false;
    bool FBusy = false;
    QString FFileName;
    QByteArray FBytes;
    TDone FDone;
    std::thread FThread;
};

// True from the first termination signal on: message boxes then answer
// "cancel" at once instead of waiting for a person.
bool TerminationRequested();

// Exit status when the end after a termination signal did not unwind in
// time and the process was ended by force (the work state was written).
inline constexpr int kForcedExitStatus = 3;

// Where the work state goes when the program data file cannot be written
// and nobody can be asked: the user's data folder, under the data file's
// base name and a mark of its full path ("plenoptra-1a2b3c4d.DAT").
QString WorkStateRescueFileName();
// The file the start reads the work state from: the rescue file when it is
// newer than the program data file, else the program data file.
QString WorkStateFileToLoad();

class TWorkStateKeeper : public QObject {
    Q_OBJECT
public:
    using TClock = std::function<qint64()>;

    // Watches the main window's close and takes TDM::OnHistoryChanged. The
    // clock (milliseconds) defaults to a monotonic one.
    TWorkStateKeeper(TDM& dm, QWidget* mainWindow, TWorkStateSchedule::TTiming timing = {}, TClock clock = {});
    ~TWorkStateKeeper() override;

    // A history step or a move of the undo position: schedules a write.
    void HistoryChanged();
    // Starts the background write when it is due by the clock (the timer
    // calls it; tests with their own clock call it directly).
    void WriteIfDue();

    // "Beenden" and the close button: writes the work state; when that
    // fails, asks (try again, save as a mask file elsewhere, quit anyway, or
    // go back). True when the window may close.
    bool SaveBeforeClose();
    // Writes without asking: the program data file, else the rescue file.
    // True when the work state was written somewhere.
    bool SaveForExit();
    // A termination signal: writes as SaveForExit, cancels every open dialog
    // and message box, and ends every event loop with exit status 0 (1 when
    // nothing could be written). Should that not end the process within a
    // few seconds, it is ended with kForcedExitStatus.
    void Terminate();
    // This shut-down's write is done (or the user chose to quit without).
    bool Settled() const { return FSettled; }

    // The save dialog of "Speichern unter..." (a mask file); empty when
    // cancelled. Tests answer it.
    std::function<QString(const QString& startName)> AskSaveFileName;

    // The work state as the program data file holds it: the live settings
    // are copied into the history's staging settings first.
    QByteArray WorkStateBytes();

    // For tests: completed background writes, and waiting for a running one
    // (its completion is reported through the event loop).
    int BackgroundWrites() const { return FBackgroundWrites; }
    void WaitForBackgroundWrite();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Reschedule();
    void BackgroundWriteDone(const QByteArray& bytes, const QString& error);
    // Ends the background writing for this shut-down: no new write starts,
    // and a running one has finished when this returns.
    void StopBackground();
    bool WriteDataFile(const QString& file, QString* error);
    bool WriteMaskFile(const QString& file, QString* error);
    QString DefaultSaveAsName() const;
    void StartExitWatchdog();

    TDM& FDM;
    QWidget* FMainWindow;
    TClock FClock;
    TWorkStateSchedule FSchedule;
    QTimer* FTimer;
    TBackgroundFileWriter FWriter;
    QByteArray FOnDisk; // what the program data file is known to hold
    bool FStopped = false;
    bool FSettled = false;
    bool FClosing = false;
    int FBackgroundWrites = 0;

    std::mutex FWatchdogMutex;
    std::condition_variable FWatchdogWake;
    bool FWatchdogCancelled = false;
    std::thread FWatchdog;
};
