#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace wuvo {

// The log's lines in arrival order. Any thread adds; the window shows them
// and the log file is written from here, so a save never misses a line that
// the window has not yet drawn.
class LogLines {
public:
    void Add(std::u16string line);
    // Lines from `first` on.
    std::vector<std::u16string> From(size_t first) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::u16string> lines_;
};

// Every line followed by a newline, in UTF-8, replacing the file. A line that
// ends in a newline of its own gives an empty line after it.
bool WriteLogFile(const std::string& path, const std::vector<std::u16string>& lines);

}  // namespace wuvo
