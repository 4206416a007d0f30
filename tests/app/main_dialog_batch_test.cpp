#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/textctrl.h>

#include "app/batch/batch_runner.h"
#include "app/control_ids.h"
#include "app/log/log_window.h"
#include "app/main_dialog.h"
#include "app/settings/settings_file.h"
#include "engine/job/run_stamp_job.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/pipeline/thread_state_setters.h"
#include "platform/text/utf.h"
#include "support/app_harness.h"
#include "support/dialog_events.h"
#include "support/damaged_copies.h"
#include "support/screenshot.h"
#include "support/ffprobe.h"
#include "support/fixtures.h"
#include "support/media_reference.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

class MainDialogBatchTest : public testing::Test {
protected:
    void SetUp() override
    {
        OutputFolder.clear();
        dialog_ = MakeMainDialog();
        gSettings.hideUtcNote = 1;
        dialog_->Show();
        list_ = static_cast<wxListBox*>(dialog_->FindWindow(kIdFileList));
    }
    void TearDown() override
    {
        if (dialog_->BatchState() != kBatchIdle)
            dialog_->StopBatch();
        CloseQuietly(dialog_);
    }
    void AddFiles(std::vector<std::string> paths)
    {
        ui_.ExpectFiles(std::move(paths));
        Click(dialog_, kIdAdd);
    }
    void ChooseOutputFolder(const std::string& folder)
    {
        ui_.ExpectFolder(folder);
        Click(dialog_, kIdBrowse);
    }
    bool WaitForBatchEnd() { return PumpUntil([&] { return dialog_->BatchState() == kBatchIdle; }); }

    ScratchFolder home_;
    ScopedEnv local_{"LOCALAPPDATA", home_.Path()};
    ScratchFolder out_;
    ScriptedUi ui_;
    CWuvoDlg* dialog_ = nullptr;
    wxListBox* list_ = nullptr;
};

std::string Video(const std::string& fixture)
{
    return FixturePath(fixture);
}

// Which of `names` the chooser's filter lists, asked as GTK's file list asks
// it: with the file's own name and the name shown for it.
std::vector<std::string> Listed(wxFileDialog& chooser, const std::vector<std::string>& names)
{
    GSList* filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(chooser.GetHandle()));
    EXPECT_EQ(g_slist_length(filters), 1u);
    std::vector<std::string> listed;
    for (const std::string& name : names) {
        const std::string path = "/camera/" + name;
        gchar* valid = g_utf8_make_valid(name.c_str(), -1);
        const std::string shown = name == valid ? name : std::string(valid) + " (invalid encoding)";
        g_free(valid);
        GtkFileFilterInfo info{};
        info.contains = static_cast<GtkFileFilterFlags>(GTK_FILE_FILTER_FILENAME | GTK_FILE_FILTER_DISPLAY_NAME);
        info.filename = path.c_str();
        info.display_name = shown.c_str();
        if (filters != nullptr && gtk_file_filter_filter(GTK_FILE_FILTER(filters->data), &info))
            listed.push_back(name);
    }
    g_slist_free(filters);
    return listed;
}

// Blocks like a job's thread until the batch is stopped.
uint32_t BlockUntilStopped(StampJob&)
{
    SetParseState(1);
    while (!IsAbortRequested(*gParseThreadState))
        wxMilliSleep(1);
    SetRunning(*gParseThreadState, false);
    return kJobFailedResult;
}

}  // namespace

TEST_F(MainDialogBatchTest, StampChecksTheBatchFirst)
{
    ui_.ExpectMessage("No file to stamp.", MessageAnswer::Ok);
    Click(dialog_, kIdStamp);
    AddFiles({Video("short3.mp4")});
    ui_.ExpectMessage("Please select a valid output folder.", MessageAnswer::Ok);
    Click(dialog_, kIdStamp);
    ChooseOutputFolder(out_ / "gone");
    ui_.ExpectMessage("Output folder does not exist.", MessageAnswer::Ok);
    Click(dialog_, kIdStamp);
    EXPECT_EQ(static_cast<wxTextCtrl*>(dialog_->FindWindow(kIdOutputFolder))->GetValue(), out_ / "gone");
    EXPECT_EQ(dialog_->BatchState(), kBatchIdle);
}

