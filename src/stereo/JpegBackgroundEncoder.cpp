#include "stereo/JpegBackgroundEncoder.h"

#include <utility>

TJpegBackgroundEncoder::TJpegBackgroundEncoder(TDone done) : FDone(std::move(done)) {}

TJpegBackgroundEncoder::~TJpegBackgroundEncoder()
{
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FStop = true;
        FWaiting = false;
        FImage = QImage();
        FStopRunning = true;
    }
    FWake.notify_all();
    if (FThread.joinable())
        FThread.join();
}

quint64 TJpegBackgroundEncoder::Start(const QImage& image, const TJpegOptions& options)
{
    quint64 ticket;
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        ticket = ++FTicket;
        FImage = image;
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
    FImage = QImage();
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
        QImage image;
        TJpegOptions options;
        TResult result;
        {
            std::unique_lock<std::mutex> lock(FMutex);
            FWake.wait(lock, [this] { return FStop || FWaiting; });
            if (FStop)
                return;
            image = std::move(FImage);
            FImage = QImage();
            options = FOptions;
            result.Ticket = FTicket;
            FRunning = FTicket;
            FWaiting = false;
            FStopRunning = false;
        }
        result.Ok = EncodeJpeg(image, options, &result.Data, &result.Error, {}, &FStopRunning);
        // The picture may be the last reference to a large bitmap.
        image = QImage();
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
