#include "engine/stamp/stamp_frame.h"

#include "engine/dates/frame_date.h"
#include "engine/settings/app_settings.h"
#include "engine/stamp/mask_blend.h"
#include "engine/stamp/stamp_visibility.h"
#include "engine/stamp/text_rasterizer.h"
#include "engine/text/format_tables.h"
#include "engine/text/stamp_text.h"

namespace wuvo {

namespace {

constexpr uint32_t kSecondsPerMinute = 60;
constexpr uint32_t kMinutesPerHour = 60;
constexpr int32_t kTmYearBase = 1900;
// Time formats from this index on show the frame index or milliseconds, so
// their text changes from frame to frame.
constexpr uint32_t kFirstSubSecondTimeFormat = 9;
constexpr uint32_t kQuarterTurn = 90;
constexpr uint32_t kThreeQuarterTurn = 270;

bool IsScaled(float scaleX, float scaleY) { return scaleX != 1.0f || scaleY != 1.0f; }

// A custom format may show the time or the date through conversions that
// its stored flags do not name (%T, %F, %c, a 12-hour hour with %p...), and
// files written elsewhere keep such flags: its text is made again whenever
// the frame's date or second changes, as it then may.
bool DateTextMayHaveChanged(const StampContext& context)
{
    return gSettings.idle == 1 || context.curDate != context.prevDate || !context.datePrevShown ||
           (gSettings.dateStamp.formatIndex == kCustomFormat && context.curSeconds != context.prevSeconds);
}

bool TimeTextMayHaveChanged(const StampContext& context)
{
    const uint32_t formatIndex = gSettings.timeStamp.formatIndex;
    return gSettings.idle == 1 || formatIndex >= kFirstSubSecondTimeFormat ||
           context.curSeconds != context.prevSeconds || !context.timePrevShown ||
           (formatIndex == kCustomFormat && context.curDate != context.prevDate);
}

using FormatText = void (*)(const StampContext&, char16_t*);

bool IsQuarterTurn(uint32_t rotation) { return rotation == kQuarterTurn || rotation == kThreeQuarterTurn; }

void RenderOne(StampContext& context, StampMask& mask, const StampStyle& style, FormatText format, float scaleX,
               float scaleY)
{
    char16_t text[kStampTextLength];
    format(context, text);
    StampStyle scaled = style;
    if (IsScaled(scaleX, scaleY))
        scaled.rasterHeight = static_cast<int32_t>(static_cast<float>(style.rasterHeight) * scaleX);
    // On wide pixels a text is drawn narrower; one turned by a quarter runs
    // its letters' height across the frame, so that is what shrinks.
    float widthScale = 1.0f / context.pixelAspect;
    if (IsQuarterTurn(style.rotation)) {
        scaled.rasterHeight = static_cast<int32_t>(static_cast<float>(scaled.rasterHeight) * widthScale);
        widthScale = context.pixelAspect;
    }
    RasterizeStampText(mask, text, scaled, widthScale);
}

void BlendStamp(const StampStyle& style, const WeightSet& weights, const StampMask& mask, uint8_t* luma,
                int32_t width, int32_t height, float scaleX, float scaleY)
{
    StampStyle placed = style;
    if (IsScaled(scaleX, scaleY)) {
        placed.x = static_cast<int32_t>(static_cast<float>(style.x) * scaleX);
        placed.y = static_cast<int32_t>(static_cast<float>(style.y) * scaleY);
    }
    BlendMaskRotated(placed, weights, luma, width, height, mask, style.rotation);
}

bool DecideShowing(StampContext& context, uint32_t n, StampSchedule& schedule, WeightSet& weights,
                   const StampStyle& style)
{
    if (!style.enabled || !UpdateStampVisibility(context, n, schedule, weights, style))
        return false;
    ApplyTransparency(weights, style.transparency);
    return true;
}

}  // namespace

void SetFrameTime(StampContext& context, const FrameClock& clock)
{
    const FrameDateTime& date = clock.date;
    context.tm.tm_year = date.year - kTmYearBase;
    context.tm.tm_mon = date.month - 1;
    context.tm.tm_mday = date.day;
    context.tm.tm_hour = date.hour;
    context.tm.tm_min = date.minute;
    context.tm.tm_sec = date.second;
    context.tm.tm_wday = Weekday(date.year, date.month, date.day);
    context.frameIndexByTime = static_cast<uint32_t>(date.frameIndex);
    context.timescale = clock.timescale;
    context.averageDelta = clock.averageDelta;
}

void RenderStampText(StampContext& context, float scaleX, float scaleY)
{
    if (context.dateShown && DateTextMayHaveChanged(context))
        RenderOne(context, context.dateMask, gSettings.dateStamp, FormatDateText, scaleX, scaleY);
    if (context.timeShown && TimeTextMayHaveChanged(context))
        RenderOne(context, context.timeMask, gSettings.timeStamp, FormatTimeText, scaleX, scaleY);
}

int StampFrameAt(StampContext& context, StampSchedule& dateSchedule, StampSchedule& timeSchedule, uint8_t* luma,
                 int32_t width, int32_t height, uint32_t n, const FrameClock& clock, float scaleX, float scaleY)
{
    const FrameDateTime& date = clock.date;
    context.curDate = PackDate(date.year, date.month, date.day);
    context.curSeconds = (static_cast<uint32_t>(date.hour) * kMinutesPerHour + static_cast<uint32_t>(date.minute)) *
                             kSecondsPerMinute +
                         static_cast<uint32_t>(date.second);
    const AppSettings& settings = gSettings;
    context.dateShown = DecideShowing(context, n, dateSchedule, context.dateWeights, settings.dateStamp);
    context.timeShown = DecideShowing(context, n, timeSchedule, context.timeWeights, settings.timeStamp);
    if (!context.dateShown && !context.timeShown)
        return 0;

    SetFrameTime(context, clock);
    RenderStampText(context, scaleX, scaleY);
    if (context.dateShown)
        BlendStamp(settings.dateStamp, context.dateWeights, context.dateMask, luma, width, height, scaleX, scaleY);
    if (context.timeShown)
        BlendStamp(settings.timeStamp, context.timeWeights, context.timeMask, luma, width, height, scaleX, scaleY);
    return 0;
}

int StampFrame(StampContext& context, StampSchedule& dateSchedule, StampSchedule& timeSchedule, uint8_t* luma,
               int32_t width, int32_t height, uint32_t n, float scaleX, float scaleY)
{
    FrameClock clock;
    GetFrameDateTime(n, clock.date, clock.timescale, clock.averageDelta);
    return StampFrameAt(context, dateSchedule, timeSchedule, luma, width, height, n, clock, scaleX, scaleY);
}

}  // namespace wuvo
