// The save path: "OK" of the save dialog against the command-line JPEG coder,
// the peak memory of the whole save flow, and how long the dialog's event
// loop stalls while the user moves the quality bar.
#include "BenchSave.h"

#include "BenchSupport.h"

#include "history/UserMessage.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"
#include "stereo/Compose.h"
#include "stereo/Stereo_SaveDlg.h"
#include "stereo/Stereo_SaveDlgJPG.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A loaded pair with its white masks and a ring-shaped window, as the
// controller holds it.
struct TScene {
    TProgramObjects objects;
    TDesktopData settings;
    TPictureSet pictures;
    TScene(int w, int h)
    {
        settings.DecorUse = 1;
        pictures.SourceLeft.Image = MakeEye(w, h, 0);
        pictures.SourceRight.Image = MakeEye(w, h, 24);
        MakeWhiteMasks(pictures);
        AddRing(*objects.PolygonListe, w, h, 30);
    }
    void ComposeMasked() { ComposePair(pictures, *objects.PolygonListe, settings, MaskedStereoOptions(settings)); }
};

void Settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The dialog as the user finds it for the masked picture: names in dir,
// JPEG quality 96 baseline.
void Open(TFormSaveStereo& dialog, const QString& dir, int layout)
{
    dialog.SetMaskName(QDir(dir).filePath("Bench.jpg"));
    dialog.SetPictureMode(1);
    dialog.ComboBoxFileType->setCurrentIndex(0);
    dialog.SetLayout(layout);
    dialog.show();
    Settle(120);
}

void RemoveOutput(const QString& dir)
{
    for (const QString& name : QDir(dir).entryList({"Bench_*"}, QDir::Files))
        QFile::remove(QDir(dir).filePath(name));
}

} // namespace

int RunSavePeak(int w, int h, const QString& dir)
{
    // The controller's whole flow from a loaded, displayed pair: compose,
    // let go of the sources, save layout 1, load the pair again.
    TScene scene(w, h);
    TViewActionState cross;
    ComposePair(scene.pictures, *scene.objects.PolygonListe, scene.settings, ViewComposeOptions(cross, scene.settings));
    scene.ComposeMasked();
    for (TBitmap* b : {&scene.pictures.SourceLeft, &scene.pictures.SourceRight, &scene.pictures.MaskLeft,
                       &scene.pictures.MaskRight})
        b->Image = QImage();
    TFormSaveStereo dialog;
    dialog.SetPictures(&scene.pictures.ViewLeftHalf, &scene.pictures.ViewRightHalf);
    Open(dialog, dir, 1);
    RemoveOutput(dir);
    dialog.BitBtnOkClick();
    dialog.SetPictures(nullptr, nullptr);
    scene.pictures.SourceLeft.Image = MakeEye(w, h, 0);
    scene.pictures.SourceRight.Image = MakeEye(w, h, 24);
    MakeWhiteMasks(scene.pictures);
    ComposePair(scene.pictures, *scene.objects.PolygonListe, scene.settings, ViewComposeOptions(cross, scene.settings));
    RemoveOutput(dir);
    // The resident high-water mark of this process's own memory; the
    // getrusage figure of a child would also count what the parent had
    // resident when it forked.
    QFile status("/proc/self/status");
    long peakKb = -1;
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                peakKb = line.mid(6).trimmed().split(' ').value(0).toLong();
    QFile out(QDir(dir).filePath("save_peak.txt"));
    if (out.open(QIODevice::WriteOnly))
        out.write(QByteArray::number(peakKb / 1024));
    return dialog.result() == QDialog::Accepted ? 0 : 1;
}

