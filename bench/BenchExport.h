#pragma once
// The command-line export of the benchmark (bench_export.cpp).

#include <QString>

// Prints the export figures: program is the editor's executable, run as the
// user runs it; the pairs are generated in dir.
void BenchExport(const char* program, int w, int h, int pairs, const QString& dir);
