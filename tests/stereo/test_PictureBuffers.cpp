#include "stereo/PictureBuffers.h"

#include "stereo/StereoBitmap.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr size_t kMb = size_t(1) << 20;

// Every test starts from an empty pool with no limit and leaves it so.
struct TEmptyPool {
    TEmptyPool() { Reset(); }
    ~TEmptyPool() { Reset(); }
    static void Reset()
    {
        WaitForPictureBufferReserve();
        SetPictureBufferLimit(0);
        ReleaseIdlePictureBuffers();
    }
};

} // namespace

TEST(PictureBufferFit, ReuseNeedsRoomAndAtMostAQuarterToSpare)
{
    const size_t page = PictureBufferCapacity(1);
    EXPECT_EQ(PictureBufferCapacity(page + 1), 2 * page);
    const size_t need = PictureBufferCapacity(40 * kMb);
    EXPECT_TRUE(PictureBufferFits(need, 40 * kMb));
    EXPECT_TRUE(PictureBufferFits(need + need / 4, 40 * kMb));
    EXPECT_FALSE(PictureBufferFits(need + need / 4 + page, 40 * kMb)); // would hold memory the picture cannot use
    EXPECT_FALSE(PictureBufferFits(need - page, 40 * kMb));
}

TEST(PictureBufferReuse, ReleasedBufferServesTheNextPictureOfAboutItsSize)
{
    TEmptyPool pool;
    SetPictureBufferLimit(100 * kMb);
    void* first = TakePictureBuffer(40 * kMb);
    ASSERT_NE(first, nullptr);
    const TPictureBufferStats start = PictureBufferStatistics();
    EXPECT_EQ(start.InUseBytes, PictureBufferCapacity(40 * kMb));
    ReleasePictureBuffer(first);
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, PictureBufferCapacity(40 * kMb));

    // A little smaller: the same memory, not a fresh mapping.
    void* second = TakePictureBuffer(36 * kMb);
    EXPECT_EQ(second, first);
    const TPictureBufferStats after = PictureBufferStatistics();
    EXPECT_EQ(after.FreshBytes, start.FreshBytes);
    EXPECT_EQ(after.ReusedBytes - start.ReusedBytes, PictureBufferCapacity(40 * kMb));
    ReleasePictureBuffer(second);

    // Far smaller: the big buffer would be wasted on it, so it stays idle.
    void* small = TakePictureBuffer(8 * kMb);
    EXPECT_NE(small, first);
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, PictureBufferCapacity(40 * kMb));
    ReleasePictureBuffer(small);
}

TEST(PictureBufferReuse, LimitUnmapsTheLongestIdleFirstAndZeroKeepsNothing)
{
    TEmptyPool pool;
    const size_t cap = PictureBufferCapacity(10 * kMb);
    SetPictureBufferLimit(3 * cap);
    void* a = TakePictureBuffer(10 * kMb);
    void* b = TakePictureBuffer(10 * kMb);
    void* c = TakePictureBuffer(10 * kMb);
    void* d = TakePictureBuffer(10 * kMb); // over the limit: mapped all the same
    ASSERT_TRUE(a && b && c && d);
    ReleasePictureBuffer(a); // four pictures' worth against a limit of three: unmapped
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, size_t(0));
    ReleasePictureBuffer(b); // three: kept
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, cap);
    ReleasePictureBuffer(c);
    ReleasePictureBuffer(d);
    EXPECT_EQ(PictureBufferStatistics().InUseBytes, size_t(0));
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, 3 * cap);
    // A lower limit lets b go, idle the longest; c and d serve the next two.
    SetPictureBufferLimit(2 * cap);
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, 2 * cap);
    void* x = TakePictureBuffer(10 * kMb);
    void* y = TakePictureBuffer(10 * kMb);
    EXPECT_TRUE((x == c && y == d) || (x == d && y == c));
    ReleasePictureBuffer(x);
    ReleasePictureBuffer(y);
    SetPictureBufferLimit(0);
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, size_t(0));
}

