// Opening must not mislead: a pair or a mask file that cannot be loaded
// leaves pictures, names, status bar, caption and history as they were, and
// an undo or redo that brings another pair lays it out as opening it does.
#include <QLabel>

#include <gtest/gtest.h>

#include "AppFixture.h"

namespace {

// Everything a user can see of the loaded pair, and what the next step and
// the next start would take from it: the pictures, and the rest as text.
struct TVisibleState {
    QImage left, right;
    QStringList text;
    static TVisibleState Of(TFreshProgram& p)
    {
        const THistoryEintrag& record = HistoryListe()->Current();
        return {p.dm.SourceLeft.Image, p.dm.SourceRight.Image,
                {p.form.StatusPanels[1]->text(), p.form.StatusPanels[2]->text(), p.form.windowTitle(),
                 Steps().join(QLatin1Char('|')), QString::number(HistoryListe()->ItemIndex()),
                 record.R01().LeftFileName, record.R01().RightFileName, QString::number(record.R02().InputLayout),
                 p.dm.Settings->LastFileName, QStringLiteral("%1,%2").arg(p.dm.ViewCentre.x()).arg(p.dm.ViewCentre.y())}};
    }
};

void ExpectSame(const TVisibleState& a, const TVisibleState& b)
{
    EXPECT_EQ(a.text, b.text);
    EXPECT_TRUE(a.left == b.left && a.right == b.right);
}

// A started program showing the pair a_L/a_R (40 x 30) under the caption of
// a mask file, with the open dialog as a stub.
struct TOpenedProgram : TFreshProgram {
    TDialogStub dialog;
    QString left, right;
    TOpenedProgram()
    {
        dialog.Install(dm);
        dm.DeferredStart({});
        left = WritePicture(dir, QStringLiteral("a_L.bmp"), 40, 30, Qt::red);
        right = WritePicture(dir, QStringLiteral("a_R.bmp"), 40, 30, Qt::blue);
        Open(left, right, 0);
        dm.OnCaptionChanged(QStringLiteral("Fenster.Plenoptrum"));
    }
    void Open(const QString& l, const QString& r, quint8 layout)
    {
        dialog.left = l;
        dialog.right = r;
        dialog.layout = layout;
        dialog.answerOk = true;
        dm.ActionOpenLinksRechts->trigger();
    }
    QString Junk(const char* name) { return WriteFile(dir.filePath(QString::fromLatin1(name)), QByteArray(5000, 'x')); }
};

} // namespace

