#include "nv/nvencoder/nv_hw_encoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/nvidia/completion_event.h"
#include "platform/nvidia/dynamic_library.h"

namespace wuvo::NVENCODER {

namespace {

using CreateInstance = NVENCSTATUS(NVENCAPI*)(NV_ENCODE_API_FUNCTION_LIST*);
using MaxSupportedVersion = NVENCSTATUS(NVENCAPI*)(uint32_t*);

// The NVENC interface this program is built against, in the form
// NvEncodeAPIGetMaxSupportedVersion gives a driver's: major << 4 | minor.
constexpr uint32_t kBuiltApiVersion = NVENCAPI_MAJOR_VERSION << 4 | NVENCAPI_MINOR_VERSION;
constexpr uint32_t kMinorVersionBits = 4;
constexpr uint32_t kMinorVersionMask = 0xF;

// A picture NVENC has taken but not finished is done well within this; the
// wait only guards against a driver that never signals.
constexpr uint32_t kPictureEventTimeoutMs = 5000;
// H.265 Annex E's video_format: none of the analogue sources it names.
constexpr uint32_t kUnspecifiedVideoFormat = 5;
// The variable-bitrate modes that start from an initial QP.
constexpr uint32_t kVbrModes[] = {NV_ENC_PARAMS_RC_VBR, 4, 32};

#define WUVO_NVENC_MESSAGE(format, ...) std::fprintf(stderr, "%s line %d: " format, "NvHWEncoder", __LINE__, ##__VA_ARGS__)

bool SameGuid(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string ApiVersionText(uint32_t version)
{
    return std::to_string(version >> kMinorVersionBits) + "." + std::to_string(version & kMinorVersionMask);
}

// `driverVersion` 0: the driver does not say which it has.
std::string DriverTooOld(uint32_t driverVersion)
{
    std::string has = driverVersion == 0 ? "" : " (it has " + ApiVersionText(driverVersion) + ")";
    return "the NVIDIA driver is too old for NVENC interface " + ApiVersionText(kBuiltApiVersion) + has +
           "; a newer driver is needed";
}

}  // namespace

std::string StatusNote(NVENCSTATUS status)
{
    return " (NVENC status " + std::to_string(status) + ")";
}

CNvHWEncoder::CNvHWEncoder()
{
    m_initParams.version = NV_ENC_INITIALIZE_PARAMS_VER;
    m_encodeConfig.version = NV_ENC_CONFIG_VER;
    m_initParams.encodeConfig = &m_encodeConfig;
}

CNvHWEncoder::~CNvHWEncoder()
{
    delete m_pEncodeAPI;
    m_pEncodeAPI = nullptr;
    platform::CloseLibrary(m_library);
    m_library = nullptr;
}

// A driver older than the interface refuses its function table; it says
// first which interface it has, where it can.
NVENCSTATUS CNvHWEncoder::OpenFunctionTable()
{
    m_library = platform::OpenLibrary(kNvencLibrary);
    if (!m_library)
        return m_failure.Note(kNoLibraryStatus,
                              "the NVENC library " + std::string(kNvencLibrary) + " cannot be opened");
    auto create = reinterpret_cast<CreateInstance>(platform::LookUpSymbol(m_library, "NvEncodeAPICreateInstance"));
    if (!create)
        return m_failure.Note(kNoLibraryStatus, std::string("the NVENC library has no NvEncodeAPICreateInstance"));
    uint32_t driverVersion = 0;
    auto maxVersion =
        reinterpret_cast<MaxSupportedVersion>(platform::LookUpSymbol(m_library, "NvEncodeAPIGetMaxSupportedVersion"));
    if (maxVersion && maxVersion(&driverVersion) == NV_ENC_SUCCESS && driverVersion < kBuiltApiVersion)
        return m_failure.Note(NV_ENC_ERR_INVALID_VERSION, DriverTooOld(driverVersion));
    m_pEncodeAPI = new (std::nothrow) NV_ENCODE_API_FUNCTION_LIST{};
    if (!m_pEncodeAPI)
        return m_failure.Note(kNoLibraryStatus, std::string("out of memory"));
    m_pEncodeAPI->version = NV_ENCODE_API_FUNCTION_LIST_VER;
    NVENCSTATUS status = create(m_pEncodeAPI);
    if (status == NV_ENC_ERR_INVALID_VERSION)
        return m_failure.Note(status, DriverTooOld(driverVersion));
    if (status != NV_ENC_SUCCESS)
        return m_failure.Note(status, "the NVENC library gave no functions" + StatusNote(status));
    return NV_ENC_SUCCESS;
}

NVENCSTATUS CNvHWEncoder::Initialize(void* device, NV_ENC_DEVICE_TYPE deviceType)
{
    if (NVENCSTATUS status = OpenFunctionTable(); status != NV_ENC_SUCCESS)
        return status;
    NV_ENC_OPEN_ENCODE_SESSION_EX_PARAMS params{};
    params.version = NV_ENC_OPEN_ENCODE_SESSION_EX_PARAMS_VER;
    params.device = device;
    params.deviceType = deviceType;
    params.apiVersion = NVENCAPI_VERSION;
    NVENCSTATUS status = m_pEncodeAPI->nvEncOpenEncodeSessionEx(&params, &m_hEncoder);
    if (status != NV_ENC_SUCCESS)
        return m_failure.Note(status, "the GPU refused an encode session" + StatusNote(status));
    return NV_ENC_SUCCESS;
}

NVENCSTATUS CNvHWEncoder::CheckCodec()
{
    uint32_t count = 0;
    NVENCSTATUS status = m_pEncodeAPI->nvEncGetEncodeGUIDCount(m_hEncoder, &count);
    std::vector<GUID> guids(count);
    uint32_t returned = 0;
    if (status == NV_ENC_SUCCESS)
        status = m_pEncodeAPI->nvEncGetEncodeGUIDs(m_hEncoder, guids.data(), count, &returned);
    for (uint32_t i = 0; status == NV_ENC_SUCCESS && i < returned && i < count; ++i)
        if (SameGuid(guids[i], m_codecGuid))
            return NV_ENC_SUCCESS;
    WUVO_NVENC_MESSAGE("codec not supported \n");
    return m_failure.Note(status != NV_ENC_SUCCESS ? status : NV_ENC_ERR_INVALID_PARAM,
                          std::string("the GPU cannot encode HEVC"));
}

int CNvHWEncoder::QueryCaps(NV_ENC_CAPS capability)
{
    NV_ENC_CAPS_PARAM caps{};
    caps.version = NV_ENC_CAPS_PARAM_VER;
    caps.capsToQuery = capability;
    int value = 0;
    if (m_pEncodeAPI->nvEncGetEncodeCaps(m_hEncoder, m_codecGuid, &caps, &value) != NV_ENC_SUCCESS)
        return 0;
    return value;
}

uint32_t CNvHWEncoder::SupportedBFrames(const EncodeSettings& s)
{
    auto card = static_cast<uint32_t>(std::max(QueryCaps(NV_ENC_CAPS_NUM_MAX_BFRAMES), 0));
    // A B picture needs the reference picture after it inside its GOP.
    uint32_t gopRoom = s.gopLength > 0 ? s.gopLength - 1 : 0;
    return std::min({s.numB, card, gopRoom});
}

void CNvHWEncoder::ConfigureRateControl(const EncodeSettings& s)
{
    NV_ENC_RC_PARAMS& rc = m_encodeConfig.rcParams;
    if (s.averageBitrate == 0 && s.vbvMaxBitrate == 0) {
        rc.rateControlMode = NV_ENC_PARAMS_RC_CONSTQP;
    } else {
        rc.rateControlMode = s.rateControlMode;
        rc.averageBitRate = s.averageBitrate;
        rc.maxBitRate = s.vbvMaxBitrate;
        rc.vbvBufferSize = s.vbvSize;
        rc.vbvInitialDelay = s.vbvSize * 9 / 10;
    }
    if (rc.rateControlMode == NV_ENC_PARAMS_RC_CONSTQP)
        rc.constQP = {s.qp, s.qp, s.qp};
    for (uint32_t mode : kVbrModes) {
        if (rc.rateControlMode != mode)
            continue;
        rc.enableInitialRCQP = 1;
        uint32_t iQp = s.qp, bQp = s.qp;
        if (s.iQuantFactor > 0 && s.bQuantFactor > 0) {
            iQp = static_cast<uint32_t>(static_cast<float>(s.qp) * s.iQuantFactor + s.iQuantOffset);
            bQp = static_cast<uint32_t>(static_cast<float>(s.qp) * s.bQuantFactor + s.bQuantOffset);
        }
        rc.initialRCQP = {s.qp, bQp, iQp};
    }
}

void CNvHWEncoder::ConfigureColour(const EncodeSettings& s)
{
    NV_ENC_CONFIG_HEVC_VUI_PARAMETERS& vui = m_encodeConfig.encodeCodecConfig.hevcConfig.hevcVUIParameters;
    vui.videoSignalTypePresentFlag = 1;
    vui.videoFormat = kUnspecifiedVideoFormat;
    vui.videoFullRangeFlag = 0;
    vui.colourDescriptionPresentFlag = 1;
    vui.colourPrimaries = s.colour.primaries;
    vui.transferCharacteristics = s.colour.transfer;
    vui.colourMatrix = s.colour.matrix;
}

NVENCSTATUS CNvHWEncoder::CreateEncoder(EncodeSettings& s)
{
    uint32_t maxWidth = s.maxWidth > 0 ? s.maxWidth : s.width;
    uint32_t maxHeight = s.maxHeight > 0 ? s.maxHeight : s.height;
    if (s.width > maxWidth || s.height > maxHeight)
        return m_failure.Note(NV_ENC_ERR_INVALID_PARAM, std::string("the frame is larger than the encoder's largest"));
    m_codecGuid = NV_ENC_CODEC_HEVC_GUID;
    if (NVENCSTATUS status = CheckCodec(); status != NV_ENC_SUCCESS)
        return status;

    m_initParams.encodeGUID = m_codecGuid;
    m_initParams.presetGUID = s.presetGuid;
    m_initParams.encodeWidth = s.width;
    m_initParams.encodeHeight = s.height;
    m_initParams.darWidth = s.aspectX * s.width;
    m_initParams.darHeight = s.aspectY * s.height;
    m_initParams.frameRateNum = s.rateNumerator;
    m_initParams.frameRateDen = s.rateDenominator;
    m_initParams.enableEncodeAsync = 0;
    m_initParams.enablePTD = 1;
    m_initParams.reportSliceOffsets = 0;
    m_initParams.enableSubFrameWrite = 0;
    m_initParams.maxEncodeWidth = maxWidth;
    m_initParams.maxEncodeHeight = maxHeight;
    m_initParams.encodeConfig = &m_encodeConfig;

    NV_ENC_PRESET_CONFIG preset{};
    preset.version = NV_ENC_PRESET_CONFIG_VER;
    preset.presetCfg.version = NV_ENC_CONFIG_VER;
    NVENCSTATUS status = m_pEncodeAPI->nvEncGetEncodePresetConfig(m_hEncoder, m_codecGuid, s.presetGuid, &preset);
    if (status != NV_ENC_SUCCESS) {
        WUVO_NVENC_MESSAGE("nvEncGetEncodePresetConfig returned failure");
        return m_failure.Note(status, "the GPU has no default HEVC preset" + StatusNote(status));
    }
    m_encodeConfig = preset.presetCfg;
    m_encodeConfig.version = NV_ENC_CONFIG_VER;
    s.numB = SupportedBFrames(s);
    m_encodeConfig.gopLength = s.gopLength;
    m_encodeConfig.frameIntervalP = s.numB + 1;
    m_encodeConfig.frameFieldMode = s.pictureStruct == NV_ENC_PIC_STRUCT_FRAME ? NV_ENC_PARAMS_FRAME_FIELD_MODE_FRAME
                                                                               : NV_ENC_PARAMS_FRAME_FIELD_MODE_FIELD;
    m_encodeConfig.mvPrecision = NV_ENC_MV_PRECISION_QUARTER_PEL;
    ConfigureRateControl(s);
    m_encodeConfig.encodeCodecConfig.hevcConfig.chromaFormatIDC = 1;
    m_encodeConfig.encodeCodecConfig.hevcConfig.idrPeriod = s.gopLength;
    ConfigureColour(s);

    auto async = static_cast<uint32_t>(QueryCaps(NV_ENC_CAPS_ASYNC_ENCODE_SUPPORT));
    m_initParams.enableEncodeAsync = async;
    s.asyncMode = async;

    status = m_pEncodeAPI->nvEncInitializeEncoder(m_hEncoder, &m_initParams);
    if (status != NV_ENC_SUCCESS) {
        WUVO_NVENC_MESSAGE("Encode Session Initialization failed");
        return m_failure.Note(status, "the GPU refused to encode " + std::to_string(s.width) + "x" +
                                          std::to_string(s.height) + " at " + std::to_string(s.averageBitrate) +
                                          " bit/s with " + std::to_string(s.numB) + " B pictures" + StatusNote(status));
    }
    m_initialized = true;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS CNvHWEncoder::CreateInputBuffer(uint32_t width, uint32_t height, NV_ENC_INPUT_PTR* inputBuffer,
                                            NV_ENC_BUFFER_FORMAT format)
{
    NV_ENC_CREATE_INPUT_BUFFER params{};
    params.version = NV_ENC_CREATE_INPUT_BUFFER_VER;
    params.width = width;
    params.height = height;
    params.memoryHeap = NV_ENC_MEMORY_HEAP_SYSMEM_CACHED;
    params.bufferFmt = format;
    NVENCSTATUS status = m_pEncodeAPI->nvEncCreateInputBuffer(m_hEncoder, &params);
    if (status == NV_ENC_SUCCESS)
        *inputBuffer = params.inputBuffer;
    return status;
}

NVENCSTATUS CNvHWEncoder::RegisterAsyncEvent(void** event)
{
    void* created = platform::CreateCompletionEvent();
    if (!created)
        return NV_ENC_ERR_OUT_OF_MEMORY;
    NV_ENC_EVENT_PARAMS params{};
    params.version = NV_ENC_EVENT_PARAMS_VER;
    params.completionEvent = created;
    NVENCSTATUS status = m_pEncodeAPI->nvEncRegisterAsyncEvent(m_hEncoder, &params);
    if (status != NV_ENC_SUCCESS) {
        platform::CloseCompletionEvent(created);
        return status;
    }
    *event = created;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS CNvHWEncoder::UnregisterAsyncEvent(void* event)
{
    if (!event)
        return NV_ENC_SUCCESS;
    NV_ENC_EVENT_PARAMS params{};
    params.version = NV_ENC_EVENT_PARAMS_VER;
    params.completionEvent = event;
    return m_pEncodeAPI->nvEncUnregisterAsyncEvent(m_hEncoder, &params);
}

NVENCSTATUS CNvHWEncoder::EncodeFrame(EncodeIoBuffer* buffer, uint32_t width, uint32_t height, uint32_t idrPeriod,
                                      NV_ENC_PIC_STRUCT pictureStruct, uint32_t frameNumber)
{
    NV_ENC_PIC_PARAMS params{};
    params.version = NV_ENC_PIC_PARAMS_VER;
    params.inputWidth = width;
    params.inputHeight = height;
    // The frame number comes back with the bitstream, also when B pictures
    // reorder them, so the right frame is released.
    params.frameIdx = frameNumber;
    params.inputTimeStamp = m_pictureCounter;
    params.inputBuffer = buffer->inputBuffer;
    params.outputBitstream = buffer->bitstreamBuffer;
    params.completionEvent = buffer->completionEvent;
    params.bufferFmt = buffer->bufferFormat;
    params.pictureStruct = pictureStruct;
    // A period of 0 would divide by zero; every picture then carries them.
    if (idrPeriod <= 1 || m_pictureCounter % idrPeriod == 0)
        params.encodePicFlags |= NV_ENC_PIC_FLAG_OUTPUT_SPSPPS;
    NVENCSTATUS status = m_pEncodeAPI->nvEncEncodePicture(m_hEncoder, &params);
    if (status != NV_ENC_SUCCESS && status != NV_ENC_ERR_NEED_MORE_INPUT)
        return status;
    m_pendingFrames.insert(frameNumber);
    ++m_pictureCounter;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS CNvHWEncoder::ProcessOutput(EncodeIoBuffer* buffer)
{
    if (!buffer || !buffer->bitstreamBuffer)
        return NV_ENC_ERR_INVALID_PARAM;
    if (buffer->waitOnEvent &&
        (!buffer->completionEvent || !platform::WaitCompletionEvent(buffer->completionEvent, kPictureEventTimeoutMs)))
        return buffer->completionEvent ? NV_ENC_ERR_ENCODER_BUSY : NV_ENC_ERR_INVALID_PARAM;
    NV_ENC_LOCK_BITSTREAM lock{};
    lock.version = NV_ENC_LOCK_BITSTREAM_VER;
    lock.outputBitstream = buffer->bitstreamBuffer;
    NVENCSTATUS status = m_pEncodeAPI->nvEncLockBitstream(m_hEncoder, &lock);
    if (status != NV_ENC_SUCCESS) {
        WUVO_NVENC_MESSAGE("lock bitstream function failed \n");
        return status;
    }
    m_writeCallback(lock.bitstreamSizeInBytes, static_cast<const uint8_t*>(lock.bitstreamBufferPtr), lock.frameIdx,
                    m_callbackContext);
    status = m_pEncodeAPI->nvEncUnlockBitstream(m_hEncoder, buffer->bitstreamBuffer);
    FrameDone(lock.frameIdx);
    return status;
}

void CNvHWEncoder::FrameDone(uint32_t frame)
{
    m_pendingFrames.erase(frame);
    m_frameDoneCallback(frame, m_callbackContext);
}

void CNvHWEncoder::ReleaseLostFrames()
{
    while (!m_pendingFrames.empty())
        FrameDone(*m_pendingFrames.begin());
}

}  // namespace wuvo::NVENCODER
