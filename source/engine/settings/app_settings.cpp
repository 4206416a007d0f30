#include "engine/settings/app_settings.h"

#include <cstring>

namespace wuvo {

AppSettings gSettings{};

namespace {

constexpr char16_t kDefaultRenamePattern[] = u"@N-20@F@f-@L@l";
constexpr char16_t kDefaultFaceName[] = u"Arial";

void ResetDateStamp(StampStyle& stamp)
{
    stamp.enabled = 1;
    stamp.formatIndex = 1;
    stamp.x = 64;
    stamp.y = 64;
    stamp.font.height = -48;
    stamp.font.weight = 700;
    stamp.font.outPrecision = 3;     // stroke precision
    stamp.font.clipPrecision = 2;    // stroke clipping
    stamp.font.quality = 3;          // not antialiased
    stamp.font.pitchAndFamily = 0x12;  // variable pitch, swiss
    std::memcpy(stamp.font.faceName, kDefaultFaceName, sizeof kDefaultFaceName);
    stamp.rasterHeight = 360;
    stamp.outline = 1;
    stamp.fontBrightness = 220;
    stamp.outlineBrightness = 20;
    stamp.showMode = kShowEveryFrame;
    stamp.sceneChangeSeconds = 3;
    stamp.dateChangeSeconds = 3;
    stamp.periodicSeconds = 3;
    stamp.periodSeconds = 60;
    stamp.auxSeconds = 3;
    stamp.fadeSeconds = 1;
    stamp.delaySeconds = 3;
}

}  // namespace

OutputSize OutputSizeFor(uint32_t outputSize)
{
    return kOutputSizeTable[outputSize < kOutputSizeTable.size() ? outputSize : kNativeOutputSize];
}

void ResetSettings(AppSettings& settings)
{
    std::memset(&settings, 0, sizeof settings);
    settings.language = 3;
    settings.outputSize = kNativeOutputSize;
    settings.bitrate = 250;
    settings.viewMode = 2;
    settings.reserved4 = 1;
    settings.speedUpFactor = 5;
    ResetDateStamp(settings.dateStamp);
    settings.timeStamp = settings.dateStamp;
    settings.dateStamp.hasTime = 1;
    settings.timeStamp.x = 64;
    settings.timeStamp.y = 960;
    std::memcpy(settings.renamePattern, kDefaultRenamePattern, sizeof kDefaultRenamePattern);
}

}  // namespace wuvo
