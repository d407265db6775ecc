#pragma once
// Mask files and picture pairs for the export tests, written as the editor
// writes them: the outline and the settings stored into the history's working
// state, one step added, the history saved without its settings trailer.

#include "history/History.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"
#include "stereo/BmpFile.h"

#include <QImage>
#include <QString>

#include <functional>

// The outline of most tests: a rectangle from (50, 20) to (150, 80) with a
// parallax of 10, on a 200 x 100 pair.
inline void DrawWindow(TPolygonListe& outline)
{
    for (int i = 0; i < 4; ++i)
        outline.AddNode(i == 1 || i == 2 ? 150 : 50, i < 2 ? 20 : 80, i)->SetZ(10);
}

// Cover 0x222222 outside the window, no frames.
inline void PlainCover(TDesktopData& settings)
{
    settings.FileMaskPictColor = 0x00222222;
    settings.DecorUse = 0;
}

// Writes a mask file whose one step names the pair; the program-wide objects
// it needs are gone again when it returns.
inline void WriteMaskFile(const QString& path, const QString& left, const QString& right, int layout,
                          const std::function<void(TPolygonListe&)>& draw = DrawWindow,
                          const std::function<void(TDesktopData&)>& settings = PlainCover)
{
    TProgramObjects objects;
    draw(*objects.PolygonListe);
    objects.PolygonListe->BuildPoints();
    objects.PolygonListe->SaveToCurrent();
    TDesktopData s;
    settings(s);
    s.SaveToHistoryCurrent();
    THistoryListe& history = *objects.HistoryListe;
    history.Current().R01().LeftFileName = left;
    history.Current().R01().RightFileName = right;
    history.Current().R02().InputLayout = quint8(layout);
    history.Add(QStringLiteral("Punkt"));
    history.SaveToFile(path, false);
}

inline QString WriteBmp(const QString& path, int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    SaveBmpFile(image, path);
    return path;
}
