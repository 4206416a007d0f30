#pragma once

#include <cstdint>
#include <string>

#include <wx/frame.h>

class wxButton;
class wxCheckBox;
class wxChoice;
class wxGauge;
class wxItemContainer;
class wxListBox;
class wxMenuBar;
class wxPanel;
class wxSlider;
class wxStaticText;
class wxTextCtrl;
class wxWindow;

namespace wuvo {

class CWuvoLog;

// How a project write ended, so that a failure is reported and keeps the
// project marked as modified.
enum class SaveOutcome { Saved, Cancelled, Failed };

// The main window: a frame whose one panel behaves as the program's main
// dialog (Enter does nothing; Esc, the close box and Project > Exit run the
// close path). Its members are split by job over several source files.
class CWuvoDlg : public wxFrame {
public:
    CWuvoDlg();
    ~CWuvoDlg() override;

    // Makes the window from its templates and initialises it; false when the
    // templates cannot be loaded.
    bool Create();

    // Settings and project files (UTF-8 paths).
    int ReadSettingsFile(const std::string& path);
    int WriteSettingsFile(const std::string& path);
    void StorePanelSettings();
    void ApplySettings(const char16_t* projectName);
    void ResetSettings();
    const std::string& SettingsFilePath() const { return settingsFilePath_; }

    // Moves the members into the controls, or with `save` the controls into
    // the members; false when a control holds a value that is refused.
    bool UpdateData(bool save);

    // The close path; true when the window is closing.
    bool OnCancel();
    void SaveLogFile();
    CWuvoLog& Log() { return *log_; }

    SaveOutcome SaveProjectAs();

    // Fills the date-format list for the stamp language and selects the
    // date stamp's format in it.
    void FillDateFormatCombo();

    void EnableDatePanel(bool enable);
    void EnableTimePanel(bool enable);

private:
    struct Controls {
        wxPanel* page = nullptr;
        wxSlider* slider = nullptr;
        wxCheckBox* dateOn = nullptr;
        wxItemContainer* dateFormat = nullptr;
        wxTextCtrl* dateX = nullptr;
        wxTextCtrl* dateY = nullptr;
        wxCheckBox* timeOn = nullptr;
        wxChoice* timeFormat = nullptr;
        wxTextCtrl* timeX = nullptr;
        wxTextCtrl* timeY = nullptr;
        wxListBox* fileList = nullptr;
        wxTextCtrl* outputFolder = nullptr;
        wxGauge* progress = nullptr;
        wxTextCtrl* percent = nullptr;
        wxCheckBox* autoShutdown = nullptr;
    };

    bool LoadTemplates();
    void OnInitDialog();
    void ReadStartupSettings();
    void SetViewCheckMarks();
    void WarnWhenHevcMissing();
    void BindCloseEvents();
    void PrepareToClose();
    void StopThreadsForClose();
    void FinishClose();
    bool AskToCloseAndSave();
    bool WriteProject(const std::string& path);
    void SetTitleFor(const char16_t* projectName);
    void EnableIds(std::initializer_list<int> ids, bool enable);
    wxWindow* Control(int id) const;

    Controls c_;
    CWuvoLog* log_ = nullptr;
    std::string settingsFilePath_;

    // Stamp panels.
    uint32_t dateOn_ = 0;
    uint32_t dateFormatIndex_ = 0;
    uint32_t dateX_ = 0;
    uint32_t dateY_ = 0;
    uint32_t timeOn_ = 0;
    uint32_t timeFormatIndex_ = 0;
    uint32_t timeX_ = 0;
    uint32_t timeY_ = 0;
    // Nudge repeat: the steps grow while a button is held.
    int repeatTimerId_ = 0;
    int32_t repeatTicks_ = 0;
    uint32_t stepX_ = 1;
    uint32_t stepY_ = 1;

    // Preview.
    bool previewBusy_ = false;
    uint32_t fileSelected_ = 0;
    uint32_t currentFrame_ = 0;
    uint32_t previousFrame_ = 0;
    int32_t frameCount_ = 0;
    uint32_t frameWidth_ = 0;
    uint32_t frameHeight_ = 0;
    uint32_t viewWidth_ = 0;
    uint32_t viewHeight_ = 0;
    uint8_t previewLoaded_ = 0;

    // Batch.
    uint32_t autoShutdown_ = 0;
    int32_t savedSelection_ = -1;
    uint8_t batchState_ = 0;
};

}  // namespace wuvo