// The settings file keeps an output folder of 127 UTF-16 units at most: a
// longer one is refused when it is chosen, not lost at the next start.
TEST_F(MainDialogBatchTest, BrowseRefusesAFolderTheSettingsCannotKeep)
{
    const std::string kept = "/" + std::string(126, 'k');
    ChooseOutputFolder(kept);
    EXPECT_EQ(OutputFolder, platform::ToUtf16(kept));
    // 65 characters, but 128 units: each of the 63 faces takes two.
    std::string tooLong = "/";
    for (int i = 0; i < 63; ++i)
        tooLong += "\U0001F600";
    tooLong += "x";
    ui_.ExpectMessage("Output folder path is too long", MessageAnswer::Ok);
    ChooseOutputFolder(tooLong);
    EXPECT_EQ(OutputFolder, platform::ToUtf16(kept));
    EXPECT_EQ(static_cast<wxTextCtrl*>(dialog_->FindWindow(kIdOutputFolder))->GetValue(), wxString::FromUTF8(kept));
    ASSERT_EQ(ui_.Shown().size(), 1u);
    EXPECT_TRUE(ui_.Shown()[0].StartsWith("Error: ")) << ui_.Shown()[0];
}

TEST_F(MainDialogBatchTest, AddShowsTheUtcNoteUntilItIsHidden)
{
    gSettings.hideUtcNote = 0;
    SettingsModified = false;
    // Esc keeps the note's old value, even with the box ticked.
    ui_.ExpectFiles({});
    ui_.ExpectDialog("About UTC", [](wxDialog& note) {
        static_cast<wxCheckBox*>(note.FindWindow(1088))->SetValue(true);
        note.EndModal(wxID_CANCEL);
    });
    Click(dialog_, kIdAdd);
    EXPECT_EQ(gSettings.hideUtcNote, 0u);
    EXPECT_FALSE(SettingsModified) << "a cancelled Add changes nothing";
    // Its chooser lists camera files by their extensions in any case, and
    // by their own names, which need not be UTF-8.
    std::unique_ptr<wxFileDialog> chooser = MakeFileChooser(dialog_, ui_.FileRequests().back());
    const std::vector<std::string> cameraFiles = {"clip.Mp4", "Trip.Mov", "a.mp4", "B.MOV", "caf\xE9.mov"};
    std::vector<std::string> names = cameraFiles;
    names.insert(names.end(), {"notes.txt", "a.mp4.part", "mp4"});
    EXPECT_EQ(Listed(*chooser, names), cameraFiles);

    ui_.ExpectFiles({Video("short3.mp4"), Video("hevc_newyear.mov")});
    ui_.ExpectDialog("About UTC", [](wxDialog& note) {
        static_cast<wxCheckBox*>(note.FindWindow(1088))->SetValue(true);
        Click(&note, wxID_OK);
    });
    Click(dialog_, kIdAdd);
    EXPECT_EQ(gSettings.hideUtcNote, 1u);
    EXPECT_TRUE(SettingsModified);
    EXPECT_EQ(std::u16string(gSettings.lastInputPath), platform::ToUtf16(FixturePath("short3.mp4")));
    ASSERT_EQ(list_->GetCount(), 2u);
    EXPECT_EQ(list_->GetSelection(), 0);

    ui_.ExpectFiles({Video("no_audio.mp4")});  // no note any more
    Click(dialog_, kIdAdd);
    list_->SetSelection(2);
    Click(dialog_, kIdRemove);
    EXPECT_EQ(list_->GetSelection(), 1) << "the entry before a removed last one";
    ui_.ExpectMessage("Clear all files?", MessageAnswer::No);
    Click(dialog_, kIdClear);
    EXPECT_EQ(list_->GetCount(), 2u);
    ui_.ExpectMessage("Clear all files?", MessageAnswer::Yes);
    Click(dialog_, kIdClear);
    EXPECT_TRUE(list_->IsEmpty());
}

