// The preview of the selected file.
#include "app/control_ids.h"
#include "app/main_dialog.h"

namespace wuvo {

void CWuvoDlg::LoadPreviewFile() {}

void CWuvoDlg::StopPreview() {}

void CWuvoDlg::ForgetPreviewFile() {}

void CWuvoDlg::EnablePreviewControls(bool enable)
{
    EnableIds({kIdPreviewSlider, kIdPreviewStatus, kIdPreviewRefresh, kIdStepForward1, kIdStepForward10,
               kIdStepForward100, kIdStepBack1, kIdStepBack10, kIdStepBack100},
              enable);
}

}  // namespace wuvo
