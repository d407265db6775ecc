// The controller's preview of the settings being edited, and the settings
// command around the real dialog: what the view shows for each word, what
// closing the dialog puts back, and the undo step "OK" records.
#include "app/Application.h"
#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "history/History.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "settings/Frame_Dekor.h"
#include "settings/Frame_DesktopBackground.h"
#include "settings/Frame_DokuMaskenDatei.h"
#include "settings/Frame_DokuMaskenPict.h"
#include "settings/Frame_Gitter.h"
#include "settings/Frame_Masken.h"
#include "settings/Frame_Umriss.h"
#include "settings/Optionen.h"
#include "settings/OptionenColorDialog.h"
#include "settings/uSpin.h"

#include <QApplication>
#include <QCheckBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "AppFixture.h"

namespace {

const QRgb kWhiteRgb = qRgb(255, 255, 255);

QRgb Rgb(TColor c) { return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

QByteArray Block(const TDesktopData& d)
{
    TMemoryStream s;
    d.WriteToStream(1, s);
    return s.Data();
}

// The program with its settings dialog, started as the user starts it, on
// a white 200 x 100 pair (red left, blue right when asked) with a rectangular
// stereo window from (50, 25) to (150, 75) in both pictures.
struct TPreviewProgram : TFreshProgram {
    TFormOptionen optionen{&form};
    int compositions = 0; // OnViewChanged calls, each ends one composition here
    int repaints = 0;
    explicit TPreviewProgram(QColor left = Qt::white, QColor right = Qt::white)
    {
        ConnectOptionenDialog(dm, optionen);
        dm.OnRequestBackground = [this](TColor colour) { form.SetBackgroundColor(colour); };
        form.show();
        QCoreApplication::processEvents(); // the deferred start
        const QString l = WritePicture(dir, QStringLiteral("p_L.bmp"), 200, 100, left);
        const QString r = WritePicture(dir, QStringLiteral("p_R.bmp"), 200, 100, right);
        dm.LoadStereoPair(l, r, 0);
        TPolygonListe& outline = *PolygonListe();
        for (int i = 0; i < 4; ++i)
            outline.AddNode(i == 1 || i == 2 ? 150 : 50, i < 2 ? 25 : 75, i);
        outline.BuildPoints();
        outline.SaveToCurrent();
        HistoryListe()->Add(QStringLiteral("Öffne L/R"));
        dm.RefreshView();
        const auto viewChanged = dm.OnViewChanged;
        dm.OnViewChanged = [this, viewChanged] {
            ++compositions;
            viewChanged();
        };
        const auto repaint = dm.OnRepaintRequest;
        dm.OnRepaintRequest = [this, repaint] {
            ++repaints;
            repaint();
        };
    }
    // Sends a word as a page does and counts what it cost.
    void Send(quint16 word)
    {
        compositions = 0;
        repaints = 0;
        dm.Settings->Changed(word);
    }
    QRgb Left(int x, int y) const { return dm.ViewLeftHalf.Image.pixel(x, y); }
    // The settings command, answered by answerer instead of a person.
    void RunDialog(const TFormOptionen::TAnswerer& answerer)
    {
        const TFormOptionen::TAnswerer previous = TFormOptionen::SetAnswerer(answerer);
        dm.ActionOptionen->trigger();
        TFormOptionen::SetAnswerer(previous);
    }
};

// Answers the colour dialog with a fixed colour.
struct TColourAnswer {
    TColor answer = 0;
    TColorDialog::TAnswerer previous;
    TColourAnswer()
    {
        previous = TColorDialog::SetAnswerer([this](TColor& c) {
            c = answer;
            return true;
        });
    }
    ~TColourAnswer() { TColorDialog::SetAnswerer(previous); }
};

} // namespace

TEST(SettingsPreview, GridWordShowsTheGridAndRepaintsWithoutRecomposing)
{
    TPreviewProgram p;
    p.dm.ActionMaskEdit->trigger();
    ASSERT_EQ(p.dm.EditMode, TDM::emEditMask);
    const qint64 composed = p.dm.ViewLeftHalf.Image.cacheKey();
    p.Send(dgGrid);
    EXPECT_TRUE(p.dm.ActionGitter->isChecked());
    EXPECT_EQ(p.dm.ViewLeftHalf.Image.cacheKey(), composed);
    EXPECT_EQ(p.compositions, 0);
    EXPECT_EQ(p.repaints, 1);
}

TEST(SettingsPreview, GridWordSwitchesTheEditToolOnAndRecomposesOnceForIt)
{
    TPreviewProgram p;
    p.dm.Settings->DeskNoTransColor = 0x0000FF;
    ASSERT_EQ(p.dm.EditMode, TDM::emIdle);
    p.Send(dgGrid);
    EXPECT_TRUE(p.dm.ActionMaskEdit->isChecked());
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    EXPECT_EQ(p.compositions, 1);
    // The view is the editing view: the opaque editing colour outside.
    EXPECT_EQ(p.Left(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(p.Left(100, 50), kWhiteRgb);
}

TEST(SettingsPreview, OutlineWordShowsTheEditingViewWithoutGrid)
{
    TPreviewProgram p;
    p.dm.ActionGitter->setChecked(true);
    p.dm.ActionNewMask->setChecked(true);
    p.dm.Settings->DeskNoTransColor = 0x00FF00;
    p.Send(dgOutline);
    EXPECT_FALSE(p.dm.ActionGitter->isChecked());
    EXPECT_TRUE(p.dm.ActionMaskEdit->isChecked());
    EXPECT_FALSE(p.dm.ActionNewMask->isChecked());
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    EXPECT_EQ(p.compositions, 1);
    EXPECT_EQ(p.Left(10, 10), qRgb(0, 255, 0));
}

TEST(SettingsPreview, BackgroundWordSetsTheViewsBackground)
{
    TPreviewProgram p;
    p.dm.Settings->DeskBackColor = 0x203040;
    p.Send(dgDeskBack);
    EXPECT_EQ(p.form.BackgroundColor(), QColor(0x40, 0x30, 0x20));
    EXPECT_TRUE(p.dm.ActionMaskEdit->isChecked());
    EXPECT_FALSE(p.dm.ActionGitter->isChecked());
}

TEST(SettingsPreview, MaskColourWordsShowTheMaskTransparentOrOpaque)
{
    TPreviewProgram p(QColor(0xF0, 0x0F, 0xAA), QColor(0xF0, 0x0F, 0xAA));
    p.dm.Settings->DeskTransColor = 0x00F0F00F;
    p.dm.Settings->DeskNoTransColor = 0x00010203;
    p.Send(dgDeskTrans);
    EXPECT_TRUE(p.dm.ActionTransparenteMaske->isChecked());
    EXPECT_EQ(p.compositions, 1);
    EXPECT_EQ(p.Left(10, 10), qRgb(0xF0 & 0x0F, 0x0F & 0xF0, 0xAA & 0xF0));
    EXPECT_EQ(p.Left(100, 50), qRgb(0xF0, 0x0F, 0xAA));
    p.Send(dgDeskNoTrans);
    EXPECT_FALSE(p.dm.ActionTransparenteMaske->isChecked());
    EXPECT_EQ(p.compositions, 1);
    EXPECT_EQ(p.Left(10, 10), qRgb(3, 2, 1));
    EXPECT_EQ(p.Left(100, 50), qRgb(0xF0, 0x0F, 0xAA));
}

TEST(SettingsPreview, MaskColoursShowFramesOnlyWhenTheyAreShownInTheEditor)
{
    TPreviewProgram p;
    p.dm.Settings->DeskNoTransColor = 0;
    p.dm.Settings->DecorUse = 1;
    p.dm.Settings->DecorView = 0;
    p.Send(dgDeskNoTrans);
    // x = 28 lies 22 pixels left of the window: in the inner frame's band.
    EXPECT_EQ(p.Left(28, 50), qRgb(0, 0, 0));
    p.dm.Settings->DecorView = 1;
    p.Send(dgDeskNoTrans);
    EXPECT_EQ(p.Left(28, 50), Rgb(p.dm.Settings->DecorColorInside));
    EXPECT_EQ(p.Left(20, 50), Rgb(p.dm.Settings->DecorColorMiddle));
}

TEST(SettingsPreview, MaskFileWordShowsTheMaskPictureInItsTwoColours)
{
    TPreviewProgram p(Qt::red, Qt::blue);
    p.dm.ActionMaskEdit->setChecked(true);
    p.dm.Settings->FileMaskForColor = 0x00FFFF00; // cyan
    p.dm.Settings->FileMaskBackColor = 0x000000FF; // red
    p.dm.Settings->DecorUse = 1;
    p.dm.Settings->DecorView = 1;
    p.Send(dgFileMask);
    EXPECT_FALSE(p.dm.ActionMaskEdit->isChecked());
    EXPECT_FALSE(p.dm.ActionNewMask->isChecked());
    EXPECT_EQ(p.compositions, 1);
    EXPECT_EQ(p.Left(100, 50), qRgb(0, 255, 255));
    EXPECT_EQ(p.Left(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(p.Left(28, 50), qRgb(255, 0, 0)); // no frames in a mask picture
}

TEST(SettingsPreview, PictureColourAndDecorationWordsShowTheMaskedPicture)
{
    for (const quint16 word : {quint16(dgMaskPict), quint16(dgDecor)}) {
        TPreviewProgram p;
        p.dm.ActionGitter->setChecked(true);
        p.dm.ActionMaskEdit->trigger();
        p.dm.Settings->FileMaskPictColor = 0x222222;
        p.dm.Settings->DecorUse = 1;
        p.dm.Settings->DecorView = 0;
        p.Send(word);
        EXPECT_FALSE(p.dm.ActionGitter->isChecked());
        EXPECT_FALSE(p.dm.ActionMaskEdit->isChecked());
        EXPECT_FALSE(p.dm.ActionNewMask->isChecked());
        EXPECT_EQ(p.compositions, 1);
        EXPECT_EQ(p.Left(5, 50), qRgb(0x22, 0x22, 0x22));
        EXPECT_EQ(p.Left(28, 50), Rgb(p.dm.Settings->DecorColorInside));
        EXPECT_EQ(p.Left(100, 50), kWhiteRgb);
        p.dm.Settings->DecorUse = 0;
        p.Send(word);
        EXPECT_EQ(p.Left(28, 50), qRgb(0x22, 0x22, 0x22));
    }
}

TEST(SettingsPreview, EveryCompositionKeepsTheViewLayout)
{
    TPreviewProgram p(Qt::red, Qt::blue);
    p.dm.Settings->FileMaskPictColor = 0;
    p.Send(dgMaskPict);
    EXPECT_EQ(p.Left(100, 50), qRgb(0, 0, 255)); // cross: the right picture on the left
    p.dm.ActionParallel->trigger();
    p.Send(dgMaskPict);
    EXPECT_EQ(p.Left(100, 50), qRgb(255, 0, 0));
    p.dm.ActionAnaglyphe_Farb->trigger();
    p.Send(dgDeskTrans);
    EXPECT_TRUE(p.dm.ViewLeftHalf.Empty());
    ASSERT_FALSE(p.dm.ViewAnaglyph.Empty());
    EXPECT_EQ(p.dm.ViewAnaglyph.Image.pixel(100, 50), qRgb(255, 0, 255));
}

TEST(SettingsPreview, OpenedAndClosedOnlyRepaint)
{
    TPreviewProgram p;
    p.dm.ActionGitter->setChecked(true);
    for (const quint16 word : {quint16(0), quint16(dgDialogClosed)}) {
        p.Send(word);
        EXPECT_EQ(p.compositions, 0);
        EXPECT_EQ(p.repaints, 1);
        EXPECT_TRUE(p.dm.ActionGitter->isChecked());
        EXPECT_EQ(p.dm.EditMode, TDM::emIdle);
    }
}

TEST(SettingsPreview, TreeNodesSwitchBetweenEditingAndTheMaskedPicture)
{
    TPreviewProgram p;
    p.RunDialog([&](TFormOptionen& d) {
        for (const int node : {6, 8}) { // "Dokument", "maskiertes Bild"
            d.SelectNode(2);
            EXPECT_TRUE(p.dm.ActionMaskEdit->isChecked());
            d.SelectNode(node);
            EXPECT_FALSE(p.dm.ActionMaskEdit->isChecked()) << node;
            EXPECT_FALSE(p.dm.ActionGitter->isChecked());
            EXPECT_EQ(p.Left(5, 50), Rgb(p.dm.Settings->FileMaskPictColor));
        }
        for (const int node : {0, 3}) { // "Arbeitsbereich", "Farben"
            d.SelectNode(1);
            EXPECT_TRUE(p.dm.ActionGitter->isChecked());
            d.SelectNode(10);
            d.SelectNode(node);
            EXPECT_TRUE(p.dm.ActionMaskEdit->isChecked()) << node;
            EXPECT_FALSE(p.dm.ActionGitter->isChecked()) << node;
        }
    });
}

TEST(SettingsCommand, GridScrollBarAt37Gives37InTheFieldAnd37LinesWithoutRecomposing)
{
    TPreviewProgram p;
    p.dm.Settings->GridMonoColor = 0x00FF00FF; // magenta
    int lines = -1;
    p.RunDialog([&](TFormOptionen& d) {
        d.SelectNode(1);
        const qint64 composed = p.dm.ViewLeftHalf.Image.cacheKey();
        p.compositions = 0;
        for (int value = 11; value <= 37; ++value)
            d.FrameGitter->ScrollBarHoriz->setValue(value);
        EXPECT_EQ(d.FrameGitter->SpinEditHoriz->text(), "37");
        EXPECT_EQ(p.dm.Settings->GridHorizCount, 37);
        EXPECT_EQ(p.compositions, 0);
        EXPECT_EQ(p.dm.ViewLeftHalf.Image.cacheKey(), composed);
        QImage window(p.form.ClientArea()->size(), QImage::Format_RGB32);
        {
            QPainter painter(&window);
            p.form.PaintView(painter);
        }
        const TRect r = p.dm.PictureRectLeftHalf;
        ASSERT_GT(r.Height(), 2 * 38);
        lines = 0;
        const int x = r.Left + 2; // left of the first vertical line
        for (int y = r.Top; y < r.Bottom; ++y)
            lines += window.pixel(x, y) == qRgb(255, 0, 255);
        d.BitBtnOk->click();
    });
    EXPECT_EQ(lines, 37);
    EXPECT_EQ(p.dm.Settings->GridHorizCount, 37);
}

TEST(SettingsCommand, CancelRestoresEveryFieldTheToolsTheModeAndTheView)
{
    TPreviewProgram p;
    TColourAnswer colours;
    p.dm.ActionNewMask->trigger();
    ASSERT_EQ(p.dm.EditMode, TDM::emNewMask);
    ASSERT_TRUE(p.dm.ActionTransparenteMaske->isChecked());
    p.dm.ActionTransparenteMaske->trigger();
    p.dm.RefreshView();
    const QByteArray settings = Block(*p.dm.Settings);
    const QImage view = p.dm.ViewLeftHalf.Image;
    const QColor background = p.form.BackgroundColor();
    const int steps = HistoryListe()->Count();
    p.RunDialog([&](TFormOptionen& d) {
        d.SelectNode(1);
        d.FrameGitter->ScrollBarHoriz->setValue(37);
        d.SelectNode(2);
        d.FrameUmriss->RadioButtonBi->click();
        d.SelectNode(4);
        colours.answer = 0x00FF00;
        d.FrameColorDeskBackground->BitBtnDeskBackColor->click();
        EXPECT_EQ(p.form.BackgroundColor(), QColor(0, 255, 0));
        d.SelectNode(5);
        d.FrameFarbenDesktopMaske->BitBtnDeskTransColor->click();
        d.SelectNode(7);
        d.FrameFarbenDocuMaskFile->BitBtnFileMaskForColor->click();
        d.SelectNode(9);
        d.FrameColorDocuMaskPicure->BitBtnGrey->click();
        d.SelectNode(10);
        d.FrameDekor->uSpinEditDecorWidthMiddle->setText("40");
        EXPECT_NE(Block(*p.dm.Settings), settings);
        d.BitBtnCancel->click();
    });
    EXPECT_EQ(Block(*p.dm.Settings), settings);
    EXPECT_TRUE(p.dm.ActionNewMask->isChecked());
    EXPECT_FALSE(p.dm.ActionMaskEdit->isChecked());
    EXPECT_FALSE(p.dm.ActionTransparenteMaske->isChecked());
    EXPECT_FALSE(p.dm.ActionGitter->isChecked());
    EXPECT_EQ(p.dm.EditMode, TDM::emNewMask);
    EXPECT_EQ(p.form.BackgroundColor(), background);
    EXPECT_EQ(p.dm.ViewLeftHalf.Image, view);
    EXPECT_EQ(HistoryListe()->Count(), steps);
}

TEST(SettingsCommand, OkThenUndoRestoresTheDocumentGroupsOnlyAndRedoBringsThemBack)
{
    TPreviewProgram p;
    TColourAnswer colours;
    const TDesktopData before = [&] {
        TDesktopData d;
        d.Assign(*p.dm.Settings);
        return d;
    }();
    p.RunDialog([&](TFormOptionen& d) {
        d.FrameGitter->ScrollBarHoriz->setValue(37); // grid: workspace
        colours.answer = 0x00FF00;
        d.FrameColorDeskBackground->BitBtnDeskBackColor->click(); // workspace
        d.FrameFarbenDesktopMaske->BitBtnDeskTransColor->click(); // workspace
        colours.answer = 0x0000FF;
        d.FrameFarbenDocuMaskFile->BitBtnFileMaskBackColor->click(); // document
        d.FrameColorDocuMaskPicure->BitBtnGrey->click(); // document
        d.FrameDekor->uSpinEditDecorWidthMiddle->setText("33"); // document
        d.FrameDekor->CheckBoxView->click();
        d.BitBtnOk->click();
    });
    THistoryListe& history = *HistoryListe();
    ASSERT_EQ(history.Items(history.Count() - 1)->Name, QStringLiteral("Desktop"));
    EXPECT_EQ(p.dm.Settings->DecorWidthMiddle, 33);
    EXPECT_EQ(p.dm.Settings->FileMaskPictColor, 0x222222u);
    // The new decoration shows in the view after the dialog: 38 pixels left
    // of the window lies in the 33 pixel wide middle frame.
    EXPECT_EQ(p.Left(12, 50), qRgb(0x80, 0x80, 0x80));

    p.dm.ActionUndo->trigger();
    const TDesktopData& s = *p.dm.Settings;
    EXPECT_EQ(s.FileMaskPictColor, before.FileMaskPictColor);
    EXPECT_EQ(s.FileMaskBackColor, before.FileMaskBackColor);
    EXPECT_EQ(s.DecorWidthMiddle, before.DecorWidthMiddle);
    EXPECT_EQ(s.DecorView, before.DecorView);
    // ... and the old one: 38 pixels out is the outer frame again, 45 out
    // the cover colour.
    EXPECT_EQ(p.Left(12, 50), Rgb(before.DecorColorOutside));
    EXPECT_EQ(p.Left(5, 50), Rgb(before.FileMaskPictColor));
    // Grid and workspace colours stay as the dialog left them.
    EXPECT_EQ(s.GridHorizCount, 37);
    EXPECT_EQ(s.DeskBackColor, 0x00FF00u);
    EXPECT_EQ(s.DeskTransColor, 0x00FF00u);

    p.dm.ActionRedo->trigger();
    EXPECT_EQ(p.dm.Settings->FileMaskPictColor, 0x222222u);
    EXPECT_EQ(p.dm.Settings->DecorWidthMiddle, 33);
    EXPECT_EQ(p.dm.Settings->FileMaskBackColor, 0x0000FFu);
}

TEST(SettingsCommand, TheDesktopStepHoldsTheUsersToolsNotThePreviews)
{
    TPreviewProgram p;
    p.dm.ActionNewMask->trigger();
    ASSERT_EQ(p.dm.EditMode, TDM::emNewMask);
    p.RunDialog([&](TFormOptionen& d) {
        d.SelectNode(1); // the edit tool comes on
        d.SelectNode(10); // and every tool goes off
        d.BitBtnOk->click();
    });
    THistoryListe& history = *HistoryListe();
    const THistoryEintrag& step = *history.Items(history.Count() - 1);
    ASSERT_EQ(step.Name, QStringLiteral("Desktop"));
    EXPECT_EQ(step.R01().EditMode, TDM::emNewMask);
    EXPECT_TRUE(step.R01().CheckedActions & (1u << 8)); // ActionNewMask
    EXPECT_FALSE(step.R01().CheckedActions & (1u << 9)); // ActionMaskEdit
    // Undoing a later step back to "Desktop" gives the new-mask tool again.
    p.dm.ActionMaskEdit->trigger();
    p.dm.ActionUndo->trigger();
    EXPECT_EQ(p.dm.EditMode, TDM::emNewMask);
    EXPECT_TRUE(p.dm.ActionNewMask->isChecked());
}

TEST(SettingsCommand, AfterTheDialogTheCurrentRecordFollowsTheRestoredTools)
{
    TPreviewProgram p;
    p.dm.ActionMaskEdit->trigger();
    p.RunDialog([&](TFormOptionen& d) {
        d.SelectNode(10); // unchecks the edit tool; the mode stays 4
        d.BitBtnOk->click();
    });
    EXPECT_EQ(p.dm.EditMode, TDM::emEditMask);
    EXPECT_TRUE(p.dm.ActionMaskEdit->isChecked());
    EXPECT_TRUE(HistoryListe()->Current().R01().CheckedActions & (1u << 9));
}
