#pragma once

// The CUDA driver's entry points in the order the loader looks them up, each
// with the lowest driver version that has it (0: every version).
// ENTRY(name, gate) has a slot of its own; SHARED(name, plain, gate) is the
// later form of `plain` and is stored in plain's slot, so callers get it.
#define WUVO_CUDA_ENTRY_POINTS(ENTRY, SHARED) \
    ENTRY(cuInit, 0) \
    ENTRY(cuDriverGetVersion, 0) \
    ENTRY(cuDeviceGet, 0) \
    ENTRY(cuDeviceGetCount, 0) \
    ENTRY(cuDeviceGetName, 0) \
    ENTRY(cuDeviceComputeCapability, 0) \
    ENTRY(cuDeviceGetProperties, 0) \
    ENTRY(cuDeviceGetAttribute, 0) \
    ENTRY(cuCtxDestroy, 0) \
    ENTRY(cuCtxAttach, 0) \
    ENTRY(cuCtxDetach, 0) \
    ENTRY(cuCtxPushCurrent, 0) \
    ENTRY(cuCtxPopCurrent, 0) \
    ENTRY(cuCtxGetDevice, 0) \
    ENTRY(cuCtxSynchronize, 0) \
    ENTRY(cuModuleLoad, 0) \
    ENTRY(cuModuleLoadData, 0) \
    ENTRY(cuModuleUnload, 0) \
    ENTRY(cuModuleGetFunction, 0) \
    ENTRY(cuModuleGetTexRef, 0) \
    ENTRY(cuMemFreeHost, 0) \
    ENTRY(cuMemHostAlloc, 0) \
    ENTRY(cuFuncSetBlockShape, 0) \
    ENTRY(cuFuncSetSharedSize, 0) \
    ENTRY(cuFuncGetAttribute, 0) \
    ENTRY(cuArrayDestroy, 0) \
    ENTRY(cuTexRefCreate, 0) \
    ENTRY(cuTexRefDestroy, 0) \
    ENTRY(cuTexRefSetArray, 0) \
    ENTRY(cuTexRefSetFormat, 0) \
    ENTRY(cuTexRefSetAddressMode, 0) \
    ENTRY(cuTexRefSetFilterMode, 0) \
    ENTRY(cuTexRefSetFlags, 0) \
    ENTRY(cuTexRefGetArray, 0) \
    ENTRY(cuTexRefGetAddressMode, 0) \
    ENTRY(cuTexRefGetFilterMode, 0) \
    ENTRY(cuTexRefGetFormat, 0) \
    ENTRY(cuTexRefGetFlags, 0) \
    ENTRY(cuParamSetSize, 0) \
    ENTRY(cuParamSeti, 0) \
    ENTRY(cuParamSetf, 0) \
    ENTRY(cuParamSetv, 0) \
    ENTRY(cuParamSetTexRef, 0) \
    ENTRY(cuLaunch, 0) \
    ENTRY(cuLaunchGrid, 0) \
    ENTRY(cuLaunchGridAsync, 0) \
    ENTRY(cuEventCreate, 0) \
    ENTRY(cuEventRecord, 0) \
    ENTRY(cuEventQuery, 0) \
    ENTRY(cuEventSynchronize, 0) \
    ENTRY(cuEventDestroy, 0) \
    ENTRY(cuEventElapsedTime, 0) \
    ENTRY(cuStreamCreate, 0) \
    ENTRY(cuStreamQuery, 0) \
    ENTRY(cuStreamSynchronize, 0) \
    ENTRY(cuStreamDestroy, 0) \
    SHARED(cuCtxDestroy_v2, cuCtxDestroy, 0) \
    SHARED(cuCtxPopCurrent_v2, cuCtxPopCurrent, 0) \
    SHARED(cuCtxPushCurrent_v2, cuCtxPushCurrent, 0) \
    SHARED(cuStreamDestroy_v2, cuStreamDestroy, 0) \
    SHARED(cuEventDestroy_v2, cuEventDestroy, 0) \
    ENTRY(cuDeviceTotalMem_v2, 0) \
    ENTRY(cuCtxCreate_v2, 0) \
    ENTRY(cuModuleGetGlobal_v2, 0) \
    ENTRY(cuMemGetInfo_v2, 0) \
    ENTRY(cuMemAlloc_v2, 0) \
    ENTRY(cuMemAllocPitch_v2, 0) \
    ENTRY(cuMemFree_v2, 0) \
    ENTRY(cuMemGetAddressRange_v2, 0) \
    ENTRY(cuMemAllocHost_v2, 0) \
    ENTRY(cuMemHostGetDevicePointer_v2, 0) \
    ENTRY(cuMemcpyHtoD_v2, 0) \
    ENTRY(cuMemcpyDtoH_v2, 0) \
    ENTRY(cuMemcpyDtoD_v2, 0) \
    ENTRY(cuMemcpyDtoA_v2, 0) \
    ENTRY(cuMemcpyAtoD_v2, 0) \
    ENTRY(cuMemcpyHtoA_v2, 0) \
    ENTRY(cuMemcpyAtoH_v2, 0) \
    ENTRY(cuMemcpyAtoA_v2, 0) \
    ENTRY(cuMemcpy2D_v2, 0) \
    ENTRY(cuMemcpy2DUnaligned_v2, 0) \
    ENTRY(cuMemcpy3D_v2, 0) \
    ENTRY(cuMemcpyHtoDAsync_v2, 0) \
    ENTRY(cuMemcpyDtoHAsync_v2, 0) \
    ENTRY(cuMemcpyHtoAAsync_v2, 0) \
    ENTRY(cuMemcpyAtoHAsync_v2, 0) \
    ENTRY(cuMemcpy2DAsync_v2, 0) \
    ENTRY(cuMemcpy3DAsync_v2, 0) \
    ENTRY(cuMemsetD8_v2, 0) \
    ENTRY(cuMemsetD16_v2, 0) \
    ENTRY(cuMemsetD32_v2, 0) \
    ENTRY(cuMemsetD2D8_v2, 0) \
    ENTRY(cuMemsetD2D16_v2, 0) \
    ENTRY(cuMemsetD2D32_v2, 0) \
    ENTRY(cuArrayCreate_v2, 0) \
    ENTRY(cuArrayGetDescriptor_v2, 0) \
    ENTRY(cuArray3DCreate_v2, 0) \
    ENTRY(cuArray3DGetDescriptor_v2, 0) \
    ENTRY(cuTexRefSetAddress_v2, 0) \
    ENTRY(cuTexRefSetAddress2D_v2, 0) \
    ENTRY(cuTexRefGetAddress_v2, 0) \
    ENTRY(cuModuleLoadDataEx, 2010) \
    ENTRY(cuModuleLoadFatBinary, 2010) \
    ENTRY(cuMemHostGetFlags, 2030) \
    ENTRY(cuMemcpyDtoDAsync, 3000) \
    ENTRY(cuFuncSetCacheConfig, 3000) \
    ENTRY(cuGraphicsUnregisterResource, 3000) \
    ENTRY(cuGraphicsSubResourceGetMappedArray, 3000) \
    ENTRY(cuGraphicsResourceGetMappedPointer_v2, 3000) \
    ENTRY(cuGraphicsResourceSetMapFlags, 3000) \
    ENTRY(cuGraphicsMapResources, 3000) \
    ENTRY(cuGraphicsUnmapResources, 3000) \
    ENTRY(cuGetExportTable, 3000) \
    ENTRY(cuModuleGetSurfRef, 3010) \
    ENTRY(cuSurfRefSetArray, 3010) \
    ENTRY(cuSurfRefGetArray, 3010) \
    ENTRY(cuCtxSetLimit, 3010) \
    ENTRY(cuCtxGetLimit, 3010) \
    ENTRY(cuCtxSetCurrent, 4000) \
    ENTRY(cuCtxGetCurrent, 4000) \
    ENTRY(cuMemHostRegister, 4000) \
    ENTRY(cuMemHostUnregister, 4000) \
    ENTRY(cuMemcpy, 4000) \
    ENTRY(cuMemcpyPeer, 4000) \
    ENTRY(cuLaunchKernel, 4000)
