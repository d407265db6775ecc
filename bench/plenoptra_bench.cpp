// Times the picture work of the editor on a generated stereo pair.
//
//   plenoptra_bench [--big] [--drag] [--open] [--preview] [--switch] [--runs N] [--keep DIR]
//                   [--only-save] [--save-peak DIR] [--only-export [PAIRS]]
//
// --drag times only the drag step after the yardstick. --open, --preview and
// --switch run only what the user waits for with a 2 x 24-megapixel pair:
// "OK" in the open dialog until the pair is on screen, the dialog's preview,
// and view switches (any of them together; --keep DIR keeps the written pair
// for the next run).
// Every figure is the median of N runs (default 5; external tools 3). The
// yardstick is a plain memcpy of one eye; where cjpeg, djpeg and composite are
// on the PATH they run on the same pictures in the same run and the ratios
// are printed (ours / theirs: below 1 means we are faster).

#include "app/Application.h"
#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"
#include "settings/Frame_Dekor.h"
#include "settings/Frame_DokuMaskenDatei.h"
#include "settings/Frame_DokuMaskenPict.h"
#include "settings/Frame_Gitter.h"
#include "settings/Frame_Masken.h"
#include "settings/Frame_Umriss.h"
#include "settings/Optionen.h"
#include "settings/OptionenColorDialog.h"
#include "settings/uSpin.h"
#include "stereo/Compose.h"
#include "stereo/JpegFile.h"
#include "stereo/StereoConvert.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QWindow>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "BenchExport.h"
#include "BenchOpen.h"
#include "BenchSave.h"
#include "BenchSupport.h"

using Clock = std::chrono::steady_clock;

