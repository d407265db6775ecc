// The open path of the benchmark, through the real windows and controller:
// "OK" in the open dialog until the composed pair is painted, the dialog's
// preview from its timer's tick until it is painted, and view switches until
// the view is painted. First opens and previews run in fresh processes, as a
// user meets them after starting the program.
#include "BenchOpen.h"

#include "BenchSupport.h"

#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/UserMessage.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"
#include "stereo/BmpFile.h"
#include "stereo/JpegFile.h"
#include "stereo/PictureBuffers.h"
#include "stereo/StereoBitmap.h"
#include "stereo/Stereo_OpenDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kEyeWidth = 6000;
constexpr int kEyeHeight = 4000;
// The generated eyes coded at this quality come out at about 7.8 MB, the
// size of a camera's 24-megapixel JPEG.
constexpr int kJpegQuality = 91;

// ---------------------------------------------------------------------------
// Measuring

struct TSample {
    double wallMs = 0;
    double cpuMs = 0; // all threads of the process
    double faults = 0; // minor page faults: fresh memory, whatever the load
    double freshMb = 0; // large pictures that found no memory to reuse
};

struct TMark {
    Clock::time_point wall;
    double cpu;
    long faults;
    size_t fresh;
};

TMark Now()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const double cpu = (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    return TMark{Clock::now(), cpu, u.ru_minflt, PictureBufferStatistics().FreshBytes};
}

TSample Since(const TMark& start)
{
    const TMark end = Now();
    return TSample{std::chrono::duration<double, std::milli>(end.wall - start.wall).count(), end.cpu - start.cpu,
                   double(end.faults - start.faults), double(end.fresh - start.fresh) / (1 << 20)};
}

// The process's own resident high-water mark (not the parent's at fork).
long OwnPeakMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024;
    return -1;
}

double LoadAverage()
{
    double load[1] = {-1};
    getloadavg(load, 1);
    return load[0];
}

// The yardstick: a memcpy of one eye between two buffers that are already
// resident, so it measures the memory and the load, not fresh pages.
double MemcpyMs(int runs)
{
    const size_t bytes = size_t(kEyeWidth) * kEyeHeight * 4;
    std::vector<char> from(bytes, 1), to(bytes, 2);
    return TimeMs(std::max(runs, 5), [&] { std::memcpy(to.data(), from.data(), bytes); });
}

// ---------------------------------------------------------------------------
// The pair on disk

QString PairFile(const QString& dir, const char* name) { return QDir(dir).filePath(QString::fromLatin1(name)); }

// Photograph-like grain on top of the smooth eye, so the coder produces a
// camera's file size and the decoder a camera's amount of work.
void AddGrain(QImage& image)
{
    ForRowBands(image.height(), qint64(image.width()) * image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            quint32 seed = quint32(y + 7) * 747796405u;
            for (int x = 0; x < image.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int n = int((seed >> 24) & 0x1F) - 16;
                line[x] = qRgb(std::clamp(qRed(line[x]) + n, 0, 255), std::clamp(qGreen(line[x]) + n / 2, 0, 255),
                               std::clamp(qBlue(line[x]) - n, 0, 255));
            }
        }
    });
}

