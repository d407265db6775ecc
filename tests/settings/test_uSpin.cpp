// The spin field: what its text reads as, when writing it is ignored, its
// key and character rules, the button pair, and the repeating buttons.
#include "settings/uSpin.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Counts the warning sounds instead of sounding them.
struct TBeepCounter {
    int count = 0;
    TuSpinEdit::TBeeper previous;
    TBeepCounter() { previous = TuSpinEdit::SetBeeper([this] { ++count; }); }
    ~TBeepCounter() { TuSpinEdit::SetBeeper(previous); }
};

// A shown window with a spin field and a plain field to move the focus to.
struct TSpinWindow {
    QWidget window;
    TuSpinEdit* spin;
    QLineEdit* other;
    TSpinWindow()
    {
        auto* layout = new QVBoxLayout(&window);
        spin = new TuSpinEdit(&window);
        other = new QLineEdit(&window);
        layout->addWidget(spin);
        layout->addWidget(other);
        window.show();
        QApplication::setActiveWindow(&window);
        // Activation focuses the first field; the tests decide themselves.
        FocusOther();
    }
    bool FocusSpin()
    {
        spin->setFocus(Qt::MouseFocusReason);
        return spin->hasFocus();
    }
    void FocusOther() { other->setFocus(Qt::TabFocusReason); }
};

void Key(QWidget* target, int key, const QString& text = QString(), Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(target, &press);
}

void Type(QWidget* target, QChar c) { Key(target, 0, QString(c)); }

void Mouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

TEST(SpinValue, TextReadsAsIntegerAndAnythingElseAsMinValue)
{
    TuSpinEdit spin;
    spin.SetMinValue(3);
    spin.SetMaxValue(9);
    spin.setText("7");
    EXPECT_EQ(spin.Value(), 7);
    spin.setText("+5");
    EXPECT_EQ(spin.Value(), 5);
    // Reading does not clamp: what the user typed is what is read.
    spin.setText("12");
    EXPECT_EQ(spin.Value(), 12);
    for (const char* text : {"x", "", "-", "4a", "99999999999"}) {
        spin.setText(text);
        EXPECT_EQ(spin.Value(), 3) << text;
    }
}

TEST(SpinValue, WritingClampsAndTwoZeroLimitsMeanNone)
{
    TuSpinEdit spin;
    spin.SetMinValue(1);
    spin.SetMaxValue(100);
    spin.SetValue(50);
    EXPECT_EQ(spin.text(), "50");
    spin.SetValue(500);
    EXPECT_EQ(spin.text(), "100");
    spin.SetValue(-3);
    EXPECT_EQ(spin.text(), "1");
    TuSpinEdit unlimited;
    unlimited.SetValue(-5);
    EXPECT_EQ(unlimited.text(), "-5");
    unlimited.SetValue(123456);
    EXPECT_EQ(unlimited.text(), "123456");
    TuSpinEdit fixed;
    fixed.SetMinValue(7);
    fixed.SetMaxValue(7);
    fixed.SetValue(1);
    EXPECT_EQ(fixed.text(), "7");
}

TEST(SpinFocus, RefreshLeavesTypedTextButForceAndButtonsWrite)
{
    TSpinWindow w;
    ASSERT_TRUE(w.FocusSpin());
    w.spin->setText("4");
    w.spin->SetValue(9);
    EXPECT_EQ(w.spin->text(), "4");
    w.spin->ForceValue(9);
    EXPECT_EQ(w.spin->text(), "9");
    emit w.spin->Button()->UpButton()->clicked();
    EXPECT_EQ(w.spin->text(), "10");
    w.FocusOther();
    ASSERT_FALSE(w.spin->hasFocus());
    w.spin->SetValue(2);
    EXPECT_EQ(w.spin->text(), "2");
}

TEST(SpinFocus, LeavingTheFieldReplacesAnOutOfRangeValueOrNonsense)
{
    TSpinWindow w;
    w.spin->SetMinValue(1);
    w.spin->SetMaxValue(100);
    ASSERT_TRUE(w.FocusSpin());
    w.spin->setText("500");
    w.FocusOther();
    EXPECT_EQ(w.spin->text(), "100");
    ASSERT_TRUE(w.FocusSpin());
    w.spin->setText("abc");
    w.FocusOther();
    EXPECT_EQ(w.spin->text(), "1");
    // A value inside the limits is left exactly as typed.
    ASSERT_TRUE(w.FocusSpin());
    w.spin->setText("+42");
    w.FocusOther();
    EXPECT_EQ(w.spin->text(), "+42");
}

