#pragma once

#include <cstdint>
#include <memory>

#include <wx/string.h>

class wxConfigBase;
class wxWindow;

namespace wuvo {

// Help contexts are numbered from this base plus the template or command id
// they belong to.
constexpr uint32_t kHelpContextBase = 0x20000;
constexpr uint32_t HelpContextOf(int templateId) { return kHelpContextBase + static_cast<uint32_t>(templateId); }

// A help book: a zip of HTML pages with a project, contents and index file,
// whose contents give each page its context number.
class HelpBook {
public:
    explicit HelpBook(wxString path);
    ~HelpBook();
    HelpBook(const HelpBook&) = delete;
    HelpBook& operator=(const HelpBook&) = delete;

    // Shows the page of `context` for `owner`: in a modal dialog above a
    // modal dialog, else in a help window beside the program's. A book that
    // cannot be read or has no such page gives a message instead.
    void Show(wxWindow* owner, uint32_t context);

private:
    class Controller;
    bool Load();

    wxString path_;
    // Declared before the controller, which writes its window layout into it
    // as it goes.
    std::unique_ptr<wxConfigBase> layout_;
    std::unique_ptr<Controller> controller_;
    bool loaded_ = false;
};

// Opens the program's book at `context`: the book beside the running
// program, named after it with the extension .htb; one for the run.
void ShowHelpContext(wxWindow* owner, uint32_t context);

}  // namespace wuvo