bool EnsurePair(const QString& dir)
{
    const char* names[] = {"left.jpg", "right.jpg", "left.bmp", "right.bmp"};
    if (std::all_of(std::begin(names), std::end(names), [&](const char* n) { return QFileInfo::exists(PairFile(dir, n)); }))
        return true;
    for (int eye = 0; eye < 2; ++eye) {
        QImage image = MakeEye(kEyeWidth, kEyeHeight, eye * 24);
        AddGrain(image);
        QString error;
        if (!SaveJpegFile(image, PairFile(dir, eye ? "right.jpg" : "left.jpg"), TJpegOptions{kJpegQuality, false}, &error)
            || !SaveBmpFile(image, PairFile(dir, eye ? "right.bmp" : "left.bmp"), &error)) {
            std::fprintf(stderr, "cannot write the pair: %s\n", qPrintable(error));
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// The program as the user runs it

// Counts the paint events of a widget that show what counts, and remembers
// a stamp of what the last one showed.
class TPaintWatch : public QObject {
public:
    std::function<bool()> Counts;
    std::function<qint64()> Stamp;
    int Seen = 0;
    qint64 LastStamp = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && (!Counts || Counts())) {
            ++Seen;
            if (Stamp)
                LastStamp = Stamp();
        }
        return false;
    }
};

// Notes when a timer ticks, before its slots run.
class TTickWatch : public QObject {
public:
    bool Ticked = false;
    TMark At{};

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Timer && !Ticked) {
            Ticked = true;
            At = Now();
        }
        return false;
    }
};

