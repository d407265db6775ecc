// The controller: its start-up state, the start-up message, and the view
// geometry that the window's layout and painting build on.
#include "app/Application.h"
#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/History.h"
#include "history/UserMessage.h"
#include "model/ProgramObjects.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A fresh program: program-wide objects, main window and controller, wired
// as the program wires them, with a data file that does not exist.
struct TFreshProgram {
    QTemporaryDir dir;
    TProgramObjects objects;
    TFormMain form;
    TDM dm;
    TFreshProgram()
    {
        qputenv("PLENOPTRA_DATA_FILE", dir.filePath(QStringLiteral("plenoptra.DAT")).toUtf8());
        form.ConnectController(&dm);
    }
    ~TFreshProgram() { qunsetenv("PLENOPTRA_DATA_FILE"); }
};

// Answers every message box with "No" and counts them.
struct TMessageRecorder {
    int count = 0;
    TUserMessageHandler previous;
    TMessageRecorder()
    {
        previous = SetUserMessageHandler([this](const QString&, int, unsigned) {
            ++count;
            return int(mrNo);
        });
    }
    ~TMessageRecorder() { SetUserMessageHandler(previous); }
};

} // namespace

TEST(StartUp, WithoutDataFileTheEditorIsEmptyInFitAndCrossView)
{
    TFreshProgram p;
    TMessageRecorder messages;
    TStartupEvent startup(kStartupMessage, kStartupWParam, kStartupLParam);
    QCoreApplication::sendEvent(qApp, &startup);
    EXPECT_TRUE(p.dm.ActionAnsichtFit->isChecked());
    EXPECT_TRUE(p.dm.ActionKreuz->isChecked());
    EXPECT_TRUE(p.dm.SourceLeft.Empty());
    EXPECT_TRUE(p.dm.ViewLeftHalf.Empty() && p.dm.ViewAnaglyph.Empty());
    EXPECT_EQ(p.form.windowTitle(), QStringLiteral("Plenoptra "));
    EXPECT_EQ(HistoryListe()->Count(), 0);
    EXPECT_EQ(p.dm.AnaglyphButtonAction, p.dm.ActionAnaglyphe_Halb);
    EXPECT_EQ(messages.count, 0);
}

TEST(StartUp, StartupMessageWithOtherParametersIsIgnored)
{
    TFreshProgram p;
    TStartupEvent wrongWord(kStartupMessage, 1235, kStartupLParam);
    TStartupEvent wrongLong(kStartupMessage, kStartupWParam, 4568);
    TStartupEvent wrongNumber(1025, kStartupWParam, kStartupLParam);
    QCoreApplication::sendEvent(qApp, &wrongWord);
    QCoreApplication::sendEvent(qApp, &wrongLong);
    QCoreApplication::sendEvent(qApp, &wrongNumber);
    // The deferred start would have set the anaglyph button's action.
    EXPECT_EQ(p.dm.AnaglyphButtonAction, nullptr);
    TStartupEvent right(kStartupMessage, kStartupWParam, kStartupLParam);
    QCoreApplication::sendEvent(qApp, &right);
    EXPECT_EQ(p.dm.AnaglyphButtonAction, p.dm.ActionAnaglyphe_Halb);
}

TEST(StartUp, ControllerStartsWithItsInitialFields)
{
    TFreshProgram p;
    EXPECT_EQ(p.dm.EditMode, TDM::emIdle);
    EXPECT_EQ(p.dm.CursorNumber, 8);
    EXPECT_DOUBLE_EQ(p.dm.FitScale, 0.8);
    EXPECT_DOUBLE_EQ(p.dm.ZoomScale, 0.1);
    EXPECT_DOUBLE_EQ(p.dm.ZoomStep, 0.1);
    EXPECT_EQ(p.dm.FitMargin, 16);
    EXPECT_EQ(p.dm.ViewCentre, QPoint(-1, -1));
    EXPECT_EQ(p.dm.BusyText, QStringLiteral("Bitte warten"));
    EXPECT_TRUE(p.dm.ActionPointMoveXY->isChecked());
    // The scroll tool follows the mode from the first UpdateActions on.
    EXPECT_FALSE(p.dm.ActionScrollen->isChecked());
    EXPECT_EQ(p.dm.ToolCycle[1], p.dm.ActionScrollen);
    EXPECT_EQ(p.dm.ToolCycle[9], p.dm.ActionRotate_X);
    EXPECT_EQ(p.dm.TrackedActions[8], p.dm.ActionNewMask);
    EXPECT_EQ(p.dm.TrackedActions[15], p.dm.ActionPointMove0);
    EXPECT_EQ(p.dm.TrackedActions[7], nullptr);
    // The zoom action never shows "Zoom" alone.
    EXPECT_NE(p.dm.ActionAnsichtZoom->text(), QStringLiteral("Zoom"));
}

