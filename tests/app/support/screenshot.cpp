#include "support/screenshot.h"

#include <cstdlib>
#include <filesystem>

#include <wx/string.h>
#include <wx/utils.h>
#include <wx/window.h>

#include "support/app_harness.h"

namespace wuvo::test {

namespace {

// Long enough for a new window to be mapped and painted on the virtual display.
constexpr int kSettleRounds = 20;
constexpr unsigned long kSettleStepMs = 15;

void LetWindowsPaint()
{
    for (int round = 0; round < kSettleRounds; ++round) {
        Pump();
        wxMilliSleep(kSettleStepMs);
    }
}

}  // namespace

// The toolkit's screen context keeps showing the first window it read on
// this display, so the X server's own picture is taken, as a person's
// screenshot tool would.
bool SaveScreenArea(const wxRect& area, const std::string& name)
{
    LetWindowsPaint();
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || area.width <= 0 || area.height <= 0)
        return false;
    std::filesystem::create_directories(WUVO_TEST_OUTPUT_DIR);
    const std::string path = std::string(WUVO_TEST_OUTPUT_DIR) + "/" + name + ".png";
    const wxString command =
        wxString::Format("ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size %dx%d -i '%s+%d,%d' -frames:v 1 '%s'",
                         area.width, area.height, display, area.x, area.y, path);
    return std::system(command.utf8_str()) == 0 && std::filesystem::exists(path);
}

bool SaveWindowShot(wxWindow* window, const std::string& name)
{
    window->Raise();
    return SaveScreenArea(window->GetScreenRect(), name);
}

}  // namespace wuvo::test
