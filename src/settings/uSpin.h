#pragma once
// The numeric spin field of the option pages: TuSpinEdit is an edit field
// with a button pair (TuSpinButton) at its right edge; each button of the pair
// is a TTimerSpeedButton that repeats while it is held.

#include <QAbstractButton>
#include <QLineEdit>
#include <QWidget>

#include <functional>

class QTimer;

// A flat button that clicks once more after being held for kFirstDelay ms
// and then every kRepeatDelay ms, as long as it stays pressed under the
// mouse; the release clicks as usual.
class TTimerSpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kFirstDelay = 400;
    static constexpr int kRepeatDelay = 100;

    explicit TTimerSpeedButton(Qt::ArrowType arrow, QWidget* parent = nullptr);

    // Off: the button clicks only on release, like any button.
    bool AllowTimer = true;
    // Draws the focus rectangle (the pair decides which of its buttons has it).
    void SetFocused(bool focused);
    bool Focused() const { return FFocused; }

    QTimer* RepeatTimer() const { return FRepeatTimer; }
    // The repeat timer's tick; public so a test can play the clock.
    void TimerExpired();

    QSize sizeHint() const override { return QSize(15, 12); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* FRepeatTimer;
    Qt::ArrowType FArrow;
    bool FFocused = false;
};

// Two repeating buttons stacked: the upper one height div 2 high, the lower
// one overlapping it by one pixel. Pressing either gives the keyboard focus
// to FocusControl first.
class TuSpinButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 15;
    static constexpr int kDefaultWidth = 20;
    static constexpr int kDefaultHeight = 25;

    explicit TuSpinButton(QWidget* parent = nullptr);

    TTimerSpeedButton* UpButton() const { return FUpButton; }
    TTimerSpeedButton* DownButton() const { return FDownButton; }
    QWidget* FocusControl = nullptr;

    QSize sizeHint() const override { return QSize(kDefaultWidth, kDefaultHeight); }

signals:
    void UpClick();
    void DownClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void TakeFocus();
    TTimerSpeedButton* FUpButton;
    TTimerSpeedButton* FDownButton;
    TTimerSpeedButton* FFocusedButton;
};

class TuSpinEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kButtonWidth = 15;
    // The edge of a field with a 3-D border, in pixels.
    static constexpr int kBorder = 2;
    // The height of one line of the system's thin border.
    static constexpr int kSystemBorderHeight = 1;

    explicit TuSpinEdit(QWidget* parent = nullptr);

    // The text as an integer; MinValue for text that is no integer.
    int Value() const;
    // Ignored while the field has the keyboard focus, so that a refresh does
    // not overwrite what the user is typing; otherwise the text becomes the
    // clamped value.
    void SetValue(int value);
    // Sets the value even while the field has the focus.
    void ForceValue(int value);
    // Both 0: no limits. Otherwise values are clamped to MinValue..MaxValue.
    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    void SetMinValue(int value) { FMinValue = value; }
    void SetMaxValue(int value) { FMaxValue = value; }
    int CheckValue(int value) const;

    int Increment = 1;
    // Off: the text cannot be typed or deleted, only stepped.
    bool EditorEnabled = true;
    bool ButtonVisible() const;
    void SetButtonVisible(bool visible);
    TuSpinButton* Button() const { return FButton; }

    // One step up or down, forced; a read-only field only beeps.
    void UpClick();
    void DownClick();

    // The least height that shows the text and the buttons.
    int MinHeight() const;

    // The warning sound; replaceable so tests can count it. Returns the
    // previous one; an empty function restores the platform's beep.
    using TBeeper = std::function<void()>;
    static TBeeper SetBeeper(TBeeper beeper);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void SetEditRect();
    bool IsValidChar(QChar c) const;
    TuSpinButton* FButton;
    int FMinValue = 0;
    int FMaxValue = 0;
};

// Sounds the spin field's warning.
void SpinBeep();
