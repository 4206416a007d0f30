#include "platform/media/sink_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "platform/files/posix_file.h"
#include "platform/files/temp_files.h"
#include "platform/media/ffmpeg_handles.h"
#include "platform/media/hevc_encoder_settings.h"
#include "platform/media/media_status.h"

namespace wuvo::platform {

namespace {

// Players look for the parameter sets in the sample entry with this tag.
constexpr uint32_t kHvc1Tag = MKTAG('h', 'v', 'c', '1');

// How many pictures may come out before a picture that was decoded before
// them, as the stream's parameter sets declare it: FFmpeg's decoder reads
// it from them as it opens. -1 when it cannot be read.
int ReorderDepthOf(const AVCodecContext& encoder)
{
    const AVCodec* decoder = avcodec_find_decoder(encoder.codec_id);
    CodecPtr codec(decoder ? avcodec_alloc_context3(decoder) : nullptr);
    if (!codec || encoder.extradata_size <= 0)
        return -1;
    size_t bytes = static_cast<size_t>(encoder.extradata_size);
    codec->extradata = static_cast<uint8_t*>(av_mallocz(bytes + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!codec->extradata)
        return -1;
    std::copy(encoder.extradata, encoder.extradata + bytes, codec->extradata);
    codec->extradata_size = encoder.extradata_size;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return -1;
    return codec->has_b_frames;
}

// The encoder refuses rates it does not list: the sound is resampled to the
// listed rate nearest its own (the higher of two as near).
int NearestCarriedRate(const char* encoderName, int rate)
{
    const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName);
    if (!encoder || !encoder->supported_samplerates)
        return rate;
    int nearest = 0;
    for (const int* listed = encoder->supported_samplerates; *listed != 0; ++listed) {
        int64_t distance = std::abs(int64_t{*listed} - rate);
        int64_t best = std::abs(int64_t{nearest} - rate);
        if (nearest == 0 || distance < best || (distance == best && *listed > nearest))
            nearest = *listed;
    }
    return nearest;
}

bool IsInUseError(int error)
{
    return error == EBUSY || error == ETXTBSY;
}

// MP4 headers count seconds from 1904, FFmpeg's dates from 1970.
constexpr int64_t kSecondsFrom1904To1970 = 2082844800;

// FFmpeg reports the system's errors as their negated numbers; its own codes
// lie far below them.
constexpr int kLastSystemError = 4095;

int SystemErrorOf(int result)
{
    return result < 0 && -result <= kLastSystemError ? -result : 0;
}

}  // namespace

struct SinkWriter::State {
    struct Output {
        CodecPtr codec;
        AVStream* stream = nullptr;
        FramePtr frame{av_frame_alloc()};
    };

    std::string finalPath;
    std::string temporaryPath;
    AVFormatContext* format = nullptr;
    bool headerWritten = false;
    bool finalized = false;
    // The system's error number of a failed file operation, 0 while none.
    int fileError = 0;
    PacketPtr packet{av_packet_alloc()};

    Output video;
    VideoEncoding videoEncoding;
    SwsContext* scaler = nullptr;
    TrackClock clock;

    Output audio;
    uint32_t audioChannels = 0;
    SwrContext* toPlanarFloat = nullptr;
    AVAudioFifo* fifo = nullptr;
    FramePtr planar{av_frame_alloc()};
    int64_t audioSamplesSent = 0;

    ~State()
    {
        sws_freeContext(scaler);
        swr_free(&toPlanarFloat);
        if (fifo)
            av_audio_fifo_free(fifo);
        if (format) {
            avio_closep(&format->pb);
            avformat_free_context(format);
        }
        if (!finalized && !temporaryPath.empty())
            std::remove(temporaryPath.c_str());
    }

    CodecPtr OpenEncoder(const char* name, const std::function<void(AVCodecContext&)>& configure,
                         AVDictionary** options);
    AVStream* AddStream(const AVCodecContext& codec);
    bool Drain(Output& output);
    bool SendFrame(Output& output, const AVFrame* frame);
    bool FillVideoFrame(const uint8_t* packed);
    bool ConvertAudio(const uint8_t* pcm, int count);
    bool SendAudioFrames(bool flushAll);
};

CodecPtr SinkWriter::State::OpenEncoder(const char* name,
                                        const std::function<void(AVCodecContext&)>& configure,
                                        AVDictionary** options)
{
    const AVCodec* encoder = avcodec_find_encoder_by_name(name);
    if (!encoder)
        return nullptr;
    CodecPtr codec(avcodec_alloc_context3(encoder));
    if (!codec)
        return nullptr;
    configure(*codec);
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(codec.get(), encoder, options) < 0)
        return nullptr;
    return codec;
}