TEST(SpinKeys, ArrowsStepEvenWhileFocusedAndOnlyBeepWhenReadOnly)
{
    TBeepCounter beeps;
    TSpinWindow w;
    w.spin->SetMinValue(1);
    w.spin->SetMaxValue(5);
    w.spin->SetValue(4);
    ASSERT_TRUE(w.FocusSpin());
    Key(w.spin, Qt::Key_Up);
    EXPECT_EQ(w.spin->text(), "5");
    Key(w.spin, Qt::Key_Up); // clamped at the maximum
    EXPECT_EQ(w.spin->text(), "5");
    Key(w.spin, Qt::Key_Down);
    Key(w.spin, Qt::Key_Down);
    EXPECT_EQ(w.spin->text(), "3");
    EXPECT_EQ(beeps.count, 0);
    w.spin->setReadOnly(true);
    Key(w.spin, Qt::Key_Up);
    emit w.spin->Button()->DownButton()->clicked();
    EXPECT_EQ(w.spin->text(), "3");
    EXPECT_EQ(beeps.count, 2);
}

TEST(SpinKeys, DigitsSignsAndDecimalSeparatorPassOtherCharactersAndEnterBeep)
{
    TBeepCounter beeps;
    TSpinWindow w;
    ASSERT_TRUE(w.FocusSpin());
    w.spin->clear();
    const QString decimal = QLocale().decimalPoint();
    for (QChar c : QStringLiteral("-12+"))
        Type(w.spin, c);
    Type(w.spin, decimal.at(0));
    EXPECT_EQ(w.spin->text(), QStringLiteral("-12+") + decimal);
    EXPECT_EQ(beeps.count, 0);
    for (QChar c : QStringLiteral("a# x"))
        Type(w.spin, c);
    Key(w.spin, Qt::Key_Return, "\r");
    Key(w.spin, Qt::Key_Enter, "\r");
    EXPECT_EQ(w.spin->text(), QStringLiteral("-12+") + decimal);
    EXPECT_EQ(beeps.count, 6);
    Key(w.spin, Qt::Key_Backspace, "\b");
    EXPECT_EQ(w.spin->text(), "-12+");
    EXPECT_EQ(beeps.count, 6);
}

TEST(SpinKeys, WithTheEditorDisabledOnlyStepsAndControlKeysWork)
{
    TBeepCounter beeps;
    TSpinWindow w;
    w.spin->SetValue(12);
    w.spin->EditorEnabled = false;
    ASSERT_TRUE(w.FocusSpin());
    w.spin->setCursorPosition(1);
    Type(w.spin, '5');
    Key(w.spin, Qt::Key_Backspace, "\b");
    EXPECT_EQ(w.spin->text(), "12");
    EXPECT_EQ(beeps.count, 2);
    // Delete is swallowed without a sound, and so are paste and cut.
    Key(w.spin, Qt::Key_Delete, QString(QChar(127)));
    Key(w.spin, Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);
    Key(w.spin, Qt::Key_X, QString(QChar(24)), Qt::ControlModifier);
    EXPECT_EQ(w.spin->text(), "12");
    EXPECT_EQ(beeps.count, 2);
    Key(w.spin, Qt::Key_Up);
    EXPECT_EQ(w.spin->text(), "13");
}

TEST(SpinLayout, ButtonPairSitsAtTheRightEdgeAndTheTextEndsBeforeIt)
{
    TuSpinEdit spin;
    spin.show(); // a hidden widget gets its resize events only when shown
    spin.resize(80, 24);
    const QRect buttons = spin.Button()->geometry();
    EXPECT_EQ(buttons, QRect(80 - 15 - 5 + TuSpinEdit::kBorder, TuSpinEdit::kBorder, 15, 24 - 5));
    spin.setFrame(false);
    spin.resize(81, 24);
    EXPECT_EQ(spin.Button()->geometry(), QRect(81 - 15, 1, 15, 24 - 3));
    EXPECT_EQ(spin.textMargins().right(), 15 + 2);
    spin.SetButtonVisible(false);
    spin.resize(82, 24);
    EXPECT_EQ(spin.textMargins().right(), 0);
    EXPECT_FALSE(spin.ButtonVisible());

    const int fontHeight = spin.fontMetrics().height();
    const int systemHeight = QFontMetrics(QApplication::font()).height();
    EXPECT_EQ(spin.MinHeight(), 4 + fontHeight + std::min(systemHeight, fontHeight) / 4 + 2);
    EXPECT_GE(spin.minimumHeight(), spin.MinHeight());
}

