#include <chrono>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/listbox.h>
#include <wx/scrolbar.h>
#include <wx/slider.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/preview/preview_picture.h"
#include "app/settings/settings_file.h"
#include "app/ui/listed_files.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/text/utf.h"
#include "support/app_harness.h"
#include "support/screenshot.h"
#include "support/fixtures.h"
#include "support/media_reference.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

// The view lies inside two frame lines.
constexpr int kInset = 2;

// Frame rows that the default stamps may touch: each text with its outline
// starts at the stamp's y, 64 for the date and 960 for the time.
bool InStampRows(int y)
{
    return (y >= 64 && y < 174) || (y >= 960 && y < 1070);
}

class PreviewWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(gSettings);
        dialog_ = MakeMainDialog();
        dialog_->Show();
        Pump();
    }
    void TearDown() override { CloseQuietly(dialog_); }

    wxWindow* Find(int id) { return dialog_->FindWindow(id); }
    wxScrollBar* Bar(int id) { return static_cast<wxScrollBar*>(Find(id)); }
    wxSlider* Slider() { return static_cast<wxSlider*>(Find(kIdPreviewSlider)); }
    wxString Status() { return static_cast<wxTextCtrl*>(Find(kIdPreviewStatus))->GetValue(); }

    // Adds a fixture to the file list and chooses it.
    void Choose(const std::string& name)
    {
        path_ = FixturePath(name);
        auto* list = static_cast<wxListBox*>(Find(kIdFileList));
        AppendListedFile(*list, platform::ToUtf16(path_));
        list->SetSelection(static_cast<int>(list->GetCount()) - 1);
        ChoiceChanged();
    }
    // The list's selection change, as a click on an item sends it.
    void ChoiceChanged()
    {
        wxCommandEvent event(wxEVT_LISTBOX, kIdFileList);
        event.SetEventObject(Find(kIdFileList));
        Find(kIdFileList)->ProcessWindowEvent(event);
        WaitForFrame();
    }
    // A real click, from the virtual display's pointer.
    void Click(int id)
    {
        wxUIActionSimulator pointer;
        pointer.MouseMove(Find(id)->GetScreenRect().GetPosition() + Find(id)->GetSize() / 2);
        Pump();
        pointer.MouseClick();
        WaitForFrame();
    }
    void Scroll(int id, wxEventType type)
    {
        wxScrollEvent event(type, id);
        event.SetEventObject(Find(id));
        Find(id)->ProcessWindowEvent(event);
        WaitForFrame();
    }
    void WaitForFrame()
    {
        Pump();
        for (int wait = 0; wait < 3000 && dialog_->PreviewBusy(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            Pump();
        }
        EXPECT_FALSE(dialog_->PreviewBusy());
        EXPECT_FALSE(wxIsBusy() || dialog_->GetCursor().IsOk()) << "the wait cursor is gone";
    }

    // The preview area as the window paints it.
    wxImage Painted()
    {
        wxBitmap bitmap(Find(kIdPreviewPicture)->GetClientSize());
        {
            wxMemoryDC dc(bitmap);
            dialog_->DrawPreview(dc);
        }
        return bitmap.ConvertToImage();
    }

    // Actual Size: the view shows ffmpeg's own decode of the 1920 x 1080
    // frame from (0, sy) pixel for pixel, but for the stamps; true when a
    // stamp is seen.
    bool Shows(uint32_t frame, int sy)
    {
        EXPECT_EQ(Slider()->GetValue(), static_cast<int>(frame));
        std::vector<uint8_t> yuv = ReferenceFrame(path_, frame);
        EXPECT_EQ(yuv.size(), I420Bytes(1920, 1080));
        yuv.resize(I420Bytes(1920, 1080));
        RgbPicture reference = ConvertI420ToRgb(yuv.data(), 1920, 1080, {});
        wxImage painted = Painted();
        int stamped = 0;
        for (int y = 0; y + 2 * kInset < painted.GetHeight(); ++y) {
            for (int x = 0; x + 2 * kInset < painted.GetWidth(); ++x) {
                const uint8_t* want = reference.At(static_cast<uint32_t>(x), static_cast<uint32_t>(sy + y));
                const unsigned char* got = painted.GetData() + 3 * ((y + kInset) * painted.GetWidth() + x + kInset);
                if (std::equal(want, want + 3, got))
                    continue;
                ++stamped;
                if (!InStampRows(sy + y)) {
                    ADD_FAILURE() << "frame " << frame << " differs at " << x << "," << sy + y;
                    return false;
                }
            }
        }
        return stamped > 1000;
    }

    CWuvoDlg* dialog_ = nullptr;
    std::string path_;
    ScriptedUi ui_;
};

}  // namespace

