#include "app/WorkState.h"

#include "app/Application.h"
#include "app/Daten_Modul.h"
#include "history/History.h"
#include "history/Streams.h"
#include "history/UserMessage.h"
#include "model/ProgramObjects.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const QString kResWorkStateNotWritten = QStringLiteral(
    "<FB><FS12><c4>Fehler!<FN><LF>Der Arbeitsstand konnte nicht in die Datei:<c5> %s <FN><LF>"
    "geschrieben werden:<LF>%s<LF><LF><FB>Wiederholen<FN> versucht es noch einmal, <FB>Speichern unter...<FN> "
    "sichert ihn<LF>als Maskendatei an anderer Stelle, <FB>Trotzdem beenden<FN> verwirft ihn.<LF>");

const QString kSaveAsBaseName = QStringLiteral("Arbeitsstand.Plenoptrum");

// How long the unwinding after a termination signal may take before the
// process ends regardless; the work state is written by then.
constexpr auto kExitGrace = std::chrono::seconds(3);

constexpr int kWriterBusyRetryMs = 50;

bool gTerminating = false;

// Both placeholders at once, so a "%s" inside the file name cannot take the
// reason.
QString FormatTwo(const QString& text, const QString& first, const QString& second)
{
    const QStringList parts = text.split(QStringLiteral("%s"));
    if (parts.size() != 3)
        return text;
    return parts[0] + first + parts[1] + second + parts[2];
}

QString ErrorText(const std::exception& e)
{
    if (const auto* own = dynamic_cast<const EPlenoptraError*>(&e))
        return own->Message();
    return QString::fromLocal8Bit(e.what());
}

void PrintError(const QString& text)
{
    std::fprintf(stderr, "Plenoptra: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

// ---------------------------------------------------------------------------
// TWorkStateSchedule

void TWorkStateSchedule::Changed(qint64 now)
{
    if (!FWaiting)
        FFirstChange = now;
    FWaiting = true;
    FLastChange = now;
}

qint64 TWorkStateSchedule::DueAt() const
{
    if (!FWaiting || FRunning)
        return -1;
    qint64 due = std::min(FLastChange + FTiming.QuietMs, FFirstChange + FTiming.MaxWaitMs);
    if (FEverStarted)
        due = std::max(due, FLastStart + FTiming.MinGapMs);
    return due;
}

void TWorkStateSchedule::Started(qint64 now)
{
    FWaiting = false;
    FRunning = true;
    FEverStarted = true;
    FLastStart = now;
}

void TWorkStateSchedule::Finished() { FRunning = false; }

void TWorkStateSchedule::Dropped() { FWaiting = false; }

// ---------------------------------------------------------------------------
// TBackgroundFileWriter

TBackgroundFileWriter::TBackgroundFileWriter() : FThread([this] { Run(); }) {}

TBackgroundFileWriter::~TBackgroundFileWriter()
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FStop = true;
    }
    FWake.notify_all();
    FThread.join();
}

bool TBackgroundFileWriter::Submit(const QString& fileName, const QByteArray& bytes, TDone done)
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        if (FBusy)
            return false;
        FBusy = true;
        FHasJob = true;
        FFileName = fileName;
        FBytes = bytes;
        FDone = std::move(done);
    }
    FWake.notify_all();
    return true;
}

void TBackgroundFileWriter::WaitIdle()
{
    std::unique_lock<std::mutex> lock(FMutex);
    FIdle.wait(lock, [this] { return !FBusy; });
}

bool TBackgroundFileWriter::Busy() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FBusy;
}

void TBackgroundFileWriter::Run()
{
    for (;;) {
        QString fileName;
        QByteArray bytes;
        TDone done;
        {
            std::unique_lock<std::mutex> lock(FMutex);
            FWake.wait(lock, [this] { return FStop || FHasJob; });
            if (!FHasJob)
                return;
            FHasJob = false;
            fileName = std::move(FFileName);
            bytes = std::move(FBytes);
            done = std::move(FDone);
        }
        QString error;
        try {
            TSaveFileStream stream(fileName);
            stream.Write(bytes.constData(), bytes.size());
            stream.Commit();
        } catch (const std::exception& e) {
            error = ErrorText(e);
        }
        // Reported before the writer counts as idle, so that whoever waits
        // for it finds the report already on its way.
        if (done)
            done(error);
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FBusy = false;
        }
        FIdle.notify_all();
    }
}

// ---------------------------------------------------------------------------
// Files

bool TerminationRequested() { return gTerminating; }

