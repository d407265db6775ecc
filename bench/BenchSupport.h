#pragma once
// Helpers shared by the benchmark's parts.

#include "stereo/StereoConvert.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class TPolygonListe;

double Median(std::vector<double> v);
// The first run of each measurement, kept for the printout: it pays for
// fresh memory where later runs may reuse the previous result's.
extern double gFirstRunMs;
// Median processor time of the calling thread in the last measurement: the
// fair figure for single-threaded work while other programs load the machine.
extern double gThreadCpuMs;
double ThreadCpuMs();
// Median wall time of runs calls of work, in ms.
double TimeMs(int runs, const std::function<void()>& work);
long PeakRssMb();
bool OnPath(const char* tool);

struct TToolTime {
    double wallMs = -1;
    double cpuMs = -1; // user + system time of the program
};
// Runs a program with its output thrown away; negative times when it failed.
TToolTime RunTool(const std::vector<std::string>& args);
TToolTime TimeTool(int runs, const std::vector<std::string>& args);

// A photograph-like eye: smooth shading, edges and fine grain, so the JPEG
// coder has realistic work. The right eye is the left one shifted.
QImage MakeEye(int w, int h, int shift);
bool WritePpm(const QImage& image, const QString& path);
bool WriteBytes(const QByteArray& data, const QString& path);
// Checks a mix against the double formula on every 61st row.
bool MixIsExact(const QImage& first, const QImage& second, const QImage& out, const TColorMatrix& m);
void Line(const char* what, double ms, const char* extra = "");
// ours: wall time; oursCpu: processor time of our thread, or negative when
// our work ran on several threads (then only wall times compare).
void Ratio(const char* what, double ours, double oursCpu, const TToolTime& theirs);
// A 14-node ring around the picture's centre with the given parallax.
void AddRing(TPolygonListe& outline, int w, int h, int parallax);
