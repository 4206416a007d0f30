// Every CUDA entry point the loader looks up, so that a load of the fake
// finds them all. The ones the program calls are defined for real in
// fake_cuda.cpp and take the place of these.
#include "nv/common/src/cuda_entry_points.h"

namespace {
constexpr int kNotSupported = 801;
}  // namespace

#define WUVO_FAKE_STUB(name, ...) \
    extern "C" __attribute__((weak)) int name() { return kNotSupported; }
WUVO_CUDA_ENTRY_POINTS(WUVO_FAKE_STUB, WUVO_FAKE_STUB)
