#include "app/wuvo_app.h"

#include <filesystem>

#include <wx/config.h>
#include <wx/filehistory.h>
#include <wx/image.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/xrc/xmlres.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/settings/settings_paths.h"
#include "app/ui/toolkit_messages.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/media/library_log.h"

// Made by wxrc from resources/*.xrc.
extern void InitXmlResource();

namespace wuvo {

namespace {

constexpr wxStringCharType kVendor[] = wxS("Fenwarl");
constexpr wxStringCharType kRecentGroup[] = wxS("/Recent File List");

}  // namespace

void LoadResources()
{
    static bool loaded = false;
    if (loaded)
        return;
    wxImage::AddHandler(new wxPNGHandler);
    wxXmlResource::Get()->InitAllHandlers();
    InitXmlResource();
    loaded = true;
}

CWuvoApp::CWuvoApp() = default;
CWuvoApp::~CWuvoApp() = default;

bool CWuvoApp::OnInit()
{
    delete wxLog::SetActiveTarget(new ToolkitMessages([this] { return MainWindowShown(); }));
    platform::KeepMediaLibrariesQuiet();
    if (!InitInstance())
        return false;
    auto* dialog = new CWuvoDlg();
    if (!dialog->Create()) {
        dialog->Destroy();
        return false;
    }
    SetTopWindow(dialog);
    dialog->Show();
    mainWindow_ = dialog;
    // Logout, shutdown, kill, a closed terminal or Ctrl+C: nothing half
    // written is left behind. The watcher thread only queues the end.
    endSignals_.Start([this](int) { CallAfter([this] { OnEndSignal(); }); });
    return true;
}

bool CWuvoApp::MainWindowShown() const
{
    return mainWindow_ && !IsScheduledForDestruction(mainWindow_.get());
}

void CWuvoApp::OnEndSignal()
{
    if (mainWindow_)
        mainWindow_->EndForSignal();
}

bool CWuvoApp::InitInstance()
{
    sharedObjectsMade_ = CreateSharedObjects();
    if (!sharedObjectsMade_)
        return false;
    SetAppName(wxS("Wuvo"));
    SetVendorName(kVendor);
    std::string recentFile = RecentProjectsFile();
    EnsureFolder(std::filesystem::path(recentFile).parent_path().string());
    wxConfigBase::Set(new wxFileConfig(GetAppName(), kVendor, wxString::FromUTF8(recentFile), wxEmptyString,
                                       wxCONFIG_USE_LOCAL_FILE));
    recentProjects_ = std::make_unique<wxFileHistory>(kRecentProjectSlots, kCmdRecentFirst);
    wxConfigBase::Get()->SetPath(kRecentGroup);
    recentProjects_->Load(*wxConfigBase::Get());
    wxConfigBase::Get()->SetPath(wxS("/"));
    LoadResources();
    return true;
}

int CWuvoApp::OnExit()
{
    endSignals_.Stop();
    ExitInstance();
    return wxApp::OnExit();
}

// Runs once the main window has closed, and with it every thread.
void CWuvoApp::ExitInstance()
{
    if (recentProjects_) {
        wxConfigBase::Get()->SetPath(kRecentGroup);
        recentProjects_->Save(*wxConfigBase::Get());
    }
    // Written as it goes. A folder that cannot be written costs the list,
    // and the reason goes where the toolkit's messages go now.
    delete wxConfigBase::Set(nullptr);
    wxLog::FlushActive();
    if (sharedObjectsMade_)
        DestroySharedObjects();
    sharedObjectsMade_ = false;
}

}  // namespace wuvo
