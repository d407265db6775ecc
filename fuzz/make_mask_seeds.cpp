// Writes the seed corpus of the mask target: small mask and program data
// files as the program writes them, covering both file versions, curves,
// every node kind, both selections, document and workspace settings and an
// empty history. Built on request only (target make_mask_seeds):
//
//   make_mask_seeds <folder>

#include "history/History.h"
#include "history/HistoryFile.h"
#include "model/ListObj_BezierPunk.h"
#include "model/ListObj_BezierSteuerPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

namespace {

// Every step records what the controller records: outline, selection and
// settings into "Current", then one named step.
void Step(TProgramObjects& o, const QString& name)
{
    o.PolygonListe->BuildPoints();
    o.PolygonListe->SaveToCurrent();
    o.SelectListe->SaveToCurrent();
    o.HistoryListe->Settings().SaveToHistoryCurrent(*o.HistoryListe);
    o.HistoryListe->Add(name);
}

void BuildEditingHistory(TProgramObjects& o)
{
    THistoryListe& history = *o.HistoryListe;
    TPolygonListe& outline = *o.PolygonListe;
    THistoryDataR01& r1 = history.Current().R01();
    r1.LeftFileName = QStringLiteral("/bilder/links.jpg");
    r1.RightFileName = QStringLiteral("/bilder/rechts.jpg");
    r1.ViewCenterX = 600;
    r1.ViewCenterY = 400;
    r1.Zoom = 0.35;
    r1.EditMode = 4;
    r1.CheckedActions = 0x15;
    history.Current().R02().InputLayout = 1;
    Step(o, QStringLiteral("Öffne L/R"));
    TBezEndPkt* a = outline.AddNode(100, 700, 9);
    TBezEndPkt* b = outline.AddNode(1100, 700, 9);
    TBezEndPkt* c = outline.AddNode(1100, 150, 9);
    TBezEndPkt* d = outline.AddNode(100, 150, 9);
    Step(o, QStringLiteral("ActNewMsk"));
    c->SetSegmentType(stCurve, d);
    d->SetSegmentType(stCurve, a);
    Step(o, QStringLiteral("ToCurve"));
    d->SetKind(nkGlatt);
    Step(o, QStringLiteral("ToGlatt"));
    a->SetKind(nkSymmetrisch);
    for (TBezEndPkt* n : {a, b, c, d})
        n->SetZ(-12);
    b->SetZ(-20);
    Step(o, QStringLiteral("Move Z"));
    c->SetSelected(true);
    a->SetSelected(true);
    c->Outgoing()->SetRelD(40);
    c->Outgoing()->SetSelected(true);
    Step(o, QStringLiteral("MultiSel"));
    TDesktopData& s = history.Settings();
    s.DecorWidthInside = 3;
    s.DecorWidthMiddle = 7;
    s.DecorWidthOutside = 2;
    s.DecorDistance = 9;
    s.FileMaskPictColor = 0x222222;
    s.GridVertCount = 25;
    s.GridHorizCount = 7;
    s.LastFileName = QStringLiteral("/bilder/links.jpg");
    Step(o, QStringLiteral("Desktop"));
}

bool Save(THistoryListe& history, const QString& name, bool withSettings)
{
    try {
        history.SaveToFile(name, withSettings);
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return false;
    }
}

// A file of the first version: entries carry the first payload only.
bool SaveVersion1(THistoryListe& history, const QString& name)
{
    try {
        TSaveFileStream stream(name);
        THistoryFileHeader header;
        header.FileVersion = 1;
        header.Count = history.Count();
        header.ItemIndex = history.ItemIndex();
        header.WriteToStream(stream);
        for (int i = 0; i < history.Count(); ++i) {
            WriteString(stream, history.Items(i)->Name);
            history.Items(i)->R01().WriteToStream(stream);
            WriteRawString(stream, "###-EOD-###\r\n");
        }
        WriteRawString(stream, "###-EOF-###");
        stream.Commit();
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return false;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    {
        TProgramObjects objects;
        BuildEditingHistory(objects);
        ok &= Save(*objects.HistoryListe, folder.filePath(QStringLiteral("editing-history.Plenoptrum")), false);
        ok &= Save(*objects.HistoryListe, folder.filePath(QStringLiteral("program-data-file.DAT")), true);
        ok &= SaveVersion1(*objects.HistoryListe, folder.filePath(QStringLiteral("version-1.Plenoptrum")));
        // Undone twice: the file reopens at an earlier step than its last.
        objects.HistoryListe->SetItemIndex(objects.HistoryListe->ItemIndex() - 2);
        ok &= Save(*objects.HistoryListe, folder.filePath(QStringLiteral("undone-twice.Plenoptrum")), false);
    }
    {
        TProgramObjects objects;
        ok &= Save(*objects.HistoryListe, folder.filePath(QStringLiteral("empty-history.DAT")), true);
    }
    return ok ? 0 : 1;
}
