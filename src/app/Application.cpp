#include "app/Application.h"

#include "app/CheckWindowCommand.h"
#include "app/CommandLine.h"
#include "app/Daten_Modul.h"
#include "app/ExportCommand.h"
#include "app/Main.h"
#include "app/WorkState.h"
#include "history/History.h"
#include "history/UserMessage.h"
#include "model/ProgramObjects.h"
#include "settings/Optionen.h"
#include "stereo/StereoLoad.h"
#include "stereo/Stereo_OpenDlg.h"
#include "stereo/Stereo_SaveDlg.h"
#include "ui/About.h"
#include "ui/uDialogBox.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTranslator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

const QString kOpenMaskFilter = QStringLiteral("Maskendatei (*.plenoptrum)|*.Plenoptrum|Alles (*.*)|*.*");

bool FolderWritable(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

// SIGTERM, SIGINT and SIGHUP end the program: the handler only writes a
// byte; the event loop that runs at that moment (the main one, or that of a
// dialog or message box) sees it and ends the program in order.
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

// A logout cannot wait for answers: the work state is written, every dialog
// is cancelled and the program ends.
void EndOnTerminationSignal(TWorkStateKeeper& keeper)
{
    if (gSignalPipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &keeper);
    QObject::connect(notifier, &QSocketNotifier::activated, &keeper, [&keeper] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[0], &byte, 1);
        keeper.Terminate();
    });
}

