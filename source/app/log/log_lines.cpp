#include "app/log/log_lines.h"

#include "platform/files/replace_file.h"
#include "platform/text/utf.h"

namespace wuvo {

void LogLines::Add(std::u16string line)
{
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
}

std::vector<std::u16string> LogLines::From(size_t first) const
{
    std::lock_guard lock(mutex_);
    if (first >= lines_.size())
        return {};
    return {lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.end()};
}

bool WriteLogFile(const std::string& path, const std::vector<std::u16string>& lines)
{
    std::string text;
    for (const std::u16string& line : lines) {
        text += platform::ToReadableUtf8(line);
        text += '\n';
    }
    return platform::ReplaceFileContents(path, text);
}

}  // namespace wuvo