TEST(StartUp, EveryActionHasCaptionHintCategoryAndIcon)
{
    TFreshProgram p;
    EXPECT_EQ(p.dm.Actions().size(), 44);
    for (QAction* a : p.dm.Actions()) {
        EXPECT_FALSE(a->text().isEmpty()) << a->objectName().toStdString();
        EXPECT_FALSE(a->toolTip().isEmpty()) << a->objectName().toStdString();
        EXPECT_FALSE(a->property("category").toString().isEmpty()) << a->objectName().toStdString();
        EXPECT_FALSE(a->icon().isNull()) << a->objectName().toStdString();
    }
    EXPECT_EQ(p.dm.ActionGitter->toolTip(), QStringLiteral("Gitter zeigen "));
    EXPECT_EQ(p.dm.ActionRedo->shortcut(), QKeySequence(QStringLiteral("Shift+Alt+Backspace")));
    EXPECT_EQ(p.dm.ActionMaskDelete->shortcut(), QKeySequence(Qt::Key_Delete));
}

TEST(MainWindow, MenusInTheirOrderAndGrouping)
{
    TFreshProgram p;
    const QList<QAction*> menus = p.form.menuBar()->actions();
    QStringList titles;
    for (QAction* m : menus)
        titles << m->text();
    EXPECT_EQ(titles, QStringList({"Datei", "Bearbeiten", "Stereo", "Ansicht", "Maske", "Bewegung", "Ausrichten",
                                   "Form", "Hilfe"}));
    auto items = [&](int menu) {
        QStringList names;
        for (QAction* a : menus[menu]->menu()->actions())
            names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        return names;
    };
    EXPECT_EQ(items(0), QStringList({"ActionOpenMask", "ActionOpenLinksRechts", "-", "ActionSaveMask",
                                     "ActionSaveLinksRechts", "-", "Beenden"}));
    EXPECT_EQ(items(2), QStringList({"ActionAnaglyphe_sw", "ActionAnaglyphe_Farb", "ActionAnaglyphe_Halb", "-",
                                     "ActionParallel", "ActionKreuz"}));
    EXPECT_EQ(items(3), QStringList({"ActionAnsichtOriginal", "ActionAnsichtFit", "ActionAnsichtZoom", "-",
                                     "ActionScrollen", "-", "ActionTransparenteMaske", "ActionGitter"}));
    EXPECT_EQ(items(6).size(), 13);
    EXPECT_EQ(items(8), QStringList({"Info"}));
}

TEST(MainWindow, WindowSizeCaptionAndStatusPanels)
{
    TFreshProgram p;
    EXPECT_EQ(p.form.size(), QSize(1024, 600));
    EXPECT_EQ(p.form.windowTitle(), QStringLiteral("Plenoptra "));
    EXPECT_EQ(p.form.StatusPanels[0]->width(), 150);
    EXPECT_EQ(p.form.StatusPanels[1]->width(), 300);
    EXPECT_EQ(p.form.StatusPanels[2]->width(), 300);
    EXPECT_EQ(p.form.StatusPanels[3]->width(), 50);
    EXPECT_TRUE(p.form.PanelAnfasserEdit->isHidden());
}

TEST(StatusBar, CrossViewNamesTheRightPictureInPanelOne)
{
    TFreshProgram p;
    p.dm.OpenPictureDialog_L_FileName = QStringLiteral("/bilder/Haus_L.jpg");
    p.dm.OpenPictureDialog_R_FileName = QStringLiteral("/bilder/Haus_R.jpg");
    p.dm.OnLayoutChanged();
    EXPECT_EQ(p.form.StatusPanels[1]->text(), QStringLiteral("rechte Bild: Haus_R.jpg"));
    EXPECT_EQ(p.form.StatusPanels[2]->text(), QStringLiteral("linke Bild: Haus_L.jpg"));
    p.dm.ActionParallel->trigger();
    EXPECT_EQ(p.form.StatusPanels[1]->text(), QStringLiteral("linke Bild: Haus_L.jpg"));
}

