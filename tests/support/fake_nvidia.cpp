#include "support/fake_nvidia.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace wuvo::test {

namespace {

// Opened by the same file name the program opens, so it is the same copy;
// kept open for the whole run.
template <typename Control>
Control& ControlOf(const char* library, const char* accessor)
{
    void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "%s: %s (is the library path on the fakes?)\n", library, dlerror());
        std::abort();
    }
    auto* get = reinterpret_cast<Control* (*)()>(dlsym(handle, accessor));
    if (!get)
        std::abort();
    return *get();
}

}  // namespace

fake::CudaControl& FakeCuda()
{
    static fake::CudaControl& control = ControlOf<fake::CudaControl>("libcuda.so.1", "WuvoFakeCuda");
    return control;
}

fake::CuvidControl& FakeCuvid()
{
    static fake::CuvidControl& control = ControlOf<fake::CuvidControl>("libnvcuvid.so.1", "WuvoFakeCuvid");
    return control;
}

fake::NvencControl& FakeNvenc()
{
    static fake::NvencControl& control = ControlOf<fake::NvencControl>("libnvidia-encode.so.1", "WuvoFakeNvenc");
    return control;
}

void ResetFakeDrivers()
{
    fake::CudaControl& cuda = FakeCuda();
    cuda.initResult = 0;
    cuda.driverVersion = 11000;
    cuda.deviceCount = 1;
    cuda.computeMajor = 7;
    cuda.failHostAllocation = false;
    cuda.failCopyAtCall = 0;
    cuda.copies = 0;
    fake::CuvidControl& cuvid = FakeCuvid();
    cuvid.failMapAtCall = 0;
    cuvid.badPictureIndexAt = 0;
    cuvid.applyEditList = false;
    cuvid.maps = 0;
    cuvid.picturesDecoded = 0;
    fake::NvencControl& nvenc = FakeNvenc();
    nvenc.maxBFrames = fake::NvencControl::kRecentMaxBFrames;
    nvenc.maxApiVersion = fake::NvencControl::kBuiltApiVersion;
    nvenc.maxWidth = fake::NvencControl::kRecentMaxWidth;
    nvenc.asyncMode = false;
    nvenc.withoutHevc = false;
    nvenc.failSubmitAt = 0;
    nvenc.failLockAt = 0;
    nvenc.failInputLockAt = 0;
    nvenc.locks = 0;
    nvenc.inputLocks = 0;
    nvenc.pictures = 0;
    nvenc.needMoreInput = 0;
    nvenc.parameterSetPictures = 0;
}

void ExpectFakeDriversReleased()
{
    fake::CudaControl& cuda = FakeCuda();
    EXPECT_EQ(cuda.contexts.load(), 0);
    EXPECT_EQ(cuda.hostAllocations.load(), 0);
    EXPECT_EQ(cuda.violations.count.load(), 0) << cuda.violations.last;
    fake::CuvidControl& cuvid = FakeCuvid();
    EXPECT_EQ(cuvid.sources.load(), 0);
    EXPECT_EQ(cuvid.parsers.load(), 0);
    EXPECT_EQ(cuvid.decoders.load(), 0);
    EXPECT_EQ(cuvid.ctxLocks.load(), 0);
    EXPECT_EQ(cuvid.mappings.load(), 0);
    EXPECT_EQ(cuvid.violations.count.load(), 0) << cuvid.violations.last;
    fake::NvencControl& nvenc = FakeNvenc();
    EXPECT_EQ(nvenc.sessions.load(), 0);
    EXPECT_EQ(nvenc.inputBuffers.load(), 0);
    EXPECT_EQ(nvenc.bitstreamBuffers.load(), 0);
    EXPECT_EQ(nvenc.registrations.load(), 0);
    EXPECT_EQ(nvenc.violations.count.load(), 0) << nvenc.violations.last;
}

}  // namespace wuvo::test
