#include "support/app_harness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/utils.h>
#include <wx/window.h>

#include "app/main_dialog.h"

namespace wuvo::test {

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : name_(name)
{
    if (const char* old = std::getenv(name))
        saved_ = old;
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (saved_)
        ::setenv(name_.c_str(), saved_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "wuvo-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : "";
    EXPECT_FALSE(path_.empty());
}

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

ScriptedUi::ScriptedUi() : saved_(Seams())
{
    Seams().showMessage = [this](wxWindow*, const wxString& text, const wxString& caption, MessageIcon,
                                 MessageButtons) {
        shown_.push_back(caption + ": " + text);
        if (messages_.empty() || !text.Contains(messages_.front().textPart)) {
            ADD_FAILURE() << "unexpected message box: " << caption << ": " << text;
            return MessageAnswer::Cancel;
        }
        MessageAnswer answer = messages_.front().answer;
        messages_.pop_front();
        return answer;
    };
    Seams().chooseFiles = [this](wxWindow*, const FileDialogRequest& request) {
        if (files_.empty()) {
            ADD_FAILURE() << "unexpected file chooser: " << request.title;
            return std::vector<wxString>{};
        }
        std::vector<wxString> chosen = files_.front();
        files_.pop_front();
        return chosen;
    };
    Seams().chooseFolder = [this](wxWindow*, const wxString& title, const wxString&) {
        if (folders_.empty()) {
            ADD_FAILURE() << "unexpected folder chooser: " << title;
            return wxString();
        }
        wxString chosen = folders_.front();
        folders_.pop_front();
        return chosen;
    };
}

ScriptedUi::~ScriptedUi()
{
    for (const Message& message : messages_)
        ADD_FAILURE() << "expected message box never shown: " << message.textPart;
    EXPECT_TRUE(files_.empty()) << "a scripted file chooser was never opened";
    EXPECT_TRUE(folders_.empty()) << "a scripted folder chooser was never opened";
    Seams() = saved_;
}

void ScriptedUi::ExpectMessage(const wxString& textPart, MessageAnswer answer)
{
    messages_.push_back({textPart, answer});
}

void ScriptedUi::ExpectFiles(std::vector<wxString> chosen)
{
    files_.push_back(std::move(chosen));
}

void ScriptedUi::ExpectFolder(const wxString& chosen)
{
    folders_.push_back(chosen);
}

void Pump()
{
    for (int round = 0; round < 3; ++round) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->Yield(true);
        wxTheApp->ProcessIdle();
    }
}

CWuvoDlg* MakeMainDialog()
{
    auto* dialog = new CWuvoDlg();
    EXPECT_TRUE(dialog->Create());
    Pump();
    return dialog;
}

void CloseQuietly(CWuvoDlg* dialog)
{
    dialog->Destroy();
    Pump();
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool Screenshot(wxWindow* window, const std::string& path)
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr)
        return false;
    // The toolkit draws some changes (a scroll bar's thumb) a little later.
    constexpr int kSettleRounds = 10;
    for (int round = 0; round < kSettleRounds; ++round) {
        window->Update();
        Pump();
        wxMilliSleep(20);
    }
    wxRect rect = window->GetScreenRect();
    std::ostringstream command;
    command << "ffmpeg -loglevel error -y -f x11grab -video_size " << rect.width << "x" << rect.height << " -i '"
            << display << "+" << rect.x << "," << rect.y << "' -frames:v 1 '" << path << "'";
    return std::system(command.str().c_str()) == 0;
}

}  // namespace wuvo::test
