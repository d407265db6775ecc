#include "model/ProgramObjects.h"

#include "history/History.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/Liste_VisibledAnfasser.h"

#include <utility>

namespace {
TProgramObjects* gInstance = nullptr;
}

TProgramObjects::TProgramObjects() : FPrevious(gInstance)
{
    // Installed first, so that objects created later find the earlier ones.
    gInstance = this;
    LockLeft = -1;
    LockRight = -1;
    PolygonListe = new TPolygonListe();
    SelectListe = new TSelect();
    SelectStrPktListe = new TSelectStrPkt();
    VisibleAnfasser = new TVisibleAnfasser();
    HistoryListe = new THistoryListe();
}

TProgramObjects::~TProgramObjects()
{
    // Each field is cleared before its object dies, so that points destroyed
    // with the outline find no registry, selection or history to report to.
    delete std::exchange(HistoryListe, nullptr);
    delete std::exchange(VisibleAnfasser, nullptr);
    delete std::exchange(SelectStrPktListe, nullptr);
    delete std::exchange(SelectListe, nullptr);
    delete std::exchange(PolygonListe, nullptr);
    gInstance = FPrevious;
}

TProgramObjects* TProgramObjects::Instance() { return gInstance; }

TPolygonListe* PolygonListe() { return gInstance ? gInstance->PolygonListe : nullptr; }
TSelect* SelectListe() { return gInstance ? gInstance->SelectListe : nullptr; }
TSelectStrPkt* SelectStrPktListe() { return gInstance ? gInstance->SelectStrPktListe : nullptr; }
TVisibleAnfasser* VisibleAnfasser() { return gInstance ? gInstance->VisibleAnfasser : nullptr; }
THistoryListe* HistoryListe() { return gInstance ? gInstance->HistoryListe : nullptr; }