TEST_F(MainDialogBatchTest, StopDisablesAndReportsWhileStampDoesNothingDuringABatch)
{
    AddFiles({Video("short3.mp4"), Video("no_audio.mp4")});
    ChooseOutputFolder(out_.Path());
    list_->SetSelection(1);
    dialog_->SetJobRunner(BlockUntilStopped);
    Click(dialog_, kIdStamp);
    ASSERT_TRUE(PumpUntil([] { return IsRunning(*gParseThreadState); }));
    EXPECT_EQ(dialog_->BatchState(), kBatchStamping);
    EXPECT_EQ(gSettings.idle, 0u);
    for (int id : {kIdAdd, kIdRemove, kIdClear, kIdBrowse, kIdStamp, kIdDateStamp, kIdDateUp, kIdTimeFormat, kIdPreviewSlider})
        EXPECT_FALSE(IsEnabled(dialog_, id)) << id;
    EXPECT_TRUE(IsEnabled(dialog_, kIdStop));
    EXPECT_TRUE(IsEnabled(dialog_, kIdAutoShutdown)) << "it may still be ticked for the batch's end";
    EXPECT_FALSE(dialog_->GetMenuBar()->IsEnabled(kCmdOpen));
    EXPECT_TRUE(dialog_->GetMenuBar()->IsEnabled(kCmdExit));
    dialog_->OnBnClickedStamp();  // pressed again: nothing happens

    ui_.ExpectMessage("File stamp interrupted!", MessageAnswer::Ok);
    Click(dialog_, kIdStop);
    EXPECT_FALSE(IsEnabled(dialog_, kIdStop));
    ASSERT_TRUE(WaitForBatchEnd());
    EXPECT_TRUE(IsEnabled(dialog_, kIdStamp));
    EXPECT_FALSE(IsEnabled(dialog_, kIdStop));
    EXPECT_EQ(gSettings.idle, 1u);
    EXPECT_EQ(list_->GetSelection(), 1) << "the selection from before the batch";
    std::vector<std::u16string> lines = dialog_->Log().Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[lines.size() - 2], u"Stamping interrupted.\n");
}

TEST_F(MainDialogBatchTest, ClosingDuringABatchStopsAndWaitsForItFirst)
{
    AddFiles({Video("short3.mp4"), Video("no_audio.mp4")});
    ChooseOutputFolder(out_.Path());
    dialog_->SetJobRunner(BlockUntilStopped);
    Click(dialog_, kIdStamp);
    ASSERT_TRUE(PumpUntil([] { return IsRunning(*gParseThreadState); }));
    ui_.ExpectMessage("Save changes before exiting?", MessageAnswer::No);
    EXPECT_TRUE(dialog_->OnCancel());
    EXPECT_FALSE(IsRunning(*gParseThreadState));
    std::vector<std::u16string> lines = dialog_->Log().Lines();
    EXPECT_EQ(lines.back().rfind(u"==========", 0), 0u) << "the batch closed its last entry";
    EXPECT_TRUE(std::filesystem::exists(home_ / "Wuvo.log"));
    dialog_ = MakeMainDialog();  // for the common tear-down
}

TEST_F(MainDialogBatchTest, AutoShutdownSavesTheLogThenPowersOffThenReports)
{
    AddFiles({Video("short3.mp4")});
    ChooseOutputFolder(out_.Path());
    std::vector<std::string> order;
    Seams().powerOff = [&] {
        order.push_back(std::filesystem::exists(home_ / "Wuvo.log") ? "log, then power off" : "power off");
        return platform::PowerOffResult::Disabled;
    };
    ui_.ExpectMessage("0 out of 1 files stamped successfully, view log for detail.", MessageAnswer::Ok);
    dialog_->SetJobRunner([](StampJob&) { return kJobFailedResult; });
    SetCheck(dialog_, kIdAutoShutdown, true);
    Click(dialog_, kIdStamp);
    ASSERT_TRUE(WaitForBatchEnd());
    EXPECT_EQ(order, std::vector<std::string>{"log, then power off"});
}

