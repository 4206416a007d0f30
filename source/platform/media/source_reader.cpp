#include "platform/media/source_reader.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include "platform/media/ffmpeg_handles.h"
#include "platform/media/hevc_encoder_settings.h"
#include "platform/media/picture_converter.h"

namespace wuvo::platform {

namespace {

static_assert(kLayerTimeBase.num == 1 && kLayerTimeBase.den == kTimeUnitsPerSecond);

// A display matrix is 3 x 3 32-bit words.
constexpr size_t kDisplayMatrixWords = 9;
// Packets of the stream not being read wait here; a reader that never reads
// one of two selected streams must not grow without bound.
constexpr size_t kMaxQueuedPackets = 4096;
// A seek that lands after its target (leading pictures of an open GOP are
// dropped after a seek) goes back one more sync point each time.
constexpr int kMaxSeekAttempts = 8;
// Before any sample of a stream, and far enough from the limit of the type
// that a demuxer's own offsets do not overflow it.
constexpr int64_t kBeforeAnySample = INT64_MIN / 4;

// A 16.16 matrix word as -1, 0 or 1.
int UnitOf(int32_t word)
{
    constexpr int32_t kHalf = 1 << 15;
    return word > kHalf ? 1 : word < -kHalf ? -1 : 0;
}

PictureTurn DisplayTurn(const AVStream* stream)
{
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < kDisplayMatrixWords * sizeof(int32_t))
        return {};
    int32_t matrix[kDisplayMatrixWords];
    std::memcpy(matrix, data, sizeof matrix);
    enum { kA = 0, kB = 1, kC = 3, kD = 4 };
    return TurnOfMatrix(UnitOf(matrix[kA]), UnitOf(matrix[kB]), UnitOf(matrix[kC]), UnitOf(matrix[kD]));
}

// A code that names a description (1, or 4 to `last`, or `extra`) is kept;
// reserved ones, which an encoder refuses, become unspecified.
uint32_t NamedOrUnspecified(int code, int last, int extra = -1)
{
    bool named = code == 1 || (code >= 4 && code <= last) || code == extra;
    return named ? static_cast<uint32_t>(code) : ColourDescription::kUnspecified;
}

ColourDescription DeliveredColour(const AVCodecContext& codec)
{
    ColourDescription colour;
    if (IsHdrTransfer(codec.color_trc)) {
        colour.primaries = AVCOL_PRI_BT709;
        colour.transfer = AVCOL_TRC_BT709;
        colour.matrix = AVCOL_SPC_BT709;
        return colour;
    }
    colour.primaries = NamedOrUnspecified(codec.color_primaries, AVCOL_PRI_SMPTE432, AVCOL_PRI_EBU3213);
    colour.transfer = NamedOrUnspecified(codec.color_trc, AVCOL_TRC_ARIB_STD_B67);
    colour.matrix = NamedOrUnspecified(codec.colorspace, AVCOL_SPC_ICTCP);
    // Named as players read the coded pictures, so that a copy at another
    // size is read the same way.
    return AsPlayersRead(colour, static_cast<uint32_t>(codec.width), static_cast<uint32_t>(codec.height));
}

CodecPtr OpenDecoder(const AVStream& av)
{
    const AVCodec* decoder = avcodec_find_decoder(av.codecpar->codec_id);
    if (!decoder)
        return nullptr;
    CodecPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), av.codecpar) < 0)
        return nullptr;
    codec->pkt_timebase = av.time_base;
    // Library users get one decoding thread unless they ask for more.
    codec->thread_count = static_cast<int>(UsableCpuCount());
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return nullptr;
    return codec;
}

}  // namespace

struct SourceReader::State {
    struct Stream {
        int index = -1;
        bool selected = false;
        CodecPtr codec;
        std::deque<PacketPtr> queue;
        bool flushed = false;  // the decoder has been told the input ended
        // The decoder has refused the packets since the last one it took.
        bool refusing = false;
        int64_t startTime = 0;
    };

    AVFormatContext* format = nullptr;
    Stream video;
    Stream audio;
    bool demuxerEnded = false;
    // The file broke off or is damaged, as opposed to ending.
    bool demuxerFailed = false;
    FramePtr frame{av_frame_alloc()};

