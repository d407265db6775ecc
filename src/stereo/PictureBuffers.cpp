#include "stereo/PictureBuffers.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_map>

#include <sys/mman.h>
#include <unistd.h>

// Buffers are mapped directly rather than through malloc, so a released one
// goes back to the system at once and never lingers in an allocator's cache.
// No huge pages are asked for: where the system has to compact memory to
// find them, the first touch of a large picture took several times longer.

namespace {

using Clock = std::chrono::steady_clock;

// The preparation faults a buffer in steps of this size, so a picture that
// takes it half-prepared does not wait for the rest.
constexpr size_t kPrepareStep = size_t(8) << 20;

size_t PageSize()
{
    static const size_t page = [] {
        const long p = sysconf(_SC_PAGESIZE);
        return p > 0 ? size_t(p) : size_t(4096);
    }();
    return page;
}

size_t RoundToPages(size_t bytes)
{
    const size_t page = PageSize();
    return (bytes + page - 1) / page * page;
}

void* MapFresh(size_t capacity)
{
    void* data = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return data == MAP_FAILED ? nullptr : data;
}

// Faults the range in as if written, without writing: safe while a picture
// that already took the buffer writes into it. False where the system
// cannot do that.
bool Populate(void* data, size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    return madvise(data, bytes, MADV_POPULATE_WRITE) == 0 || errno != EINVAL;
#else
    (void)data;
    (void)bytes;
    return false;
#endif
}

struct TIdle {
    void* data;
    size_t capacity;
    std::uint64_t age; // order of release; the smallest has been idle longest
};

class TPool {
public:
    void* Take(size_t bytes)
    {
        const size_t capacity = RoundToPages(bytes);
        {
            std::lock_guard lock(FMutex);
            auto best = FIdle.end();
            for (auto it = FIdle.begin(); it != FIdle.end(); ++it)
                if (PictureBufferFits(it->capacity, capacity) && (best == FIdle.end() || it->capacity < best->capacity))
                    best = it;
            if (best != FIdle.end()) {
                void* data = best->data;
                FIdleBytes -= best->capacity;
                FInUseBytes += best->capacity;
                FReusedBytes += best->capacity;
                FInUse[data] = best->capacity;
                FIdle.erase(best);
                return data;
            }
        }
        void* data = MapFresh(capacity);
        if (!data)
            return nullptr;
        std::vector<TIdle> victims;
        {
            std::lock_guard lock(FMutex);
            FInUse[data] = capacity;
            FInUseBytes += capacity;
            FFreshBytes += capacity;
            // Idle buffers that did not fit this picture must not push the
            // total over the limit.
            TrimLocked(victims);
        }
        Unmap(victims);
        return data;
    }

    void Release(void* data)
    {
        std::vector<TIdle> victims;
        {
            std::lock_guard lock(FMutex);
            const auto it = FInUse.find(data);
            if (it == FInUse.end())
                return; // not ours; nothing sensible can be done with it
            const size_t capacity = it->second;
            FInUse.erase(it);
            FInUseBytes -= capacity;
            FIdle.push_back(TIdle{data, capacity, ++FAge});
            FIdleBytes += capacity;
            TrimLocked(victims);
        }
        Unmap(victims);
    }

    void SetLimit(size_t bytes)
    {
        std::vector<TIdle> victims;
        {
            std::lock_guard lock(FMutex);
            FLimit = bytes;
            TrimLocked(victims);
        }
        Unmap(victims);
    }

    size_t Limit()
    {
        std::lock_guard lock(FMutex);
        return FLimit;
    }

    void Reserve(const std::vector<size_t>& sizes, int delayMs)
    {
        std::lock_guard lock(FMutex);
        FWanted.clear();
        for (size_t s : sizes)
            if (s >= kPooledPictureBytes)
                FWanted.push_back(RoundToPages(s));
        FStartAt = Clock::now() + std::chrono::milliseconds(std::max(delayMs, 0));
        if (!FWanted.empty() && !FFiller.joinable())
            FFiller = std::thread([this] { FillerLoop(); });
        FWake.notify_all();
    }

    void ReleaseIdle()
    {
        std::vector<TIdle> victims;
        {
            std::lock_guard lock(FMutex);
            FWanted.clear();
            if (FPreparing && !FPreparingData)
                FDiscardPrepared = true; // not published yet: it will not be
            for (const TIdle& buffer : FIdle)
                DropLocked(buffer, victims);
            FIdle.clear();
            FIdleBytes = 0;
        }
        Unmap(victims);
    }

    void WaitIdle()
    {
        std::unique_lock lock(FMutex);
        FDone.wait(lock, [this] { return FWanted.empty() && !FPreparing; });
    }

    TPictureBufferStats Stats()
    {
        std::lock_guard lock(FMutex);
        TPictureBufferStats s;
        s.InUseBytes = FInUseBytes;
        s.IdleBytes = FIdleBytes;
        s.FreshBytes = FFreshBytes;
        s.ReusedBytes = FReusedBytes;
        s.PreparedBytes = FPreparedBytes;
        return s;
    }

private:
    // Unmaps idle buffers, the longest idle first, until the total is within
    // the limit.
    void TrimLocked(std::vector<TIdle>& victims)
    {
        while (!FIdle.empty() && FInUseBytes + FIdleBytes > FLimit) {
            const auto oldest = std::min_element(FIdle.begin(), FIdle.end(),
                                                 [](const TIdle& a, const TIdle& b) { return a.age < b.age; });
            FIdleBytes -= oldest->capacity;
            DropLocked(*oldest, victims);
            FIdle.erase(oldest);
        }
    }

