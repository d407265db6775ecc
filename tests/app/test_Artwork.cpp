#include "app/Artwork.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QStringList>

namespace {

const QStringList kActionNames = {
    "ActionOpenLinksRechts", "ActionOpenMask", "ActionSaveMask", "ActionSaveLinksRechts",
    "ActionUndo", "ActionRedo", "ActionOptionen", "ActionAnaglyphe_sw", "ActionAnaglyphe_Farb",
    "ActionAnaglyphe_Halb", "ActionKreuz", "ActionParallel", "ActionAnsichtOriginal",
    "ActionAnsichtFit", "ActionAnsichtZoom", "ActionScrollen", "ActionTransparenteMaske",
    "ActionGitter", "ActionNewMask", "ActionMaskEdit", "ActionMaskDelete", "ActionPointMoveXY",
    "ActionPointMoveX", "ActionPointMoveY", "ActionPointMoveZ", "ActionMove_Distance",
    "ActionRotate_X", "ActionRotate_Y", "ActionRotate_Z", "ActionPointMove0",
    "ActionMoveAllSelectToX", "ActionMoveAllSelectToY", "ActionMoveAllSelectToZ",
    "ActionSteuerpunktToX", "ActionSteuerpunktToY", "ActionSteuerpunktToZ",
    "ActionAllSteuerpunkteToX", "ActionAllSteuerpunkteToY", "ActionAllSteuerpunkteToZ",
    "ActionLinieInKurve", "ActionKurveInLinie", "ActionKnotenInSpitze", "ActionKnotenGlatt",
    "ActionKnotenSymmetrisch"};

QImage Rendered(const QIcon& icon, int size)
{
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(line[x]) > 128 ? 1 : 0;
    }
    return count;
}

bool PaintedNear(const QImage& image, QPoint p, int radius)
{
    for (int y = p.y() - radius; y <= p.y() + radius; ++y)
        for (int x = p.x() - radius; x <= p.x() + radius; ++x)
            if (image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) > 128)
                return true;
    return false;
}

} // namespace

TEST(ActionIcons, EveryActionHasAPaintedIcon)
{
    for (const QString& name : kActionNames) {
        const QIcon icon = ActionIcon(name);
        ASSERT_FALSE(icon.isNull()) << name.toStdString();
        const QImage image = Rendered(icon, 16);
        ASSERT_EQ(image.size(), QSize(16, 16)) << name.toStdString();
        // A 16-pixel symbol that covers fewer than 30 pixels would be unreadable.
        EXPECT_GE(OpaquePixels(image), 30) << name.toStdString();
    }
}

TEST(ActionIcons, NoTwoIconsLookAlike)
{
    std::vector<QImage> images;
    for (const QString& name : kActionNames)
        images.push_back(Rendered(ActionIcon(name), 16));
    for (size_t i = 0; i < images.size(); ++i)
        for (size_t j = i + 1; j < images.size(); ++j)
            EXPECT_NE(images[i], images[j])
                << kActionNames[int(i)].toStdString() << " vs " << kActionNames[int(j)].toStdString();
}

TEST(ActionIcons, UnknownOrEscapingNamesGiveNullIcons)
{
    EXPECT_TRUE(ActionIcon("ActionGibtEsNicht").isNull());
    EXPECT_TRUE(ActionIcon("").isNull());
    EXPECT_TRUE(ActionIcon("../cursors/cursor01").isNull());
}

TEST(ActionIcons, ProgramIconIsPainted)
{
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_GE(OpaquePixels(Rendered(icon, 32)), 32 * 32 / 2);
}

TEST(NumberedCursors, AllSeventeenHaveSensibleHotSpots)
{
    for (int n = 1; n <= kNumberedCursorCount; ++n) {
        const QCursor cursor = NumberedCursor(n);
        ASSERT_EQ(cursor.shape(), Qt::BitmapCursor) << n;
        const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(kCursorSize, kCursorSize)) << n;
        const QPoint hot = cursor.hotSpot();
        EXPECT_TRUE(image.rect().contains(hot)) << n;
        // The hot spot has to sit on the drawn symbol, not in empty space.
        EXPECT_TRUE(PaintedNear(image, hot, 2)) << n;
    }
}

TEST(NumberedCursors, VisibleOnDarkAndOnLightPictures)
{
    for (int n = 1; n <= kNumberedCursorCount; ++n) {
        const QImage image = CursorPixmap(n).toImage().convertToFormat(QImage::Format_ARGB32);
        int dark = 0, light = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qAlpha(c) < 220)
                    continue;
                dark += qGray(c) < 60 ? 1 : 0;
                light += qGray(c) > 200 ? 1 : 0;
            }
        EXPECT_GE(dark, 20) << n;
        EXPECT_GE(light, 20) << n;
    }
}

TEST(NumberedCursors, AllDiffer)
{
    for (int a = 1; a <= kNumberedCursorCount; ++a)
        for (int b = a + 1; b <= kNumberedCursorCount; ++b)
            EXPECT_NE(CursorPixmap(a).toImage(), CursorPixmap(b).toImage()) << a << " vs " << b;
}

TEST(NumberedCursors, NumbersOutsideTheRangeFallBackToTheArrow)
{
    for (int n : {0, -1, 18, 1000}) {
        EXPECT_TRUE(CursorPixmap(n).isNull()) << n;
        EXPECT_EQ(NumberedCursor(n).shape(), Qt::ArrowCursor) << n;
    }
}