TEST_F(PreviewWindowTest, ActualSizeShowsTheStampedFrameWithBarsAndStepsBySyncFrames)
{
    gSettings.viewMode = kViewActualSize;
    Choose("preview_gop10.mp4");
    EXPECT_EQ(Status(), "Frame: 0 (0.0%) [0:00:00:00]");
    wxScrollBar* rows = Bar(kIdPreviewVScroll);
    ASSERT_TRUE(rows->IsShown() && Bar(kIdPreviewHScroll)->IsShown());
    EXPECT_EQ(rows->GetRange(), 1080);
    EXPECT_EQ(Bar(kIdPreviewHScroll)->GetRange(), 1920);
    const int bottom = 1080 - rows->GetPageSize();
    EXPECT_EQ(rows->GetPageSize(), Find(kIdPreviewPicture)->GetSize().y - 2 * kInset);
    EXPECT_TRUE(Shows(0, 0)) << "the date stamp at the top";
    EXPECT_TRUE(SaveWindowShot(dialog_, "preview_actual_size_top"));

    Scroll(kIdPreviewVScroll, wxEVT_SCROLL_LINEDOWN);
    EXPECT_EQ(rows->GetThumbPosition(), 10);
    Scroll(kIdPreviewVScroll, wxEVT_SCROLL_BOTTOM);
    EXPECT_EQ(rows->GetThumbPosition(), bottom);
    EXPECT_TRUE(Shows(0, bottom)) << "the time stamp at the bottom";
    EXPECT_TRUE(SaveWindowShot(dialog_, "preview_actual_size_bottom"));

    // A sync frame every 10 frames; a step past either end stays at the last one.
    for (auto [button, frame] : {std::pair{kIdStepForward1, 10}, {kIdStepForward10, 110}, {kIdStepForward100, 110},
                                 {kIdStepBack1, 100}, {kIdStepBack10, 0}, {kIdStepBack100, 0}}) {
        Click(button);
        EXPECT_EQ(Slider()->GetValue(), frame) << "button " << button;
    }
    Click(kIdStepForward1);
    EXPECT_EQ(Status(), "Frame: 10 (8.3%) [0:00:00:10]");
    EXPECT_TRUE(Shows(10, bottom));

    // Releasing the slider goes on to the next sync frame; past the last one
    // it stays on that, also after a click near the slider's end.
    for (auto [released, frame] : {std::pair{55, 60}, {115, 110}}) {
        Slider()->SetValue(released);
        Scroll(kIdPreviewSlider, wxEVT_SCROLL_THUMBRELEASE);
        EXPECT_EQ(Slider()->GetValue(), frame);
    }
    wxUIActionSimulator user;
    const wxRect slider = Slider()->GetScreenRect();
    for (int x : {slider.x + slider.width / 2, slider.GetRight() - 20}) {
        user.MouseMove(x, slider.y + slider.height / 2);
        Pump();
        user.MouseClick();
        WaitForFrame();
    }
    EXPECT_EQ(Slider()->GetValue(), 110);
    // The keys move the picture with the knob; a key back shows the sync frame
    // at or before the knob, not the one after it again.
    for (auto [key, frame] : {std::pair{WXK_HOME, 0}, {WXK_RIGHT, 10}, {WXK_END, 110}, {WXK_LEFT, 100}}) {
        user.Char(key);
        WaitForFrame();
        EXPECT_EQ(Slider()->GetValue(), frame) << "key " << key;
        EXPECT_TRUE(Status().StartsWith(wxString::Format("Frame: %d ", frame))) << Status();
    }
    EXPECT_TRUE(Shows(100, bottom));
}

