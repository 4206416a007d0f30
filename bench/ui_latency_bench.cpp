// How responsive the window stays while it stamps: a timer asks to run every
// few milliseconds on the user-interface thread while the real window stamps
// the 10 s 1080p clip, and the benchmark prints how late the ticks came.
// Needs a display (run it under xvfb-run on a machine without one).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <wx/app.h>
#include <wx/timer.h>

#include "app/batch/batch_runner.h"
#include "app/main_dialog.h"
#include "app/settings/settings_file.h"
#include "app/wuvo_app.h"
#include "platform/text/utf.h"
#include "support/bench_tools.h"
#include "support/bench_window.h"

namespace {

constexpr int kTickMs = 5;
constexpr double kPercentile = 0.99;

class LatencyBench : public wuvo::CWuvoApp {
public:
    bool OnInit() override
    {
        std::filesystem::path folder = wuvo::bench::DataFolder();
        std::string clip = wuvo::bench::MakeClip(folder);
        if (clip.empty() || !InitInstance())
            return false;
        std::filesystem::create_directories(folder / "ui_latency");
        dialog_ = wuvo::bench::ShowMainWindow(&report_);
        if (dialog_ == nullptr)
            return false;
        wuvo::OutputFolder = wuvo::platform::ToUtf16((folder / "ui_latency").string());
        timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
        timer_.Start(kTickMs);
        dialog_->CallAfter([this, clip] {
            wuvo::bench::AddThroughChooser(*dialog_, {clip});
            dialog_->OnBnClickedStamp();
        });
        return true;
    }

private:
    void Tick()
    {
        long now = watch_.Time();
        if (dialog_->BatchState() != wuvo::kBatchIdle && last_ >= 0)
            delays_.push_back(now - last_ - kTickMs);
        last_ = now;
        if (!report_.empty() && dialog_->BatchState() == wuvo::kBatchIdle) {
            timer_.Stop();
            Print();
            dialog_->Destroy();
        }
    }
    void Print() const
    {
        std::vector<long> sorted = delays_;
        std::sort(sorted.begin(), sorted.end());
        if (sorted.empty())
            return;
        long p99 = sorted[static_cast<size_t>(static_cast<double>(sorted.size() - 1) * kPercentile)];
        std::printf("batch: %s\n", report_.utf8_str().data());
        std::printf("event loop delay while stamping: longest %ld ms, 99th percentile %ld ms (%zu ticks of %d ms)\n",
                    sorted.back(), p99, sorted.size(), kTickMs);
    }

    wuvo::CWuvoDlg* dialog_ = nullptr;
    wxTimer timer_;
    wxStopWatch watch_;
    long last_ = -1;
    std::vector<long> delays_;
    wxString report_;
};

}  // namespace

wxIMPLEMENT_APP(LatencyBench);
