// The option pages on their own: each control writes its field of the live
// record at once and sends its page's change word, exactly once.
#include "OptionenTestSupport.h"

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
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace {

// A page on the live record, filled as the dialog fills it.
template <class TPage> struct TPageOn {
    TLiveRecord live;
    TColorDialog colours;
    TPage page;
    TPageOn()
    {
        page.Data = &live.data;
        page.ColorDialog = &colours;
        page.UpdateControls(0);
        live.words.clear();
    }
    // Shown in an active window, so its fields can have the focus.
    void Show()
    {
        page.show();
        QApplication::setActiveWindow(&page);
    }
};

} // namespace

TEST(PageGitter, ScrollBarAt37Gives37InTheSpinFieldAndTheRecord)
{
    TPageOn<TFrameGitter> p;
    p.page.ScrollBarHoriz->setValue(37);
    EXPECT_EQ(p.live.data.GridHorizCount, 37);
    EXPECT_EQ(p.page.SpinEditHoriz->text(), "37");
    EXPECT_EQ(p.live.words, std::vector<quint16>({2}));
    EXPECT_EQ(p.live.data.GridVertCount, 10);
    p.page.SpinEditVerti->setText("55");
    EXPECT_EQ(p.live.data.GridVertCount, 55);
    EXPECT_EQ(p.page.ScrollBarVerti->value(), 55);
    EXPECT_EQ(p.live.words, std::vector<quint16>({2, 2}));
    EXPECT_EQ(p.page.ScrollBarHoriz->minimum(), 1);
    EXPECT_EQ(p.page.ScrollBarHoriz->maximum(), 100);
    EXPECT_EQ(p.page.SpinEditHoriz->MinValue(), 1);
    EXPECT_EQ(p.page.SpinEditHoriz->MaxValue(), 100);
}

TEST(PageGitter, ACountTypedPastTheLimitsIsTakenClampedWhileTheTextStays)
{
    TPageOn<TFrameGitter> p;
    p.Show();
    p.page.SpinEditHoriz->setFocus();
    ASSERT_TRUE(p.page.SpinEditHoriz->hasFocus());
    p.page.SpinEditHoriz->clear();
    TypeText(p.page.SpinEditHoriz, "5000");
    EXPECT_EQ(p.page.SpinEditHoriz->text(), "5000");
    EXPECT_EQ(p.live.data.GridHorizCount, 100);
    p.page.SpinEditHoriz->clear();
    EXPECT_EQ(p.live.data.GridHorizCount, 1);
}

TEST(PageGitter, RadiosSetTheMonoFlagFromTheClickedOneAndDefaultsResetTheGroup)
{
    TPageOn<TFrameGitter> p;
    EXPECT_TRUE(p.page.RadioButtonMono->isChecked());
    p.page.RadioButtonBi->click();
    EXPECT_EQ(p.live.data.GridMono, 0);
    EXPECT_FALSE(p.page.RadioButtonMono->isChecked());
    p.page.RadioButtonMono->click();
    EXPECT_EQ(p.live.data.GridMono, 1);
    p.live.data.GridBiColor2 = 0x0102;
    p.page.ScrollBarVerti->setValue(3);
    p.live.data.DeskBackColor = 0x0405; // another group: stays
    p.live.words.clear();
    p.page.BitBtnDefaultValues->click();
    EXPECT_EQ(p.live.data.GridVertCount, 10);
    EXPECT_EQ(p.live.data.GridBiColor2, 0u);
    EXPECT_EQ(p.page.ScrollBarVerti->value(), 10);
    EXPECT_EQ(p.live.data.DeskBackColor, 0x0405u);
    EXPECT_EQ(p.live.words, std::vector<quint16>({2}));
}

TEST(PageColours, ColourButtonPresetsTheDialogAndStoresOnlyAConfirmedColour)
{
    TPageOn<TFrameGitter> p;
    TColorAnswer answer;
    answer.confirm = false;
    answer.answer = 0x00336699;
    p.page.BitBtnBiColor1->click();
    EXPECT_EQ(answer.presets, std::vector<TColor>({0xFFFFFF}));
    EXPECT_EQ(p.live.data.GridBiColor1, 0xFFFFFFu);
    EXPECT_TRUE(p.live.words.empty());
    answer.confirm = true;
    p.page.BitBtnBiColor1->click();
    EXPECT_EQ(p.live.data.GridBiColor1, 0x336699u);
    EXPECT_EQ(p.page.ShapeBiColor1->Color(), 0x336699u);
    EXPECT_EQ(p.live.words, std::vector<quint16>({2}));
    // The next opening starts from the colour now in force; an alpha byte
    // from the dialog never reaches the record.
    answer.answer = 0xFF010203;
    p.page.BitBtnBiColor1->click();
    EXPECT_EQ(answer.presets.back(), 0x336699u);
    EXPECT_EQ(p.live.data.GridBiColor1, 0x010203u);
}

