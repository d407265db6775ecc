// The export from the command line: eight pairs of 2 x 24 megapixels in
// layout 1, JPEG quality 96, once as eight single exports one after another
// and once as one batch, with processor time, the peak memory of the program
// and the machine's load around each run; then a batch of twice as many
// pairs, whose peak memory must stay where it was.
#include "BenchExport.h"

#include "BenchSupport.h"

#include "history/History.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"
#include "stereo/JpegFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct TChildRun {
    double wallMs = -1;
    double cpuMs = 0; // user + system of the program and its threads
    long peakMb = 0; // resident high-water mark of the program itself
};

long HighWaterKb(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The child's own high-water mark is read from /proc while it runs: the
// figure the kernel keeps for children also counts what this (large) process
// had resident when it forked.
TChildRun RunChild(const std::vector<std::string>& args)
{
    TChildRun run;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    long peakKb = 0;
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        peakKb = std::max(peakKb, HighWaterKb(pid));
        usleep(10000);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return run;
    run.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.peakMb = peakKb / 1024;
    return run;
}

QString LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().split(' ').mid(0, 3).join(' '))
                                          : QStringLiteral("?");
}

QByteArray Bytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The mask: a ring with decoration on the first pair.
void WriteMask(const QString& mask, const QString& left, const QString& right, int w, int h)
{
    TProgramObjects objects;
    AddRing(*objects.PolygonListe, w, h, 30);
    objects.PolygonListe->SaveToCurrent();
    TDesktopData settings;
    settings.DecorUse = 1;
    settings.SaveToHistoryCurrent();
    THistoryListe& history = *objects.HistoryListe;
    history.Current().R01().LeftFileName = left;
    history.Current().R01().RightFileName = right;
    history.Add(QStringLiteral("Punkt"));
    history.SaveToFile(mask, false);
}

void Report(const char* what, const TChildRun& run, const QString& loadBefore)
{
    std::printf("  %-46s %8.0f ms wall, %8.0f ms processor, peak %5ld MB  (load before %s, after %s)\n", what,
                run.wallMs, run.cpuMs, run.peakMb, qPrintable(loadBefore), qPrintable(LoadAverage()));
}

} // namespace

void BenchExport(const char* program, int w, int h, int pairs, const QString& dir)
{
    std::printf("\nExport from the command line: %d pairs of 2 x %d x %d, layout 1, JPEG quality 96\n", pairs, w, h);
    QStringList files;
    TJpegOptions options;
    options.Quality = 92;
    for (int i = 0; i < pairs; ++i) {
        for (int side = 0; side < 2; ++side) {
            const QString name = QDir(dir).filePath(QStringLiteral("Serie%1_%2.jpg").arg(i).arg(side ? 'R' : 'L'));
            QByteArray data;
            EncodeJpeg(MakeEye(w, h, side * 24 + i * 5), options, &data);
            WriteBytes(data, name);
            files << name;
        }
    }
    const QString mask = QDir(dir).filePath(QStringLiteral("Serie_Plenoptrum.Plenoptrum"));
    WriteMask(mask, files[0], files[1], w, h);
    auto command = [&](const QString& out, bool check = true) {
        std::vector<std::string> args{program, "--export", mask.toStdString(), "--layout", "1", "--quality", "96",
                                      "--out",  out.toStdString()};
        if (!check)
            args.push_back("--no-window-check");
        args.push_back("--pairs");
        return args;
    };

    // The window check adds a disparity map per pair, which the matcher
    // spreads over both cores by itself; so the batch's own gain shows
    // without it, and what a user waits for by default with it.
    auto compare = [&](bool check) {
        std::printf(check ? " with the window check (the default):\n"
                          : " the export alone (--no-window-check):\n");
        const QString tag = check ? QStringLiteral("mit") : QStringLiteral("ohne");
        const QString single = QDir(dir).filePath(QStringLiteral("einzeln_") + tag);
        QDir().mkpath(single);
        TChildRun singles;
        singles.wallMs = 0;
        QString load = LoadAverage();
        for (int i = 0; i < pairs; ++i) {
            std::vector<std::string> args = command(single, check);
            args.push_back(files[2 * i].toStdString());
            args.push_back(files[2 * i + 1].toStdString());
            const TChildRun run = RunChild(args);
            if (run.wallMs < 0) {
                std::printf("  the single export of pair %d failed\n", i);
                return false;
            }
            singles.wallMs += run.wallMs;
            singles.cpuMs += run.cpuMs;
            singles.peakMb = std::max(singles.peakMb, run.peakMb);
        }
        Report("single exports one after another", singles, load);

        const QString batch = QDir(dir).filePath(QStringLiteral("stapel_") + tag);
        std::vector<std::string> args = command(batch, check);
        for (const QString& file : files)
            args.push_back(file.toStdString());
        load = LoadAverage();
        const TChildRun together = RunChild(args);
        if (together.wallMs < 0) {
            std::printf("  the batch export failed\n");
            return false;
        }
        Report("one batch", together, load);
        bool same = true;
        for (int i = 0; i < pairs; ++i) {
            const QString name = QStringLiteral("Serie%1_MaskStereoBild_LR.jpg").arg(i);
            same = same && Bytes(QDir(single).filePath(name)) == Bytes(QDir(batch).filePath(name));
        }
        std::printf("  speed-up of the batch: %.2f x wall (limit 1.7 on 2 cores); files %s\n",
                    singles.wallMs / together.wallMs, same ? "equal byte for byte" : "DIFFER");
        return true;
    };
    if (!compare(false) || !compare(true))
        return;

    // Twice as many pairs (the same files under further names): the peak
    // memory depends on the pairs in flight, not on their number.
    QStringList doubled = files;
    for (int i = 0; i < pairs; ++i)
        for (int side = 0; side < 2; ++side) {
            const QString link = QDir(dir).filePath(QStringLiteral("Kopie%1_%2.jpg").arg(i).arg(side ? 'R' : 'L'));
            QFile::link(files[2 * i + side], link);
            doubled << link;
        }
    std::vector<std::string> args = command(QDir(dir).filePath(QStringLiteral("doppelt")));
    for (const QString& file : doubled)
        args.push_back(file.toStdString());
    const QString load = LoadAverage();
    const TChildRun twice = RunChild(args);
    char what[64];
    std::snprintf(what, sizeof(what), "one batch of %d pairs", 2 * pairs);
    Report(what, twice, load);
}