AVStream* SinkWriter::State::AddStream(const AVCodecContext& codec)
{
    AVStream* stream = avformat_new_stream(format, nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, &codec) < 0)
        return nullptr;
    stream->time_base = codec.time_base;
    return stream;
}

bool SinkWriter::State::Drain(Output& output)
{
    for (;;) {
        int received = avcodec_receive_packet(output.codec.get(), packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return true;
        if (received < 0)
            return false;
        if (&output == &video && !clock.TimePacket(*packet))
            return false;
        av_packet_rescale_ts(packet.get(), output.codec->time_base, output.stream->time_base);
        packet->stream_index = output.stream->index;
        if (av_interleaved_write_frame(format, packet.get()) < 0)
            return false;
    }
}

bool SinkWriter::State::SendFrame(Output& output, const AVFrame* frame)
{
    return avcodec_send_frame(output.codec.get(), frame) == 0 && Drain(output);
}

bool SinkWriter::State::FillVideoFrame(const uint8_t* packed)
{
    AVFrame& frame = *video.frame;
    if (av_frame_make_writable(&frame) < 0)
        return false;
    const VideoEncoding& e = videoEncoding;
    uint8_t* source[4] = {};
    int sourcePitch[4] = {};
    if (av_image_fill_arrays(source, sourcePitch, packed, AV_PIX_FMT_YUV420P,
                             static_cast<int>(e.inputWidth), static_cast<int>(e.inputHeight), 1) < 0)
        return false;
    if (!scaler) {
        av_image_copy(frame.data, frame.linesize, const_cast<const uint8_t**>(source), sourcePitch,
                      AV_PIX_FMT_YUV420P, frame.width, frame.height);
        return true;
    }
    return sws_scale(scaler, source, sourcePitch, 0, static_cast<int>(e.inputHeight), frame.data,
                     frame.linesize) > 0;
}

// Converts `count` input samples, or with none what the resampler still
// holds, into the encoder's format and rate, and queues them for it.
bool SinkWriter::State::ConvertAudio(const uint8_t* pcm, int count)
{
    int capacity = swr_get_out_samples(toPlanarFloat, count);
    if (capacity < 0)
        return false;
    if (capacity == 0)
        return true;
    AVFrame& converted = *planar;
    av_frame_unref(&converted);
    converted.format = AV_SAMPLE_FMT_FLTP;
    converted.nb_samples = capacity;
    av_channel_layout_default(&converted.ch_layout, static_cast<int>(audioChannels));
    if (av_frame_get_buffer(&converted, 0) < 0)
        return false;
    const uint8_t** input = pcm ? &pcm : nullptr;
    // Planes past the eighth are found only through extended_data.
    int made = swr_convert(toPlanarFloat, converted.extended_data, capacity, input, count);
    return made >= 0 && av_audio_fifo_write(fifo, reinterpret_cast<void**>(converted.extended_data), made) == made;
}

bool SinkWriter::State::SendAudioFrames(bool flushAll)
{
    const int frameSize = audio.codec->frame_size;
    AVFrame& frame = *audio.frame;
    while (av_audio_fifo_size(fifo) >= frameSize || (flushAll && av_audio_fifo_size(fifo) > 0)) {
        // The encoder takes only whole frames; only the very last may be short.
        int count = std::min(av_audio_fifo_size(fifo), frameSize);
        av_frame_unref(&frame);
        frame.format = audio.codec->sample_fmt;
        frame.sample_rate = audio.codec->sample_rate;
        frame.nb_samples = count;
        if (av_channel_layout_copy(&frame.ch_layout, &audio.codec->ch_layout) < 0 ||
            av_frame_get_buffer(&frame, 0) < 0 ||
            av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame.extended_data), count) != count)
            return false;
        frame.pts = audioSamplesSent;
        audioSamplesSent += count;
        if (!SendFrame(audio, &frame))
            return false;
    }
    return true;
}

SinkWriter::SinkWriter() : state_(std::make_unique<State>()) {}

