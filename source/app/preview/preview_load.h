#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/preview/preview_driver.h"
#include "engine/mp4/reader.h"

// The preview's road into the engine: the file check, the one-frame decode
// into the shared frame pool, and the stamped, converted frame. No toolkit
// here; everything runs on the caller's thread.
namespace wuvo {

// Checks the file with the container reader, which fills the parse state
// and the pool's frame count, under the preview-open thread state. The
// reader's result; `message` (kReaderMessageLength units) gets its text
// when the check fails. A file that opens also sets the pool's frame rate
// to its own.
int32_t PreviewOpenJob(const std::u16string& path, char16_t* message);

// Decodes frame `frame` of the file into the pool in preview mode, under
// the decode thread state, whose abort flag ends it early; not at all when
// `superseded` says so once the state is held. Always 0.
uint32_t PreviewDecodeJob(const std::u16string& path, uint32_t frame,
                          const std::function<bool()>& superseded = nullptr);

// The frame driver's work for one request: the frame from the pool, or
// decoded into it, checked against the preview's size limits, stamped and
// converted. Dropped when `superseded` says so before the conversion.
PreviewResult PreviewLoadProc(const PreviewRequest& request, const std::function<bool()>& superseded);

// Raises the decode thread state's abort flag while a decode holds it.
void InterruptPreviewDecode();

// Frame `frame` of the pool, stamped on a copy and converted with its
// colours, at the shape players show it in; none when the pool does not hold
// it or a job owns the pool.
std::shared_ptr<const RgbPicture> ConvertPreviewFrame(uint32_t frame, uint32_t width, uint32_t height);

// Draws both enabled stamps of the settings onto a luma plane of w x h, in
// full and with their transparency, narrowed for pixels `pixelAspect` times
// as wide as high: the preview ignores the show, fade and delay rules.
// Always 0.
int DrawPreviewStamps(uint8_t* plane, int32_t width, int32_t height, uint32_t frame, float pixelAspect);

// Whether the video of the last check is turned by a quarter: its picture is
// then laid out upright (portrait).
bool IsQuarterTurnedVideo();

}  // namespace wuvo
