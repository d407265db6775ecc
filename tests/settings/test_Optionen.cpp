// The settings dialog and its pages: every control writes its field of the
// live record at once and sends its page's change word exactly once; the tree
// selects the pages; every way of closing but OK takes every change back.
// What OK keeps and records is pinned with the editor in tests/app
// (SettingsCommand).
#include "settings/Optionen.h"

#include "history/History.h"
#include "history/Streams.h"
#include "model/ProgramObjects.h"
#include "settings/Frame_Dekor.h"
#include "settings/Frame_DesktopBackground.h"
#include "settings/Frame_DokuMaskenDatei.h"
#include "settings/Frame_DokuMaskenPict.h"
#include "settings/Frame_Gitter.h"
#include "settings/Frame_Masken.h"
#include "settings/Frame_Umriss.h"
#include "settings/OptionenColorDialog.h"
#include "settings/uSpin.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeWidget>

namespace {

// A live record that keeps the words it was sent.
struct TLiveRecord {
    TDesktopData data;
    std::vector<quint16> words;
    TLiveRecord()
    {
        data.OnChange = [this](TDesktopData* sender, quint16 what) {
            EXPECT_EQ(sender, &data);
            words.push_back(what);
        };
    }
    quint16 LastWord() const { return words.empty() ? quint16(0xFFFF) : words.back(); }
};

// Answers the colour dialog: confirms with answer unless told to cancel,
// and keeps the colours it was preset with.
struct TColorAnswer {
    bool confirm = true;
    TColor answer = 0;
    std::vector<TColor> presets;
    TColorDialog::TAnswerer previous = TColorDialog::SetAnswerer([this](TColor& colour) {
        presets.push_back(colour);
        if (confirm)
            colour = answer;
        return confirm;
    });
    ~TColorAnswer() { TColorDialog::SetAnswerer(previous); }
};

// The record's stream block: equal blocks mean equal fields.
QByteArray Block(const TDesktopData& d)
{
    TMemoryStream s;
    d.WriteToStream(1, s);
    return s.Data();
}

// A colour button with its square and field, the word it sends, and its
// field's default.
struct TColourRow {
    QPushButton* Button;
    TColorSquare* Square;
    TColor TDesktopData::*Field;
    quint16 Word;
    TColor Default;
};

std::vector<TColourRow> ColourRows(TFormOptionen& d)
{
    TFrameGitter& g = *d.FrameGitter;
    TFrameUmriss& u = *d.FrameUmriss;
    TFrameColorDeskBackground& b = *d.FrameColorDeskBackground;
    TFrameFarbenDesktopMaske& m = *d.FrameFarbenDesktopMaske;
    TFrameFarbenDocuMaskFile& f = *d.FrameFarbenDocuMaskFile;
    TFrameColorDocuMaskPicure& p = *d.FrameColorDocuMaskPicure;
    TFrameDekor& k = *d.FrameDekor;
    using D = TDesktopData;
    return {
        {g.BitBtnMonoColor, g.ShapeMonoColor, &D::GridMonoColor, 2, 0x808080},
        {g.BitBtnBiColor1, g.ShapeBiColor1, &D::GridBiColor1, 2, 0xFFFFFF},
        {g.BitBtnBiColor2, g.ShapeBiColor2, &D::GridBiColor2, 2, 0},
        {u.BitBtnMonoColor, u.ShapeMonoColor, &D::OutlineMonoColor, 4, 0xFFFFFF},
        {u.BitBtnBiColor1, u.ShapeBiColor1, &D::OutlineBiColor1, 4, 0xFFFFFF},
        {u.BitBtnBiColor2, u.ShapeBiColor2, &D::OutlineBiColor2, 4, 0},
        {b.BitBtnDeskBackColor, b.ShapeDeskBackColor, &D::DeskBackColor, 16, 0x101010},
        {m.BitBtnDeskTransColor, m.ShapeDeskTransColor, &D::DeskTransColor, 32, 0x04FF04},
        {m.BitBtnDeskNoTransColor, m.ShapeDeskNoTransColor, &D::DeskNoTransColor, 64, 0},
        {f.BitBtnFileMaskForColor, f.ShapeFileMaskForColor, &D::FileMaskForColor, 128, 0xFFFFFF},
        {f.BitBtnFileMaskBackColor, f.ShapeFileMaskBackColor, &D::FileMaskBackColor, 128, 0},
        {p.BitBtnFileMaskPictColor, p.ShapeFileMaskPictColor, &D::FileMaskPictColor, 256, 0},
        {k.Inside.ColorButton, k.Inside.ColorSquare, &D::DecorColorInside, 8, 0xC0C0C0},
        {k.Middle.ColorButton, k.Middle.ColorSquare, &D::DecorColorMiddle, 8, 0x808080},
        {k.Outside.ColorButton, k.Outside.ColorSquare, &D::DecorColorOutside, 8, 0xC0C0C0},
    };
}

// Runs Execute with an answerer and restores the previous one.
int ExecuteWith(TFormOptionen& dialog, const TFormOptionen::TAnswerer& answerer)
{
    const TFormOptionen::TAnswerer previous = TFormOptionen::SetAnswerer(answerer);
    const int result = dialog.Execute();
    TFormOptionen::SetAnswerer(previous);
    return result;
}

void TypeText(QWidget* target, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(target, &press);
    }
}

} // namespace

