#pragma once

#include <memory>

#include <wx/app.h>
#include <wx/weakref.h>

#include "platform/signals/end_signals.h"

class wxFileHistory;

namespace wuvo {

class CWuvoDlg;

// The program: makes the engine's shared objects, runs the main window and
// releases the objects once the window and every thread are gone.
class CWuvoApp : public wxApp {
public:
    CWuvoApp();
    ~CWuvoApp() override;

    bool OnInit() override;
    int OnExit() override;

    // The shared objects, the window templates and the recent-project list;
    // false when any of them cannot be had.
    bool InitInstance();
    void ExitInstance();

    wxFileHistory& RecentProjects() { return *recentProjects_; }

private:
    // Until the main window begins to go.
    bool MainWindowShown() const;
    void OnEndSignal();

    std::unique_ptr<wxFileHistory> recentProjects_;
    bool sharedObjectsMade_ = false;
    wxWeakRef<CWuvoDlg> mainWindow_;
    platform::EndSignals endSignals_;
};

// The templates in resources/, compiled into the program.
void LoadResources();

}  // namespace wuvo
