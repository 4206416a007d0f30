#include "app/dialogs/date_format_list.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"
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