void BenchSave(const char* self, int w, int h, int runs, const QString& dir, bool haveCjpeg, bool big)
{
    std::printf("\nSaving the masked stereo picture (layout 1, JPEG quality 96 baseline)\n");
    const TUserMessageHandler previous =
        SetUserMessageHandler([](const QString&, int, unsigned) { return int(mrYes); });
    TScene scene(w, h);
    const double composeMs = TimeMs(runs, [&] { scene.ComposeMasked(); });
    // ComposePair runs its two sides on two threads: wall time only.
    Line("ComposePair for saving (masked, with decoration)", composeMs);

    TFormSaveStereo dialog;
    TBitmap left{scene.pictures.ViewLeftHalf.Image, kWhite}, right{scene.pictures.ViewRightHalf.Image, kWhite};
    dialog.SetPictures(&left, &right);
    std::vector<double> okMs, okCpu;
    qint64 written = 0;
    for (int i = 0; i < runs; ++i) {
        Open(dialog, dir, 1);
        RemoveOutput(dir);
        const double cpuStart = ThreadCpuMs();
        const auto start = Clock::now();
        dialog.BitBtnOkClick();
        okMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        okCpu.push_back(ThreadCpuMs() - cpuStart);
        written = QFileInfo(QDir(dir).filePath("Bench_MaskStereoBild_LR.jpg")).size();
    }
    const double ok = Median(okMs);
    char size[64];
    std::snprintf(size, sizeof(size), "(%.1f MB written)", written / 1e6);
    gFirstRunMs = okMs.front();
    Line("\"OK\": combine, code, write mask file and picture", ok, size);
    if (haveCjpeg) {
        TBitmap combined;
        CombineStereoPicture(slParallel, akColor, scene.pictures.ViewLeftHalf, scene.pictures.ViewRightHalf,
                             combined, 0);
        const QString ppm = QDir(dir).filePath("masked_sbs.ppm");
        WritePpm(combined.Image, ppm);
        combined.Image = QImage();
        const TToolTime cjpeg = TimeTool(std::min(runs, 3), {"cjpeg", "-quality", "96", "-outfile",
                                                             QDir(dir).filePath("cjpeg.jpg").toStdString(),
                                                             ppm.toStdString()});
        std::printf("  %-52s %9.1f ms\n", "cjpeg -quality 96, same picture from PPM to a file", cjpeg.wallMs);
        std::printf("  %-52s %9.2f   (limit 1.30; processor time of \"OK\" / cjpeg's: %.2f)\n",
                    "\"OK\" / (cjpeg + ComposePair), wall", ok / (cjpeg.wallMs + composeMs),
                    Median(okCpu) / cjpeg.cpuMs);
        if (cjpeg.wallMs < 0)
            std::printf("  (cjpeg failed on %s)\n", qPrintable(ppm));
        QFile::remove(ppm);
        QFile::remove(QDir(dir).filePath("cjpeg.jpg"));
    }
    RemoveOutput(dir);

    // The quality bar in layout 0: every change compresses the 24-megapixel
    // left picture for the size label.
    dialog.SetPictures(nullptr, nullptr);
    left.Image = scene.pictures.ViewLeftHalf.Image;
    right.Image = scene.pictures.ViewRightHalf.Image;
    dialog.SetPictures(&left, &right);
    Open(dialog, dir, 0);
    QElapsedTimer clock;
    clock.start();
    // Every turn of the event loop ticks; the longest time between two ticks
    // is the longest stall. The processor time of this thread within it
    // tells our own work apart from waiting for a core on a busy machine.
    qint64 last = clock.nsecsElapsed(), worst = 0;
    double lastCpu = ThreadCpuMs(), worstCpu = 0, busiestCpu = 0;
    QTimer idle;
    idle.setInterval(0);
    QObject::connect(&idle, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double cpu = ThreadCpuMs();
        if (now - last > worst) {
            worst = now - last;
            worstCpu = cpu - lastCpu;
        }
        busiestCpu = std::max(busiestCpu, cpu - lastCpu);
        last = now;
        lastCpu = cpu;
    });
    Settle(100);
    idle.start();
    last = clock.nsecsElapsed();
    lastCpu = ThreadCpuMs();
    const auto moving = Clock::now();
    for (int q = 95; q >= 80; --q) {
        dialog.JPGPreferences->ScrollBarQuali->setValue(q);
        Settle(q % 4 == 0 ? 400 : 60); // now and then long enough for a size to start
    }
    while (dialog.JPGPreferences->Measuring())
        Settle(10);
    const double settledMs = std::chrono::duration<double, std::milli>(Clock::now() - moving).count();
    idle.stop();
    std::printf("  %-52s %9.1f ms   (limit 50; %.1f ms of it our processing)\n",
                "longest event-loop stall while moving the quality bar", worst / 1e6, worstCpu);
    std::printf("  %-52s %9.1f ms   (size shown %s after %.0f ms)\n", "longest processing in one turn of the loop",
                busiestCpu, qPrintable(dialog.JPGPreferences->LabelFileSize->text()), settledMs);
    dialog.reject();
    SetUserMessageHandler(previous);

    std::vector<std::string> args{self, "--save-peak", dir.toStdString()};
    if (big)
        args.push_back("--big");
    const QString peakFile = QDir(dir).filePath("save_peak.txt");
    QFile::remove(peakFile);
    const TToolTime child = RunTool(args);
    QFile peak(peakFile);
    const long peakMb = child.wallMs >= 0 && peak.open(QIODevice::ReadOnly) ? peak.readAll().toLong() : -1;
    std::printf("  %-52s %9ld MB   (limit 1500)\n", "peak memory of the whole save flow (own process)", peakMb);
}
