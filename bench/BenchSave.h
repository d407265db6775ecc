#pragma once
// The save path of the benchmark (bench_save.cpp).

#include <QString>

// Prints the save figures; self is this program, started again for the
// peak-memory measurement of the whole save flow.
void BenchSave(const char* self, int w, int h, int runs, const QString& dir, bool haveCjpeg, bool big);
// The child's part: the controller's save flow once; 0 when the file was
// written.
int RunSavePeak(int w, int h, const QString& dir);
