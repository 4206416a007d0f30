#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Whole jobs on the fixture videos, as the batch runs them.
namespace wuvo::test {

// The bitrate the jobs ask for, in bit/s.
constexpr uint32_t kJobBitrate = 2'000'000;

// The settings of a batch, with the stamps where the 320x240 fixtures show
// them: the date from row 10, the time from row 140.
void PrepareJobSettings();

// Stamps a fixture into `output` (UTF-8) at the target size, 1 x 1 being its
// own; a failed file stops the pipeline as the batch does. The job's result;
// its messages are added to `messages` when given.
uint32_t RunFixtureJob(const std::string& fixture, const std::string& output,
                       std::vector<std::u16string>* messages = nullptr, uint32_t targetWidth = 1,
                       uint32_t targetHeight = 1);

}  // namespace wuvo::test
