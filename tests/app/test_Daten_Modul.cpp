// The controller: its start-up state, the start-up message, and the view
// geometry that the window's layout and painting build on.
#include "app/Application.h"
#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/History.h"
#include "history/UserMessage.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include "AppFixture.h"


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

TEST(StartUp, ASecondControllerOverTheSameProgramObjectsIsNotCalledBackByTheFirst)
{
    QTemporaryDir dir;
    qputenv("PLENOPTRA_DATA_FILE", dir.filePath(QStringLiteral("plenoptra.DAT")).toUtf8());
    TProgramObjects objects;
    {
        TFormMain form;
        auto first = std::make_unique<TDM>();
        form.ConnectController(first.get());
        first->DeferredStart({});
    }
    EXPECT_FALSE(SelectListe()->OnChange || SelectStrPktListe()->OnChange);
    EXPECT_FALSE(HistoryListe()->OnAdd || HistoryListe()->OnIndexChange);
    TFormMain form;
    TDM second;
    form.ConnectController(&second);
    // Both start with a selection change and a history step; the first
    // controller's notifications must be gone with it.
    second.DeferredStart({});
    PolygonListe()->AddNode(10, 10, 0);
    SelectListe()->Add(PolygonListe()->Items(0));
    HistoryListe()->Add(QStringLiteral("Punkt"));
    HistoryListe()->Add(QStringLiteral("Sel"));
    EXPECT_TRUE(second.ActionUndo->isEnabled());
    qunsetenv("PLENOPTRA_DATA_FILE");
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
    EXPECT_EQ(p.dm.Actions().size(), 46);
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
                                     "ActionScrollen", "-", "ActionTransparenteMaske", "ActionGitter",
                                     "ActionFensterpruefung"}));
    EXPECT_EQ(items(6).size(), 14);
    EXPECT_EQ(items(6).mid(0, 3), QStringList({"ActionPointMove0", "ActionFensterVor", "-"}));
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

