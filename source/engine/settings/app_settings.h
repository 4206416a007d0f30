#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace wuvo {

// The records below are held in memory in their stored layout: the settings
// and project files carry them byte for byte (little-endian, UTF-16 text).

static_assert(std::endian::native == std::endian::little, "the records are stored little-endian");

constexpr size_t kFormatChars = 100;
constexpr size_t kPathChars = 256;
constexpr size_t kFaceNameChars = 32;

// A font description in the layout of the stored files.
struct FontRecord {
    int32_t height;  // negative: em height in pixels; positive: cell height
    int32_t width;
    int32_t escapement;
    int32_t orientation;
    int32_t weight;  // 400 normal, 700 bold
    uint8_t italic;
    uint8_t underline;
    uint8_t strikeOut;
    uint8_t charSet;
    uint8_t outPrecision;
    uint8_t clipPrecision;
    uint8_t quality;
    uint8_t pitchAndFamily;
    char16_t faceName[kFaceNameChars];
};
static_assert(sizeof(FontRecord) == 92);
static_assert(offsetof(FontRecord, weight) == 16);
static_assert(offsetof(FontRecord, italic) == 20);
static_assert(offsetof(FontRecord, pitchAndFamily) == 27);
static_assert(offsetof(FontRecord, faceName) == 28);

enum StampShowMode : uint32_t {
    kShowEveryFrame = 0,
    kShowOnSceneChange = 1,
    kShowOnDateChange = 2,
    kShowPeriodically = 3,
};

// One stamp: the date stamp or the time stamp.
struct StampStyle {
    char16_t format[kFormatChars];  // working copy of the custom format
    uint32_t hasDate;
    uint32_t hasTime;
    uint32_t enabled;
    uint32_t upperCase;
    uint32_t formatIndex;  // 0 = custom
    int32_t x;
    int32_t y;
    FontRecord font;
    int32_t rasterHeight;  // tenths of a point
    uint32_t outline;
    uint32_t fontBrightness;     // 0..255
    uint32_t outlineBrightness;  // 0..255
    uint32_t transparency;       // percent, 0..90
    uint32_t showMode;           // StampShowMode
    uint32_t sceneChangeSeconds;
    uint32_t sceneChangeThreshold;
    uint32_t dateChangeSeconds;
    uint32_t periodicSeconds;
    uint32_t periodSeconds;
    uint32_t auxSeconds;
    uint32_t fadeOn;
    uint32_t fadeSeconds;
    uint32_t delayOn;
    uint32_t delaySeconds;
    uint32_t rotation;  // 0, 90, 180 or 270 degrees
};
static_assert(sizeof(StampStyle) == 388);
static_assert(offsetof(StampStyle, hasDate) == 200);
static_assert(offsetof(StampStyle, hasTime) == 204);
static_assert(offsetof(StampStyle, enabled) == 208);
static_assert(offsetof(StampStyle, upperCase) == 212);
static_assert(offsetof(StampStyle, formatIndex) == 216);
static_assert(offsetof(StampStyle, x) == 220);
static_assert(offsetof(StampStyle, y) == 224);
static_assert(offsetof(StampStyle, font) == 228);
static_assert(offsetof(StampStyle, rasterHeight) == 320);
static_assert(offsetof(StampStyle, outline) == 324);
static_assert(offsetof(StampStyle, transparency) == 336);
static_assert(offsetof(StampStyle, showMode) == 340);
static_assert(offsetof(StampStyle, periodSeconds) == 360);
static_assert(offsetof(StampStyle, auxSeconds) == 364);
static_assert(offsetof(StampStyle, fadeOn) == 368);
static_assert(offsetof(StampStyle, delaySeconds) == 380);
static_assert(offsetof(StampStyle, rotation) == 384);

