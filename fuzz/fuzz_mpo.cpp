// libFuzzer target: the multi-picture (camera file) reader (see FuzzEntries.h).
#include "FuzzEntries.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString problem = FuzzMpo(data, size);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
