#include "stereo/DisparityRunner.h"

#include <chrono>

TDisparityRunner::TDisparityRunner(TCompute compute, QObject* parent)
    : QObject(parent), FCompute(std::move(compute))
{
}

TDisparityRunner::~TDisparityRunner()
{
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
        FPending = false;
    }
    FWake.notify_all();
    if (FThread.joinable())
        FThread.join();
}

quint64 TDisparityRunner::Start(const QImage& left, const QImage& right)
{
    quint64 generation = 0;
    {
        std::lock_guard lock(FMutex);
        generation = ++FLatest;
        FLeft = left;
        FRight = right;
        FPending = true;
        Retire();
        // The thread starts with the first request, so that a runner that is
        // never asked costs nothing.
        if (!FThread.joinable())
            FThread = std::thread([this] { Run(); });
    }
    FWake.notify_all();
    return generation;
}

void TDisparityRunner::Cancel()
{
    {
        std::lock_guard lock(FMutex);
        ++FLatest;
        FPending = false;
        FLeft = QImage();
        FRight = QImage();
        Retire();
    }
    FWake.notify_all();
    FIdle.notify_all();
}

std::shared_ptr<const TDisparityMap> TDisparityRunner::Map() const
{
    std::lock_guard lock(FMutex);
    return FMap;
}

quint64 TDisparityRunner::Generation() const
{
    std::lock_guard lock(FMutex);
    return FLatest;
}

bool TDisparityRunner::Busy() const
{
    std::lock_guard lock(FMutex);
    return FPending || (FRunning != 0 && FRunning == FLatest);
}

void TDisparityRunner::Retire()
{
    if (FMap)
        FRetired.push_back(std::move(FMap));
    FMap.reset();
}

bool TDisparityRunner::WaitForIdle(int timeoutMs) const
{
    std::unique_lock lock(FMutex);
    auto idle = [this] { return !FPending && (FRunning == 0 || FRunning != FLatest); };
    if (timeoutMs < 0) {
        FIdle.wait(lock, idle);
        return true;
    }
    return FIdle.wait_for(lock, std::chrono::milliseconds(timeoutMs), idle);
}

void TDisparityRunner::Run()
{
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [this] { return FStopping || FPending || !FRetired.empty(); });
        if (FStopping)
            break;
        // Maps of earlier pairs die here rather than on the caller's thread:
        // giving back a map's memory takes a moment.
        std::vector<std::shared_ptr<const TDisparityMap>> retired;
        retired.swap(FRetired);
        if (!FPending) {
            lock.unlock();
            retired.clear();
            lock.lock();
            continue;
        }
        const quint64 generation = FLatest;
        QImage left = std::move(FLeft), right = std::move(FRight);
        // The runner keeps no pictures longer than its request needs them.
        FLeft = QImage();
        FRight = QImage();
        FPending = false;
        FRunning = generation;
        lock.unlock();
        retired.clear();

        // Asked often during the work; it takes no lock, so that a request
        // from the caller never waits for the computing thread.
        auto cancelled = [this, generation] { return FStopping || FLatest != generation; };
        // A computation that fails (no memory for the reduced pair, say)
        // leaves an empty map: the check then says it cannot tell, and the
        // editor goes on.
        std::shared_ptr<const TDisparityMap> map;
        try {
            map = std::make_shared<const TDisparityMap>(FCompute(std::move(left), std::move(right), cancelled));
        } catch (...) {
            map = std::make_shared<const TDisparityMap>();
        }
        // Letting go of the pictures may free them (when the editor has
        // moved on); that happens outside the lock, like every release here.
        left = QImage();
        right = QImage();

        lock.lock();
        FRunning = 0;
        if (!FStopping && FLatest == generation) {
            FMap = std::move(map);
            // Queued to this object: delivered on its thread, and dropped
            // with the object if it goes first.
            QMetaObject::invokeMethod(
                this,
                [this, generation] {
                    if (Generation() == generation)
                        emit MapReady(generation);
                },
                Qt::QueuedConnection);
        }
        FIdle.notify_all();
        if (map) {
            lock.unlock();
            map.reset();
            lock.lock();
        }
    }
}