TEST(ViewGeometry, PictureToScreenCountsBothEdgesOfTheRectangleAsInside)
{
    TFreshProgram p;
    p.dm.ActionAnsichtZoom->setChecked(true);
    p.dm.SetZoomScale(1.0);
    p.dm.ViewCentre = QPoint(500, 400);
    const TRect r{100, 50, 500, 350};
    p.dm.ComputeVisibleSource(r);
    ASSERT_EQ(p.dm.VisibleSource, (TRect{300, 250, 700, 550}));
    struct TRow {
        int x, y, sx, sy;
        bool insideX, insideY;
    };
    const TRow rows[] = {
        {300, 400, 100, 200, true, true},  // on the left edge
        {299, 400, 99, 200, false, true},  // one beyond it
        {700, 400, 500, 200, true, true},  // on the right edge
        {701, 400, 501, 200, false, true}, // one beyond it
        {500, 250, 300, 50, true, true},   // on the top edge
        {500, 249, 300, 49, true, false},
        {500, 550, 300, 350, true, true},  // on the bottom edge
        {500, 551, 300, 351, true, false},
        {700, 550, 500, 350, true, true},  // the bottom right corner
        {701, 551, 501, 351, false, false},
    };
    for (const TRow& row : rows) {
        const TScreenPos s = p.dm.PictureToScreen(row.x, row.y, r);
        const QString at = QStringLiteral("picture (%1, %2)").arg(row.x).arg(row.y);
        EXPECT_EQ(QPoint(s.sx, s.sy), QPoint(row.sx, row.sy)) << at.toStdString();
        EXPECT_EQ(s.insideX, row.insideX) << at.toStdString();
        EXPECT_EQ(s.insideY, row.insideY) << at.toStdString();
        EXPECT_EQ(s.visible, row.insideX && row.insideY) << at.toStdString();
    }
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

// ---------------------------------------------------------------------------
// Opening pairs and the command line


TEST(OpenPair, FirstLoadCentresTheViewAndOpeningAddsOneHistoryStep)
{
    TFreshProgram p;
    TDialogStub dialog;
    dialog.Install(p.dm);
    dialog.left = WritePicture(p.dir, QStringLiteral("a_L.bmp"), 641, 481, Qt::red);
    dialog.right = WritePicture(p.dir, QStringLiteral("a_R.bmp"), 641, 481, Qt::blue);
    dialog.answerOk = true;
    p.dm.ActionOpenLinksRechts->trigger();
    EXPECT_EQ(p.dm.SourceLeft.Image.size(), QSize(641, 481));
    EXPECT_EQ(p.dm.ViewCentre, QPoint(320, 240));
    ASSERT_EQ(HistoryListe()->Count(), 1);
    EXPECT_EQ(HistoryListe()->Items(0)->Name, QStringLiteral("Öffne L/R"));
    EXPECT_EQ(HistoryListe()->Items(0)->R01().LeftFileName, dialog.left);
    EXPECT_EQ(p.dm.Settings->LastFileName, dialog.left);
    EXPECT_FALSE(p.dm.Busy);
    EXPECT_TRUE(p.dm.ActionAnsichtFit->isChecked());
    // Cross view: the left half of the view shows the right picture.
    EXPECT_EQ(p.dm.ViewLeftHalf.Image.pixel(10, 10), qRgb(0, 0, 255));
}

TEST(OpenPair, SamePairIsNotLoadedAgainButADifferentLayoutIs)
{
    TFreshProgram p;
    const QString l = WritePicture(p.dir, QStringLiteral("s_L.bmp"), 40, 30, Qt::red);
    const QString r = WritePicture(p.dir, QStringLiteral("s_R.bmp"), 40, 30, Qt::blue);
    p.dm.LoadStereoPair(l, r, 0);
    ASSERT_EQ(p.dm.SourceLeft.Width(), 40);
    p.dm.SourceLeft.Image = QImage(5, 5, QImage::Format_RGB32); // marks "not reloaded"
    p.dm.LoadStereoPair(l, r, 0);
    EXPECT_EQ(p.dm.SourceLeft.Width(), 5);
    p.dm.LoadStereoPair(l, r, 1); // parallel: the left file split in two
    EXPECT_EQ(p.dm.SourceLeft.Width(), 20);
}

TEST(OpenPair, MissingFileAsksAndNoKeepsThePictures)
{
    TFreshProgram p;
    TDialogStub dialog;
    dialog.Install(p.dm);
    const QString l = WritePicture(p.dir, QStringLiteral("m_L.bmp"), 40, 30, Qt::red);
    const QString r = WritePicture(p.dir, QStringLiteral("m_R.bmp"), 40, 30, Qt::blue);
    p.dm.LoadStereoPair(l, r, 0);
    QString asked;
    int kind = -1;
    const TUserMessageHandler previous = SetUserMessageHandler([&](const QString& text, int k, unsigned) {
        asked = text;
        kind = k;
        return int(mrNo);
    });
    const QString gone = p.dir.filePath(QStringLiteral("weg_R.jpg"));
    p.dm.LoadStereoPair(l, gone, 0);
    SetUserMessageHandler(previous);
    // Layout 0 names both files, even though only the right one is missing.
    EXPECT_TRUE(asked.contains(l) && asked.contains(gone));
    EXPECT_TRUE(asked.contains(QStringLiteral("wurde verschoben oder existiert nicht mehr!")));
    EXPECT_EQ(kind, dkBestaetigung);
    EXPECT_EQ(dialog.shown, 0);
    EXPECT_EQ(p.dm.SourceRight.Image.pixel(0, 0), qRgb(0, 0, 255));
    // The record keeps naming the pair on screen, so the next step does too.
    EXPECT_EQ(HistoryListe()->Current().R01().RightFileName, r);
}

TEST(OpenPair, ForeignFileIsReportedAndLeavesTheProgramUsable)
{
    TFreshProgram p;
    TDialogStub dialog;
    dialog.Install(p.dm);
    const QString junk = p.dir.filePath(QStringLiteral("kaputt.jpg"));
    {
        QFile file(junk);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(5000, 'x'));
    }
    dialog.left = junk;
    dialog.layout = 1;
    dialog.answerOk = true;
    QStringList messages;
    const TUserMessageHandler previous = SetUserMessageHandler([&](const QString& text, int, unsigned) {
        messages << text;
        return int(mrOk);
    });
    p.dm.ActionOpenLinksRechts->trigger();
    SetUserMessageHandler(previous);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(junk));
    EXPECT_FALSE(p.dm.Busy);
    EXPECT_TRUE(p.dm.SourceLeft.Empty());
}

