#pragma once
// Start and stop of the program: the program-wide objects, the program data
// file, the windows, the message loop and the orderly end.

#include <QString>

#include <memory>

class QFileDialog;
class QObject;
class QWidget;
class TDM;

// The program data file: the executable's path with the extension ".DAT";
// where that folder is not writable, the same file name in the user's
// application data folder. PLENOPTRA_DATA_FILE overrides both (tests).
QString ProgramDataFileName();

// The application object's name, version and dialog kind, set once right
// after it exists. Window titles reach the window system unchanged.
void ConfigureApplication();

// The file dialog of "Öffne Maskendatei...", preset to start.
std::unique_ptr<QFileDialog> MakeMaskOpenDialog(QWidget* parent, const QString& start);

// Loads Qt's German translations (standard dialogs, button boxes, context
// menus, the command-line parser) and installs them for the application;
// they live as long as owner. False when Qt's translations are not installed.
bool InstallQtTranslations(QObject* owner);

// The version of the running executable, read from its version block.
QString ProgramVersion();

// The controller shows the settings dialog through its hook; the dialog's
// "OK" lets the controller put its tools in place for the "Desktop" step.
class TFormOptionen;
void ConnectOptionenDialog(TDM& dm, TFormOptionen& optionen);

// The whole program run; returns the exit status.
int RunPlenoptra(int argc, char** argv);
