#pragma once
// Small stereo scenes with a known depth for the window-check tests, and mask
// files over them. A scene is a textured background at one parallax and a
// textured near rectangle at another, rendered as two parallel cameras see
// it: the rectangle hides the background behind it in both pictures, and
// what enters the right picture from outside is new texture.
#include "history/History.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <random>
#include <vector>

namespace scenes {

// Random grey texture, one value per block x block square.
inline QImage Texture(int w, int h, unsigned seed, int block = 2)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(0, 255);
    QImage image(w, h, QImage::Format_RGB32);
    std::vector<int> row(size_t((w + block - 1) / block));
    for (int y = 0; y < h; ++y) {
        if (y % block == 0)
            for (int& v : row)
                v = value(rng);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb(row[size_t(x / block)], row[size_t(x / block)], row[size_t(x / block)]);
    }
    return image;
}

struct TScene {
    int Width = 320, Height = 240;
    int Background = 6;   // parallax of the background
    QRect Near;           // the near rectangle in the left picture; empty: none
    int NearParallax = -6;
    bool Flat = false;    // one even grey instead of texture: nothing to match
};

// Writes NAME_L.bmp and NAME_R.bmp into dir; returns the two paths.
inline std::pair<QString, QString> WritePair(const QTemporaryDir& dir, const QString& name, const TScene& s)
{
    QImage left(s.Width, s.Height, QImage::Format_RGB32), right(s.Width, s.Height, QImage::Format_RGB32);
    if (s.Flat) {
        left.fill(qRgb(128, 128, 128));
        right.fill(qRgb(128, 128, 128));
    } else {
        // The background texture is wider than the picture by the parallax,
        // so the right picture shows real background, not new noise, where
        // it looks past the left picture's edge.
        const int pad = std::abs(s.Background);
        const QImage back = Texture(s.Width + 2 * pad, s.Height, 11);
        const QImage front = Texture(s.Width, s.Height, 23);
        auto backAt = [&](int x, int y) { return reinterpret_cast<const QRgb*>(back.constScanLine(y))[x + pad]; };
        for (int y = 0; y < s.Height; ++y) {
            auto* l = reinterpret_cast<QRgb*>(left.scanLine(y));
            auto* r = reinterpret_cast<QRgb*>(right.scanLine(y));
            const auto* f = reinterpret_cast<const QRgb*>(front.constScanLine(y));
            for (int x = 0; x < s.Width; ++x) {
                l[x] = s.Near.contains(x, y) ? f[x] : backAt(x, y);
                // What the left picture shows at x the right one shows at
                // x + p: the right picture's x shows the left's x - p.
                const int xn = x - s.NearParallax;
                r[x] = s.Near.contains(xn, y) ? f[xn] : backAt(x - s.Background, y);
            }
        }
    }
    const QString l = dir.filePath(name + QStringLiteral("_L.bmp"));
    const QString r = dir.filePath(name + QStringLiteral("_R.bmp"));
    left.save(l);
    right.save(r);
    return {l, r};
}

// A mask file over the pair, as the editor writes it: one step whose
// outline is the rectangle's four corners (clockwise on screen) at depth z.
// Uses a program-object set of its own.
inline QString WriteMask(const QTemporaryDir& dir, const QString& name, const std::pair<QString, QString>& pair,
                         const QRect& window, int z, quint8 layout = 0)
{
    TProgramObjects objects;
    TPolygonListe& outline = *objects.PolygonListe;
    for (const QPoint corner : {window.topLeft(), window.topRight(), window.bottomRight(), window.bottomLeft()})
        outline.AddNode(corner.x(), corner.y(), outline.Count());
    for (int i = 0; i < outline.Count(); ++i)
        outline.Items(i)->MoveZ(z);
    outline.BuildPoints();
    THistoryListe& history = *objects.HistoryListe;
    history.Current().R01().LeftFileName = pair.first;
    history.Current().R01().RightFileName = pair.second;
    history.Current().R02().InputLayout = layout;
    outline.SaveToCurrent();
    history.Add(QStringLiteral("ActNewMsk"));
    const QString path = dir.filePath(name + QStringLiteral(".Plenoptrum"));
    history.SaveToFile(path, false);
    return path;
}

} // namespace scenes
