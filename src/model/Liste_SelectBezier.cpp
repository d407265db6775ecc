#include "model/Liste_SelectBezier.h"

#include "history/History.h"
#include "history/Streams.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

const QString TSelect::kEndMarkerError = QStringLiteral("End of Data TSelect nicht gefunden!");

namespace {

void RebuildOutline()
{
    if (TPolygonListe* outline = PolygonListe())
        outline->BuildPoints();
}

int RingIndex(const TBezEndPkt* node)
{
    const TPolygonListe* outline = PolygonListe();
    return outline ? outline->IndexOf(node) : -1;
}

// Ring index of every node, built in one pass, for work that needs the
// index of many members (a search per member would cost the ring's length
// each time).
std::unordered_map<const TBezEndPkt*, int> RingIndices()
{
    std::unordered_map<const TBezEndPkt*, int> indices;
    if (const TPolygonListe* outline = PolygonListe())
        for (int i = 0; i < outline->Count(); ++i)
            indices.emplace(outline->Items(i), i);
    return indices;
}

// The index in indices, or -1 (not in the ring) as IndexOf reports it.
int IndexIn(const std::unordered_map<const TBezEndPkt*, int>& indices, const TBezEndPkt* node)
{
    const auto it = indices.find(node);
    return it == indices.end() ? -1 : it->second;
}

int RingCount()
{
    const TPolygonListe* outline = PolygonListe();
    return outline ? outline->Count() : 0;
}

} // namespace

void TSelect::Changed(void* sender)
{
    if (OnChange)
        OnChange(sender);
}

TSelect::TSaveBatch::TSaveBatch(TSelect* selection) : FSelection(selection)
{
    if (FSelection)
        ++FSelection->FSaveBatches;
}

TSelect::TSaveBatch::~TSaveBatch()
{
    if (!FSelection || --FSelection->FSaveBatches > 0 || !FSelection->FSavePending)
        return;
    FSelection->FSavePending = false;
    FSelection->SaveToCurrent();
}

void TSelect::SaveOrDefer()
{
    if (FSaveBatches > 0)
        FSavePending = true;
    else
        SaveToCurrent();
}

void TSelect::Add(TBezEndPkt* node)
{
    FItems.push_back(node);
    SaveOrDefer();
    Changed(node);
}

void TSelect::Remove(TBezEndPkt* node)
{
    // Members leave mostly from the back (deselecting all, clearing the
    // ring), so the search starts there.
    const auto it = std::find(FItems.rbegin(), FItems.rend(), node);
    if (it != FItems.rend())
        FItems.erase(std::next(it).base());
    SaveOrDefer();
    Changed(this);
}

TBezEndPkt* TSelect::Items(int i) const
{
    return (i >= 0 && i < Count()) ? FItems[size_t(i)] : nullptr;
}

void TSelect::MakeReference(TBezEndPkt* node)
{
    const auto it = std::find(FItems.begin(), FItems.end(), node);
    if (it != FItems.end() && it != FItems.begin())
        std::iter_swap(FItems.begin(), it);
}

bool TSelect::DeselectAll()
{
    const bool hadMembers = Count() > 0;
    {
        TSaveBatch batch(this);
        for (int i = Count() - 1; i >= 0; --i)
            if (TBezEndPkt* node = Items(i))
                node->SetSelected(false);
    }
    SaveOrDefer();
    return hadMembers;
}

void TSelect::Clear()
{
    FItems.clear();
    Changed(this);
}

void TSelect::DepthStep(int step)
{
    for (TBezEndPkt* node : std::vector<TBezEndPkt*>(FItems))
        node->SetZ(node->Z() + step);
}

void TSelect::ZeroDepth()
{
    for (int i = Count() - 1; i >= 0; --i)
        FItems[size_t(i)]->SetZ(0);
}

void TSelect::AlignX()
{
    if (Count() < 2)
        return;
    const int x = Reference()->X();
    for (int i = Count() - 1; i >= 1; --i)
        FItems[size_t(i)]->SetPosXY(QPoint(x, FItems[size_t(i)]->Y()));
    RebuildOutline();
}

void TSelect::AlignY()
{
    if (Count() < 2)
        return;
    const int y = Reference()->Y();
    for (int i = Count() - 1; i >= 1; --i)
        FItems[size_t(i)]->SetPosXY(QPoint(FItems[size_t(i)]->X(), y));
    RebuildOutline();
}

void TSelect::AlignZ()
{
    if (Count() < 2)
        return;
    const int z = Reference()->Z();
    for (int i = Count() - 1; i >= 0; --i)
        FItems[size_t(i)]->SetZ(z);
}

