#include "platform/media/codec_check.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "platform/media/hevc_encoder_settings.h"

namespace wuvo::platform {

bool HevcCodecsPresent()
{
    return avcodec_find_decoder(AV_CODEC_ID_HEVC) != nullptr &&
           avcodec_find_encoder_by_name(kHevcEncoderName) != nullptr &&
           avcodec_find_encoder_by_name(kAacEncoderName) != nullptr;
}

}  // namespace wuvo::platform
