// Large pictures' memory kept for the next picture of the same size, only
// while switched on and only up to its limit.
#include "stereo/PictureMemory.h"

#include "stereo/StereoBitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Switched off again whatever the test did.
struct TReuseOn {
    explicit TReuseOn(qint64 bytes) { SetPictureMemoryReuse(bytes); }
    ~TReuseOn() { SetPictureMemoryReuse(0); }
};

// 2048 x 2048 x 4 bytes = 16 MB, the smallest size that goes the large way.
constexpr int kSide = 2048;
constexpr qint64 kBytes = qint64(kSide) * kSide * 4;

} // namespace

TEST(PictureMemory, AFreedLargePictureLendsItsMemoryToTheNextOfItsSize)
{
    TReuseOn on(3 * kBytes);
    const uchar* first = nullptr;
    {
        QImage a = NewRgb32(kSide, kSide);
        first = a.constBits();
        a.fill(0xFF123456);
    }
    EXPECT_EQ(KeptPictureMemory(), kBytes);
    QImage b = NewRgb32(kSide, kSide);
    EXPECT_EQ(b.constBits(), first);
    EXPECT_EQ(KeptPictureMemory(), 0);
    // Another size (20 MB) does not fit a kept block of 16 MB.
    const qint64 other = qint64(kSide) * (kSide + 512) * 4;
    {
        QImage c = NewRgb32(kSide, kSide + 512);
        EXPECT_NE(c.constBits(), first);
    }
    // A copy that still shares the memory keeps it in use.
    QImage shared = b;
    b = QImage();
    EXPECT_EQ(KeptPictureMemory(), other);
    shared = QImage();
    EXPECT_EQ(KeptPictureMemory(), other + kBytes);
}

TEST(PictureMemory, NothingIsKeptBeyondTheLimitOrWhenSwitchedOff)
{
    {
        TReuseOn on(kBytes);
        QImage a = NewRgb32(kSide, kSide), b = NewRgb32(kSide, kSide);
        a = QImage();
        b = QImage(); // the limit holds one
        EXPECT_EQ(KeptPictureMemory(), kBytes);
        SetPictureMemoryReuse(kBytes / 2); // a lower limit gives back what is above it
        EXPECT_EQ(KeptPictureMemory(), 0);
    }
    QImage c = NewRgb32(kSide, kSide);
    c = QImage();
    EXPECT_EQ(KeptPictureMemory(), 0);
    // Small pictures never take part.
    TReuseOn on(kBytes);
    QImage small = NewRgb32(100, 100);
    small = QImage();
    EXPECT_EQ(KeptPictureMemory(), 0);
}

TEST(PictureMemory, TakeFindsOnlyTheExactSize)
{
    TReuseOn on(3 << 20);
    void* block = std::aligned_alloc(1 << 20, 1 << 20);
    ASSERT_TRUE(KeepPictureMemory(block, 1 << 20));
    EXPECT_EQ(TakePictureMemory(2 << 20), nullptr);
    EXPECT_EQ(TakePictureMemory(1 << 20), block);
    EXPECT_EQ(TakePictureMemory(1 << 20), nullptr);
    std::free(block);
}