// Turns the event loop until done() holds; a paint is finished and flushed
// once the turn that delivered it has returned.
void RunUntil(const std::function<bool()>& done)
{
    QTimer wake;
    wake.start(20);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void Settle(int ms)
{
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    QTimer wake;
    wake.start(10);
    while (Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

struct TRig {
    TProgramObjects objects;
    TFormMain form;
    TDM dm;
    TFormOpenStereo dialog{&form};
    TPaintWatch viewPaints, previewPaints;
    int messages = 0;
    TUserMessageHandler previousHandler;

    explicit TRig(const QString& dir)
    {
        qputenv("PLENOPTRA_DATA_FILE", QDir(dir).filePath("bench.DAT").toUtf8());
        previousHandler = SetUserMessageHandler([this](const QString& text, int, unsigned) {
            ++messages;
            std::fprintf(stderr, "message box: %s\n", qPrintable(text));
            return int(mrNo);
        });
        dm.ShowOpenStereoDialog = [this] { return dialog.Execute(); };
        dm.GetOpenStereoDialogState = [this](QString& left, QString& right, quint8& layout) {
            left = dialog.GetLeftFileName();
            right = dialog.GetRightFileName();
            layout = quint8(dialog.GetLayout());
        };
        dm.SetOpenStereoDialogState = [this](const QString& left, const QString& right, quint8 layout) {
            dialog.SetLayout(layout);
            dialog.SetLeftFileName(left);
            dialog.SetRightFileName(right);
        };
        form.ConnectController(&dm);
        form.resize(1280, 900);
        form.show();
        RunUntil([this] { return form.windowHandle() && form.windowHandle()->isExposed(); });
        Settle(50); // the deferred start
        // A masked view with frames: the composition has real work to do.
        dm.Settings->DecorUse = 1;
        AddRing(*PolygonListe(), kEyeWidth, kEyeHeight, 30);
        viewPaints.Counts = [this] { return !dm.Busy && (!dm.ViewLeftHalf.Empty() || !dm.ViewAnaglyph.Empty()); };
        form.ClientArea()->installEventFilter(&viewPaints);
        previewPaints.Stamp = [this] { return dialog.ShownPreview().cacheKey(); };
        dialog.ImagePreview->installEventFilter(&previewPaints);
    }
    ~TRig() { SetUserMessageHandler(previousHandler); }

    // "Öffne Stereobild ..." with the pair preset; "OK" is pressed as soon as
    // the dialog's new preview is on screen, the earliest a user can react.
    // Measures from "OK" until the composed pair is painted.
    TSample Open(const QString& left, const QString& right)
    {
        dm.SetOpenStereoDialogState(left, right, 0);
        const qint64 oldPreview = dialog.ShownPreview().cacheKey();
        int viewPaintsAtOk = -1;
        TMark ok{};
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (viewPaintsAtOk >= 0 || !dialog.isVisible())
                return;
            if (!dialog.ShownPreview().isNull() && previewPaints.LastStamp != oldPreview) {
                viewPaintsAtOk = viewPaints.Seen;
                ok = Now();
                dialog.BitBtnOk->click();
            }
        });
        poll.start(2);
        dm.ActionOpenLinksRechtsExecute();
        poll.stop();
        if (viewPaintsAtOk < 0)
            return TSample{-1, -1, -1, -1};
        RunUntil([&] { return viewPaints.Seen > viewPaintsAtOk; });
        return Since(ok);
    }

    // "OK" without the dialog ever being on screen, so nothing was prepared
    // while the user looked at it: the open as it costs without a head start.
    TSample OpenCold(const QString& left, const QString& right)
    {
        dm.SetOpenStereoDialogState(left, right, 0);
        const auto show = dm.ShowOpenStereoDialog;
        dm.ShowOpenStereoDialog = [] { return true; };
        const int paints = viewPaints.Seen;
        const TMark ok = Now();
        dm.ActionOpenLinksRechtsExecute();
        RunUntil([&] { return viewPaints.Seen > paints; });
        const TSample sample = Since(ok);
        dm.ShowOpenStereoDialog = show;
        return sample;
    }

    // The dialog shown on its own with the pair, as the command line shows
    // it: its timer ticks by itself; from the tick until the preview is
    // painted.
    TSample ShowDialogWith(const QString& left, const QString& right)
    {
        dm.SetOpenStereoDialogState(left, right, 0);
        TTickWatch tick;
        dialog.TimerStartPreview->installEventFilter(&tick);
        dialog.show();
        RunUntil([&] { return !dialog.ShownPreview().isNull() && previewPaints.LastStamp != 0; });
        dialog.TimerStartPreview->removeEventFilter(&tick);
        return tick.Ticked ? Since(tick.At) : TSample{-1, -1, -1, -1};
    }

    // The timer's tick, called at once, until the new preview is painted.
    TSample Preview()
    {
        const qint64 oldPreview = dialog.ShownPreview().cacheKey();
        const TMark start = Now();
        dialog.TimerStartPreviewTimer();
        RunUntil([&] { return !dialog.ShownPreview().isNull() && previewPaints.LastStamp != oldPreview; });
        return Since(start);
    }

    // One view action as the user clicks it, until the view is painted.
    TSample Trigger(QAction* action)
    {
        const int paints = viewPaints.Seen;
        const TMark start = Now();
        action->trigger();
        RunUntil([&] { return viewPaints.Seen > paints; });
        return Since(start);
    }
};

void PrintResult(const char* name, const TSample& s)
{
    std::printf("RESULT %s %.3f %.3f %.0f %.1f\n", name, s.wallMs, s.cpuMs, s.faults, s.freshMb);
}

// ---------------------------------------------------------------------------
// The parent's side: children, collection and printout

using TResults = QMap<QString, std::vector<TSample>>;

// Runs this program as a child and collects its RESULT lines; peak memory
// goes into peakMb.
bool RunChild(const char* self, const QString& what, int runs, const QString& dir, TResults& results, long* peakMb)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QString::fromLocal8Bit(self), {QStringLiteral("--child"), what, QString::number(runs), dir});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::printf("  (child %s failed)\n", qPrintable(what));
        return false;
    }
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 3 && parts[0] == "PEAK" && peakMb)
            *peakMb = std::max(*peakMb, parts[2].toLong());
        if (parts.size() == 6 && parts[0] == "RESULT")
            results[QString::fromLatin1(parts[1])].push_back(
                TSample{parts[2].toDouble(), parts[3].toDouble(), parts[4].toDouble(), parts[5].toDouble()});
    }
    return true;
}

TSample MedianOf(const std::vector<TSample>& samples)
{
    std::vector<double> wall, cpu, faults, fresh;
    for (const TSample& s : samples) {
        wall.push_back(s.wallMs);
        cpu.push_back(s.cpuMs);
        faults.push_back(s.faults);
        fresh.push_back(s.freshMb);
    }
    return TSample{Median(wall), Median(cpu), Median(faults), Median(fresh)};
}

