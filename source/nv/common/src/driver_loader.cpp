#include "nv/common/src/driver_loader.h"

#include <array>
#include <atomic>
#include <cstdio>

#include "platform/nvidia/dynamic_library.h"

namespace wuvo::nv {

namespace {

// The version a driver is taken to have when it does not say.
constexpr int kDefaultDriverVersion = 1000;

struct EntryName {
    const char* name;
    uint16_t slot;
    int gate;  // lowest driver version that has it
};

#define WUVO_CUDA_NAME(name, gate) {#name, static_cast<uint16_t>(CudaSlot::name), gate},
#define WUVO_SHARED_NAME(name, plain, gate) {#name, static_cast<uint16_t>(CudaSlot::plain), gate},
constexpr EntryName kCudaNames[] = {WUVO_CUDA_ENTRY_POINTS(WUVO_CUDA_NAME, WUVO_SHARED_NAME)};
#undef WUVO_CUDA_NAME
#undef WUVO_SHARED_NAME

#define WUVO_CUVID_NAME(name) {#name, static_cast<uint16_t>(CuvidSlot::name), 0},
constexpr EntryName kCuvidNames[] = {WUVO_CUVID_ENTRY_POINTS(WUVO_CUVID_NAME)};
#undef WUVO_CUVID_NAME

constexpr size_t kCudaSlotCount = static_cast<size_t>(CudaSlot::kCount);
constexpr size_t kCuvidSlotCount = static_cast<size_t>(CuvidSlot::kCount);

// Process-wide. Another thread may call through a slot while a load runs,
// so a load stores each slot once, with its final value.
std::array<std::atomic<void*>, kCudaSlotCount> gCudaSlots{};
std::array<std::atomic<void*>, kCuvidSlotCount> gCuvidSlots{};

// One load's lookups, kept aside until it publishes them.
template <size_t Count>
class LoadRun {
public:
    LoadRun(void* library, const char* fileName) : library_(library), fileName_(fileName) {}

    // Looks `entry` up into its slot; false, with the message, when missing.
    bool LookUp(const EntryName& entry)
    {
        void* found = platform::LookUpSymbol(library_, entry.name);
        Set(entry.slot, found);
        if (!found)
            std::printf("Failed to find required function \"%s\" in %s\n", entry.name, fileName_);
        return found != nullptr;
    }
    void Set(uint16_t slot, void* value)
    {
        values_[slot] = value;
        written_[slot] = true;
    }
    void* Value(uint16_t slot) const { return values_[slot]; }

    // Slots this load did not look up keep what an earlier load put there.
    void Publish(std::array<std::atomic<void*>, Count>& slots) const
    {
        for (size_t i = 0; i < Count; ++i)
            if (written_[i])
                slots[i].store(values_[i]);
    }

private:
    void* library_;
    const char* fileName_;
    std::array<void*, Count> values_{};
    std::array<bool, Count> written_{};
};

void* OpenDriverLibrary(const char* fileName)
{
    void* library = platform::OpenLibrary(fileName);
    if (!library)
        std::printf("LoadLibrary \"%s\" failed!\n", fileName);
    return library;
}

uint16_t SlotOf(CudaSlot slot) { return static_cast<uint16_t>(slot); }
uint16_t SlotOf(CuvidSlot slot) { return static_cast<uint16_t>(slot); }

// Initialises the driver and reads its version; the driver's failure, else 0.
int32_t StartDriver(LoadRun<kCudaSlotCount>& run, void* library, int& version)
{
    EntryName init{"cuInit", SlotOf(CudaSlot::cuInit), 0};
    if (!run.LookUp(init))
        return kLoadFailed;
    auto* initialise = reinterpret_cast<tcuInit*>(run.Value(init.slot));
    if (CUresult result = initialise(0); result != CUDA_SUCCESS)
        return result;
    // Optional: an old driver without it is taken to be version 1000.
    auto* getVersion = reinterpret_cast<tcuDriverGetVersion*>(platform::LookUpSymbol(library, "cuDriverGetVersion"));
    if (getVersion) {
        if (CUresult result = getVersion(&version); result != CUDA_SUCCESS)
            return result;
    }
    return CUDA_SUCCESS;
}

}  // namespace

int32_t cuInit()
{
    int version = kDefaultDriverVersion;
    void* library = OpenDriverLibrary(kCudaLibrary);
    if (!library)
        return kLoadFailed;
    LoadRun<kCudaSlotCount> run(library, kCudaLibrary);
    int32_t started = StartDriver(run, library, version);
    if (started == CUDA_SUCCESS) {
        // A missing name leaves its slot empty; callers treat that as a failed call.
        for (const EntryName& entry : kCudaNames)
            if (version >= entry.gate)
                run.LookUp(entry);
    }
    run.Publish(gCudaSlots);
    return started;
}

int32_t cuvidInit()
{
    void* library = OpenDriverLibrary(kCuvidLibrary);
    if (!library)
        return kLoadFailed;
    LoadRun<kCuvidSlotCount> run(library, kCuvidLibrary);
    int32_t result = 0;
    for (const EntryName& entry : kCuvidNames) {
        if (!run.LookUp(entry)) {
            result = kLoadFailed;
            break;
        }
        if (entry.slot == SlotOf(CuvidSlot::cuvidUnmapVideoFrame64)) {
            run.Set(SlotOf(CuvidSlot::cuvidMapVideoFrame), run.Value(SlotOf(CuvidSlot::cuvidMapVideoFrame64)));
            run.Set(SlotOf(CuvidSlot::cuvidUnmapVideoFrame), run.Value(entry.slot));
        }
    }
    run.Publish(gCuvidSlots);
    return result;
}

void* CudaEntry(CudaSlot slot)
{
    return gCudaSlots[SlotOf(slot)].load();
}

void* CuvidEntry(CuvidSlot slot)
{
    return gCuvidSlots[SlotOf(slot)].load();
}

}  // namespace wuvo::nv
