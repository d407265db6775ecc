#pragma once
// Checking a mask's stereo window without the editor: `plenoptra
// --check-window MASK`, and the warning batch export gives for each pair
// whose window the scene breaks through. Needs no display: the mask's
// current step is read through the core, and the pair's disparity map is
// computed on the calling thread.

#include "stereo/WindowCheck.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdio>

class TPolygonListe;
struct TCommandLine;

// The command-line option, by its long name.
inline constexpr const char* kCheckWindowOption = "check-window";

// Exit status of --check-window when the mask or its pictures cannot be read
// or the map cannot be computed. The statuses 0, 1 and 2 are the verdict
// (free, violated, cannot tell: TWindowVerdict).
inline constexpr int kCheckWindowErrorStatus = 3;

// The check of the outline against the pair; the map is computed here and
// now. Raises a std::exception (std::bad_alloc, or the matcher's own) when
// the memory for the map is not there.
TWindowCheck CheckWindowOfPair(const QImage& left, const QImage& right, const TPolygonListe& outline);

// The line batch export prints for a pair whose window is violated:
// "Warnung: NAME: Scheinfenster: 2 Verletzungen, max. 7 px"; empty for the
// other verdicts.
QString WindowCheckWarning(const QString& pairName, const TWindowCheck& check);

struct TMaskWindowCheck {
    // The mask's step, its outline and its pictures were read and the map
    // computed; otherwise Error says why (plain text).
    bool Ok = false;
    QString Error;
    // What the reading reported without failing (a damaged later step, a
    // damaged picture), plain text.
    QStringList Warnings;
    TWindowCheck Check;
};

// Reads the mask file's current step (its outline and its pair, in the
// step's input layout) with a program-object set of its own, so a caller's
// set stays untouched, and checks it. Messages the reading would show are
// collected instead.
TMaskWindowCheck CheckWindowOfMaskFile(const QString& maskFile);

// --check-window MASK: one WindowViolationLine per violated stretch to out,
// errors and warnings to err; returns the verdict, kCheckWindowErrorStatus
// on an error, and the command line's error status when further files are
// given.
int RunCheckWindowCommand(const TCommandLine& commandLine, std::FILE* out, std::FILE* err);
