// Times the window check on a camera-sized pair: the bundled sample pair
// enlarged to 2 x 6000 x 4000.
//
//   window_timing [--runs N]
//
// Prints the median, fastest and slowest of N runs (default 5) of the
// disparity map through the background runner (from the request to the map
// being ready, and how long the request itself kept the caller), the
// processor time the map took, the machine's load average around the runs,
// and the median of 200 checks of a 60-node outline against the cached map.

#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/Disparity.h"
#include "stereo/DisparityRunner.h"
#include "stereo/WindowCheck.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); }

double ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

QByteArray LoadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().left(14).trimmed() : QByteArray("?");
}

struct TSpread {
    double median, low, high;
};

TSpread Spread(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

// A ring of 60 nodes round the middle of the picture, every other segment a
// curve, the depth rising from left to right as in a tilted window.
void BuildOutline(TPolygonListe& outline, int w, int h)
{
    constexpr int kNodes = 60;
    for (int k = 0; k < kNodes; ++k) {
        const double a = k * 2 * M_PI / kNodes;
        TBezEndPkt* node = outline.AddNode(int(w / 2 + 0.45 * w * std::cos(a)), int(h / 2 + 0.45 * h * std::sin(a)), k);
        node->SetZ(int(20 + 10 * std::cos(a)));
    }
    for (int k = 0; k < kNodes; k += 2)
        outline.Items(k)->SetSegmentType(stCurve, outline.Items(k + 1));
    outline.BuildPoints();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    int runs = 5;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::max(1, std::atoi(argv[2]));
    const QString samples = QStringLiteral(PLENOPTRA_SAMPLES_DIR);
    const QImage smallLeft(samples + QStringLiteral("/Beispiel_L.jpg")), smallRight(samples + QStringLiteral("/Beispiel_R.jpg"));
    if (smallLeft.isNull() || smallRight.isNull()) {
        std::fprintf(stderr, "sample pair missing in %s\n", qPrintable(samples));
        return 1;
    }
    const QImage left = smallLeft.scaled(6000, 4000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB32);
    const QImage right = smallRight.scaled(6000, 4000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);
    std::printf("pair 2 x %d x %d, map %d px wide, %d runs\n", left.width(), left.height(), kDisparityWidth, runs);

    TDisparityRunner runner([](const QImage& l, const QImage& r, const std::function<bool()>& cancelled) {
        return ComputeDisparityMap(l, r, {}, cancelled);
    });
    std::vector<double> ready, request, cpu;
    const QByteArray loadBefore = LoadAverage();
    for (int i = 0; i <= runs; ++i) {
        const double cpuStart = ProcessCpuMs();
        const auto start = Clock::now();
        runner.Start(left, right);
        const double requestMs = Ms(start);
        runner.WaitForIdle();
        const double readyMs = Ms(start);
        // The first run pays for the thread and fresh memory; it is not
        // counted.
        if (i == 0)
            continue;
        request.push_back(requestMs);
        ready.push_back(readyMs);
        cpu.push_back(ProcessCpuMs() - cpuStart);
    }
    const QByteArray loadAfter = LoadAverage();
    const TSpread r = Spread(ready), q = Spread(request), c = Spread(cpu);
    std::printf("disparity map ready after the request: median %.0f ms (fastest %.0f, slowest %.0f)\n", r.median,
                r.low, r.high);
    std::printf("  processor time of the map (all threads): median %.0f ms\n", c.median);
    std::printf("  the request itself kept the caller: median %.3f ms (slowest %.3f)\n", q.median, q.high);
    std::printf("  load average (1/5/15 min) before: %s, after: %s\n", loadBefore.constData(), loadAfter.constData());
    const auto map = runner.Map();
    std::printf("  known share of the map: %.1f %%\n", 100 * map->KnownFraction());

    TProgramObjects objects;
    BuildOutline(*objects.PolygonListe, left.width(), left.height());
    std::vector<double> checks;
    TWindowCheck check;
    for (int i = 0; i < 200; ++i) {
        const auto start = Clock::now();
        check = CheckWindow(*objects.PolygonListe, *map);
        checks.push_back(Ms(start));
    }
    const TSpread k = Spread(checks);
    std::printf("check of a %d-node outline against the cached map: median %.2f ms (slowest %.2f), %zu samples, %s\n",
                objects.PolygonListe->Count(), k.median, k.high, check.Samples.size(),
                qPrintable(WindowCheckStatusText(check)));
    return 0;
}