    // A buffer the background is still faulting in is unmapped by the
    // background when it is done with it, never under its feet.
    void DropLocked(const TIdle& buffer, std::vector<TIdle>& victims)
    {
        if (buffer.data == FPreparingData)
            FDiscardPrepared = true;
        else
            victims.push_back(buffer);
    }

    static void Unmap(const std::vector<TIdle>& victims)
    {
        for (const TIdle& v : victims)
            munmap(v.data, v.capacity);
    }

    // The first wanted size that no idle buffer covers (each idle buffer
    // covers one), or 0.
    size_t NextUncoveredLocked() const
    {
        std::vector<bool> used(FIdle.size(), false);
        for (size_t want : FWanted) {
            bool covered = false;
            for (size_t i = 0; i < FIdle.size() && !covered; ++i)
                if (!used[i] && PictureBufferFits(FIdle[i].capacity, want))
                    used[i] = covered = true;
            if (!covered)
                return want;
        }
        return 0;
    }

    // Publishes a buffer as idle unless it was dropped meanwhile or no
    // longer fits the limit; false when it must be unmapped.
    bool PublishLocked(void* data, size_t capacity)
    {
        if (FDiscardPrepared || FInUseBytes + FIdleBytes + capacity > FLimit)
            return false;
        FIdle.push_back(TIdle{data, capacity, ++FAge});
        FIdleBytes += capacity;
        FPreparedBytes += capacity;
        return true;
    }

    void FillerLoop()
    {
        std::unique_lock lock(FMutex);
        for (;;) {
            if (FWanted.empty()) {
                FDone.notify_all();
                FWake.wait(lock, [this] { return !FWanted.empty(); });
                continue;
            }
            if (Clock::now() < FStartAt) {
                FWake.wait_until(lock, FStartAt);
                continue;
            }
            const size_t capacity = NextUncoveredLocked();
            if (capacity == 0 || FInUseBytes + FIdleBytes + capacity > FLimit) {
                FWanted.clear();
                continue;
            }
            FPreparing = true;
            FDiscardPrepared = false;
            lock.unlock();
            void* data = MapFresh(capacity);
            bool keep = false;
            if (data && Populate(data, std::min(capacity, kPrepareStep))) {
                // Published at once: a picture that needs it now takes it
                // while the rest is still being faulted in.
                lock.lock();
                keep = PublishLocked(data, capacity);
                if (keep)
                    FPreparingData = data;
                lock.unlock();
                for (size_t done = kPrepareStep; keep && done < capacity; done += kPrepareStep) {
                    lock.lock();
                    const bool dropped = FDiscardPrepared;
                    lock.unlock();
                    if (dropped)
                        break;
                    Populate(static_cast<char*>(data) + done, std::min(kPrepareStep, capacity - done));
                }
                lock.lock();
                keep = keep && !FDiscardPrepared;
            } else if (data) {
                // Without a content-safe prefault the pages are written
                // before anybody can take the buffer.
                const size_t page = PageSize();
                for (size_t offset = 0; offset < capacity; offset += page)
                    static_cast<volatile char*>(data)[offset] = 0;
                lock.lock();
                keep = PublishLocked(data, capacity);
            } else {
                lock.lock();
                FWanted.clear(); // the system has no memory to spare
            }
            FPreparingData = nullptr;
            FDiscardPrepared = false;
            FPreparing = false;
            if (data && !keep) {
                lock.unlock();
                munmap(data, capacity);
                lock.lock();
            }
        }
    }

    std::mutex FMutex;
    std::condition_variable FWake, FDone;
    std::vector<TIdle> FIdle;
    std::unordered_map<void*, size_t> FInUse;
    size_t FInUseBytes = 0, FIdleBytes = 0, FLimit = 0;
    size_t FFreshBytes = 0, FReusedBytes = 0, FPreparedBytes = 0;
    std::uint64_t FAge = 0;
    std::vector<size_t> FWanted;
    Clock::time_point FStartAt;
    bool FPreparing = false;
    void* FPreparingData = nullptr; // published, still being faulted in
    bool FDiscardPrepared = false; // dropped meanwhile: unmap when done
    std::thread FFiller;
};

// Never destroyed: pictures may be released during static destruction, and
// the background thread may still be preparing when the process ends.
TPool& Pool()
{
    static TPool* const pool = new TPool;
    return *pool;
}

} // namespace

size_t PictureBufferCapacity(size_t bytes) { return RoundToPages(bytes); }

bool PictureBufferFits(size_t capacity, size_t bytes)
{
    const size_t need = RoundToPages(bytes);
    return capacity >= need && capacity - need <= need / 4;
}

void* TakePictureBuffer(size_t bytes) { return bytes == 0 ? nullptr : Pool().Take(bytes); }

void ReleasePictureBuffer(void* buffer)
{
    if (buffer)
        Pool().Release(buffer);
}

void SetPictureBufferLimit(size_t bytes) { Pool().SetLimit(bytes); }

size_t PictureBufferLimit() { return Pool().Limit(); }

void ReservePictureBuffers(const std::vector<size_t>& sizes, int delayMs) { Pool().Reserve(sizes, delayMs); }

void ReleaseIdlePictureBuffers() { Pool().ReleaseIdle(); }

void WaitForPictureBufferReserve() { Pool().WaitIdle(); }

TPictureBufferStats PictureBufferStatistics() { return Pool().Stats(); }