    VideoFormat videoFormat;
    AudioFormat audioFormat;
    PictureConverter converter;
    // Set by Seek: `frame` holds the picture the next video read returns.
    bool pendingVideoFrame = false;
    // The first video packet read since the last seek: where the seek landed.
    int64_t landingTime = AV_NOPTS_VALUE;
    // The video stream ends before the first packet decoded after this time,
    // and has reached it since the last seek.
    int64_t videoEnd = INT64_MAX;
    bool videoEnded = false;

    SwrContext* resampler = nullptr;
    std::vector<uint8_t> pcm;

    std::function<bool()> stopCheck;

    ~State()
    {
        swr_free(&resampler);
        avformat_close_input(&format);
    }

    Stream& Of(StreamKind kind) { return kind == StreamKind::Video ? video : audio; }
    const Stream& Of(StreamKind kind) const { return kind == StreamKind::Video ? video : audio; }
    AVStream* AvStream(const Stream& stream) const { return format->streams[stream.index]; }

    bool StopRequested() const { return stopCheck && stopCheck(); }
    // FFmpeg's interrupt callback: a read that waits for the file gives up.
    static int InterruptWaitingRead(void* state);
    PacketPtr NextPacketFor(Stream& wanted);
    PacketPtr NextPacketWithin(Stream& wanted);
    ReadStatus DecodeFrame(Stream& stream);
    int64_t ToTime(const Stream& stream, int64_t timestamp) const;
    int64_t PictureTimestamp() const;
    int64_t FrameDuration(const Stream& stream) const;
    ReadStatus DeliverVideo(MediaSample& sample);
    ReadStatus DeliverAudio(MediaSample& sample);
    void ResetAfterSeek();
    bool SeekBackwardTo(int64_t timestamp);
    void TakeStreams();
    void DescribeVideo(const AVStream& av, const AVCodecContext& codec);
    bool PrepareResampler(const AVCodecContext& codec);
};

int SourceReader::State::InterruptWaitingRead(void* state)
{
    return static_cast<const State*>(state)->StopRequested() ? 1 : 0;
}

PacketPtr SourceReader::State::NextPacketFor(Stream& wanted)
{
    if (!wanted.queue.empty()) {
        PacketPtr queued = std::move(wanted.queue.front());
        wanted.queue.pop_front();
        return queued;
    }
    while (!demuxerEnded && !StopRequested()) {
        PacketPtr read(av_packet_alloc());
        int status = read ? av_read_frame(format, read.get()) : AVERROR(ENOMEM);
        if (status < 0) {
            demuxerEnded = true;
            demuxerFailed = status != AVERROR_EOF;
            break;
        }
        if (read->stream_index == wanted.index) {
            if (&wanted == &video && landingTime == AV_NOPTS_VALUE)
                landingTime = read->dts != AV_NOPTS_VALUE ? read->dts : read->pts;
            return read;
        }
        Stream& other = &wanted == &video ? audio : video;
        if (read->stream_index == other.index && other.selected && other.codec &&
            other.queue.size() < kMaxQueuedPackets)
            other.queue.push_back(std::move(read));
    }
    return nullptr;
}

// A packet decoded after the end holds only pictures shown after it: the
// demuxer keeps a picture's decode time at or before its presentation time.
PacketPtr SourceReader::State::NextPacketWithin(Stream& wanted)
{
    PacketPtr packet = NextPacketFor(wanted);
    if (!packet || &wanted != &video)
        return packet;
    int64_t decodeTime = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
    if (decodeTime != AV_NOPTS_VALUE && decodeTime > videoEnd) {
        videoEnded = true;
        return nullptr;
    }
    return packet;
}

ReadStatus SourceReader::State::DecodeFrame(Stream& stream)
{
    for (;;) {
        int received = avcodec_receive_frame(stream.codec.get(), frame.get());
        if (received == 0)
            return ReadStatus::Sample;
        if (received == AVERROR_EOF)
            return ReadStatus::EndOfStream;
        if (received != AVERROR(EAGAIN))
            return ReadStatus::Error;
        if (stream.flushed)
            return ReadStatus::EndOfStream;
        PacketPtr next = NextPacketWithin(stream);
        // A stop may also have made the demuxer's read fail.
        if (!next && StopRequested())
            return ReadStatus::Stopped;
        if (!next && (demuxerFailed || (stream.refusing && !videoEnded)))
            return ReadStatus::Error;
        if (!next)
            stream.flushed = true;
        int sent = avcodec_send_packet(stream.codec.get(), next.get());
        // A damaged audio packet costs only its own few milliseconds, as in
        // any player. A video packet refused (a picture repeated where
        // recordings were joined) is a picture left out, as players leave it:
        // pictures are known by their times. A decoder that refuses every
        // packet to the end has failed.
        if (sent == AVERROR_INVALIDDATA && next) {
            stream.refusing = &stream == &video;
            continue;
        }
        if (sent < 0)
            return ReadStatus::Error;
        stream.refusing = false;
    }
}

