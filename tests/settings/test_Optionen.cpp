// The settings dialog as a whole: its layout, the tree and the words it
// sends, and the ways of closing it.
#include "settings/Optionen.h"

#include "OptionenTestSupport.h"

#include "history/History.h"
#include "model/ProgramObjects.h"
#include "settings/Frame_Dekor.h"
#include "settings/Frame_DesktopBackground.h"
#include "settings/Frame_DokuMaskenDatei.h"
#include "settings/Frame_DokuMaskenPict.h"
#include "settings/Frame_Gitter.h"
#include "settings/Frame_Masken.h"
#include "settings/Frame_Umriss.h"
#include "settings/uSpin.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeWidget>

namespace {

// Runs Execute with an answerer and restores the previous one.
int ExecuteWith(TFormOptionen& dialog, const TFormOptionen::TAnswerer& answerer)
{
    const TFormOptionen::TAnswerer previous = TFormOptionen::SetAnswerer(answerer);
    const int result = dialog.Execute();
    TFormOptionen::SetAnswerer(previous);
    return result;
}

// A change on every page, as a user would make it.
void ChangeEveryPage(TFormOptionen& d, TColorAnswer& colours)
{
    d.SelectNode(1);
    d.FrameGitter->ScrollBarHoriz->setValue(37);
    d.FrameGitter->RadioButtonBi->click();
    d.SelectNode(2);
    d.FrameUmriss->RadioButtonBi->click();
    colours.answer = 0x0000FF;
    d.FrameUmriss->BitBtnBiColor2->click();
    d.SelectNode(4);
    colours.answer = 0x123456;
    d.FrameColorDeskBackground->BitBtnDeskBackColor->click();
    d.SelectNode(5);
    colours.answer = 0x00FF00;
    d.FrameFarbenDesktopMaske->BitBtnDeskTransColor->click();
    d.FrameFarbenDesktopMaske->BitBtnDeskNoTransColor->click();
    d.SelectNode(7);
    colours.answer = 0xABCDEF;
    d.FrameFarbenDocuMaskFile->BitBtnFileMaskBackColor->click();
    d.SelectNode(9);
    d.FrameColorDocuMaskPicure->BitBtnGrey->click();
    d.SelectNode(10);
    d.FrameDekor->CheckBoxView->click();
    d.FrameDekor->uSpinEditDecorWidthMiddle->setText("33");
    d.FrameDekor->Outside.BackgroundButton->click();
}

} // namespace

TEST(OptionenLayout, ClientAreaTreeAndButtons)
{
    TFormOptionen d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(d.size(), QSize(492, 396));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    EXPECT_EQ(d.TreeView1->width(), 153);
    EXPECT_EQ(d.BitBtnOk->text(), QStringLiteral("OK"));
    EXPECT_EQ(d.BitBtnCancel->text(), QStringLiteral("Abbrechen"));
    EXPECT_TRUE(d.BitBtnOk->isDefault());
    EXPECT_TRUE(d.LabelCaption->font().bold());
    EXPECT_EQ(d.Panel2->palette().color(QPalette::Window), d.palette().color(QPalette::Dark));
}

TEST(OptionenLayout, ElevenNodesInOrderWithTheirParentsAndPages)
{
    TFormOptionen d;
    const char* texts[] = {"Arbeitsbereich", "Gitter", "Umriss", "Farben", "Hintergrund", "Masken",
                           "Dokument", "Maskendatei", "maskiertes Bild", "Maskenfarbe", "Dekor"};
    const int parents[] = {-1, 0, 0, 0, 3, 3, -1, 6, 6, 8, 8};
    ASSERT_EQ(d.TreeView1->topLevelItemCount(), 2);
    // The tree walked depth first gives the absolute order.
    QList<QTreeWidgetItem*> walked;
    for (QTreeWidgetItemIterator it(d.TreeView1); *it; ++it)
        walked << *it;
    ASSERT_EQ(walked.size(), 11);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(walked[i], d.Node(i));
        EXPECT_EQ(d.Node(i)->text(0), QString::fromUtf8(texts[i]));
        EXPECT_EQ(d.Node(i)->parent(), parents[i] < 0 ? nullptr : d.Node(parents[i]));
        EXPECT_TRUE(d.Node(i)->isExpanded() || d.Node(i)->childCount() == 0);
    }
    const std::vector<TFrameOptionen*> pages = {
        nullptr, d.FrameGitter, d.FrameUmriss, nullptr, d.FrameColorDeskBackground, d.FrameFarbenDesktopMaske,
        nullptr, d.FrameFarbenDocuMaskFile, nullptr, d.FrameColorDocuMaskPicure, d.FrameDekor};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(d.PageOfNode(i), pages[i]) << i;
    EXPECT_EQ(d.Node(11), nullptr);
}