QString WorkStateRescueFileName()
{
    // The name carries a mark of the data file it stands in for, so that two
    // copies of the program (an installed one, a build) never take each
    // other's rescue, nor the installed one's own data file in that folder.
    const QFileInfo data(ProgramDataFileName());
    const QByteArray mark = QCryptographicHash::hash(data.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
                                .toHex()
                                .left(8);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(QStringLiteral("%1-%2.DAT").arg(data.completeBaseName(), QString::fromLatin1(mark)));
}

QString WorkStateFileToLoad()
{
    const QString regular = ProgramDataFileName();
    const QFileInfo rescue(WorkStateRescueFileName());
    if (QFileInfo(regular).absoluteFilePath() == rescue.absoluteFilePath() || !rescue.isFile())
        return regular;
    const QFileInfo data(regular);
    if (!data.exists() || rescue.lastModified() > data.lastModified())
        return rescue.filePath();
    return regular;
}

// ---------------------------------------------------------------------------
// TWorkStateKeeper

TWorkStateKeeper::TWorkStateKeeper(TDM& dm, QWidget* mainWindow, TWorkStateSchedule::TTiming timing, TClock clock)
    : FDM(dm), FMainWindow(mainWindow), FClock(std::move(clock)), FSchedule(timing), FTimer(new QTimer(this))
{
    if (!FClock) {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        FClock = [started] { return started->elapsed(); };
    }
    FTimer->setSingleShot(true);
    connect(FTimer, &QTimer::timeout, this, &TWorkStateKeeper::WriteIfDue);
    // Nothing is written while the state equals what the file holds, so a
    // start that only brings the last state back does not touch the file.
    QFile file(ProgramDataFileName());
    if (file.open(QIODevice::ReadOnly))
        FOnDisk = file.readAll();
    FDM.OnHistoryChanged = [this] { HistoryChanged(); };
    if (FMainWindow)
        FMainWindow->installEventFilter(this);
    if (qEnvironmentVariableIsSet("PLENOPTRA_TRACE_DIALOGS") && qApp)
        qApp->installEventFilter(this);
}

TWorkStateKeeper::~TWorkStateKeeper()
{
    FTimer->stop();
    // The report of a running write is posted to this object: it must be
    // posted before this object goes, so that it is dropped with it.
    FWriter.WaitIdle();
    FDM.OnHistoryChanged = nullptr;
    {
        std::lock_guard<std::mutex> lock(FWatchdogMutex);
        FWatchdogCancelled = true;
    }
    FWatchdogWake.notify_all();
    if (FWatchdog.joinable())
        FWatchdog.join();
}

void TWorkStateKeeper::HistoryChanged()
{
    FSchedule.Changed(FClock());
    Reschedule();
}

void TWorkStateKeeper::Reschedule()
{
    const qint64 due = FSchedule.DueAt();
    if (FStopped || due < 0) {
        FTimer->stop();
        return;
    }
    FTimer->start(int(std::clamp<qint64>(due - FClock(), 0, INT_MAX)));
}

QByteArray TWorkStateKeeper::WorkStateBytes()
{
    THistoryListe* history = HistoryListe();
    if (!history)
        return {};
    // Before the deferred start the live settings are only defaults; the
    // staging copy then still holds what was read.
    if (FDM.Started)
        history->Settings().Assign(*FDM.Settings);
    TMemoryStream stream;
    history->WriteToStream(stream, true);
    return stream.Data();
}

void TWorkStateKeeper::WriteIfDue()
{
    if (FStopped)
        return;
    const qint64 now = FClock();
    const qint64 due = FSchedule.DueAt();
    if (due < 0)
        return;
    if (now < due) {
        Reschedule();
        return;
    }
    // A dialog may hold a state the user has not settled yet (a settings
    // preview); the write waits until it is closed.
    if (QApplication::activeModalWidget()) {
        FTimer->start(int(FSchedule.Timing().QuietMs));
        return;
    }
    // The report of the last write may arrive a moment before the worker
    // is free again.
    if (FWriter.Busy()) {
        FTimer->start(kWriterBusyRetryMs);
        return;
    }
    const QByteArray bytes = WorkStateBytes();
    if (bytes == FOnDisk) {
        FSchedule.Dropped();
        return;
    }
    FSchedule.Started(now);
    FWriter.Submit(ProgramDataFileName(), bytes, [this, bytes](const QString& error) {
        QMetaObject::invokeMethod(
            this, [this, bytes, error] { BackgroundWriteDone(bytes, error); }, Qt::QueuedConnection);
    });
}

void TWorkStateKeeper::BackgroundWriteDone(const QByteArray& bytes, const QString& error)
{
    FSchedule.Finished();
    if (error.isEmpty()) {
        FOnDisk = bytes;
        ++FBackgroundWrites;
    }
    Reschedule();
}

void TWorkStateKeeper::WaitForBackgroundWrite()
{
    FWriter.WaitIdle();
    QCoreApplication::sendPostedEvents(this);
}

void TWorkStateKeeper::StopBackground()
{
    FStopped = true;
    FTimer->stop();
    // A background write that began before must not land after this one.
    FWriter.WaitIdle();
}

bool TWorkStateKeeper::WriteDataFile(const QString& file, QString* error)
{
    THistoryListe* history = HistoryListe();
    if (!history)
        return false;
    try {
        if (FDM.Started)
            history->Settings().Assign(*FDM.Settings);
        history->SaveToFile(file, true);
        return true;
    } catch (const std::exception& e) {
        *error = ErrorText(e);
        return false;
    }
}

bool TWorkStateKeeper::WriteMaskFile(const QString& file, QString* error)
{
    THistoryListe* history = HistoryListe();
    if (!history)
        return false;
    try {
        history->SaveToFile(file, false);
        return true;
    } catch (const std::exception& e) {
        *error = ErrorText(e);
        return false;
    }
}

QString TWorkStateKeeper::DefaultSaveAsName() const
{
    const QString last = FDM.Settings ? FDM.Settings->LastFileName : QString();
    const QString folder = last.isEmpty() ? QDir::homePath() : QFileInfo(last).absolutePath();
    return QDir(folder).filePath(kSaveAsBaseName);
}

namespace {

// The rescue file is older than a program data file just written.
void ForgetRescue(const QString& written)
{
    const QString rescue = WorkStateRescueFileName();
    if (QFileInfo(rescue).absoluteFilePath() != QFileInfo(written).absoluteFilePath())
        QFile::remove(rescue);
}

} // namespace

bool TWorkStateKeeper::SaveBeforeClose()
{
    if (FSettled)
        return true;
    // The close button again while the question is open: it stays open.
    if (FClosing)
        return false;
    struct TClosingGuard {
        bool& flag;
        ~TClosingGuard() { flag = false; }
    } guard{FClosing};
    FClosing = true;

    StopBackground();
    const QString dataFile = ProgramDataFileName();
    QString failedFile = dataFile;
    QString error;
    if (WriteDataFile(dataFile, &error)) {
        ForgetRescue(dataFile);
        FSettled = true;
        return true;
    }
    for (;;) {
        const int answer = ShowUserMessage(FormatTwo(kResWorkStateNotWritten, failedFile, error), dkFehler,
                                           dbCancel | dbRetry | dbSaveAs | dbQuitWithoutSaving);
        // A termination signal meanwhile has written what could be written.
        if (TerminationRequested())
            return true;
        switch (answer) {
        case mrRetry:
            failedFile = dataFile;
            if (WriteDataFile(dataFile, &error)) {
                ForgetRescue(dataFile);
                FSettled = true;
                return true;
            }
            break;
        case mrSaveAs: {
            const QString name = AskSaveFileName ? AskSaveFileName(DefaultSaveAsName()) : QString();
            if (TerminationRequested())
                return true;
            if (name.isEmpty())
                break;
            if (WriteMaskFile(name, &error)) {
                FSettled = true;
                return true;
            }
            failedFile = name;
            break;
        }
        case mrQuitWithoutSaving:
            FSettled = true;
            return true;
        default:
            // Back to the program: nothing is lost, the window stays.
            FStopped = false;
            Reschedule();
            return false;
        }
    }
}

bool TWorkStateKeeper::SaveForExit()
{
    if (FSettled)
        return true;
    StopBackground();
    FSettled = true;
    const QString dataFile = ProgramDataFileName();
    QString error;
    if (WriteDataFile(dataFile, &error)) {
        ForgetRescue(dataFile);
        return true;
    }
    const QString rescue = WorkStateRescueFileName();
    if (QFileInfo(rescue).absoluteFilePath() != QFileInfo(dataFile).absoluteFilePath()) {
        QDir().mkpath(QFileInfo(rescue).absolutePath());
        QString rescueError;
        if (WriteDataFile(rescue, &rescueError)) {
            PrintError(QStringLiteral("Der Arbeitsstand konnte nicht in %1 geschrieben werden (%2); er steht in %3.")
                           .arg(dataFile, error, rescue));
            return true;
        }
        error += QStringLiteral("; ") + rescueError;
    }
    PrintError(QStringLiteral("Der Arbeitsstand konnte nicht geschrieben werden: %1").arg(error));
    return false;
}

void TWorkStateKeeper::Terminate()
{
    if (gTerminating)
        return;
    gTerminating = true;
    const int status = SaveForExit() ? 0 : 1;
    // Every open dialog and message box ends as cancelled. Exiting the
    // application ends every event loop on the stack, and every one opened
    // while the stack unwinds returns at once.
    QList<QPointer<QDialog>> open;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible())
            open.append(dialog);
    for (const QPointer<QDialog>& dialog : open)
        if (dialog)
            dialog->reject();
    QCoreApplication::exit(status);
    StartExitWatchdog();
}

void TWorkStateKeeper::StartExitWatchdog()
{
    if (FWatchdog.joinable())
        return;
    FWatchdog = std::thread([this] {
        std::unique_lock<std::mutex> lock(FWatchdogMutex);
        if (!FWatchdogWake.wait_for(lock, kExitGrace, [this] { return FWatchdogCancelled; }))
            std::_Exit(kForcedExitStatus);
    });
}

bool TWorkStateKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FMainWindow && event->type() == QEvent::Close) {
        if (!SaveBeforeClose()) {
            event->ignore();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        const auto* window = static_cast<QWidget*>(watched);
        if (window->isWindow() && window->isModal())
            PrintError(QStringLiteral("Dialog: %1").arg(window->windowTitle()));
    }
    return QObject::eventFilter(watched, event);
}
