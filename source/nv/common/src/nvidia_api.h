#pragma once

// NVIDIA's published CUDA driver and NVCUVID interfaces, as Debian's
// libffmpeg-nvenc-dev carries them, plus the few driver entry points that
// those headers do not declare.
#include <ffnvcodec/dynlink_cuda.h>
#include <ffnvcodec/dynlink_cuviddec.h>
#include <ffnvcodec/dynlink_nvcuvid.h>

typedef CUresult CUDAAPI tcuDriverGetVersion(int* driverVersion);
typedef CUresult CUDAAPI tcuMemAllocHost_v2(void** pointer, size_t bytes);
typedef CUresult CUDAAPI tcuMemFreeHost(void* pointer);
