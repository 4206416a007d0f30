#include "app/dialogs/preferences_dialog.h"

#include <array>

#include <wx/choice.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

#include "app/dialogs/dialog_ids.h"
#include "app/ui/number_text.h"
#include "app/ui/text.h"

namespace wuvo {

namespace {

constexpr wxStringCharType kNotInteger[] = wxS("Please enter an integer.");
constexpr wxStringCharType kNotNumber[] = wxS("Please enter a number.");
constexpr wxStringCharType kNativeSizeWarning[] =
    wxS("When you select to output the native resolution (i.e. the output video resolution is the same as input "
        "video's), you need to adjust bitrate accordingly. Typically the higher the video resolution, the higher the "
        "bitrate needed. Use the bitrates for other preset resolutions as references.");
constexpr wxStringCharType kPatternNamesFolder[] =
    wxS("The output file name pattern cannot contain \"/\": it would name a folder.");

constexpr std::array<int, kAdjustmentCount> kAdjustmentEdits{kIdAdjustYears, kIdAdjustMonths,  kIdAdjustDays,
                                                             kIdAdjustHours, kIdAdjustMinutes, kIdAdjustSeconds};

struct CheckBoxField {
    int id;
    uint32_t PreferenceValues::*member;
};
constexpr std::array<CheckBoxField, 5> kCheckBoxes{{
    {kIdCreateTimeFromFirst, &PreferenceValues::createTimeFromFirst},
    {kIdWriteTimeFromLast, &PreferenceValues::writeTimeFromLast},
    {kIdRenameOutput, &PreferenceValues::renameOutput},
    {kIdDisableAudio, &PreferenceValues::disableAudio},
    {kIdSpeedUp, &PreferenceValues::speedUp},
}};

}  // namespace

CPreference::CPreference(wxWindow* parent) : parent_(parent) {}

bool CPreference::Create(AppSettings* settings)
{
    settings_ = settings;
    if (!LoadTemplate(parent_, kPreferencesTemplateId))
        return false;
    Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { UpdateControls(); }, kIdLanguage);
    Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnCbnSelchangeOutputSize(); }, kIdOutputSize);
    for (const CheckBoxField& check : kCheckBoxes)
        Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { UpdateControls(); }, check.id);
    Bind(wxEVT_TEXT, [this](wxCommandEvent&) { UpdateControls(); }, kIdRenamePattern);
    Bind(wxEVT_TEXT, [this](wxCommandEvent&) { OnSpeedUpFactorChanged(); }, kIdSpeedUpFactor);
    // Every move counts, by mouse or by keyboard.
    Bind(wxEVT_SLIDER, [this](wxCommandEvent&) { OnBitrateSliderMoved(); }, kIdBitrateSlider);
    CheckOnFocusLoss(kIdBitrateMbps, [this] { OnBitrateLeft(); });
    for (size_t i = 0; i < kAdjustmentCount; ++i)
        CheckOnFocusLoss(kAdjustmentEdits[i], [this, i] { OnAdjustmentLeft(static_cast<Adjustment>(i)); });
    OnInitDialog();
    return true;
}

void CPreference::OnInitDialog()
{
    values_ = PreferencesOf(*settings_);
    static_cast<wxChoice*>(Item(kIdLanguage))->SetSelection(static_cast<int>(values_.language));
    static_cast<wxChoice*>(Item(kIdOutputSize))->SetSelection(static_cast<int>(values_.outputSize));
    for (size_t i = 0; i < kAdjustmentCount; ++i)
        WriteNumber(kAdjustmentEdits[i], values_.adjustments[i]);
    for (const CheckBoxField& check : kCheckBoxes)
        SetChecked(check.id, values_.*check.member != 0);
    WriteNumber(kIdSpeedUpFactor, values_.speedUpFactor);
    WriteText(kIdRenamePattern, ToWx(values_.renamePattern));
    ShowBitrate(values_.bitrate);
    UpdateControls();
}

