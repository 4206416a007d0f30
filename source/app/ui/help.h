#pragma once

#include <cstdint>

class wxWindow;

namespace wuvo {

// Help contexts are numbered from this base plus the template or command id
// they belong to.
constexpr uint32_t kHelpContextBase = 0x20000;
constexpr uint32_t HelpContextOf(int templateId) { return kHelpContextBase + static_cast<uint32_t>(templateId); }

// Opens the program's help at `context`. The program has no help book yet;
// until it has one, asking for help opens nothing.
void ShowHelpContext(wxWindow* owner, uint32_t context);

}  // namespace wuvo
