#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/preview/preview_picture.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

// One frame the preview wants shown; each request gets a larger sequence
// number than the one before.
struct PreviewRequest {
    uint64_t sequence = 0;
    std::u16string path;
    uint32_t frame = 0;
};

enum class PreviewOutcome {
    Converted,   // `picture` holds the stamped frame
    NotDecoded,  // the decode gave no such frame; nothing new to show
    TooLarge,    // the frame does not fit the preview; width and height say why
    Dropped,     // a newer request or a stop came first
};

struct PreviewResult {
    uint64_t sequence = 0;
    PreviewOutcome outcome = PreviewOutcome::NotDecoded;
    uint32_t frame = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool portrait = false;
    std::shared_ptr<const RgbPicture> picture;
};

// The preview's one frame driver: a worker that takes requests by value,
// keeps only the newest one not yet started and hands every result to
// `deliver` on its own thread. A request for another frame or file
// interrupts the work under way, which a newer request makes worthless.
// Request and Stop belong to one thread (the user interface's); the worker
// starts with the first request after a stop.
class PreviewDriver {
public:
    // `superseded` tells the work that its result will not be wanted.
    using Work = std::function<PreviewResult(const PreviewRequest&, const std::function<bool()>& superseded)>;
    using Deliver = std::function<void(PreviewResult)>;
    // Asks running work to end early; called repeatedly while a stop waits,
    // and once by a request that replaces it.
    using Interrupt = std::function<void()>;

    PreviewDriver(Work work, Deliver deliver, Interrupt interrupt);
    ~PreviewDriver();
    PreviewDriver(const PreviewDriver&) = delete;
    PreviewDriver& operator=(const PreviewDriver&) = delete;

    // The request's sequence number; 0 when the worker cannot be started.
    uint64_t Request(std::u16string path, uint32_t frame);
    // Drops what waits, interrupts what runs and joins the worker; nothing is
    // delivered after it returns.
    void Stop();

private:
    uint32_t Run();
    std::optional<PreviewRequest> TakeNext();
    bool Superseded();

    Work work_;
    Deliver deliver_;
    Interrupt interrupt_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<PreviewRequest> pending_;
    // The request the work is under way for.
    std::optional<PreviewRequest> working_;
    uint64_t lastSequence_ = 0;
    bool stopping_ = false;
    platform::WorkerThread worker_;
};

}  // namespace wuvo
