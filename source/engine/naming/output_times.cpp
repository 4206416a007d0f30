#include "engine/naming/output_times.h"

#include "engine/settings/app_settings.h"
#include "platform/crt/local_time.h"
#include "platform/files/posix_file.h"

namespace wuvo {

void SetOutputFileTimes(int outputFile, const std::tm& first, const std::tm& last)
{
    if (first.tm_year == 0)
        return;
    std::optional<int64_t> lastWrite;
    if (gSettings.writeTimeFromLast) {
        lastWrite = platform::LocalTimeToUtc(last);
        if (!lastWrite)
            return;
    }
    platform::SetLastWriteTime(outputFile, lastWrite);
}

}  // namespace wuvo