void PrintFigure(const char* what, const std::vector<TSample>& samples, const char* limit)
{
    if (samples.empty()) {
        std::printf("  %-42s (no samples)\n", what);
        return;
    }
    const TSample m = MedianOf(samples);
    double worst = 0;
    for (const TSample& s : samples)
        worst = std::max(worst, s.wallMs);
    std::printf("  %-42s %7.1f ms  processor %6.1f ms  faults %6.0f  fresh %4.0f MB  (slowest %.1f, n=%zu) %s\n",
                what, m.wallMs, m.cpuMs, m.faults, m.freshMb, worst, samples.size(), limit);
}

void PrintConditions(int runs)
{
    std::printf("  %-42s %7.1f ms  (load average %.2f)\n", "yardstick: memcpy of one eye (96 MB)", MemcpyMs(runs),
                LoadAverage());
}

} // namespace

int RunOpenChild(const QString& what, int runs, const QString& dir)
{
    TRig rig(dir);
    const QString leftJpg = PairFile(dir, "left.jpg"), rightJpg = PairFile(dir, "right.jpg");
    const QString leftBmp = PairFile(dir, "left.bmp"), rightBmp = PairFile(dir, "right.bmp");
    const bool bmp = what.endsWith(QLatin1String("bmp"));
    const QString left = bmp ? leftBmp : leftJpg, right = bmp ? rightBmp : rightJpg;
    if (what.startsWith(QLatin1String("cold"))) {
        PrintResult("open-cold", rig.OpenCold(left, right));
    } else if (what.startsWith(QLatin1String("open"))) {
        PrintResult("open-first", rig.Open(left, right));
        std::printf("PEAK first %ld\n", OwnPeakMb());
        for (int i = 0; i < runs; ++i) {
            Settle(200);
            PrintResult("open-again", rig.Open(left, right));
        }
        std::printf("PEAK again %ld\n", OwnPeakMb());
    } else if (what.startsWith(QLatin1String("preview"))) {
        PrintResult("preview-first", rig.ShowDialogWith(left, right));
        for (int i = 0; i < runs; ++i) {
            Settle(100);
            PrintResult("preview-again", rig.Preview());
        }
        rig.dialog.hide();
    } else if (what == QLatin1String("switch")) {
        rig.Open(leftJpg, rightJpg);
        Settle(300);
        TDM& dm = rig.dm;
        const std::pair<QAction*, const char*> steps[] = {
            {dm.ActionParallel, "switch-parallel"},
            {dm.ActionKreuz, "switch-cross"},
            {dm.ActionAnaglyphe_Halb, "switch-halftone"},
            {dm.ActionAnaglyphe_Farb, "switch-colour"},
            {dm.ActionAnaglyphe_sw, "switch-grey"},
            {dm.ActionKreuz, "switch-cross"},
            {dm.ActionTransparenteMaske, "switch-transparent"},
            {dm.ActionTransparenteMaske, "switch-transparent"},
            {dm.ActionGitter, "switch-grid"},
            {dm.ActionGitter, "switch-grid"},
        };
        for (int i = 0; i < runs; ++i)
            for (const auto& [action, name] : steps) {
                Settle(50);
                PrintResult(name, rig.Trigger(action));
            }
        std::printf("PEAK switch %ld\n", OwnPeakMb());
    } else {
        return 2;
    }
    return rig.messages == 0 ? 0 : 1;
}

