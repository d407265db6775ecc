#pragma once
// Writing masked stereo pictures without the editor: the window of a mask
// file put on its own pair or on other pairs of the same series, written as
// "Maskiertes Stereobild speichern..." (or "Maske Speichern...") writes them,
// through the same composition, picture making, coder and file writing.
//
// Nothing here touches the program-wide objects while none is installed
// (the command line's export never creates them), so pairs run side by side
// on threads of their own. With a set installed everything runs on the
// calling thread, one pair after another.

#include "settings/Desktop_Object.h"
#include "stereo/JpegFile.h"
#include "stereo/StereoBitmap.h"
#include "stereo/StereoSaveNames.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class TPolygonListe;

// The choices of the save dialog.
struct TExportChoice {
    int Mode = spmMaskedStereo; // or spmMaskPictures
    int Layout = 0; // output layout 0..7
    int Kind = 0; // anaglyph kind of layouts 4 and 5; 6 and 7 are always grey
    int Gap = 0; // pixels between the views of layouts 1..3 (mode 1 only)
    int FileType = sftJpeg;
    TJpegOptions Jpeg;
    // An existing picture file is replaced (the dialog's "Überschreiben"
    // box checked and the question answered with Yes); otherwise the pair
    // fails and the file stays.
    bool Overwrite = false;
};

// A mask file's current step: its outline, its document settings and the
// pair it was drawn on.
struct TExportMask {
    QString FileName;
    int Step = 0; // the undo position, 0-based
    int Steps = 0;
    QByteArray Geometry, State; // the step's two outline streams
    TDesktopData Settings; // defaults with the step's document settings
    QString Left, Right; // the step's pair, as LoadStereoPicture takes it
    int InputLayout = 0;
    // The left picture's size in the step's pair, from the file headers;
    // empty when its files cannot be read. Pairs of another size get the
    // outline scaled to theirs.
    QSize PairSize;
};

// Reads the mask file and its current step. False with a German reason for a
// missing file, a file the history reader refuses or cannot read to its end,
// or a file without steps. The reader's own messages go to the installed
// user-message handler as in the editor.
bool LoadExportMask(const QString& fileName, TExportMask* mask, QString* error);

// One pair as LoadStereoPicture takes it.
struct TExportPair {
    QString First, Second;
    int Layout = 0;
    // What the output names are proposed from (the name the open dialog
    // would have put into the save dialog: the left or only file).
    QString NameSource;
    // Set when the pair could not even be formed (a lone left picture in a
    // list); the pair then fails with this text.
    QString Problem;
};

struct TExportOutcome {
    bool Ok = false;
    QStringList Written; // files written, in order
    QStringList Notes; // scaled outline, damaged input, check warnings
    QString Error; // German, naming the file
    bool ExistingFile = false; // failed because a picture file exists
};

// A look at each pair before it is masked: the pair's name (its NameSource
// without folder), the outline as it is put on this pair and the loaded
// pictures; what it returns is added to the notes. Called on the pair's
// thread; must not touch program-wide objects.
using TPairCheck = std::function<QStringList(const QString& pairName, const TPolygonListe& outline,
                                             const TBitmap& left, const TBitmap& right)>;

// The pairs of a list of files: a multi-picture or ".jps" file is a pair on
// its own, any other file a left picture followed by its right one. A left
// picture without a right one becomes a pair that fails, saying so.
std::vector<TExportPair> ExportPairsFromFiles(const QStringList& files);
// The pairs of a list file, one a line: a left and a right picture
// (separated by a tab, or by blanks; names with blanks in quotes or
// separated by a tab), or one multi-picture or ".jps" file. Relative names
// count from the list's folder; empty lines and lines starting with "#" are
// skipped; a line that names no pair becomes a pair that fails with the line
// number. False with a German reason when the list cannot be read.
bool ExportPairsFromList(const QString& listFile, std::vector<TExportPair>* pairs, QString* error);

// The left picture's size of a pair, read from the file headers only; empty
// when a file cannot be read.
QSize StereoPairSize(const QString& first, int layout, const QString& second);

// The names one pair is written to: as the save dialog proposes them from
// nameSource, or, with a folder, the same file names in that folder.
TSaveNames ExportNames(const QString& nameSource, const QString& folder, const TExportChoice& choice);

// Loads the pair, puts the mask's window on it (scaled when the pair's size
// differs from the mask's pair), composes and writes the file(s) to names.
// Existing files are refused unless choice.Overwrite.
TExportOutcome ExportPair(const TExportMask& mask, const TExportPair& pair, const TExportChoice& choice,
                          const TSaveNames& names, const TPairCheck& check = {});

// Called once per finished pair, one call at a time: done pairs so far,
// their number, the pair's index and its outcome.
using TExportProgress = std::function<void(int done, int total, int index, const TExportOutcome& outcome)>;

// Exports the pairs on up to jobs threads (0: one per processor core), each
// pair's pictures freed before its thread takes the next, and no more pairs
// in memory at once than kExportMemoryBudget allows (a pair larger than that
// runs alone). Pairs whose names another pair already writes to fail. Returns
// the number of failed pairs.
int ExportPairs(const TExportMask& mask, const std::vector<TExportPair>& pairs, const std::vector<TSaveNames>& names,
                const TExportChoice& choice, const TExportProgress& progress, int jobs = 0,
                const TPairCheck& check = {});

// Bytes of pictures that may be in memory at once while exporting.
constexpr qint64 kExportMemoryBudget = qint64(1280) << 20;
// Bytes of freed pictures kept for the next pairs (PictureBuffers.h): the
// sources and results of two pairs of 24-megapixel eyes. Pictures in use and
// kept ones together stay below the sum of the two limits.
constexpr qint64 kExportKeptMemory = qint64(768) << 20;
// What a pair needs in memory while it is exported, from its file headers.
qint64 ExportPairMemory(const TExportPair& pair);