TEST(PictureBufferReserve, PreparesWhatIsAskedForWithinTheLimit)
{
    TEmptyPool pool;
    const size_t eye = PictureBufferCapacity(12 * kMb);
    SetPictureBufferLimit(3 * eye);
    void* kept = TakePictureBuffer(12 * kMb);
    ReleasePictureBuffer(kept); // idle, and counts for one of the four
    const size_t preparedBefore = PictureBufferStatistics().PreparedBytes;
    ReservePictureBuffers({12 * kMb, 12 * kMb, 12 * kMb, 12 * kMb});
    WaitForPictureBufferReserve();
    // Room for three in all: two more were prepared, the fourth did not fit.
    const TPictureBufferStats s = PictureBufferStatistics();
    EXPECT_EQ(s.IdleBytes, 3 * eye);
    EXPECT_EQ(s.PreparedBytes - preparedBefore, 2 * eye);
    const size_t freshBefore = s.FreshBytes;
    void* x = TakePictureBuffer(12 * kMb);
    void* y = TakePictureBuffer(12 * kMb);
    void* z = TakePictureBuffer(12 * kMb);
    EXPECT_EQ(PictureBufferStatistics().FreshBytes, freshBefore);
    // Prepared memory is ordinary memory to write.
    std::memset(x, 1, 12 * kMb);
    std::memset(z, 2, 12 * kMb);
    ReleasePictureBuffer(x);
    ReleasePictureBuffer(y);
    ReleasePictureBuffer(z);
}

TEST(PictureBufferReserve, StartsOnlyAfterItsDelayAndIsReplacedByTheNextCall)
{
    TEmptyPool pool;
    SetPictureBufferLimit(10 * PictureBufferCapacity(8 * kMb));
    ReservePictureBuffers({8 * kMb, 8 * kMb}, 60000);
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, size_t(0));
    ReservePictureBuffers({8 * kMb}, 0); // the user chose again: one is wanted now
    WaitForPictureBufferReserve();
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, PictureBufferCapacity(8 * kMb));
    ReservePictureBuffers({1 * kMb}); // small pictures need no pool
    WaitForPictureBufferReserve();
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, PictureBufferCapacity(8 * kMb));
}

TEST(PictureBufferReserve, WhatIsBeingPreparedWhenIdleMemoryIsReleasedIsNotKept)
{
    TEmptyPool pool;
    SetPictureBufferLimit(size_t(1) << 30);
    for (int round = 0; round < 5; ++round) {
        ReservePictureBuffers({96 * kMb, 96 * kMb});
        std::this_thread::sleep_for(std::chrono::milliseconds(round * 7));
        ReleaseIdlePictureBuffers();
        WaitForPictureBufferReserve();
        EXPECT_EQ(PictureBufferStatistics().IdleBytes, size_t(0)) << round;
    }
    // A buffer taken while being prepared stays the picture's.
    ReservePictureBuffers({96 * kMb});
    void* taken = nullptr;
    while (!taken) {
        if (PictureBufferStatistics().IdleBytes > 0)
            taken = TakePictureBuffer(96 * kMb);
        else
            std::this_thread::yield();
    }
    ReleaseIdlePictureBuffers();
    std::memset(taken, 7, 96 * kMb);
    WaitForPictureBufferReserve();
    EXPECT_EQ(static_cast<unsigned char*>(taken)[96 * kMb - 1], 7);
    ReleasePictureBuffer(taken);
}

TEST(PictureBufferPictures, LargePictureMemoryComesBackWhenTheLastCopyGoes)
{
    TEmptyPool pool;
    SetPictureBufferLimit(64 * kMb);
    const uchar* bits = nullptr;
    {
        QImage big = NewRgb32(1500, 1000); // 6 MB
        big.fill(qRgb(1, 2, 3));
        bits = big.constBits();
        const QImage copy = big;
        big = QImage();
        EXPECT_EQ(PictureBufferStatistics().IdleBytes, size_t(0)); // the copy still shows it
        EXPECT_EQ(copy.pixel(1499, 999), qRgb(1, 2, 3));
    }
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, PictureBufferCapacity(1500 * 1000 * 4));
    const QImage again = NewRgb32(1400, 1000);
    EXPECT_EQ(again.constBits(), bits);
    // Small pictures are the allocator's business.
    const size_t before = PictureBufferStatistics().InUseBytes;
    const QImage small = NewRgb32(100, 100);
    EXPECT_EQ(PictureBufferStatistics().InUseBytes, before);
}
