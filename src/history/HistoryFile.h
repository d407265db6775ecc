#pragma once
// The header in front of every history file (mask file and program data
// file), and the texts by which this program recognises its own files.

#include "history/Streams.h"

#include <QString>

// Written into every file; the reader finds the signature inside MakerLine.
extern const QString kHistoryMakerLine;
extern const QString kHistoryContactLine;
extern const QString kHistorySignature;

class THistoryFileHeader {
public:
    static constexpr qint32 kFormatNumber = 1000;
    static constexpr qint32 kFileVersion = 2;

    // A header for writing: Count 0, ItemIndex -1 and this program's texts.
    THistoryFileHeader();

    // Writes the header items in file order, ruler included.
    void WriteToStream(TStream& stream) const;
    // Reads the header items and tells whether the file may be read: the
    // signature must stand in MakerLine after its first character, the format
    // must be ours and the version 1..kFileVersion. A refused file shows the
    // unknown-version message, a header that ends early the read-error
    // message, both naming fileName.
    bool ReadFromStream(TStream& stream, const QString& fileName);

    qint32 Count = 0;
    qint32 ItemIndex = -1;
    QString ProgramName;
    QString MakerLine;
    QString ContactLine;
    QString Title;
    qint32 FormatNumber = kFormatNumber;
    qint32 FileVersion = kFileVersion;
};

// The running program's file name without folder ("plenoptra" when there is
// no application object to ask), unless a tool that writes files on the
// program's behalf has set the name with SetHistoryProgramName.
QString HistoryProgramName();
void SetHistoryProgramName(const QString& name);
