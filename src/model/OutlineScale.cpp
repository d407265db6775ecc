#include "model/OutlineScale.h"

#include "model/Liste_Polygon.h"

void ScaleOutline(TPolygonListe& outline, double sx, double sy)
{
    for (int i = 0; i < outline.Count(); ++i) {
        TBezEndPkt* node = outline.Items(i);
        // Plain stores: the control points follow their node, no kind
        // constraint re-aligns them on the way.
        node->SetPosXY(QPoint(nearest(node->X() * sx), nearest(node->Y() * sy)));
        node->SetZ(nearest(node->Z() * sx));
        for (TBezSteuerPkt* c : {node->Incoming(), node->Outgoing()}) {
            c->SetRelXYF(float(c->RelX() * sx), float(c->RelY() * sy));
            c->SetRelDF(float(c->RelD() * sx));
        }
    }
    outline.BuildPoints();
}
