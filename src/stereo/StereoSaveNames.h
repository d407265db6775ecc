#pragma once
// The file names the save dialog proposes and the check it runs before
// writing: which files exist, which will be written, and what the user is
// told about it. Pure functions, so the rules can be tested without a dialog.

#include <QString>

#include <array>
#include <functional>

// Picture modes of the save dialog.
enum TSavePictureMode : int {
    spmMaskPictures = 0, // "Maske Speichern...": the two-colour mask pictures
    spmMaskedStereo = 1, // "Maskiertes Stereobild speichern..."
};

// File types of the pictures (item index of the type list).
enum TSaveFileType : int {
    sftJpeg = 0,
    sftBmp = 1,
};

extern const QString kMaskFileExtension; // ".Plenoptrum"
// The file-name part of each output layout ("_L" for layout 0's left file).
QString SaveLayoutPart(int layout, bool right = false);
// "_c", "_h", "_g" for the anaglyph kinds 0..2.
QString SaveKindPart(int kind);
// The picture word of a mode: "_Plenoptrum" or "_MaskStereoBild".
QString SavePictureWord(int mode);
// ".jpg" or ".bmp".
QString SavePictureExtension(int fileType);

// name with its extension (from the last dot after the last folder
// separator on) replaced by extension; appended when it has none.
QString ChangeFileExt(const QString& name, const QString& extension);
// The base of every proposed name: name with its extension replaced by "."
// and then, in this order, the first occurrence (ignoring case) of each of
// "_L.", "_R.", "_A.", "_LR.", "_RL.", "_KMQ.", "_Ana_RC.", "_Ana_YB.",
// "_Ana_RB.", "_Ana_RG.", "_MaskStereoBild.", "_Plenoptrum." replaced by ".".
// A proposed mask name or layout 0..3 picture name thus yields its base
// again; an anaglyph name keeps its kind part.
QString SaveBaseName(const QString& name);

struct TSaveNames {
    QString Mask, Left, Right;
};
// Every name proposed from name: the mask file and the picture file(s) of
// the layout, kind and mode, with the extensions of the file type. Layouts
// 1..7 propose the same name left and right (only the left is written). A
// blank name proposes nothing (all three empty).
TSaveNames ProposeSaveNames(const QString& name, int mode, int layout, int kind, int fileType);

// A name the check treats as an existing file: not empty, there, and not a
// folder.
bool SaveFileExists(const QString& name);
// Layout 0's two names would write the same file (blanks around them and
// letter case ignored).
bool SameSaveNames(const QString& left, const QString& right);

// Resource texts of the check (markup of the message label).
extern const QString kResEqualNames; // 65220
extern const QString kResNotSaved; // 65221
extern const QString kResOverwritten; // 65222
extern const QString kResErrorHead; // 65218
extern const QString kResWarningHead; // 65219
extern const QString kResNothingSaved; // 65224
extern const QString kResContinue; // 65223

struct TSaveFileState {
    QString Name;
    bool Override = false; // the file's "Überschreiben" box is checked
};

// Outcome of the check: the write flag of the mask, left and right file,
// and the message to show (none when every named file is new).
struct TSaveCheck {
    std::array<int, 3> Tags{1, 1, 1};
    bool Message = false;
    int Kind = 0; // 0 warning (Yes/No: continue?), 1 error (OK: nothing can be written)
    QString Text;
};

// Runs the check over the three files for the layout. exists answers
// whether a name is an existing file (SaveFileExists when not given).
TSaveCheck CheckSaveFiles(const TSaveFileState& mask, const TSaveFileState& left, const TSaveFileState& right,
                          int layout, const std::function<bool(const QString&)>& exists = {});
