// The date and time stamp panels.
#include <wx/window.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"

namespace wuvo {

void CWuvoDlg::EnableIds(std::initializer_list<int> ids, bool enable)
{
    for (int id : ids)
        Control(id)->Enable(enable);
}

void CWuvoDlg::EnableDatePanel(bool enable)
{
    EnableIds({kIdDateFormat, kIdDateX, kIdDateY, kIdDateUp, kIdDateDown, kIdDateLeft, kIdDateRight, kIdDateFont,
               kIdDateDuration},
              enable);
}

void CWuvoDlg::EnableTimePanel(bool enable)
{
    EnableIds({kIdTimeFormat, kIdTimeX, kIdTimeY, kIdTimeUp, kIdTimeDown, kIdTimeLeft, kIdTimeRight, kIdTimeFont,
               kIdTimeDuration},
              enable);
}

void CWuvoDlg::EnableDateStampControls(int enable)
{
    EnableDatePanel(enable != 0 && dateOn_ == 1);
    Control(kIdDateStamp)->Enable(enable != 0);
}

void CWuvoDlg::EnableTimeStampControls(int enable)
{
    EnableTimePanel(enable != 0 && timeOn_ == 1);
    Control(kIdTimeStamp)->Enable(enable != 0);
}

}  // namespace wuvo
