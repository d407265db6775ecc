#include "model/ProgramObjects.h"

#include "history/History.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/Liste_VisibledAnfasser.h"

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
    delete HistoryListe;
    HistoryListe = nullptr;
    delete VisibleAnfasser;
    VisibleAnfasser = nullptr;
    delete SelectStrPktListe;
    SelectStrPktListe = nullptr;
    delete SelectListe;
    SelectListe = nullptr;
    delete PolygonListe;
    PolygonListe = nullptr;
    gInstance = FPrevious;
}

TProgramObjects* TProgramObjects::Instance() { return gInstance; }

TPolygonListe* PolygonListe() { return gInstance ? gInstance->PolygonListe : nullptr; }
TSelect* SelectListe() { return gInstance ? gInstance->SelectListe : nullptr; }
TSelectStrPkt* SelectStrPktListe() { return gInstance ? gInstance->SelectStrPktListe : nullptr; }
TVisibleAnfasser* VisibleAnfasser() { return gInstance ? gInstance->VisibleAnfasser : nullptr; }
THistoryListe* HistoryListe() { return gInstance ? gInstance->HistoryListe : nullptr; }