SinkWriter::~SinkWriter() = default;

uint32_t SinkWriter::Create(const std::string& path)
{
    State& s = *state_;
    if (s.format || !s.packet || !s.video.frame || !s.audio.frame || !s.planar)
        return kMediaFailed;
    std::filesystem::path target(path);
    // The error_code form: a path the file system refuses must not throw out
    // of the encode thread.
    std::error_code error;
    if (std::filesystem::is_directory(target, error)) {
        s.fileError = EISDIR;
        return kMediaFailed;
    }
    std::optional<TempFile> temp = CreateTempFileBeside(path);
    if (!temp) {
        s.fileError = errno;
        return IsInUseError(errno) ? kMediaFileInUse : kMediaFailed;
    }
    close(temp->fd);
    s.temporaryPath = temp->path;
    s.finalPath = path;
    if (avformat_alloc_output_context2(&s.format, nullptr, "mp4", s.temporaryPath.c_str()) < 0)
        return kMediaFailed;
    if (int opened = avio_open(&s.format->pb, s.temporaryPath.c_str(), AVIO_FLAG_WRITE); opened < 0) {
        s.fileError = SystemErrorOf(opened);
        return kMediaFailed;
    }
    return kMediaOk;
}

bool SinkWriter::SetCreationTime(uint32_t movieTime)
{
    State& s = *state_;
    if (!s.format || s.headerWritten)
        return false;
    if (movieTime == 0)
        return true;
    // The muxer counts the date from 1904 again, so the headers get the
    // very value, also one before 1970.
    auto seconds = static_cast<std::time_t>(int64_t{movieTime} - kSecondsFrom1904To1970);
    std::tm parts{};
    char date[sizeof "-YYYYY-MM-DDTHH:MM:SSZ"] = {};
    return gmtime_r(&seconds, &parts) && std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", &parts) > 0 &&
           av_dict_set(&s.format->metadata, "creation_time", date, 0) >= 0;
}

bool SinkWriter::AddVideoStream(const VideoEncoding& e)
{
    State& s = *state_;
    // FFmpeg keeps a rate's terms in signed 32 bits: a larger one would turn
    // negative, and libx265 would budget each frame's bits by the time base.
    constexpr uint32_t kLargestRateTerm = INT32_MAX;
    if (!s.format || s.video.codec || e.width == 0 || e.height == 0 || e.inputWidth == 0 ||
        e.inputHeight == 0 || e.rateNumerator == 0 || e.rateDenominator == 0 || e.bitrate == 0 ||
        e.rateNumerator > kLargestRateTerm || e.rateDenominator > kLargestRateTerm)
        return false;
    int64_t longest = e.timing.longestFrame > 0 ? e.timing.longestFrame
                                                : av_rescale(kLayerTimeBase.den, e.rateDenominator, e.rateNumerator);
    if (!s.clock.Start(e.timing, longest))
        return false;
    // Frames are timed in the track's own unit from the start, so that no
    // rounding between units can make two frames' times meet.
    AVRational trackBase{1, s.clock.Timescale()};
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", kX265Preset, 0);
    av_dict_set(&options, "x265-params", X265Params().c_str(), 0);
    s.video.codec = s.OpenEncoder(kHevcEncoderName, [&](AVCodecContext& codec) {
        codec.width = static_cast<int>(e.width);
        codec.height = static_cast<int>(e.height);
        codec.pix_fmt = AV_PIX_FMT_YUV420P;
        codec.time_base = trackBase;
        // Rate control budgets bits per frame from this rate.
        codec.framerate = AVRational{static_cast<int>(e.rateNumerator), static_cast<int>(e.rateDenominator)};
        codec.bit_rate = e.bitrate;
        // libx265 takes this as its frame thread count; 0 lets it choose
        // from its pool, while the library default of 1 serialises frames.
        codec.thread_count = 0;
        codec.color_primaries = static_cast<AVColorPrimaries>(e.colour.primaries);
        codec.color_trc = static_cast<AVColorTransferCharacteristic>(e.colour.transfer);
        codec.colorspace = static_cast<AVColorSpace>(e.colour.matrix);
        codec.color_range = AVCOL_RANGE_MPEG;
        if (e.aspectX != 0 && e.aspectY != 0)
            codec.sample_aspect_ratio = AVRational{static_cast<int>(e.aspectX), static_cast<int>(e.aspectY)};
    }, &options);
    av_dict_free(&options);
    if (!s.video.codec || !(s.video.stream = s.AddStream(*s.video.codec)))
        return false;
    int reorderDepth = ReorderDepthOf(*s.video.codec);
    if (reorderDepth < 0)
        return false;
    s.clock.SetReorderDepth(reorderDepth);
    s.video.stream->codecpar->codec_tag = kHvc1Tag;
    s.video.stream->sample_aspect_ratio = s.video.codec->sample_aspect_ratio;
    s.videoEncoding = e;

    AVFrame& frame = *s.video.frame;
    frame.format = AV_PIX_FMT_YUV420P;
    frame.width = static_cast<int>(e.width);
    frame.height = static_cast<int>(e.height);
    if (av_frame_get_buffer(&frame, 0) < 0)
        return false;
    if (e.inputWidth != e.width || e.inputHeight != e.height) {
        s.scaler = sws_getContext(static_cast<int>(e.inputWidth), static_cast<int>(e.inputHeight),
                                  AV_PIX_FMT_YUV420P, frame.width, frame.height, AV_PIX_FMT_YUV420P,
                                  SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!s.scaler)
            return false;
    }
    return true;
}