TEST(CommandLine, OnePictureOpensTheDialogInCrossLayoutTwoPicturesInSeparateLayout)
{
    {
        TFreshProgram p;
        TDialogStub dialog;
        dialog.Install(p.dm);
        p.dm.DeferredStart({QStringLiteral("/bilder/eins.jpg")});
        EXPECT_EQ(dialog.shown, 1);
        EXPECT_EQ(dialog.layout, 2);
        EXPECT_EQ(dialog.left, QStringLiteral("/bilder/eins.jpg"));
    }
    {
        TFreshProgram p;
        TDialogStub dialog;
        dialog.Install(p.dm);
        dialog.layout = 3;
        p.dm.DeferredStart({QStringLiteral("/bilder/l.jpg"), QStringLiteral("/bilder/r.jpg")});
        EXPECT_EQ(dialog.shown, 1);
        EXPECT_EQ(dialog.layout, 0);
        EXPECT_EQ(dialog.right, QStringLiteral("/bilder/r.jpg"));
    }
}

TEST(CommandLine, MaskFileInAnyLetterCaseIsOpenedAndNamedInTheCaption)
{
    TFreshProgram p;
    TDialogStub dialog;
    dialog.Install(p.dm);
    const QString l = WritePicture(p.dir, QStringLiteral("k_L.bmp"), 40, 30, Qt::red);
    const QString r = WritePicture(p.dir, QStringLiteral("k_R.bmp"), 40, 30, Qt::blue);
    // A mask file of one step that names the pair.
    const QString mask = p.dir.filePath(QStringLiteral("Fenster.PLENOPTRUM"));
    {
        TProgramObjects other;
        other.HistoryListe->Current().R01().LeftFileName = l;
        other.HistoryListe->Current().R01().RightFileName = r;
        other.PolygonListe->SaveToCurrent();
        other.SelectListe->SaveToCurrent();
        other.HistoryListe->Add(QStringLiteral("Öffne L/R"));
        other.HistoryListe->SaveToFile(mask, false);
    }
    p.dm.DeferredStart({mask});
    EXPECT_EQ(dialog.shown, 0);
    EXPECT_EQ(p.form.windowTitle(), QStringLiteral("Plenoptra Fenster.PLENOPTRUM"));
    EXPECT_EQ(p.dm.SourceLeft.Width(), 40);
    EXPECT_EQ(p.dm.Settings->LastFileName, mask);
}

TEST(CommandLine, AMissingMaskFileIsTakenAsAPicture)
{
    TFreshProgram p;
    TDialogStub dialog;
    dialog.Install(p.dm);
    const QString mask = p.dir.filePath(QStringLiteral("gibtsnicht.Plenoptrum"));
    p.dm.DeferredStart({mask});
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_EQ(dialog.left, mask);
}

TEST(Undo, ADamagedStepIsReportedAndTheToolStateStillFollows)
{
    TFreshProgram p;
    THistoryListe& history = *HistoryListe();
    history.Current().R01().GeometryStream.SetData(QByteArray("\x05\x00\x00\x00junk", 8));
    history.Current().R01().EditMode = TDM::emScroll;
    history.Add(QStringLiteral("MoveXY"));
    QStringList messages;
    const TUserMessageHandler previous = SetUserMessageHandler([&](const QString& text, int, unsigned) {
        messages << text;
        return int(mrOk);
    });
    p.dm.RestoreHistoryState();
    SetUserMessageHandler(previous);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("TPolygonListe")));
    EXPECT_EQ(p.dm.EditMode, TDM::emScroll);
}

TEST(Undo, AStepWithoutPicturesAsksForNothing)
{
    TFreshProgram p;
    HistoryListe()->Add(QStringLiteral("ActNewMsk"));
    TMessageRecorder messages;
    p.dm.RestoreHistoryState();
    EXPECT_EQ(messages.count, 0);
}
