// Measures how well the window check finds window violations, against the
// true parallax the sample generator writes for its scenes.
//
//   window_accuracy SCENE_FOLDER [--upscale K] [--texture T] [--texture-window W] [--block B] [--consistency C]
//
// SCENE_FOLDER holds NAME_L.jpg, NAME_R.jpg and NAME_P.pfm for the scenes
// beispiel, links, unten and fern (samples/generate_sample --scene NAME DIR;
// bench/window_accuracy.sh makes them and runs this). With --upscale K the
// pictures and the true parallax are enlarged K times first, so that the map
// is matched on a reduced copy as for a camera's full-size pair. --texture and
// --texture-window set the matcher's texture threshold and its window (the
// defaults of TDisparityParams otherwise), to see how the figures depend on
// them.
//
// Every scene is checked with a set of windows (straight, tilted, curved and
// small ones) at several depths. The check's edge samples are compared with
// the same samples taken from the true parallax: a sample is truly violated
// when the scene in its band stands more than 2 px in front of the window,
// truly free when it stands more than 2 px behind. Recall is the share of the
// truly violated samples that lie in a reported stretch; false alarms are
// the truly free samples that do. Per stretch: a true stretch (more than 2 px
// in front) is found when one of its samples is reported; a reported stretch
// is a false alarm when the truth stands more than 2 px behind along all of
// it.

#include "stereo/Disparity.h"
#include "stereo/WindowCheck.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kMargin = 2.0; // pixels of parallax either side of the window

struct TWindow {
    std::string kind;
    std::vector<QPoint> left, right;
};

// A closed outline through the given nodes: straight segments, or a smooth
// closed curve through them when curved is set (tangents parallel to the
// chord of the neighbours, a third of the way).
TWindow Outline(const std::string& kind, const std::vector<QPointF>& nodes, const std::vector<double>& z, bool curved)
{
    TWindow w;
    w.kind = kind;
    const size_t n = nodes.size();
    auto put = [&](QPointF p, double depth) {
        w.left.push_back(p.toPoint());
        w.right.push_back(p.toPoint() + QPoint(int(std::lround(depth)), 0));
    };
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        const QPointF a = nodes[i], b = nodes[j];
        QPointF ta, tb;
        if (curved) {
            ta = (nodes[j] - nodes[(i + n - 1) % n]) / 6.0;
            tb = (nodes[(j + 1) % n] - nodes[i]) / 6.0;
        }
        put(a, z[i]);
        put(a + ta, z[i]);
        put(b - tb, z[j]);
    }
    put(nodes[0], z[0]);
    return w;
}

std::vector<TWindow> Windows(double w, double h)
{
    std::vector<TWindow> out;
    auto rect = [&](double inset) {
        const double l = w * inset, t = h * inset, r = w * (1 - inset), b = h * (1 - inset);
        return std::vector<QPointF>{{l, t}, {r, t}, {r, b}, {l, b}};
    };
    const double unit = w / 1200.0; // depths below are for a 1200 pixel wide picture
    for (int z = -24; z <= 24; z += 4)
        out.push_back(Outline("rechteck", rect(0.04), std::vector<double>(4, z * unit), false));
    for (int z = -16; z <= 8; z += 8)
        out.push_back(Outline("geneigt", rect(0.04), {z * unit, (z + 10) * unit, (z + 10) * unit, z * unit}, false));
    for (int z = -12; z <= 12; z += 12)
        out.push_back(Outline("klein", rect(0.2), std::vector<double>(4, z * unit), false));
    for (int z = -12; z <= 12; z += 12) {
        std::vector<QPointF> ring;
        for (int k = 0; k < 8; ++k) {
            const double a = k * 2 * M_PI / 8;
            ring.push_back({w / 2 + 0.44 * w * std::cos(a), h / 2 + 0.44 * h * std::sin(a)});
        }
        out.push_back(Outline("oval", ring, std::vector<double>(8, z * unit), true));
    }
    return out;
}

