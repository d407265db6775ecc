#pragma once
// TDisparityRunner: computes the disparity map of the loaded pair once, on a
// thread of its own, and keeps the latest result. Asking for a new pair
// supersedes the request in progress: that one stops at its next checkpoint
// and its result is dropped, so a quick succession of loads costs at most one
// finished and one abandoned computation. Nothing here waits for the
// computation on the caller's thread, except WaitForIdle, which is meant for
// the command line and tests.
//
// The computation itself is handed in, so that this class needs no matching
// library and tests can drive it with a function they control.

#include "stereo/DisparityMap.h"

#include <QImage>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TDisparityRunner : public QObject {
    Q_OBJECT
public:
    // Computes the map of a pair; returns early (any result) when cancelled()
    // turns true. Runs on the runner's thread.
    // The pictures are handed over, so the computation may let them go early.
    using TCompute = std::function<TDisparityMap(QImage left, QImage right, const std::function<bool()>& cancelled)>;

    explicit TDisparityRunner(TCompute compute, QObject* parent = nullptr);
    // Stops the request in progress at its next checkpoint and waits for the
    // thread to end.
    ~TDisparityRunner() override;

    // Asks for the map of this pair and returns at once with the request's
    // number (counting from 1). The pictures are shared, not copied; the
    // caller may go on using and changing its own.
    quint64 Start(const QImage& left, const QImage& right);
    // Drops the request in progress and the cached map (the pair was closed).
    void Cancel();

    // The map of the latest request once it is ready; null before that, and
    // after Cancel.
    std::shared_ptr<const TDisparityMap> Map() const;
    // Number of the latest request; 0 before the first.
    quint64 Generation() const;
    // True while the latest request is waiting or running.
    bool Busy() const;
    // Blocks until the latest request is finished or dropped; false when
    // timeoutMs (negative: no limit) ran out first.
    bool WaitForIdle(int timeoutMs = -1) const;

signals:
    // Delivered on the runner's own thread (through its event loop) once
    // Map() holds the result of request `generation`; not for superseded
    // requests.
    void MapReady(quint64 generation);

private:
    void Run();
    // Hands the cached map to the thread to be freed there; under FMutex.
    void Retire();

    TCompute FCompute;
    mutable std::mutex FMutex;
    mutable std::condition_variable FWake;
    mutable std::condition_variable FIdle;
    std::thread FThread;
    // Changed under FMutex; read without it by the computation's cancel
    // question.
    std::atomic<bool> FStopping = false;
    // The request waiting to be taken up by the thread, if any.
    bool FPending = false;
    QImage FLeft, FRight;
    std::atomic<quint64> FLatest = 0; // number of the latest request
    quint64 FRunning = 0;  // number of the request being computed, 0 when idle
    std::shared_ptr<const TDisparityMap> FMap;
    std::vector<std::shared_ptr<const TDisparityMap>> FRetired;
};
