#pragma once
// TSelect: the node selection. Its first member is the reference node
// ("Bezugsknoten") the align commands align the others to. Nodes enter and
// leave it only through their own SetSelected. After every membership change
// it saves itself into the history's "Current" entry.

#include <QPoint>
#include <QString>

#include <functional>
#include <vector>

class TBezEndPkt;
class TStream;

class TSelect {
public:
    // Sender is the node added, or the selection itself.
    using TNotifyEvent = std::function<void(void* sender)>;

    static constexpr const char* kEndMarker = "-EOSel-";
    static const QString kEndMarkerError;

    TSelect() = default;
    TSelect(const TSelect&) = delete;
    TSelect& operator=(const TSelect&) = delete;

    // Membership, called by TBezEndPkt::SetSelected.
    void Add(TBezEndPkt* node);
    void Remove(TBezEndPkt* node);

    int Count() const { return int(FItems.size()); }
    // Member i, or null outside 0..Count-1.
    TBezEndPkt* Items(int i) const;
    // The first member, or null.
    TBezEndPkt* Reference() const { return Items(0); }
    // Exchanges node with the first member.
    void MakeReference(TBezEndPkt* node);
    // Deselects every member, last first; true when there were members.
    bool DeselectAll();
    // Forgets every member without touching the nodes (the outline is gone).
    void Clear();

    // Depth of every member by one pixel of parallax (step -1 or +1).
    void DepthStep(int step);
    // Every member into the plane of the stereo window.
    void ZeroDepth();
    // The members after the first take the reference's X, Y or Z.
    void AlignX();
    void AlignY();
    void AlignZ();
    void MoveXY(const QPoint& delta);
    void MoveZ(int dz);

    // Deletes every member from the outline; a ring left with two or one
    // nodes gets straight segments again.
    void DeleteSelected();
    // True when two members that follow each other in selection order
    // (cyclically) are neighbours in the ring. May change SegmentEnd.
    bool HasAdjacentPair();
    // True when some member has curves on both sides.
    bool HasCurveNode() const;
    // True when the selection designates exactly one segment; SegmentEnd
    // then is the ring index a node on that segment is inserted at.
    bool IsOneSegment();

    // Count, the ring index of every member, kEndMarker.
    void WriteToStream(TStream& stream) const;
    // Restores membership and order; indices outside the ring are skipped.
    // Raises ERangeError(kEndMarkerError) on a missing end marker or a count
    // the stream cannot hold.
    void ReadFromStream(TStream& stream);
    void SaveToCurrent() const;
    void LoadFromEntry();

    // While a batch lives, membership changes are saved into the history's
    // "Current" entry once, when the outermost batch ends, instead of after
    // every single change: restoring a selection of k members then costs k
    // steps, not k times the whole selection.
    class TSaveBatch {
    public:
        explicit TSaveBatch(TSelect* selection);
        ~TSaveBatch();
        TSaveBatch(const TSaveBatch&) = delete;
        TSaveBatch& operator=(const TSaveBatch&) = delete;

    private:
        TSelect* FSelection;
    };

    TNotifyEvent OnChange;
    // Ring index at which AddNode puts a node on the selected segment.
    int SegmentEnd = 0;

private:
    void Changed(void* sender);
    void SaveOrDefer();

    std::vector<TBezEndPkt*> FItems;
    int FSaveBatches = 0;
    bool FSavePending = false;
};
