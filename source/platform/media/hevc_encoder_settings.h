#pragma once

#include <string>

namespace wuvo::platform {

constexpr const char* kHevcEncoderName = "libx265";
// FFmpeg's own AAC encoder: always built in, unlike the external ones.
constexpr const char* kAacEncoderName = "aac";

// The fastest libx265 preset whose PSNR on the 1920x1080 bench clip at
// 25 Mbit/s stays within 0.5 dB of preset medium's (bench/media_bench.cpp
// --presets): the faster presets all lost about 0.6 dB, ultrafast 1.5 dB.
constexpr const char* kX265Preset = "medium";

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