int64_t SourceReader::State::ToTime(const Stream& stream, int64_t timestamp) const
{
    if (timestamp == AV_NOPTS_VALUE)
        return 0;
    return av_rescale_q(timestamp - stream.startTime, AvStream(stream)->time_base, kLayerTimeBase);
}

int64_t SourceReader::State::PictureTimestamp() const
{
    return frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
}

int64_t SourceReader::State::FrameDuration(const Stream& stream) const
{
    if (frame->pkt_duration > 0)
        return av_rescale_q(frame->pkt_duration, AvStream(stream)->time_base, kLayerTimeBase);
    if (videoFormat.rateNumerator == 0)
        return 0;
    return kTimeUnitsPerSecond * videoFormat.rateDenominator / videoFormat.rateNumerator;
}

ReadStatus SourceReader::State::DeliverVideo(MediaSample& sample)
{
    const AVFrame* picture = converter.ToUprightI420(*frame, videoFormat.turn);
    if (!picture)
        return ReadStatus::Error;
    VideoFrame& out = sample.video;
    out.width = static_cast<uint32_t>(picture->width);
    out.height = static_cast<uint32_t>(picture->height);
    for (int plane = 0; plane < 3; ++plane) {
        int rows = plane == 0 ? picture->height : (picture->height + 1) / 2;
        out.planes[plane] = picture->data[plane];
        out.pitch[plane] = static_cast<uint32_t>(picture->linesize[plane]);
        out.planeBytes[plane] = static_cast<size_t>(picture->linesize[plane]) * rows;
    }
    sample.time = ToTime(video, frame->best_effort_timestamp);
    sample.duration = FrameDuration(video);
    sample.timestamp = PictureTimestamp();
    return ReadStatus::Sample;
}

ReadStatus SourceReader::State::DeliverAudio(MediaSample& sample)
{
    int channels = static_cast<int>(audioFormat.channels);
    int capacity = swr_get_out_samples(resampler, frame->nb_samples);
    if (capacity < 0)
        return ReadStatus::Error;
    pcm.resize(static_cast<size_t>(capacity) * channels * sizeof(int16_t));
    uint8_t* out = pcm.data();
    int converted = swr_convert(resampler, &out, capacity, const_cast<const uint8_t**>(frame->extended_data),
                                frame->nb_samples);
    if (converted < 0)
        return ReadStatus::Error;
    sample.pcm = pcm.data();
    sample.pcmBytes = static_cast<size_t>(converted) * channels * sizeof(int16_t);
    sample.time = ToTime(audio, frame->best_effort_timestamp);
    sample.duration = converted * kTimeUnitsPerSecond / audioFormat.sampleRate;
    sample.timestamp = frame->best_effort_timestamp;
    return ReadStatus::Sample;
}

void SourceReader::State::ResetAfterSeek()
{
    for (Stream* stream : {&video, &audio}) {
        stream->queue.clear();
        stream->flushed = false;
        stream->refusing = false;
        if (stream->codec)
            avcodec_flush_buffers(stream->codec.get());
    }
    demuxerEnded = false;
    demuxerFailed = false;
    pendingVideoFrame = false;
    landingTime = AV_NOPTS_VALUE;
    videoEnded = false;
}

