#pragma once

#include <cstdint>
#include <set>
#include <string>

#include <ffnvcodec/nvEncodeAPI.h>

#include "platform/media/colour_description.h"

namespace wuvo::NVENCODER {

// The NVENC library, opened by file name through the library path.
inline constexpr char kNvencLibrary[] = "libnvidia-encode.so.1";

// NVENC's default preset (the header marks its name as going away).
inline constexpr GUID kPresetDefaultGuid = {0xB2DFB705, 0x4EBD, 0x4C49, {0x9B, 0x5F, 0x24, 0xA7, 0x77, 0xD3, 0xE5, 0x87}};

// The wrapper's own failures besides NVENC's status values.
constexpr NVENCSTATUS kNoLibraryStatus = static_cast<NVENCSTATUS>(10);

// The first failure of an encode, in words for the log.
class FailureReason {
public:
    // Keeps `reason` unless an earlier failure gave one; `status` back.
    template <typename Status>
    Status Note(Status status, const std::string& reason)
    {
        if (text_.empty())
            text_ = reason;
        return status;
    }
    // Empty while nothing has failed.
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// " (NVENC status n)", to follow a failure's reason.
std::string StatusNote(NVENCSTATUS status);

// Each encoded picture's bitstream, with the frame number it was submitted
// as; then that frame is done with.
using WriteCallback = void (*)(uint32_t size, const uint8_t* data, uint32_t frameIndex, void* context);
using FrameDoneCallback = void (*)(uint32_t frameIndex, void* context);
using GetFrameCallback = uint8_t* (*)(uint32_t frameNumber);

// One session's configuration, as the encode driver fills it.
struct EncodeSettings {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t maxWidth = 0;  // 0: the width
    uint32_t maxHeight = 0;
    // Exact, so that rate control budgets each frame's bits right at 29.97.
    uint32_t rateNumerator = 0;
    uint32_t rateDenominator = 1;
    uint32_t averageBitrate = 0;
    uint32_t vbvMaxBitrate = 0;
    uint32_t vbvSize = 0;
    NV_ENC_PARAMS_RC_MODE rateControlMode = NV_ENC_PARAMS_RC_CONSTQP;
    uint32_t qp = 0;
    float iQuantFactor = 0;
    float bQuantFactor = 0;
    float iQuantOffset = 0;
    float bQuantOffset = 0;
    GUID presetGuid{};
    uint32_t gopLength = 1;
    // Cut by CreateEncoder to what the card supports and a GOP holds.
    uint32_t numB = 0;
    NV_ENC_PIC_STRUCT pictureStruct = NV_ENC_PIC_STRUCT_FRAME;
    NV_ENC_BUFFER_FORMAT inputFormat = NV_ENC_BUFFER_FORMAT_NV12;
    uint32_t asyncMode = 0;  // written back by CreateEncoder
    uint32_t aspectX = 1;
    uint32_t aspectY = 1;
    // How the pictures' colours are to be read; the stream says so, with
    // limited range.
    platform::ColourDescription colour;
};

// One input buffer and the bitstream buffer its picture is written to.
struct EncodeIoBuffer {
    uint32_t bitstreamBufferSize = 0;
    NV_ENC_OUTPUT_PTR bitstreamBuffer = nullptr;
    void* completionEvent = nullptr;
    bool waitOnEvent = false;
    uint32_t width = 0;
    uint32_t height = 0;
    NV_ENC_INPUT_PTR inputBuffer = nullptr;
    NV_ENC_BUFFER_FORMAT bufferFormat = NV_ENC_BUFFER_FORMAT_NV12;
};

// One NVENC encode session on a CUDA context.
class CNvHWEncoder {
public:
    CNvHWEncoder();
    CNvHWEncoder(const CNvHWEncoder&) = delete;
    CNvHWEncoder& operator=(const CNvHWEncoder&) = delete;
    // Frees the function table and closes the library; the session is the
    // encode driver's to destroy first.
    virtual ~CNvHWEncoder();

    NVENCSTATUS Initialize(void* device, NV_ENC_DEVICE_TYPE deviceType);
    NVENCSTATUS CreateEncoder(EncodeSettings& settings);
    NVENCSTATUS CreateInputBuffer(uint32_t width, uint32_t height, NV_ENC_INPUT_PTR* inputBuffer,
                                  NV_ENC_BUFFER_FORMAT format);
    NVENCSTATUS RegisterAsyncEvent(void** event);
    NVENCSTATUS UnregisterAsyncEvent(void* event);
    // Submits one picture as frame `frameNumber`, with the parameter sets
    // again every `idrPeriod` pictures.
    NVENCSTATUS EncodeFrame(EncodeIoBuffer* buffer, uint32_t width, uint32_t height, uint32_t idrPeriod,
                            NV_ENC_PIC_STRUCT pictureStruct, uint32_t frameNumber);
    // Waits for the buffer's picture and hands its bitstream on.
    NVENCSTATUS ProcessOutput(EncodeIoBuffer* buffer);
    // Reports done the frames submitted whose bitstream never came: with B
    // pictures a buffer holds another frame's picture than the one it was
    // submitted with, so a bitstream that cannot be locked names no frame.
    void ReleaseLostFrames();

    uint32_t m_pictureCounter = 0;
    WriteCallback m_writeCallback = nullptr;
    FrameDoneCallback m_frameDoneCallback = nullptr;
    GetFrameCallback m_getFrameCallback = nullptr;
    void* m_callbackContext = nullptr;
    bool m_initialized = false;
    FailureReason m_failure;
    GUID m_codecGuid{};
    NV_ENCODE_API_FUNCTION_LIST* m_pEncodeAPI = nullptr;
    void* m_library = nullptr;
    void* m_hEncoder = nullptr;
    NV_ENC_INITIALIZE_PARAMS m_initParams{};
    NV_ENC_CONFIG m_encodeConfig{};

private:
    // Submitted, and not yet reported done.
    std::set<uint32_t> m_pendingFrames;

    void FrameDone(uint32_t frame);
    NVENCSTATUS OpenFunctionTable();
    NVENCSTATUS CheckCodec();
    // A capability's value; 0 when the card does not answer.
    int QueryCaps(NV_ENC_CAPS capability);
    // The B pictures the card supports and the GOP holds, up to those asked.
    uint32_t SupportedBFrames(const EncodeSettings& settings);
    void ConfigureRateControl(const EncodeSettings& settings);
    void ConfigureColour(const EncodeSettings& settings);
};

}  // namespace wuvo::NVENCODER
