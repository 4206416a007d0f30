#pragma once

#include <functional>

#include <wx/log.h>

namespace wuvo {

// The toolkit's own messages, shown in a box as the toolkit shows them while
// the program's window is there. Once it is going, no one may be left to
// close a box (logout, shutdown, a closed session), and the process would
// wait for one: they are written to stderr instead, those still waiting to
// be shown too.
class ToolkitMessages : public wxLogGui {
public:
    explicit ToolkitMessages(std::function<bool()> windowShown);

    void Flush() override;

private:
    std::function<bool()> windowShown_;
};

}  // namespace wuvo
