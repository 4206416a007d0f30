#include "platform/media/library_log.h"

extern "C" {
#include <libavutil/log.h>
}

namespace wuvo::platform {

void KeepMediaLibrariesQuiet()
{
    av_log_set_level(AV_LOG_ERROR);
}

}  // namespace wuvo::platform
