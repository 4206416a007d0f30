#include "app/dialogs/font_attributes_dialog.h"

#include <cstring>
#include <memory>

#include <gtest/gtest.h>
#include <wx/fontenum.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include "app/dialogs/dialog_ids.h"
#include "app/dialogs/font_record_adaptor.h"
#include "app/ui/text.h"
#include "engine/stamp/text_rasterizer.h"
#include "platform/gdi/font_match.h"
#include "platform/text/utf.h"
#include "support/app_harness.h"
#include "support/dialog_events.h"
#include "support/screenshot.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

class FontAttributesDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(gSettings);
        Open();
    }
    void Open()
    {
        dialog = std::make_unique<CWuvoBrightness>(nullptr);
        ASSERT_TRUE(dialog->Create(&style));
        dialog->Show();
        Pump();
    }
    wxString FontStatus() const
    {
        return static_cast<wxStaticText*>(dialog->FindWindow(kIdStampFontStatus))->GetLabel();
    }
    int CheckedRadios() const
    {
        int on = 0;
        for (int id : {kIdRotate0, kIdRotate90, kIdRotate180, kIdRotate270})
            on += IsChecked(dialog.get(), id);
        return on;
    }

    StampStyle& style = gSettings.timeStamp;
    ScriptedUi ui;
    std::unique_ptr<CWuvoBrightness> dialog;
};

}  // namespace

