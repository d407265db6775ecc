#pragma once
// The entry points of the fuzz targets, shared by the libFuzzer programs and
// by the ordinary test suite, which replays the committed seeds and
// reproducers through them. Each entry takes one input, drives it through
// the program's own reader as the program does, and returns an empty text,
// or the invariant the input broke. Sanitizer reports and crashes speak for
// themselves.

#include <QString>

#include <cstddef>
#include <cstdint>

// Once per process, before the first input: an application object on the
// offscreen platform when there is none, a message handler that answers
// every box as a user pressing OK would, and a JPEG budget lowered to 16 MiB
// so that a fuzzed picture stays small (the same code decides).
void FuzzSetUp();

// A mask file or program data file: read with its settings trailer, every
// step restored as the controller restores it (outline, node selection,
// document settings), the mask drawn with decoration, the outline written
// and read back until it stands still, and the whole file written back; the
// written file must read back to the same bytes.
QString FuzzMaskFile(const uint8_t* data, size_t size);

// A JPEG file, decoded from a descriptor as the program opens pictures and
// from memory; both must agree.
QString FuzzJpeg(const uint8_t* data, size_t size);

// A bitmap file, decoded from a descriptor and from memory (both must
// agree); a picture that was read is written as a bitmap and must read back
// unchanged.
QString FuzzBmp(const uint8_t* data, size_t size);

// A multi-picture (camera) file: its layout found with and without scanning
// for the second picture, and both pictures decoded as the loader decodes
// them; offsets must stay inside the data.
QString FuzzMpo(const uint8_t* data, size_t size);
