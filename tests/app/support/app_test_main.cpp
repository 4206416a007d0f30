// The window tests' own main: one application object for the whole run,
// without a main loop, under the virtual display the test command starts.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/modalhook.h>

#include "app/wuvo_app.h"
#include "support/app_harness.h"

namespace {

// No test may leave a dialog waiting for a person: a modal dialog that a
// test expects is acted on from inside it; any other fails the test at once.
class UnexpectedDialogHook : public wxModalDialogHook {
protected:
    int Enter(wxDialog* dialog) override
    {
        std::function<void(wxDialog&)> act = wuvo::test::ScriptedUi::TakeDialog(dialog->GetTitle());
        if (!act) {
            ADD_FAILURE() << "unexpected modal dialog: " << dialog->GetTitle();
            return wxID_CANCEL;
        }
        dialog->CallAfter([dialog, act] {
            act(*dialog);
            if (dialog->IsModal()) {
                ADD_FAILURE() << "the test left the dialog open: " << dialog->GetTitle();
                dialog->EndModal(wxID_CANCEL);
            }
        });
        return wxID_NONE;
    }
};

class TestApp : public wuvo::CWuvoApp {
public:
    bool OnInit() override { return InitInstance(); }
};

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    // The recent-project list and settings of a test run stay out of the home folder.
    std::string home = (std::filesystem::temp_directory_path() / "wuvo-app-tests-XXXXXX").string();
    if (::mkdtemp(home.data()) == nullptr)
        return 1;
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    ::setenv("TEMP", home.c_str(), 1);
    ::unsetenv("LOCALAPPDATA");
    ::unsetenv("XDG_DATA_HOME");
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 1;
    int result = 0;
    {
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        UnexpectedDialogHook hook;
        hook.Register();
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    std::filesystem::remove_all(home);
    return result;
}
