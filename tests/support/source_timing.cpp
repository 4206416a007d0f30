#include "support/source_timing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/media_reference.h"

namespace wuvo::test {

namespace {

std::vector<double> FrameTimes(const std::string& path)
{
    std::vector<double> times;
    for (const std::string& time : Probe(path, "v:0", "frame=best_effort_timestamp_time"))
        times.push_back(std::stod(time));
    return times;
}

double StreamSeconds(const std::string& path, const std::string& stream)
{
    auto duration = Probe(path, stream, "stream=duration");
    return duration.empty() ? -1 : std::stod(duration.front());
}

}  // namespace

void ExpectSourceTiming(const std::string& source, const std::string& output, uint32_t divisor)
{
    std::vector<double> sourceTimes = FrameTimes(source);
    std::vector<double> written = FrameTimes(output);
    ASSERT_EQ(written.size(), (sourceTimes.size() + divisor - 1) / divisor);
    double shortest = 1;
    for (size_t n = 1; n < sourceTimes.size(); ++n)
        shortest = std::min(shortest, sourceTimes[n] - sourceTimes[n - 1]);
    for (size_t k = 0; k < written.size(); ++k)
        EXPECT_NEAR(written[k], sourceTimes[k * divisor] / divisor, 1e-4) << "frame " << k;
    for (const char* stream : {"v:0", "a:0"})
        EXPECT_NEAR(StreamSeconds(output, stream), StreamSeconds(source, stream) / divisor, shortest) << stream;
}

}  // namespace wuvo::test
