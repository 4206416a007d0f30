#pragma once

// What the fake driver libraries let a test set, and what they count. Each
// fake exports one function that hands out its control record; tests find it
// with dlsym in the library the program itself opened.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <ffnvcodec/nvEncodeAPI.h>

namespace wuvo::fake {

// Misuse the fakes caught: what a real driver would answer with a fault or
// wrong pixels. Tests expect none.
struct Violations {
    std::atomic<int> count{0};
    std::mutex mutex;
    std::string last;

    void Report(const std::string& what)
    {
        std::lock_guard guard(mutex);
        ++count;
        last = what;
    }
};

// The live objects of one kind, handed out as handles that are never used
// twice, so a handle used after its destroy is told from a new object that
// happens to sit at the same address.
template <typename T>
class Handles {
public:
    template <typename Handle>
    Handle Add(std::unique_ptr<T> object)
    {
        std::lock_guard guard(mutex_);
        next_ += kStep;
        live_[next_] = std::move(object);
        return reinterpret_cast<Handle>(next_);
    }
    // Null when the handle is not live.
    T* Find(const void* handle)
    {
        std::lock_guard guard(mutex_);
        auto found = live_.find(reinterpret_cast<uintptr_t>(handle));
        return found == live_.end() ? nullptr : found->second.get();
    }
    // The object, no longer live; null when it was not.
    std::unique_ptr<T> Take(const void* handle)
    {
        std::lock_guard guard(mutex_);
        auto found = live_.find(reinterpret_cast<uintptr_t>(handle));
        if (found == live_.end())
            return nullptr;
        std::unique_ptr<T> object = std::move(found->second);
        live_.erase(found);
        return object;
    }

private:
    static constexpr uintptr_t kStep = 0x10;
    std::mutex mutex_;
    std::map<uintptr_t, std::unique_ptr<T>> live_;
    uintptr_t next_ = 0x10000;
};

struct CudaControl {
    // Settings, read at each call.
    std::atomic<int> initResult{0};
    std::atomic<int> driverVersion{11000};
    std::atomic<int> deviceCount{1};
    std::atomic<int> computeMajor{7};
    std::atomic<bool> failHostAllocation{false};
    std::atomic<int> failCopyAtCall{0};  // the n-th device-to-host copy fails; 0 = none
    // Live objects.
    std::atomic<int> contexts{0};
    std::atomic<int> hostAllocations{0};
    std::atomic<int> copies{0};
    Violations violations;
};

struct CuvidControl {
    // The source applies the edit list as FFmpeg's demuxer does, instead of
    // handing out every sample of the stream.
    std::atomic<bool> applyEditList{false};
    std::atomic<int> failMapAtCall{0};       // the n-th map fails; 0 = none
    std::atomic<int> badPictureIndexAt{0};   // the n-th picture gets an index out of range; 0 = none
    std::atomic<int> sources{0};
    std::atomic<int> parsers{0};
    std::atomic<int> decoders{0};
    std::atomic<int> ctxLocks{0};
    std::atomic<int> mappings{0};
    std::atomic<int> picturesDecoded{0};
    std::atomic<int> maps{0};
    // The last decoder's create record's values the tests look at.
    std::atomic<uint32_t> surfaces{0};
    std::atomic<uint32_t> targetWidth{0};
    std::atomic<uint32_t> targetHeight{0};
    std::atomic<uint32_t> pitch{0};
    Violations violations;
};

struct NvencControl {
    // The NVENC interface the program is built against: major << 4 | minor.
    static constexpr uint32_t kBuiltApiVersion = NVENCAPI_MAJOR_VERSION << 4 | NVENCAPI_MINOR_VERSION;
    // A recent card: more B pictures than the program asks for, and wider
    // frames than a pool slot holds.
    static constexpr int kRecentMaxBFrames = 4;
    static constexpr uint32_t kRecentMaxWidth = 8192;

    // What the card answers for NV_ENC_CAPS_NUM_MAX_BFRAMES: cards before
    // Turing encode HEVC without B pictures.
    std::atomic<int> maxBFrames{kRecentMaxBFrames};
    // The newest NVENC interface the driver knows, as
    // NvEncodeAPIGetMaxSupportedVersion gives it.
    std::atomic<uint32_t> maxApiVersion{kBuiltApiVersion};
    std::atomic<uint32_t> maxWidth{kRecentMaxWidth};  // wider frames are refused
    std::atomic<bool> asyncMode{false};    // report async support and signal events
    std::atomic<bool> withoutHevc{false};
    std::atomic<int> failSubmitAt{0};      // the n-th picture is refused; 0 = none
    std::atomic<int> failLockAt{0};        // the n-th bitstream lock fails; 0 = none
    std::atomic<int> failInputLockAt{0};   // the n-th input-buffer lock fails; 0 = none
    std::atomic<int> locks{0};
    std::atomic<int> inputLocks{0};
    std::atomic<int> sessions{0};
    std::atomic<int> inputBuffers{0};
    std::atomic<int> bitstreamBuffers{0};
    std::atomic<int> registrations{0};
    std::atomic<int> pictures{0};
    std::atomic<int> needMoreInput{0};
    std::atomic<int> parameterSetPictures{0};
    std::atomic<uint32_t> gopLength{0};
    std::atomic<uint32_t> bFrames{0};
    std::atomic<uint32_t> frameRateNum{0};
    std::atomic<uint32_t> frameRateDen{0};
    std::atomic<uint32_t> width{0};
    std::atomic<uint32_t> height{0};
    Violations violations;
};

}  // namespace wuvo::fake

extern "C" {
wuvo::fake::NvencControl* WuvoFakeNvenc();
wuvo::fake::CudaControl* WuvoFakeCuda();
wuvo::fake::CuvidControl* WuvoFakeCuvid();
// Device memory the fake decoder has mapped; copies from elsewhere fail.
void WuvoFakeCudaMapRange(const void* start, size_t bytes);
void WuvoFakeCudaUnmapRange(const void* start);
// Whether a live context is current on the calling thread.
bool WuvoFakeCudaHasCurrentContext();
// An object of another driver that works on the context, which must be
// live; the context must outlive it. False when it is not live.
bool WuvoFakeCudaRetainContext(void* context);
// False when the context was destroyed before its user let go of it.
bool WuvoFakeCudaReleaseContext(void* context);
}
