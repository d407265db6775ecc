#include "model/Liste_SelectBezierSteuerpkte.h"

#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"

#include <algorithm>
#include <iterator>

namespace {

void RebuildOutline()
{
    if (TPolygonListe* outline = PolygonListe())
        outline->BuildPoints();
}

bool IsCoupled(const TBezSteuerPkt* c)
{
    const quint8 kind = c->Owner()->Kind();
    return kind == nkGlatt || kind == nkSymmetrisch;
}

} // namespace

void TSelectStrPkt::Changed(void* sender)
{
    if (OnChange)
        OnChange(sender);
}

void TSelectStrPkt::Add(TBezSteuerPkt* c)
{
    FItems.push_back(c);
    // A coupled node is steered by one handle at a time.
    if (IsCoupled(c))
        c->Partner()->SetSelected(false);
    Changed(c);
}

void TSelectStrPkt::Remove(TBezSteuerPkt* c)
{
    // The member leaving is mostly one added last (a coupled partner, the
    // end of a deselect-all), so the search starts at the back.
    const auto it = std::find(FItems.rbegin(), FItems.rend(), c);
    if (it != FItems.rend())
        FItems.erase(std::next(it).base());
    Changed(this);
}

TBezSteuerPkt* TSelectStrPkt::Items(int i) const
{
    return (i >= 0 && i < Count()) ? FItems[size_t(i)] : nullptr;
}

void TSelectStrPkt::MakeReference(TBezSteuerPkt* c)
{
    // Readers mark the reference right after adding it: search from the back.
    const auto it = std::find(FItems.rbegin(), FItems.rend(), c);
    if (it != FItems.rend() && std::next(it) != FItems.rend())
        std::iter_swap(FItems.begin(), std::next(it).base());
}

bool TSelectStrPkt::DeselectAll()
{
    const bool hadMembers = Count() > 0;
    for (int i = Count() - 1; i >= 0; --i)
        if (TBezSteuerPkt* c = Items(i))
            c->SetSelected(false);
    return hadMembers;
}

void TSelectStrPkt::MoveRel(const QPoint& delta)
{
    for (TBezSteuerPkt* c : FItems)
        c->MoveRel(delta);
    RebuildOutline();
}

void TSelectStrPkt::AddDepth(int dz)
{
    for (TBezSteuerPkt* c : FItems)
        c->AddDepth(dz);
    RebuildOutline();
}

void TSelectStrPkt::Zero(int component)
{
    auto zero = [component](TBezSteuerPkt* c) {
        if (component == 0)
            c->SetRelXYF(0.0f, c->RelY());
        else if (component == 1)
            c->SetRelXYF(c->RelX(), 0.0f);
        else
            c->SetRelDF(0.0f);
    };
    for (TBezSteuerPkt* c : FItems) {
        if (IsCoupled(c)) {
            zero(c->Owner()->Incoming());
            zero(c->Owner()->Outgoing());
        } else {
            zero(c);
        }
    }
    RebuildOutline();
}

void TSelectStrPkt::ToX() { Zero(0); }
void TSelectStrPkt::ToY() { Zero(1); }
void TSelectStrPkt::ToZ() { Zero(2); }

void TSelectStrPkt::AlignX()
{
    if (Count() < 2)
        return;
    const int x = Reference()->GetX(0);
    for (int i = Count() - 1; i >= 1; --i)
        FItems[size_t(i)]->MoveRel(QPoint(x - FItems[size_t(i)]->GetX(0), 0));
    RebuildOutline();
}

void TSelectStrPkt::AlignY()
{
    if (Count() < 2)
        return;
    const int y = Reference()->GetY();
    for (int i = Count() - 1; i >= 1; --i)
        FItems[size_t(i)]->MoveRel(QPoint(0, y - FItems[size_t(i)]->GetY()));
    RebuildOutline();
}

void TSelectStrPkt::AlignZ()
{
    if (Count() < 2)
        return;
    const TBezSteuerPkt* ref = Reference();
    for (int i = Count() - 1; i >= 1; --i) {
        TBezSteuerPkt* c = FItems[size_t(i)];
        // Relative depths differ by the nodes' own depth, converted to units.
        c->SetDepth(ref->GetRelD() - nearest((c->Owner()->Z() - ref->Owner()->Z()) / kDepthFactor));
    }
    RebuildOutline();
}

void TSelectStrPkt::Transform(const QPoint& previous, const QPoint& current, int side, int mode)
{
    TBezSteuerPkt* ref = Reference();
    if (!ref)
        return;
    // Without a fresh transform the matrices may still hold an earlier
    // step's rotation; applying them again would turn the handles on.
    if (!ref->ComputeTransform(previous, current, side, mode))
        return;
    const TMatrix4 rotation = ref->Rotation();
    const TMatrix4 scale = ref->Scale();
    for (TBezSteuerPkt* c : FItems) {
        c->ApplyTransform(rotation, scale);
        if (c->PartnerFollows(mode))
            c->Partner()->ApplyTransform(rotation, scale);
    }
    RebuildOutline();
}
