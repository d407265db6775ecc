// Every committed seed and reproducer goes through the entry of its fuzz
// target, so a reader that breaks again fails the ordinary test suite (and,
// in the sanitizer pass, reports there).

#include "FuzzEntries.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using TEntry = QString (*)(const uint8_t*, size_t);

QStringList FilesOf(const QString& folder)
{
    const QDir dir(QStringLiteral(PLENOPTRA_FUZZ_DATA "/") + folder);
    QStringList files;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        if (name != QLatin1String("README.md"))
            files << dir.filePath(name);
    return files;
}

void Replay(const char* target, TEntry entry, int minimumFiles)
{
    FuzzSetUp();
    QStringList files = FilesOf(QStringLiteral("corpus/%1").arg(QLatin1String(target)));
    files += FilesOf(QStringLiteral("reproducers/%1").arg(QLatin1String(target)));
    // A moved folder must not turn the replay into a test of nothing.
    ASSERT_GE(files.size(), minimumFiles) << target;
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        const QString problem = entry(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    }
}

} // namespace

TEST(FuzzReplay, MaskSeedsAndReproducers) { Replay("mask", FuzzMaskFile, 10); }
TEST(FuzzReplay, JpegSeedsAndReproducers) { Replay("jpeg", FuzzJpeg, 8); }
TEST(FuzzReplay, BmpSeedsAndReproducers) { Replay("bmp", FuzzBmp, 6); }
TEST(FuzzReplay, MpoSeedsAndReproducers) { Replay("mpo", FuzzMpo, 4); }
