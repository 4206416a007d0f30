// The program's resident memory over a batch of a 4096x2160 file, in the
// real window: before the batch (the file added and shown in the preview), at
// its peak while it stamps, and after it, idle once the report is shown. The
// first argument puts the file in the batch that many times (1 unless told),
// to show what stays behind from one job to the next.
// Needs a display (run it under xvfb-run on a machine without one).
//
// The clip is made once with the ffmpeg command line in build/bench-data.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/timer.h>

#include "app/batch/batch_runner.h"
#include "app/main_dialog.h"
#include "app/settings/settings_file.h"
#include "app/ui/seams.h"
#include "app/wuvo_app.h"
#include "engine/settings/app_settings.h"
#include "platform/text/utf.h"
#include "support/bench_tools.h"
#include "support/bench_window.h"

namespace {

constexpr int kClipSeconds = 4;
constexpr int kTickMs = 100;
// How long the window stays idle before a figure is taken: the preview's
// decode and the toolkit's redraws have ended by then.
constexpr int kSettleTicks = 30;
constexpr double kKibPerMib = 1024.0;

}  // namespace

// Outside the unnamed namespace: the toolkit's macro declares an accessor
// of it that would otherwise be an unused function of this file alone.
class MemoryBench : public wuvo::CWuvoApp {
public:
    bool OnInit() override
    {
        std::filesystem::path folder = wuvo::bench::DataFolder();
        clip_ = wuvo::bench::MakeUhdClip(folder, kClipSeconds);
        copies_ = argc > 1 ? wxAtoi(argv[1]) : 1;
        if (copies_ < 1) {
            std::fprintf(stderr, "usage: memory_bench [copies of the file in the batch, default 1]\n");
            return false;
        }
        if (clip_.empty() || !InitInstance())
            return false;
        std::filesystem::create_directories(folder / "memory");
        dialog_ = wuvo::bench::ShowMainWindow(&report_);
        if (dialog_ == nullptr)
            return false;
        wuvo::OutputFolder = wuvo::platform::ToUtf16((folder / "memory").string());
        dialog_->CallAfter([this] {
            wuvo::bench::AddThroughChooser(*dialog_, std::vector<std::string>(static_cast<size_t>(copies_), clip_));
        });
        timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
        timer_.Start(kTickMs);
        return true;
    }

private:
    enum class Step { Adding, Stamping };

    // Counts idle ticks; true once the window has been idle long enough.
    bool Settled()
    {
        bool idle = !dialog_->PreviewBusy() && dialog_->BatchState() == wuvo::kBatchIdle;
        idleTicks_ = idle ? idleTicks_ + 1 : 0;
        return idleTicks_ >= kSettleTicks;
    }

    void Tick()
    {
        if (!Settled())
            return;
        pid_t self = getpid();
        if (step_ == Step::Adding) {
            beforeKib_ = wuvo::bench::ResidentKibOf(self);
            wuvo::bench::ResetPeakResident();
            step_ = Step::Stamping;
            idleTicks_ = 0;
            dialog_->OnBnClickedStamp();
        } else if (!report_.empty()) {
            timer_.Stop();
            Print(wuvo::bench::PeakResidentKibOf(self), wuvo::bench::ResidentKibOf(self));
            dialog_->Destroy();
        }
    }

    void Print(long peakKib, long afterKib) const
    {
        std::printf("batch of %d x a %d s 4096x2160 file: %s\n", copies_, kClipSeconds, report_.utf8_str().data());
        std::printf("resident MiB: before %.1f, peak %.1f, after %.1f (after / before %.2f)\n",
                    beforeKib_ / kKibPerMib, peakKib / kKibPerMib, afterKib / kKibPerMib,
                    static_cast<double>(afterKib) / static_cast<double>(beforeKib_));
    }

    wuvo::CWuvoDlg* dialog_ = nullptr;
    std::string clip_;
    int copies_ = 1;
    wxTimer timer_;
    Step step_ = Step::Adding;
    int idleTicks_ = 0;
    long beforeKib_ = 0;
    wxString report_;
};

wxIMPLEMENT_APP(MemoryBench);