TEST(ViewGeometry, ZoomStepsBelowTenPercentEndAtOnePercent)
{
    TFreshProgram p;
    p.dm.ActionAnsichtZoom->setChecked(true);
    p.dm.ZoomScale = 0.15;
    p.dm.SetZoomScale(0.1);
    EXPECT_DOUBLE_EQ(p.dm.ZoomStep, 0.05);
    const double expected[] = {0.05, 0.04, 0.03, 0.02, 0.01, 0.01};
    for (double e : expected) {
        p.dm.MouseWheel(-120);
        EXPECT_NEAR(p.dm.ZoomScale, e, 1e-9);
    }
}

TEST(ViewGeometry, ZoomCaptionUsesTheUsersDecimalSeparator)
{
    TFreshProgram p;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    p.dm.SetZoomScale(0.25);
    EXPECT_EQ(p.dm.ActionAnsichtZoom->text(), QStringLiteral("Zoom (25,00 %)"));
    QLocale::setDefault(QLocale::c());
}

TEST(ViewGeometry, FirstWheelTurnInFitViewSwitchesToZoomAtTheShownScale)
{
    TFreshProgram p;
    p.dm.SetFitScale(0.576);
    p.dm.MouseWheel(120);
    EXPECT_TRUE(p.dm.ActionAnsichtZoom->isChecked());
    EXPECT_DOUBLE_EQ(p.dm.CurrentScale(), 0.576);
    p.dm.MouseWheel(120);
    EXPECT_GT(p.dm.CurrentScale(), 0.576);
}

TEST(ViewGeometry, PictureAndWindowCoordinates)
{
    TFreshProgram p;
    p.dm.ActionAnsichtZoom->setChecked(true);
    p.dm.SetZoomScale(0.5);
    p.dm.ViewCentre = QPoint(500, 400);
    const TRect r{100, 50, 500, 350}; // 400 x 300 window pixels
    p.dm.ComputeVisibleSource(r);
    EXPECT_EQ(p.dm.VisibleSource, (TRect{100, 100, 900, 700}));
    EXPECT_EQ(p.dm.ScreenToPicture(QPoint(10, 20)), QPoint(120, 140));
    const TScreenPos inside = p.dm.PictureToScreen(120, 140, r);
    EXPECT_EQ(QPoint(inside.sx, inside.sy), QPoint(110, 70));
    EXPECT_TRUE(inside.visible);
    const TScreenPos left = p.dm.PictureToScreen(50, 140, r);
    EXPECT_FALSE(left.insideX);
    EXPECT_LT(left.sx, r.Left);
}

TEST(ViewGeometry, ChoosingFitAgainRecentresButZoomAgainChangesNothing)
{
    TFreshProgram p;
    p.dm.MaskLeft.Image = QImage(641, 481, QImage::Format_RGB32);
    p.dm.ViewCentre = QPoint(10, 10);
    p.dm.ActionAnsichtFit->trigger(); // clicked while checked
    EXPECT_TRUE(p.dm.ActionAnsichtFit->isChecked());
    EXPECT_EQ(p.dm.ViewCentre, QPoint(320, 240));
    p.dm.ActionAnsichtZoom->trigger();
    EXPECT_TRUE(p.dm.ActionAnsichtZoom->isChecked());
    p.dm.ViewCentre = QPoint(7, 7);
    p.dm.ActionAnsichtZoom->trigger(); // again: nothing at all
    EXPECT_TRUE(p.dm.ActionAnsichtZoom->isChecked());
    EXPECT_EQ(p.dm.ViewCentre, QPoint(7, 7));
}

TEST(ViewGeometry, SingleVerticalGridLineSitsInTheMiddle)
{
    TFreshProgram p;
    p.dm.ActionGitter->setChecked(true);
    p.dm.Settings->GridVertCount = 1;
    p.dm.Settings->GridHorizCount = 1;
    QImage canvas(400, 200, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        p.dm.PaintGrid(painter, TRect{10, 0, 310, 100});
    }
    EXPECT_EQ(canvas.pixel(160, 20), qRgb(0x80, 0x80, 0x80));
    EXPECT_EQ(canvas.pixel(159, 20), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(20, 50), qRgb(0x80, 0x80, 0x80));
}

TEST(ProgramDataFile, EnvironmentOverridesAndDefaultSitsBesideTheProgram)
{
    qputenv("PLENOPTRA_DATA_FILE", "/tmp/elsewhere.DAT");
    EXPECT_EQ(ProgramDataFileName(), QStringLiteral("/tmp/elsewhere.DAT"));
    qunsetenv("PLENOPTRA_DATA_FILE");
    EXPECT_TRUE(ProgramDataFileName().endsWith(QStringLiteral(".DAT")));
}
