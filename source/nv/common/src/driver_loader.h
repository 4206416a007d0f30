#pragma once

#include <cstdint>

#include "nv/common/src/cuda_entry_points.h"
#include "nv/common/src/cuvid_entry_points.h"
#include "nv/common/src/nvidia_api.h"

namespace wuvo::nv {

// The driver libraries, opened by file name through the library path.
inline constexpr char kCudaLibrary[] = "libcuda.so.1";
inline constexpr char kCuvidLibrary[] = "libnvcuvid.so.1";

// A loader's result when a library or a required entry point is missing.
constexpr int32_t kLoadFailed = 999;
// What a call through an empty slot gives: it failed, as the driver would say.
constexpr CUresult kEmptySlotResult = CUDA_ERROR_UNKNOWN;

#define WUVO_SLOT(name, ...) name,
#define WUVO_NO_SLOT(...)
#define WUVO_ALIAS_SLOT(name, plain, gate) name = plain,

// One slot per CUDA entry point; the later `_v2` forms name their plain
// form's slot.
enum class CudaSlot : uint16_t {
    WUVO_CUDA_ENTRY_POINTS(WUVO_SLOT, WUVO_NO_SLOT)
    kCount,
    WUVO_CUDA_ENTRY_POINTS(WUVO_NO_SLOT, WUVO_ALIAS_SLOT)
};

// One slot per NVCUVID entry point, and the two plain slots through which
// callers map and unmap: the loader fills them with the 64-bit forms.
enum class CuvidSlot : uint16_t {
    WUVO_CUVID_ENTRY_POINTS(WUVO_SLOT)
    cuvidMapVideoFrame,
    cuvidUnmapVideoFrame,
    kCount
};

#undef WUVO_SLOT
#undef WUVO_NO_SLOT
#undef WUVO_ALIAS_SLOT

// Opens the CUDA driver, has it initialised and fills the CUDA slots its
// version offers. 0 (also when some entry points are missing), 999 without
// the library or its cuInit, else the driver's own failure.
int32_t cuInit();
// Opens NVCUVID and fills its slots. 0, or 999 without the library or any
// entry point.
int32_t cuvidInit();

// A slot's entry point; null until a load found it.
void* CudaEntry(CudaSlot slot);
void* CuvidEntry(CuvidSlot slot);

// Calls through a slot; an empty slot counts as a failed call.
template <typename Fn, typename... Args>
CUresult CallSlot(void* entry, Args... args)
{
    auto* function = reinterpret_cast<Fn*>(entry);
    return function ? function(args...) : kEmptySlotResult;
}

}  // namespace wuvo::nv

// Calls a CUDA or NVCUVID entry point by its name through the table.
#define WUVO_CUDA(name, ...) ::wuvo::nv::CallSlot<t##name>(::wuvo::nv::CudaEntry(::wuvo::nv::CudaSlot::name), __VA_ARGS__)
#define WUVO_CUVID(name, ...) \
    ::wuvo::nv::CallSlot<t##name>(::wuvo::nv::CuvidEntry(::wuvo::nv::CuvidSlot::name), __VA_ARGS__)
