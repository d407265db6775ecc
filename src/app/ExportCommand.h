#pragma once
// "plenoptra --export": masked stereo pictures written from a mask file
// without any window, for the mask's own pair or, with --pairs or
// --pairs-from, for other pairs of the same series.

#include "app/CommandLine.h"
#include "stereo/StereoExport.h"

#include <QString>
#include <QStringList>

#include <functional>

struct TExportRequest {
    QString Mask;
    TExportChoice Choice;
    // The base name of the pictures, or a folder for them; empty: the
    // mask's name (the mask's own pair) or the pictures' folders (pairs).
    QString Out;
    bool Batch = false;
    QStringList PairFiles;
    QString PairsFrom;
    // Batch export checks each pair's window and warns where the scene
    // breaks through it.
    bool WindowCheck = true;
};

// Exit status when a pair or the mask could not be exported.
inline constexpr int kExportFailedStatus = 1;

// Reads the export options of a parsed command line. False with a German
// message naming the option that is wrong.
bool ParseExportRequest(const TCommandLine& commandLine, TExportRequest* request, QString* error);

// Whether the arguments ask for the export; decided before any application
// object exists, since the export needs no display. Help and version, and a
// command line that cannot be parsed at all, go the ordinary way.
bool IsExportCommandLine(int argc, char** argv);

// The whole export run on the offscreen platform; the exit status: 0 when
// everything was written, kExportFailedStatus when the mask or a pair
// failed, kCommandLineErrorStatus for options it does not understand.
int RunExportProgram(int argc, char** argv);

// Runs a parsed request; progress lines and notes go to out, errors to err
// (one call per line, without its line break). Returns the exit status.
int RunExport(const TExportRequest& request, const std::function<void(const QString&)>& out,
              const std::function<void(const QString&)>& err);
