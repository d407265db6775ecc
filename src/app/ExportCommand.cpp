#include "app/ExportCommand.h"

#include "app/Application.h"
#include "app/CheckWindowCommand.h"
#include "history/UserMessage.h"
#include "stereo/StereoConvert.h"
#include "stereo/Stereo_SaveDlg.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

#include <cstdio>

namespace {

QString Option(const TCommandLine& c, const char* name) { return c.Options.value(QLatin1String(name)); }
bool Has(const TCommandLine& c, const char* name) { return c.Options.contains(QLatin1String(name)); }

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// A whole number from first to last, or a message naming the option.
bool Number(const TCommandLine& c, const char* name, int first, int last, int* value, QString* error)
{
    if (!Has(c, name))
        return true;
    bool ok = false;
    const int n = Option(c, name).trimmed().toInt(&ok);
    if (!ok || n < first || n > last)
        return Fail(error, QStringLiteral("--%1 erwartet eine Zahl von %2 bis %3, nicht \"%4\".")
                               .arg(QLatin1String(name))
                               .arg(first)
                               .arg(last)
                               .arg(Option(c, name)));
    *value = n;
    return true;
}

// The message box's markup as plain lines for a terminal.
QString PlainText(const QString& markup)
{
    QString text = markup;
    text.replace(QStringLiteral("<LF>"), QStringLiteral("\n"));
    static const QRegularExpression tag(QStringLiteral("<[A-Za-z]+[0-9]*>"));
    text.remove(tag);
    return text.trimmed();
}

void PrintLine(std::FILE* stream, const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString FileList(const QStringList& files)
{
    QStringList names;
    for (const QString& file : files)
        names << QFileInfo(file).fileName();
    return names.join(QStringLiteral(", "));
}

QString ErrorText(const TExportOutcome& outcome)
{
    QString text = QStringLiteral("Fehler: ") + outcome.Error;
    if (outcome.ExistingFile)
        text += QStringLiteral(" (--overwrite ersetzt sie)");
    return text;
}

} // namespace

bool ParseExportRequest(const TCommandLine& c, TExportRequest* request, QString* error)
{
    TExportRequest r;
    r.Mask = Option(c, kOptionExport);
    if (r.Mask.trimmed().isEmpty())
        return Fail(error, QStringLiteral("--export erwartet den Namen einer Maskendatei."));
    TExportChoice& choice = r.Choice;
    choice.Mode = Has(c, kOptionMaskPictures) ? spmMaskPictures : spmMaskedStereo;
    if (!Number(c, kOptionLayout, 0, kStereoLayoutCount - 1, &choice.Layout, error) ||
        !Number(c, kOptionGap, 0, TFormSaveStereo::kMaxDistance, &choice.Gap, error) ||
        !Number(c, kOptionQuality, 1, 100, &choice.Jpeg.Quality, error))
        return false;
    if (Has(c, kOptionKind)) {
        const QString kind = Option(c, kOptionKind).trimmed().toLower();
        const int k = QStringList({QStringLiteral("c"), QStringLiteral("h"), QStringLiteral("g")}).indexOf(kind);
        if (k < 0)
            return Fail(error, QStringLiteral("--kind erwartet c (Farbe), h (Halbton) oder g (Grau), nicht \"%1\".")
                                   .arg(Option(c, kOptionKind)));
        choice.Kind = k;
    }
    if (Has(c, kOptionFormat)) {
        const QString format = Option(c, kOptionFormat).trimmed().toLower();
        if (format == QLatin1String("jpg") || format == QLatin1String("jpeg"))
            choice.FileType = sftJpeg;
        else if (format == QLatin1String("bmp"))
            choice.FileType = sftBmp;
        else
            return Fail(error, QStringLiteral("--format erwartet jpg oder bmp, nicht \"%1\".").arg(Option(c, kOptionFormat)));
    }
    choice.Jpeg.Progressive = Has(c, kOptionProgressive);
    choice.Overwrite = Has(c, kOptionOverwrite);
    // The dialog offers no gap for the mask pictures.
    if (choice.Mode == spmMaskPictures && Has(c, kOptionGap))
        return Fail(error, QStringLiteral("--gap gilt nicht für --mask-pictures: die Maskenbilder haben keinen Abstand."));
    if (choice.FileType == sftBmp && (Has(c, kOptionQuality) || Has(c, kOptionProgressive)))
        return Fail(error, QStringLiteral("--quality und --progressive gelten nur für JPEG-Dateien."));

    r.Out = Option(c, kOptionOut);
    r.PairsFrom = Option(c, kOptionPairsFrom);
    r.Batch = Has(c, kOptionPairs) || Has(c, kOptionPairsFrom);
    r.PairFiles = c.Files;
    r.WindowCheck = !Has(c, kOptionNoWindowCheck);
    if (!r.Batch && !r.PairFiles.isEmpty())
        return Fail(error, QStringLiteral("Bilddateien nach --export gehören zu --pairs: \"%1\".").arg(r.PairFiles.first()));
    if (Has(c, kOptionPairs) && r.PairFiles.isEmpty())
        return Fail(error, QStringLiteral("--pairs erwartet Bilddateien (linkes und rechtes Bild je Paar)."));
    if (Has(c, kOptionPairsFrom) && r.PairsFrom.trimmed().isEmpty())
        return Fail(error, QStringLiteral("--pairs-from erwartet den Namen einer Liste."));
    if (r.Batch && !r.Out.isEmpty() && QFileInfo::exists(r.Out) && !QFileInfo(r.Out).isDir())
        return Fail(error, QStringLiteral("--out muss mit --pairs ein Ordner sein: \"%1\" ist eine Datei.").arg(r.Out));
    *request = r;
    return true;
}

bool IsExportCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine commandLine = ParseCommandLine(arguments, QString());
    return commandLine.Outcome == TCommandLine::clRun && commandLine.Options.contains(QLatin1String(kOptionExport));
}

