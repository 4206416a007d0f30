#pragma once

#include <wx/defs.h>

// Window and command ids of the templates in resources/, which name their
// controls by these numbers.

namespace wuvo {

// Templates.
constexpr char kMainDialogTemplate[] = "102";
constexpr char kMainMenuTemplate[] = "128";
constexpr char kLogDialogTemplate[] = "162";
constexpr int kMainDialogTemplateId = 102;


// Main window: preview.
constexpr int kIdPreviewPicture = 1000;
constexpr int kIdPreviewSlider = 1001;
constexpr int kIdStepBack100 = 1002;
constexpr int kIdStepBack10 = 1003;
constexpr int kIdStepBack1 = 1004;
constexpr int kIdPreviewRefresh = 1005;
constexpr int kIdStepForward1 = 1006;
constexpr int kIdStepForward10 = 1007;
constexpr int kIdStepForward100 = 1008;
constexpr int kIdPreviewStatus = 1045;
constexpr int kIdPreviewPlaceholder = 1066;
constexpr int kIdPreviewHScroll = 1077;
constexpr int kIdPreviewVScroll = 1078;

// Main window: date stamp panel.
constexpr int kIdDateStamp = 1046;
constexpr int kIdDateFormat = 1010;
constexpr int kIdDateX = 1022;
constexpr int kIdDateY = 1021;
constexpr int kIdDateUp = 1018;
constexpr int kIdDateDown = 1019;
constexpr int kIdDateLeft = 1020;
constexpr int kIdDateRight = 1023;
constexpr int kIdDateFont = 1017;
constexpr int kIdDateDuration = 1025;

// Main window: time stamp panel.
constexpr int kIdTimeStamp = 1036;
constexpr int kIdTimeFormat = 1011;
constexpr int kIdTimeX = 1039;
constexpr int kIdTimeY = 1038;
constexpr int kIdTimeUp = 1040;
constexpr int kIdTimeDown = 1041;
constexpr int kIdTimeLeft = 1042;
constexpr int kIdTimeRight = 1043;
constexpr int kIdTimeFont = 1028;
constexpr int kIdTimeDuration = 1050;

// Main window: files and batch.
constexpr int kIdFileList = 1047;
constexpr int kIdOutputFolder = 1048;
constexpr int kIdAdd = 1029;
constexpr int kIdRemove = 1030;
constexpr int kIdClear = 1031;
constexpr int kIdBrowse = 1032;
constexpr int kIdStamp = 1033;
constexpr int kIdStop = 1034;
constexpr int kIdViewLog = 1037;
constexpr int kIdAutoShutdown = 1026;
constexpr int kIdProgress = 1027;
constexpr int kIdPercent = 1035;

// Menu commands. The toolkit keeps command ids below 0x7FFF; the project and
// view commands take ids of their own there, as its stock ids bring the
// stock shortcuts (Ctrl+N, Ctrl+O, Ctrl+S) with them.
constexpr int kCmdNew = 32001;
constexpr int kCmdOpen = 32002;
constexpr int kCmdSave = 32003;
constexpr int kCmdSaveAs = 32004;
constexpr int kCmdRecentFirst = wxID_FILE1;
constexpr int kRecentProjectSlots = 4;
constexpr int kCmdPreferences = 156;
constexpr int kCmdExit = 130;
constexpr int kCmdViewActualSize = 32005;
constexpr int kCmdViewFit = 32006;
constexpr int kCmdHelpQuickStart = 164;
constexpr int kCmdHelpContent = 133;
constexpr int kCmdHelpAbout = 134;

// Log window.
constexpr int kIdLogList = 1026;

}  // namespace wuvo
