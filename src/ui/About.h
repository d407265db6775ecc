#pragma once
// The about box ("Info") and the reader of the version block an executable of
// this program carries (see VersionBlock.h).

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>

class QLabel;
class TLabelFormat;

class TVersionInfoFile {
public:
    // Finds and reads the version block of fileName; an empty name means the
    // program's own executable. A file without a valid block leaves no data.
    explicit TVersionInfoFile(const QString& fileName = QString());

    // Size of the version data found (payload bytes), 0 when none was found.
    int Size() const { return FSize; }
    bool HasData() const { return !FData.isNull(); }

    // Raw value of a sub-block path such as "\VarFileInfo\Translation"
    // (compared without regard to case); null when absent.
    QByteArray QueryValue(const QString& subBlock) const;

    // The string value key of the first language in the translation table,
    // without its terminating NUL; empty without data, translation or value.
    QString GetValue(const QString& key) const;

    struct TVersionParts {
        QString First;  // before the second dot
        QString Second; // after it
    };
    // Splits a "FileVersion" value at its second dot; a terminating NUL as the
    // platform hands the value over belongs to neither part.
    static TVersionParts SplitVersion(const QString& version);

    // "Version: %s %s" from the two parts of the value.
    static QString VersionLine(const QString& version);

private:
    bool ReadBlock(const QString& fileName);
    bool ParsePayload(const QByteArray& payload);

    int FSize = 0;
    QByteArray FData;
    QList<QPair<QString, QByteArray>> FEntries;
};

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 322;
    static constexpr int kClientHeight = 277;

    // versionFile: where the version is read from; empty for the program's
    // own executable.
    explicit TAboutBox(QWidget* parent = nullptr, const QString& versionFile = QString());

    QLabel* Comments() const { return FComments; }
    QLabel* LabelVersion() const { return FLabelVersion; }
    QLabel* Credits() const { return FCredits; }
    QLabel* ProgramIcon() const { return FProgramIcon; }
    TLabelFormat* Label2() const { return FLabel2; }
    TLabelFormat* LabelFormatDanke() const { return FLabelFormatDanke; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* FComments = nullptr;
    QLabel* FLabelVersion = nullptr;
    QLabel* FCredits = nullptr;
    QLabel* FProgramIcon = nullptr;
    TLabelFormat* FLabel2 = nullptr;
    TLabelFormat* FLabelFormatDanke = nullptr;
};
