#include "app/dialogs/duration_dialog.h"

#include <algorithm>
#include <array>

#include <wx/textctrl.h>
#include <wx/valtext.h>

#include "app/dialogs/dialog_ids.h"
#include "app/ui/text.h"

namespace wuvo {

namespace {

constexpr wxStringCharType kNotUnsigned[] = wxS("Enter a positive integer.");

struct SecondsEdit {
    int id;
    uint32_t DurationSettings::*member;
};
constexpr std::array<SecondsEdit, 7> kSecondsEdits{{
    {kIdSceneChangeSeconds, &DurationSettings::sceneChangeSeconds},
    {kIdSceneChangeThreshold, &DurationSettings::sceneChangeThreshold},
    {kIdDateChangeSeconds, &DurationSettings::dateChangeSeconds},
    {kIdPeriodicSeconds, &DurationSettings::periodicSeconds},
    {kIdPeriodSeconds, &DurationSettings::periodSeconds},
    {kIdFadeSeconds, &DurationSettings::fadeSeconds},
    {kIdDelaySeconds, &DurationSettings::delaySeconds},
}};

// The edits among `ids`, all of them when it is empty.
template <typename Visit>
void ForEdits(const std::vector<int>& ids, Visit visit)
{
    for (const SecondsEdit& edit : kSecondsEdits)
        if (ids.empty() || std::find(ids.begin(), ids.end(), edit.id) != ids.end())
            if (!visit(edit))
                return;
}

constexpr std::array<int, 4> kModeRadios{kIdShowEveryFrame, kIdShowOnSceneChange, kIdShowOnDateChange,
                                         kIdShowPeriodically};

// The edits whose check runs when one of them loses the focus.
struct FieldEdits {
    DurationField field;
    std::vector<int> ids;
};
const std::array<FieldEdits, 5>& FieldsOfEdits()
{
    static const std::array<FieldEdits, 5> fields{{
        {DurationField::SceneChange, {kIdSceneChangeSeconds}},
        {DurationField::DateChange, {kIdDateChangeSeconds}},
        {DurationField::Periodic, {kIdPeriodicSeconds, kIdPeriodSeconds}},
        {DurationField::Fade, {kIdFadeSeconds}},
        {DurationField::Delay, {kIdDelaySeconds}},
    }};
    return fields;
}

const std::vector<int>& EditsOf(DurationField field)
{
    for (const FieldEdits& edits : FieldsOfEdits())
        if (edits.field == field)
            return edits.ids;
    return FieldsOfEdits().front().ids;
}

}  // namespace

CWuvoDuration::CWuvoDuration(wxWindow* parent) : parent_(parent) {}

bool CWuvoDuration::Create(StampStyle* style)
{
    style_ = style;
    if (!LoadTemplate(parent_, kDurationTemplateId))
        return false;
    for (uint32_t mode = 0; mode < kModeRadios.size(); ++mode)
        Bind(wxEVT_RADIOBUTTON, [this, mode](wxCommandEvent&) { OnMode(mode); }, kModeRadios[mode]);
    for (int id : {kIdFadeOn, kIdDelayOn})
        Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnOptionClicked(); }, id);
    for (const SecondsEdit& edit : kSecondsEdits)
        Edit(edit.id)->SetValidator(wxTextValidator(wxFILTER_DIGITS));
    for (const FieldEdits& edits : FieldsOfEdits())
        for (int id : edits.ids)
            CheckOnFocusLoss(id, [this, field = edits.field] { OnFieldLeft(field); });
    // The threshold has no check of its own, but its number is read.
    CheckOnFocusLoss(kIdSceneChangeThreshold, [this] { ReadSeconds({kIdSceneChangeThreshold}); });
    OnInitDialog();
    return true;
}

void CWuvoDuration::OnInitDialog()
{
    duration_ = DurationOf(*style_);
    WriteControls();
}

void CWuvoDuration::WriteControls()
{
    WriteSeconds({});
    SetChecked(kIdFadeOn, duration_.fadeOn == 1);
    SetChecked(kIdDelayOn, duration_.delayOn == 1);
    ShowState();
}

void CWuvoDuration::ShowState()
{
    for (uint32_t mode = 0; mode < kModeRadios.size(); ++mode)
        SetChecked(kModeRadios[mode], duration_.showMode == mode);
    const DurationEnables enables = EnablesFor(duration_);
    EnableItem(kIdSceneChangeSeconds, enables.sceneChange);
    EnableItem(kIdSceneChangeThreshold, enables.sceneChange);
    EnableItem(kIdDateChangeSeconds, enables.dateChange);
    EnableItem(kIdPeriodicSeconds, enables.periodic);
    EnableItem(kIdPeriodSeconds, enables.periodic);
    EnableItem(kIdFadeOn, enables.options);
    EnableItem(kIdDelayOn, enables.options);
    EnableItem(kIdFadeSeconds, enables.fadeSeconds);
    EnableItem(kIdDelaySeconds, enables.delaySeconds);
}

void CWuvoDuration::ReadOptions()
{
    duration_.fadeOn = IsChecked(kIdFadeOn) ? 1 : 0;
    duration_.delayOn = IsChecked(kIdDelayOn) ? 1 : 0;
}

void CWuvoDuration::OnOptionClicked()
{
    ReadOptions();
    ShowState();
    Update();
}

void CWuvoDuration::OnMode(uint32_t mode)
{
    duration_.showMode = mode;
    ShowState();
    Update();
}

bool CWuvoDuration::ReadSeconds(const std::vector<int>& ids)
{
    bool read = true;
    ForEdits(ids, [&](const SecondsEdit& edit) {
        uint32_t& value = duration_.*edit.member;
        read = ReadUnsigned(edit.id, value, kNotUnsigned);
        if (read && value > kMaxDurationSeconds) {
            value = kMaxDurationSeconds;
            WriteNumber(edit.id, value);
        }
        return read;
    });
    return read;
}

void CWuvoDuration::WriteSeconds(const std::vector<int>& ids)
{
    ForEdits(ids, [&](const SecondsEdit& edit) {
        WriteNumber(edit.id, duration_.*edit.member);
        return true;
    });
}

bool CWuvoDuration::RunCheck(DurationField field)
{
    std::vector<std::u16string> warnings = CheckDurationField(duration_, field);
    for (const std::u16string& warning : warnings)
        Warn(ToWx(warning));
    if (!warnings.empty())
        WriteSeconds(EditsOf(field));
    return warnings.empty();
}

void CWuvoDuration::OnFieldLeft(DurationField field)
{
    if (ReadSeconds(EditsOf(field)))
        RunCheck(field);
}

void CWuvoDuration::OnOK()
{
    if (!ReadSeconds({}))
        return;
    ReadOptions();
    for (uint32_t mode = 0; mode < kModeRadios.size(); ++mode)
        if (IsChecked(kModeRadios[mode]))
            duration_.showMode = mode;
    // A value put back stays open to be seen, as when the warning came from
    // leaving its edit; OK again takes it.
    bool passed = true;
    for (DurationField field : EnabledChecks(duration_))
        passed = RunCheck(field) && passed;
    if (!passed)
        return;
    StoreDuration(duration_, *style_);
    Finish(wxID_OK);
}

}  // namespace wuvo