TEST(OptionenTree, ElevenNodesInOrderEachShowsItsCaptionAndPageAndSendsItsWord)
{
    TLiveRecord live;
    TFormOptionen d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(std::pair(d.size(), d.TreeView1->width()), std::pair(QSize(492, 396), 153));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    EXPECT_EQ(d.BitBtnOk->text() + d.BitBtnCancel->text(), QStringLiteral("OKAbbrechen"));
    EXPECT_TRUE(d.BitBtnOk->isDefault());
    d.SetData(&live.data);
    const struct {
        const char* text;
        int parent;
        TFrameOptionen* page;
        quint16 word;
    } nodes[] = {
        {"Arbeitsbereich", -1, nullptr, 4}, {"Gitter", 0, d.FrameGitter, 2},
        {"Umriss", 0, d.FrameUmriss, 4}, {"Farben", 0, nullptr, 4},
        {"Hintergrund", 3, d.FrameColorDeskBackground, 16}, {"Masken", 3, d.FrameFarbenDesktopMaske, 16},
        {"Dokument", -1, nullptr, 8}, {"Maskendatei", 6, d.FrameFarbenDocuMaskFile, 128},
        {"maskiertes Bild", 6, nullptr, 8}, {"Maskenfarbe", 8, d.FrameColorDocuMaskPicure, 256},
        {"Dekor", 8, d.FrameDekor, 8},
    };
    ASSERT_EQ(d.TreeView1->topLevelItemCount(), 2);
    // The tree walked depth first gives the absolute order.
    QList<QTreeWidgetItem*> walked;
    for (QTreeWidgetItemIterator it(d.TreeView1); *it; ++it)
        walked << *it;
    ASSERT_EQ(walked.size(), 11);
    EXPECT_EQ(d.Node(11), nullptr);
    for (int i = 0; i < 11; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(walked[i], d.Node(i));
        EXPECT_EQ(d.Node(i)->text(0), QString::fromUtf8(nodes[i].text));
        EXPECT_EQ(d.Node(i)->parent(), nodes[i].parent < 0 ? nullptr : d.Node(nodes[i].parent));
        EXPECT_TRUE(d.Node(i)->isExpanded() || d.Node(i)->childCount() == 0);
        EXPECT_EQ(d.PageOfNode(i), nodes[i].page);
        live.words.clear();
        d.SelectNode(i);
        EXPECT_EQ(d.LabelCaption->text(), QLatin1Char(' ') + QString::fromUtf8(nodes[i].text));
        EXPECT_EQ(live.words, std::vector<quint16>{nodes[i].word});
        for (const auto& other : nodes) {
            if (other.page) {
                EXPECT_EQ(!other.page->isHidden(), other.page == nodes[i].page) << other.text;
            }
        }
    }
}