TEST(FailedOpen, AMissingPairAnUnreadablePictureOrACancelledSearchLeaveEveryVisibleStateAsItWas)
{
    const struct {
        const char* title;
        int answer;
        int kind;
        std::function<QString(TOpenedProgram&)> open; // gives the file the message names
    } cases[] = {
        {"missing pair, search declined", mrNo, dkBestaetigung,
         [](TOpenedProgram& p) {
             p.Open(p.dir.filePath(QStringLiteral("weg_L.jpg")), p.right, 0);
             return p.dir.filePath(QStringLiteral("weg_L.jpg"));
         }},
        {"unreadable picture", mrOk, dkFehler,
         [](TOpenedProgram& p) {
             const QString junk = p.Junk("kaputt.jpg");
             p.Open(junk, QString(), 1);
             return junk;
         }},
        // The user's open is confirmed, the search it offers is cancelled.
        {"search cancelled", mrYes, dkBestaetigung,
         [](TOpenedProgram& p) {
             const QString gone = p.dir.filePath(QStringLiteral("weg.jpg"));
             int shown = 0;
             p.dm.ShowOpenStereoDialog = [&] { return ++shown == 1; };
             p.dialog.left = gone;
             p.dialog.layout = 2;
             p.dm.ActionOpenLinksRechts->trigger();
             EXPECT_EQ(shown, 2);
             // The search dialog was filled with the pair that could not be found.
             EXPECT_EQ(p.dialog.left, gone);
             p.dialog.Install(p.dm);
             return gone;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        TOpenedProgram p;
        const TVisibleState before = TVisibleState::Of(p);
        ASSERT_EQ(before.text.mid(0, 4), QStringList({"rechte Bild: a_R.bmp", "linke Bild: a_L.bmp",
                                                       "Plenoptra Fenster.Plenoptrum", "Öffne L/R"}));
        TMessageRecorder messages;
        messages.answer = c.answer;
        const QString named = c.open(p);
        ASSERT_EQ(messages.count, 1);
        EXPECT_TRUE(messages.shown[0].first.contains(named)) << messages.shown[0].first.toStdString();
        EXPECT_EQ(messages.shown[0].second, c.kind);
        ExpectSame(TVisibleState::Of(p), before);
        EXPECT_FALSE(p.dm.Busy);
    }
}

TEST(FailedOpen, ASearchThatFindsAnotherPairOpensThatOne)
{
    TOpenedProgram p;
    const QString gone = p.dir.filePath(QStringLiteral("weg.jpg"));
    const QString found = WritePicture(p.dir, QStringLiteral("b.bmp"), 80, 20, Qt::green);
    int shown = 0;
    p.dm.ShowOpenStereoDialog = [&] {
        if (++shown == 2)
            p.dialog.left = found; // the user picks the file in its new place
        return true;
    };
    p.dialog.left = gone;
    p.dialog.layout = 1;
    TMessageRecorder messages;
    messages.answer = mrYes;
    p.dm.ActionOpenLinksRechts->trigger();
    EXPECT_EQ(p.dm.SourceLeft.Width(), 40); // 80 wide, split in two
    EXPECT_EQ(HistoryListe()->Current().R01().LeftFileName, found);
    EXPECT_EQ(HistoryListe()->Count(), 2);
}

TEST(FailedOpen, ARefusedMaskFileKeepsCaptionLastFileAndHistory)
{
    TOpenedProgram p;
    QStringList saveNames;
    p.dm.SetSaveDialogMaskFileName = [&](const QString& name) { saveNames << name; };
    const QString good = p.dir.filePath(QStringLiteral("gut.Plenoptrum"));
    HistoryListe()->SaveToFile(good, false);
    QString ask = good;
    p.dm.AskMaskFileName = [&](const QString&) { return ask; };
    p.dm.ActionOpenMask->trigger();
    ASSERT_EQ(p.form.windowTitle(), QStringLiteral("Plenoptra gut.Plenoptrum"));
    const TVisibleState before = TVisibleState::Of(p);

    ask = p.Junk("fremd.Plenoptrum");
    TMessageRecorder messages;
    messages.answer = mrOk;
    p.dm.ActionOpenMask->trigger();
    ASSERT_EQ(messages.count, 1);
    EXPECT_TRUE(messages.shown[0].first.contains(ask));
    ExpectSame(TVisibleState::Of(p), before);
    // The save dialog would still write the mask under the good name.
    EXPECT_EQ(saveNames, QStringList{good});
}

TEST(FailedOpen, ARefusedMaskFileOnTheCommandLineBringsBackTheLastWorkState)
{
    TFreshProgram p;
    TDialogStub dialog;
    dialog.Install(p.dm);
    const QString l = WritePicture(p.dir, QStringLiteral("k_L.bmp"), 40, 30, Qt::red);
    const QString r = WritePicture(p.dir, QStringLiteral("k_R.bmp"), 40, 30, Qt::blue);
    HistoryListe()->Current().R01().LeftFileName = l;
    HistoryListe()->Current().R01().RightFileName = r;
    HistoryListe()->Add(QStringLiteral("Öffne L/R"));
    const QString junk = WriteFile(p.dir.filePath(QStringLiteral("fremd.Plenoptrum")), QByteArray(5000, 'x'));
    TMessageRecorder messages;
    messages.answer = mrOk;
    p.dm.DeferredStart({junk});
    EXPECT_EQ(messages.count, 1);
    EXPECT_EQ(p.form.windowTitle(), QStringLiteral("Plenoptra "));
    EXPECT_TRUE(p.dm.Settings->LastFileName.isEmpty());
    EXPECT_EQ(p.dm.SourceLeft.Width(), 40);
    EXPECT_EQ(dialog.shown, 0);
}

// ---------------------------------------------------------------------------
// Undo and redo across a change of pair

TEST(UndoAcrossPairs, TheRestoredPairIsLaidOutAsAfterOpeningIt)
{
    TOpenedProgram p;
    // The view area of a window of the program's size (the window itself
    // stays hidden in tests).
    p.form.ClientArea()->resize(1008, 540);
    const QString bigL = WritePicture(p.dir, QStringLiteral("g_L.bmp"), 400, 100, Qt::red);
    const QString bigR = WritePicture(p.dir, QStringLiteral("g_R.bmp"), 400, 100, Qt::blue);
    p.Open(bigL, bigR, 0);
    const QPoint openedCentre = p.dm.ViewCentre;
    const double openedScale = p.dm.FitScale;
    const TRect openedPicture = p.dm.PictureScreenRect(p.dm.ViewLeftHalf, p.form.LeftHalfRect);
    ASSERT_EQ(openedCentre, QPoint(200, 50));
    // Two 400 x 100 pictures side by side fill the width of the view.
    ASSERT_GT(openedPicture.Width(), 400);

    // Back to the small pair, where the user zooms and scrolls.
    p.dm.ActionUndoExecute();
    ASSERT_EQ(p.dm.SourceLeft.Width(), 40);
    EXPECT_EQ(p.dm.ViewCentre, QPoint(20, 15));
    p.dm.ActionAnsichtZoom->trigger();
    p.dm.SetViewCentreX(3);

    p.dm.ActionRedoExecute();
    ASSERT_EQ(p.dm.SourceLeft.Width(), 400);
    EXPECT_TRUE(p.dm.ActionAnsichtFit->isChecked());
    EXPECT_EQ(p.dm.ViewCentre, openedCentre);
    EXPECT_EQ(HistoryListe()->Current().R01().ViewCenterX, 200);
    EXPECT_DOUBLE_EQ(p.dm.FitScale, openedScale);
    EXPECT_EQ(p.dm.PictureScreenRect(p.dm.ViewLeftHalf, p.form.LeftHalfRect), openedPicture);
}

TEST(UndoAcrossPairs, ReloadingTheSamePairKeepsTheViewTheUserHad)
{
    TOpenedProgram p;
    p.dm.ActionAnsichtZoom->trigger();
    p.dm.SetViewCentreX(3);
    // The save frees the pictures and loads the same pair again.
    p.dm.SourceLeft = TBitmap();
    p.dm.SourceRight = TBitmap();
    p.dm.PicturesCreated = false;
    EXPECT_TRUE(p.dm.LoadStereoPair(p.left, p.right, 0));
    EXPECT_EQ(p.dm.SourceLeft.Width(), 40);
    EXPECT_TRUE(p.dm.ActionAnsichtZoom->isChecked());
    EXPECT_EQ(p.dm.ViewCentre, QPoint(3, 15));
}
