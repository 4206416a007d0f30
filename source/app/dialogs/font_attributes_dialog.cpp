#include "app/dialogs/font_attributes_dialog.h"

#include <array>

#include <wx/slider.h>
#include <wx/stattext.h>

#include "app/dialogs/dialog_ids.h"
#include "app/dialogs/font_attributes.h"
#include "app/dialogs/font_record_adaptor.h"
#include "app/ui/seams.h"
#include "app/ui/text.h"
#include "engine/stamp/text_rasterizer.h"
#include "platform/gdi/font_match.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

struct RotationRadio {
    int id;
    uint32_t degrees;
};
constexpr std::array<RotationRadio, 4> kRotationRadios{{
    {kIdRotate0, 0}, {kIdRotate90, 90}, {kIdRotate180, 180}, {kIdRotate270, 270}}};

}  // namespace

CWuvoBrightness::CWuvoBrightness(wxWindow* parent) : parent_(parent) {}

bool CWuvoBrightness::Create(StampStyle* style)
{
    style_ = style;
    if (!LoadTemplate(parent_, kFontAttributesTemplateId))
        return false;
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBnClickedFont(); }, kIdChooseFont);
    for (int id : {kIdUppercase, kIdOutline})
        Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { UpdateControls(); }, id);
    // Every move counts, by mouse or by keyboard.
    for (int id : {kIdFontBrightness, kIdOutlineBrightness, kIdTransparency})
        Bind(wxEVT_SLIDER, [this](wxCommandEvent&) { UpdateControls(); }, id);
    for (const RotationRadio& radio : kRotationRadios)
        Bind(wxEVT_RADIOBUTTON, [this, degrees = radio.degrees](wxCommandEvent&) { OnRotation(degrees); }, radio.id);
    // The percentages only show; the focus starts on the first slider.
    for (int id : {kIdFontBrightnessLabel, kIdOutlineBrightnessLabel, kIdTransparencyLabel})
        Item(id)->DisableFocusFromKeyboard();
    Item(kIdFontBrightness)->SetFocus();
    OnInitDialog();
    return true;
}

void CWuvoBrightness::OnInitDialog()
{
    font_ = style_->font;
    pointSize_ = style_->rasterHeight;
    upperCase_ = style_->upperCase;
    fontBrightness_ = style_->fontBrightness;
    outline_ = style_->outline;
    outlineBrightness_ = style_->outlineBrightness;
    transparency_ = style_->transparency;
    rotation_ = style_->rotation;
    static_cast<wxSlider*>(Item(kIdFontBrightness))->SetValue(static_cast<int>(fontBrightness_));
    static_cast<wxSlider*>(Item(kIdOutlineBrightness))->SetValue(static_cast<int>(outlineBrightness_));
    static_cast<wxSlider*>(Item(kIdTransparency))->SetValue(static_cast<int>(transparency_));
    SetChecked(kIdUppercase, upperCase_ == 1);
    SetChecked(kIdOutline, outline_ == 1);
    for (const RotationRadio& radio : kRotationRadios)
        SetChecked(radio.id, radio.degrees == rotation_);
    ShowState();
    ShowFontStatus();
}

void CWuvoBrightness::UpdateControls()
{
    ReadControls();
    ShowState();
}

void CWuvoBrightness::ReadControls()
{
    upperCase_ = IsChecked(kIdUppercase) ? 1 : 0;
    outline_ = IsChecked(kIdOutline) ? 1 : 0;
    fontBrightness_ = static_cast<uint32_t>(static_cast<wxSlider*>(Item(kIdFontBrightness))->GetValue());
    outlineBrightness_ = static_cast<uint32_t>(static_cast<wxSlider*>(Item(kIdOutlineBrightness))->GetValue());
    transparency_ = static_cast<uint32_t>(static_cast<wxSlider*>(Item(kIdTransparency))->GetValue());
    for (const RotationRadio& radio : kRotationRadios)
        if (IsChecked(radio.id))
            rotation_ = radio.degrees;
}

void CWuvoBrightness::ShowState()
{
    EnableItem(kIdOutlineBrightness, outline_ == 1);
    for (const RotationRadio& radio : kRotationRadios)
        SetChecked(radio.id, radio.degrees == rotation_);
    WriteText(kIdFontBrightnessLabel, ToWx(BrightnessLabel(fontBrightness_)));
    WriteText(kIdOutlineBrightnessLabel, ToWx(BrightnessLabel(outlineBrightness_)));
    WriteText(kIdTransparencyLabel, ToWx(PercentLabel(transparency_)));
}

// Says which font the stamp is drawn with, so that a face this system lacks
// is seen to fall back before anything is stamped.
void CWuvoBrightness::ShowFontStatus()
{
    std::u16string family = platform::MatchedFontFamily(DescribeStampFont(font_, pointSize_));
    SetFontStatus(FontStatusText(FieldText(font_.faceName), family, pointSize_));
}

void CWuvoBrightness::SetFontStatus(const std::u16string& text)
{
    static_cast<wxStaticText*>(Item(kIdStampFontStatus))->SetLabel(ToWx(text));
}

void CWuvoBrightness::OnRotation(uint32_t degrees)
{
    rotation_ = degrees;
    for (const RotationRadio& radio : kRotationRadios)
        SetChecked(radio.id, radio.degrees == degrees);
    UpdateControls();
    Update();
}

// The chooser opens on the family the stamp is really drawn with: a stored
// face this system lacks would leave it with nothing selected.
void CWuvoBrightness::OnBnClickedFont()
{
    FontRecord offered = font_;
    const std::u16string drawn = platform::MatchedFontFamily(DescribeStampFont(font_, pointSize_));
    if (!drawn.empty())
        platform::CopyToField(offered.faceName, kFaceNameChars, drawn);
    std::optional<wxFont> chosen = Seams().chooseFont(this, FontOfRecord(offered, pointSize_));
    if (chosen && StoreFontInRecord(*chosen, font_, pointSize_)) {
        ShowFontStatus();
    } else if (chosen) {
        const std::u16string face = FromWx(chosen->GetFaceName());
        SetFontStatus(platform::FormatText(u"%s cannot be used for a stamp: its name is too long.", face.c_str()));
    }
    UpdateControls();
}

void CWuvoBrightness::OnOK()
{
    ReadControls();
    style_->font = font_;
    style_->rasterHeight = pointSize_;
    style_->upperCase = upperCase_;
    style_->fontBrightness = fontBrightness_;
    style_->outline = outline_;
    style_->outlineBrightness = outlineBrightness_;
    style_->transparency = transparency_;
    style_->rotation = rotation_;
    Finish(wxID_OK);
}

}  // namespace wuvo
