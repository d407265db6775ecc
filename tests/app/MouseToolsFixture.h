#pragma once
// The real main window with a small pair, driven by QTest's mouse events.
// The view shows the pair at 100 %, so one window pixel is one picture pixel
// and the expected values can be worked out by hand. Cross view: the left
// half shows the right picture; nodes at depth 0 stand at the same place in
// both pictures.
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
#include <ostream>

#include "AppFixture.h"

// Readable texts in the failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

class MouseToolsTest : public ::testing::Test {
protected:
    TFreshProgram p;
    TMessageRecorder messages;
    QWidget* view = nullptr;
    Qt::KeyboardModifiers keys;

    void SetUp() override
    {
        QTestPrivate::qtestMouseButtons = Qt::NoButton;
        p.form.show();
        // The deferred start connects the selections and the history.
        QCoreApplication::sendPostedEvents();
        const QString left = WritePicture(p.dir, QStringLiteral("L.bmp"), 400, 300, Qt::darkGreen);
        const QString right = WritePicture(p.dir, QStringLiteral("R.bmp"), 400, 300, Qt::darkBlue);
        p.dm.LoadStereoPair(left, right, 0);
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
    QString LastStep() { return History().Count() ? History().Items(History().Count() - 1)->Name : QString(); }

    // Window point of a picture point in the left or the right half.
    QPoint InLeft(QPoint picture)
    {
        const TScreenPos s = p.dm.PictureToScreen(picture.x(), picture.y(), p.form.LeftHalfRect);
        return QPoint(s.sx, s.sy);
    }
    QPoint InRight(QPoint picture)
    {
        const TScreenPos s = p.dm.PictureToScreen(picture.x(), picture.y(), p.form.RightHalfRect);
        return QPoint(s.sx, s.sy);
    }

    void Press(QPoint w, Qt::MouseButton button = Qt::LeftButton) { QTest::mousePress(view, button, keys, w); }
    void Release(QPoint w, Qt::MouseButton button = Qt::LeftButton) { QTest::mouseRelease(view, button, keys, w); }
    // A move with the buttons QTest holds down and the current keys.
    void Move(QPoint w, Qt::MouseButtons buttons)
    {
        QMouseEvent e(QEvent::MouseMove, w, view->mapToGlobal(w), Qt::NoButton, buttons, keys);
        QApplication::sendEvent(view, &e);
    }
    void Move(QPoint w) { Move(w, QTestPrivate::qtestMouseButtons); }
    void Click(QPoint w, Qt::MouseButton button = Qt::LeftButton)
    {
        Press(w, button);
        Release(w, button);
    }
    // Press, two moves (half way, then the end), release.
    void Drag(QPoint from, QPoint to)
    {
        Press(from);
        Move((from + to) / 2);
        Move(to);
        Release(to);
    }

    // A mask made with the model directly, laid out on the window.
    void MakeMask(std::initializer_list<QPoint> points)
    {
        for (QPoint q : points)
            Outline().AddNode(q.x(), q.y(), Outline().Count());
        Outline().SaveToCurrent();
        Relayout();
    }
    // After changing the model by hand: new screen points and action states.
    void Relayout()
    {
        Outline().BuildPoints();
        p.dm.OnLayoutChanged();
        p.dm.UpdateActions();
    }
    // The segment from node i to the next becomes a curve.
    void MakeCurve(int i)
    {
        Node(i)->SetSegmentType(stCurve, Node((i + 1) % Outline().Count()));
        Relayout();
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
