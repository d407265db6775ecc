#include "stereo/PictureMemory.h"

#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

namespace {

struct TKeptMemory {
    std::mutex Mutex;
    size_t Limit = 0;
    size_t Kept = 0;
    std::vector<std::pair<void*, size_t>> Blocks; // oldest first
};

TKeptMemory& Memory()
{
    static TKeptMemory memory;
    return memory;
}

} // namespace

void SetPictureMemoryReuse(qint64 bytes)
{
    TKeptMemory& m = Memory();
    std::vector<std::pair<void*, size_t>> dropped;
    {
        const std::lock_guard<std::mutex> lock(m.Mutex);
        m.Limit = bytes > 0 ? size_t(bytes) : 0;
        while (m.Kept > m.Limit && !m.Blocks.empty()) {
            dropped.push_back(m.Blocks.front());
            m.Kept -= m.Blocks.front().second;
            m.Blocks.erase(m.Blocks.begin());
        }
    }
    for (const auto& block : dropped)
        std::free(block.first);
}

qint64 KeptPictureMemory()
{
    TKeptMemory& m = Memory();
    const std::lock_guard<std::mutex> lock(m.Mutex);
    return qint64(m.Kept);
}

void* TakePictureMemory(size_t bytes)
{
    TKeptMemory& m = Memory();
    const std::lock_guard<std::mutex> lock(m.Mutex);
    // The newest first: its pages are the likeliest to be in the caches.
    for (auto it = m.Blocks.rbegin(); it != m.Blocks.rend(); ++it) {
        if (it->second == bytes) {
            void* data = it->first;
            m.Kept -= bytes;
            m.Blocks.erase(std::next(it).base());
            return data;
        }
    }
    return nullptr;
}

bool KeepPictureMemory(void* data, size_t bytes)
{
    TKeptMemory& m = Memory();
    const std::lock_guard<std::mutex> lock(m.Mutex);
    if (m.Kept + bytes > m.Limit)
        return false;
    m.Blocks.emplace_back(data, bytes);
    m.Kept += bytes;
    return true;
}
