#pragma once

#include <cstdint>
#include <string>

namespace wuvo::platform {

constexpr const char* kHevcEncoderName = "libx265";
// FFmpeg's own AAC encoder: always built in, unlike the external ones.
constexpr const char* kAacEncoderName = "aac";

// On real phone clips (720p to 1080p) at the default 25 Mbit/s, veryfast
// is on average about 0.4 dB below medium, which does not show at that
// bitrate, in about half of medium's time; bench/media_bench.cpp --presets
// measures the presets on a synthetic and on a real camera clip.
constexpr const char* kX265Preset = "veryfast";

// Every rate cameras record at is exact with terms this small (240000/1001
// is the finest), and the encoders take the terms into 32-bit arithmetic.
constexpr uint32_t kMaxRateTerm = 1'000'000;

struct FrameRate {
    uint32_t numerator = 0;
    uint32_t denominator = 0;
};

// `frames` in `ticks` of a clock of `ticksPerSecond`, per second, as the
// encoders take it: the exact fraction where its terms stay within
// kMaxRateTerm, else the nearest one whose terms do. 0/0 without frames or
// time.
FrameRate EncoderFrameRate(uint64_t frames, uint64_t ticks, uint32_t ticksPerSecond);

// CPUs this process may run on: its affinity mask, capped by the cgroup's
// CPU quota (cpu.max, or cpu.cfs_quota_us on cgroup v1). At least 1.
unsigned UsableCpuCount();

// The x265-params text: a thread pool of UsableCpuCount() threads, frame
// threads left to libx265, and only its errors logged.
std::string X265Params();

// CPUs a cgroup quota allows, from the text of cpu.max ("quota period", or
// "max period" for no limit): quota / period rounded up; 0 when unlimited or
// unreadable.
unsigned CpusAllowedByQuota(const std::string& cpuMax);

}  // namespace wuvo::platform