int RunExport(const TExportRequest& request, const std::function<void(const QString&)>& out,
              const std::function<void(const QString&)>& err)
{
    TExportMask mask;
    QString error;
    if (!LoadExportMask(request.Mask, &mask, &error)) {
        err(error);
        return kExportFailedStatus;
    }
    out(QStringLiteral("Maske %1, Schritt %2 von %3").arg(request.Mask).arg(mask.Step + 1).arg(mask.Steps));
    const TExportChoice& choice = request.Choice;

    if (!request.Batch) {
        TExportPair pair;
        pair.First = mask.Left;
        pair.Second = mask.Right;
        pair.Layout = mask.InputLayout;
        pair.NameSource = request.Mask;
        // The dialog proposes the names from the mask's name, or from what
        // "Durchsuchen..." picked; a folder keeps the proposed file names.
        TSaveNames names;
        const bool folder = QFileInfo(request.Out).isDir() || request.Out.endsWith(QLatin1Char('/'));
        if (request.Out.isEmpty()) {
            names = ExportNames(request.Mask, QString(), choice);
        } else if (folder) {
            if (!QDir().mkpath(request.Out)) {
                err(QStringLiteral("Der Ordner \"%1\" kann nicht angelegt werden.").arg(request.Out));
                return kExportFailedStatus;
            }
            names = ExportNames(request.Mask, request.Out, choice);
        } else {
            names = ExportNames(request.Out, QString(), choice);
        }
        const TExportOutcome outcome = ExportPair(mask, pair, choice, names);
        for (const QString& note : outcome.Notes)
            out(QStringLiteral("    ") + note);
        for (const QString& file : outcome.Written)
            out(QStringLiteral("geschrieben: ") + file);
        if (!outcome.Ok) {
            err(ErrorText(outcome));
            return kExportFailedStatus;
        }
        return 0;
    }

    std::vector<TExportPair> pairs = ExportPairsFromFiles(request.PairFiles);
    if (!request.PairsFrom.isEmpty()) {
        std::vector<TExportPair> listed;
        if (!ExportPairsFromList(request.PairsFrom, &listed, &error)) {
            err(error);
            return kExportFailedStatus;
        }
        pairs.insert(pairs.end(), listed.begin(), listed.end());
    }
    if (pairs.empty()) {
        err(QStringLiteral("Die Liste nennt kein Bildpaar."));
        return kExportFailedStatus;
    }
    if (!request.Out.isEmpty() && !QDir().mkpath(request.Out)) {
        err(QStringLiteral("Der Ordner \"%1\" kann nicht angelegt werden.").arg(request.Out));
        return kExportFailedStatus;
    }
    if (!mask.PairSize.isValid())
        out(QStringLiteral("Hinweis: Die Bilder der Maske (%1) sind nicht lesbar; der Umriss wird keinem Paar "
                           "angepasst.")
                .arg(mask.Left));
    std::vector<TSaveNames> names;
    for (const TExportPair& pair : pairs)
        names.push_back(ExportNames(pair.NameSource, request.Out, choice));
    // The pair's own window check: a warning, never a failure of the pair.
    TPairCheck check;
    if (request.WindowCheck)
        check = [](const QString& pairName, const TPolygonListe& outline, const TBitmap& left, const TBitmap& right) {
            try {
                const QString warning = WindowCheckWarning(pairName, CheckWindowOfPair(left.Image, right.Image, outline));
                return warning.isEmpty() ? QStringList() : QStringList(warning);
            } catch (const std::exception&) {
                return QStringList(QStringLiteral("Hinweis: %1: Scheinfenster nicht geprüft (zu wenig Speicher).")
                                       .arg(pairName));
            }
        };
    const int failed = ExportPairs(mask, pairs, names, choice,
                                   [&](int done, int total, int index, const TExportOutcome& outcome) {
                                       const QString head = QStringLiteral("[%1/%2] %3 ... ")
                                                                .arg(done)
                                                                .arg(total)
                                                                .arg(QFileInfo(pairs[size_t(index)].NameSource).fileName());
                                       if (outcome.Ok)
                                           out(head + FileList(outcome.Written));
                                       else
                                           err(head + ErrorText(outcome));
                                       for (const QString& note : outcome.Notes)
                                           out(QStringLiteral("    ") + note);
                                   },
                                   0, check);
    const int total = int(pairs.size());
    if (failed > 0) {
        err(QStringLiteral("%1 von %2 Paaren geschrieben, %3 fehlgeschlagen.").arg(total - failed).arg(total).arg(failed));
        return kExportFailedStatus;
    }
    out(QStringLiteral("%1 von %1 Paaren geschrieben.").arg(total));
    return 0;
}