bool ReadPfm(const QString& path, TDisparityMap& map)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    int w = 0, h = 0;
    if (f.readLine().trimmed() != "Pf" || std::sscanf(f.readLine().constData(), "%d %d", &w, &h) != 2 || w <= 0
        || h <= 0 || f.readLine().trimmed().toDouble() >= 0)
        return false;
    map = TDisparityMap(w, h, QSize(w, h));
    for (int y = h - 1; y >= 0; --y)
        if (f.read(reinterpret_cast<char*>(map.Row(y)), qint64(w) * 4) != qint64(w) * 4)
            return false;
    return true;
}

TDisparityMap Upscaled(const TDisparityMap& m, int k)
{
    TDisparityMap out(m.Width() * k, m.Height() * k, QSize(m.Width() * k, m.Height() * k));
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x)
            out.Set(x, y, m.At(x / k, y / k) * float(k));
    return out;
}

struct TTally {
    long violated = 0, found = 0, missedUnknown = 0, free = 0, falseAlarms = 0, samples = 0, judged = 0;
    long stretches = 0, stretchesFound = 0, reported = 0, reportedFalse = 0;
    long windows = 0, verdictRight = 0;
    double worstMissedExcess = 0;

    void Add(const TTally& o)
    {
        violated += o.violated, found += o.found, missedUnknown += o.missedUnknown, free += o.free;
        falseAlarms += o.falseAlarms, samples += o.samples, judged += o.judged, stretches += o.stretches;
        stretchesFound += o.stretchesFound, reported += o.reported, reportedFalse += o.reportedFalse;
        windows += o.windows, verdictRight += o.verdictRight;
        worstMissedExcess = std::max(worstMissedExcess, o.worstMissedExcess);
    }
};

std::vector<bool> InStretches(const TWindowCheck& c)
{
    std::vector<bool> in(c.Samples.size(), false);
    const size_t n = c.Samples.size();
    for (const TWindowViolation& v : c.Violations)
        for (size_t k = size_t(v.First);; k = (k + 1) % n) {
            in[k] = true;
            if (k == size_t(v.Last))
                break;
        }
    return in;
}

TTally Compare(const TWindow& w, const TDisparityMap& map, const TDisparityMap& truth)
{
    TTally t;
    const TWindowCheck est = CheckWindow(w.left, w.right, map);
    // The truth is sampled exactly where the check sampled: same spacing,
    // same band.
    TWindowCheckParams p;
    p.SampleSpacing = 2.0 / map.ScaleX();
    p.BandDepth = 6.0 / map.ScaleX();
    p.Tolerance = kMargin;
    const TWindowCheck tru = CheckWindow(w.left, w.right, truth, p);
    if (tru.Samples.size() != est.Samples.size()) {
        std::fprintf(stderr, "sample counts differ: %zu / %zu\n", est.Samples.size(), tru.Samples.size());
        return t;
    }
    const std::vector<bool> flagged = InStretches(est);
    const size_t n = est.Samples.size();
    t.samples = long(n);
    for (size_t i = 0; i < n; ++i) {
        const double excess = tru.Samples[i].Excess();
        t.judged += est.Samples[i].Known();
        if (excess > kMargin) {
            ++t.violated;
            if (flagged[i]) {
                ++t.found;
            } else {
                if (std::getenv("WINDOW_ACCURACY_VERBOSE"))
                    std::printf("  missed: %s sample %zu at (%.0f, %.0f) window %.1f, check %.1f, truth %.1f\n",
                                w.kind.c_str(), i, est.Samples[i].Point.x(), est.Samples[i].Point.y(),
                                est.Samples[i].Window, est.Samples[i].Scene, tru.Samples[i].Scene);
                t.missedUnknown += !est.Samples[i].Known();
                t.worstMissedExcess = std::max(t.worstMissedExcess, excess);
            }
        } else if (excess < -kMargin) {
            ++t.free;
            t.falseAlarms += flagged[i];
            if (flagged[i] && std::getenv("WINDOW_ACCURACY_VERBOSE"))
                std::printf("  false alarm: %s sample %zu at (%.0f, %.0f) window %.1f, check %.1f, truth %.1f\n",
                            w.kind.c_str(), i, est.Samples[i].Point.x(), est.Samples[i].Point.y(),
                            est.Samples[i].Window, est.Samples[i].Scene, tru.Samples[i].Scene);
        }
    }
    // True stretches: the truth's own report at a tolerance of 2 px.
    for (const TWindowViolation& v : tru.Violations) {
        ++t.stretches;
        bool hit = false;
        for (size_t k = size_t(v.First);; k = (k + 1) % n) {
            hit = hit || flagged[k];
            if (k == size_t(v.Last))
                break;
        }
        t.stretchesFound += hit;
    }
    for (const TWindowViolation& v : est.Violations) {
        ++t.reported;
        bool allFree = true;
        for (size_t k = size_t(v.First);; k = (k + 1) % n) {
            allFree = allFree && tru.Samples[k].Excess() < -kMargin;
            if (k == size_t(v.Last))
                break;
        }
        t.reportedFalse += allFree;
    }
    ++t.windows;
    const bool trulyViolated = !tru.Violations.empty();
    const bool right = trulyViolated ? est.Verdict == wvVerletzt : est.Verdict != wvVerletzt;
    t.verdictRight += right;
    if (!right && std::getenv("WINDOW_ACCURACY_VERBOSE")) {
        std::printf("  verdict %d, truly %s: %s window at %.1f\n", int(est.Verdict),
                    trulyViolated ? "violated" : "not violated", w.kind.c_str(), est.Samples[0].Window);
        for (const TWindowViolation& v : est.Violations) {
            double worst = -1e9;
            for (size_t k = size_t(v.First);; k = (k + 1) % n) {
                worst = std::max(worst, tru.Samples[k].Excess());
                if (k == size_t(v.Last))
                    break;
            }
            std::printf("    reported %s, truth's largest excess there %.1f\n",
                        qPrintable(WindowViolationLine(v)), worst);
        }
    }
    return t;
}