void CPreference::UpdateControls()
{
    values_.language = static_cast<uint32_t>(static_cast<wxChoice*>(Item(kIdLanguage))->GetSelection());
    values_.outputSize = static_cast<uint32_t>(static_cast<wxChoice*>(Item(kIdOutputSize))->GetSelection());
    for (const CheckBoxField& check : kCheckBoxes)
        values_.*check.member = IsChecked(check.id) ? 1 : 0;
    values_.renamePattern = FromWx(Edit(kIdRenamePattern)->GetValue());
    EnableItem(kIdRenamePattern, values_.renameOutput == 1);
    EnableItem(kIdSpeedUpFactor, values_.speedUp == 1);
}

bool CPreference::ReadAdjustment(Adjustment adjustment)
{
    const size_t i = static_cast<size_t>(adjustment);
    int32_t& value = values_.adjustments[i];
    if (!ReadSigned(kAdjustmentEdits[i], value, kNotInteger))
        return false;
    const int32_t clamped = ClampAdjustment(adjustment, value);
    if (clamped != value) {
        value = clamped;
        WriteNumber(kAdjustmentEdits[i], value);
    }
    return true;
}

void CPreference::OnAdjustmentLeft(Adjustment adjustment)
{
    UpdateControls();
    ReadAdjustment(adjustment);
}

bool CPreference::ReadSpeedUpFactor()
{
    int32_t factor = 0;
    if (!ReadSigned(kIdSpeedUpFactor, factor, kNotInteger))
        return false;
    values_.speedUpFactor = ClampSpeedUpFactor(factor);
    if (static_cast<int64_t>(values_.speedUpFactor) != factor)
        WriteNumber(kIdSpeedUpFactor, values_.speedUpFactor);
    return true;
}

// Runs on every keystroke: a text that is no number yet (an emptied edit)
// waits for OK instead of a prompt per keystroke.
void CPreference::OnSpeedUpFactorChanged()
{
    UpdateControls();
    if (ParseSignedText(PathOf(Edit(kIdSpeedUpFactor)->GetValue())))
        ReadSpeedUpFactor();
}

void CPreference::ShowBitrate(uint32_t position)
{
    values_.bitrate = position;
    static_cast<wxSlider*>(Item(kIdBitrateSlider))->SetValue(static_cast<int>(position));
    WriteText(kIdBitrateMbps, RealText(MbpsFromPosition(position)));
}

void CPreference::OnBitrateSliderMoved()
{
    UpdateControls();
    ShowBitrate(static_cast<uint32_t>(static_cast<wxSlider*>(Item(kIdBitrateSlider))->GetValue()));
}

// The edit holds the bitrate last set by either control: the slider writes
// it at every move.
bool CPreference::ReadBitrate()
{
    float mbps = 0;
    if (!ReadReal(kIdBitrateMbps, mbps, kNotNumber))
        return false;
    ShowBitrate(BitratePositionFromMbps(mbps));
    return true;
}

void CPreference::OnBitrateLeft()
{
    UpdateControls();
    ReadBitrate();
}

void CPreference::OnCbnSelchangeOutputSize()
{
    UpdateControls();
    if (values_.outputSize == kNativeOutputSize)
        Warn(kNativeSizeWarning);
    ShowBitrate(BitrateForOutputSize(values_.outputSize));
}

void CPreference::OnOK()
{
    UpdateControls();
    for (size_t i = 0; i < kAdjustmentCount; ++i)
        if (!ReadAdjustment(static_cast<Adjustment>(i)))
            return;
    // A greyed edit is not read: its value is the one it had when it was
    // last enabled, and the user cannot mend it.
    if ((values_.speedUp == 1 && !ReadSpeedUpFactor()) || !ReadBitrate())
        return;
    if (values_.renameOutput == 1 && PatternNamesFolder(values_.renamePattern)) {
        Warn(kPatternNamesFolder);
        Edit(kIdRenamePattern)->SetFocus();
        return;
    }
    if (StorePreferences(values_, *settings_))
        Warn(wxS("Custom format length too long, truncated."));
    Finish(wxID_OK);
}

}  // namespace wuvo