void TSelect::MoveXY(const QPoint& delta)
{
    for (TBezEndPkt* node : FItems)
        node->MoveXY(delta);
    RebuildOutline();
}

void TSelect::MoveZ(int dz)
{
    for (TBezEndPkt* node : FItems)
        node->MoveZ(dz);
    RebuildOutline();
}

void TSelect::DeleteSelected()
{
    TPolygonListe* outline = PolygonListe();
    if (outline) {
        // Each deletion takes the node out of this list through its destructor.
        for (int i = Count() - 1; i >= 0; --i)
            if (TBezEndPkt* node = Items(i))
                outline->DeleteNode(node);
        if (outline->Count() == 2) {
            TBezEndPkt* a = outline->Items(0);
            TBezEndPkt* b = outline->Items(1);
            const bool mixed = a->Incoming()->Curve() != a->Outgoing()->Curve()
                || b->Incoming()->Curve() != b->Outgoing()->Curve();
            if (mixed) {
                a->SetSegmentType(stCurve, b);
                b->SetSegmentType(stCurve, a);
                a->SetSegmentType(stLine, b);
                b->SetSegmentType(stLine, a);
                outline->BuildPoints();
            }
        } else if (outline->Count() == 1) {
            TBezEndPkt* a = outline->Items(0);
            a->SetSegmentType(stCurve, a);
            a->SetSegmentType(stLine, a);
            outline->BuildPoints();
        }
    }
    SaveToCurrent();
    Changed(this);
}

bool TSelect::HasAdjacentPair()
{
    if (Count() < 2)
        return false;
    const int n = RingCount();
    const auto indices = RingIndices();
    for (int i = 0; i < Count(); ++i) {
        int a = IndexIn(indices, FItems[size_t(i)]);
        int b = IndexIn(indices, FItems[size_t(i == Count() - 1 ? 0 : i + 1)]);
        if (b < a) {
            SegmentEnd = a;
            std::swap(a, b);
        }
        if (b == a + 1 || (a == 0 && b == n - 1))
            return true;
    }
    return false;
}

bool TSelect::HasCurveNode() const
{
    return std::any_of(FItems.begin(), FItems.end(), [](const TBezEndPkt* node) {
        return node->Incoming()->Curve() == stCurve && node->Outgoing()->Curve() == stCurve;
    });
}

bool TSelect::IsOneSegment()
{
    const int n = RingCount();
    if (Count() <= 1 && n <= 1)
        return true;
    if (Count() != 2)
        return false;
    int a = RingIndex(FItems[0]);
    int b = RingIndex(FItems[1]);
    if (b < a) {
        SegmentEnd = a;
        std::swap(a, b);
    }
    if (a == 0 && b == n - 1) {
        // The closing segment: a node inserted at index 0 lands between the
        // last node and the old first one.
        SegmentEnd = 0;
        return true;
    }
    SegmentEnd = b;
    return b == a + 1;
}

void TSelect::WriteToStream(TStream& stream) const
{
    WriteInteger(stream, Count());
    const auto indices = RingIndices();
    for (const TBezEndPkt* node : FItems)
        WriteInteger(stream, IndexIn(indices, node));
    WriteRawString(stream, kEndMarker);
}

void TSelect::ReadFromStream(TStream& stream)
{
    TSaveBatch batch(this);
    DeselectAll();
    const qint32 n = ReadInteger(stream);
    // Each index takes four bytes; a count beyond that is damage.
    if (n > stream.Remaining() / 4)
        throw ERangeError(kEndMarkerError);
    TPolygonListe* outline = PolygonListe();
    for (qint32 i = 0; i < n; ++i) {
        const qint32 index = ReadInteger(stream);
        if (outline && index >= 0 && index < outline->Count())
            outline->Items(index)->SetSelected(true);
    }
    ReadEndMarker(stream, kEndMarker, kEndMarkerError);
}

void TSelect::SaveToCurrent() const
{
    THistoryListe* history = HistoryListe();
    if (!history)
        return;
    TMemoryStream& stream = history->Current().R01().SelectionStream;
    stream.Clear();
    WriteToStream(stream);
}

void TSelect::LoadFromEntry()
{
    THistoryListe* history = HistoryListe();
    THistoryEintrag* entry = history ? history->CurrentEntry() : nullptr;
    if (!entry)
        return;
    TMemoryStream& stream = entry->R01().SelectionStream;
    stream.Rewind();
    // Nothing stored yet means nothing selected.
    if (stream.Size() == 0)
        DeselectAll();
    else
        ReadFromStream(stream);
    IsOneSegment();
}