namespace {

// One mouse move while a node is dragged in the real main window: the drag
// step, the relayout of the handles and the outline, and the synchronous
// repaint of the view with its overlays. The recomposition of the masked
// pictures is deferred to a timer, which never fires here.
double DragStepMs(const TPictureSet& pair, int samples)
{
    TFormMain form;
    TDM dm;
    form.ConnectController(&dm);
    form.show();
    // Painting needs an exposed window; the deferred start comes with it.
    for (int i = 0; i < 100 && !(form.windowHandle() && form.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::sendPostedEvents();
    dm.SourceLeft.Image = pair.SourceLeft.Image;
    dm.SourceRight.Image = pair.SourceRight.Image;
    MakeWhiteMasks(dm.Pictures);
    TPolygonListe& outline = *PolygonListe();
    outline.Clear();
    const int w = dm.SourceLeft.Width(), h = dm.SourceLeft.Height();
    const int nodes = 60;
    for (int i = 0; i < nodes; ++i) {
        const double a = 2 * std::numbers::pi * i / nodes;
        const double r = (i % 2 ? 0.44 : 0.40) * std::min(w, h);
        outline.AddNode(w / 2 + int(r * std::cos(a) * 1.3), h / 2 + int(r * std::sin(a)), outline.Count());
    }
    dm.ActionAnsichtFit->trigger();
    dm.ActionMaskEdit->trigger(); // recomposes the pair
    QWidget* view = form.ClientArea();
    const QPoint grab = outline.Items(7)->ScreenPoint(0);
    auto send = [view](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, view->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &e);
    };
    send(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    const double ms = TimeMs(samples, [&] {
        send(QEvent::MouseMove, grab + QPoint(++step % 2, 0), Qt::NoButton, Qt::LeftButton);
        view->repaint();
    });
    send(QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
    if (dm.EditMode != TDM::emEditMask || SelectListe()->Count() != 1)
        std::printf("  (the drag did not run as intended)\n");
    return ms;
}

void DragStepFigure(const TPictureSet& pair, int runs)
{
    std::printf("\nDrag step (60-node mask, fit view, 1024 x 600 window)\n");
    // Moves are cheap: twenty samples per run make the median steady.
    const double ms = DragStepMs(pair, runs * 20);
    char cpu[64];
    std::snprintf(cpu, sizeof(cpu), "(processor time %.2f ms)", gThreadCpuMs);
    Line("one mouse move with the repaint of the overlays", ms, cpu);
}

// One live change in the settings dialog as the user makes it: the page
// writes the record, the controller previews (recomposing at most once) and
// the view paints. Prints the median and the slowest run of each kind, and
// how many compositions one change cost.
void BenchSettingsPreview(const TPictureSet& pair, int runs)
{
    runs = std::max(runs, 9);
    std::printf("\nSettings dialog: one live change until the 1024 x 600 view is painted\n");
    TFormMain form;
    TDM dm;
    form.ConnectController(&dm);
    TFormOptionen optionen(&form);
    ConnectOptionenDialog(dm, optionen);
    form.resize(1024, 600);
    form.show();
    QCoreApplication::processEvents(); // the deferred start
    dm.SourceLeft.Image = pair.SourceLeft.Image;
    dm.SourceRight.Image = pair.SourceRight.Image;
    MakeWhiteMasks(dm.Pictures);
    dm.PicturesCreated = true;
    dm.ViewActionExecute(dm.ActionAnsichtFit, true);
    dm.RefreshView();
    int compositions = 0;
    const auto viewChanged = dm.OnViewChanged;
    dm.OnViewChanged = [&] {
        ++compositions;
        viewChanged();
    };
    TColor answer = 0;
    const TColorDialog::TAnswerer previous = TColorDialog::SetAnswerer([&](TColor& c) {
        c = answer;
        return true;
    });
    optionen.SetData(dm.Settings.get());
    optionen.show();
    QImage window(form.ClientArea()->size(), QImage::Format_RGB32);

    struct TCase {
        const char* name;
        int node;
        std::function<void(int)> change;
    };
    auto colour = [&](QPushButton* button) {
        return [&answer, button](int i) {
            answer = i % 2 ? 0x0000FF : 0x00FF00;
            button->click();
        };
    };
    const std::vector<TCase> cases = {
        {"grid count, scroll bar step", 1,
         [&](int i) { optionen.FrameGitter->ScrollBarHoriz->setValue(11 + i % 50); }},
        {"outline colour (editing view)", 2, colour(optionen.FrameUmriss->BitBtnMonoColor)},
        {"transparent mask colour", 5, colour(optionen.FrameFarbenDesktopMaske->BitBtnDeskTransColor)},
        {"mask-file colour (mask picture)", 7, colour(optionen.FrameFarbenDocuMaskFile->BitBtnFileMaskBackColor)},
        {"masked-picture colour (fc - Grau / Vorgaben)", 9,
         [&](int i) {
             (i % 2 ? optionen.FrameColorDocuMaskPicure->BitBtnGrey
                    : optionen.FrameColorDocuMaskPicure->BitBtnDefaultValues)->click();
         }},
        {"decoration width (masked picture, frames)", 10,
         [&](int i) { optionen.FrameDekor->uSpinEditDecorWidthMiddle->setText(QString::number(11 + i % 5)); }},
    };
    auto measure = [&](const TCase& c, const char* suffix) {
        optionen.SelectNode(c.node);
        int i = 0;
        std::vector<double> times;
        compositions = 0;
        const double median = TimeMs(runs, [&] {
            const auto start = Clock::now();
            c.change(i++);
            QPainter painter(&window);
            form.PaintView(painter);
            painter.end();
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        });
        char name[96], extra[64];
        std::snprintf(name, sizeof(name), "%s%s", c.name, suffix);
        std::snprintf(extra, sizeof(extra), "(slowest %.1f, %.0f compositions per change)",
                      *std::max_element(times.begin(), times.end()), double(compositions) / runs);
        Line(name, median, extra);
    };
    for (const TCase& c : cases)
        measure(c, "");
    dm.ActionAnaglyphe_Halb->trigger();
    measure(cases.back(), ", anaglyph");
    measure(cases.front(), ", anaglyph");
    optionen.reject();
    TColorDialog::SetAnswerer(previous);
}

} // namespace

int main(int argc, char** argv)
{
    bool big = false;
    bool dragOnly = false;
    int runs = 5;
    QString keep, savePeak;
    bool onlySave = false;
    int exportPairs = 0;
    bool openFigure = false, previewFigure = false, switchFigure = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--child" && i + 3 < argc) {
            // This program started again by the open figures.
            if (!std::getenv("QT_QPA_PLATFORM"))
                setenv("QT_QPA_PLATFORM", "offscreen", 1);
            QApplication app(argc, argv);
            return RunOpenChild(QString::fromLocal8Bit(argv[i + 1]), std::atoi(argv[i + 2]),
                                QString::fromLocal8Bit(argv[i + 3]));
        }
        if (a == "--open")
            openFigure = true;
        else if (a == "--preview")
            previewFigure = true;
        else if (a == "--switch")
            switchFigure = true;
        else if (a == "--big")
            big = true;
        else if (a == "--drag")
            dragOnly = true;
        else if (a == "--only-save")
            onlySave = true;
        else if (a == "--only-export")
            exportPairs = i + 1 < argc && std::atoi(argv[i + 1]) > 0 ? std::atoi(argv[++i]) : 8;
        else if (a == "--save-peak" && i + 1 < argc)
            savePeak = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--keep" && i + 1 < argc)
            keep = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr,
                         "usage: %s [--big] [--drag] [--open] [--preview] [--switch] [--runs N] [--keep DIR] "
                         "[--only-save] [--save-peak DIR] [--only-export [PAIRS]]\n",
                         argv[0]);
            return 2;
        }
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int toolRuns = std::min(runs, 3);
    const int w = big ? 12000 : 6000, h = big ? 8000 : 4000;
    if (!savePeak.isEmpty())
        return RunSavePeak(w, h, savePeak);
    const double megapixels = double(w) * h / 1e6;

