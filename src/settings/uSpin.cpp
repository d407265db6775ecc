#include "settings/uSpin.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

#include <algorithm>

namespace {
TuSpinEdit::TBeeper& GlobalBeeper()
{
    static TuSpinEdit::TBeeper beeper;
    return beeper;
}
} // namespace

void SpinBeep()
{
    if (const TuSpinEdit::TBeeper& beeper = GlobalBeeper())
        beeper();
    else
        QApplication::beep();
}

// ---------------------------------------------------------------------------
// TTimerSpeedButton

TTimerSpeedButton::TTimerSpeedButton(Qt::ArrowType arrow, QWidget* parent)
    : QAbstractButton(parent), FRepeatTimer(new QTimer(this)), FArrow(arrow)
{
    setFocusPolicy(Qt::NoFocus);
    connect(FRepeatTimer, &QTimer::timeout, this, &TTimerSpeedButton::TimerExpired);
}

void TTimerSpeedButton::SetFocused(bool focused)
{
    if (focused == FFocused)
        return;
    FFocused = focused;
    update();
}

void TTimerSpeedButton::mousePressEvent(QMouseEvent* event)
{
    QAbstractButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && isDown() && AllowTimer)
        FRepeatTimer->start(kFirstDelay);
}

void TTimerSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    FRepeatTimer->stop();
    QAbstractButton::mouseReleaseEvent(event);
}

void TTimerSpeedButton::TimerExpired()
{
    FRepeatTimer->setInterval(kRepeatDelay);
    // Dragged off the button, the press still holds the mouse but no longer
    // counts; back on the button it counts again.
    if (isDown() && isEnabled())
        emit clicked(isChecked());
}

void TTimerSpeedButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);

    QStyleOption arrow;
    arrow.initFrom(this);
    const int shift = isDown() ? 1 : 0;
    const int side = std::max(3, std::min(width(), height()) - 4);
    arrow.rect = QRect((width() - side) / 2 + shift, (height() - side) / 2 + shift, side, side);
    style()->drawPrimitive(FArrow == Qt::UpArrow ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                           &arrow, &painter, this);

    if (FFocused) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3).translated(shift, shift);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

// ---------------------------------------------------------------------------
// TuSpinButton

TuSpinButton::TuSpinButton(QWidget* parent)
    : QWidget(parent), FUpButton(new TTimerSpeedButton(Qt::UpArrow, this)),
      FDownButton(new TTimerSpeedButton(Qt::DownArrow, this)), FFocusedButton(FUpButton)
{
    setFocusPolicy(Qt::NoFocus);
    setMinimumWidth(kMinWidth);
    resize(kDefaultWidth, kDefaultHeight);
    for (TTimerSpeedButton* button : {FUpButton, FDownButton})
        connect(button, &QAbstractButton::pressed, this, &TuSpinButton::TakeFocus);
    connect(FUpButton, &QAbstractButton::clicked, this, &TuSpinButton::UpClick);
    connect(FDownButton, &QAbstractButton::clicked, this, &TuSpinButton::DownClick);
}

void TuSpinButton::TakeFocus()
{
    FFocusedButton = qobject_cast<TTimerSpeedButton*>(sender());
    if (FocusControl && FocusControl->isEnabled() && !FocusControl->hasFocus())
        FocusControl->setFocus(Qt::MouseFocusReason);
}

void TuSpinButton::resizeEvent(QResizeEvent*)
{
    const int w = std::max(width(), int(kMinWidth));
    const int half = height() / 2;
    FUpButton->setGeometry(0, 0, w, half);
    FDownButton->setGeometry(0, half - 1, w, height() - half + 1);
}

void TuSpinButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    FFocusedButton->SetFocused(true);
}

void TuSpinButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    FFocusedButton->SetFocused(false);
}

// ---------------------------------------------------------------------------
// TuSpinEdit

TuSpinEdit::TBeeper TuSpinEdit::SetBeeper(TBeeper beeper)
{
    TBeeper previous = std::move(GlobalBeeper());
    GlobalBeeper() = std::move(beeper);
    return previous;
}

