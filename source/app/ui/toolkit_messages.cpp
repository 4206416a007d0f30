#include "app/ui/toolkit_messages.h"

#include <cstdio>

namespace wuvo {

ToolkitMessages::ToolkitMessages(std::function<bool()> windowShown) : windowShown_(std::move(windowShown)) {}

void ToolkitMessages::Flush()
{
    if (windowShown_()) {
        wxLogGui::Flush();
        return;
    }
    wxLog::Flush();
    for (const wxString& message : m_aMessages)
        std::fprintf(stderr, "%s: %s\n", GetTitle().utf8_str().data(), message.utf8_str().data());
    Clear();
}

}  // namespace wuvo
