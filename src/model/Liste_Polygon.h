#pragma once
// TPolygonListe: the mask, a closed ring of nodes. Between each node and the
// next (and from the last back to the first) runs one cubic Bezier segment,
// shaped by the start node's Outgoing and the end node's Incoming control
// point. The outline keeps one ready-made Bezier point array per picture of
// the pair, cuts pictures along itself, and stores itself in the history's
// "Current" entry in two aspects: geometry (aspect 0) and state (aspect 1).

#include "model/ListObj_BezierPunk.h"

#include <QPoint>
#include <QString>

#include <memory>
#include <vector>

class QImage;
class QPainter;
class QPainterPath;
class QRect;
class TDesktopData;
class TStream;

class TPolygonListe {
public:
    static constexpr const char* kEndMarker = "-EOP-";
    static const QString kEndMarkerError;
    static const QString kNodeNotFoundError;

    TPolygonListe();
    ~TPolygonListe();
    TPolygonListe(const TPolygonListe&) = delete;
    TPolygonListe& operator=(const TPolygonListe&) = delete;

    int Count() const { return int(FNodes.size()); }
    // Node i, or null outside 0..Count-1.
    TBezEndPkt* Items(int i) const;
    // -2 when p is not a node, -1 when it is a node outside the ring, else
    // its index.
    int IndexOf(const TAnfasser* p) const;
    // Ring indices of the neighbours, wrapping around. Raises
    // EPlenoptraError(kNodeNotFoundError) when node is not in the ring.
    void Neighbours(const TBezEndPkt* node, int& prev, int& next) const;

    // Inserts a visible node at index (appends when index is past the end or
    // negative). With a node selected, both segments at the new node become
    // straight lines and the three nodes involved become corners.
    TBezEndPkt* AddNode(int x, int y, int index);
    // Removes and destroys node. When exactly one of its segments is a curve,
    // the surviving segment keeps a bulge towards the removed node.
    void DeleteNode(TBezEndPkt* node);
    // Destroys every node and empties the node selection.
    void Clear();
    TBezEndPkt* LastAdded() const { return FLastAdded; }

    // Rebuilds both point arrays: 3n + 1 points for n >= 2, none otherwise.
    void BuildPoints();
    QPoint LeftPoint(int i) const { return FLeftPoints.at(size_t(i)); }
    QPoint RightPoint(int i) const { return FRightPoints.at(size_t(i)); }
    const std::vector<QPoint>& Points(int side) const { return side == 0 ? FLeftPoints : FRightPoints; }
    // Index of the last point, -1 when the arrays are empty.
    int HighPoint() const { return int(FLeftPoints.size()) - 1; }
    // True when the ring encloses an area.
    bool IsDrawable() const;
    // The closed Bezier path of one side, in picture coordinates.
    QPainterPath BezierPath(int side) const;

    // Output rendering: everything outside the outline becomes cover, with
    // the decoration frames of settings when decorate is set; the picture
    // shows inside. Without an enclosed area the picture is drawn unchanged.
    void DrawMaskedPicture(QPainter& painter, int side, const QRect& rect, const QImage& picture,
                           TColor cover, bool decorate, const TDesktopData& settings) const;
    // Editor overlay: inside in one colour, outside in another.
    void DrawMaskArea(QPainter& painter, int side, const QRect& rect, TColor outside, TColor inside,
                      bool decorate, const TDesktopData& settings) const;

    void WriteToStream(int aspect, TStream& stream) const;
    // Raises ERangeError(kEndMarkerError) on a missing end marker and on a
    // node count the stream or the ring cannot hold; nodes read before stay.
    void ReadFromStream(int aspect, TStream& stream);
    // Writes both aspects into the history's "Current" entry.
    void SaveToCurrent() const;
    // Reads the entry at the undo position. A geometry error propagates; a
    // state error is dropped and leaves corner nodes with straight segments.
    void LoadFromEntry();
    // The same from a step's two outline streams (read from their start), for
    // a step that is not the history's: an empty geometry is an empty mask.
    void LoadFromStreams(TStream& geometry, TStream& state);

    // While a batch lives, BuildPoints does nothing; the outermost batch
    // rebuilds once when it ends. Reading n nodes, each of which would
    // otherwise rebuild the whole ring as it is created, costs n steps then
    // instead of n squared.
    class TBuildBatch {
    public:
        explicit TBuildBatch(TPolygonListe& outline);
        ~TBuildBatch();
        TBuildBatch(const TBuildBatch&) = delete;
        TBuildBatch& operator=(const TBuildBatch&) = delete;

    private:
        TPolygonListe& FOutline;
    };

private:
    void InstallHook(TBezEndPkt* node);
    void StrokeDecoration(QPainter& painter, const QPainterPath& path, TColor innermost,
                          const TDesktopData& settings) const;

    std::vector<std::unique_ptr<TBezEndPkt>> FNodes;
    std::vector<QPoint> FLeftPoints;
    std::vector<QPoint> FRightPoints;
    TBezEndPkt* FLastAdded = nullptr;
    int FBuildBatches = 0;
};
