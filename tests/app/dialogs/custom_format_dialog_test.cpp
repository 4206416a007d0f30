#include "app/dialogs/custom_format_dialog.h"

#include <cstring>

#include <gtest/gtest.h>

#include "app/dialogs/dialog_ids.h"
#include "engine/text/format_tables.h"
#include "platform/text/utf.h"
#include "support/app_harness.h"
#include "support/dialog_events.h"
#include "support/screenshot.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

constexpr uint32_t kEnglish = 2;

class CustomFormatDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(gSettings);
        gSettings.language = kEnglish;
        platform::CopyToField(style.format, kFormatChars, u"%B %#d, %Y");
        ASSERT_TRUE(dialog.Create(&style));
        dialog.Show();
        Pump();
    }
    StampStyle& style = gSettings.timeStamp;
    ScriptedUi ui;
    CWuvoFormat dialog;
};

}  // namespace

TEST_F(CustomFormatDialogTest, OpensWithThePreviewAndOkUntouchedChangesNoByte)
{
    EXPECT_EQ(EditText(&dialog, kIdFormatText), "%B %#d, %Y");
    EXPECT_EQ(EditText(&dialog, kIdFormatPreview), "June 22, 2003");
    EXPECT_TRUE(SaveWindowShot(&dialog, "custom_format_dialog"));
    const std::string before = SettingsBytes();
    Click(&dialog, wxID_OK);
    EXPECT_EQ(dialog.GetReturnCode(), wxID_OK);
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(CustomFormatDialogTest, ApplyPreviewsWhatWasTypedInTheStampsCase)
{
    Type(&dialog, kIdFormatText, "%I:%M:%S%p");
    EXPECT_EQ(EditText(&dialog, kIdFormatPreview), "June 22, 2003") << "not while typing";
    Click(&dialog, wxID_APPLY);
    EXPECT_EQ(EditText(&dialog, kIdFormatPreview), "09:26:38pm");
    style.upperCase = 1;
    Click(&dialog, wxID_APPLY);
    EXPECT_EQ(EditText(&dialog, kIdFormatPreview), "09:26:38PM");
    const std::string before = SettingsBytes();
    Click(&dialog, wxID_CANCEL);
    EXPECT_FALSE(dialog.IsShown());
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(CustomFormatDialogTest, AFormatOfAFullFieldIsNotPreviewedAndIsCutAtOk)
{
    Type(&dialog, kIdFormatText, wxString('x', 100));
    ui.ExpectMessage("Custom format length too long.", MessageAnswer::Ok);
    Click(&dialog, wxID_APPLY);
    EXPECT_EQ(EditText(&dialog, kIdFormatPreview), "June 22, 2003");
    ui.ExpectMessage("Custom format length too long, truncated.", MessageAnswer::Ok);
    Click(&dialog, wxID_OK);
    EXPECT_EQ(dialog.GetReturnCode(), wxID_OK);
    EXPECT_EQ(std::u16string(style.format), std::u16string(99, u'x'));

    // Ninety-nine characters pass without a word.
    Type(&dialog, kIdFormatText, wxString('y', 99));
    Click(&dialog, wxID_APPLY);
    Click(&dialog, wxID_OK);
    EXPECT_EQ(std::u16string(style.format), std::u16string(99, u'y'));
}

TEST_F(CustomFormatDialogTest, AFormatThatWouldDrawNothingIsExplainedAndKeepsTheDialogOpen)
{
    const std::string before = SettingsBytes();
    for (const char* bad : {"Day %d %", "%Q %Y"}) {
        Type(&dialog, kIdFormatText, bad);
        ui.ExpectMessage("unknown or unfinished conversion", MessageAnswer::Ok);
        Click(&dialog, wxID_APPLY);
        ui.ExpectMessage("unknown or unfinished conversion", MessageAnswer::Ok);
        Click(&dialog, wxID_OK);
        EXPECT_TRUE(dialog.IsShown()) << bad;
    }
    // Cut to 99 characters, the format is checked as it would be stored.
    wxString long300;
    for (int i = 0; i < 100; ++i)
        long300 += "x%Y";
    Type(&dialog, kIdFormatText, long300);
    ui.ExpectMessage("Custom format length too long, truncated.", MessageAnswer::Ok);
    ui.ExpectMessage("longer than 99 characters", MessageAnswer::Ok);
    Click(&dialog, wxID_OK);
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_EQ(SettingsBytes(), before);

    Type(&dialog, kIdFormatText, "");
    Click(&dialog, wxID_OK);
    EXPECT_EQ(dialog.GetReturnCode(), wxID_OK) << "an empty format stays allowed";
    EXPECT_EQ(style.format[0], u'\0');
}