    QTemporaryDir tmp;
    const QString dir = keep.isEmpty() ? tmp.path() : keep;
    QDir().mkpath(dir);
    if (exportPairs > 0) {
        BenchExport(PLENOPTRA_EXE, w, h, exportPairs, dir);
        return 0;
    }
    if (onlySave) {
        BenchSave(argv[0], w, h, runs, dir, OnPath("cjpeg"), big);
        return 0;
    }
    if (openFigure || previewFigure || switchFigure) {
        int status = 0;
        if (openFigure)
            status |= BenchOpen(argv[0], runs, dir);
        if (previewFigure)
            status |= BenchPreview(argv[0], runs, dir);
        if (switchFigure)
            status |= BenchSwitch(argv[0], runs, dir);
        return status;
    }

    std::printf("Pair: 2 x %d x %d (%.0f megapixels per eye), %d runs, %u hardware threads\n", w, h, megapixels, runs,
                std::max(1u, std::thread::hardware_concurrency()));
    TProgramObjects objects;
    TDesktopData settings;
    settings.DecorUse = 1;
    TPictureSet pictures;
    pictures.SourceLeft.Image = MakeEye(w, h, 0);
    pictures.SourceRight.Image = MakeEye(w, h, 24);
    MakeWhiteMasks(pictures);
    // As the editor does after loading a pair: the compositions reuse the
    // memory of the views they replace instead of mapping fresh pages.
    KeepPictureBuffersFor(pictures, 0, 0);
    AddRing(*objects.PolygonListe, w, h, 30);
    std::printf("Peak memory after generating the pair: %ld MB\n\n", PeakRssMb());

