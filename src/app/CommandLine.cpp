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
};

// The one place that defines the options.
const TOptionDef kOptions[] = {
    {"h", "help", "Zeigt diese Hilfe an und beendet das Programm.", nullptr},
    {"v", "version", "Zeigt die Version des Programms an und beendet es.", nullptr},
    {"", kCheckWindowOption, "Pr\xC3\xBC" "ft das Scheinfenster der Maskendatei ohne Oberfl\xC3\xA4" "che: eine Zeile je Verletzung (Rand, von-x, von-y, bis-x, bis-y, \xC3\x9C" "berstand in Pixeln). R\xC3\xBC" "ckgabe 0 frei, 1 verletzt, 2 nicht beurteilbar, 3 Datei nicht lesbar.", "Maskendatei"},
};

const char* const kDescription = "Plenoptra \xE2\x80\x93 Stereofenster f\xC3\xBC" "r Stereofotos";
const char* const kFilesName = "Dateien";
const char* const kFilesSyntax = "[Maskendatei | Bild [rechtes Bild]]";
const char* const kFilesDescription =
    "Eine Maskendatei (.Plenoptrum) wird mit ihrem ganzen Bearbeitungsverlauf ge\xC3\xB6" "ffnet. "
    "Ein Bild \xC3\xB6" "ffnet den Dialog \xE2\x80\x9E\xC3\x96" "ffne Stereobild\xE2\x80\x9C mit dem Bild in "
    "Kreuzblick-Anordnung, zwei Bilder \xC3\xB6" "ffnen ihn mit linkem und rechtem Bild. "
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
    if (result.Options.contains(QStringLiteral("help"))) {
        result.Outcome = TCommandLine::clHelp;
        result.Text = parser.helpText();
    } else if (result.Options.contains(QStringLiteral("version"))) {
        result.Outcome = TCommandLine::clVersion;
        result.Text = QStringLiteral("Plenoptra ") + version + QLatin1Char('\n');
    }
    return result;
}
