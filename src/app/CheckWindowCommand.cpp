#include "app/CheckWindowCommand.h"

#include "app/CommandLine.h"
#include "history/History.h"
#include "history/Streams.h"
#include "history/UserMessage.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/Disparity.h"
#include "stereo/PictureFiles.h"
#include "stereo/StereoLoad.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <exception>
#include <new>

namespace {

const QString kResNoMask = QStringLiteral("Die Maskendatei %1 gibt es nicht.");
const QString kResNoStep = QStringLiteral("Die Maskendatei %1 enthält keinen lesbaren Bearbeitungsschritt.");
const QString kResBadOutline = QStringLiteral("Der Umriss in %1 ist beschädigt: %2");
const QString kResNoPair = QStringLiteral("Die Maskendatei %1 nennt kein Stereobild.");
const QString kResMissingPicture = QStringLiteral("Das Bild %1 gibt es nicht (mehr).");
const QString kResBadPicture = QStringLiteral("Das Stereobild aus %1 konnte nicht gelesen werden: %2");
const QString kResDamagedPicture = QStringLiteral("Das Bild %1 ist beschädigt; es wird unvollständig geprüft.");
const QString kResNoMemory = QStringLiteral("Für die Tiefenkarte des Stereobilds fehlt der Arbeitsspeicher.");
const QString kResMapFailed = QStringLiteral("Die Tiefenkarte des Stereobilds konnte nicht berechnet werden: %1");
const QString kResExtraFiles = QStringLiteral("--%1 prüft genau eine Maskendatei; weitere Dateien: %2");
const QString kResWarning = QStringLiteral("Warnung: %1: %2");

// The message texts carry the markup of the program's message box; on a
// terminal only their words count.
QString PlainText(QString markup)
{
    static const QRegularExpression tag(QStringLiteral("<[A-Za-z]{1,3}[0-9]*>"));
    markup.replace(QStringLiteral("<LF>"), QStringLiteral(" "));
    markup.remove(tag);
    return markup.simplified();
}

void Print(std::FILE* stream, const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
}

// Reading a step asks the user nothing here: what it would show is kept as
// a warning, and a question is answered as the safe way out (No, Cancel).
class TCollectMessages {
public:
    explicit TCollectMessages(QStringList& into)
    {
        FPrevious = SetUserMessageHandler([&into](const QString& text, int, unsigned buttons) {
            into << PlainText(text);
            return (buttons & dbOK) ? mrOk : (buttons & dbNo) ? mrNo : mrCancel;
        });
    }
    ~TCollectMessages() { SetUserMessageHandler(FPrevious); }
    TCollectMessages(const TCollectMessages&) = delete;
    TCollectMessages& operator=(const TCollectMessages&) = delete;

private:
    TUserMessageHandler FPrevious;
};

// The read handles LoadStereoPicture keeps belong to this check's own object
// set and must be closed before it goes.
struct TReleaseLocksOnExit {
    ~TReleaseLocksOnExit() { ReleasePictureLocks(); }
};

bool PictureFilesExist(const QString& left, const QString& right, int layout, QString& missing)
{
    missing = !QFileInfo(left).isFile() ? left : (layout == 0 && !QFileInfo(right).isFile()) ? right : QString();
    return missing.isEmpty();
}

} // namespace

TWindowCheck CheckWindowOfPair(const QImage& left, const QImage& right, const TPolygonListe& outline)
{
    const TDisparityMap map = ComputeDisparityMap(left, right);
    return CheckWindow(outline, map);
}

QString WindowCheckWarning(const QString& pairName, const TWindowCheck& check)
{
    if (check.Verdict != wvVerletzt)
        return QString();
    return kResWarning.arg(pairName, WindowCheckStatusText(check));
}

TMaskWindowCheck CheckWindowOfMaskFile(const QString& maskFile)
{
    TMaskWindowCheck result;
    const QFileInfo info(maskFile);
    if (!info.isFile()) {
        result.Error = kResNoMask.arg(maskFile);
        return result;
    }
    TProgramObjects objects;
    TReleaseLocksOnExit releaseLocks;
    QStringList messages;
    TCollectMessages collect(messages);
    THistoryListe& history = *objects.HistoryListe;
    try {
        history.LoadFromFile(maskFile, false);
    } catch (const EPlenoptraError& e) {
        // The steps read before the damage stay usable.
        messages << PlainText(e.Message());
    } catch (const std::exception& e) {
        messages << QString::fromLocal8Bit(e.what());
    }
    THistoryEintrag* entry = history.CurrentEntry();
    if (!entry) {
        result.Error = kResNoStep.arg(maskFile);
        if (!messages.isEmpty())
            result.Error += QLatin1Char(' ') + messages.join(QLatin1Char(' '));
        return result;
    }
    result.Warnings = messages;

    TPolygonListe& outline = *objects.PolygonListe;
    try {
        outline.LoadFromEntry();
    } catch (const EPlenoptraError& e) {
        result.Error = kResBadOutline.arg(maskFile, PlainText(e.Message()));
        return result;
    } catch (const std::exception& e) {
        result.Error = kResBadOutline.arg(maskFile, QString::fromLocal8Bit(e.what()));
        return result;
    }

    const QString left = entry->R01().LeftFileName;
    const QString right = entry->R01().RightFileName;
    const int layout = entry->R02().InputLayout;
    if (left.isEmpty() && right.isEmpty()) {
        result.Error = kResNoPair.arg(maskFile);
        return result;
    }
    // The editor would offer a blank stand-in for a missing picture and ask
    // the user to search; a check of a blank picture would say nothing.
    QString missing;
    if (!PictureFilesExist(left, right, layout, missing)) {
        result.Error = kResMissingPicture.arg(missing);
        return result;
    }
    TBitmap leftPicture, rightPicture;
    try {
        QStringList damage;
        if (!LoadStereoPicture(leftPicture, rightPicture, left, layout, right, {}, {}, &damage)) {
            result.Error = kResMissingPicture.arg(left);
            return result;
        }
        for (const QString& name : damage)
            result.Warnings << kResDamagedPicture.arg(name);
    } catch (const EPlenoptraError& e) {
        result.Error = kResBadPicture.arg(left, PlainText(e.Message()));
        return result;
    } catch (const std::exception& e) {
        result.Error = kResBadPicture.arg(left, QString::fromLocal8Bit(e.what()));
        return result;
    }

    try {
        result.Check = CheckWindowOfPair(leftPicture.Image, rightPicture.Image, outline);
    } catch (const std::bad_alloc&) {
        result.Error = kResNoMemory;
        return result;
    } catch (const std::exception& e) {
        result.Error = kResMapFailed.arg(QString::fromLocal8Bit(e.what()));
        return result;
    }
    result.Ok = true;
    return result;
}

int RunCheckWindowCommand(const TCommandLine& commandLine, std::FILE* out, std::FILE* err)
{
    const QString option = QString::fromLatin1(kCheckWindowOption);
    if (!commandLine.Files.isEmpty()) {
        Print(err, kResExtraFiles.arg(option, commandLine.Files.join(QLatin1Char(' '))));
        return kCommandLineErrorStatus;
    }
    const TMaskWindowCheck result = CheckWindowOfMaskFile(commandLine.Options.value(option));
    for (const QString& warning : result.Warnings)
        Print(err, warning);
    if (!result.Ok) {
        Print(err, result.Error);
        return kCheckWindowErrorStatus;
    }
    for (const TWindowViolation& v : result.Check.Violations)
        Print(out, WindowViolationLine(v));
    std::fflush(out);
    return int(result.Check.Verdict);
}
