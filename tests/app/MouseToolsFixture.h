#pragma once
// The real main window with a small pair, driven by QTest's mouse events. The
// view shows the pair at 100 %, so a window pixel is a picture pixel. Cross
// view: the left half shows the right picture; at depth 0 a node stands at
// the same place in both pictures.
#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/History.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <initializer_list>

#include "AppFixture.h"

class MouseToolsTest : public ::testing::Test {
protected:
    TFreshProgram p;
    TMessageRecorder messages;
    QWidget* view = nullptr;
    Qt::KeyboardModifiers keys;

    void SetUp() override
    {
        QTestPrivate::qtestMouseButtons = Qt::NoButton;
        p.Show(); // the deferred start wires selections and history
        p.dm.LoadStereoPair(WritePicture(p.dir, QStringLiteral("L.bmp"), 400, 300, Qt::darkGreen),
                            WritePicture(p.dir, QStringLiteral("R.bmp"), 400, 300, Qt::darkBlue), 0);
        p.dm.ActionAnsichtFit->trigger(); // centres the view on the pair
        p.dm.ActionAnsichtOriginal->trigger();
        view = p.form.ClientArea();
    }
    void TearDown() override
    {
        QTestPrivate::qtestMouseButtons = Qt::NoButton;
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    THistoryListe& History() { return *HistoryListe(); }
    TPolygonListe& Outline() { return *PolygonListe(); }
    TSelect& Nodes() { return *SelectListe(); }
    TSelectStrPkt& Controls() { return *SelectStrPktListe(); }
    TBezEndPkt* Node(int i) { return Outline().Items(i); }
    QPoint XY(int i) { return QPoint(Node(i)->X(), Node(i)->Y()); }

    // Window point of a picture point in the left half.
    QPoint InLeft(QPoint picture)
    {
        const TScreenPos s = p.dm.PictureToScreen(picture.x(), picture.y(), p.form.LeftHalfRect);
        return QPoint(s.sx, s.sy);
    }
    QPoint Empty() { return InLeft(QPoint(350, 20)); }

    void Press(QPoint w, Qt::MouseButton button = Qt::LeftButton) { QTest::mousePress(view, button, keys, w); }
    void Release(QPoint w, Qt::MouseButton button = Qt::LeftButton) { QTest::mouseRelease(view, button, keys, w); }
    // A move with the buttons QTest holds down (or the ones given).
    void Move(QPoint w, Qt::MouseButtons buttons = QTestPrivate::qtestMouseButtons)
    {
        QMouseEvent e(QEvent::MouseMove, w, view->mapToGlobal(w), Qt::NoButton, buttons, keys);
        QApplication::sendEvent(view, &e);
    }
    void Click(QPoint w, Qt::MouseButton button = Qt::LeftButton)
    {
        Press(w, button);
        Release(w, button);
    }
    // Press, a move half way, a move to the end, release.
    void Drag(QPoint from, QPoint to)
    {
        Press(from);
        Move((from + to) / 2);
        Move(to);
        Release(to);
    }

    // A mask made with the model directly, laid out on the window, and the
    // edit tool chosen; curves: the segments (from node i) to make curves.
    void MakeMask(std::initializer_list<QPoint> points, std::initializer_list<int> curves = {})
    {
        for (QPoint q : points)
            Outline().AddNode(q.x(), q.y(), Outline().Count());
        for (int i : curves)
            Node(i)->SetSegmentType(stCurve, Node((i + 1) % Outline().Count()));
        Relayout();
        p.dm.ActionMaskEdit->trigger();
    }
    // After changing the model by hand: new screen points and action states.
    void Relayout()
    {
        Outline().BuildPoints();
        p.dm.OnLayoutChanged();
        p.dm.UpdateActions();
    }
    void ChooseTool(QAction* tool)
    {
        if (!tool->isChecked())
            tool->trigger();
    }
    // The checked one of the eight move tools, or null.
    QAction* CheckedMoveTool()
    {
        for (int i = 2; i <= 9; ++i)
            if (p.dm.ToolCycle[size_t(i)]->isChecked())
                return p.dm.ToolCycle[size_t(i)];
        return nullptr;
    }
};
