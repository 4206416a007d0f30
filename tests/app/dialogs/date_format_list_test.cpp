#include "app/dialogs/date_format_list.h"

#include <algorithm>

#include <gtest/gtest.h>
#include <wx/dcmemory.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/dialogs/format_samples.h"
#include "app/settings/settings_file.h"
#include "support/app_harness.h"
#include "support/screenshot.h"
#include "support/stamp_languages.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

class DateFormatListTest : public testing::Test {
protected:
    void SetUp() override { ResetSettings(gSettings); }
    ScratchFolder home_;
    ScopedEnv local_{"LOCALAPPDATA", home_.Path()};
    ScopedEnv temp_{"TEMP", home_.Path()};
    ScriptedUi ui_;
};

}  // namespace

TEST_F(DateFormatListTest, TheMainWindowsListOffersTheLanguagesFormats)
{
    // The format chosen in the last run comes back selected.
    gSettings.dateStamp.formatIndex = 5;
    ASSERT_TRUE(WriteSettingsFile(home_ / "Wuvo.cfg"));
    ResetSettings(gSettings);
    CWuvoDlg* window = MakeMainDialog();
    auto* list = wxDynamicCast(window->FindWindow(kIdDateFormat), CWuvoDateFormat);
    ASSERT_NE(list, nullptr) << "the template makes the list as the owner-drawn class";
    EXPECT_EQ(list->GetCount(), 8u);
    EXPECT_EQ(list->GetSelection(), 5);

    gSettings.language = kChinese;
    window->FillDateFormatCombo();
    EXPECT_EQ(list->GetCount(), 3u) << "refilled, not added to";
    gSettings.language = kNumeric;
    window->FillDateFormatCombo();
    EXPECT_EQ(list->GetCount(), 7u);
    EXPECT_EQ(list->GetSelection(), 5);

    gSettings.language = kEnglish;
    window->FillDateFormatCombo();
    window->Show();
    list->Popup();
    wxRect shown = list->GetScreenRect();
    shown.height += list->GetPopupWindow()->GetSize().y;
    shown.width = std::max(shown.width, list->GetPopupWindow()->GetSize().x);
    EXPECT_TRUE(SaveScreenArea(shown.Inflate(4), "date_format_list"));
    list->Dismiss();
    CloseQuietly(window);
}

TEST_F(DateFormatListTest, TheFieldShowsTheWholeSampleInEveryLanguage)
{
    CWuvoDlg* window = MakeMainDialog();
    window->Show();
    Pump();
    auto* list = wxDynamicCast(window->FindWindow(kIdDateFormat), CWuvoDateFormat);
    const wxRect field(list->GetTextRect().GetSize());
    // Room to the field's right, where a sample the field cuts would run on.
    wxBitmap canvas(field.width * 2, field.height);
    auto inked = [](const wxImage& image) {
        return std::count_if(image.GetData(), image.GetData() + image.GetWidth() * image.GetHeight() * 3,
                             [](unsigned char value) { return value < 128; });
    };
    for (uint32_t language = 0; language < kLanguageCount; ++language)
        for (uint32_t item = 1; item < DateFormatItemCount(gSettings.language = language); ++item) {
            wxMemoryDC dc(canvas);
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            list->OnDrawItem(dc, field, static_cast<int>(item), wxODCB_PAINTING_CONTROL);
            dc.SelectObject(wxNullBitmap);
            const wxImage image = canvas.ConvertToImage();
            EXPECT_GT(inked(image.GetSubImage(field)), 0) << language << " " << item;
            EXPECT_EQ(inked(image.GetSubImage(wxRect(wxPoint(field.width, 0), field.GetSize()))), 0) << language << " " << item;
        }
    CloseQuietly(window);
}
