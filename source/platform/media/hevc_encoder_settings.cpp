#include "platform/media/hevc_encoder_settings.h"

#include <sched.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

extern "C" {
#include <libavutil/rational.h>
}

namespace wuvo::platform {

namespace {

constexpr const char* kCgroupRoot = "/sys/fs/cgroup";

std::string ReadFirstLine(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

unsigned AffinityCpuCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 0;
    return static_cast<unsigned>(CPU_COUNT(&set));
}

// The process's own cgroup path under the hierarchy that `controller`
// names; "0::" is the unified (v2) hierarchy.
std::string OwnCgroupPath(const std::string& controller)
{
    std::ifstream file("/proc/self/cgroup");
    std::string line;
    while (std::getline(file, line)) {
        size_t first = line.find(':');
        size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        std::string controllers = line.substr(first + 1, second - first - 1);
        std::stringstream list(controllers);
        std::string name;
        bool matches = controller.empty() && controllers.empty();
        while (!matches && std::getline(list, name, ','))
            matches = name == controller;
        if (matches)
            return line.substr(second + 1);
    }
    return {};
}

// The tightest quota on the way from the process's cgroup up to the root:
// a parent's limit binds its children too.
unsigned UnifiedQuotaCpuCount()
{
    std::filesystem::path root(kCgroupRoot);
    std::filesystem::path group = root / std::filesystem::path(OwnCgroupPath("")).relative_path();
    unsigned tightest = 0;
    for (auto dir = group; ; dir = dir.parent_path()) {
        unsigned allowed = CpusAllowedByQuota(ReadFirstLine(dir / "cpu.max"));
        if (allowed != 0)
            tightest = tightest == 0 ? allowed : std::min(tightest, allowed);
        if (dir == root || !dir.has_relative_path() || dir == dir.parent_path())
            break;
    }
    return tightest;
}

unsigned LegacyQuotaCpuCount()
{
    std::filesystem::path group = std::filesystem::path(OwnCgroupPath("cpu")).relative_path();
    for (const char* mount : {"cpu", "cpu,cpuacct"}) {
        auto dir = std::filesystem::path(kCgroupRoot) / mount / group;
        std::string quota = ReadFirstLine(dir / "cpu.cfs_quota_us");
        std::string period = ReadFirstLine(dir / "cpu.cfs_period_us");
        if (!quota.empty() && !period.empty())
            return quota.front() == '-' ? 0 : CpusAllowedByQuota(quota + " " + period);
    }
    return 0;
}

}  // namespace

unsigned CpusAllowedByQuota(const std::string& cpuMax)
{
    std::istringstream fields(cpuMax);
    std::string quotaText;
    unsigned long long period = 0;
    if (!(fields >> quotaText >> period) || quotaText == "max" || period == 0)
        return 0;
    unsigned long long quota = 0;
    try {
        quota = std::stoull(quotaText);
    } catch (const std::exception&) {
        return 0;
    }
    if (quota == 0)
        return 0;
    return static_cast<unsigned>((quota + period - 1) / period);
}

unsigned UsableCpuCount()
{
    unsigned count = AffinityCpuCount();
    for (unsigned quota : {UnifiedQuotaCpuCount(), LegacyQuotaCpuCount()})
        if (quota != 0)
            count = count == 0 ? quota : std::min(count, quota);
    return std::max(count, 1u);
}

std::string X265Params()
{
    // frame-threads stays unset: libx265 picks it from the pool size.
    return "pools=" + std::to_string(UsableCpuCount()) + ":log-level=error";
}

FrameRate EncoderFrameRate(uint64_t frames, uint64_t ticks, uint32_t ticksPerSecond)
{
    auto numerator = static_cast<unsigned __int128>(frames) * ticksPerSecond;
    unsigned __int128 denominator = ticks;
    // av_reduce takes signed 64-bit terms; what halving them loses, a
    // fraction of terms up to kMaxRateTerm cannot tell.
    constexpr auto kLargest = static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max());
    while (numerator > kLargest || denominator > kLargest) {
        numerator >>= 1;
        denominator >>= 1;
    }
    if (numerator == 0 || denominator == 0)
        return {};
    int reducedNumerator = 0, reducedDenominator = 0;
    av_reduce(&reducedNumerator, &reducedDenominator, static_cast<int64_t>(numerator),
              static_cast<int64_t>(denominator), kMaxRateTerm);
    if (reducedNumerator <= 0 || reducedDenominator <= 0)
        return {};
    return {static_cast<uint32_t>(reducedNumerator), static_cast<uint32_t>(reducedDenominator)};
}

}  // namespace wuvo::platform