// A batch left to shut the computer down is not held by a warning that
// nobody is there to read.
TEST_F(MainDialogBatchTest, AWarningDoesNotHoldABatchLeftToShutDown)
{
    std::filesystem::copy_file(FixturePath("short3.mp4"), out_ / "short3.mp4");
    AddFiles({out_ / "short3.mp4"});
    ChooseOutputFolder(out_.Path());
    std::atomic<bool> poweredOff{false};
    Seams().powerOff = [&] {
        poweredOff = true;
        return platform::PowerOffResult::Disabled;
    };
    bool poweredOffWhileShown = false;
    ui_.ExpectMessage("Input file cannot be the same as output file", MessageAnswer::Ok, [&] {
        for (int waited = 0; waited < 1000 && !poweredOff; ++waited)
            wxMilliSleep(10);
        poweredOffWhileShown = poweredOff;
    });
    ui_.ExpectMessage("0 out of 1 files stamped successfully", MessageAnswer::Ok);
    SetCheck(dialog_, kIdAutoShutdown, true);
    Click(dialog_, kIdStamp);
    ASSERT_TRUE(WaitForBatchEnd());
    EXPECT_TRUE(poweredOffWhileShown);
}

// The real engine, as a person would use it: three camera files, one of them
// damaged, an output folder, Stamp, and the report. The outputs get the
// bitrate of the settings. A file and the folder named with bytes that are
// not UTF-8 (from an old archive) keep their names byte for byte.
TEST_F(MainDialogBatchTest, StampsRealFilesWithProgressAndReport)
{
    // The lowest the preferences offer, 2.0 Mbit/s: little enough for the
    // encoder to spend in full on a 640x360 picture.
    gSettings.bitrate = kMinBitrate;
    constexpr double kBitsPerSecond = 2'000'000;
    std::string broken = out_ / "broken.mp4";
    std::string damaged = ReadFileText(FixturePath("long.mp4"));
    std::ofstream(broken, std::ios::binary) << damaged.substr(0, damaged.size() / 3);
    const std::string archived = out_ / "Caf\xE9.mov";
    std::filesystem::copy_file(FixturePath("hevc_newyear.mov"), archived);
    ScratchFolder scratch;
    const std::string outputs = scratch / "\xE9t\xE9";
    std::filesystem::create_directory(outputs);
    AddFiles({FixturePath("long.mp4"), broken, archived});
    ChooseOutputFolder(outputs);
    EXPECT_EQ(platform::ToUtf8(OutputFolder), outputs);
    EXPECT_EQ(list_->GetString(2), wxString::FromUTF8(out_ / "Caf\uFFFD.mov")) << "shown as the file chooser shows it";
    auto* gauge = static_cast<wxGauge*>(dialog_->FindWindow(kIdProgress));

    ui_.ExpectMessage("2 out of 3 files stamped successfully, view log for detail.", MessageAnswer::Ok);
    Click(dialog_, kIdStamp);
    ASSERT_TRUE(PumpUntil([&] { return gauge->GetValue() > 300 || dialog_->BatchState() == kBatchIdle; }));
    EXPECT_TRUE(SaveWindowShot(dialog_, "batch_running"));
    ASSERT_TRUE(WaitForBatchEnd());
    EXPECT_TRUE(SaveWindowShot(dialog_, "batch_done"));

    EXPECT_EQ(ProbeVideo(outputs + "/long.mp4").frameCount, ProbeVideo(FixturePath("long.mp4")).frameCount);
    std::vector<std::string> bitrate = Probe(outputs + "/long.mp4", "v:0", "stream=bit_rate");
    ASSERT_EQ(bitrate.size(), 1u);
    EXPECT_NEAR(std::stod(bitrate[0]), kBitsPerSecond, kBitsPerSecond * 0.1);
    EXPECT_EQ(ProbeVideo(outputs + "/Caf\xE9.mp4").frameCount, ProbeVideo(archived).frameCount);
    EXPECT_FALSE(std::filesystem::exists(outputs + "/broken.mp4")) << "nothing of a failed file stays";
    std::vector<std::u16string> lines = dialog_->Log().Lines();
    auto has = [&](const std::u16string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
    EXPECT_TRUE(has(u"\tInput file:  " + platform::ToUtf16(broken)));
    EXPECT_TRUE(has(u"\tOutput file: " + platform::ToUtf16(outputs + "/long.mp4")));
    EXPECT_TRUE(has(u"\tOutput file: " + platform::ToUtf16(outputs + "/Caf\xE9.mp4")));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::u16string& l) { return l.starts_with(u"=========="); }),
              4);
}