TuSpinEdit::TuSpinEdit(QWidget* parent) : QLineEdit(parent), FButton(new TuSpinButton(this))
{
    FButton->FocusControl = this;
    FButton->setCursor(Qt::ArrowCursor);
    connect(FButton, &TuSpinButton::UpClick, this, &TuSpinEdit::UpClick);
    connect(FButton, &TuSpinButton::DownClick, this, &TuSpinEdit::DownClick);
    setText(QStringLiteral("0"));
    setMinimumHeight(MinHeight());
    SetEditRect();
}

int TuSpinEdit::CheckValue(int value) const
{
    if (FMinValue == 0 && FMaxValue == 0)
        return value;
    return std::clamp(value, FMinValue, std::max(FMinValue, FMaxValue));
}

int TuSpinEdit::Value() const
{
    bool ok = false;
    const int value = text().toInt(&ok);
    return ok ? value : FMinValue;
}

void TuSpinEdit::SetValue(int value)
{
    if (hasFocus())
        return;
    ForceValue(value);
}

void TuSpinEdit::ForceValue(int value)
{
    const QString text = QString::number(CheckValue(value));
    if (text != this->text())
        setText(text);
}

bool TuSpinEdit::ButtonVisible() const { return !FButton->isHidden(); }

void TuSpinEdit::SetButtonVisible(bool visible)
{
    FButton->setVisible(visible);
    SetEditRect();
}

void TuSpinEdit::UpClick()
{
    if (isReadOnly())
        SpinBeep();
    else
        ForceValue(Value() + Increment);
}

void TuSpinEdit::DownClick()
{
    if (isReadOnly())
        SpinBeep();
    else
        ForceValue(Value() - Increment);
}

int TuSpinEdit::MinHeight() const
{
    const int fontHeight = fontMetrics().height();
    const int systemFontHeight = QFontMetrics(QApplication::font()).height();
    return kSystemBorderHeight * 4 + fontHeight + std::min(systemFontHeight, fontHeight) / 4 + 2;
}

bool TuSpinEdit::IsValidChar(QChar c) const
{
    const QString decimal = QLocale().decimalPoint();
    bool valid = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') || c == QLatin1Char('-') ||
                 (decimal.size() == 1 && c == decimal.at(0)) || (c.unicode() < 32 && c != QLatin1Char('\r'));
    if (!EditorEnabled && valid && (c.unicode() >= 32 || c == QLatin1Char('\b')))
        valid = false;
    return valid;
}

void TuSpinEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        UpClick();
        event->accept();
        return;
    case Qt::Key_Down:
        DownClick();
        event->accept();
        return;
    case Qt::Key_Delete:
        if (!EditorEnabled) {
            event->accept();
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        SpinBeep();
        event->accept();
        return;
    case Qt::Key_Backspace:
        if (!EditorEnabled) {
            SpinBeep();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    // Pasting and cutting change the text as typing does.
    if (!EditorEnabled && (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut))) {
        event->accept();
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        !IsValidChar(text.at(0))) {
        SpinBeep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TuSpinEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // What is left in the field on leaving is what takes effect: the clamped
    // value, and for text that is no number the value it reads as.
    bool ok = false;
    const int typed = text().toInt(&ok);
    if (!ok || CheckValue(typed) != typed)
        ForceValue(Value());
}

void TuSpinEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    SetEditRect();
}

void TuSpinEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        setMinimumHeight(MinHeight());
}

void TuSpinEdit::SetEditRect()
{
    int buttonLeft = width();
    if (ButtonVisible()) {
        if (hasFrame())
            FButton->setGeometry(width() - kButtonWidth - 5 + kBorder, kBorder, kButtonWidth, height() - 5);
        else
            FButton->setGeometry(width() - kButtonWidth, 1, kButtonWidth, height() - 3);
        buttonLeft = FButton->x();
    }
    // The text ends 2 pixels left of the buttons.
    const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
    const int textRight = ButtonVisible() ? buttonLeft - 2 : width() - frame;
    setTextMargins(0, 0, std::max(0, width() - frame - textRight), 0);
}
