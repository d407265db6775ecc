#include "Artwork.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSvgRenderer>

#include <array>

// Outside any namespace: Q_INIT_RESOURCE declares a function of that name at
// the point of use, and it must resolve to the one rcc generated.
static void InitPlenoptraResource()
{
    Q_INIT_RESOURCE(plenoptra);
}

namespace {

// Hot spot of each cursor, in picture pixels. The point must be where the
// user expects the action to happen: the tip of a pointer or pen, the middle
// of a symmetric drag symbol.
constexpr std::array<QPoint, kNumberedCursorCount> kCursorHotSpots = {{
    {16, 17}, // 1  scroll tool at rest: open hand, middle of the palm
    {16, 19}, // 2  scrolling: closed hand, middle of the fist
    {3, 29},  // 3  new mask: pen tip
    {16, 16}, // 4  dragging in the window plane
    {16, 16}, // 5  dragging in depth
    {16, 16}, // 6  dragging horizontally
    {16, 16}, // 7  dragging vertically
    {3, 3},   // 8  no tool: arrow tip
    {16, 16}, // 9  crosshair centre
    {2, 2},   // 10 move tool (plane) at rest: arrow tip
    {2, 2},   // 11 move tool (horizontal) at rest
    {2, 2},   // 12 move tool (vertical) at rest
    {2, 2},   // 13 move tool (depth) at rest
    {16, 16}, // 14 rotating about X
    {16, 16}, // 15 rotating about Y
    {16, 16}, // 16 rotating about Z
    {16, 16}, // 17 changing the handle length
}};

// Toolbars use 16 or 24, menus 16 to 22 depending on the style; 32 and 48
// cover high-density screens without upscaling a small pixmap.
constexpr std::array<int, 5> kIconSizes = {16, 22, 24, 32, 48};

QImage RenderSvg(QSvgRenderer& renderer, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return image;
}

// Rendering ourselves instead of handing the path to QIcon keeps the icons
// independent of the SVG icon-engine plugin being deployed.
QIcon IconFromSvg(const QString& path)
{
    InitArtworkResources();
    if (!QFile::exists(path))
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QIcon icon;
    for (int size : kIconSizes)
        icon.addPixmap(QPixmap::fromImage(RenderSvg(renderer, size)));
    return icon;
}

} // namespace

void InitArtworkResources()
{
    static const bool done = (InitPlenoptraResource(), true);
    Q_UNUSED(done);
}

QIcon ActionIcon(const QString& actionName)
{
    // A name with a path separator would reach outside the icon folder.
    if (actionName.isEmpty() || actionName.contains(QLatin1Char('/')))
        return {};
    return IconFromSvg(QStringLiteral(":/icons/%1.svg").arg(actionName));
}

QIcon ProgramIcon()
{
    return IconFromSvg(QStringLiteral(":/icons/plenoptra.svg"));
}

QPixmap CursorPixmap(int number)
{
    if (number < 1 || number > kNumberedCursorCount)
        return {};
    InitArtworkResources();
    QSvgRenderer renderer(QStringLiteral(":/cursors/cursor%1.svg").arg(number, 2, 10, QLatin1Char('0')));
    if (!renderer.isValid())
        return {};
    return QPixmap::fromImage(RenderSvg(renderer, kCursorSize));
}

QCursor NumberedCursor(int number)
{
    const QPixmap pixmap = CursorPixmap(number);
    if (pixmap.isNull())
        return QCursor(Qt::ArrowCursor);
    const QPoint hotSpot = kCursorHotSpots[static_cast<size_t>(number - 1)];
    return QCursor(pixmap, hotSpot.x(), hotSpot.y());
}
