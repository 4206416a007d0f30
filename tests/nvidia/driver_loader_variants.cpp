// The loaders against builds of the fake driver that lack a library or an
// entry point. ctest runs each case in a process of its own with the library
// path on the matching build (tests/CMakeLists.txt); the case's name is the
// build's folder.
#include <gtest/gtest.h>

#include "nv/common/src/driver_loader.h"
#include "support/fake_nvidia.h"

using namespace wuvo::nv;

namespace {

std::string LoadCuda(int32_t* result)
{
    testing::internal::CaptureStdout();
    *result = cuInit();
    return testing::internal::GetCapturedStdout();
}

std::string LoadCuvid(int32_t* result)
{
    testing::internal::CaptureStdout();
    *result = cuvidInit();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(LoaderVariants, none)
{
    int32_t result = 0;
    EXPECT_EQ(LoadCuvid(&result), "LoadLibrary \"libnvcuvid.so.1\" failed!\n");
    EXPECT_EQ(result, kLoadFailed);
    EXPECT_EQ(LoadCuda(&result), "LoadLibrary \"libcuda.so.1\" failed!\n");
    EXPECT_EQ(result, kLoadFailed);
    EXPECT_EQ(CudaEntry(CudaSlot::cuInit), nullptr);
    EXPECT_EQ(CuvidEntry(CuvidSlot::cuvidMapVideoFrame), nullptr);
    // A caller that goes on regardless never calls through the empty slot.
    int count = 7;
    EXPECT_EQ(WUVO_CUDA(cuDeviceGetCount, &count), kEmptySlotResult);
    EXPECT_EQ(count, 7);
}

TEST(LoaderVariants, no_driver_version)
{
    int32_t result = -1;
    std::string printed = LoadCuda(&result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(printed, "Failed to find required function \"cuDriverGetVersion\" in libcuda.so.1\n")
        << "taken as version 1000: the gated groups are not looked up, so nothing else is missing";
    EXPECT_NE(CudaEntry(CudaSlot::cuTexRefGetAddress_v2), nullptr) << "the last ungated name";
    EXPECT_EQ(CudaEntry(CudaSlot::cuModuleLoadDataEx), nullptr) << "gated at 2010";
}

TEST(LoaderVariants, no_ctx_destroy_v2)
{
    int32_t result = -1;
    std::string printed = LoadCuda(&result);
    EXPECT_EQ(result, 0) << "a missing entry point does not fail the load";
    EXPECT_EQ(printed, "Failed to find required function \"cuCtxDestroy_v2\" in libcuda.so.1\n");
    EXPECT_EQ(CudaEntry(CudaSlot::cuCtxDestroy), nullptr) << "the plain form found first is not kept";
    EXPECT_NE(CudaEntry(CudaSlot::cuCtxPopCurrent), nullptr);
    EXPECT_EQ(WUVO_CUDA(cuCtxDestroy_v2, nullptr), kEmptySlotResult);
}

TEST(LoaderVariants, no_ctx_unlock)
{
    int32_t result = 0;
    EXPECT_EQ(LoadCuvid(&result), "Failed to find required function \"cuvidCtxUnlock\" in libnvcuvid.so.1\n");
    EXPECT_EQ(result, kLoadFailed);
    EXPECT_EQ(CuvidEntry(CuvidSlot::cuvidCtxUnlock), nullptr);
    for (auto slot : {CuvidSlot::cuvidCreateVideoSource, CuvidSlot::cuvidCtxLock, CuvidSlot::cuvidMapVideoFrame64,
                      CuvidSlot::cuvidMapVideoFrame, CuvidSlot::cuvidUnmapVideoFrame})
        EXPECT_NE(CuvidEntry(slot), nullptr) << static_cast<int>(slot);
}

// The complete fake, loaded first with settings that make it fail or report
// an old version, so that every slot starts empty.
TEST(LoaderVariants, full)
{
    wuvo::test::FakeCuda().initResult = 100;
    int32_t result = 0;
    EXPECT_EQ(LoadCuda(&result), "");
    EXPECT_EQ(result, 100) << "the driver's own failure";
    EXPECT_NE(CudaEntry(CudaSlot::cuInit), nullptr);
    EXPECT_EQ(CudaEntry(CudaSlot::cuDeviceGet), nullptr) << "nothing after cuInit is looked up";

    wuvo::test::FakeCuda().initResult = 0;
    wuvo::test::FakeCuda().driverVersion = 3020;
    EXPECT_EQ(LoadCuda(&result), "");
    EXPECT_EQ(result, 0);
    EXPECT_NE(CudaEntry(CudaSlot::cuDeviceGet), nullptr);
    EXPECT_NE(CudaEntry(CudaSlot::cuModuleLoadFatBinary), nullptr);  // 2010
    EXPECT_NE(CudaEntry(CudaSlot::cuMemHostGetFlags), nullptr);      // 2030
    EXPECT_NE(CudaEntry(CudaSlot::cuGetExportTable), nullptr);       // 3000
    EXPECT_NE(CudaEntry(CudaSlot::cuCtxGetLimit), nullptr);          // 3010
    EXPECT_EQ(CudaEntry(CudaSlot::cuLaunchKernel), nullptr);         // 4000
    EXPECT_EQ(CudaEntry(CudaSlot::cuCtxSetCurrent), nullptr);

    wuvo::test::FakeCuda().driverVersion = 11000;
    EXPECT_EQ(cuInit(), 0);
    EXPECT_NE(CudaEntry(CudaSlot::cuLaunchKernel), nullptr);
}
