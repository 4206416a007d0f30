// A CUDA driver without a GPU: "device" memory is host memory, and every
// object the program makes is counted so tests can see it released. Like a
// real driver it answers a context that is not live, or memory calls with no
// context current, with CUDA_ERROR_INVALID_CONTEXT; each such misuse counts.
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "nv/common/src/nvidia_api.h"
#include "nvidia/fake/fake_control.h"

using wuvo::fake::CudaControl;
using wuvo::fake::Handles;

namespace {

constexpr CUresult kInvalidValue = static_cast<CUresult>(1);
constexpr CUresult kInvalidContext = static_cast<CUresult>(201);
constexpr CUresult kInvalidDevice = static_cast<CUresult>(101);
constexpr CUresult kOutOfMemory = static_cast<CUresult>(2);
constexpr CUresult kNoDevice = static_cast<CUresult>(100);

CudaControl gControl;
thread_local std::vector<CUcontext> tCurrent;

struct Context {
    CUdevice device = 0;
    std::atomic<int> users{0};  // other drivers' objects on it
};

Handles<Context> gContexts;
std::mutex gMutex;
std::map<const void*, size_t> gMappedRanges;
std::set<void*> gHostAllocations;

CUresult Misuse(const std::string& what, CUresult answer)
{
    gControl.violations.Report(what);
    return answer;
}

bool HasCurrentContext()
{
    return !tCurrent.empty() && gContexts.Find(tCurrent.back());
}

bool IsMapped(const void* start, size_t bytes)
{
    std::lock_guard guard(gMutex);
    auto after = gMappedRanges.upper_bound(start);
    if (after == gMappedRanges.begin())
        return false;
    auto range = std::prev(after);
    auto begin = static_cast<const uint8_t*>(range->first);
    auto first = static_cast<const uint8_t*>(start);
    return first >= begin && first + bytes <= begin + range->second;
}

}  // namespace

extern "C" {

CudaControl* WuvoFakeCuda() { return &gControl; }

void WuvoFakeCudaMapRange(const void* start, size_t bytes)
{
    std::lock_guard guard(gMutex);
    gMappedRanges[start] = bytes;
}

void WuvoFakeCudaUnmapRange(const void* start)
{
    std::lock_guard guard(gMutex);
    gMappedRanges.erase(start);
}

CUresult cuInit(unsigned int flags)
{
    if (flags != 0)
        gControl.violations.Report("cuInit flags");
    return static_cast<CUresult>(gControl.initResult.load());
}

CUresult cuDriverGetVersion(int* version)
{
    *version = gControl.driverVersion.load();
    return CUDA_SUCCESS;
}

CUresult cuDeviceGetCount(int* count)
{
    *count = gControl.deviceCount.load();
    return CUDA_SUCCESS;
}

CUresult cuDeviceGet(CUdevice* device, int ordinal)
{
    if (ordinal < 0 || ordinal >= gControl.deviceCount.load())
        return gControl.deviceCount.load() == 0 ? kNoDevice : kInvalidDevice;
    *device = ordinal;
    return CUDA_SUCCESS;
}

CUresult cuDeviceGetName(char* name, int length, CUdevice device)
{
    if (device < 0 || device >= gControl.deviceCount.load())
        return kInvalidDevice;
    std::snprintf(name, static_cast<size_t>(length), "Fake GPU %d", device);
    return CUDA_SUCCESS;
}

CUresult cuDeviceComputeCapability(int* major, int* minor, CUdevice device)
{
    if (device < 0 || device >= gControl.deviceCount.load())
        return kInvalidDevice;
    *major = gControl.computeMajor.load();
    *minor = 5;
    return CUDA_SUCCESS;
}

CUresult cuCtxCreate_v2(CUcontext* context, unsigned int flags, CUdevice device)
{
    if (flags != 0)
        gControl.violations.Report("cuCtxCreate flags");
    if (device < 0 || device >= gControl.deviceCount.load())
        return kInvalidDevice;
    auto created = std::make_unique<Context>();
    created->device = device;
    *context = gContexts.Add<CUcontext>(std::move(created));
    tCurrent.push_back(*context);
    ++gControl.contexts;
    return CUDA_SUCCESS;
}

CUresult cuCtxPopCurrent_v2(CUcontext* context)
{
    if (tCurrent.empty())
        return kInvalidContext;
    if (context)
        *context = tCurrent.back();
    tCurrent.pop_back();
    return CUDA_SUCCESS;
}

CUresult cuCtxPushCurrent_v2(CUcontext context)
{
    if (!gContexts.Find(context))
        return Misuse("push of a context that is not live", kInvalidContext);
    tCurrent.push_back(context);
    return CUDA_SUCCESS;
}

CUresult cuCtxDestroy_v2(CUcontext context)
{
    std::unique_ptr<Context> destroyed = gContexts.Take(context);
    if (!destroyed)
        return Misuse("destroy of a context that is not live", kInvalidContext);
    if (destroyed->users != 0)
        gControl.violations.Report("context destroyed while a decoder, lock or encoder still works on it");
    std::erase(tCurrent, context);
    --gControl.contexts;
    return CUDA_SUCCESS;
}

bool WuvoFakeCudaHasCurrentContext()
{
    return HasCurrentContext();
}

bool WuvoFakeCudaRetainContext(void* handle)
{
    Context* context = gContexts.Find(handle);
    if (context)
        ++context->users;
    return context != nullptr;
}

bool WuvoFakeCudaReleaseContext(void* handle)
{
    Context* context = gContexts.Find(handle);
    if (context)
        --context->users;
    return context != nullptr;
}

CUresult cuMemAllocHost_v2(void** pointer, size_t bytes)
{
    if (!HasCurrentContext())
        return Misuse("host allocation without a current context", kInvalidContext);
    if (gControl.failHostAllocation.load() || bytes == 0)
        return kOutOfMemory;
    *pointer = ::operator new(bytes);
    std::lock_guard guard(gMutex);
    gHostAllocations.insert(*pointer);
    ++gControl.hostAllocations;
    return CUDA_SUCCESS;
}

CUresult cuMemFreeHost(void* pointer)
{
    if (!HasCurrentContext())
        return Misuse("host free without a current context", kInvalidContext);
    std::lock_guard guard(gMutex);
    if (!gHostAllocations.erase(pointer))
        return Misuse("free of host memory that is not allocated", kInvalidValue);
    ::operator delete(pointer);
    --gControl.hostAllocations;
    return CUDA_SUCCESS;
}

CUresult cuMemcpyDtoH_v2(void* host, CUdeviceptr device, size_t bytes)
{
    if (!HasCurrentContext())
        return Misuse("copy without a current context", kInvalidContext);
    int call = ++gControl.copies;
    if (call == gControl.failCopyAtCall.load())
        return kInvalidValue;
    const void* source = reinterpret_cast<const void*>(device);
    if (!IsMapped(source, bytes)) {
        gControl.violations.Report("copy from memory that is not mapped");
        return kInvalidValue;
    }
    std::memcpy(host, source, bytes);
    return CUDA_SUCCESS;
}

}  // extern "C"