TEST_F(FontAttributesDialogTest, OpensWithItsLabelsAndOkUntouchedChangesNoByte)
{
    EXPECT_TRUE(SaveWindowShot(dialog.get(), "font_attributes_dialog"));
    EXPECT_EQ(EditText(dialog.get(), kIdFontBrightnessLabel), "86%");
    EXPECT_EQ(EditText(dialog.get(), kIdOutlineBrightnessLabel), "7%");
    EXPECT_EQ(EditText(dialog.get(), kIdTransparencyLabel), "0%");
    EXPECT_TRUE(IsChecked(dialog.get(), kIdRotate0));
    EXPECT_TRUE(FontStatus().Contains("Stamp font:")) << FontStatus();
    const std::string before = SettingsBytes();
    Click(dialog.get(), wxID_OK);
    EXPECT_EQ(dialog->GetReturnCode(), wxID_OK);
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(FontAttributesDialogTest, ControlsFollowAtOnceAndOkKeepsEveryMove)
{
    SetCheck(dialog.get(), kIdOutline, false);
    EXPECT_FALSE(IsEnabled(dialog.get(), kIdOutlineBrightness));
    SelectRadio(dialog.get(), kIdRotate90);
    EXPECT_EQ(CheckedRadios(), 1);
    EXPECT_TRUE(IsChecked(dialog.get(), kIdRotate90));
    MoveSlider(dialog.get(), kIdFontBrightness, 255);
    EXPECT_EQ(EditText(dialog.get(), kIdFontBrightnessLabel), "100%");
    SetCheck(dialog.get(), kIdUppercase, true);
    // Moved last, by the keyboard: no notification reaches the dialog.
    static_cast<wxSlider*>(dialog->FindWindow(kIdTransparency))->SetValue(40);
    Click(dialog.get(), wxID_OK);
    EXPECT_EQ(style.outline, 0u);
    EXPECT_EQ(style.rotation, 90u);
    EXPECT_EQ(style.fontBrightness, 255u);
    EXPECT_EQ(style.upperCase, 1u);
    EXPECT_EQ(style.transparency, 40u);
}

TEST_F(FontAttributesDialogTest, TheChooserOpensOnTheStampFontAndItsChoiceIsStoredAtTheRastersDpi)
{
    ui.ExpectFont(std::nullopt);
    const std::string before = SettingsBytes();
    Click(dialog.get(), kIdChooseFont);
    // Arial is not installed here: the chooser is offered the family the
    // stamp is drawn with, which it can select.
    EXPECT_EQ(FromWx(ui.FontOffered().GetFaceName()),
              platform::MatchedFontFamily(DescribeStampFont(style.font, style.rasterHeight)));
    EXPECT_TRUE(wxFontEnumerator::IsValidFacename(ui.FontOffered().GetFaceName())) << ui.FontOffered().GetFaceName();
    EXPECT_DOUBLE_EQ(ui.FontOffered().GetFractionalPointSize(), 36.0);
    EXPECT_EQ(ui.FontOffered().GetNumericWeight(), 700);

    ui.ExpectFont(wxFont(wxFontInfo(10.5).FaceName("DejaVu Serif").Italic()));
    Click(dialog.get(), kIdChooseFont);
    EXPECT_EQ(SettingsBytes(), before) << "only OK stores";
    EXPECT_EQ(FontStatus(), "Stamp font: DejaVu Serif, 10.5 pt");
    Click(dialog.get(), wxID_OK);
    EXPECT_EQ(std::u16string(style.font.faceName), u"DejaVu Serif");
    EXPECT_EQ(style.rasterHeight, 105);
    EXPECT_EQ(style.font.height, -14) << "10.5 points at 96 pixels per inch";
    EXPECT_EQ(style.font.italic, 1);
    EXPECT_EQ(style.font.weight, 400);
    EXPECT_EQ(style.font.pitchAndFamily, 0x12) << "fields the chooser does not know are kept";
}

TEST_F(FontAttributesDialogTest, AFontThisSystemLacksIsReportedWithItsFallback)
{
    platform::CopyToField(style.font.faceName, kFaceNameChars, u"Nowhere Sans Pro");
    Open();
    EXPECT_TRUE(FontStatus().StartsWith("Stamp font: ") && FontStatus().EndsWith(", in place of Nowhere Sans Pro"))
        << FontStatus();
    EXPECT_FALSE(FontStatus().Contains("Stamp font: ,")) << "a stamp never falls back to no font";

    // A face whose name does not fit the stored record is not taken.
    ui.ExpectFont(wxFont(wxFontInfo(12).FaceName(wxString('W', 40))));
    Click(dialog.get(), kIdChooseFont);
    EXPECT_TRUE(FontStatus().Contains("its name is too long")) << FontStatus();
    Click(dialog.get(), wxID_OK);
    EXPECT_EQ(std::u16string(style.font.faceName), u"Nowhere Sans Pro");
    EXPECT_EQ(style.rasterHeight, 360);
}

TEST_F(FontAttributesDialogTest, CancelStoresNothing)
{
    ui.ExpectFont(wxFont(wxFontInfo(20).FaceName("DejaVu Sans")));
    Click(dialog.get(), kIdChooseFont);
    SelectRadio(dialog.get(), kIdRotate270);
    const std::string before = SettingsBytes();
    Click(dialog.get(), wxID_CANCEL);
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(SettingsBytes(), before);
}

TEST(FontRecordAdaptor, RecordAndToolkitFontRoundTrip)
{
    AppSettings settings;
    ResetSettings(settings);
    FontRecord record = settings.dateStamp.font;
    wxFont font = FontOfRecord(record, 360);
    FontRecord back = record;
    int32_t tenths = 0;
    ASSERT_TRUE(StoreFontInRecord(font, back, tenths));
    EXPECT_EQ(tenths, 360);
    EXPECT_EQ(std::memcmp(&back, &record, sizeof record), 0) << "the default font survives the toolkit unchanged";
    // Sizes outside what a stamp can be drawn at are bounded.
    ASSERT_TRUE(StoreFontInRecord(wxFont(wxFontInfo(2000).FaceName("DejaVu Sans")), back, tenths));
    EXPECT_EQ(tenths, 7200);
    EXPECT_EQ(back.height, -960);
    EXPECT_FALSE(StoreFontInRecord(wxFont(wxFontInfo(12).FaceName(wxString('W', 32))), back, tenths));
    EXPECT_TRUE(StoreFontInRecord(wxFont(wxFontInfo(12).FaceName(wxString('W', 31))), back, tenths));
}
