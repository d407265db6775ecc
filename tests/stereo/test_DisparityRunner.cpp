// The runner with a computation the test holds at a gate. The runner with the
// real matcher behind it is pinned end to end by the window check's test of a
// real map in tests/app.
#include "stereo/DisparityRunner.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A computation the test holds at a gate: it records which pair it was
// given (by picture width), waits until the test opens the gate, notes
// whether it had been cancelled meanwhile, and returns a map whose picture
// size names the pair.
struct TGatedCompute {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    std::vector<int> widths;
    std::vector<bool> cancelledWhenReleased;

    TDisparityMap operator()(const QImage& left, const QImage&, const std::function<bool()>& cancelled)
    {
        std::unique_lock lock(m);
        widths.push_back(left.width());
        cv.notify_all();
        cv.wait(lock, [&] { return open; });
        cancelledWhenReleased.push_back(cancelled());
        return TDisparityMap(1, 1, left.size());
    }
    // Waits until the computation has been entered `count` times.
    bool Entered(size_t count)
    {
        std::unique_lock lock(m);
        return cv.wait_for(lock, 10s, [&] { return widths.size() >= count; });
    }
    size_t Released()
    {
        std::lock_guard lock(m);
        return cancelledWhenReleased.size();
    }
    void Open()
    {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
};

QImage Picture(int w) { return QImage(w, 10, QImage::Format_RGB32); }

// Collects the runner's MapReady notifications.
struct TReadyLog {
    std::vector<quint64> generations;
    explicit TReadyLog(TDisparityRunner& runner)
    {
        QObject::connect(&runner, &TDisparityRunner::MapReady, [this](quint64 g) { generations.push_back(g); });
    }
};

} // namespace

TEST(DisparityRunner, NewPairsSupersedeTheRunningOneWithoutWaitingAndOnlyTheLatestWaitingOneStarts)
{
    TGatedCompute compute;
    TDisparityRunner runner([&](const QImage& l, const QImage& r, const std::function<bool()>& c) {
        return compute(l, r, c);
    });
    TReadyLog log(runner);
    EXPECT_EQ(runner.Start(Picture(10), Picture(10)), 1u);
    ASSERT_TRUE(compute.Entered(1));
    // The first computation is held at the gate; asking for the next pairs
    // returns all the same.
    EXPECT_EQ(runner.Start(Picture(20), Picture(20)), 2u);
    EXPECT_EQ(runner.Start(Picture(30), Picture(30)), 3u);
    EXPECT_TRUE(runner.Busy());
    EXPECT_EQ(runner.Map(), nullptr);
    compute.Open();
    ASSERT_TRUE(runner.WaitForIdle(10000));
    QCoreApplication::processEvents();

    EXPECT_EQ(compute.widths, (std::vector<int>{10, 30}));
    EXPECT_EQ(compute.cancelledWhenReleased, (std::vector<bool>{true, false}));
    ASSERT_NE(runner.Map(), nullptr);
    EXPECT_EQ(runner.Map()->PictureSize().width(), 30);
    EXPECT_EQ(log.generations, (std::vector<quint64>{3}));
    EXPECT_EQ(runner.Generation(), 3u);
    EXPECT_FALSE(runner.Busy());
}

TEST(DisparityRunner, CancelDropsTheRequestAndTheMap)
{
    TGatedCompute compute;
    TDisparityRunner runner([&](const QImage& l, const QImage& r, const std::function<bool()>& c) {
        return compute(l, r, c);
    });
    TReadyLog log(runner);
    runner.Start(Picture(10), Picture(10));
    ASSERT_TRUE(compute.Entered(1));
    runner.Cancel();
    EXPECT_FALSE(runner.Busy());
    compute.Open();
    // Give the dropped run time to finish, then let any notification arrive.
    for (int i = 0; i < 10000 && compute.Released() == 0; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(runner.WaitForIdle(10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(runner.Map(), nullptr);
    EXPECT_TRUE(log.generations.empty());

    // A finished map goes with Cancel too.
    runner.Start(Picture(40), Picture(40));
    ASSERT_TRUE(runner.WaitForIdle(10000));
    ASSERT_NE(runner.Map(), nullptr);
    runner.Cancel();
    EXPECT_EQ(runner.Map(), nullptr);
}

TEST(DisparityRunner, DestroyingTheRunnerStopsTheComputation)
{
    std::atomic<bool> sawCancel = false;
    std::atomic<bool> entered = false;
    {
        TDisparityRunner runner([&](const QImage&, const QImage&, const std::function<bool()>& cancelled) {
            entered = true;
            QElapsedTimer t;
            t.start();
            while (!cancelled() && t.elapsed() < 20000)
                std::this_thread::sleep_for(1ms);
            sawCancel = cancelled();
            return TDisparityMap();
        });
        runner.Start(Picture(10), Picture(10));
        for (int i = 0; i < 10000 && !entered; ++i)
            std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(sawCancel);
}

TEST(DisparityRunner, FailingComputationLeavesAnEmptyMap)
{
    TDisparityRunner runner([](const QImage&, const QImage&, const std::function<bool()>&) -> TDisparityMap {
        throw std::bad_alloc();
    });
    TReadyLog log(runner);
    runner.Start(Picture(10), Picture(10));
    ASSERT_TRUE(runner.WaitForIdle(10000));
    QCoreApplication::processEvents();
    ASSERT_NE(runner.Map(), nullptr);
    EXPECT_TRUE(runner.Map()->Empty());
    EXPECT_EQ(log.generations, (std::vector<quint64>{1}));
}
