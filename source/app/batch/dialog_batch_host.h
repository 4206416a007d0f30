#pragma once

#include "app/batch/batch_runner.h"

namespace wuvo {

class CWuvoDlg;

// The main window as the batch thread sees it: everything is posted to the
// window; only a warning is waited for, and not past a stop.
class DialogBatchHost : public BatchHost {
public:
    explicit DialogBatchHost(CWuvoDlg& dialog);
    void SelectFile(int32_t index) override;
    void AddLogLine(std::u16string line) override;
    void Warn(std::u16string text) override;
    void SaveLogFile() override;
    bool AutoShutdown() const override;
    void ShutdownSystem() override;
    void Finish(const BatchReport& report) override;

private:
    CWuvoDlg& dialog_;
};

}  // namespace wuvo
