#include "stereo/StereoSaveNames.h"

#include <QFileInfo>

#include <algorithm>

const QString kMaskFileExtension = QStringLiteral(".Plenoptrum");

const QString kResEqualNames =
    QStringLiteral("Dateinamen vom <FB>linken und rechten<FB> Bild sind <FB>gleich!<FN><LF>");
const QString kResNotSaved =
    QStringLiteral("Die <FB><c3>rot<FN> gekennzeichneten Dateien werden <FB>nicht gespeichert.<FN><LF>");
const QString kResOverwritten =
    QStringLiteral("Die <FB><c4>blau<FN> gekennzeichneten Dateien werden <FB>überschrieben.<FN><LF>");
const QString kResErrorHead = QStringLiteral("<FB><c3><FS12>Fehler!<FN><LF>");
const QString kResWarningHead = QStringLiteral("<FB><c4><FS12>Warnung!<FN><LF>");
const QString kResNothingSaved = QStringLiteral("<FB>Es können keine Dateien gespeichert werden!<LF> <LF> ");
const QString kResContinue = QStringLiteral("<FB>Möchten sie das Speichern fortsetzen?<LF> <LF> ");

namespace {

// Suffixes that earlier proposals appended, removed again so that a proposed
// name yields its base. The order matters: "_L." goes before "_LR." is
// looked for, and the picture words come last.
const char* const kReducedSuffixes[] = {
    "_L.", "_R.", "_A.", "_LR.", "_RL.", "_KMQ.", "_Ana_RC.", "_Ana_YB.", "_Ana_RB.", "_Ana_RG.",
    "_MaskStereoBild.", "_Plenoptrum.",
};

const char* const kLayoutParts[] = {"_L", "_LR", "_RL", "_KMQ", "_Ana_RC", "_Ana_YB", "_Ana_RB", "_Ana_RG"};

int ExtensionStart(const QString& name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const int slash = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return dot > slash ? dot : -1;
}

QString ColouredLine(const char* colour, const QString& name)
{
    return QLatin1String(colour) + name + QStringLiteral("<FN><LF>");
}

} // namespace

QString SaveLayoutPart(int layout, bool right)
{
    if (layout < 0 || layout > 7)
        layout = 0;
    if (layout == 0 && right)
        return QStringLiteral("_R");
    return QLatin1String(kLayoutParts[layout]);
}

QString SaveKindPart(int kind)
{
    switch (kind) {
    case 0:
        return QStringLiteral("_c");
    case 1:
        return QStringLiteral("_h");
    default:
        return QStringLiteral("_g");
    }
}

QString SavePictureWord(int mode)
{
    return mode == spmMaskPictures ? QStringLiteral("_Plenoptrum") : QStringLiteral("_MaskStereoBild");
}

QString SavePictureExtension(int fileType)
{
    return fileType == sftBmp ? QStringLiteral(".bmp") : QStringLiteral(".jpg");
}

QString ChangeFileExt(const QString& name, const QString& extension)
{
    const int at = ExtensionStart(name);
    return (at < 0 ? name : name.left(at)) + extension;
}

QString SaveBaseName(const QString& name)
{
    QString base = ChangeFileExt(name, QStringLiteral("."));
    for (const char* suffix : kReducedSuffixes) {
        const QString s = QLatin1String(suffix);
        const int at = base.indexOf(s, 0, Qt::CaseInsensitive);
        if (at >= 0)
            base.replace(at, s.size(), QStringLiteral("."));
    }
    return base;
}

TSaveNames ProposeSaveNames(const QString& name, int mode, int layout, int kind, int fileType)
{
    TSaveNames names;
    // Without a base there is nothing to propose; "_Plenoptrum.Plenoptrum"
    // alone would land in whatever the working folder happens to be.
    if (name.trimmed().isEmpty())
        return names;
    const QString base = SaveBaseName(name);
    const QString word = SavePictureWord(mode);
    // The extension goes on together with the rest: put on afterwards it
    // would replace the last dotted part of a base like "IMG_2024.05".
    const QString extension = SavePictureExtension(fileType);
    names.Mask = ChangeFileExt(base, QStringLiteral("_Plenoptrum") + kMaskFileExtension);
    if (layout < 0 || layout > 7)
        layout = 0;
    if (layout == 0) {
        names.Left = ChangeFileExt(base, word + SaveLayoutPart(0, false) + extension);
        names.Right = ChangeFileExt(base, word + SaveLayoutPart(0, true) + extension);
    } else {
        QString part = word + SaveLayoutPart(layout);
        if (layout >= 4)
            part += SaveKindPart(layout >= 6 ? 2 : kind);
        names.Left = names.Right = ChangeFileExt(base, part + extension);
    }
    return names;
}

bool SaveFileExists(const QString& name)
{
    if (name.isEmpty())
        return false;
    const QFileInfo info(name);
    return info.exists() && !info.isDir();
}

bool SameSaveNames(const QString& left, const QString& right)
{
    return left.trimmed().compare(right.trimmed(), Qt::CaseInsensitive) == 0;
}

TSaveCheck CheckSaveFiles(const TSaveFileState& mask, const TSaveFileState& left, const TSaveFileState& right,
                          int layout, const std::function<bool(const QString&)>& exists)
{
    const auto there = exists ? exists : std::function<bool(const QString&)>(SaveFileExists);
    TSaveCheck check;
    bool allNew = true, skipped = false, overwritten = false;
    QString reasons;
    auto checkFile = [&](const TSaveFileState& file, int& tag) {
        tag = 1;
        if (file.Name.isEmpty())
            return QString();
        if (!there(file.Name))
            return ColouredLine("<c5>", file.Name);
        allNew = false;
        if (file.Override) {
            overwritten = true;
            return ColouredLine("<c4>", file.Name);
        }
        skipped = true;
        tag = 0;
        return ColouredLine("<c3>", file.Name);
    };

    QString list = checkFile(mask, check.Tags[0]);
    if (layout == 0 && SameSaveNames(left.Name, right.Name)) {
        allNew = false;
        skipped = true;
        reasons = kResEqualNames;
        list += ColouredLine("<c3>", left.Name) + ColouredLine("<c3>", right.Name);
        check.Tags[1] = check.Tags[2] = 0;
    } else {
        list += checkFile(left, check.Tags[1]);
        if (layout == 0)
            list += checkFile(right, check.Tags[2]);
        else
            check.Tags[2] = 0; // one file only; the right name is the left one
    }
    if (skipped)
        reasons += kResNotSaved;
    if (overwritten)
        reasons += kResOverwritten;

    if (check.Tags[0] == 0 && check.Tags[1] == 0 && check.Tags[2] == 0) {
        check.Message = true;
        check.Kind = 1;
        check.Text = kResErrorHead + reasons + QStringLiteral(" <LF>") + list + QStringLiteral(" <LF>") + kResNothingSaved;
    } else if (!allNew) {
        check.Message = true;
        check.Kind = 0;
        check.Text = kResWarningHead + reasons + QStringLiteral(" <LF>") + list + QStringLiteral(" <LF>") + kResContinue;
    }
    return check;
}
