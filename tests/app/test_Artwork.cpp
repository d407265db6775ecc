// The program's artwork: every action's icon painted and unlike any other's,
// shortcuts that clash with no other action's, the program icon, and the
// numbered cursors.
#include "app/Artwork.h"

#include <QHash>
#include <QKeySequence>

#include <gtest/gtest.h>

#include "AppFixture.h"

namespace {

QImage Argb(const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32); }

// The pixels whose alpha passes the threshold, and of those the dark and the
// light ones.
struct TCoverage {
    int opaque = 0, dark = 0, light = 0;
};
TCoverage Coverage(const QImage& argb, int threshold = 128)
{
    TCoverage c;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) <= threshold)
                continue;
            ++c.opaque;
            c.dark += qGray(line[x]) < 60 ? 1 : 0;
            c.light += qGray(line[x]) > 200 ? 1 : 0;
        }
    }
    return c;
}

} // namespace

TEST(ActionIcons, EachActionsIconIsPaintedAndUnlikeAnyOtherAndNoShortcutClashes)
{
    TFreshProgram p;
    std::vector<std::pair<QString, QImage>> icons;
    QHash<QKeySequence, QString> shortcuts;
    for (QAction* a : p.dm.Actions()) {
        const std::string name = a->objectName().toStdString();
        const QImage image = Argb(a->icon().pixmap(16, 16).toImage());
        ASSERT_EQ(image.size(), QSize(16, 16)) << name;
        // A 16-pixel symbol that covers fewer than 30 pixels would be unreadable.
        EXPECT_GE(Coverage(image).opaque, 30) << name;
        for (const auto& [other, seen] : icons)
            EXPECT_NE(image, seen) << name << " looks like " << other.toStdString();
        icons.emplace_back(a->objectName(), image);
        if (a->shortcut().isEmpty())
            continue;
        EXPECT_FALSE(shortcuts.contains(a->shortcut())) << name << " and " << shortcuts.value(a->shortcut()).toStdString();
        shortcuts.insert(a->shortcut(), a->objectName());
    }
    EXPECT_EQ(icons.size(), 46u);
}

TEST(ActionIcons, UnknownOrEscapingNamesGiveNullIconsAndTheProgramIconIsPainted)
{
    EXPECT_FALSE(ActionIcon("ActionKnotenGlatt").isNull());
    EXPECT_TRUE(ActionIcon("ActionGibtEsNicht").isNull());
    EXPECT_TRUE(ActionIcon("").isNull());
    EXPECT_TRUE(ActionIcon("../cursors/cursor01").isNull());
    EXPECT_GE(Coverage(Argb(ProgramIcon().pixmap(32, 32).toImage())).opaque, 32 * 32 / 2);
}

TEST(NumberedCursors, AllSeventeenDifferHaveTheirHotSpotOnTheSymbolAndShowOnDarkAndLight)
{
    for (int n = 1; n <= kNumberedCursorCount; ++n) {
        const QCursor cursor = NumberedCursor(n);
        ASSERT_EQ(cursor.shape(), Qt::BitmapCursor) << n;
        const QImage image = Argb(cursor.pixmap().toImage());
        ASSERT_EQ(image.size(), QSize(kCursorSize, kCursorSize)) << n;
        // The hot spot has to sit on the drawn symbol, not in empty space.
        const QPoint hot = cursor.hotSpot();
        EXPECT_TRUE(image.rect().contains(hot)) << n;
        EXPECT_GT(Coverage(image.copy(hot.x() - 2, hot.y() - 2, 5, 5)).opaque, 0) << n;
        const TCoverage c = Coverage(Argb(CursorPixmap(n).toImage()), 219);
        EXPECT_GE(c.dark, 20) << n;
        EXPECT_GE(c.light, 20) << n;
        for (int other = n + 1; other <= kNumberedCursorCount; ++other)
            EXPECT_NE(CursorPixmap(n).toImage(), CursorPixmap(other).toImage()) << n << " vs " << other;
    }
    // Numbers outside the range fall back to the arrow.
    for (int n : {0, -1, 18, 1000}) {
        EXPECT_TRUE(CursorPixmap(n).isNull()) << n;
        EXPECT_EQ(NumberedCursor(n).shape(), Qt::ArrowCursor) << n;
    }
}
