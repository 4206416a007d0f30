// NVENC without a GPU: checks the records it is handed, and really encodes
// the NV12 input with libx265 through libavcodec, so the bitstreams are
// HEVC, with rate control budgeting each frame by the frame rate it is
// given. A submit whose picture is not out yet answers "need more input".
// Asked for B pictures (as many as the card's NV_ENC_CAPS_NUM_MAX_BFRAMES
// allows), it sends each reference picture before the B pictures shown
// ahead of it, the last of two B pictures first as the one the other
// refers to (P3 B2 B1). libx265's look-ahead would hold more pictures than
// NVENC does, so each such group is encoded as a closed one after an I
// picture of its own: I0 P3 B2 B1, I4 P7 B6 B5, ... Sessions, buffers and
// their lock states are checked as a real driver checks them, and the
// session's CUDA context must outlive it; each misuse is counted.
#include <sys/eventfd.h>

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include <ffnvcodec/nvEncodeAPI.h>

#include "nvidia/fake/fake_control.h"

using wuvo::fake::Handles;
using wuvo::fake::NvencControl;

namespace {

// Wider than the 320-sample rows of the fixtures, as a real driver's pitch may be.
constexpr uint32_t kPitchAlignment = 256;
constexpr GUID kPresetDefault = {0xB2DFB705, 0x4EBD, 0x4C49, {0x9B, 0x5F, 0x24, 0xA7, 0x77, 0xD3, 0xE5, 0x87}};

NvencControl gControl;

bool Same(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A record's version as major << 4 | minor: NVENCAPI_STRUCT_VERSION keeps
// the major version in the low bits and the minor one in bits 24 to 27.
uint32_t ApiVersionOf(uint32_t structVersion)
{
    return (structVersion & 0xFF) << 4 | (structVersion >> 24 & 0xF);
}

NVENCSTATUS Refuse(const std::string& why)
{
    gControl.violations.Report(why);
    return NV_ENC_ERR_INVALID_PARAM;
}

struct InputBuffer {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pitch = 0;
    std::vector<uint8_t> data;
    bool locked = false;
};

struct Bitstream {
    std::vector<uint8_t> data;
    size_t used = 0;
    bool ready = false;
    bool locked = false;
    uint32_t frameIdx = 0;
    uint64_t timeStamp = 0;
    void* event = nullptr;
};

struct Submitted {
    uint32_t frameIdx;
    uint64_t timeStamp;
    bool parameterSets;
};

void Signal(void* event)
{
    if (event)
        eventfd_write(static_cast<int>(reinterpret_cast<intptr_t>(event)) - 1, 1);
}

struct Session {
    void* context = nullptr;  // the CUDA context it works on
    NV_ENC_INITIALIZE_PARAMS init{};
    NV_ENC_CONFIG config{};
    AVCodecContext* codec = nullptr;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    std::set<InputBuffer*> inputs;
    std::set<Bitstream*> bitstreams;
    std::set<void*> events;
    std::deque<Bitstream*> waiting;  // in submission order
    std::map<int64_t, Submitted> submitted;
    uint32_t pictures = 0;
    uint32_t groupPictures = 0;  // in the libx265 encoder now open

    ~Session()
    {
        avcodec_free_context(&codec);
        av_frame_free(&frame);
        av_packet_free(&packet);
    }

    NVENCSTATUS OpenCodec()
    {
        const AVCodec* x265 = avcodec_find_encoder_by_name("libx265");
        codec = avcodec_alloc_context3(x265);
        codec->width = static_cast<int>(init.encodeWidth);
        codec->height = static_cast<int>(init.encodeHeight);
        codec->pix_fmt = AV_PIX_FMT_YUV420P;
        codec->time_base = AVRational{static_cast<int>(init.frameRateDen), static_cast<int>(init.frameRateNum)};
        codec->framerate = AVRational{static_cast<int>(init.frameRateNum), static_cast<int>(init.frameRateDen)};
        const NV_ENC_CONFIG_HEVC_VUI_PARAMETERS& vui = config.encodeCodecConfig.hevcConfig.hevcVUIParameters;
        if (vui.videoSignalTypePresentFlag && vui.colourDescriptionPresentFlag) {
            codec->color_primaries = static_cast<AVColorPrimaries>(vui.colourPrimaries);
            codec->color_trc = static_cast<AVColorTransferCharacteristic>(vui.transferCharacteristics);
            codec->colorspace = static_cast<AVColorSpace>(vui.colourMatrix);
            codec->color_range = vui.videoFullRangeFlag ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
        }
        codec->bit_rate = config.rcParams.averageBitRate;
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;  // parameter sets only where asked for
        uint32_t gop = config.gopLength;
        uint32_t bFrames = BFrames();
        std::string params = "log-level=error:frame-threads=1:pools=none:scenecut=0:open-gop=0:keyint=" +
                             std::to_string(gop) + ":min-keyint=" + std::to_string(gop) +
                             ":b-adapt=0:bframes=" + std::to_string(bFrames) +
                             ":rc-lookahead=" + std::to_string(bFrames == 0 ? 0 : bFrames + 1);
        AVDictionary* options = nullptr;
        av_dict_set(&options, "preset", "ultrafast", 0);
        av_dict_set(&options, "x265-params", params.c_str(), 0);
        int opened = avcodec_open2(codec, x265, &options);
        av_dict_free(&options);
        if (frame->buf[0])
            return opened < 0 ? NV_ENC_ERR_GENERIC : NV_ENC_SUCCESS;
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = codec->width;
        frame->height = codec->height;
        return opened < 0 || av_frame_get_buffer(frame, 0) < 0 ? NV_ENC_ERR_GENERIC : NV_ENC_SUCCESS;
    }

    uint32_t BFrames() const { return static_cast<uint32_t>(config.frameIntervalP - 1); }

    // A group with B pictures ends with its reference picture, or where the
    // next IDR picture starts.
    bool GroupEnds() const
    {
        return BFrames() > 0 && (groupPictures == BFrames() + 2 || pictures % config.gopLength == 0);
    }

    // Hands each finished picture to the oldest waiting bitstream buffer.
    NVENCSTATUS Drain()
    {
        while (avcodec_receive_packet(codec, packet) == 0) {
            if (waiting.empty()) {
                av_packet_unref(packet);
                return Refuse("a picture came out with no bitstream buffer waiting");
            }
            Bitstream* out = waiting.front();
            waiting.pop_front();
            Submitted picture = submitted.at(packet->pts);
            submitted.erase(packet->pts);
            out->used = 0;
            if (picture.parameterSets) {
                std::memcpy(out->data.data(), codec->extradata, codec->extradata_size);
                out->used = codec->extradata_size;
            }
            if (out->used + packet->size > out->data.size())
                return Refuse("a picture larger than its bitstream buffer");
            std::memcpy(out->data.data() + out->used, packet->data, packet->size);
            out->used += packet->size;
            out->frameIdx = picture.frameIdx;
            out->timeStamp = picture.timeStamp;
            out->ready = true;
            Signal(out->event);
            av_packet_unref(packet);
        }
        return NV_ENC_SUCCESS;
    }

    NVENCSTATUS Encode(const NV_ENC_PIC_PARAMS& params)
    {
        auto* input = static_cast<InputBuffer*>(params.inputBuffer);
        auto* output = static_cast<Bitstream*>(params.outputBitstream);
        if (!inputs.count(input) || !bitstreams.count(output))
            return Refuse("a picture with buffers the session does not have");
        if (input->locked || output->locked)
            return Refuse("a picture with a buffer still locked");
        if (params.inputWidth != init.encodeWidth || params.inputHeight != init.encodeHeight ||
            params.bufferFmt != NV_ENC_BUFFER_FORMAT_NV12 || params.pictureStruct != NV_ENC_PIC_STRUCT_FRAME)
            return Refuse("a picture of another size or layout");
        if (init.enableEncodeAsync && !events.count(params.completionEvent))
            return Refuse("an asynchronous picture without a registered event");
        bool headers = params.encodePicFlags & NV_ENC_PIC_FLAG_OUTPUT_SPSPPS;
        if (params.encodePicFlags & NV_ENC_PIC_FLAG_FORCEIDR)
            return Refuse("a forced IDR picture");
        if (headers != (pictures % config.encodeCodecConfig.hevcConfig.idrPeriod == 0))
            return Refuse("parameter sets not on every IDR period");
        if (++gControl.pictures == gControl.failSubmitAt.load())
            return NV_ENC_ERR_ENCODER_BUSY;
        gControl.parameterSetPictures += headers;
        if (av_frame_make_writable(frame) < 0)
            return NV_ENC_ERR_OUT_OF_MEMORY;
        for (uint32_t row = 0; row < init.encodeHeight; ++row)
            std::memcpy(frame->data[0] + row * frame->linesize[0], input->data.data() + row * input->pitch,
                        init.encodeWidth);
        const uint8_t* chroma = input->data.data() + size_t{input->pitch} * input->height;
        for (uint32_t row = 0; row < init.encodeHeight / 2; ++row)
            for (uint32_t x = 0; x < init.encodeWidth / 2; ++x) {
                frame->data[1][row * frame->linesize[1] + x] = chroma[row * input->pitch + 2 * x];
                frame->data[2][row * frame->linesize[2] + x] = chroma[row * input->pitch + 2 * x + 1];
            }
        frame->pts = pictures++;
        ++groupPictures;
        submitted[frame->pts] = {params.frameIdx, params.inputTimeStamp, headers};
        output->ready = false;
        output->event = params.completionEvent;
        waiting.push_back(output);
        if (avcodec_send_frame(codec, frame) < 0)
            return NV_ENC_ERR_GENERIC;
        if (NVENCSTATUS drained = Drain(); drained != NV_ENC_SUCCESS)
            return drained;
        if (GroupEnds()) {
            if (NVENCSTATUS ended = EndGroup(); ended != NV_ENC_SUCCESS)
                return ended;
        }
        if (output->ready)
            return NV_ENC_SUCCESS;
        ++gControl.needMoreInput;
        return NV_ENC_ERR_NEED_MORE_INPUT;
    }

    // Flushes the group's pictures out and starts the next group afresh.
    NVENCSTATUS EndGroup()
    {
        if (avcodec_send_frame(codec, nullptr) < 0)
            return NV_ENC_ERR_GENERIC;
        if (NVENCSTATUS drained = Drain(); drained != NV_ENC_SUCCESS)
            return drained;
        groupPictures = 0;
        avcodec_free_context(&codec);
        return OpenCodec();
    }

    NVENCSTATUS EndOfStream(void* event)
    {
        NVENCSTATUS drained = EndGroup();
        if (!waiting.empty())
            return Refuse("pictures left without a bitstream at the end");
        Signal(event);
        return drained;
    }
};

Handles<Session> gSessions;

Session* SessionOf(void* encoder)
{
    Session* session = gSessions.Find(encoder);
    if (!session)
        gControl.violations.Report("a call on a session that is not open");
    return session;
}

NVENCSTATUS NVENCAPI OpenSession(NV_ENC_OPEN_ENCODE_SESSION_EX_PARAMS* params, void** encoder)
{
    if (params->version != NV_ENC_OPEN_ENCODE_SESSION_EX_PARAMS_VER || params->apiVersion != NVENCAPI_VERSION ||
        params->deviceType != NV_ENC_DEVICE_TYPE_CUDA)
        return Refuse("session opened with a wrong record");
    if (!WuvoFakeCudaRetainContext(params->device))
        return Refuse("session opened on a CUDA context that is not live"), NV_ENC_ERR_INVALID_DEVICE;
    auto session = std::make_unique<Session>();
    session->context = params->device;
    *encoder = gSessions.Add<void*>(std::move(session));
    ++gControl.sessions;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI GuidCount(void* encoder, uint32_t* count)
{
    if (!SessionOf(encoder))
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    *count = gControl.withoutHevc ? 1 : 2;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI Guids(void* encoder, GUID* guids, uint32_t size, uint32_t* count)
{
    if (!SessionOf(encoder))
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    GUID all[] = {NV_ENC_CODEC_H264_GUID, NV_ENC_CODEC_HEVC_GUID};
    *count = std::min<uint32_t>(size, gControl.withoutHevc ? 1 : 2);
    std::copy(all, all + *count, guids);
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI PresetConfig(void* encoder, GUID codec, GUID preset, NV_ENC_PRESET_CONFIG* config)
{
    if (!SessionOf(encoder))
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    if (config->version != NV_ENC_PRESET_CONFIG_VER || config->presetCfg.version != NV_ENC_CONFIG_VER)
        return Refuse("preset asked for with a wrong record");
    if (!Same(codec, NV_ENC_CODEC_HEVC_GUID) || !Same(preset, kPresetDefault))
        return NV_ENC_ERR_UNSUPPORTED_PARAM;
    config->presetCfg.gopLength = 30;
    config->presetCfg.frameIntervalP = 1;
    config->presetCfg.rcParams.rateControlMode = NV_ENC_PARAMS_RC_CONSTQP;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI Caps(void* encoder, GUID, NV_ENC_CAPS_PARAM* caps, int* value)
{
    if (!SessionOf(encoder))
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    if (caps->version != NV_ENC_CAPS_PARAM_VER)
        return Refuse("caps asked for with a wrong record");
    switch (caps->capsToQuery) {
    case NV_ENC_CAPS_ASYNC_ENCODE_SUPPORT:
        *value = gControl.asyncMode ? 1 : 0;
        break;
    case NV_ENC_CAPS_NUM_MAX_BFRAMES:
        *value = gControl.maxBFrames;
        break;
    default:
        *value = 0;
    }
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI Initialize(void* encoder, NV_ENC_INITIALIZE_PARAMS* init)
{
    Session* found = SessionOf(encoder);
    if (!found)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    Session& session = *found;
    const NV_ENC_CONFIG* config = init->encodeConfig;
    if (init->version != NV_ENC_INITIALIZE_PARAMS_VER || !config || config->version != NV_ENC_CONFIG_VER)
        return Refuse("encoder initialised with a wrong record");
    if (!Same(init->encodeGUID, NV_ENC_CODEC_HEVC_GUID) || !Same(init->presetGUID, kPresetDefault) ||
        init->enablePTD != 1 || init->frameRateDen == 0 || init->frameRateNum == 0 ||
        init->maxEncodeWidth < init->encodeWidth || init->maxEncodeHeight < init->encodeHeight ||
        init->enableEncodeAsync != (gControl.asyncMode ? 1u : 0u))
        return Refuse("encoder initialised with other values");
    if (init->encodeWidth > gControl.maxWidth)
        return NV_ENC_ERR_UNSUPPORTED_PARAM;
    if (config->frameIntervalP < 1 || config->frameIntervalP - 1 > gControl.maxBFrames)
        return Refuse("more B pictures than the card supports");
    if (config->gopLength == 0 || config->encodeCodecConfig.hevcConfig.idrPeriod != config->gopLength ||
        config->rcParams.rateControlMode != NV_ENC_PARAMS_RC_CBR ||
        config->rcParams.averageBitRate == 0 || config->encodeCodecConfig.hevcConfig.chromaFormatIDC != 1 ||
        config->frameFieldMode != NV_ENC_PARAMS_FRAME_FIELD_MODE_FRAME)
        return Refuse("encoder configured with other values");
    session.init = *init;
    session.config = *config;
    gControl.gopLength = config->gopLength;
    gControl.bFrames = static_cast<uint32_t>(config->frameIntervalP - 1);
    gControl.frameRateNum = init->frameRateNum;
    gControl.frameRateDen = init->frameRateDen;
    gControl.width = init->encodeWidth;
    gControl.height = init->encodeHeight;
    return session.OpenCodec();
}

NVENCSTATUS NVENCAPI CreateInput(void* encoder, NV_ENC_CREATE_INPUT_BUFFER* params)
{
    Session* found = SessionOf(encoder);
    if (!found)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    Session& session = *found;
    if (params->version != NV_ENC_CREATE_INPUT_BUFFER_VER || params->width != session.init.encodeWidth ||
        params->height != session.init.encodeHeight || params->bufferFmt != NV_ENC_BUFFER_FORMAT_NV12)
        return Refuse("input buffer asked for with other values");
    auto* input = new InputBuffer;
    input->width = params->width;
    input->height = params->height;
    input->pitch = (params->width + kPitchAlignment - 1) / kPitchAlignment * kPitchAlignment;
    input->data.resize(size_t{input->pitch} * (input->height + input->height / 2));
    session.inputs.insert(input);
    params->inputBuffer = input;
    ++gControl.inputBuffers;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI DestroyInput(void* encoder, NV_ENC_INPUT_PTR input)
{
    Session* session = SessionOf(encoder);
    if (!session)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    if (!session->inputs.count(static_cast<InputBuffer*>(input)))
        return Refuse("unknown input buffer destroyed");
    if (static_cast<InputBuffer*>(input)->locked)
        gControl.violations.Report("input buffer destroyed while locked");
    session->inputs.erase(static_cast<InputBuffer*>(input));
    delete static_cast<InputBuffer*>(input);
    --gControl.inputBuffers;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI CreateBitstream(void* encoder, NV_ENC_CREATE_BITSTREAM_BUFFER* params)
{
    Session* session = SessionOf(encoder);
    if (!session)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    if (params->version != NV_ENC_CREATE_BITSTREAM_BUFFER_VER || params->size == 0)
        return Refuse("bitstream buffer asked for with a wrong record");
    auto* bitstream = new Bitstream;
    bitstream->data.resize(params->size);
    session->bitstreams.insert(bitstream);
    params->bitstreamBuffer = bitstream;
    ++gControl.bitstreamBuffers;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI DestroyBitstream(void* encoder, NV_ENC_OUTPUT_PTR output)
{
    Session* session = SessionOf(encoder);
    if (!session)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    if (!session->bitstreams.count(static_cast<Bitstream*>(output)))
        return Refuse("unknown bitstream buffer destroyed");
    if (static_cast<Bitstream*>(output)->locked)
        gControl.violations.Report("bitstream buffer destroyed while locked");
    session->bitstreams.erase(static_cast<Bitstream*>(output));
    delete static_cast<Bitstream*>(output);
    --gControl.bitstreamBuffers;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI EncodePicture(void* encoder, NV_ENC_PIC_PARAMS* params)
{
    if (params->version != NV_ENC_PIC_PARAMS_VER)
        return Refuse("picture with a wrong record");
    Session* found = SessionOf(encoder);
    if (!found)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    Session& session = *found;
    if (params->encodePicFlags & NV_ENC_PIC_FLAG_EOS)
        return session.EndOfStream(params->completionEvent);
    return session.Encode(*params);
}

NVENCSTATUS NVENCAPI LockBitstream(void* encoder, NV_ENC_LOCK_BITSTREAM* lock)
{
    Session* session = SessionOf(encoder);
    if (!session)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    auto* bitstream = static_cast<Bitstream*>(lock->outputBitstream);
    if (lock->version != NV_ENC_LOCK_BITSTREAM_VER || !session->bitstreams.count(bitstream))
        return Refuse("lock of an unknown bitstream");
    if (!bitstream->ready || bitstream->locked)
        return Refuse("lock of a bitstream whose picture is not done or that is locked"), NV_ENC_ERR_LOCK_BUSY;
    if (++gControl.locks == gControl.failLockAt.load())
        return NV_ENC_ERR_LOCK_BUSY;
    bitstream->locked = true;
    lock->bitstreamBufferPtr = bitstream->data.data();
    lock->bitstreamSizeInBytes = static_cast<uint32_t>(bitstream->used);
    lock->frameIdx = bitstream->frameIdx;
    lock->outputTimeStamp = bitstream->timeStamp;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI UnlockBitstream(void* encoder, NV_ENC_OUTPUT_PTR output)
{
    Session* session = SessionOf(encoder);
    if (!session)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    auto* bitstream = static_cast<Bitstream*>(output);
    if (!session->bitstreams.count(bitstream) || !bitstream->locked)
        return Refuse("unlock of a bitstream that is not locked");
    bitstream->locked = false;
    bitstream->ready = false;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI LockInput(void* encoder, NV_ENC_LOCK_INPUT_BUFFER* lock)
{
    Session* session = SessionOf(encoder);
    if (!session)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    auto* input = static_cast<InputBuffer*>(lock->inputBuffer);
    if (lock->version != NV_ENC_LOCK_INPUT_BUFFER_VER || !session->inputs.count(input))
        return Refuse("lock of an unknown input buffer");
    if (input->locked)
        return Refuse("lock of an input buffer that is locked"), NV_ENC_ERR_LOCK_BUSY;
    if (++gControl.inputLocks == gControl.failInputLockAt.load())
        return NV_ENC_ERR_LOCK_BUSY;
    input->locked = true;
    lock->bufferDataPtr = input->data.data();
    lock->pitch = input->pitch;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI UnlockInput(void* encoder, NV_ENC_INPUT_PTR input)
{
    Session* session = SessionOf(encoder);
    if (!session)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    if (!session->inputs.count(static_cast<InputBuffer*>(input)) || !static_cast<InputBuffer*>(input)->locked)
        return Refuse("unlock of an input buffer that is not locked");
    static_cast<InputBuffer*>(input)->locked = false;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI RegisterEvent(void* encoder, NV_ENC_EVENT_PARAMS* params)
{
    Session* session = SessionOf(encoder);
    if (!session)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    if (params->version != NV_ENC_EVENT_PARAMS_VER || !params->completionEvent)
        return Refuse("event registered with a wrong record");
    session->events.insert(params->completionEvent);
    ++gControl.registrations;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI UnregisterEvent(void* encoder, NV_ENC_EVENT_PARAMS* params)
{
    Session* session = SessionOf(encoder);
    if (!session)
        return NV_ENC_ERR_INVALID_ENCODERDEVICE;
    if (params->version != NV_ENC_EVENT_PARAMS_VER || !session->events.erase(params->completionEvent))
        return Refuse("unknown event unregistered");
    --gControl.registrations;
    return NV_ENC_SUCCESS;
}

NVENCSTATUS NVENCAPI DestroyEncoder(void* encoder)
{
    std::unique_ptr<Session> session = gSessions.Take(encoder);
    if (!session)
        return Refuse("destroy of a session that is not open"), NV_ENC_ERR_INVALID_ENCODERDEVICE;
    if (!session->inputs.empty() || !session->bitstreams.empty() || !session->events.empty())
        gControl.violations.Report("session destroyed with buffers or events left");
    if (!WuvoFakeCudaReleaseContext(session->context))
        gControl.violations.Report("session destroyed after its CUDA context");
    --gControl.sessions;
    return NV_ENC_SUCCESS;
}

}  // namespace

extern "C" {

NvencControl* WuvoFakeNvenc() { return &gControl; }

NVENCSTATUS NVENCAPI NvEncodeAPIGetMaxSupportedVersion(uint32_t* version)
{
    *version = gControl.maxApiVersion;
    return NV_ENC_SUCCESS;
}

// A driver refuses the tables of a newer interface than its own.
NVENCSTATUS NVENCAPI NvEncodeAPICreateInstance(NV_ENCODE_API_FUNCTION_LIST* list)
{
    if (list->version != NV_ENCODE_API_FUNCTION_LIST_VER || ApiVersionOf(list->version) > gControl.maxApiVersion)
        return NV_ENC_ERR_INVALID_VERSION;
    list->nvEncOpenEncodeSessionEx = OpenSession;
    list->nvEncGetEncodeGUIDCount = GuidCount;
    list->nvEncGetEncodeGUIDs = Guids;
    list->nvEncGetEncodePresetConfig = PresetConfig;
    list->nvEncGetEncodeCaps = Caps;
    list->nvEncInitializeEncoder = Initialize;
    list->nvEncCreateInputBuffer = CreateInput;
    list->nvEncDestroyInputBuffer = DestroyInput;
    list->nvEncCreateBitstreamBuffer = CreateBitstream;
    list->nvEncDestroyBitstreamBuffer = DestroyBitstream;
    list->nvEncEncodePicture = EncodePicture;
    list->nvEncLockBitstream = LockBitstream;
    list->nvEncUnlockBitstream = UnlockBitstream;
    list->nvEncLockInputBuffer = LockInput;
    list->nvEncUnlockInputBuffer = UnlockInput;
    list->nvEncRegisterAsyncEvent = RegisterEvent;
    list->nvEncUnregisterAsyncEvent = UnregisterEvent;
    list->nvEncDestroyEncoder = DestroyEncoder;
    return NV_ENC_SUCCESS;
}

}  // extern "C"
