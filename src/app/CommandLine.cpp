#include "app/CommandLine.h"

#include "app/CheckWindowCommand.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <vector>

namespace {

struct TOptionDef {
    const char* Short; // empty: long name only
    const char* Long;
    const char* Description;
    const char* ValueName; // null: a flag
    bool ExportOnly = false; // meaningful only together with --export
};

// The one place that defines the options.
const TOptionDef kOptions[] = {
    {"h", "help", "Zeigt diese Hilfe an und beendet das Programm.", nullptr},
    {"v", "version", "Zeigt die Version des Programms an und beendet es.", nullptr},
    {"", kCheckWindowOption, "Pr\xC3\xBC" "ft das Scheinfenster der Maskendatei ohne Oberfl\xC3\xA4" "che: eine Zeile je Verletzung (Rand, von-x, von-y, bis-x, bis-y, \xC3\x9C" "berstand in Pixeln). R\xC3\xBC" "ckgabe 0 frei, 1 verletzt, 2 nicht beurteilbar, 3 Datei nicht lesbar.", "Maskendatei"},
    {"", kOptionExport,
     "Schreibt ohne Fenster das maskierte Stereobild des aktuellen Schritts der Maskendatei, wie "
     "\xE2\x80\x9EMaskiertes Stereobild speichern...\xE2\x80\x9C es schreibt (die Maskendatei bleibt unver\xC3\xA4ndert).",
     "Maskendatei"},
    {"", kOptionLayout,
     "Ausgabeformat: 0 getrennte Einzelbilder, 1 Parallelblick, 2 Kreuzblick, 3 KMQ, 4 Anaglyph rot/cyan, "
     "5 gelb/blau, 6 rot/blau, 7 rot/gr\xC3\xBCn (Vorgabe 0).",
     "0..7", true},
    {"", kOptionKind, "Art der Anaglyphe: c Farbe, h Halbton, g Grau (Vorgabe c; 6 und 7 immer Grau).", "c|h|g", true},
    {"", kOptionGap, "Abstand zwischen den Bildern in Pixeln, Formate 1 bis 3 (Vorgabe 0).", "Pixel", true},
    {"", kOptionFormat, "Dateityp jpg oder bmp (Vorgabe jpg).", "jpg|bmp", true},
    {"", kOptionQuality, "JPEG-Bildqualit\xC3\xA4t 1 bis 100 (Vorgabe 96).", "1..100", true},
    {"", kOptionProgressive, "Progressive JPEG-Kodierung statt Standard-Kodierung.", nullptr, true},
    {"", kOptionOut,
     "Basisname der Bilddateien wie bei \xE2\x80\x9E" "Durchsuchen...\xE2\x80\x9C (Vorgabe: der Name der Maskendatei); "
     "ein Ordner nimmt die Bilder mit ihren vorgeschlagenen Namen auf (mit --pairs immer ein Ordner).",
     "Name", true},
    {"", kOptionMaskPictures, "Schreibt die beiden Maskenbilder statt des maskierten Stereobildes.", nullptr, true},
    {"", kOptionOverwrite, "Ersetzt vorhandene Bilddateien; sonst wird ein solches Paar nicht geschrieben.", nullptr,
     true},
    {"", kOptionPairs,
     "Legt das Fenster der Maske auf die Bildpaare der Dateien: je ein linkes und ein rechtes Bild, oder eine "
     "MPO-Datei einer Stereokamera bzw. ein JPS-Bild allein.",
     nullptr, true},
    {"", kOptionPairsFrom,
     "Wie --pairs, die Paare aus einer Textdatei, ein Paar je Zeile (Namen durch Tabulator oder Leerzeichen "
     "getrennt, relativ zum Ordner der Liste).",
     "Liste", true},
    {"", kOptionNoWindowCheck,
     "Ohne Pr\xC3\xBC" "fung des Scheinfensters: sonst warnt die Ausgabe mit --pairs bei jedem Paar, dessen "
     "Fenster die Szene anschneidet.",
     nullptr, true},
};

const char* const kDescription = "Plenoptra \xE2\x80\x93 Stereofenster f\xC3\xBC" "r Stereofotos";
const char* const kFilesName = "Dateien";
const char* const kFilesSyntax = "[Maskendatei | Bild [rechtes Bild]]";
const char* const kFilesDescription =
    "Eine Maskendatei (.Plenoptrum) wird mit ihrem ganzen Bearbeitungsverlauf ge\xC3\xB6" "ffnet. "
    "Ein Bild \xC3\xB6" "ffnet den Dialog \xE2\x80\x9E\xC3\x96" "ffne Stereobild\xE2\x80\x9C mit dem Bild in "
    "Kreuzblick-Anordnung, zwei Bilder \xC3\xB6" "ffnen ihn mit linkem und rechtem Bild, eine MPO-Datei einer "
    "Stereokamera mit ihrem linken und rechten Bild. "
    "Ohne Datei wird der letzte Arbeitsstand wiederhergestellt.";

QCommandLineOption MakeOption(const TOptionDef& def)
{
    QStringList names;
    if (*def.Short)
        names << QString::fromLatin1(def.Short);
    names << QString::fromLatin1(def.Long);
    if (def.ValueName)
        return QCommandLineOption(names, QString::fromUtf8(def.Description), QString::fromUtf8(def.ValueName));
    return QCommandLineOption(names, QString::fromUtf8(def.Description));
}

} // namespace

TCommandLine ParseCommandLine(const QStringList& arguments, const QString& version)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    std::vector<QCommandLineOption> options;
    for (const TOptionDef& def : kOptions) {
        options.push_back(MakeOption(def));
        parser.addOption(options.back());
    }
    parser.addPositionalArgument(QString::fromUtf8(kFilesName), QString::fromUtf8(kFilesDescription),
                                 QString::fromUtf8(kFilesSyntax));

    TCommandLine result;
    const QString program = QFileInfo(arguments.value(0)).fileName();
    if (!parser.parse(arguments)) {
        result.Outcome = TCommandLine::clError;
        result.Text = program + QStringLiteral(": ") + parser.errorText() + QLatin1Char('\n') + program +
                      QStringLiteral(" --help zeigt, was die Kommandozeile kennt.\n");
        return result;
    }
    for (size_t i = 0; i < options.size(); ++i)
        if (parser.isSet(options[i]))
            result.Options.insert(QString::fromLatin1(kOptions[i].Long),
                                  kOptions[i].ValueName ? parser.value(options[i]) : QString());
    result.Files = parser.positionalArguments();
    if (!result.Options.contains(QLatin1String(kOptionExport))) {
        for (const TOptionDef& def : kOptions) {
            if (def.ExportOnly && result.Options.contains(QLatin1String(def.Long))) {
                result.Outcome = TCommandLine::clError;
                result.Text = program + QStringLiteral(": --") + QLatin1String(def.Long) +
                              QStringLiteral(" gilt nur zusammen mit --export.\n");
                return result;
            }
        }
    }
    if (result.Options.contains(QStringLiteral("help"))) {
        result.Outcome = TCommandLine::clHelp;
        result.Text = parser.helpText();
    } else if (result.Options.contains(QStringLiteral("version"))) {
        result.Outcome = TCommandLine::clVersion;
        result.Text = QStringLiteral("Plenoptra ") + version + QLatin1Char('\n');
    }
    return result;
}