TEST(SpinButton, UpperHalfAndLowerHalfOverlapByOnePixel)
{
    TuSpinButton pair;
    EXPECT_EQ(pair.size(), QSize(20, 25));
    pair.show();
    pair.resize(20, 25);
    EXPECT_EQ(pair.UpButton()->geometry(), QRect(0, 0, 20, 12));
    EXPECT_EQ(pair.DownButton()->geometry(), QRect(0, 11, 20, 14));
    pair.resize(8, 30); // never narrower than 15
    EXPECT_EQ(pair.UpButton()->geometry(), QRect(0, 0, 15, 15));
    EXPECT_EQ(pair.DownButton()->geometry(), QRect(0, 14, 15, 16));
}

TEST(SpinButton, PressingAButtonGivesTheFocusToTheField)
{
    TSpinWindow w;
    w.FocusOther();
    ASSERT_FALSE(w.spin->hasFocus());
    TTimerSpeedButton* down = w.spin->Button()->DownButton();
    Mouse(down, QEvent::MouseButtonPress, QPoint(3, 3), Qt::LeftButton);
    EXPECT_TRUE(w.spin->hasFocus());
    Mouse(down, QEvent::MouseButtonRelease, QPoint(3, 3), Qt::NoButton);
    EXPECT_EQ(w.spin->text(), "-1");
}

// The repeat timer is played by hand: every TimerExpired is one tick of it.
TEST(TimerButton, HeldButtonRepeatsAfter400ThenEvery100AndOnceMoreOnRelease)
{
    TTimerSpeedButton button(Qt::UpArrow);
    button.resize(15, 12);
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    Mouse(&button, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    EXPECT_EQ(clicks, 0);
    ASSERT_TRUE(button.RepeatTimer()->isActive());
    EXPECT_EQ(button.RepeatTimer()->interval(), 400);
    button.TimerExpired();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button.RepeatTimer()->interval(), 100);
    button.TimerExpired();
    button.TimerExpired();
    EXPECT_EQ(clicks, 3);
    Mouse(&button, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
    EXPECT_EQ(clicks, 4);
    EXPECT_FALSE(button.RepeatTimer()->isActive());
}

TEST(TimerButton, ShortClickCountsOnceOnRelease)
{
    TTimerSpeedButton button(Qt::DownArrow);
    button.resize(15, 12);
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    Mouse(&button, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button.RepeatTimer()->isActive());
    // The next press starts with the long first delay again.
    Mouse(&button, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    EXPECT_EQ(button.RepeatTimer()->interval(), 400);
    Mouse(&button, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
}

TEST(TimerButton, TicksCountOnlyWhileTheMouseIsOnTheButton)
{
    TTimerSpeedButton button(Qt::UpArrow);
    button.resize(15, 12);
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    Mouse(&button, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    Mouse(&button, QEvent::MouseMove, QPoint(40, 5), Qt::LeftButton);
    button.TimerExpired();
    EXPECT_EQ(clicks, 0);
    Mouse(&button, QEvent::MouseMove, QPoint(6, 5), Qt::LeftButton);
    button.TimerExpired();
    EXPECT_EQ(clicks, 1);
    // Released off the button: no click, and the repetition ends.
    Mouse(&button, QEvent::MouseMove, QPoint(40, 5), Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonRelease, QPoint(40, 5), Qt::NoButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button.RepeatTimer()->isActive());
}

TEST(TimerButton, WithoutTheTimerItIsAPlainButton)
{
    TTimerSpeedButton button(Qt::UpArrow);
    button.AllowTimer = false;
    button.resize(15, 12);
    Mouse(&button, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    EXPECT_FALSE(button.RepeatTimer()->isActive());
    Mouse(&button, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
}
