// Writes a mask file for the bundled sample pair: one history step that names
// the two pictures and holds an arched stereo window floating just in front
// of the nearest object of the scene, so that a first start shows the pair
// with its window at once.
//
//   make_sample_mask <left picture> <right picture> <mask file to write>

#include "history/History.h"
#include "model/ListObj_BezierPunk.h"
#include "model/ListObj_BezierSteuerPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s left right mask\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QString left = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString right = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const QSize size = QImageReader(left).size();
    if (!size.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const int w = size.width(), h = size.height();

    TProgramObjects objects;
    TPolygonListe& outline = *objects.PolygonListe;
    // Corners clockwise from bottom left; the top edge becomes an arch.
    const int inset = w / 20;
    const int top = h / 4;
    TBezEndPkt* nodes[4] = {
        outline.AddNode(inset, h - inset, 4),
        outline.AddNode(w - inset, h - inset, 4),
        outline.AddNode(w - inset, top, 4),
        outline.AddNode(inset, top, 4),
    };
    // The nearest object of the sample stands 9 pixels in front of the
    // picture plane; the window floats 12 pixels in front.
    for (TBezEndPkt* node : nodes)
        node->SetZ(-12);
    nodes[2]->SetSegmentType(1, nodes[3]);
    nodes[2]->Outgoing()->SetRelXY(QPoint(0, -top + inset));
    nodes[3]->Incoming()->SetRelXY(QPoint(0, -top + inset));
    outline.BuildPoints();
    outline.SaveToCurrent();
    objects.SelectListe->SaveToCurrent();

    THistoryListe& history = *objects.HistoryListe;
    history.Current().R01().LeftFileName = left;
    history.Current().R01().RightFileName = right;
    history.Current().R01().ViewCenterX = w / 2;
    history.Current().R01().ViewCenterY = h / 2;
    history.Settings().SaveToHistoryCurrent();
    history.Add(QStringLiteral("Öffne L/R"));
    try {
        history.SaveToFile(QString::fromLocal8Bit(argv[3]), false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
