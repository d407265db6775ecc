// Helpers shared by the benchmark's parts: timing with medians, external
// tools, generated pictures and the printout.
#include "BenchSupport.h"

#include "model/Liste_Polygon.h"
#include "stereo/StereoBitmap.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numbers>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The first run of each measurement, kept for the printout: it pays for
// fresh memory where later runs may reuse the previous result's.
double gFirstRunMs = 0;
// Median processor time of the calling thread in the last measurement: the
// fair figure for single-threaded work while other programs load the machine.
double gThreadCpuMs = 0;

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double TimeMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times, cpu;
    for (int i = 0; i < runs; ++i) {
        const double cpuStart = ThreadCpuMs();
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        cpu.push_back(ThreadCpuMs() - cpuStart);
    }
    gFirstRunMs = times.front();
    gThreadCpuMs = Median(cpu);
    return Median(times);
}

long PeakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

bool OnPath(const char* tool)
{
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    const QStringList dirs = QString::fromLocal8Bit(path).split(':');
    for (const QString& d : dirs)
        if (access(QFile::encodeName(d + '/' + tool).constData(), X_OK) == 0)
            return true;
    return false;
}


// Runs a program with its output thrown away; negative times when it failed.
TToolTime RunTool(const std::vector<std::string>& args)
{
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    TToolTime t;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return t;
    t.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    t.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    return t;
}

TToolTime TimeTool(int runs, const std::vector<std::string>& args)
{
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        const TToolTime t = RunTool(args);
        if (t.wallMs < 0)
            return t;
        wall.push_back(t.wallMs);
        cpu.push_back(t.cpuMs);
    }
    return TToolTime{Median(wall), Median(cpu)};
}

// A photograph-like eye: smooth shading, edges and fine grain, so the JPEG
// coder has realistic work. The right eye is the left one shifted.
QImage MakeEye(int w, int h, int shift)
{
    QImage image(w, h, QImage::Format_RGB32);
    ForRowBands(h, qint64(w) * h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            quint32 seed = quint32(y) * 2654435761u;
            for (int x = 0; x < w; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int sx = x + shift;
                const int grain = int(seed >> 28) - 8;
                const int band = ((sx / 97) ^ (y / 83)) & 1 ? 40 : 0;
                const int r = std::clamp((sx * 255 / (w + 64)) + grain + band, 0, 255);
                const int g = std::clamp((y * 255 / h) + grain, 0, 255);
                const int b = std::clamp(128 + int(60 * std::sin(sx * 0.01 + y * 0.013)) + grain - band, 0, 255);
                line[x] = qRgb(r, g, b);
            }
        }
    });
    return image;
}

bool WritePpm(const QImage& image, const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QStringLiteral("P6\n%1 %2\n255\n").arg(image.width()).arg(image.height()).toLatin1());
    std::vector<char> row(size_t(image.width()) * 3);
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[size_t(x) * 3] = char(qRed(in[x]));
            row[size_t(x) * 3 + 1] = char(qGreen(in[x]));
            row[size_t(x) * 3 + 2] = char(qBlue(in[x]));
        }
        if (f.write(row.data(), qint64(row.size())) != qint64(row.size()))
            return false;
    }
    return true;
}

bool WriteBytes(const QByteArray& data, const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Checks a mix against the double formula on every 61st row.
bool MixIsExact(const QImage& first, const QImage& second, const QImage& out, const TColorMatrix& m)
{
    for (int y = 0; y < out.height(); y += 61) {
        const QRgb* a = reinterpret_cast<const QRgb*>(first.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(second.constScanLine(y));
        const QRgb* o = reinterpret_cast<const QRgb*>(out.constScanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            auto row = [&](int i, QRgb p) {
                const double v = m[i] * qRed(p) + m[i + 1] * qGreen(p) + m[i + 2] * qBlue(p);
                return int(std::int64_t(std::nearbyint(v)) & 0xFF);
            };
            if (o[x] != qRgb(row(0, a[x]), row(3, b[x]), row(6, b[x])))
                return false;
        }
    }
    return true;
}

void Line(const char* what, double ms, const char* extra)
{
    std::printf("  %-52s %9.1f ms  (first %6.1f) %s\n", what, ms, gFirstRunMs, extra);
}

// ours: wall time; oursCpu: processor time of our thread, or negative when
// our work ran on several threads (then only wall times compare).
void Ratio(const char* what, double ours, double oursCpu, const TToolTime& theirs)
{
    if (theirs.wallMs < 0)
        std::printf("  %-52s    (tool failed)\n", what);
    else if (oursCpu < 0)
        std::printf("  %-52s %9.1f ms   ours/theirs wall %.2f\n", what, theirs.wallMs, ours / theirs.wallMs);
    else
        std::printf("  %-52s %9.1f ms   ours/theirs wall %.2f, processor time %.2f\n", what, theirs.wallMs,
                    ours / theirs.wallMs, oursCpu / theirs.cpuMs);
}

void AddRing(TPolygonListe& outline, int w, int h, int parallax)
{
    const int nodes = 14;
    for (int i = 0; i < nodes; ++i) {
        const double a = 2 * std::numbers::pi * i / nodes;
        const double r = (i % 2 ? 0.42 : 0.36) * std::min(w, h);
        outline.AddNode(w / 2 + int(r * std::cos(a) * 1.3), h / 2 + int(r * std::sin(a)), outline.Count());
    }
    for (int i = 0; i < outline.Count(); ++i)
        outline.Items(i)->SetZ(parallax);
}

