#include "settings/OptionenColorDialog.h"

#include <QColorDialog>
#include <QPainter>

namespace {
TColorDialog::TAnswerer& GlobalAnswerer()
{
    static TColorDialog::TAnswerer answerer;
    return answerer;
}
} // namespace

QColor TColorToQColor(TColor colour)
{
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

TColor QColorToTColor(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return TColor(rgb.red()) | (TColor(rgb.green()) << 8) | (TColor(rgb.blue()) << 16);
}

TColorDialog::TAnswerer TColorDialog::SetAnswerer(TAnswerer answerer)
{
    TAnswerer previous = std::move(GlobalAnswerer());
    GlobalAnswerer() = std::move(answerer);
    return previous;
}

bool TColorDialog::Execute()
{
    if (const TAnswerer& answerer = GlobalAnswerer()) {
        TColor chosen = Color;
        if (!answerer(chosen))
            return false;
        // A colour value has no alpha byte; whatever an answerer puts there
        // must not reach the settings.
        Color = chosen & 0x00FFFFFF;
        return true;
    }
    QColorDialog dialog(TColorToQColor(Color), FParent);
    dialog.setWindowTitle(QStringLiteral("Farbe"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Color = QColorToTColor(dialog.selectedColor());
    return true;
}

TColorSquare::TColorSquare(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setFixedSize(kSize, kSize);
}

void TColorSquare::SetColor(TColor colour)
{
    if (colour == FColor)
        return;
    FColor = colour;
    update();
}

void TColorSquare::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.fillRect(contentsRect(), TColorToQColor(FColor));
    }
    QFrame::paintEvent(event);
}