TEST_F(PreviewWindowTest, FitShowsTheWholeFrameAndAPortraitVideoUpright)
{
    Choose("preview_gop10.mp4");
    EXPECT_FALSE(Bar(kIdPreviewVScroll)->IsShown() || Bar(kIdPreviewHScroll)->IsShown());
    EXPECT_EQ(Painted().GetSize(), wxSize(644, 364)) << "no room kept for bars";
    EXPECT_TRUE(SaveWindowShot(dialog_, "preview_fit"));

    // 240 x 320 upright in 640 x 360: 270 columns in the middle, grey bars of 185 beside.
    Choose("rotate90.mp4");
    wxImage painted = Painted();
    auto grey = [&](int x) {
        return painted.GetRed(x + kInset, 180) == kBarGrey && painted.GetGreen(x + kInset, 180) == kBarGrey &&
               painted.GetBlue(x + kInset, 180) == kBarGrey;
    };
    EXPECT_TRUE(grey(0) && grey(184) && grey(455) && grey(639));
    int coloured = 0;
    for (int x = 185; x < 455; ++x)
        coloured += grey(x) ? 0 : 1;
    EXPECT_GT(coloured, 200);
    EXPECT_TRUE(SaveWindowShot(dialog_, "preview_fit_portrait"));

    // Shown 16:9 from 1440x1080 wide pixels, as players show it: no bars.
    Choose("anamorphic.mp4");
    painted = Painted();
    EXPECT_FALSE(grey(0) || grey(639));
    EXPECT_TRUE(SaveWindowShot(dialog_, "preview_fit_anamorphic"));
}

TEST_F(PreviewWindowTest, AFailedOpenIsShownEachTimeTheFileIsChosen)
{
    ui_.ExpectMessage("is not HEVC format video file", MessageAnswer::Ok);
    Choose("h264.mp4");
    ui_.ExpectMessage("is not HEVC format video file", MessageAnswer::Ok);
    ChoiceChanged();
    EXPECT_EQ(Painted().GetRed(100, 100), 124) << "the empty area";

    ui_.ExpectMessage("Video resolution too large: width = 4352, height = 2176.", MessageAnswer::Ok);
    Choose("oversize.mp4");
    Choose("hd1080.mp4");
    EXPECT_EQ(Status(), "Frame: 0 (0.0%) [0:00:00:00]");
}

TEST_F(PreviewWindowTest, DuringABatchOnlyTheEmptyAreaIsPaintedAndAfterItTheFileOpensAgain)
{
    Choose("hd1080.mp4");
    Click(kIdStepForward1);
    ASSERT_EQ(Slider()->GetValue(), 1);
    dialog_->StopPreview();
    gSettings.idle = 0;
    dialog_->EnablePreviewControls(false);
    EXPECT_FALSE(Slider()->IsEnabled() || Find(kIdStepBack100)->IsEnabled());
    dialog_->RefreshPreview();
    EXPECT_FALSE(dialog_->PreviewBusy());
    wxImage painted = Painted();
    EXPECT_EQ(painted.GetRed(0, 0), 160) << "outer frame line";
    EXPECT_EQ(painted.GetRed(1, 1), 255) << "inner frame line";
    EXPECT_EQ(wxColour(painted.GetRed(300, 200), painted.GetGreen(300, 200), painted.GetBlue(300, 200)),
              wxColour(124, 0, 124));

    // A job leaves its own file's tables and frames behind, and the first
    // paint after the batch opens the file again.
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->Reset();
        gFramePool->frameCount = 5;
    }
    gSettings.idle = 1;
    dialog_->EnablePreviewControls(true);
    Find(kIdPreviewPicture)->Refresh();
    Find(kIdPreviewPicture)->Update();
    WaitForFrame();
    EXPECT_EQ(Status(), "Frame: 0 (0.0%) [0:00:00:00]") << "opened again from its start";
    EXPECT_EQ(Slider()->GetMax(), 30);
}