    // Yardstick.
    std::vector<char> copy(size_t(pictures.SourceLeft.Image.sizeInBytes()), 1);
    const double memcpyMs = TimeMs(runs, [&] {
        std::memcpy(copy.data(), pictures.SourceLeft.Image.constBits(), copy.size());
    });
    std::printf("Yardstick\n");
    Line("memcpy of one eye", memcpyMs);
    copy = std::vector<char>();
    if (dragOnly) {
        DragStepFigure(pictures, runs);
        return 0;
    }

    // Composition.
    std::printf("\nComposePair (whole call)\n");
    TViewActionState cross;
    const double crossMs = TimeMs(runs, [&] {
        ComposePair(pictures, *objects.PolygonListe, settings, ViewComposeOptions(cross, settings));
    });
    Line("cross view with decoration", crossMs);
    TViewActionState transparent;
    transparent.TransparentMask = true;
    transparent.Cross = false;
    transparent.Parallel = true;
    const double transMs = TimeMs(runs, [&] {
        ComposePair(pictures, *objects.PolygonListe, settings, ViewComposeOptions(transparent, settings));
    });
    Line("transparent view (parallel)", transMs);
    TViewActionState anaglyph;
    anaglyph.Cross = false;
    pictures.DisplayMatrix = StereoMatrix::kRedCyanHalfTone;
    const double anaMs = TimeMs(runs, [&] {
        ComposePair(pictures, *objects.PolygonListe, settings, ViewComposeOptions(anaglyph, settings));
    });
    Line("half-tone anaglyph view", anaMs);
    std::printf("Peak memory after composing: %ld MB\n", PeakRssMb());

    // The view paints only the visible part of the composed halves, scaled
    // by nearest neighbour into the window: never a recomposition.
    std::printf("\nView paint (1024 x 600 window, cross view)\n");
    ComposePair(pictures, *objects.PolygonListe, settings, ViewComposeOptions(cross, settings));
    QImage window(1024, 600, QImage::Format_RGB32);
    const QRect halfL(0, 100, 488, 325), halfR(512, 100, 488, 325);
    const double fitMs = TimeMs(runs, [&] {
        QPainter painter(&window);
        painter.drawImage(halfL, pictures.ViewLeftHalf.Image, QRect(0, 0, w, h));
        painter.drawImage(halfR, pictures.ViewRightHalf.Image, QRect(0, 0, w, h));
    });
    Line("fit view of the whole pair", fitMs);
    const double fullMs = TimeMs(runs, [&] {
        QPainter painter(&window);
        painter.drawImage(halfL, pictures.ViewLeftHalf.Image, QRect(w / 2 - 244, h / 2 - 162, 488, 325));
        painter.drawImage(halfR, pictures.ViewRightHalf.Image, QRect(w / 2 - 244, h / 2 - 162, 488, 325));
    });
    Line("100 % view of the centre", fullMs);
    pictures.ViewAnaglyph.Image = QImage();
    MakeWhiteMasks(pictures);

    // Conversions.
    std::printf("\nCombineStereoPicture (both eyes)\n");
    TBitmap& left = pictures.SourceLeft;
    TBitmap& right = pictures.SourceRight;
    TBitmap out;
    char rate[64];
    for (const auto& [layout, kind, name] : {std::tuple{1, 0, "layout 1 parallel, gap 20"},
                                              std::tuple{3, 0, "layout 3 over-under, gap 20"},
                                              std::tuple{4, 0, "layout 4 red/cyan colour"},
                                              std::tuple{4, 1, "layout 4 red/cyan half-tone"},
                                              std::tuple{4, 2, "layout 4 red/cyan grey"},
                                              std::tuple{5, 1, "layout 5 yellow/blue half-tone"}}) {
        const double ms = TimeMs(runs, [&] { CombineStereoPicture(layout, kind, left, right, out, 20); });
        std::snprintf(rate, sizeof(rate), "(%.0f megapixels/s)", megapixels / ms * 1000);
        Line(name, ms, layout >= 4 ? rate : "");
        if (layout == 4 && kind != 0) {
            TColorMatrix m;
            AnaglyphMixMatrix(layout, kind, &m);
            std::printf("  %-52s %s\n", "  bit-exact against the double formula",
                        MixIsExact(left.Image, right.Image, out.Image, m) ? "yes" : "NO");
        }
    }
    out.Image = QImage();