TEST(OptionenLayout, EveryPageHasDefaultsAndItsColourButtons)
{
    TFormOptionen d;
    const std::vector<std::pair<TFrameOptionen*, int>> pages = {
        {d.FrameGitter, 3}, {d.FrameUmriss, 3}, {d.FrameColorDeskBackground, 1}, {d.FrameFarbenDesktopMaske, 2},
        {d.FrameFarbenDocuMaskFile, 2}, {d.FrameColorDocuMaskPicure, 1}, {d.FrameDekor, 3}};
    for (const auto& [page, colourButtons] : pages) {
        ASSERT_NE(page->BitBtnDefaultValues, nullptr);
        EXPECT_EQ(page->BitBtnDefaultValues->text(), QStringLiteral("Vorgaben"));
        EXPECT_EQ(page->ColorDialog, d.ColorDialog1);
        int count = 0;
        for (QPushButton* b : page->findChildren<QPushButton*>())
            count += b->text() == QString::fromUtf8("Farbe Ändern...");
        EXPECT_EQ(count, colourButtons) << page->objectName().toStdString();
        EXPECT_EQ(page->findChildren<TColorSquare*>().size(), colourButtons);
    }
}

TEST(OptionenTree, EachNodeShowsItsCaptionItsPageAndSendsItsWord)
{
    TLiveRecord live;
    TFormOptionen d;
    d.SetData(&live.data);
    const quint16 words[] = {4, 2, 4, 4, 16, 16, 8, 128, 8, 256, 8};
    for (int i = 0; i < 11; ++i) {
        live.words.clear();
        d.SelectNode(i);
        EXPECT_EQ(d.LabelCaption->text(), QLatin1Char(' ') + d.Node(i)->text(0));
        ASSERT_EQ(live.words.size(), 1u) << i;
        EXPECT_EQ(live.words[0], words[i]) << i;
        for (int j = 0; j < 11; ++j) {
            if (TFrameOptionen* page = d.PageOfNode(j)) {
                EXPECT_EQ(!page->isHidden(), j == i) << i << " " << j;
            }
        }
    }
    EXPECT_EQ(d.LabelCaption->text(), QStringLiteral(" Dekor"));
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
    ASSERT_EQ(live.words.size(), 1u);
    EXPECT_EQ(live.words[0], 256);
    EXPECT_EQ(d.LabelCaption->text(), QStringLiteral(" Maskenfarbe"));
}

