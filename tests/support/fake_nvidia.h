#pragma once

#include "nvidia/fake/fake_control.h"

// The fake driver libraries the test process loads through its library
// path, as the program does (tests/nvidia/fake).
namespace wuvo::test {

fake::CudaControl& FakeCuda();
fake::CuvidControl& FakeCuvid();
fake::NvencControl& FakeNvenc();

// Puts every setting of the fakes back to a working driver.
void ResetFakeDrivers();
// Fails the calling test when a fake still holds an object the program
// made, or caught a misuse.
void ExpectFakeDriversReleased();

}  // namespace wuvo::test