bool SinkWriter::AddAudioStream(const AudioEncoding& e)
{
    State& s = *state_;
    if (!s.format || s.audio.codec || e.sampleRate == 0 || e.channels == 0)
        return false;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, static_cast<int>(e.channels));
    const int inputRate = static_cast<int>(e.sampleRate);
    const int encodedRate = NearestCarriedRate(kAacEncoderName, inputRate);
    s.audio.codec = s.OpenEncoder(kAacEncoderName, [&](AVCodecContext& codec) {
        codec.sample_fmt = AV_SAMPLE_FMT_FLTP;
        codec.sample_rate = encodedRate;
        codec.time_base = AVRational{1, encodedRate};
        codec.bit_rate = e.bitrate;
        av_channel_layout_copy(&codec.ch_layout, &layout);
    }, nullptr);
    bool converter = s.audio.codec &&
                     swr_alloc_set_opts2(&s.toPlanarFloat, &layout, AV_SAMPLE_FMT_FLTP, encodedRate, &layout,
                                         AV_SAMPLE_FMT_S16, inputRate, 0, nullptr) == 0 &&
                     swr_init(s.toPlanarFloat) == 0;
    av_channel_layout_uninit(&layout);
    if (!converter || s.audio.codec->frame_size <= 0 || !(s.audio.stream = s.AddStream(*s.audio.codec)))
        return false;
    s.fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, static_cast<int>(e.channels),
                                 s.audio.codec->frame_size);
    s.audioChannels = e.channels;
    s.audioSamplesSent = av_rescale(e.startTime, encodedRate, kLayerTimeBase.den);
    return s.fifo != nullptr;
}

bool SinkWriter::BeginWriting()
{
    State& s = *state_;
    if (!s.format || s.headerWritten || !s.video.stream)
        return false;
    s.headerWritten = avformat_write_header(s.format, nullptr) >= 0;
    return s.headerWritten;
}

bool SinkWriter::WriteVideoFrame(const uint8_t* frame, int64_t time, int64_t duration)
{
    return TakeVideoFrame(frame) && WriteTakenVideoFrame(time, duration);
}

bool SinkWriter::TakeVideoFrame(const uint8_t* frame)
{
    State& s = *state_;
    return s.headerWritten && !s.finalized && frame && s.FillVideoFrame(frame);
}

bool SinkWriter::WriteTakenVideoFrame(int64_t time, int64_t duration)
{
    State& s = *state_;
    if (!s.headerWritten || s.finalized)
        return false;
    s.video.frame->pts = s.clock.PresentFrame(time, duration);
    return s.SendFrame(s.video, s.video.frame.get());
}

bool SinkWriter::WriteAudio(const uint8_t* pcm, size_t bytes)
{
    State& s = *state_;
    if (!s.headerWritten || s.finalized || !s.audio.codec)
        return false;
    size_t frameBytes = sizeof(int16_t) * s.audioChannels;
    if (bytes % frameBytes != 0)
        return false;
    int count = static_cast<int>(bytes / frameBytes);
    if (count == 0)
        return true;
    return s.ConvertAudio(pcm, count) && s.SendAudioFrames(false);
}

