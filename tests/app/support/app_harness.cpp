#include "support/app_harness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>
#include <wx/window.h>

#include "app/main_dialog.h"

namespace wuvo::test {

namespace {

ScriptedUi* gActiveScript = nullptr;

}  // namespace

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
    gActiveScript = this;
    Seams().showMessage = [this](wxWindow*, const wxString& text, const wxString& caption, MessageIcon,
                                 MessageButtons) {
        shown_.push_back(caption + ": " + text);
        if (messages_.empty() || !text.Contains(messages_.front().textPart)) {
            ADD_FAILURE() << "unexpected message box: " << caption << ": " << text;
            return MessageAnswer::Cancel;
        }
        Message message = messages_.front();
        messages_.pop_front();
        if (message.whileShown)
            message.whileShown();
        return message.answer;
    };
    Seams().chooseFiles = [this](wxWindow*, const FileDialogRequest& request) {
        fileRequests_.push_back(request);
        if (files_.empty()) {
            ADD_FAILURE() << "unexpected file chooser: " << request.title;
            return std::vector<std::string>{};
        }
        std::vector<std::string> chosen = files_.front();
        files_.pop_front();
        return chosen;
    };
    Seams().chooseFolder = [this](wxWindow*, const wxString& title, const std::string&) {
        if (folders_.empty()) {
            ADD_FAILURE() << "unexpected folder chooser: " << title;
            return std::string();
        }
        std::string chosen = folders_.front();
        folders_.pop_front();
        return chosen;
    };
    Seams().chooseFont = [this](wxWindow*, const wxFont& initial) {
        offeredFont_ = initial;
        if (fonts_.empty()) {
            ADD_FAILURE() << "unexpected font chooser";
            return std::optional<wxFont>();
        }
        std::optional<wxFont> chosen = fonts_.front();
        fonts_.pop_front();
        return chosen;
    };
}

ScriptedUi::~ScriptedUi()
{
    for (const Message& message : messages_)
        ADD_FAILURE() << "expected message box never shown: " << message.textPart;
    EXPECT_TRUE(files_.empty()) << "a scripted file chooser was never opened";
    EXPECT_TRUE(folders_.empty()) << "a scripted folder chooser was never opened";
    for (const Dialog& dialog : dialogs_)
        ADD_FAILURE() << "expected dialog never shown: " << dialog.title;
    EXPECT_TRUE(fonts_.empty()) << "a scripted font chooser was never opened";
    Seams() = saved_;
    gActiveScript = nullptr;
}

void ScriptedUi::ExpectMessage(const wxString& textPart, MessageAnswer answer, std::function<void()> whileShown)
{
    messages_.push_back({textPart, answer, std::move(whileShown)});
}

void ScriptedUi::ExpectFont(std::optional<wxFont> chosen)
{
    fonts_.push_back(std::move(chosen));
}

void ScriptedUi::ExpectFiles(std::vector<std::string> chosen)
{
    files_.push_back(std::move(chosen));
}

void ScriptedUi::ExpectFolder(const std::string& chosen)
{
    folders_.push_back(chosen);
}

void ScriptedUi::ExpectDialog(const wxString& title, std::function<void(wxDialog&)> act)
{
    dialogs_.push_back({title, std::move(act)});
}

std::function<void(wxDialog&)> ScriptedUi::TakeDialog(const wxString& title)
{
    if (gActiveScript == nullptr || gActiveScript->dialogs_.empty() || gActiveScript->dialogs_.front().title != title)
        return {};
    std::function<void(wxDialog&)> act = std::move(gActiveScript->dialogs_.front().act);
    gActiveScript->dialogs_.pop_front();
    return act;
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

bool PumpUntil(const std::function<bool()>& done, int seconds)
{
    wxStopWatch watch;
    while (!done()) {
        if (watch.Time() > seconds * 1000L)
            return false;
        Pump();
        wxMilliSleep(10);
    }
    return true;
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace wuvo::test
