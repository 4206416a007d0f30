#include "app/preview/preview_driver.h"

namespace wuvo {

namespace {

// How often a stop repeats its interruption while the work winds down.
constexpr uint32_t kStopPollMs = 5;

}  // namespace

PreviewDriver::PreviewDriver(Work work, Deliver deliver, Interrupt interrupt)
    : work_(std::move(work)), deliver_(std::move(deliver)), interrupt_(std::move(interrupt))
{
}

PreviewDriver::~PreviewDriver()
{
    Stop();
}

uint64_t PreviewDriver::Request(std::u16string path, uint32_t frame)
{
    uint64_t sequence = 0;
    bool replacesWork = false;
    {
        std::lock_guard lock(mutex_);
        sequence = ++lastSequence_;
        // The same frame again (a stamp moved) is what the work makes already.
        replacesWork = working_ && (working_->frame != frame || working_->path != path);
        pending_ = PreviewRequest{sequence, std::move(path), frame};
    }
    if (!worker_.Started() && !worker_.Start([this] { return Run(); })) {
        std::lock_guard lock(mutex_);
        pending_.reset();
        return 0;
    }
    // After the request is pending, so that work which has not yet begun to
    // decode sees it as superseded.
    if (replacesWork)
        interrupt_();
    wake_.notify_one();
    return sequence;
}

void PreviewDriver::Stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        pending_.reset();
    }
    wake_.notify_one();
    while (worker_.Started() && !worker_.Finished()) {
        interrupt_();
        platform::SleepMs(kStopPollMs);
    }
    worker_.Join();
    std::lock_guard lock(mutex_);
    stopping_ = false;
}

std::optional<PreviewRequest> PreviewDriver::TakeNext()
{
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
    if (stopping_)
        return std::nullopt;
    working_ = std::move(pending_);
    pending_.reset();
    return working_;
}

bool PreviewDriver::Superseded()
{
    std::lock_guard lock(mutex_);
    return stopping_ || pending_.has_value();
}

uint32_t PreviewDriver::Run()
{
    const std::function<bool()> superseded = [this] { return Superseded(); };
    while (std::optional<PreviewRequest> request = TakeNext()) {
        PreviewResult result = work_(*request, superseded);
        std::lock_guard lock(mutex_);
        working_.reset();
        if (stopping_)
            break;
        // Delivered under the lock, so that a stop that has begun waits for
        // it and nothing arrives after Stop returns.
        deliver_(std::move(result));
    }
    return 0;
}

}  // namespace wuvo