    // JPEG.
    std::printf("\nJPEG\n");
    const QString eyeJpeg = dir + "/eye.jpg";
    QByteArray eyeData;
    EncodeJpeg(left.Image, TJpegOptions{90, false}, &eyeData);
    WriteBytes(eyeData, eyeJpeg);
    const double decodeMs = TimeMs(runs, [&] { DecodeJpegData(eyeData); });
    const double decodeCpu = gThreadCpuMs;
    Line("decode one eye (quality 90 baseline, from memory)", decodeMs);
    const bool haveDjpeg = OnPath("djpeg"), haveCjpeg = OnPath("cjpeg"), haveComposite = OnPath("composite");
    if (haveDjpeg)
        Ratio("djpeg of the same file to /dev/null", decodeMs, decodeCpu,
              TimeTool(toolRuns, {"djpeg", "-outfile", "/dev/null", eyeJpeg.toStdString()}));

    TBitmap sideBySide;
    CombineStereoPicture(slParallel, akColor, left, right, sideBySide, 0);
    const QString sbsPpm = dir + "/sbs.ppm";
    if (haveCjpeg)
        WritePpm(sideBySide.Image, sbsPpm);
    for (bool progressive : {false, true}) {
        QByteArray encoded;
        const double ms = TimeMs(std::min(runs, 3), [&] {
            EncodeJpeg(sideBySide.Image, TJpegOptions{96, progressive}, &encoded);
        });
        const double cpu = gThreadCpuMs;
        char what[96];
        std::snprintf(what, sizeof(what), "encode %dx%d quality 96 %s", sideBySide.Width(), sideBySide.Height(),
                      progressive ? "progressive" : "baseline");
        char size[64];
        std::snprintf(size, sizeof(size), "(%.1f MB)", encoded.size() / 1e6);
        Line(what, ms, size);
        if (haveCjpeg) {
            std::vector<std::string> args{"cjpeg", "-quality", "96"};
            if (progressive)
                args.push_back("-progressive");
            args.insert(args.end(), {"-outfile", "/dev/null", sbsPpm.toStdString()});
            Ratio(progressive ? "cjpeg -progressive, same picture from PPM" : "cjpeg, same picture from PPM", ms, cpu,
                  TimeTool(toolRuns, args));
        }
    }
    sideBySide.Image = QImage();

    if (haveComposite) {
        std::printf("\nRed/cyan anaglyph against the compositor\n");
        const QString l = dir + "/left.ppm", r = dir + "/right.ppm", o = dir + "/stereo.ppm";
        WritePpm(left.Image, l);
        WritePpm(right.Image, r);
        const double ours = TimeMs(runs, [&] { CombineStereoPicture(slRedCyan, akColor, left, right, out, 0); });
        Line("ours: layout 4 colour, in memory", ours);
        Ratio("composite -stereo 0 (PPM in and out)", ours, -1,
              TimeTool(toolRuns, {"composite", "-stereo", "0", r.toStdString(), l.toStdString(), o.toStdString()}));
    }
    DragStepFigure(pictures, runs);
    BenchSettingsPreview(pictures, runs);

    left.Image = QImage();
    right.Image = QImage();
    BenchSave(argv[0], w, h, runs, dir, haveCjpeg, big);
    if (!big) {
        BenchOpen(argv[0], runs, dir);
        BenchPreview(argv[0], runs, dir);
        BenchSwitch(argv[0], runs, dir);
    }
    std::printf("\nPeak memory of the whole run: %ld MB\n", PeakRssMb());
    return 0;
}