TEST(PageColours, ColourValuesConvertWithRedInTheLowByte)
{
    EXPECT_EQ(TColorToQColor(0x00FF8001), QColor(0x01, 0x80, 0xFF));
    EXPECT_EQ(QColorToTColor(QColor(0x01, 0x80, 0xFF)), 0x00FF8001u);
}

TEST(PageUmriss, RadiosAndColoursSendTheOutlineWord)
{
    TPageOn<TFrameUmriss> p;
    TColorAnswer answer;
    answer.answer = 0x0000FF;
    p.page.RadioButtonBi->click();
    p.page.BitBtnMonoColor->click();
    EXPECT_EQ(p.live.data.OutlineMono, 0);
    EXPECT_EQ(p.live.data.OutlineMonoColor, 0x0000FFu);
    EXPECT_EQ(p.live.words, std::vector<quint16>({4, 4}));
    p.page.BitBtnDefaultValues->click();
    EXPECT_EQ(p.live.data.OutlineMono, 1);
    EXPECT_EQ(p.live.data.OutlineMonoColor, 0xFFFFFFu);
    EXPECT_TRUE(p.page.RadioButtonMono->isChecked());
    EXPECT_EQ(p.live.LastWord(), 4);
}

TEST(PageColours, BackgroundMaskAndMaskFileWords)
{
    TColorAnswer answer;
    answer.answer = 0x445566;
    TPageOn<TFrameColorDeskBackground> back;
    back.page.BitBtnDeskBackColor->click();
    EXPECT_EQ(back.live.data.DeskBackColor, 0x445566u);
    back.page.BitBtnDefaultValues->click();
    EXPECT_EQ(back.live.data.DeskBackColor, 0x101010u);
    EXPECT_EQ(back.live.words, std::vector<quint16>({16, 16}));

    TPageOn<TFrameFarbenDesktopMaske> masks;
    masks.page.BitBtnDeskTransColor->click();
    masks.page.BitBtnDeskNoTransColor->click();
    EXPECT_EQ(masks.live.data.DeskTransColor, 0x445566u);
    EXPECT_EQ(masks.live.data.DeskNoTransColor, 0x445566u);
    masks.page.BitBtnDefaultValues->click();
    EXPECT_EQ(masks.live.data.DeskTransColor, 0x04FF04u);
    EXPECT_EQ(masks.live.data.DeskNoTransColor, 0u);
    EXPECT_EQ(masks.live.words, std::vector<quint16>({32, 64, 16}));
    EXPECT_EQ(masks.page.GroupWord, 16);

    TPageOn<TFrameFarbenDocuMaskFile> file;
    file.page.BitBtnFileMaskForColor->click();
    file.page.BitBtnFileMaskBackColor->click();
    EXPECT_EQ(file.live.data.FileMaskForColor, 0x445566u);
    EXPECT_EQ(file.live.data.FileMaskBackColor, 0x445566u);
    file.page.BitBtnDefaultValues->click();
    EXPECT_EQ(file.live.data.FileMaskForColor, 0xFFFFFFu);
    EXPECT_EQ(file.live.words, std::vector<quint16>({128, 128, 128}));
}

TEST(PageMaskPicture, GreyButtonSetsTheDarkGreyPreset)
{
    TPageOn<TFrameColorDocuMaskPicure> p;
    EXPECT_EQ(p.page.BitBtnGrey->text(), QStringLiteral("fc - Grau"));
    const QString hint = p.page.BitBtnGrey->toolTip();
    EXPECT_TRUE(hint.contains(QStringLiteral("Grau")) && hint.contains(QStringLiteral("Stereobild")));
    p.page.BitBtnGrey->click();
    EXPECT_EQ(p.live.data.FileMaskPictColor, 0x222222u);
    EXPECT_EQ(p.page.ShapeFileMaskPictColor->Color(), 0x222222u);
    p.page.BitBtnDefaultValues->click();
    EXPECT_EQ(p.live.data.FileMaskPictColor, 0u);
    EXPECT_EQ(p.live.words, std::vector<quint16>({256, 256}));
}

