#pragma once
// TJpegBackgroundEncoder: compresses one picture at a time on a thread of its
// own, so that the JPEG options panel can show the real file size of a large
// picture without blocking the dialog. A newer request supersedes an older
// one: a running compression is stopped at its next row band, a waiting one
// is dropped, and only the newest request's result is delivered.

#include "stereo/SavePicture.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class TJpegBackgroundEncoder {
public:
    struct TResult {
        quint64 Ticket = 0;
        bool Ok = false;
        QByteArray Data; // the complete JPEG file
        QString Error; // German reason when not Ok
    };
    // Called on the encoder's thread with the result of the newest request;
    // a request superseded or cancelled meanwhile delivers nothing. The
    // receiver must still compare the ticket: a newer request may arrive
    // while the call is on its way.
    using TDone = std::function<void(const TResult&)>;

    explicit TJpegBackgroundEncoder(TDone done);
    // Stops a running compression and waits for the thread.
    ~TJpegBackgroundEncoder();
    TJpegBackgroundEncoder(const TJpegBackgroundEncoder&) = delete;
    TJpegBackgroundEncoder& operator=(const TJpegBackgroundEncoder&) = delete;

    // Queues the picture (shared, not copied) and returns the request's
    // ticket, which is greater than every ticket before it.
    quint64 Start(const TSavePicture& picture, const TJpegOptions& options);
    // Drops the waiting request and stops the running one; nothing is
    // delivered for either.
    void Cancel();
    // A request is waiting or running.
    bool Busy() const;
    // The ticket of the newest request (0 before the first).
    quint64 LatestTicket() const;

private:
    void Run();

    TDone FDone;
    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::thread FThread;
    bool FStop = false;
    bool FWaiting = false;
    TSavePicture FPicture;
    TJpegOptions FOptions;
    quint64 FTicket = 0;
    quint64 FRunning = 0;
    std::atomic<bool> FStopRunning{false};
};
