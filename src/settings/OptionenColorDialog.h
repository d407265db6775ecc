#pragma once
// The colour dialog that all option pages share, and the small square that
// shows a colour next to its "Farbe Ändern..." button. Colours are the
// settings record's TColor values (0x00BBGGRR, red in the low byte).

#include "settings/Desktop_Object.h"

#include <QColor>
#include <QFrame>

#include <functional>

class QWidget;

QColor TColorToQColor(TColor colour);
TColor QColorToTColor(const QColor& colour);

class TColorDialog {
public:
    // Called instead of the platform's colour dialog, with the preset colour
    // in colour; returns true (with the chosen colour in colour) to confirm,
    // false to cancel. Lets tests and automation answer the dialog.
    using TAnswerer = std::function<bool(TColor& colour)>;
    static TAnswerer SetAnswerer(TAnswerer answerer);

    explicit TColorDialog(QWidget* parent = nullptr) : FParent(parent) {}

    // Preset before Execute; the chosen colour afterwards.
    TColor Color = 0;
    // Shows the dialog preset with Color; true when the user confirmed, and
    // only then Color holds the new colour.
    bool Execute();

private:
    QWidget* FParent;
};

// A framed square filled with one colour.
class TColorSquare : public QFrame {
    Q_OBJECT
public:
    static constexpr int kSize = 21;
    explicit TColorSquare(QWidget* parent = nullptr);
    void SetColor(TColor colour);
    TColor Color() const { return FColor; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor FColor = 0;
};
