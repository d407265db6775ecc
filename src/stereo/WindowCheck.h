#pragma once
// The window check: does anything in the scene stand in front of the stereo
// window where the window's edge cuts it? The edge of the outline is sampled
// every few pixels in the left picture; at each sample the window's own
// parallax there (right path minus left path) is compared with the parallax
// of the scene in a narrow band just inside the edge, taken from the cached
// disparity map. Where the scene is nearer (smaller parallax) than the window,
// the window violates it. The check reads the map and the point arrays only,
// so it runs on every edit without touching the pictures.

#include "stereo/DisparityMap.h"

#include <QPoint>
#include <QPointF>
#include <QString>

#include <vector>

class TPolygonListe;

// Which edge of the window a sample lies on, by the direction in which the
// window's inside lies from there (inside to the right: the left edge).
enum TWindowEdge : int {
    weLinks = 0,
    weOben = 1,
    weRechts = 2,
    weUnten = 3,
};

// "links", "oben", "rechts", "unten".
QString WindowEdgeName(TWindowEdge edge);

// The verdict; its value is also the exit code of a check from the command
// line.
enum TWindowVerdict : int {
    wvFrei = 0,       // no violation where the scene could be judged
    wvVerletzt = 1,   // at least one violated stretch
    wvUnbekannt = 2,  // too little of the edge could be judged (no texture, no map, no window)
};

// A scene nearer than the window by at most this much parallax is not
// reported: below a pixel the eye sees no conflict, and it is within the
// matcher's noise.
constexpr double kViolationTolerance = 1.0;

struct TWindowCheckParams {
    // Distance between samples along the edge, picture pixels; 0 chooses two
    // pixels of the map.
    double SampleSpacing = 0;
    // How far the band reaches into the window, picture pixels; 0 chooses six
    // pixels of the map.
    double BandDepth = 0;
    // The band's scene parallax is this low percentile of its known values,
    // never its very lowest one, so that single bad matches raise no alarm.
    double Percentile = 0.1;
    double Tolerance = kViolationTolerance;
    // A sample whose band has a smaller known share is unknown.
    double MinKnownShare = 0.3;
    // With a smaller share of known samples and no violation, the verdict is
    // "cannot tell".
    double MinJudgedShare = 0.2;
    // Unknown samples that may interrupt one violated stretch.
    int MaxGap = 2;
};

struct TEdgeSample {
    QPointF Point;          // on the edge, left picture
    QPointF Inward;         // unit vector into the window
    TWindowEdge Edge = weLinks;
    double Window = 0;      // the window's parallax here
    double Scene = TDisparityMap::kUnknown; // the band's parallax, unknown when not judged

    bool Known() const { return TDisparityMap::IsKnown(float(Scene)); }
    // How far the scene stands in front of the window (negative: behind).
    double Excess() const { return Window - Scene; }
    // The same edge point in the right picture.
    QPointF RightPoint() const { return Point + QPointF(Window, 0); }
};

struct TWindowViolation {
    TWindowEdge Edge = weLinks;
    // First and last violated sample of the stretch, left picture. The
    // stretch runs along the edge in the outline's direction and may pass
    // the outline's first point, so Last can be smaller than First.
    int First = 0;
    int Last = 0;
    QPointF From;
    QPointF To;
    // The largest excess in the stretch.
    double Excess = 0;
};

struct TWindowCheck {
    TWindowVerdict Verdict = wvUnbekannt;
    std::vector<TEdgeSample> Samples;
    std::vector<TWindowViolation> Violations;
    // Share of samples whose band could be judged.
    double JudgedShare = 0;
    // Smallest distance of the scene behind the window over the judged
    // samples (negative where it stands in front); unknown without any.
    double MinClearance = TDisparityMap::kUnknown;

    double MaxExcess() const;
};

// Samples of the closed Bezier path given by the left and right point arrays
// (3n + 1 points each, as the outline keeps them), spacing picture pixels
// apart along the left path, with the window's parallax and the inward
// direction; Scene stays unknown. Empty for arrays that enclose no area or
// differ in length.
std::vector<TEdgeSample> SampleWindowEdge(const std::vector<QPoint>& left, const std::vector<QPoint>& right,
                                          double spacing);

// The check of the window given by both point arrays against the map.
TWindowCheck CheckWindow(const std::vector<QPoint>& left, const std::vector<QPoint>& right, const TDisparityMap& map,
                         const TWindowCheckParams& params = {});
// The same for the outline; an outline that encloses no area gives
// "cannot tell".
TWindowCheck CheckWindow(const TPolygonListe& outline, const TDisparityMap& map,
                         const TWindowCheckParams& params = {});

// The status-bar text: "Scheinfenster: 2 Verletzungen, max. 7 px",
// "Scheinfenster: 1 Verletzung, max. 3 px", "Scheinfenster: frei" or
// "Scheinfenster: nicht beurteilbar".
QString WindowCheckStatusText(const TWindowCheck& check);
// One line of the command-line report: edge, from-x, from-y, to-x, to-y (left
// picture, whole pixels) and the excess in pixels with one decimal, separated
// by single spaces ("links 48 120 48 410 7.5").
QString WindowViolationLine(const TWindowViolation& violation);
