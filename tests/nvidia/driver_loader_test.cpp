// The loaders against the complete fake driver; the cases that need a fresh
// table or a library without some entry point are in
// driver_loader_variants.cpp.
#include "nv/common/src/driver_loader.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "support/fake_nvidia.h"

using namespace wuvo;
using namespace wuvo::nv;

namespace {

class DriverLoaderTest : public ::testing::Test {
protected:
    // Where the library itself says the name is: an independent reference.
    static void* Exported(const char* library, const char* name)
    {
        void* handle = dlopen(library, RTLD_NOW | RTLD_NOLOAD);
        void* symbol = handle ? dlsym(handle, name) : nullptr;
        if (handle)
            dlclose(handle);
        return symbol;
    }

    static std::string Load(int32_t (*loader)(), int32_t* result)
    {
        testing::internal::CaptureStdout();
        *result = loader();
        return testing::internal::GetCapturedStdout();
    }
};

}  // namespace

TEST_F(DriverLoaderTest, CompleteDriversFillEverySlotWithTheirEntryPoints)
{
    int32_t result = -1;
    EXPECT_EQ(Load(cuInit, &result), "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Load(cuvidInit, &result), "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(CudaEntry(CudaSlot::cuDeviceGet), Exported(kCudaLibrary, "cuDeviceGet"));
    EXPECT_EQ(CudaEntry(CudaSlot::cuLaunchKernel), Exported(kCudaLibrary, "cuLaunchKernel")) << "gated at 4000";
    // Callers use the later forms through the plain slots.
    EXPECT_EQ(CudaEntry(CudaSlot::cuCtxDestroy), Exported(kCudaLibrary, "cuCtxDestroy_v2"));
    EXPECT_EQ(CudaEntry(CudaSlot::cuCtxPopCurrent_v2), Exported(kCudaLibrary, "cuCtxPopCurrent_v2"));
    EXPECT_NE(Exported(kCudaLibrary, "cuCtxDestroy"), Exported(kCudaLibrary, "cuCtxDestroy_v2"));
    EXPECT_EQ(CuvidEntry(CuvidSlot::cuvidMapVideoFrame), Exported(kCuvidLibrary, "cuvidMapVideoFrame64"));
    EXPECT_EQ(CuvidEntry(CuvidSlot::cuvidUnmapVideoFrame), Exported(kCuvidLibrary, "cuvidUnmapVideoFrame64"));
    EXPECT_EQ(CuvidEntry(CuvidSlot::cuvidCtxUnlock), Exported(kCuvidLibrary, "cuvidCtxUnlock"));

    // A second load leaves the same table.
    void* before = CudaEntry(CudaSlot::cuMemcpyDtoH_v2);
    EXPECT_EQ(cuInit(), 0);
    EXPECT_EQ(cuvidInit(), 0);
    EXPECT_EQ(CudaEntry(CudaSlot::cuMemcpyDtoH_v2), before);
    EXPECT_EQ(CuvidEntry(CuvidSlot::cuvidMapVideoFrame), Exported(kCuvidLibrary, "cuvidMapVideoFrame64"));
}
