#pragma once
// What the user waits for with a big pair (bench_open.cpp): from "OK" in the
// open dialog to the composed pair on screen, the dialog's preview from its
// timer's tick to the picture on screen, and switching the view.

#include <QString>

// The three figures; each first opens or previews in a fresh process (the
// first open of a run pays for memory a later one may reuse) and prints
// medians with the memcpy yardstick, the load average, processor time and
// page faults. self is this program; dir holds the pair (written when
// missing). Returns 0 when everything ran as intended.
int BenchOpen(const char* self, int runs, const QString& dir);
int BenchPreview(const char* self, int runs, const QString& dir);
int BenchSwitch(const char* self, int runs, const QString& dir);
// The child's part: "open-jpg", "open-bmp", "preview-jpg", "preview-bmp",
// "switch"; prints its figures as "RESULT name value ..." lines.
int RunOpenChild(const QString& what, int runs, const QString& dir);
