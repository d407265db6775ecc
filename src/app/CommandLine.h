#pragma once
// The program's command line. Every option is one row of the table in
// CommandLine.cpp; the positional arguments keep their old meaning (a mask
// file, or one or two picture files for the open-stereo dialog).

#include <QMap>
#include <QString>
#include <QStringList>

struct TCommandLine {
    enum TOutcome {
        clRun,     // start the editor with Files
        clHelp,    // print Text to standard output, exit 0
        clVersion, // print Text to standard output, exit 0
        clError,   // print Text to standard error, exit kCommandLineErrorStatus
    };
    TOutcome Outcome = clRun;
    QString Text;
    // The positional arguments, in order.
    QStringList Files;
    // Every option given, by its long name; a flag maps to an empty value.
    QMap<QString, QString> Options;
};

// The options of the export (ExportCommand.h), by their long names.
inline constexpr const char* kOptionExport = "export";
inline constexpr const char* kOptionLayout = "layout";
inline constexpr const char* kOptionKind = "kind";
inline constexpr const char* kOptionGap = "gap";
inline constexpr const char* kOptionFormat = "format";
inline constexpr const char* kOptionQuality = "quality";
inline constexpr const char* kOptionProgressive = "progressive";
inline constexpr const char* kOptionOut = "out";
inline constexpr const char* kOptionMaskPictures = "mask-pictures";
inline constexpr const char* kOptionOverwrite = "overwrite";
inline constexpr const char* kOptionPairs = "pairs";
inline constexpr const char* kOptionPairsFrom = "pairs-from";
inline constexpr const char* kOptionNoWindowCheck = "no-window-check";

// Exit status for a command line the program does not understand.
inline constexpr int kCommandLineErrorStatus = 2;

// Parses arguments (the program name first, as QCoreApplication::arguments()
// gives them). version is printed by --version. The texts come out in the
// language of the installed Qt translation.
TCommandLine ParseCommandLine(const QStringList& arguments, const QString& version);
