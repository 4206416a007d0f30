#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include "app/batch/batch_runner.h"
#include "app/layout/window_fit.h"
#include "app/preview/preview_driver.h"
#include "app/ui/modal_dialogs.h"
#include "platform/threads/worker_thread.h"

class wxButton;
class wxCheckBox;
class wxDC;
class wxGauge;
class wxItemContainer;
class wxListBox;
class wxMenu;
class wxMenuBar;
class wxPaintEvent;
class wxPanel;
class wxScrollBar;
class wxScrollEvent;
class wxScrolledWindow;
class wxSlider;
class wxStaticText;
class wxTextCtrl;
class wxWindow;

namespace wuvo {

struct StampJob;
struct StampStyle;
class CWuvoLog;
class DialogBatchHost;

// How a project write ended, so that a failure is reported and keeps the
// project marked as modified.
enum class SaveOutcome { Saved, Cancelled, Failed };

// The main window: a frame whose one panel behaves as the program's main
// dialog (Enter does nothing; Esc, the close box and Project > Exit run the
// close path). Its members are split by job over several source files.
class CWuvoDlg : public wxFrame {
    friend class DialogBatchHost;

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
    // The system asks the program to end: the open dialogs are cancelled,
    // then the window closes without a question, as at the session's end.
    void EndForSignal();
    void SaveLogFile();
    CWuvoLog& Log() { return *log_; }

    SaveOutcome SaveProjectAs();

    // Projects and the Project menu.
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    // A project chosen from the recent-project list.
    void OnOpenProject(const wxString& path);
    void OnPreferences();
    void OnInitMenuPopup(wxMenu* menu);

    // View and Help menus, resize.
    void OnViewActualSize();
    void OnViewFitToWindow();
    void OnHelpQuickStart();
    void OnHelpContent();
    void OnHelpAbout();
    void OnSize(int width, int height);

    // Fills the date-format list for the stamp language and selects the
    // date stamp's format in it.
    void FillDateFormatCombo();
    // The same after the stamp language may have changed: a format the
    // language does not offer becomes its first.
    void RefillDateFormatCombo();

    void EnableDatePanel(bool enable);
    void EnableTimePanel(bool enable);
    void EnableDateStampControls(int enable);
    void EnableTimeStampControls(int enable);
    void EnableProjectMenu(int enable);

    // Sets SettingsModified and reads the controls into the members.
    void SetModified();

    // Stamp panels.
    void OnBnClickedDateStamp();
    void OnBnClickedTimeStamp();
    void OnCbnSelchangeDateFormat();
    void OnCbnSelchangeTimeFormat();
    void OnBnClickedDateUp();
    void OnBnClickedDateDown();
    void OnBnClickedDateLeft();
    void OnBnClickedDateRight();
    void OnBnClickedTimeUp();
    void OnBnClickedTimeDown();
    void OnBnClickedTimeLeft();
    void OnBnClickedTimeRight();
    void OnEnKillfocusDateX();
    void OnEnKillfocusDateY();
    void OnEnKillfocusTimeX();
    void OnEnKillfocusTimeY();
    void OnBnClickedDateFont();
    void OnBnClickedTimeFont();
    void OnBnClickedDateDuration();
    void OnBnClickedTimeDuration();

    // The auto-repeat of the nudge and frame-step buttons.
    void DispatchRepeatButton(int id);
    void OnRepeatButtonDown(wxButton& button);
    void OnTimer();
    void StopRepeat();
    uint32_t RepeatStep() const { return stepX_; }

    // File list and batch.
    void OnBnClickedAdd();
    void OnBnClickedRemove();
    void OnBnClickedClear();
    void OnBnClickedBrowse();
    void OnBnClickedViewLog();
    void OnBnClickedAutoShutdown();
    void OnBnClickedStamp();
    void OnBnClickedStop();
    void EnableControls(bool running);
    void UpdateListExtent();
    uint8_t BatchState() const { return batchState_; }
    bool AutoShutdownChecked() const { return autoShutdownChecked_; }
    // Stops a running batch and waits until its thread has ended.
    void StopBatch();
    // Shows the engine's progress in the bar and the percent field. Any
    // thread; posts to the window only when the shown value changes.
    void ReportProgress(float percent);
    // Replaces the engine's per-file job, for tests.
    void SetJobRunner(std::function<uint32_t(StampJob&)> runJob);

