#include "model/Liste_Polygon.h"

#include "history/History.h"
#include "history/Streams.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

const QString TPolygonListe::kEndMarkerError =
    QStringLiteral("End of Data TPolygonListe nicht gefunden!");
const QString TPolygonListe::kNodeNotFoundError =
    QStringLiteral("aBezPkt in TPolygonListe nicht gefunden!");

namespace {

// The smallest geometry block a node can have: three integers and the
// counted end marker. A stored count that the remaining bytes cannot hold is
// damage, not a ring to allocate.
constexpr qint64 kMinNodeGeometryBytes = 3 * 4 + 4 + 5;

QPen DecorationPen(TColor color, qreal width)
{
    return QPen(ColorToQColor(color), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

TPolygonListe::TPolygonListe() = default;

TPolygonListe::TBuildBatch::TBuildBatch(TPolygonListe& outline) : FOutline(outline) { ++FOutline.FBuildBatches; }

TPolygonListe::TBuildBatch::~TBuildBatch()
{
    if (--FOutline.FBuildBatches == 0)
        FOutline.BuildPoints();
}

TPolygonListe::~TPolygonListe()
{
    FLastAdded = nullptr;
    while (!FNodes.empty()) {
        std::unique_ptr<TBezEndPkt> last = std::move(FNodes.back());
        FNodes.pop_back();
    }
}

TBezEndPkt* TPolygonListe::Items(int i) const
{
    return (i >= 0 && i < Count()) ? FNodes[size_t(i)].get() : nullptr;
}

int TPolygonListe::IndexOf(const TAnfasser* p) const
{
    const auto* node = dynamic_cast<const TBezEndPkt*>(p);
    if (!node)
        return -2;
    for (int i = 0; i < Count(); ++i)
        if (FNodes[size_t(i)].get() == node)
            return i;
    return -1;
}

void TPolygonListe::Neighbours(const TBezEndPkt* node, int& prev, int& next) const
{
    const int i = IndexOf(node);
    if (i < 0)
        throw EPlenoptraError(kNodeNotFoundError);
    const int n = Count();
    prev = i == 0 ? n - 1 : i - 1;
    next = i == n - 1 ? 0 : i + 1;
}

void TPolygonListe::InstallHook(TBezEndPkt* node)
{
    // The outline has nothing to add to a segment change; the hook stays set
    // so that every node in the ring looks alike.
    node->SegmentChanged = [](TBezEndPkt*, quint8, quint8) {};
}

TBezEndPkt* TPolygonListe::AddNode(int x, int y, int index)
{
    const int n = Count();
    auto owned = std::make_unique<TBezEndPkt>(x, y);
    TBezEndPkt* node = owned.get();
    node->SetVisible(true);
    InstallHook(node);
    FLastAdded = node;

    int prev = 0;
    int next = 0;
    if (n < 2 || n <= index || index < 0) {
        FNodes.push_back(std::move(owned));
        next = 0;
        prev = Count() - 2;
    } else {
        FNodes.insert(FNodes.begin() + index, std::move(owned));
        next = index + 1;
        prev = index == 0 ? Count() - 1 : index - 1;
    }

    const TSelect* selection = SelectListe();
    if (selection && selection->Reference() && prev >= 0) {
        TBezEndPkt* p = Items(prev);
        TBezEndPkt* q = Items(next);
        // The curve pass forces a change, so that the line pass really resets
        // whatever the segments were before.
        node->SetSegmentType(stCurve, q);
        p->SetSegmentType(stCurve, node);
        node->SetSegmentType(stLine, q);
        p->SetSegmentType(stLine, node);
    }
    BuildPoints();
    return node;
}

void TPolygonListe::DeleteNode(TBezEndPkt* node)
{
    const int index = IndexOf(node);
    if (index < 0)
        return;
    if (node == FLastAdded)
        FLastAdded = nullptr;
    if (node->Incoming()->Curve() != node->Outgoing()->Curve()) {
        int prev = 0, next = 0;
        Neighbours(node, prev, next);
        const bool arrivingIsLine = node->Incoming()->Curve() == stLine;
        TBezEndPkt* keeper = Items(arrivingIsLine ? prev : next);
        TBezSteuerPkt* c = arrivingIsLine ? keeper->Outgoing() : keeper->Incoming();
        c->SetCurve(stCurve);
        c->SetRelXY(QPoint(node->X() - keeper->X(), node->Y() - keeper->Y()));
        c->SetRelD(nearest((node->Z() - keeper->Z()) / kDepthFactor));
        c->SetVisible(true);
        // The surviving segment starts at prev; its node flag must say curve
        // as well, or a later "make line" on it would see nothing to change.
        if (arrivingIsLine)
            keeper->SetCurve(stCurve);
    }
    // Out of the ring first, so that the node's farewell to the selection
    // (which saves the selection by ring index) no longer finds it there.
    std::unique_ptr<TBezEndPkt> owned = std::move(FNodes[size_t(index)]);
    FNodes.erase(FNodes.begin() + index);
    owned.reset();
    BuildPoints();
}

void TPolygonListe::Clear()
{
    // Every node leaves the selection as it dies; the emptied selection is
    // saved once.
    TSelect::TSaveBatch saveOnce(SelectListe());
    FLastAdded = nullptr;
    while (!FNodes.empty()) {
        std::unique_ptr<TBezEndPkt> last = std::move(FNodes.back());
        FNodes.pop_back();
    }
    if (TSelect* selection = SelectListe())
        selection->Clear();
    BuildPoints();
}

void TPolygonListe::BuildPoints()
{
    if (FBuildBatches > 0)
        return;
    const int n = Count();
    if (n < 2) {
        FLeftPoints.clear();
        FRightPoints.clear();
        return;
    }
    const size_t size = size_t(3 * n + 1);
    FLeftPoints.assign(size, QPoint(-1, -1));
    FRightPoints.assign(size, QPoint(-1, -1));
    auto put = [this](size_t at, const TAnfasser& p) {
        FLeftPoints[at] = QPoint(p.GetX(0), p.GetY());
        FRightPoints[at] = QPoint(p.GetX(1), p.GetY());
    };
    for (int i = 0; i < n; ++i) {
        // Segment i runs to node i + 1; the last one closes the ring at node 0.
        const TBezEndPkt& a = *FNodes[size_t(i)];
        const TBezEndPkt& b = *FNodes[size_t(i == n - 1 ? 0 : i + 1)];
        const size_t at = size_t(3 * i);
        put(at, a);
        put(at + 1, *a.Outgoing());
        put(at + 2, *b.Incoming());
        put(at + 3, b);
    }
}

bool TPolygonListe::IsDrawable() const
{
    const int n = Count();
    return n >= 3 || (n == 2 && (FNodes[0]->Curve() == stCurve || FNodes[1]->Curve() == stCurve));
}

QPainterPath TPolygonListe::BezierPath(int side) const
{
    QPainterPath path;
    const std::vector<QPoint>& p = Points(side);
    if (p.size() < 4)
        return path;
    path.moveTo(p[0]);
    for (size_t i = 1; i + 2 < p.size(); i += 3)
        path.cubicTo(p[i], p[i + 1], p[i + 2]);
    path.closeSubpath();
    return path;
}

void TPolygonListe::StrokeDecoration(QPainter& painter, const QPainterPath& path, TColor innermost,
                                     const TDesktopData& s) const
{
    // Widest first: each narrower stroke covers the inner part of the one
    // before, and the last one, in the cover colour, keeps the gap between
    // outline and frames. Strokes are centred, hence twice each band.
    // The settings dialog takes any width a user types; summed as integers
    // four large ones would overflow.
    const qreal distance = s.DecorDistance;
    const qreal inner = s.DecorWidthInside;
    const qreal middle = s.DecorWidthMiddle;
    const qreal outer = s.DecorWidthOutside;
    if (outer > 0)
        painter.strokePath(path, DecorationPen(s.DecorColorOutside, 2 * (distance + inner + middle + outer)));
    if (middle > 0)
        painter.strokePath(path, DecorationPen(s.DecorColorMiddle, 2 * (distance + inner + middle)));
    if (inner > 0)
        painter.strokePath(path, DecorationPen(s.DecorColorInside, 2 * (distance + inner)));
    if (distance > 0)
        painter.strokePath(path, DecorationPen(innermost, 2 * distance));
}

void TPolygonListe::DrawMaskedPicture(QPainter& painter, int side, const QRect& rect,
                                      const QImage& picture, TColor cover, bool decorate,
                                      const TDesktopData& settings) const
{
    if (!IsDrawable()) {
        painter.drawImage(0, 0, picture);
        return;
    }
    painter.save();
    // Hard edges: the mask must not blend cover into the picture.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect, ColorToQColor(cover));
    const QPainterPath path = BezierPath(side);
    if (decorate)
        StrokeDecoration(painter, path, cover, settings);
    painter.setClipPath(path, Qt::IntersectClip);
    painter.drawImage(0, 0, picture);
    painter.restore();
}

void TPolygonListe::DrawMaskArea(QPainter& painter, int side, const QRect& rect, TColor outside,
                                 TColor inside, bool decorate, const TDesktopData& settings) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (!IsDrawable()) {
        painter.fillRect(rect, ColorToQColor(inside));
        if (Count() == 2) {
            painter.setPen(QPen(ColorToQColor(outside), 1));
            const TBezEndPkt& a = *FNodes[0];
            const TBezEndPkt& b = *FNodes[1];
            painter.drawLine(QPoint(a.GetX(side), a.GetY()), QPoint(b.GetX(side), b.GetY()));
        }
        painter.restore();
        return;
    }
    painter.fillRect(rect, ColorToQColor(outside));
    // The outline takes the colour of the last decoration stroke drawn, or
    // the outside colour without decoration.
    TColor outlineColor = outside;
    if (decorate) {
        StrokeDecoration(painter, BezierPath(side), outside, settings);
        if (settings.DecorDistance > 0)
            outlineColor = outside;
        else if (settings.DecorWidthInside > 0)
            outlineColor = settings.DecorColorInside;
        else if (settings.DecorWidthMiddle > 0)
            outlineColor = settings.DecorColorMiddle;
        else if (settings.DecorWidthOutside > 0)
            outlineColor = settings.DecorColorOutside;
    }
    painter.setPen(QPen(ColorToQColor(outlineColor), 1));
    painter.setBrush(ColorToQColor(inside));
    painter.drawPath(BezierPath(side));
    painter.restore();
}

void TPolygonListe::WriteToStream(int aspect, TStream& stream) const
{
    WriteInteger(stream, Count());
    for (const auto& node : FNodes)
        node->WriteToStream(aspect, stream);
    WriteRawString(stream, kEndMarker);
}

void TPolygonListe::ReadFromStream(int aspect, TStream& stream)
{
    // Rebuilds once, however the read ends, so that the point arrays always
    // match the nodes that made it into the ring.
    TBuildBatch rebuild(*this);
    if (aspect == 0)
        Clear();
    const qint32 n = ReadInteger(stream);
    // The state aspect can only describe nodes the ring already has.
    const bool countFits = n >= 0
        && (aspect == 0 ? n <= stream.Remaining() / kMinNodeGeometryBytes : n <= Count());
    if (!countFits)
        throw ERangeError(kEndMarkerError);
    for (int i = 0; i < n; ++i) {
        TBezEndPkt* node = nullptr;
        if (aspect == 0) {
            auto owned = std::make_unique<TBezEndPkt>(0, 0);
            owned->ReadFromStream(aspect, stream);
            node = owned.get();
            FNodes.push_back(std::move(owned));
        } else {
            node = Items(i);
            node->ReadFromStream(aspect, stream);
        }
        InstallHook(node);
        node->SetVisible(true);
        FLastAdded = node;
    }
    ReadEndMarker(stream, kEndMarker, kEndMarkerError);
}

void TPolygonListe::SaveToCurrent() const
{
    THistoryListe* history = HistoryListe();
    if (!history)
        return;
    THistoryEintrag& current = history->Current();
    current.R01().GeometryStream.Clear();
    current.R02().OutlineStateStream.Clear();
    WriteToStream(0, current.R01().GeometryStream);
    WriteToStream(1, current.R02().OutlineStateStream);
}

void TPolygonListe::LoadFromEntry()
{
    THistoryListe* history = HistoryListe();
    THistoryEintrag* entry = history ? history->CurrentEntry() : nullptr;
    if (!entry)
        return;
    LoadFromStreams(entry->R01().GeometryStream, entry->R02().OutlineStateStream);
}

void TPolygonListe::LoadFromStreams(TStream& geometry, TStream& state)
{
    geometry.Rewind();
    state.Rewind();
    // A step recorded before the outline was ever stored holds no geometry
    // at all: that is an empty mask, not damage.
    if (geometry.Size() == 0) {
        Clear();
        return;
    }
    ReadFromStream(0, geometry);
    try {
        ReadFromStream(1, state);
    } catch (const std::exception&) {
        // Entries of the first file version carry no state: the nodes stay
        // corners joined by straight segments, as the geometry made them.
    }
}
