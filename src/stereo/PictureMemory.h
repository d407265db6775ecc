#pragma once
// Memory of large pictures kept for the next picture of the same size. A
// program that works through many pictures of one size (the export of a
// series of pairs) otherwise has the system clear every page of every new
// picture: on a virtual machine that costs more than decoding, masking and
// coding together. Off unless switched on, so the editor's memory is what it
// holds.

#include <QtGlobal>

#include <cstddef>

// Keeps up to bytes of freed picture memory (0: none; what is kept beyond a
// smaller limit is freed at once). Thread-safe.
void SetPictureMemoryReuse(qint64 bytes);
// Bytes kept at the moment.
qint64 KeptPictureMemory();

// A kept block of exactly bytes, or null. Thread-safe.
void* TakePictureMemory(size_t bytes);
// Keeps data (bytes long, from aligned_alloc) for reuse when the limit
// allows; false when the caller must free it. Thread-safe.
bool KeepPictureMemory(void* data, size_t bytes);
