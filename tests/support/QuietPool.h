#pragma once
// Leaves the picture-memory pool empty and unlimited before and after a
// test that counts fresh or reused memory, so no figure depends on what an
// earlier test kept.
#include "stereo/PictureBuffers.h"

struct TQuietPool {
    TQuietPool() { Reset(); }
    ~TQuietPool() { Reset(); }
    static void Reset()
    {
        WaitForPictureBufferReserve();
        SetPictureBufferLimit(0);
        ReleaseIdlePictureBuffers();
    }
};
