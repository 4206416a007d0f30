#pragma once

#include <string>

#include <wx/gdicmn.h>

class wxWindow;

namespace wuvo::test {

// Saves what the screen shows in `area` (screen coordinates) as
// build/test-output/<name>.png, after letting the windows paint; false when
// it could not be written.
bool SaveScreenArea(const wxRect& area, const std::string& name);
// The same for a window with everything it shows.
bool SaveWindowShot(wxWindow* window, const std::string& name);

}  // namespace wuvo::test