bool SinkWriter::Finalize()
{
    State& s = *state_;
    if (!s.headerWritten || s.finalized)
        return false;
    bool flushed = !s.video.codec || s.SendFrame(s.video, nullptr);
    if (s.audio.codec)
        flushed = flushed && s.ConvertAudio(nullptr, 0) && s.SendAudioFrames(true) && s.SendFrame(s.audio, nullptr);
    if (!flushed)
        return false;
    int written = av_write_trailer(s.format);
    if (written >= 0)
        written = avio_closep(&s.format->pb);
    if (written < 0) {
        s.fileError = SystemErrorOf(written);
        return false;
    }
    // Checked last: a file made read-only while the output was written is
    // kept all the same, as creating over it would fail.
    if (int protection = WriteProtection(s.finalPath); protection != 0) {
        s.fileError = protection;
        return false;
    }
    if (std::rename(s.temporaryPath.c_str(), s.finalPath.c_str()) != 0) {
        s.fileError = errno;
        return false;
    }
    s.finalized = true;
    return true;
}

int SinkWriter::FileError() const
{
    const State& s = *state_;
    if (s.fileError == 0 && s.format && s.format->pb)
        return SystemErrorOf(s.format->pb->error);
    return s.fileError;
}

}  // namespace wuvo::platform

namespace wuvo::platform {

bool SinkWriter::AddPassThroughVideoStream(const PassThroughVideo& video)
{
    State& s = *state_;
    if (!s.format || s.video.stream || video.width == 0 || video.height == 0 || video.parameterSets.empty() ||
        video.timing.longestFrame <= 0 || video.reorderDepth < 0 ||
        !s.clock.Start(video.timing, video.timing.longestFrame))
        return false;
    s.clock.SetReorderDepth(video.reorderDepth);
    AVStream* stream = avformat_new_stream(s.format, nullptr);
    if (!stream)
        return false;
    AVCodecParameters& parameters = *stream->codecpar;
    parameters.codec_type = AVMEDIA_TYPE_VIDEO;
    parameters.codec_id = AV_CODEC_ID_HEVC;
    parameters.codec_tag = kHvc1Tag;
    parameters.width = static_cast<int>(video.width);
    parameters.height = static_cast<int>(video.height);
    parameters.format = AV_PIX_FMT_YUV420P;
    parameters.color_primaries = static_cast<AVColorPrimaries>(video.colour.primaries);
    parameters.color_trc = static_cast<AVColorTransferCharacteristic>(video.colour.transfer);
    parameters.color_space = static_cast<AVColorSpace>(video.colour.matrix);
    parameters.color_range = AVCOL_RANGE_MPEG;
    // The muxer turns Annex B parameter sets into the sample entry's record.
    size_t bytes = video.parameterSets.size();
    parameters.extradata = static_cast<uint8_t*>(av_mallocz(bytes + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!parameters.extradata)
        return false;
    std::copy(video.parameterSets.begin(), video.parameterSets.end(), parameters.extradata);
    parameters.extradata_size = static_cast<int>(bytes);
    if (video.aspectX != 0 && video.aspectY != 0) {
        parameters.sample_aspect_ratio = AVRational{static_cast<int>(video.aspectX), static_cast<int>(video.aspectY)};
        stream->sample_aspect_ratio = parameters.sample_aspect_ratio;
    }
    stream->time_base = AVRational{1, s.clock.Timescale()};
    s.video.stream = stream;
    return true;
}

bool SinkWriter::WriteVideoPacket(const uint8_t* data, size_t size, int64_t time, int64_t duration,
                                  bool randomAccess)
{
    State& s = *state_;
    if (!s.headerWritten || s.finalized || s.video.codec || !data || size == 0 ||
        av_new_packet(s.packet.get(), static_cast<int>(size)) < 0)
        return false;
    AVPacket& packet = *s.packet;
    std::copy(data, data + size, packet.data);
    packet.pts = s.clock.PresentPicture(time, duration);
    if (!s.clock.TimePacket(packet))
        return false;
    packet.flags = randomAccess ? AV_PKT_FLAG_KEY : 0;
    packet.stream_index = s.video.stream->index;
    av_packet_rescale_ts(&packet, AVRational{1, s.clock.Timescale()}, s.video.stream->time_base);
    return av_interleaved_write_frame(s.format, &packet) >= 0;
}

}  // namespace wuvo::platform