    // Preview.
    void LoadPreviewFile();
    void StartPreview();
    void RefreshPreview();
    // Stops and joins every preview thread, before a batch or the close; the
    // next request opens the file again, as a job resets what it read.
    void StopPreview();
    void EnablePreviewControls(bool enable);
    // The room for the picture grew by dx, dy (the window's resize).
    void LayoutPreview(int dx, int dy);
    void DrawPreview(wxDC& dc);
    bool PreviewBusy() const { return previewBusy_; }

private:
    struct Controls {
        wxScrolledWindow* page = nullptr;
        wxSlider* slider = nullptr;
        wxCheckBox* dateOn = nullptr;
        wxItemContainer* dateFormat = nullptr;
        wxTextCtrl* dateX = nullptr;
        wxTextCtrl* dateY = nullptr;
        wxCheckBox* timeOn = nullptr;
        // Drawn by the program, like the date list: unlike the toolkit's own
        // list it reports the custom entry chosen again.
        wxItemContainer* timeFormat = nullptr;
        wxTextCtrl* timeX = nullptr;
        wxTextCtrl* timeY = nullptr;
        wxListBox* fileList = nullptr;
        wxTextCtrl* outputFolder = nullptr;
        wxGauge* progress = nullptr;
        wxTextCtrl* percent = nullptr;
        wxCheckBox* autoShutdown = nullptr;
    };

    bool LoadTemplates();
    void LayOutForText();
    void FitToScreen();
    void FitOnceShown();
    void ArrangeFor(wxSize size);
    void CentreHint();
    void OnInitDialog();
    void ReadStartupSettings();
    void SetViewCheckMarks();
    void WarnWhenHevcMissing();
    void BindCloseEvents();
    bool IsOwnKey(wxWindow* origin) const;
    void OnDialogKey(wxKeyEvent& event);
    void RegainKeyboardFocus();
    // Runs `handler` on a command of `type` from the control or menu item `id`.
    void BindCommand(const wxEventTypeTag<wxCommandEvent>& type, int id, void (CWuvoDlg::*handler)());
    void PrepareToClose();
    void WriteSettingsForClose();
    void StopThreadsForClose();
    void FinishClose();
    bool AskToClose();
    bool AskToCloseAndSave();
    bool WriteProject(const std::string& path);
    void SetTitleFor(const char16_t* projectName);
    void EnableIds(std::initializer_list<int> ids, bool enable);
    void BindPanelEvents();
    void BindProjectEvents();
    void BindViewEvents();
    void PromptSaveProject();
    void OpenProject(const std::u16string& name);
    void ShowRecentProjects();
    void ShowLoadedSettings();
    void SetViewMode(uint32_t mode);
    void ShowWaitCursor(bool busy);
    void OnSetCursor();
    void OnStampCheck(bool date);
    void OnFormatSelected(StampStyle& style, uint32_t index, char16_t* customSlot);
    bool RefusalUnderWay() const;
    void Nudge(uint32_t& value, bool towardsZero, uint32_t limit, uint32_t step);
    void ClampPosition(uint32_t& value, bool horizontal);
    void RunStampDialog(StampStyle& style, bool font);
    void BindBatchEvents();
    void EnableListButtons(bool enable);
    void KeepKeyboardFocus();
    void FinishBatch(const BatchReport& report);
    void ShowBatchReport(const BatchReport& report);
    wxWindow* Control(int id) const;

    void InitPreview();
    void BindPreviewEvents();
    bool OpenPreviewFile();
    void RequestPreviewFrame();
    void StopPreviewThreads();
    void OnPreviewResult(const PreviewResult& result);
    void SetPreviewFrameSize(uint32_t width, uint32_t height);
    // False when the file has no frame to show.
    bool SetPreviewFrameCount();
    // Back to no open file: frame 0 of the slider's idle range.
    void ForgetOpenFile();
    // The highlighted file cannot be shown: nothing of the last one stays,
    // and the area shows empty.
    void ShowNoPicture();
    void UpdateFrameStatus();
    void SetPreviewBusy(bool busy);
    void PaintPreview();
    const wxBitmap& PreviewView();
    PictureSize ShownFrameSize() const;
    void OnPaint(wxPaintEvent& event);
    void OnHScroll(wxScrollEvent& event);
    void OnVScroll(wxScrollEvent& event);
    void ScrollPreview(wxScrollEvent& event, wxScrollBar& bar, uint32_t& position, uint32_t& offset);
    void StepPreview(uint32_t frame);
    void OnSliderReleased(wxScrollEvent& event);
    void OnSliderMoved(wxScrollEvent& event);

