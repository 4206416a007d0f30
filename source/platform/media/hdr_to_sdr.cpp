#include "platform/media/hdr_to_sdr.h"

#include <string>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include "platform/media/hevc_encoder_settings.h"

namespace wuvo::platform {

namespace {

// zimg takes the picture to linear light in which 1.0 is 100 cd/m2, then to
// BT.709 primaries; the tone curve brings what lies above 1.0 back in, and
// the BT.709 transfer and matrix follow. zimg reads the source's own colour
// description from each picture.
constexpr const char* kToSdrChain =
    "zscale=transfer=linear:npl=100,format=gbrpf32le,zscale=primaries=bt709,"
    "tonemap=tonemap=mobius:desat=0,"
    "zscale=transfer=bt709:matrix=bt709:range=tv,format=yuv420p";

AVFilterInOut* Endpoint(const char* name, AVFilterContext* filter)
{
    AVFilterInOut* end = avfilter_inout_alloc();
    if (!end)
        return nullptr;
    end->name = av_strdup(name);
    end->filter_ctx = filter;
    end->pad_idx = 0;
    end->next = nullptr;
    return end;
}

}  // namespace

bool IsHdrTransfer(int transfer)
{
    return transfer == AVCOL_TRC_SMPTE2084 || transfer == AVCOL_TRC_ARIB_STD_B67;
}

HdrToSdrConverter::HdrToSdrConverter() : converted_(av_frame_alloc()) {}

HdrToSdrConverter::~HdrToSdrConverter()
{
    Free();
}

void HdrToSdrConverter::Free()
{
    avfilter_graph_free(&graph_);
    source_ = nullptr;
    sink_ = nullptr;
}

bool HdrToSdrConverter::Build(const AVFrame& picture)
{
    Free();
    if (!Configure(picture)) {
        Free();  // a half-built graph is never used
        return false;
    }
    width_ = picture.width;
    height_ = picture.height;
    format_ = picture.format;
    return true;
}

bool HdrToSdrConverter::Configure(const AVFrame& picture)
{
    graph_ = avfilter_graph_alloc();
    if (!graph_)
        return false;
    // The tone curve works on slices of the picture in parallel.
    graph_->nb_threads = static_cast<int>(UsableCpuCount());
    std::string source = "video_size=" + std::to_string(picture.width) + "x" + std::to_string(picture.height) +
                         ":pix_fmt=" + std::to_string(picture.format) + ":time_base=1/1:pixel_aspect=1/1";
    if (avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in", source.c_str(), nullptr,
                                     graph_) < 0 ||
        avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph_) < 0)
        return false;
    // The chain's open input is fed by the source, its open output feeds the sink.
    AVFilterInOut* fromSource = Endpoint("in", source_);
    AVFilterInOut* toSink = Endpoint("out", sink_);
    bool built = fromSource && toSink &&
                 avfilter_graph_parse_ptr(graph_, kToSdrChain, &toSink, &fromSource, nullptr) >= 0 &&
                 avfilter_graph_config(graph_, nullptr) >= 0;
    avfilter_inout_free(&fromSource);
    avfilter_inout_free(&toSink);
    return built;
}

const AVFrame* HdrToSdrConverter::Convert(const AVFrame& picture)
{
    bool sameLayout = picture.width == width_ && picture.height == height_ && picture.format == format_;
    if (!converted_ || ((!graph_ || !sameLayout) && !Build(picture)))
        return nullptr;
    av_frame_unref(converted_.get());
    // The source takes a reference of its own and leaves the picture as it is.
    if (av_buffersrc_add_frame_flags(source_, const_cast<AVFrame*>(&picture), AV_BUFFERSRC_FLAG_KEEP_REF) < 0 ||
        av_buffersink_get_frame(sink_, converted_.get()) < 0)
        return nullptr;
    return converted_.get();
}

}  // namespace wuvo::platform