// "Speichern unter..." when the work state cannot be written at the end.
QString AskWorkStateFileName(QWidget* parent, const QString& start)
{
    QFileDialog dialog(parent, QStringLiteral("Arbeitsstand speichern unter"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(OpenStereoNameFilters(kOpenMaskFilter));
    dialog.setDefaultSuffix(QStringLiteral("Plenoptrum"));
    dialog.selectFile(start);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                   : QString();
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
        const std::unique_ptr<QFileDialog> dialog = MakeMaskOpenDialog(&form, start);
        return dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()
                   ? dialog->selectedFiles().first()
                   : QString();
    };
    dm.OnRequestBackground = [&form](TColor colour) { form.SetBackgroundColor(colour); };
}

// The name of the desktop entry that installation puts in place.
const QString kDesktopFileName = QStringLiteral("plenoptra");
void ConnectSaveDialog(TDM& dm, TFormSaveStereo& saveStereo)
{
    dm.SetSaveDialogMaskFileName = [&saveStereo](const QString& name) { saveStereo.SetMaskName(name); };
    dm.SetSaveDialogPictures = [&saveStereo](TBitmap* left, TBitmap* right) { saveStereo.SetPictures(left, right); };
    dm.ShowSaveStereoDialog = [&saveStereo](quint8 mode, TColor cover) {
        saveStereo.CoverColor = cover;
        saveStereo.SetPictureMode(mode);
        return saveStereo.Execute();
    };
    dm.GetSaveDialogMaskFileName = [&saveStereo] { return saveStereo.GetMaskName(); };
}

bool HasDisplay()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return true;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

void PrintTo(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

void ConfigureApplication()
{
    // The application's title. No display name: Qt would append it to every
    // window title, and each caption must reach the window system exactly as
    // the program sets it.
    QCoreApplication::setApplicationName(QStringLiteral("Plenoptra"));
    QCoreApplication::setApplicationVersion(ProgramVersion());
    // Qt's own dialogs in their widget form: a desktop's native dialogs would
    // speak the desktop's language, not the program's German.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

std::unique_ptr<QFileDialog> MakeMaskOpenDialog(QWidget* parent, const QString& start)
{
    // No title of its own: the dialog keeps the platform's default.
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setNameFilters(OpenStereoNameFilters(kOpenMaskFilter));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setDefaultSuffix(QStringLiteral("plenoptrum"));
    if (!start.isEmpty())
        dialog->selectFile(start);
    return dialog;
}

bool InstallQtTranslations(QObject* owner)
{
    // Only Qt's own texts follow German; the default locale stays the
    // user's, so numbers keep the user's decimal separator.
    auto* translator = new QTranslator(owner);
    if (!translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

QString ProgramVersion()
{
    return TVersionInfoFile().GetValue(QStringLiteral("FileVersion"));
}

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

int RunPlenoptra(int argc, char** argv)
{
    // The export writes pictures without any window or display.
    if (IsExportCommandLine(argc, argv))
        return RunExportProgram(argc, argv);

    // 1. the runtime. Without a display only the command line can be
    // answered, so the application object needs no window system then.
    const bool display = HasDisplay();
    std::unique_ptr<QCoreApplication> application;
    if (display)
        application = std::make_unique<QApplication>(argc, argv);
    else
        application = std::make_unique<QCoreApplication>(argc, argv);
    ConfigureApplication();
    InstallQtTranslations(application.get());

    const TCommandLine commandLine =
        ParseCommandLine(QCoreApplication::arguments(), QCoreApplication::applicationVersion());
    switch (commandLine.Outcome) {
    case TCommandLine::clHelp:
    case TCommandLine::clVersion:
        PrintTo(stdout, commandLine.Text);
        return 0;
    case TCommandLine::clError:
        PrintTo(stderr, commandLine.Text);
        return kCommandLineErrorStatus;
    case TCommandLine::clRun:
        break;
    }
    if (commandLine.Options.contains(QString::fromLatin1(kCheckWindowOption)))
        return RunCheckWindowCommand(commandLine, stdout, stderr);
    if (!display) {
        std::fprintf(stderr,
                     "Plenoptra braucht eine grafische Oberfläche: weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt.\n"
                     "Plenoptra needs a graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set.\n");
        return 2;
    }
    QGuiApplication::setDesktopFileName(kDesktopFileName);
    InstallTerminationSignals();
    SetUserMessageHandler([](const QString& text, int kind, unsigned buttons) {
        // Once the program is ending on a signal, nobody is there to answer.
        if (TerminationRequested())
            return int(mrCancel);
        return ShowDlgBox(text, kind, buttons);
    });

    // 2. program-wide objects and the work state of the previous run
    auto objects = std::make_unique<TProgramObjects>();
    try {
        objects->HistoryListe->LoadFromFile(WorkStateFileToLoad(), true);
    } catch (const std::exception&) {
        // The entries read so far stay; the message was shown by the reader.
    }

    // 3. the GUI application: ConfigureApplication gave it its title.
    int status = 0;
    {
        // 4. - 8. the windows, in their order
        TFormMain form;
        TDM dm;
        TAboutBox about;
        TFormOptionen optionen(&form);
        TFormOpenStereo openStereo(&form);
        TFormSaveStereo saveStereo(&form);
        dm.Arguments = commandLine.Files;
        dm.ShowAboutBox = [&about] { about.exec(); };
        ConnectDialogs(dm, openStereo, form);
        ConnectSaveDialog(dm, saveStereo);
        ConnectOptionenDialog(dm, optionen);
        form.ConnectController(&dm);
        // The work state is written before the main window closes, so a
        // failure can still be answered.
        TWorkStateKeeper keeper(dm, &form);
        keeper.AskSaveFileName = [&form](const QString& start) { return AskWorkStateFileName(&form, start); };
        form.OnPaintError = [&keeper] {
            const int code = errno;
            keeper.SaveForExit();
            std::_Exit(code);
        };
        QApplication::setWindowIcon(form.windowIcon());
        EndOnTerminationSignal(keeper);

        // 9. the message loop
        form.show();
        try {
            status = QCoreApplication::exec();
        } catch (...) {
            status = 1;
        }

        // Program end. The work state was written when the window closed;
        // a loop that ended any other way writes it now, without asking.
        ReleasePictureLocks();
        if (!keeper.Settled())
            keeper.SaveForExit();
        SetUserMessageHandler(nullptr);
    }
    // Destroys history, handle list, selections and outline in that order.
    objects.reset();
    return status;
}
