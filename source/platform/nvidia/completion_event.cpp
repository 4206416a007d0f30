#include "platform/nvidia/completion_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace wuvo::platform {

namespace {

int DescriptorOf(void* event)
{
    return static_cast<int>(reinterpret_cast<intptr_t>(event)) - 1;
}

}  // namespace

void* CreateCompletionEvent()
{
    int descriptor = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return descriptor < 0 ? nullptr : reinterpret_cast<void*>(static_cast<intptr_t>(descriptor) + 1);
}

bool WaitCompletionEvent(void* event, uint32_t milliseconds)
{
    if (!event)
        return false;
    pollfd watched{DescriptorOf(event), POLLIN, 0};
    if (poll(&watched, 1, static_cast<int>(milliseconds)) != 1)
        return false;
    eventfd_t count = 0;
    return eventfd_read(watched.fd, &count) == 0;
}

void CloseCompletionEvent(void* event)
{
    if (event)
        close(DescriptorOf(event));
}

}  // namespace wuvo::platform
