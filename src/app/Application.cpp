#include "app/Application.h"

#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/History.h"
#include "history/UserMessage.h"
#include "model/ProgramObjects.h"
#include "settings/Optionen.h"
#include "stereo/StereoLoad.h"
#include "stereo/Stereo_OpenDlg.h"
#include "ui/About.h"
#include "ui/uDialogBox.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString kResSaveWorkStateError = QStringLiteral(
    "<FB><FS12><c4>Fehler!<FN><LF>Der Arbeitsstand konnte nicht in die Datei:<c5> %s <FN><LF>"
    "geschrieben werden.<LF>%s");

const QString kOpenMaskFilter = QStringLiteral("Maskendatei (*.plenoptrum)|*.Plenoptrum|Alles (*.*)|*.*");

bool FolderWritable(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

// SIGTERM, SIGINT and SIGHUP end the program like "Beenden": the handler only
// writes a byte; the message loop sees it and closes the main window.
int gSignalPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[1], &byte, 1);
}

// Installed right after the application object exists, so a signal that
// arrives while the windows are still being built is kept in the pipe and
// handled as soon as the message loop runs.
void InstallTerminationSignals()
{
    if (::pipe(gSignalPipe) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

void CloseOnTerminationSignal(TFormMain* form)
{
    if (gSignalPipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, form);
    QObject::connect(notifier, &QSocketNotifier::activated, form, [form] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[0], &byte, 1);
        form->close();
    });
}

// The controller reaches the dialogs only through its hooks.
void ConnectDialogs(TDM& dm, TFormOpenStereo& openStereo, TFormMain& form)
{
    dm.ShowOpenStereoDialog = [&openStereo] { return openStereo.Execute(); };
    dm.GetOpenStereoDialogState = [&openStereo](QString& left, QString& right, quint8& layout) {
        left = openStereo.GetLeftFileName();
        right = openStereo.GetRightFileName();
        layout = quint8(openStereo.GetLayout());
    };
    dm.SetOpenStereoDialogState = [&openStereo](const QString& left, const QString& right, quint8 layout) {
        openStereo.SetLayout(layout);
        openStereo.SetLeftFileName(left);
        openStereo.SetRightFileName(right);
    };
    dm.AskMaskFileName = [&form](const QString& start) {
        QFileDialog dialog(&form);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(OpenStereoNameFilters(kOpenMaskFilter));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QStringLiteral("plenoptrum"));
        if (!start.isEmpty())
            dialog.selectFile(start);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                         : QString();
    };
    dm.OnRequestBackground = [&form](TColor colour) { form.SetBackgroundColor(colour); };
}

bool HasDisplay()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return true;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

void ConnectOptionenDialog(TDM& dm, TFormOptionen& optionen)
{
    dm.ShowOptionenDialog = [&optionen](TDesktopData& live) {
        optionen.SetData(&live);
        optionen.Execute();
    };
    optionen.OnBeforeDesktopStep = [&dm] { dm.OptionenToolStateToCurrent(); };
}

QString ProgramDataFileName()
{
    const QString overridden = qEnvironmentVariable("PLENOPTRA_DATA_FILE");
    if (!overridden.isEmpty())
        return overridden;
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString name = exe.completeBaseName() + QStringLiteral(".DAT");
    if (FolderWritable(exe.absolutePath()))
        return exe.absoluteDir().filePath(name);
    // An installed program cannot write beside itself: keep the work state in
    // the user's data folder instead of losing it.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return QDir(folder).filePath(name);
}

bool SaveWorkState(TDM* dm)
{
    THistoryListe* history = HistoryListe();
    if (!history)
        return false;
    if (dm)
        history->Settings().Assign(*dm->Settings);
    const QString file = ProgramDataFileName();
    try {
        history->SaveToFile(file, true);
        return true;
    } catch (const EPlenoptraError& e) {
        QString text = FormatResString(kResSaveWorkStateError, file);
        text = FormatResString(text, e.Message());
        ShowUserMessage(text, dkFehler, dbOK);
    } catch (const std::exception& e) {
        QString text = FormatResString(kResSaveWorkStateError, file);
        text = FormatResString(text, QString::fromLocal8Bit(e.what()));
        ShowUserMessage(text, dkFehler, dbOK);
    }
    return false;
}

int RunPlenoptra(int argc, char** argv)
{
    // 1. the runtime
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "Plenoptra braucht eine grafische Oberfläche: weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt.\n"
                     "Plenoptra needs a graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set.\n");
        return 2;
    }
    QApplication app(argc, argv);
    InstallTerminationSignals();
    SetUserMessageHandler(
        [](const QString& text, int kind, unsigned buttons) { return ShowDlgBox(text, kind, buttons); });

    // 2. program-wide objects and the work state of the previous run
    auto objects = std::make_unique<TProgramObjects>();
    try {
        objects->HistoryListe->LoadFromFile(ProgramDataFileName(), true);
    } catch (const std::exception&) {
        // The entries read so far stay; the message was shown by the reader.
    }

    // 3. the GUI application
    QApplication::setApplicationName(QStringLiteral("Plenoptra"));
    QApplication::setApplicationDisplayName(QStringLiteral("Plenoptra"));

    int status = 0;
    {
        // 4. - 8. the windows, in their order
        TFormMain form;
        TDM dm;
        TAboutBox about;
        TFormOptionen optionen(&form);
        TFormOpenStereo openStereo(&form);
        QStringList arguments = QCoreApplication::arguments();
        arguments.removeFirst();
        dm.Arguments = arguments;
        dm.ShowAboutBox = [&about] { about.exec(); };
        ConnectDialogs(dm, openStereo, form);
        ConnectOptionenDialog(dm, optionen);
        form.ConnectController(&dm);
        form.OnPaintError = [&dm] {
            const int code = errno;
            SaveWorkState(&dm);
            std::_Exit(code);
        };
        QApplication::setWindowIcon(form.windowIcon());
        CloseOnTerminationSignal(&form);

        // 9. the message loop
        form.show();
        try {
            status = app.exec();
        } catch (...) {
            status = 1;
        }

        // Program end: locks, settings into the staging copy, the data file.
        ReleasePictureLocks();
        SaveWorkState(&dm);
        SetUserMessageHandler(nullptr);
    }
    // Destroys history, handle list, selections and outline in that order.
    objects.reset();
    return status;
}