TEST(OptionenTree, ASelectionIsAppliedOnlyAfterTheTreeHasRested)
{
    TLiveRecord live;
    TFormOptionen d;
    d.SetData(&live.data);
    live.words.clear();
    d.TreeView1->setCurrentItem(d.Node(7));
    d.TreeView1->setCurrentItem(d.Node(9));
    EXPECT_TRUE(live.words.empty());
    QElapsedTimer waited;
    waited.start();
    while (live.words.empty() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // Only the node the tree came to rest on was applied.
    EXPECT_EQ(live.words, std::vector<quint16>{256});
    EXPECT_EQ(d.LabelCaption->text(), QStringLiteral(" Maskenfarbe"));
}

TEST(OptionenPages, EveryControlWritesItsFieldAndSendsItsWordAndCancelTakesEveryOneBack)
{
    TProgramObjects objects;
    TLiveRecord live;
    live.data.GridHorizCount = 23;
    live.data.LastFileName = QStringLiteral("/bilder/a_L.jpg");
    const QByteArray before = Block(live.data);
    TColorAnswer colours;
    TFormOptionen d;
    d.SetData(&live.data);
    // Setting the data fills every page, each with word 0, and keeps a backup.
    EXPECT_EQ(live.words, std::vector<quint16>(7, 0));
    EXPECT_EQ(Block(d.Backup()), before);
    EXPECT_EQ(d.LiveData(), &live.data);
    EXPECT_EQ(std::pair(d.FrameGitter->SpinEditHoriz->text(), d.FrameGitter->ScrollBarHoriz->value()),
              std::pair(QStringLiteral("23"), 23));
    TDesktopData expected;
    expected.Assign(live.data);
    const int result = ExecuteWith(d, [&](TFormOptionen& dialog) {
        for (const TColourRow& row : ColourRows(dialog)) {
            SCOPED_TRACE(std::to_string(row.Word) + " " + std::to_string(row.Default));
            EXPECT_EQ(row.Button->text(), QString::fromUtf8("Farbe Ändern..."));
            colours.answer += 0x010101; // differs from every default and every other row
            expected.*row.Field = colours.answer;
            live.words.clear();
            row.Button->click();
            EXPECT_EQ(colours.presets.back(), row.Default);
            EXPECT_EQ(row.Square->Color(), colours.answer);
            EXPECT_EQ(live.words, std::vector<quint16>{row.Word});
        }
        TFrameGitter& g = *dialog.FrameGitter;
        TFrameDekor& k = *dialog.FrameDekor;
        const std::pair<std::function<void()>, quint16> actions[] = {
            {[&] { g.ScrollBarHoriz->setValue(37); }, 2},
            {[&] { g.SpinEditVerti->setText("55"); }, 2},
            {[&] { g.RadioButtonBi->click(); }, 2},
            {[&] { g.RadioButtonMono->click(); }, 2},
            {[&] { dialog.FrameUmriss->RadioButtonBi->click(); }, 4},
            {[&] { k.CheckBoxView->click(); }, 8},
            {[&] { k.CheckBoxUse->click(); }, 8},
            {[&] { k.uSpinDecorWidthInside->setText("31"); }, 8},
            {[&] { k.uSpinEditDecorWidthMiddle->setText("32"); }, 8},
            {[&] { k.uSpinEditDekorWidthOutside->setText("33"); }, 8},
            {[&] { k.uSpinEditDecorDistance->setText("34"); }, 8},
        };
        for (const auto& [act, word] : actions) {
            live.words.clear();
            act();
            EXPECT_EQ(live.words, std::vector<quint16>{word});
        }
        std::tie(expected.GridHorizCount, expected.GridVertCount, expected.OutlineMono, expected.DecorView,
                 expected.DecorUse) = std::tuple(37, 55, 0, 1, 0);
        std::tie(expected.DecorWidthInside, expected.DecorWidthMiddle, expected.DecorWidthOutside,
                 expected.DecorDistance) = std::tuple(31, 32, 33, 34);
        EXPECT_EQ(Block(live.data).toHex(), Block(expected).toHex());
        EXPECT_EQ(std::pair(g.SpinEditHoriz->text(), g.ScrollBarVerti->value()), std::pair(QStringLiteral("37"), 55));
        EXPECT_FALSE(g.RadioButtonBi->isChecked());
        EXPECT_TRUE(dialog.FrameUmriss->RadioButtonBi->isChecked());
        EXPECT_FALSE(k.CheckBoxView->isEnabled()) << "showing in the editor needs use";
        dialog.BitBtnCancel->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(Block(live.data), before);
    EXPECT_EQ(live.LastWord(), 1);
    EXPECT_EQ(HistoryListe()->Count(), 0);
}

TEST(OptionenPages, EachPagesDefaultsSetItsOwnGroupsDefaultsAndSendThePagesWord)
{
    TFormOptionen d;
    const struct {
        TFrameOptionen* page;
        void (TDesktopData::*defaults)();
        quint16 word;
    } rows[] = {
        {d.FrameGitter, &TDesktopData::SetGridDefaults, 2},
        {d.FrameUmriss, &TDesktopData::SetOutlineDefaults, 4},
        {d.FrameColorDeskBackground, &TDesktopData::SetDeskBackDefaults, 16},
        {d.FrameFarbenDesktopMaske, &TDesktopData::SetDeskMaskDefaults, 16}, // both mask colours at once
        {d.FrameFarbenDocuMaskFile, &TDesktopData::SetFileMaskDefaults, 128},
        {d.FrameColorDocuMaskPicure, &TDesktopData::SetMaskPictDefaults, 256},
        {d.FrameDekor, &TDesktopData::SetDecorDefaults, 8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.page->objectName().toStdString());
        EXPECT_EQ(row.page->BitBtnDefaultValues->text(), QStringLiteral("Vorgaben"));
        // Every field away from its default.
        TLiveRecord live;
        TDesktopData& odd = live.data;
        odd.LastFileName = QStringLiteral("a.jpg");
        std::tie(odd.GridVertCount, odd.GridHorizCount, odd.GridMono, odd.OutlineMono) = std::tuple(3, 4, 0, 0);
        std::tie(odd.DecorView, odd.DecorUse, odd.DecorDistance, odd.DecorWidthInside, odd.DecorWidthMiddle,
                 odd.DecorWidthOutside) = std::tuple(1, 0, 6, 7, 8, 9);
        for (const TColourRow& colour : ColourRows(d))
            odd.*colour.Field = 0x123456;
        d.SetData(&odd);
        TDesktopData expected;
        expected.Assign(odd);
        (expected.*row.defaults)();
        live.words.clear();
        row.page->BitBtnDefaultValues->click();
        EXPECT_EQ(Block(odd).toHex(), Block(expected).toHex());
        EXPECT_EQ(live.words, std::vector<quint16>{row.word});
    }
}

TEST(OptionenPages, CountsAndWidthsTypedPastTheLimitsAreTakenClampedWhileTheTextStays)
{
    TLiveRecord live;
    TFormOptionen d;
    d.SetData(&live.data);
    d.show();
    QApplication::setActiveWindow(&d);
    d.SelectNode(1);
    TuSpinEdit* count = d.FrameGitter->SpinEditHoriz;
    count->setFocus();
    ASSERT_TRUE(count->hasFocus());
    count->clear();
    TypeText(count, "5000");
    EXPECT_EQ(count->text(), "5000");
    EXPECT_EQ(live.data.GridHorizCount, 100);
    count->clear();
    EXPECT_EQ(live.data.GridHorizCount, 1);

    d.SelectNode(10);
    TuSpinEdit* width = d.FrameDekor->uSpinEditDecorWidthMiddle;
    width->setFocus();
    ASSERT_TRUE(width->hasFocus());
    width->clear();
    live.words.clear();
    TypeText(width, "-5");
    EXPECT_EQ(width->text(), "-5");
    EXPECT_EQ(live.data.DecorWidthMiddle, 0);
    // Typing "-" (no number yet) and "-5" each sent the decoration word.
    EXPECT_EQ(live.words, std::vector<quint16>({8, 8}));
}

TEST(OptionenPages, NegativeWidthsInTheRecordAreShownAndStoredAsZero)
{
    TLiveRecord live;
    TDesktopData& r = live.data;
    std::tie(r.DecorWidthInside, r.DecorWidthMiddle, r.DecorWidthOutside, r.DecorDistance) = std::tuple(-3, -4, 6, -20);
    TFormOptionen d;
    d.SetData(&r);
    EXPECT_EQ(std::tuple(r.DecorWidthInside, r.DecorWidthMiddle, r.DecorWidthOutside, r.DecorDistance),
              std::tuple(0, 0, 6, 0));
    EXPECT_EQ(d.FrameDekor->uSpinDecorWidthInside->text() + d.FrameDekor->uSpinEditDecorDistance->text(), "00");
}

TEST(OptionenColours, ThePresetIsTheColourInForceOnlyAConfirmedColourIsStoredAndNeverItsAlpha)
{
    EXPECT_EQ(TColorToQColor(0x00FF8001), QColor(0x01, 0x80, 0xFF));
    EXPECT_EQ(QColorToTColor(QColor(0x01, 0x80, 0xFF)), 0x00FF8001u);
    TLiveRecord live;
    TFormOptionen d;
    d.SetData(&live.data);
    live.words.clear();
    TColorAnswer answer;
    answer.confirm = false;
    answer.answer = 0x00336699;
    QPushButton* button = d.FrameGitter->BitBtnBiColor1;
    button->click();
    EXPECT_EQ(live.data.GridBiColor1, 0xFFFFFFu);
    EXPECT_TRUE(live.words.empty());
    answer.confirm = true;
    button->click();
    answer.answer = 0xFF010203;
    button->click();
    EXPECT_EQ(answer.presets, std::vector<TColor>({0xFFFFFF, 0xFFFFFF, 0x336699}));
    EXPECT_EQ(live.data.GridBiColor1, 0x010203u);
}

TEST(OptionenColours, GreyPresetAndTheFramesBackgroundButtonsTakeTheMaskColour)
{
    TLiveRecord live;
    TFormOptionen d;
    d.SetData(&live.data);
    live.words.clear();
    TFrameColorDocuMaskPicure& picture = *d.FrameColorDocuMaskPicure;
    EXPECT_EQ(picture.BitBtnGrey->text(), QStringLiteral("fc - Grau"));
    EXPECT_TRUE(picture.BitBtnGrey->toolTip().contains(QStringLiteral("Stereobild")));
    picture.BitBtnGrey->click();
    EXPECT_EQ(std::pair(live.data.FileMaskPictColor, picture.ShapeFileMaskPictColor->Color()),
              std::pair(0x222222u, 0x222222u));
    TFrameDekor& k = *d.FrameDekor;
    EXPECT_EQ(k.Middle.BackgroundButton->toolTip(), QStringLiteral("Verwende aktuelle Hintergrundfarbe der Maske "));
    k.Middle.BackgroundButton->click();
    EXPECT_EQ(std::tuple(live.data.DecorColorInside, live.data.DecorColorMiddle, live.data.DecorColorOutside),
              std::tuple(0xC0C0C0u, 0x222222u, 0xC0C0C0u));
    EXPECT_EQ(k.Middle.ColorSquare->Color(), 0x222222u);
    k.Inside.BackgroundButton->click();
    k.Outside.BackgroundButton->click();
    EXPECT_EQ(std::pair(live.data.DecorColorInside, live.data.DecorColorOutside), std::pair(0x222222u, 0x222222u));
    EXPECT_EQ(live.words, std::vector<quint16>({256, 8, 8, 8}));
}

TEST(OptionenShow, FirstShowingAppliesTheWorkspaceNodeLaterOnesTheSelectedNode)
{
    TLiveRecord live;
    TFormOptionen d;
    d.SetData(&live.data);
    std::vector<quint16> shownWords;
    ExecuteWith(d, [&](TFormOptionen& dialog) {
        shownWords = live.words;
        EXPECT_EQ(dialog.LabelCaption->text(), QStringLiteral(" Arbeitsbereich"));
        dialog.SelectNode(10);
    });
    ASSERT_EQ(shownWords.size(), 8u);
    EXPECT_EQ(shownWords.back(), 4);
    live.words.clear();
    ExecuteWith(d, [&](TFormOptionen& dialog) {
        EXPECT_EQ(dialog.LabelCaption->text(), QStringLiteral(" Dekor"));
        EXPECT_FALSE(dialog.FrameDekor->isHidden());
    });
    ASSERT_GE(live.words.size(), 1u);
    EXPECT_EQ(live.words.front(), 8);
}

TEST(OptionenClose, TheWindowsCloseButtonEscapeAndAnAnswererThatLeavesItOpenRestoreToo)
{
    TLiveRecord live;
    const QByteArray before = Block(live.data);
    TFormOptionen d;
    const std::function<void(TFormOptionen&)> closings[] = {
        [](TFormOptionen& dialog) {
            dialog.FrameGitter->ScrollBarVerti->setValue(77);
            dialog.close();
        },
        [](TFormOptionen& dialog) {
            dialog.FrameColorDocuMaskPicure->BitBtnGrey->click();
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&dialog, &escape);
        },
        [](TFormOptionen& dialog) { dialog.FrameDekor->CheckBoxUse->click(); },
    };
    for (const auto& closing : closings) {
        d.SetData(&live.data);
        EXPECT_EQ(ExecuteWith(d, closing), QDialog::Rejected);
        EXPECT_EQ(Block(live.data), before);
        EXPECT_EQ(live.LastWord(), 1);
    }
}