// Every user setting; the body of "Wuvo.cfg" and of project files
// (record offset = file offset - 16).
struct AppSettings {
    uint32_t idle;
    uint32_t hideUtcNote;
    uint32_t language;  // index into the locale name table
    int32_t adjustYears;
    int32_t adjustMonths;
    int32_t adjustDays;
    int32_t adjustHours;
    int32_t adjustMinutes;
    int32_t adjustSeconds;
    uint32_t outputSize;  // index into kOutputSizeTable
    uint32_t bitrate;     // units of 100 kbit/s
    uint32_t reserved0;
    uint32_t createTimeFromFirst;
    uint32_t writeTimeFromLast;
    uint32_t renameOutput;
    char16_t renamePattern[kFormatChars];
    uint32_t viewMode;  // 1 actual size, 2 fit to window
    char16_t lastInputPath[kPathChars];
    char16_t projectPath[kPathChars];
    StampStyle dateStamp;
    StampStyle timeStamp;
    uint8_t reserved1[388];
    uint32_t reserved2;
    uint32_t nvDecoderAvailable;
    uint32_t nvEncoderSelected;
    uint8_t reserved3[260];
    uint32_t decoderKind;  // 3 = the NVIDIA codec path
    uint32_t disableAudio;
    uint32_t reserved4;  // the defaults write 1; nothing reads it
    uint32_t speedUp;
    uint32_t speedUpFactor;  // 2..10
    uint8_t reserved5[3804];
};
static_assert(sizeof(AppSettings) == 6548);
static_assert(offsetof(AppSettings, idle) == 16 - 16);
static_assert(offsetof(AppSettings, hideUtcNote) == 20 - 16);
static_assert(offsetof(AppSettings, language) == 24 - 16);
static_assert(offsetof(AppSettings, adjustYears) == 28 - 16);
static_assert(offsetof(AppSettings, adjustSeconds) == 48 - 16);
static_assert(offsetof(AppSettings, outputSize) == 52 - 16);
static_assert(offsetof(AppSettings, bitrate) == 56 - 16);
static_assert(offsetof(AppSettings, reserved0) == 60 - 16);
static_assert(offsetof(AppSettings, createTimeFromFirst) == 64 - 16);
static_assert(offsetof(AppSettings, writeTimeFromLast) == 68 - 16);
static_assert(offsetof(AppSettings, renameOutput) == 72 - 16);
static_assert(offsetof(AppSettings, renamePattern) == 76 - 16);
static_assert(offsetof(AppSettings, viewMode) == 276 - 16);
static_assert(offsetof(AppSettings, lastInputPath) == 280 - 16);
static_assert(offsetof(AppSettings, projectPath) == 792 - 16);
static_assert(offsetof(AppSettings, dateStamp) == 1304 - 16);
static_assert(offsetof(AppSettings, timeStamp) == 1692 - 16);
static_assert(offsetof(AppSettings, reserved1) == 2080 - 16);
static_assert(offsetof(AppSettings, reserved2) == 2468 - 16);
static_assert(offsetof(AppSettings, nvDecoderAvailable) == 2472 - 16);
static_assert(offsetof(AppSettings, nvEncoderSelected) == 2476 - 16);
static_assert(offsetof(AppSettings, reserved3) == 2480 - 16);
static_assert(offsetof(AppSettings, decoderKind) == 2740 - 16);
static_assert(offsetof(AppSettings, disableAudio) == 2744 - 16);
static_assert(offsetof(AppSettings, reserved4) == 2748 - 16);
static_assert(offsetof(AppSettings, speedUp) == 2752 - 16);
static_assert(offsetof(AppSettings, speedUpFactor) == 2756 - 16);
static_assert(offsetof(AppSettings, reserved5) == 2760 - 16);

struct OutputSize {
    int32_t width;
    int32_t height;
};
// The last entry, (1, 1), stands for the input's own frame size.
constexpr std::array<OutputSize, 8> kOutputSizeTable{{
    {480, 270}, {640, 360}, {800, 450}, {960, 540},
    {1280, 720}, {1600, 900}, {1920, 1080}, {1, 1},
}};
constexpr uint32_t kNativeOutputSize = 7;

// The output size a settings value selects; a value past the table (from a
// damaged or foreign settings file) selects the native size.
OutputSize OutputSizeFor(uint32_t outputSize);

// The one settings record of the run.
extern AppSettings gSettings;

// Fills the record with the defaults of a new project.
void ResetSettings(AppSettings& settings);

}  // namespace wuvo