TEST(PageDekor, MinusFiveTypedIntoAWidthKeepsTheTextAndTheRecordGetsZero)
{
    TPageOn<TFrameDekor> p;
    p.Show();
    TuSpinEdit* width = p.page.uSpinEditDecorWidthMiddle;
    width->setFocus();
    ASSERT_TRUE(width->hasFocus());
    width->clear();
    TypeText(width, "-5");
    EXPECT_EQ(width->text(), "-5");
    EXPECT_EQ(p.live.data.DecorWidthMiddle, 0);
    // Typing "-" (no number yet) and "-5" each sent the decoration word.
    EXPECT_EQ(p.live.words, std::vector<quint16>({8, 8, 8}));
    TypeText(width, "0"); // "-50"
    EXPECT_EQ(p.live.data.DecorWidthMiddle, 0);
    width->setText("12");
    EXPECT_EQ(p.live.data.DecorWidthMiddle, 12);
    EXPECT_EQ(width->MinValue(), 0);
    EXPECT_EQ(width->MaxValue(), 0);
}

TEST(PageDekor, NegativeValuesInTheRecordAreShownAndStoredAsZero)
{
    TPageOn<TFrameDekor> p;
    p.live.data.DecorWidthInside = -3;
    p.live.data.DecorWidthMiddle = -4;
    p.live.data.DecorWidthOutside = 6;
    p.live.data.DecorDistance = -20;
    p.page.UpdateControls(0);
    EXPECT_EQ(p.live.data.DecorWidthInside, 0);
    EXPECT_EQ(p.live.data.DecorWidthMiddle, 0);
    EXPECT_EQ(p.live.data.DecorWidthOutside, 6);
    EXPECT_EQ(p.live.data.DecorDistance, 0);
    EXPECT_EQ(p.page.uSpinDecorWidthInside->text(), "0");
    EXPECT_EQ(p.page.uSpinEditDecorDistance->text(), "0");
    EXPECT_EQ(p.live.words, std::vector<quint16>({0}));
}

TEST(PageDekor, ShowingInTheEditorNeedsUseAndEachFieldHasItsSpin)
{
    TPageOn<TFrameDekor> p;
    EXPECT_TRUE(p.page.CheckBoxUse->isChecked());
    EXPECT_TRUE(p.page.CheckBoxView->isEnabled());
    p.page.CheckBoxUse->click();
    EXPECT_EQ(p.live.data.DecorUse, 0);
    EXPECT_FALSE(p.page.CheckBoxView->isEnabled());
    p.page.CheckBoxUse->click();
    p.page.CheckBoxView->click();
    EXPECT_EQ(p.live.data.DecorView, 1);
    p.page.uSpinDecorWidthInside->setText("1");
    p.page.uSpinEditDecorWidthMiddle->setText("2");
    p.page.uSpinEditDekorWidthOutside->setText("3");
    p.page.uSpinEditDecorDistance->setText("4");
    EXPECT_EQ(p.live.data.DecorWidthInside, 1);
    EXPECT_EQ(p.live.data.DecorWidthMiddle, 2);
    EXPECT_EQ(p.live.data.DecorWidthOutside, 3);
    EXPECT_EQ(p.live.data.DecorDistance, 4);
    EXPECT_EQ(p.live.words, std::vector<quint16>(7, 8));
    EXPECT_EQ(p.page.Inside.Group->title(), QStringLiteral("Innerer Rahmen"));
    EXPECT_EQ(p.page.Middle.Group->title(), QStringLiteral("Mittlerer Rahmen"));
    EXPECT_EQ(p.page.Outside.Group->title(), QString::fromUtf8("Äußerer Rahmen"));
    EXPECT_EQ(p.page.GroupBoxDekor->title(), QStringLiteral("Dekorrahmen"));
}

TEST(PageDekor, BackgroundButtonCopiesTheMaskColourIntoItsOwnFrameOnly)
{
    TPageOn<TFrameDekor> p;
    TColorAnswer answer;
    p.live.data.FileMaskPictColor = 0x222222;
    EXPECT_EQ(p.page.Middle.BackgroundButton->toolTip(), QStringLiteral("Verwende aktuelle Hintergrundfarbe der Maske "));
    p.page.Middle.BackgroundButton->click();
    EXPECT_EQ(p.live.data.DecorColorMiddle, 0x222222u);
    EXPECT_EQ(p.live.data.DecorColorInside, 0xC0C0C0u);
    EXPECT_EQ(p.live.data.DecorColorOutside, 0xC0C0C0u);
    EXPECT_EQ(p.page.Middle.ColorSquare->Color(), 0x222222u);
    answer.answer = 0x0000FF;
    p.page.Outside.ColorButton->click();
    EXPECT_EQ(p.live.data.DecorColorOutside, 0x0000FFu);
    p.page.BitBtnDefaultValues->click();
    EXPECT_EQ(p.live.data.DecorColorMiddle, 0x808080u);
    EXPECT_EQ(p.live.data.DecorColorOutside, 0xC0C0C0u);
    EXPECT_EQ(p.live.words, std::vector<quint16>({8, 8, 8}));
}
