#include "app/ui/help.h"

namespace wuvo {

void ShowHelpContext(wxWindow*, uint32_t) {}

}  // namespace wuvo
