#pragma once
// The memory of large pictures. Fresh memory is the dearest part of handling
// a big picture: the system supplies and clears every page on first touch,
// and in a virtual machine the host does the same once more, so mapping one
// 6000 x 4000 eye (96 MB) takes longer than decoding it. The memory of a
// released large picture is therefore kept and handed to the next picture of
// about its size, up to a limit, and the memory that the next step will need
// can be prepared on a background thread while the user is still choosing.
//
// Safe to call from any thread.

#include <cstddef>
#include <vector>

// Pictures of at least this many bytes use the pool; smaller ones are cheap.
constexpr size_t kPooledPictureBytes = size_t(4) << 20;

// Page-aligned memory for a picture of bytes, contents undefined (a reused
// buffer holds an earlier picture); null when the system has none. Hand it
// back with ReleasePictureBuffer, and only then.
void* TakePictureBuffer(size_t bytes);
// Takes back what TakePictureBuffer gave (the signature of QImage's cleanup
// function): kept for reuse while the limit allows, else unmapped.
void ReleasePictureBuffer(void* buffer);

// Pictures in use and idle buffers together may hold this many bytes before
// idle buffers are unmapped, the longest idle first. 0 (the start value)
// keeps nothing, so every release unmaps.
void SetPictureBufferLimit(size_t bytes);
size_t PictureBufferLimit();
// Prepares idle buffers for pictures of these sizes on a background thread,
// starting delayMs from now, as far as the limit leaves room. Idle buffers
// that fit a size count for it; a buffer taken while it is still being
// prepared is handed over as it is. Replaces the sizes of an earlier call.
void ReservePictureBuffers(const std::vector<size_t>& sizes, int delayMs = 0);
// Unmaps every idle buffer and drops the reservation (for tests and for
// handing memory back).
void ReleaseIdlePictureBuffers();
// Waits until the background preparation has nothing left to do.
void WaitForPictureBufferReserve();

// The memory a picture of bytes occupies in the pool (whole pages).
size_t PictureBufferCapacity(size_t bytes);
// Whether a buffer of capacity bytes serves a picture of bytes: large enough,
// and not so large that it would hold memory the picture cannot use.
bool PictureBufferFits(size_t capacity, size_t bytes);

struct TPictureBufferStats {
    size_t InUseBytes = 0; // pictures holding pooled buffers now
    size_t IdleBytes = 0; // kept for reuse now
    size_t FreshBytes = 0; // mapped for a picture that found nothing idle, since the start
    size_t ReusedBytes = 0; // handed out again, since the start
    size_t PreparedBytes = 0; // mapped by the background preparation, since the start
};
TPictureBufferStats PictureBufferStatistics();
