// The controller's preview of the settings being edited, and the settings
// command around the real dialog: what the view shows for each word, what
// closing the dialog puts back, and the undo step "OK" records.
#include "app/Application.h"
#include "model/Liste_Polygon.h"
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

#include <QCheckBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <tuple>

#include "AppFixture.h"

namespace {

const QRgb kWhiteRgb = qRgb(255, 255, 255), kRedRgb = qRgb(255, 0, 0), kBlackRgb = qRgb(0, 0, 0);
const QRgb kDecorInside = qRgb(0xC0, 0xC0, 0xC0), kDecorMiddle = qRgb(0x80, 0x80, 0x80);
const QRgb kDark = qRgb(0x22, 0x22, 0x22);

QByteArray Block(const TDesktopData& d)
{
    TMemoryStream s;
    d.WriteToStream(1, s);
    return s.Data();
}

// The program with its settings dialog, started as the user starts it, on
// a 200 x 100 pair (white unless asked) with a rectangular stereo window
// from (50, 25) to (150, 75) in both pictures.
struct TPreviewProgram : TFreshProgram {
    TFormOptionen optionen{&form};
    explicit TPreviewProgram(QColor left = Qt::white, QColor right = Qt::white)
    {
        ConnectOptionenDialog(dm, optionen);
        dm.OnRequestBackground = [this](TColor colour) { form.SetBackgroundColor(colour); };
        Show();
        dm.LoadStereoPair(WritePicture(dir, QStringLiteral("p_L.bmp"), 200, 100, left),
                          WritePicture(dir, QStringLiteral("p_R.bmp"), 200, 100, right), 0);
        TPolygonListe& outline = *PolygonListe();
        for (int i = 0; i < 4; ++i)
            outline.AddNode(i == 1 || i == 2 ? 150 : 50, i < 2 ? 25 : 75, i);
        outline.BuildPoints();
        outline.SaveToCurrent();
        HistoryListe()->Add(QStringLiteral("Öffne L/R"));
        dm.RefreshView();
        CountRefreshes(); // each view change ends one composition here
    }
    // Sends a word as a page does and counts what it cost.
    void Send(quint16 word)
    {
        viewChanges = repaints = 0;
        dm.Settings->Changed(word);
    }
    QRgb Left(int x, int y) const { return dm.ViewLeftHalf.Image.pixel(x, y); }
    // The checked tools and the mode, e.g. "grid edit new trans 4".
    QString Tools() const
    {
        QStringList on;
        for (const auto& [name, action] : {std::pair{"grid", dm.ActionGitter}, {"edit", dm.ActionMaskEdit},
                                           {"new", dm.ActionNewMask}, {"trans", dm.ActionTransparenteMaske}})
            if (action->isChecked())
                on << QString::fromLatin1(name);
        return (on << QString::number(dm.EditMode)).join(QLatin1Char(' '));
    }
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

using P = TPreviewProgram&;

} // namespace

TEST(SettingsPreview, EachWordShowsItsViewWithItsToolsAndRecomposesAtMostOnce)
{
    const QRgb pink = qRgb(0xF0, 0x0F, 0xAA);
    struct TCase {
        const char* title;
        QColor left, right;
        std::function<void(P)> prepare;
        quint16 word;
        const char* tools; // checked afterwards, and the mode
        int compositions;
        std::vector<std::tuple<int, int, QRgb>> pixels; // in the left half of the view
    } cases[] = {
        // The edit tool switched on changes the pictures: one composition,
        // the editing view with its opaque colour outside the window.
        {"grid, idle", Qt::white, Qt::white, [](P p) { p.dm.Settings->DeskNoTransColor = 0x0000FF; }, dgGrid,
         "grid edit 4", 1, {{10, 10, kRedRgb}, {100, 50, kWhiteRgb}}},
        {"outline", Qt::white, Qt::white,
         [](P p) {
             p.dm.ActionGitter->setChecked(true);
             p.dm.ActionNewMask->setChecked(true);
             p.dm.Settings->DeskNoTransColor = 0x00FF00;
         },
         dgOutline, "edit 4", 1, {{10, 10, qRgb(0, 255, 0)}}},
        {"transparent mask", pink, pink, [](P p) { p.dm.Settings->DeskTransColor = 0x00F0F00F; }, dgDeskTrans,
         "trans 0", 1, {{10, 10, qRgb(0xF0 & 0x0F, 0x0F & 0xF0, 0xAA & 0xF0)}, {100, 50, pink}}},
        {"opaque mask", pink, pink,
         [](P p) { p.dm.ActionTransparenteMaske->setChecked(true), p.dm.Settings->DeskNoTransColor = 0x00010203; },
         dgDeskNoTrans, "0", 1,
         {{10, 10, qRgb(3, 2, 1)}, {100, 50, pink}}},
        // x = 28 lies 22 pixels left of the window: in the inner frame's
        // band; frames show only when they are shown in the editor.
        {"opaque mask, frames not shown", Qt::white, Qt::white,
         [](P p) { p.dm.Settings->DeskNoTransColor = 0, p.dm.Settings->DecorUse = 1, p.dm.Settings->DecorView = 0; },
         dgDeskNoTrans, "0", 1, {{28, 50, kBlackRgb}}},
        {"opaque mask, frames shown", Qt::white, Qt::white,
         [](P p) { p.dm.Settings->DeskNoTransColor = 0, p.dm.Settings->DecorUse = 1, p.dm.Settings->DecorView = 1; },
         dgDeskNoTrans, "0", 1, {{28, 50, kDecorInside}, {20, 50, kDecorMiddle}}},
        // The mask picture in its two colours, without frames.
        {"mask file", Qt::red, Qt::blue,
         [](P p) {
             p.dm.ActionMaskEdit->setChecked(true), p.dm.ActionNewMask->setChecked(true);
             p.dm.Settings->FileMaskForColor = 0x00FFFF00; // cyan
             p.dm.Settings->FileMaskBackColor = 0x000000FF; // red
             p.dm.Settings->DecorUse = p.dm.Settings->DecorView = 1;
         },
         dgFileMask, "0", 1, {{100, 50, qRgb(0, 255, 255)}, {10, 10, kRedRgb}, {28, 50, kRedRgb}}},
        // The masked picture with its frames whether or not the editor shows
        // them; the tools go off.
        {"masked picture", Qt::white, Qt::white,
         [](P p) {
             p.dm.ActionGitter->setChecked(true);
             p.dm.ActionMaskEdit->trigger();
             p.dm.Settings->FileMaskPictColor = 0x222222;
             p.dm.Settings->DecorUse = 1, p.dm.Settings->DecorView = 0;
         },
         dgMaskPict, "4", 1, {{5, 50, kDark}, {28, 50, kDecorInside}, {100, 50, kWhiteRgb}}},
        {"decoration", Qt::white, Qt::white,
         [](P p) {
             p.dm.ActionGitter->setChecked(true);
             p.dm.ActionMaskEdit->trigger();
             p.dm.Settings->FileMaskPictColor = 0x222222;
             p.dm.Settings->DecorUse = 1, p.dm.Settings->DecorView = 0;
         },
         dgDecor, "4", 1, {{5, 50, kDark}, {28, 50, kDecorInside}}},
        {"decoration off", Qt::white, Qt::white,
         [](P p) { p.dm.Settings->FileMaskPictColor = 0x222222, p.dm.Settings->DecorUse = 0; }, dgDecor, "0", 1,
         {{28, 50, kDark}}},
        // Every composition keeps the stereo layout: cross shows the right
        // picture on the left, parallel the left one.
        {"masked picture, cross", Qt::red, Qt::blue, [](P p) { p.dm.Settings->FileMaskPictColor = 0; }, dgMaskPict,
         "0", 1, {{100, 50, qRgb(0, 0, 255)}}},
        {"masked picture, parallel", Qt::red, Qt::blue,
         [](P p) { p.dm.Settings->FileMaskPictColor = 0, p.dm.ActionParallel->trigger(); }, dgMaskPict, "0", 1,
         {{100, 50, kRedRgb}}},
        // Opening and closing the dialog only repaint.
        {"opened", Qt::white, Qt::white, [](P p) { p.dm.ActionGitter->setChecked(true); }, 0, "grid 0", 0, {}},
        {"closed", Qt::white, Qt::white, [](P p) { p.dm.ActionGitter->setChecked(true); }, dgDialogClosed, "grid 0", 0,
         {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.title);
        TPreviewProgram p(c.left, c.right);
        c.prepare(p);
        p.Send(c.word);
        EXPECT_EQ(p.Tools(), QString::fromLatin1(c.tools));
        EXPECT_EQ(p.viewChanges, c.compositions);
        EXPECT_EQ(p.repaints, 1);
        for (const auto& [x, y, rgb] : c.pixels)
            EXPECT_EQ(p.Left(x, y), rgb) << x << "," << y;
    }
}

TEST(SettingsPreview, GridWithTheEditToolOnRepaintsWithoutRecomposingAndTheBackgroundFollows)
{
    TPreviewProgram p(Qt::red, Qt::blue);
    p.dm.ActionMaskEdit->trigger();
    const qint64 composed = p.dm.ViewLeftHalf.Image.cacheKey();
    p.Send(dgGrid);
    EXPECT_EQ(p.Tools(), QStringLiteral("grid edit 4"));
    EXPECT_EQ(p.dm.ViewLeftHalf.Image.cacheKey(), composed);
    EXPECT_EQ(p.viewChanges, 0);
    EXPECT_EQ(p.repaints, 1);

    p.dm.Settings->DeskBackColor = 0x203040;
    p.Send(dgDeskBack);
    EXPECT_EQ(p.form.BackgroundColor(), QColor(0x40, 0x30, 0x20));
    EXPECT_EQ(p.Tools(), QStringLiteral("edit 4"));

    // An anaglyph view is composed as an anaglyph of both pictures, with
    // nothing in the halves.
    p.dm.ActionAnaglyphe_Farb->trigger();
    p.Send(dgDeskTrans);
    EXPECT_TRUE(p.dm.ViewLeftHalf.Empty());
    ASSERT_FALSE(p.dm.ViewAnaglyph.Empty());
    EXPECT_EQ(p.dm.ViewAnaglyph.Image.pixel(100, 50), qRgb(255, 0, 255));
}

TEST(SettingsPreview, TreeNodesSwitchBetweenEditingAndTheMaskedPicture)
{
    TPreviewProgram p;
    p.RunDialog([&](TFormOptionen& d) {
        for (const int node : {6, 8}) { // "Dokument", "maskiertes Bild"
            d.SelectNode(2);
            EXPECT_EQ(p.Tools(), QStringLiteral("edit 4"));
            d.SelectNode(node);
            EXPECT_EQ(p.Tools(), QStringLiteral("4")) << node;
            EXPECT_EQ(p.Left(5, 50), kBlackRgb);
        }
        for (const int node : {0, 3}) { // "Arbeitsbereich", "Farben"
            d.SelectNode(1);
            EXPECT_EQ(p.Tools(), QStringLiteral("grid edit 4"));
            d.SelectNode(10);
            d.SelectNode(node);
            EXPECT_EQ(p.Tools(), QStringLiteral("edit 4")) << node;
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
        p.viewChanges = 0;
        for (int value = 11; value <= 37; ++value)
            d.FrameGitter->ScrollBarHoriz->setValue(value);
        EXPECT_EQ(d.FrameGitter->SpinEditHoriz->text(), "37");
        EXPECT_EQ(p.viewChanges, 0);
        EXPECT_EQ(p.dm.ViewLeftHalf.Image.cacheKey(), composed);
        QImage window(p.form.ClientArea()->size(), QImage::Format_RGB32);
        {
            QPainter painter(&window);
            p.form.PaintView(painter);
        }
        const TRect r = p.dm.PictureRectLeftHalf;
        ASSERT_GT(r.Height(), 2 * 38);
        lines = 0;
        for (int y = r.Top; y < r.Bottom; ++y) // left of the first vertical line
            lines += window.pixel(r.Left + 2, y) == qRgb(255, 0, 255);
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
    p.dm.ActionTransparenteMaske->trigger();
    p.dm.RefreshView();
    ASSERT_EQ(p.Tools(), QStringLiteral("new 2"));
    const QByteArray settings = Block(*p.dm.Settings);
    const QImage view = p.dm.ViewLeftHalf.Image;
    const QColor background = p.form.BackgroundColor();
    const int steps = HistoryListe()->Count();
    p.RunDialog([&](TFormOptionen& d) {
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
        // Last the grid page: the grid shows.
        d.SelectNode(1);
        d.FrameGitter->ScrollBarHoriz->setValue(37);
        EXPECT_TRUE(p.dm.ActionGitter->isChecked());
        EXPECT_NE(Block(*p.dm.Settings), settings);
        d.BitBtnCancel->click();
    });
    EXPECT_EQ(Block(*p.dm.Settings), settings);
    EXPECT_EQ(p.Tools(), QStringLiteral("new 2"));
    EXPECT_EQ(p.form.BackgroundColor(), background);
    EXPECT_EQ(p.dm.ViewLeftHalf.Image, view);
    EXPECT_EQ(HistoryListe()->Count(), steps);
}

TEST(SettingsCommand, OkThenUndoRestoresTheDocumentGroupsOnlyAndRedoBringsThemBack)
{
    TPreviewProgram p;
    TColourAnswer colours;
    TDesktopData expected;
    expected.Assign(*p.dm.Settings);
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
    ASSERT_EQ(LastStep(), QStringLiteral("Desktop"));
    const TDesktopData& s = *p.dm.Settings;
    EXPECT_EQ(s.DecorWidthMiddle, 33);
    EXPECT_EQ(s.FileMaskPictColor, 0x222222u);
    // The new decoration shows in the view after the dialog: 38 pixels left
    // of the window lies in the 33 pixel wide middle frame.
    EXPECT_EQ(p.Left(12, 50), kDecorMiddle);

    p.dm.ActionUndo->trigger();
    // Grid and workspace colours stay as the dialog left them; the document's
    // own groups are back to what they were.
    EXPECT_EQ(std::tuple(s.GridHorizCount, s.DeskBackColor, s.DeskTransColor), std::tuple(37, 0x00FF00u, 0x00FF00u));
    expected.GridHorizCount = 37, expected.DeskBackColor = expected.DeskTransColor = 0x00FF00;
    EXPECT_EQ(Block(s), Block(expected));
    // ... and the old decoration: 38 pixels out is the outer frame again, 45
    // out the cover colour.
    EXPECT_EQ(p.Left(12, 50), kDecorInside);
    EXPECT_EQ(p.Left(5, 50), kBlackRgb);

    p.dm.ActionRedo->trigger();
    EXPECT_EQ(std::tuple(s.FileMaskPictColor, s.DecorWidthMiddle, s.FileMaskBackColor),
              std::tuple(0x222222u, 33, 0x0000FFu));
}

TEST(SettingsCommand, TheDesktopStepAndTheCurrentRecordHoldTheUsersToolsNotThePreviews)
{
    {
        TPreviewProgram p;
        p.dm.ActionNewMask->trigger();
        p.RunDialog([&](TFormOptionen& d) {
            d.SelectNode(1); // the edit tool comes on
            d.SelectNode(10); // and every tool goes off
            d.BitBtnOk->click();
        });
        const THistoryEintrag& step = *HistoryListe()->Items(HistoryListe()->Count() - 1);
        ASSERT_EQ(step.Name, QStringLiteral("Desktop"));
        EXPECT_EQ(step.R01().EditMode, TDM::emNewMask);
        EXPECT_EQ(step.R01().CheckedActions & (3u << 8), 1u << 8); // ActionNewMask, not ActionMaskEdit
        // Undoing a later step back to "Desktop" gives the new-mask tool again.
        p.dm.ActionMaskEdit->trigger();
        p.dm.ActionUndo->trigger();
        EXPECT_EQ(p.Tools(), QStringLiteral("new trans 2"));
    }
    {
        TPreviewProgram p;
        p.dm.ActionMaskEdit->trigger();
        p.RunDialog([&](TFormOptionen& d) {
            d.SelectNode(10); // unchecks the edit tool; the mode stays 4
            d.BitBtnOk->click();
        });
        EXPECT_EQ(p.Tools(), QStringLiteral("edit 4"));
        EXPECT_TRUE(HistoryListe()->Current().R01().CheckedActions & (1u << 9));
    }
}