TEST(OptionenData, SetDataFillsEveryPageWithWordZeroAndKeepsABackup)
{
    TLiveRecord live;
    live.data.GridHorizCount = 23;
    live.data.DecorWidthMiddle = 17;
    live.data.FileMaskPictColor = 0x0A0B0C;
    TFormOptionen d;
    d.SetData(&live.data);
    EXPECT_EQ(live.words, std::vector<quint16>(7, 0));
    EXPECT_EQ(Block(d.Backup()), Block(live.data));
    EXPECT_EQ(d.LiveData(), &live.data);
    EXPECT_EQ(d.FrameGitter->SpinEditHoriz->text(), "23");
    EXPECT_EQ(d.FrameGitter->ScrollBarHoriz->value(), 23);
    EXPECT_EQ(d.FrameDekor->uSpinEditDecorWidthMiddle->text(), "17");
    EXPECT_EQ(d.FrameColorDocuMaskPicure->ShapeFileMaskPictColor->Color(), 0x0A0B0Cu);
    for (int i = 0; i < 11; ++i) {
        if (TFrameOptionen* page = d.PageOfNode(i)) {
            EXPECT_EQ(page->Data, &live.data);
        }
    }
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

TEST(OptionenClose, CancelAfterChangingEveryPageRestoresEveryField)
{
    TProgramObjects objects;
    TLiveRecord live;
    live.data.LastFileName = QStringLiteral("/bilder/a_L.jpg");
    const QByteArray before = Block(live.data);
    TColorAnswer colours;
    TFormOptionen d;
    d.SetData(&live.data);
    QByteArray during;
    const int result = ExecuteWith(d, [&](TFormOptionen& dialog) {
        ChangeEveryPage(dialog, colours);
        during = Block(live.data);
        dialog.BitBtnCancel->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    // Every page's change had reached the live record...
    EXPECT_NE(during, before);
    EXPECT_EQ(colours.presets.size(), 5u);
    // ...and every one is gone again.
    EXPECT_EQ(Block(live.data), before);
    EXPECT_EQ(live.LastWord(), 1);
    EXPECT_EQ(HistoryListe()->Count(), 0);
}

TEST(OptionenClose, TheWindowsCloseButtonAndEscapeRestoreToo)
{
    TLiveRecord live;
    const QByteArray before = Block(live.data);
    TFormOptionen d;
    d.SetData(&live.data);
    ExecuteWith(d, [](TFormOptionen& dialog) {
        dialog.FrameGitter->ScrollBarVerti->setValue(77);
        dialog.close();
    });
    EXPECT_EQ(Block(live.data), before);
    EXPECT_EQ(live.LastWord(), 1);
    d.SetData(&live.data);
    ExecuteWith(d, [](TFormOptionen& dialog) {
        dialog.FrameColorDocuMaskPicure->BitBtnGrey->click();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &escape);
    });
    EXPECT_EQ(Block(live.data), before);
    // An answerer that leaves the dialog open cancels it as well.
    d.SetData(&live.data);
    const int result = ExecuteWith(d, [](TFormOptionen& dialog) { dialog.FrameDekor->CheckBoxUse->click(); });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(Block(live.data), before);
}

TEST(OptionenClose, OkKeepsTheChangesAndRecordsTheDesktopStep)
{
    TProgramObjects objects;
    THistoryListe& history = *HistoryListe();
    TLiveRecord live;
    TFormOptionen d;
    int stepsWhenAsked = -1;
    d.OnBeforeDesktopStep = [&] { stepsWhenAsked = history.Count(); };
    d.SetData(&live.data);
    const int result = ExecuteWith(d, [](TFormOptionen& dialog) {
        dialog.FrameGitter->ScrollBarHoriz->setValue(37);
        dialog.FrameColorDocuMaskPicure->BitBtnGrey->click();
        dialog.BitBtnOk->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(live.data.GridHorizCount, 37);
    EXPECT_EQ(live.data.FileMaskPictColor, 0x222222u);
    EXPECT_EQ(Block(d.Backup()), Block(live.data));
    EXPECT_EQ(live.LastWord(), 1);
    EXPECT_EQ(stepsWhenAsked, 0);
    ASSERT_EQ(history.Count(), 1);
    EXPECT_EQ(history.Items(0)->Name, QStringLiteral("Desktop"));
    // The step carries the new settings.
    TDesktopData stored;
    history.Items(0)->R02().SettingsStream.Rewind();
    ASSERT_TRUE(stored.ReadFromStream(1, history.Items(0)->R02().SettingsStream, kDesktopMaskAll));
    EXPECT_EQ(stored.GridHorizCount, 37);
    EXPECT_EQ(stored.FileMaskPictColor, 0x222222u);
}