int RunExportProgram(int argc, char** argv)
{
    // The composition only paints into pictures; the offscreen platform gives
    // it what it needs of a GUI application without any display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ConfigureApplication();
    InstallQtTranslations(&application);
    const TCommandLine commandLine =
        ParseCommandLine(QCoreApplication::arguments(), QCoreApplication::applicationVersion());
    const QString program = QFileInfo(QCoreApplication::arguments().value(0)).fileName();
    TExportRequest request;
    QString error;
    if (!ParseExportRequest(commandLine, &request, &error)) {
        PrintLine(stderr, program + QStringLiteral(": ") + error);
        PrintLine(stderr, program + QStringLiteral(" --help zeigt, was die Kommandozeile kennt."));
        return kCommandLineErrorStatus;
    }
    // What the editor shows in its message box (a mask file it cannot read)
    // goes to the terminal; nobody is there to answer.
    const TUserMessageHandler previous = SetUserMessageHandler([](const QString& text, int, unsigned buttons) {
        PrintLine(stderr, PlainText(text));
        return (buttons & dbOK) ? int(mrOk) : int(mrCancel);
    });
    const int status = RunExport(
        request, [](const QString& line) { PrintLine(stdout, line); },
        [](const QString& line) { PrintLine(stderr, line); });
    SetUserMessageHandler(previous);
    return status;
}
