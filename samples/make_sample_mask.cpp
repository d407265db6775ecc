// Writes the mask file for the bundled sample pair: what the editor itself
// writes when a user, on a first start, opens the pair, draws a stereo window
// with an arched top and brings it 12 pixels in front of the picture plane,
// then saves the mask. The program's own controller and main window do every
// step, so each history step carries the tool state, view and settings a
// real step carries.
//
//   make_sample_mask <left picture> <right picture> <mask file to write>

#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/History.h"
#include "history/HistoryFile.h"
#include "model/ListObj_BezierPunk.h"
#include "model/ListObj_BezierSteuerPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>

#include <cstdio>
#include <cstdlib>

namespace {

// The nearest object of the sample stands 9 pixels in front of the picture
// plane; the window floats 12 pixels in front.
constexpr int kWindowDepth = -12;

// A selection made with the rubber band: the band toggles what it encloses.
void RubberBandSelect(std::initializer_list<TBezEndPkt*> nodes)
{
    for (TBezEndPkt* node : nodes)
        node->SetSelected(true);
    HistoryListe()->Add(QStringLiteral("MultiSel"));
}

// A drag with the checked move tool: the release leaves the drag mode, which
// writes the tool's history step.
template <class Move>
void Drag(TDM& dm, quint8 dragMode, Move move)
{
    dm.SetEditMode(dragMode);
    move();
    dm.DragState = 2;
    dm.SetEditMode(TDM::emEditMask);
    dm.DragState = 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s left right mask\n", argv[0]);
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The offscreen platform's remarks about what it cannot do are no news
    // for a tool that shows nothing; real trouble still gets through.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    QApplication app(argc, argv);
    // The file is the editor's, so its header names the editor.
    SetHistoryProgramName(QStringLiteral("plenoptra"));
    const QString left = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString right = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const QSize size = QImageReader(left).size();
    if (!size.isValid() || QImageReader(right).size() != size) {
        std::fprintf(stderr, "cannot read the pair %s, %s\n", argv[1], argv[2]);
        return 1;
    }
    const int w = size.width(), h = size.height();
    const int inset = w / 20;
    const int top = h / 4;

    // A first start: no work state, the windows as the program builds them.
    TProgramObjects objects;
    TFormMain form;
    TDM dm;
    form.ConnectController(&dm);
    dm.ShowOpenStereoDialog = [] { return true; };
    dm.GetOpenStereoDialogState = [&](QString& l, QString& r, quint8& layout) {
        l = left;
        r = right;
        layout = 0;
    };
    dm.SetOpenStereoDialogState = [](const QString&, const QString&, quint8) {};
    form.show();
    for (int i = 0; i < 100 && !dm.AnaglyphButtonAction; ++i)
        QApplication::processEvents();
    if (!dm.AnaglyphButtonAction) {
        std::fprintf(stderr, "the deferred start did not run\n");
        return 1;
    }

    // "Öffne Stereobild ..." with the two files.
    dm.ActionOpenLinksRechtsExecute();
    if (dm.SourceLeft.Empty()) {
        std::fprintf(stderr, "the pair did not load\n");
        return 1;
    }

    // New mask: the corners clicked clockwise from the bottom left; each
    // click inserts on the segment the selection designates.
    dm.ActionNewMask->trigger();
    TSelect& selection = *SelectListe();
    for (const QPoint corner : {QPoint(inset, h - inset), QPoint(w - inset, h - inset), QPoint(w - inset, top),
                                QPoint(inset, top)}) {
        if (!selection.IsOneSegment())
            break;
        dm.NewPointPos = corner;
        dm.SetEditMode(TDM::emInsertPoint);
    }
    TPolygonListe& outline = *PolygonListe();
    if (outline.Count() != 4) {
        std::fprintf(stderr, "the window has %d corners\n", outline.Count());
        return 1;
    }
    TBezEndPkt* topLeft = nullptr;
    TBezEndPkt* topRight = nullptr;
    for (int i = 0; i < 4; ++i) {
        TBezEndPkt* node = outline.Items(i);
        if (QPoint(node->X(), node->Y()) == QPoint(inset, top))
            topLeft = node;
        if (QPoint(node->X(), node->Y()) == QPoint(w - inset, top))
            topRight = node;
    }
    TBezEndPkt* from = outline.Items((outline.IndexOf(topLeft) + 1) % 4) == topRight ? topLeft : topRight;
    TBezEndPkt* to = from == topLeft ? topRight : topLeft;

    // Edit: the top edge becomes a curve, its control points are dragged up
    // into an arch.
    dm.ActionMaskEdit->trigger();
    selection.DeselectAll();
    RubberBandSelect({from, to});
    dm.ActionLinieInKurve->trigger();
    Drag(dm, TDM::emDragMoveXY, [&] {
        from->Outgoing()->SetRelXY(QPoint(0, -top + inset));
        to->Incoming()->SetRelXY(QPoint(0, -top + inset));
        outline.BuildPoints();
    });

    // Depth: all corners, with the depth tool, to the window's depth; then
    // the move tool is the checked one again.
    selection.DeselectAll();
    RubberBandSelect({outline.Items(0), outline.Items(1), outline.Items(2), outline.Items(3)});
    dm.ActionPointMoveZ->trigger();
    Drag(dm, TDM::emDragMoveZ, [&] { selection.MoveZ(kWindowDepth); });
    dm.ActionPointMoveXY->trigger();

    // Done: nothing selected, the edit tool put away.
    if (selection.DeselectAll())
        HistoryListe()->Add(QStringLiteral("UnSelAll"));
    dm.ActionMaskEdit->trigger();

    try {
        HistoryListe()->SaveToFile(QString::fromLocal8Bit(argv[3]), false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
