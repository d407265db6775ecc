#include "stereo/JpegBackgroundEncoder.h"

#include <utility>

TJpegBackgroundEncoder::TJpegBackgroundEncoder(TDone done) : FDone(std::move(done)) {}

TJpegBackgroundEncoder::~TJpegBackgroundEncoder()
{
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FStop = true;
        FWaiting = false;
        FPicture = TSavePicture();
        FStopRunning = true;
    }
    FWake.notify_all();
    if (FThread.joinable())
        FThread.join();
}

quint64 TJpegBackgroundEncoder::Start(const TSavePicture& picture, const TJpegOptions& options)
{
    quint64 ticket;
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        ticket = ++FTicket;
        FPicture = picture;
        FOptions = options;
        FWaiting = true;
        // Whatever runs now is for an older request.
        FStopRunning = true;
        if (!FThread.joinable())
            FThread = std::thread([this] { Run(); });
    }
    FWake.notify_all();
    return ticket;
}

void TJpegBackgroundEncoder::Cancel()
{
    const std::lock_guard<std::mutex> lock(FMutex);
    ++FTicket;
    FWaiting = false;
    FPicture = TSavePicture();
    FStopRunning = true;
}

bool TJpegBackgroundEncoder::Busy() const
{
    const std::lock_guard<std::mutex> lock(FMutex);
    return FWaiting || FRunning != 0;
}

quint64 TJpegBackgroundEncoder::LatestTicket() const
{
    const std::lock_guard<std::mutex> lock(FMutex);
    return FTicket;
}

void TJpegBackgroundEncoder::Run()
{
    for (;;) {
        TSavePicture picture;
        TJpegOptions options;
        TResult result;
        {
            std::unique_lock<std::mutex> lock(FMutex);
            FWake.wait(lock, [this] { return FStop || FWaiting; });
            if (FStop)
                return;
            picture = std::move(FPicture);
            FPicture = TSavePicture();
            options = FOptions;
            result.Ticket = FTicket;
            FRunning = FTicket;
            FWaiting = false;
            FStopRunning = false;
        }
        result.Ok = EncodeSavePicture(picture, options, &result.Data, &result.Error, {}, &FStopRunning);
        // The picture may hold the last reference to a large bitmap.
        picture = TSavePicture();
        bool deliver;
        {
            const std::lock_guard<std::mutex> lock(FMutex);
            FRunning = 0;
            deliver = !FStop && result.Ticket == FTicket;
        }
        if (deliver && FDone)
            FDone(result);
    }
}
