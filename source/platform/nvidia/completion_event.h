#pragma once

#include <cstdint>

namespace wuvo::platform {

// The event NVENC signals when a picture or the end of the stream is done:
// an eventfd, handed to the driver as its descriptor plus one, so that no
// valid event is null.
void* CreateCompletionEvent();
// True when the event was signalled within `milliseconds`; clears it.
bool WaitCompletionEvent(void* event, uint32_t milliseconds);
void CloseCompletionEvent(void* event);

}  // namespace wuvo::platform