int BenchOpen(const char* self, int runs, const QString& dir)
{
    if (!EnsurePair(dir))
        return 1;
    std::printf("\nOpen pair: \"OK\" in the open dialog until the composed pair is painted\n"
                "(2 x %d x %d, separate files, ring mask with frames, cross view, 1280 x 900 window;\n"
                " \"OK\" as soon as the dialog's preview is on screen; first opens in fresh processes)\n",
                kEyeWidth, kEyeHeight);
    std::printf("  JPEG files %.1f / %.1f MB, BMP files %.1f MB each\n",
                QFileInfo(PairFile(dir, "left.jpg")).size() / 1e6, QFileInfo(PairFile(dir, "right.jpg")).size() / 1e6,
                QFileInfo(PairFile(dir, "left.bmp")).size() / 1e6);
    PrintConditions(runs);
    bool ok = true;
    for (const char* kind : {"open-jpg", "open-bmp"}) {
        TResults results;
        long peak = 0;
        for (int i = 0; i < runs; ++i)
            ok = RunChild(self, QString::fromLatin1(kind), 2, dir, results, &peak) && ok;
        const bool jpg = std::strcmp(kind, "open-jpg") == 0;
        PrintFigure(jpg ? "JPEG pair, first open of a run" : "BMP pair, first open of a run", results["open-first"],
                    "(limit 500)");
        PrintFigure(jpg ? "JPEG pair, opened again" : "BMP pair, opened again", results["open-again"], "(limit 500)");
        std::printf("  %-42s %7ld MB  (limit 700)\n", "peak resident memory with the pair open", peak);
    }
    // The same first open without the dialog's head start.
    TResults cold;
    for (int i = 0; i < runs; ++i)
        ok = RunChild(self, QStringLiteral("cold-jpg"), 0, dir, cold, nullptr) && ok;
    PrintFigure("JPEG pair, first open, no dialog shown before", cold["open-cold"], "(no limit: for comparison)");
    PrintConditions(runs);
    return ok ? 0 : 1;
}

int BenchPreview(const char* self, int runs, const QString& dir)
{
    if (!EnsurePair(dir))
        return 1;
    std::printf("\nOpen dialog's preview: the timer's tick until the preview is painted (cross view, 560 x 620\n"
                "dialog; first: the tick 500 ms after the dialog appears, in a fresh process, while the\n"
                "dialog may still be preparing the pair's memory in the background)\n");
    PrintConditions(runs);
    bool ok = true;
    for (const char* kind : {"preview-jpg", "preview-bmp"}) {
        TResults results;
        for (int i = 0; i < runs; ++i)
            ok = RunChild(self, QString::fromLatin1(kind), 2, dir, results, nullptr) && ok;
        const bool jpg = std::strcmp(kind, "preview-jpg") == 0;
        PrintFigure(jpg ? "JPEG pair, first preview of a run" : "BMP pair, first preview of a run",
                    results["preview-first"], "(limit 250)");
        PrintFigure(jpg ? "JPEG pair, previewed again" : "BMP pair, previewed again", results["preview-again"],
                    "(limit 250)");
    }
    PrintConditions(runs);
    return ok ? 0 : 1;
}

int BenchSwitch(const char* self, int runs, const QString& dir)
{
    if (!EnsurePair(dir))
        return 1;
    std::printf("\nView switches: one click until the view is painted (the JPEG pair, ring mask with frames)\n");
    PrintConditions(runs);
    TResults results;
    long peak = 0;
    const bool ok = RunChild(self, QStringLiteral("switch"), runs, dir, results, &peak);
    const std::pair<const char*, const char*> names[] = {
        {"switch-parallel", "cross -> parallel"},        {"switch-cross", "parallel or grey anaglyph -> cross"},
        {"switch-halftone", "cross -> half-tone anaglyph"}, {"switch-colour", "half-tone -> colour anaglyph"},
        {"switch-grey", "colour -> grey anaglyph"},      {"switch-transparent", "transparent mask on or off"},
        {"switch-grid", "grid on or off"},
    };
    for (const auto& [key, text] : names)
        PrintFigure(text, results[QString::fromLatin1(key)], "(limit 100)");
    std::printf("  %-42s %7ld MB  (limit 700)\n", "peak resident memory while switching", peak);
    PrintConditions(runs);
    return ok ? 0 : 1;
}
