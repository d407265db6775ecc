// The pairs a batch export works on, from the command line or a list file.
#include "stereo/StereoExport.h"

#include "stereo/MpoFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 kMaxListBytes = qint64(16) << 20;

TExportPair SinglePair(const QString& file, bool* single)
{
    TExportPair pair;
    QString left, right;
    int layout = 0;
    *single = SingleFileStereoInput(file, &left, &right, &layout);
    if (*single) {
        pair.First = left;
        pair.Second = right;
        pair.Layout = layout;
        pair.NameSource = file;
    }
    return pair;
}

TExportPair TwoFiles(const QString& left, const QString& right)
{
    TExportPair pair;
    pair.First = left;
    pair.Second = right;
    pair.Layout = 0;
    pair.NameSource = left;
    return pair;
}

TExportPair Unpaired(const QString& name, const QString& problem)
{
    TExportPair pair;
    pair.First = name;
    pair.NameSource = name;
    pair.Problem = problem;
    return pair;
}

// Blank-separated words; a word that starts with a quote runs to the next
// quote.
QStringList SplitWords(const QString& line)
{
    QStringList words;
    int i = 0;
    const int n = int(line.size());
    while (i < n) {
        while (i < n && line[i].isSpace())
            ++i;
        if (i >= n)
            break;
        if (line[i] == QLatin1Char('"')) {
            const int end = int(line.indexOf(QLatin1Char('"'), i + 1));
            const int stop = end < 0 ? n : end;
            words << line.mid(i + 1, stop - i - 1);
            i = stop + 1;
        } else {
            int j = i;
            while (j < n && !line[j].isSpace())
                ++j;
            words << line.mid(i, j - i);
            i = j;
        }
    }
    return words;
}

QStringList LineNames(const QString& line, const QDir& folder)
{
    auto there = [&](const QString& name) { return QFileInfo(folder.filePath(name)).isFile(); };
    if (line.contains(QLatin1Char('\t')))
        return line.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
    if (!line.contains(QLatin1Char('"'))) {
        if (there(line))
            return {line};
        // Names with blanks and no tab: the one split at which both halves
        // are files.
        for (int at = int(line.indexOf(QLatin1Char(' '))); at > 0; at = int(line.indexOf(QLatin1Char(' '), at + 1))) {
            const QString left = line.left(at).trimmed(), right = line.mid(at + 1).trimmed();
            if (there(left) && there(right))
                return {left, right};
        }
    }
    return SplitWords(line);
}

} // namespace

std::vector<TExportPair> ExportPairsFromFiles(const QStringList& files)
{
    std::vector<TExportPair> pairs;
    for (int i = 0; i < files.size();) {
        bool single = false;
        TExportPair pair = SinglePair(files[i], &single);
        if (single) {
            pairs.push_back(pair);
            ++i;
            continue;
        }
        bool nextSingle = false;
        if (i + 1 < files.size())
            SinglePair(files[i + 1], &nextSingle);
        if (i + 1 < files.size() && !nextSingle) {
            pairs.push_back(TwoFiles(files[i], files[i + 1]));
            i += 2;
        } else {
            pairs.push_back(Unpaired(files[i], QStringLiteral("Zu \"%1\" fehlt das rechte Bild.").arg(files[i])));
            ++i;
        }
    }
    return pairs;
}

bool ExportPairsFromList(const QString& listFile, std::vector<TExportPair>* pairs, QString* error)
{
    QFile file(listFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = QStringLiteral("Die Liste \"%1\" kann nicht gelesen werden: %2.").arg(listFile, file.errorString());
        return false;
    }
    // A list of pairs is text of a few lines a pair; anything far larger is
    // no such list and is not read into memory.
    if (file.size() > kMaxListBytes) {
        if (error)
            *error = QStringLiteral("Die Liste \"%1\" ist zu groß für eine Liste von Bildpaaren.").arg(listFile);
        return false;
    }
    const QDir folder = QFileInfo(listFile).absoluteDir();
    pairs->clear();
    int number = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        ++number;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList names = LineNames(line, folder);
        for (QString& name : names)
            name = QDir::cleanPath(folder.filePath(name.trimmed()));
        bool single = false;
        TExportPair pair;
        if (names.size() == 1)
            pair = SinglePair(names[0], &single);
        if (single)
            pairs->push_back(pair);
        else if (names.size() == 2)
            pairs->push_back(TwoFiles(names[0], names[1]));
        else if (names.size() == 1)
            pairs->push_back(Unpaired(names[0], QStringLiteral("Zeile %1: zu \"%2\" fehlt das rechte Bild.")
                                                    .arg(number)
                                                    .arg(names[0])));
        else
            pairs->push_back(Unpaired(line, QStringLiteral("Zeile %1: mehr als zwei Namen.").arg(number)));
    }
    return true;
}