bool SourceReader::State::SeekBackwardTo(int64_t timestamp)
{
    int sought = timestamp == INT64_MIN
                     ? -1
                     : av_seek_frame(format, video.index, timestamp, AVSEEK_FLAG_BACKWARD);
    // Before the first sync point: from the first sample, which a trimmed
    // clip's sync table may leave out although it is its opening picture.
    if (sought < 0)
        sought = av_seek_frame(format, video.index, kBeforeAnySample, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
    ResetAfterSeek();
    return sought >= 0;
}

// Reads the chosen video and audio streams from their start and no others.
void SourceReader::State::TakeStreams()
{
    for (Stream* stream : {&video, &audio}) {
        stream->selected = stream->index >= 0;
        stream->queue.clear();
        int64_t start = stream->index >= 0 ? AvStream(*stream)->start_time : AV_NOPTS_VALUE;
        stream->startTime = start == AV_NOPTS_VALUE ? 0 : start;
    }
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        bool taken = static_cast<int>(i) == video.index || static_cast<int>(i) == audio.index;
        format->streams[i]->discard = taken ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
}

void SourceReader::State::DescribeVideo(const AVStream& av, const AVCodecContext& codec)
{
    VideoFormat format;
    format.turn = DisplayTurn(&av);
    bool quarter = format.turn.IsQuarter();
    format.width = static_cast<uint32_t>(quarter ? codec.height : codec.width);
    format.height = static_cast<uint32_t>(quarter ? codec.width : codec.height);
    AVRational rate = av.avg_frame_rate.num > 0 && av.avg_frame_rate.den > 0 ? av.avg_frame_rate
                                                                             : av.r_frame_rate;
    if (rate.num > 0 && rate.den > 0) {
        format.rateNumerator = static_cast<uint32_t>(rate.num);
        format.rateDenominator = static_cast<uint32_t>(rate.den);
    }
    // A quarter turn turns the pixels too.
    AVRational aspect = av.sample_aspect_ratio;
    if (aspect.num > 0 && aspect.den > 0) {
        format.aspectX = static_cast<uint32_t>(quarter ? aspect.den : aspect.num);
        format.aspectY = static_cast<uint32_t>(quarter ? aspect.num : aspect.den);
    }
    format.colour = DeliveredColour(codec);
    format.hdr = IsHdrTransfer(codec.color_trc);
    AVFieldOrder order = av.codecpar->field_order;
    format.interlaced = order != AV_FIELD_UNKNOWN && order != AV_FIELD_PROGRESSIVE;
    videoFormat = format;
}

bool SourceReader::State::PrepareResampler(const AVCodecContext& codec)
{
    AVChannelLayout layout{};
    if (codec.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, codec.ch_layout.nb_channels);
    else if (av_channel_layout_copy(&layout, &codec.ch_layout) < 0)
        return false;
    swr_free(&resampler);
    int made = swr_alloc_set_opts2(&resampler, &layout, AV_SAMPLE_FMT_S16, codec.sample_rate, &layout,
                                   codec.sample_fmt, codec.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    if (made < 0 || swr_init(resampler) < 0 || codec.sample_rate <= 0)
        return false;
    audioFormat.sampleRate = static_cast<uint32_t>(codec.sample_rate);
    audioFormat.channels = static_cast<uint32_t>(codec.ch_layout.nb_channels);
    return true;
}

SourceReader::SourceReader() : state_(std::make_unique<State>()) {}

SourceReader::~SourceReader() = default;

void SourceReader::SetStopCheck(std::function<bool()> stopRequested)
{
    state_->stopCheck = std::move(stopRequested);
}

bool SourceReader::Open(const std::string& path, EditLists edits)
{
    State& s = *state_;
    if (s.format || !s.frame)
        return false;
    AVDictionary* options = nullptr;
    if (edits == EditLists::Ignored && av_dict_set(&options, "ignore_editlist", "1", 0) < 0)
        return false;
    s.format = avformat_alloc_context();
    if (!s.format) {
        av_dict_free(&options);
        return false;
    }
    s.format->interrupt_callback = {&State::InterruptWaitingRead, &s};
    // Frees the context when it fails.
    int opened = avformat_open_input(&s.format, path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return false;
    if (avformat_find_stream_info(s.format, nullptr) < 0)
        return false;
    s.video.index = av_find_best_stream(s.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    s.audio.index = av_find_best_stream(s.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    s.TakeStreams();
    return true;
}

bool SourceReader::SelectTrack(StreamKind kind, uint32_t place, uint32_t trackId)
{
    State& s = *state_;
    State::Stream& stream = s.Of(kind);
    if (!s.format || stream.codec)
        return false;
    AVMediaType type = kind == StreamKind::Video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
    stream.index = -1;
    // The MP4 demuxer makes a stream of every track, in file order, and
    // gives it the track's ID.
    if (place < s.format->nb_streams) {
        const AVStream* av = s.format->streams[place];
        if (av->codecpar->codec_type == type && av->id >= 0 && static_cast<uint32_t>(av->id) == trackId)
            stream.index = static_cast<int>(place);
    }
    s.TakeStreams();
    return stream.index >= 0;
}

bool SourceReader::HasStream(StreamKind kind) const
{
    return state_->Of(kind).index >= 0;
}

void SourceReader::SetStreamSelection(StreamKind kind, bool selected)
{
    State::Stream& stream = state_->Of(kind);
    if (stream.index < 0)
        return;
    stream.selected = selected;
    stream.queue.clear();
    state_->AvStream(stream)->discard = selected ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
}

bool SourceReader::IsStreamSelected(StreamKind kind) const
{
    return state_->Of(kind).selected;
}

bool SourceReader::SetOutputFormat(StreamKind kind)
{
    State& s = *state_;
    State::Stream& stream = s.Of(kind);
    if (stream.index < 0)
        return false;
    AVStream* av = s.AvStream(stream);
    CodecPtr codec = OpenDecoder(*av);
    if (!codec)
        return false;
    if (kind == StreamKind::Video)
        s.DescribeVideo(*av, *codec);
    else if (!s.PrepareResampler(*codec))
        return false;
    stream.codec = std::move(codec);
    stream.flushed = false;
    return true;
}

const VideoFormat& SourceReader::CurrentVideoFormat() const
{
    return state_->videoFormat;
}

const AudioFormat& SourceReader::CurrentAudioFormat() const
{
    return state_->audioFormat;
}

ReadStatus SourceReader::ReadSample(StreamKind kind, MediaSample& sample)
{
    State& s = *state_;
    State::Stream& stream = s.Of(kind);
    sample = MediaSample{};
    if (!stream.codec || !stream.selected)
        return ReadStatus::Error;
    if (kind == StreamKind::Video && s.pendingVideoFrame) {
        s.pendingVideoFrame = false;
        return s.DeliverVideo(sample);
    }
    ReadStatus status = s.DecodeFrame(stream);
    if (status != ReadStatus::Sample)
        return status;
    return kind == StreamKind::Video ? s.DeliverVideo(sample) : s.DeliverAudio(sample);
}

std::optional<int64_t> SourceReader::SkipVideoPacket()
{
    State& s = *state_;
    if (s.video.index < 0 || !s.video.selected)
        return std::nullopt;
    PacketPtr packet = s.NextPacketFor(s.video);
    if (!packet)
        return std::nullopt;
    return av_rescale_q(packet->duration, s.AvStream(s.video)->time_base, kLayerTimeBase);
}

bool SourceReader::SeekAudio(int64_t timestamp)
{
    State& s = *state_;
    if (!s.audio.codec || !s.audio.selected)
        return false;
    int sought = av_seek_frame(s.format, s.audio.index, timestamp, AVSEEK_FLAG_BACKWARD);
    if (sought < 0)  // before the first packet: from the top
        sought = avformat_seek_file(s.format, -1, INT64_MIN, INT64_MIN, INT64_MIN, 0);
    s.ResetAfterSeek();
    return sought >= 0;
}

void SourceReader::EndVideoAfter(int64_t timestamp)
{
    state_->videoEnd = timestamp;
}

bool SourceReader::Seek(int64_t timestamp)
{
    State& s = *state_;
    State::Stream& video = s.video;
    if (!video.codec || !video.selected)
        return false;
    int64_t seekTo = timestamp;
    for (int attempt = 0; attempt < kMaxSeekAttempts; ++attempt) {
        if (attempt + 1 == kMaxSeekAttempts)
            seekTo = INT64_MIN;  // the last try decodes from the top
        if (!s.SeekBackwardTo(seekTo))
            return false;
        bool first = true;
        for (;;) {
            ReadStatus status = s.DecodeFrame(video);
            if (status == ReadStatus::Error || status == ReadStatus::Stopped)
                return false;
            if (status == ReadStatus::EndOfStream)
                return true;  // past the end: the next read reports it
            int64_t pts = s.PictureTimestamp();
            bool landedLate = first && pts != AV_NOPTS_VALUE && pts > timestamp;
            bool canGoBack = seekTo != INT64_MIN && s.landingTime != AV_NOPTS_VALUE &&
                             s.landingTime > video.startTime;
            if (landedLate && canGoBack) {
                seekTo = std::min(s.landingTime, pts) - 1;
                break;
            }
            first = false;
            if (pts == AV_NOPTS_VALUE || pts >= timestamp) {
                s.pendingVideoFrame = true;
                return true;
            }
        }
    }
    return false;
}

}  // namespace wuvo::platform
