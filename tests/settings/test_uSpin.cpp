// The spin field: what its text reads as, when writing it is ignored, its
// key and character rules, the button pair, and the repeating buttons.
#include "settings/uSpin.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
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
    TSpinWindow(int min = 0, int max = 0)
    {
        auto* layout = new QVBoxLayout(&window);
        spin = new TuSpinEdit(&window);
        other = new QLineEdit(&window);
        spin->SetMinValue(min);
        spin->SetMaxValue(max);
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

void Type(QWidget* target, const QString& text)
{
    for (QChar c : text)
        Key(target, 0, QString(c));
}

void Mouse(QWidget* target, QEvent::Type type, int x, Qt::MouseButtons buttons)
{
    const QPoint pos(x, 5);
    QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

// A repeating button whose clicks are counted; x 40 lies off it.
struct TRepeatButton {
    TTimerSpeedButton button{Qt::UpArrow};
    int clicks = 0;
    TRepeatButton()
    {
        button.resize(15, 12);
        QObject::connect(&button, &QAbstractButton::clicked, [this] { ++clicks; });
    }
    void Press() { Mouse(&button, QEvent::MouseButtonPress, 5, Qt::LeftButton); }
    void Move(int x) { Mouse(&button, QEvent::MouseMove, x, Qt::LeftButton); }
    void Release(int x = 5) { Mouse(&button, QEvent::MouseButtonRelease, x, Qt::NoButton); }
};

} // namespace

TEST(SpinValue, TextReadsUnclampedAnythingElseAsMinValueWritingClampsAndTwoZeroLimitsMeanNone)
{
    TuSpinEdit spin;
    spin.SetMinValue(3);
    spin.SetMaxValue(9);
    for (const auto& [text, value] : {std::pair{"7", 7}, {"+5", 5}, {"12", 12}, {"x", 3}, {"", 3}, {"-", 3},
                                      {"4a", 3}, {"99999999999", 3}}) {
        spin.setText(text);
        EXPECT_EQ(spin.Value(), value) << text;
    }
    for (const auto& [value, text] : {std::pair{5, "5"}, {500, "9"}, {-3, "3"}}) {
        spin.SetValue(value);
        EXPECT_EQ(spin.text(), text) << value;
    }
    TuSpinEdit unlimited;
    unlimited.SetValue(-5);
    EXPECT_EQ(unlimited.text(), "-5");
    unlimited.SetValue(123456);
    EXPECT_EQ(unlimited.text(), "123456");
    TuSpinEdit fromZero;
    fromZero.SetMaxValue(5);
    fromZero.SetValue(9);
    EXPECT_EQ(fromZero.text(), "5");
}

TEST(SpinFocus, RefreshLeavesTypedTextButForceButtonsAndLeavingTheFieldWrite)
{
    TSpinWindow w(1, 100);
    ASSERT_TRUE(w.FocusSpin());
    w.spin->setText("4");
    w.spin->SetValue(9);
    EXPECT_EQ(w.spin->text(), "4");
    w.spin->ForceValue(9);
    EXPECT_EQ(w.spin->text(), "9");
    emit w.spin->Button()->UpButton()->clicked();
    EXPECT_EQ(w.spin->text(), "10");
    w.FocusOther();
    w.spin->SetValue(2);
    EXPECT_EQ(w.spin->text(), "2");
    // Leaving replaces an out-of-range value or nonsense, and leaves a value
    // inside the limits exactly as typed.
    for (const auto& [typed, left] : {std::pair{"500", "100"}, {"abc", "1"}, {"+42", "+42"}}) {
        ASSERT_TRUE(w.FocusSpin());
        w.spin->setText(typed);
        w.FocusOther();
        EXPECT_EQ(w.spin->text(), left) << typed;
    }
}

TEST(SpinKeys, ArrowsStepEvenWhileFocusedAndOnlyBeepWhenReadOnly)
{
    TBeepCounter beeps;
    TSpinWindow w(1, 5);
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
    const QString passed = QStringLiteral("-12+") + QLocale().decimalPoint().at(0);
    Type(w.spin, passed);
    EXPECT_EQ(w.spin->text(), passed);
    EXPECT_EQ(beeps.count, 0);
    Type(w.spin, QStringLiteral("a# x"));
    Key(w.spin, Qt::Key_Return, "\r");
    Key(w.spin, Qt::Key_Enter, "\r");
    EXPECT_EQ(w.spin->text(), passed);
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
    Type(w.spin, QStringLiteral("5"));
    Key(w.spin, Qt::Key_Backspace, "\b");
    EXPECT_EQ(w.spin->text(), "12");
    EXPECT_EQ(beeps.count, 2);
    // Delete is swallowed without a sound, and so are paste and cut.
    QApplication::clipboard()->setText(QStringLiteral("9"));
    w.spin->selectAll();
    Key(w.spin, Qt::Key_Delete, QString(QChar(127)));
    Key(w.spin, Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);
    Key(w.spin, Qt::Key_X, QString(QChar(24)), Qt::ControlModifier);
    EXPECT_EQ(w.spin->text(), "12");
    EXPECT_EQ(beeps.count, 2);
    Key(w.spin, Qt::Key_Up);
    EXPECT_EQ(w.spin->text(), "13");
}

TEST(SpinLayout, ButtonPairSitsAtTheRightEdgeItsHalvesOverlapByOnePixelAndTheTextEndsBeforeIt)
{
    TuSpinEdit spin;
    spin.show(); // a hidden widget gets its resize events only when shown
    spin.resize(80, 24);
    EXPECT_EQ(spin.Button()->geometry(), QRect(80 - 15 - 5 + TuSpinEdit::kBorder, TuSpinEdit::kBorder, 15, 24 - 5));
    spin.setFrame(false);
    spin.resize(81, 24);
    EXPECT_EQ(spin.Button()->geometry(), QRect(81 - 15, 1, 15, 24 - 3));
    EXPECT_EQ(spin.textMargins().right(), 15 + 2);
    spin.SetButtonVisible(false);
    spin.resize(82, 24);
    EXPECT_EQ(spin.textMargins().right(), 0);
    EXPECT_FALSE(spin.ButtonVisible());

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
    ASSERT_FALSE(w.spin->hasFocus());
    TTimerSpeedButton* down = w.spin->Button()->DownButton();
    Mouse(down, QEvent::MouseButtonPress, 3, Qt::LeftButton);
    EXPECT_TRUE(w.spin->hasFocus());
    Mouse(down, QEvent::MouseButtonRelease, 3, Qt::NoButton);
    EXPECT_EQ(w.spin->text(), "-1");
}

// The repeat timer is played by hand: every TimerExpired is one tick of it.
TEST(TimerButton, HeldButtonRepeatsAfter400ThenEvery100AndOnceMoreOnReleaseAShortClickCountsOnce)
{
    TRepeatButton b;
    b.Press();
    EXPECT_EQ(b.clicks, 0);
    ASSERT_TRUE(b.button.RepeatTimer()->isActive());
    EXPECT_EQ(b.button.RepeatTimer()->interval(), 400);
    b.button.TimerExpired();
    EXPECT_EQ(b.clicks, 1);
    EXPECT_EQ(b.button.RepeatTimer()->interval(), 100);
    b.button.TimerExpired();
    b.button.TimerExpired();
    EXPECT_EQ(b.clicks, 3);
    b.Release();
    EXPECT_EQ(b.clicks, 4);
    EXPECT_FALSE(b.button.RepeatTimer()->isActive());
    // The next press starts with the long first delay again.
    b.Press();
    EXPECT_EQ(b.button.RepeatTimer()->interval(), 400);
    b.Release();
    EXPECT_EQ(b.clicks, 5);
    EXPECT_FALSE(b.button.RepeatTimer()->isActive());
}

TEST(TimerButton, TicksCountOnlyWhileTheMouseIsOnTheButtonAndWithoutTheTimerItIsPlain)
{
    TRepeatButton b;
    b.Press();
    b.Move(40);
    b.button.TimerExpired();
    EXPECT_EQ(b.clicks, 0);
    b.Move(6);
    b.button.TimerExpired();
    EXPECT_EQ(b.clicks, 1);
    // Released off the button: no click, and the repetition ends.
    b.Move(40);
    b.Release(40);
    EXPECT_EQ(b.clicks, 1);
    EXPECT_FALSE(b.button.RepeatTimer()->isActive());
    b.button.AllowTimer = false;
    b.Press();
    EXPECT_FALSE(b.button.RepeatTimer()->isActive());
    b.Release();
}