double Percent(long a, long b) { return b ? 100.0 * double(a) / double(b) : 0.0; }

void Print(const char* name, const TTally& t, double ms)
{
    std::printf("%-9s %3ld %6ld %5.1f %% | %5ld %6.1f %% (%ld/%ld unbek.) %5.1f | %6ld %4ld (%5.2f %%) | %3ld/%3ld | %3ld/%3ld | %3ld/%3ld | %6.0f\n",
                name, t.windows, t.samples, Percent(t.judged, t.samples), t.violated, Percent(t.found, t.violated),
                t.missedUnknown, t.violated - t.found, t.worstMissedExcess, t.free, t.falseAlarms, Percent(t.falseAlarms, t.free),
                t.stretchesFound, t.stretches, t.reportedFalse, t.reported, t.verdictRight, t.windows, ms);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SCENE_FOLDER [--upscale K] [--texture T] [--texture-window W] [--block B] [--consistency C]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    int upscale = 1;
    TDisparityParams params;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--upscale") == 0)
            upscale = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--texture") == 0)
            params.MinTexture = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--texture-window") == 0)
            params.TextureWindow = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--block") == 0)
            params.BlockSize = std::max(1, std::atoi(argv[i + 1]) | 1);
        else if (std::strcmp(argv[i], "--consistency") == 0)
            params.ConsistencyTolerance = std::atof(argv[i + 1]);
    }
    std::printf("scene     win samples judged | viol. recall (missed: unknown/all) worst-missed | free false (rate) | "
                "stretches found | false/reported | verdicts | map ms\n");
    TTally all;
    for (const char* name : {"beispiel", "links", "unten", "fern"}) {
        const QString base = folder + '/' + QString::fromLatin1(name);
        QImage left(base + QStringLiteral("_L.jpg")), right(base + QStringLiteral("_R.jpg"));
        TDisparityMap truth;
        if (left.isNull() || right.isNull() || !ReadPfm(base + QStringLiteral("_P.pfm"), truth)) {
            std::fprintf(stderr, "%s: scene missing or unreadable\n", qPrintable(base));
            return 1;
        }
        if (upscale > 1) {
            left = left.scaled(left.size() * upscale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            right = right.scaled(right.size() * upscale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            truth = Upscaled(truth, upscale);
        }
        const auto start = std::chrono::steady_clock::now();
        const TDisparityMap map = ComputeDisparityMap(left, right, params);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        TTally scene;
        for (const TWindow& w : Windows(left.width(), left.height()))
            scene.Add(Compare(w, map, truth));
        Print(name, scene, ms);
        all.Add(scene);
    }
    Print("alle", all, 0);
    return 0;
}
