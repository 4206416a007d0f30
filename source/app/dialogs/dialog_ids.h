#pragma once

// Templates and control ids of the stamp and preferences dialogs in
// resources/, which name their controls by these numbers.

namespace wuvo {

constexpr int kPreferencesTemplateId = 157;
constexpr int kFontAttributesTemplateId = 160;
constexpr int kDurationTemplateId = 161;
constexpr int kCustomFormatTemplateId = 163;

// Custom format.
constexpr int kIdFormatText = 1049;
constexpr int kIdFormatPreview = 1050;

// Font attributes.
constexpr int kIdFontBrightness = 1001;
constexpr int kIdOutlineBrightness = 1002;
constexpr int kIdTransparency = 1004;
constexpr int kIdOutline = 1038;
constexpr int kIdUppercase = 1039;
constexpr int kIdFontBrightnessLabel = 1071;
constexpr int kIdOutlineBrightnessLabel = 1072;
constexpr int kIdTransparencyLabel = 1073;
constexpr int kIdChooseFont = 1074;
constexpr int kIdRotate0 = 1092;
constexpr int kIdRotate90 = 1089;
constexpr int kIdRotate180 = 1090;
constexpr int kIdRotate270 = 1091;
constexpr int kIdStampFontStatus = 1095;

// Duration.
constexpr int kIdShowEveryFrame = 1037;
constexpr int kIdShowOnSceneChange = 1038;
constexpr int kIdShowOnDateChange = 1039;
constexpr int kIdShowPeriodically = 1040;
constexpr int kIdSceneChangeSeconds = 1029;
constexpr int kIdSceneChangeThreshold = 1035;
constexpr int kIdDateChangeSeconds = 1025;
constexpr int kIdPeriodicSeconds = 1031;
constexpr int kIdPeriodSeconds = 1032;
constexpr int kIdFadeOn = 1017;
constexpr int kIdFadeSeconds = 1028;
constexpr int kIdDelayOn = 1018;
constexpr int kIdDelaySeconds = 1034;

// Preferences.
constexpr int kIdLanguage = 1039;
constexpr int kIdAdjustYears = 1048;
constexpr int kIdAdjustMonths = 1049;
constexpr int kIdAdjustDays = 1040;
constexpr int kIdAdjustHours = 1041;
constexpr int kIdAdjustMinutes = 1042;
constexpr int kIdAdjustSeconds = 1043;
constexpr int kIdCreateTimeFromFirst = 1044;
constexpr int kIdWriteTimeFromLast = 1045;
constexpr int kIdRenameOutput = 1075;
constexpr int kIdRenamePattern = 1076;
constexpr int kIdOutputSize = 1079;
constexpr int kIdBitrateSlider = 1080;
constexpr int kIdBitrateMbps = 1081;
constexpr int kIdDisableAudio = 1087;
constexpr int kIdSpeedUp = 1093;
constexpr int kIdSpeedUpFactor = 1094;

}  // namespace wuvo