    Controls c_;
    CWuvoLog* log_ = nullptr;
    // The page laid out for the window's text, and how its controls follow
    // its size; how far they are arranged from the laid out page, and the
    // room given to the picture then.
    std::optional<WindowFit> fit_;
    wxSize stretch_;
    wxRect pictureRoom_;
    // The room the hint leaves beside it in the picture.
    int hintMargins_ = 0;
    // The fit made again with the window manager's frame, once shown.
    bool fittedShown_ = false;
    // Set once the window goes; what workers queued for it is then dropped.
    bool closing_ = false;
    // While the exit question is open; a batch that ends meanwhile keeps
    // its report here.
    bool askingToClose_ = false;
    std::optional<BatchReport> pendingReport_;
    ModalDialogs modalDialogs_{*this};
    bool endingForSignal_ = false;
    // Menus of the menu bar open now.
    int openMenus_ = 0;
    // The control of the window that last held the keyboard.
    wxWeakRef<wxWindow> lastFocused_;
    wxTimer waitCursorTimer_;
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
    // The position edit whose text the last exchange refused; none once an
    // exchange has read every edit.
    wxWindow* refusedEdit_ = nullptr;
    // Nudge repeat: the steps grow while a button is held.
    wxTimer repeatTimer_;
    wxButton* repeatButton_ = nullptr;
    int repeatTimerId_ = 0;
    int32_t repeatTicks_ = 0;
    uint32_t stepX_ = 1;
    uint32_t stepY_ = 1;

    // Preview.
    // Frames the slider offers while no file is open.
    static constexpr int32_t kNoFileFrameCount = 1000;
    // The frame size, and so the stamp positions' limits, while no video is
    // shown.
    static constexpr uint32_t kNoFileFrameWidth = 1920;
    static constexpr uint32_t kNoFileFrameHeight = 1080;
    bool previewBusy_ = false;
    uint32_t fileSelected_ = 0;
    uint32_t currentFrame_ = 0;
    int32_t frameCount_ = 0;
    uint32_t frameWidth_ = 0;
    uint32_t frameHeight_ = 0;
    uint32_t viewWidth_ = 0;
    uint32_t viewHeight_ = 0;
    uint8_t previewLoaded_ = 0;
    uint32_t previewRefresh_ = 0;
    std::u16string wantedFile_;
    std::u16string openFile_;
    wxPanel* picture_ = nullptr;
    wxScrollBar* vScrollBar_ = nullptr;
    wxScrollBar* hScrollBar_ = nullptr;
    wxTextCtrl* previewStatus_ = nullptr;
    bool vBarShown_ = false;
    bool hBarShown_ = false;
    uint32_t vScrollPos_ = 0;
    uint32_t hScrollPos_ = 0;
    uint32_t sourceX_ = 0;
    uint32_t sourceY_ = 0;
    // The newest request; a result of any other is stale.
    uint64_t previewSequence_ = 0;
    std::unique_ptr<PreviewDriver> previewDriver_;
    std::shared_ptr<const RgbPicture> previewPicture_;
    // The frame of the open file whose picture that is.
    std::optional<uint32_t> shownFrame_;
    // The composed view, kept until the picture or the view changes.
    wxBitmap previewView_;
    ViewInput previewViewKey_;

    // Batch.
    uint32_t autoShutdown_ = 0;
    int32_t savedSelection_ = -1;
    std::atomic<uint8_t> batchState_{0};
    // The check box as the batch thread reads it at the batch's end.
    std::atomic<bool> autoShutdownChecked_{false};
    std::unique_ptr<DialogBatchHost> batchHost_;
    std::unique_ptr<BatchThreadParams> batchParams_;
    std::function<uint32_t(StampJob&)> runJob_;
    platform::WorkerThread batchThread_;
    platform::WorkerThread stopThread_;
    std::atomic<int32_t> shownProgress_{-1};
};

}  // namespace wuvo