// Files copied part way, or whose sound cannot be read, among good ones: a
// damaged file is not counted, the log says why, nothing of it is left, and
// the good file after it is stamped whole.
TEST_F(MainDialogBatchTest, DamagedFilesAreNotCountedAndTheLogSaysWhy)
{
    std::string camera = FixturePath("hevc_faststart.mp4");
    std::vector<PacketSpan> packets = VideoPackets(camera);
    ASSERT_EQ(packets.size(), 60u);
    // Copied half way: the data of its first 29 frames and no more.
    std::string halfCopied = CutCopy(camera, packets[28].position + packets[28].size, out_ / "half_copied.mp4");
    std::string headerOnly = CutCopy(camera, packets[0].position, out_ / "header_only.mp4");
    std::string soundLost = DamagedSoundCopy(camera, SoundDamage::ChunksPastTheEnd, out_ / "sound_lost.mp4");
    ScratchFolder outputs;
    AddFiles({camera, halfCopied, soundLost, headerOnly, FixturePath("hevc_newyear.mov")});
    ChooseOutputFolder(outputs.Path());
    ui_.ExpectMessage("2 out of 5 files stamped successfully, view log for detail.", MessageAnswer::Ok);
    Click(dialog_, kIdStamp);
    ASSERT_TRUE(WaitForBatchEnd());

    EXPECT_EQ(ProbeVideo(outputs / "hevc_faststart.mp4").frameCount, packets.size());
    EXPECT_EQ(ProbeVideo(outputs / "hevc_newyear.mp4").frameCount,
              ProbeVideo(FixturePath("hevc_newyear.mov")).frameCount);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outputs.Path()), {}), 2)
        << "nothing of a failed file stays";
    // What the log says of a file between its input and output lines.
    std::vector<std::u16string> lines = dialog_->Log().Lines();
    using Said = std::vector<std::u16string>;
    auto said = [&](const std::string& input) {
        auto from = std::find(lines.begin(), lines.end(), u"\tInput file:  " + platform::ToUtf16(input));
        auto to = std::find_if(from, lines.end(), [](const std::u16string& l) { return l.starts_with(u"\tOutput"); });
        return from == lines.end() ? Said{} : Said(from + 1, to);
    };
    auto framesRead = [](const char16_t* count, const std::string& input) {
        return Said{count + (u" of the 60 frames listed could be read from <" + platform::ToUtf16(input) + u">\n")};
    };
    EXPECT_EQ(said(halfCopied), framesRead(u"29", halfCopied));
    EXPECT_EQ(said(headerOnly), framesRead(u"0", headerOnly));
    EXPECT_EQ(said(soundLost), Said{u"The sound of <" + platform::ToUtf16(soundLost) +
                                    u"> could not be read; tick \"Disable audio.\" to stamp the picture alone\n"});
}
