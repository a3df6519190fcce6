#include "video_encoder.h"

#include "atomic_output.h"
#include "cerror.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

bool endsWithNoCase(const std::string &name, const char *suffix)
{
    const std::size_t n = std::strlen(suffix);
    if (name.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[name.size() - n + i])) != suffix[i])
            return false;
    }
    return true;
}

// FFmpeg's libraries report their settings on standard error by default; a command-line tool's
// output is its own, and failures come back as error codes anyway.
void quietLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::string ffmpegText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct CodecContextFree {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct ScaleFree {
    void operator()(SwsContext *s) const { sws_freeContext(s); }
};

} // namespace

std::optional<VideoCodec> videoCodecForName(const std::string &name)
{
    if (endsWithNoCase(name, ".mp4"))
        return VideoCodec::H264Mp4;
    if (endsWithNoCase(name, ".webm"))
        return VideoCodec::Vp9Webm;
    return std::nullopt;
}

struct VideoEncoder::State {
    AtomicOutput output;
    VideoSettings settings;
    int width = 0; // encoded, even
    int height = 0;
    AVFormatContext *format = nullptr;
    AVStream *stream = nullptr;
    std::unique_ptr<AVCodecContext, CodecContextFree> codec;
    std::unique_ptr<AVFrame, FrameFree> frame;
    std::unique_ptr<AVPacket, PacketFree> packet;
    std::unique_ptr<SwsContext, ScaleFree> scale;
    std::vector<std::uint8_t> padded; // the picture with its black row or column
    bool finished = false;
    int frames = 0;

    explicit State(const std::string &target) : output(target.c_str()) {}
    ~State()
    {
        if (format) {
            if (format->pb)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    [[noreturn]] void fail(const std::string &what, int code) const
    {
        output.fail(code ? what + ": " + ffmpegText(code) : what);
    }
    void check(int code, const char *what) const
    {
        if (code < 0)
            fail(what, code);
    }

    // Sends picture (or the end, for null) and writes every packet the encoder has ready.
    void encode(AVFrame *picture)
    {
        check(avcodec_send_frame(codec.get(), picture), "the encoder refused a frame");
        for (;;) {
            const int got = avcodec_receive_packet(codec.get(), packet.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return;
            check(got, "the encoder failed");
            // Every frame lasts one tick: without it MP4's edit list ends at the last frame's
            // start, and players drop that frame.
            if (packet->duration <= 0)
                packet->duration = 1;
            av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            const int written = av_interleaved_write_frame(format, packet.get());
            av_packet_unref(packet.get());
            check(written, "cannot write");
        }
    }
};

VideoEncoder::VideoEncoder(const std::string &target, const VideoSettings &settings)
    : state_(std::make_unique<State>(target))
{
    quietLibraries();
    State &s = *state_;
    s.settings = settings;
    const std::optional<VideoCodec> kind = videoCodecForName(target);
    if (!kind)
        s.fail("a video's name ends in .mp4 or .webm", 0);
    if (settings.width <= 0 || settings.height <= 0 || settings.fps <= 0)
        s.fail("no pictures to encode", 0);
    // yuv420p halves both sides of the chroma planes.
    s.width = settings.width + (settings.width & 1);
    s.height = settings.height + (settings.height & 1);

    const bool h264 = *kind == VideoCodec::H264Mp4;
    const char *encoderName = h264 ? "libx264" : "libvpx-vp9";
    const AVCodec *encoder = avcodec_find_encoder_by_name(encoderName);
    if (!encoder)
        s.fail(std::string("this FFmpeg has no ") + encoderName + " encoder", 0);
    s.check(avformat_alloc_output_context2(&s.format, nullptr, h264 ? "mp4" : "webm", nullptr),
            "cannot set up the container");

    s.codec.reset(avcodec_alloc_context3(encoder));
    s.frame.reset(av_frame_alloc());
    s.packet.reset(av_packet_alloc());
    if (!s.codec || !s.frame || !s.packet)
        throw std::bad_alloc();
    AVCodecContext &c = *s.codec;
    c.width = s.width;
    c.height = s.height;
    c.pix_fmt = AV_PIX_FMT_YUV420P;
    c.time_base = AVRational{1, settings.fps};
    c.framerate = AVRational{settings.fps, 1};
    c.thread_count = std::max(0, settings.threads);
    // What libswscale's conversion from RGB gives: BT.601 coefficients, limited range.
    c.colorspace = AVCOL_SPC_SMPTE170M;
    c.color_range = AVCOL_RANGE_MPEG;
    if (h264) {
        av_opt_set(c.priv_data, "preset", "veryfast", 0);
        av_opt_set(c.priv_data, "crf", "18", 0);
    } else {
        // Constant quality, at a speed that keeps up with drawing the frames.
        c.bit_rate = 0;
        av_opt_set(c.priv_data, "crf", "24", 0);
        av_opt_set(c.priv_data, "deadline", "good", 0);
        av_opt_set(c.priv_data, "cpu-used", "5", 0);
        av_opt_set(c.priv_data, "row-mt", "1", 0);
    }
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER)
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    s.check(avcodec_open2(&c, encoder, nullptr), "cannot open the encoder");

    s.stream = avformat_new_stream(s.format, nullptr);
    if (!s.stream)
        throw std::bad_alloc();
    s.stream->time_base = c.time_base;
    s.check(avcodec_parameters_from_context(s.stream->codecpar, &c), "cannot set up the stream");

    s.frame->format = c.pix_fmt;
    s.frame->width = s.width;
    s.frame->height = s.height;
    s.check(av_frame_get_buffer(s.frame.get(), 0), "cannot allocate a frame");
    s.scale.reset(sws_getContext(s.width, s.height, AV_PIX_FMT_RGB24, s.width, s.height,
                                 AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr,
                                 nullptr, nullptr));
    if (!s.scale)
        s.fail("cannot set up the conversion to yuv420p", 0);
    if (s.width != settings.width || s.height != settings.height)
        s.padded.assign(std::size_t(s.width) * 3 * std::size_t(s.height), 0);

    // FFmpeg opens the temporary file by name; the stream the output made is not needed.
    s.output.closeStream();
    // Named as a file, so that no part of the name is ever taken for a protocol ("a:b.mp4").
    const std::string url = std::string("file:") + s.output.temporaryPath();
    s.check(avio_open(&s.format->pb, url.c_str(), AVIO_FLAG_WRITE), "cannot open the file");
    s.check(avformat_write_header(s.format, nullptr), "cannot write the header");
}

VideoEncoder::~VideoEncoder() = default;

void VideoEncoder::addFrame(const RgbPicture &picture)
{
    State &s = *state_;
    if (s.finished || picture.width != s.settings.width || picture.height != s.settings.height)
        s.fail("a frame of another size", 0);
    const std::uint8_t *rows = picture.pixels;
    int stride = int(picture.stride);
    if (!s.padded.empty()) {
        const std::size_t rowBytes = std::size_t(picture.width) * 3;
        for (int y = 0; y < picture.height; ++y)
            std::memcpy(&s.padded[std::size_t(y) * std::size_t(s.width) * 3],
                        picture.pixels + std::size_t(y) * picture.stride, rowBytes);
        rows = s.padded.data();
        stride = s.width * 3;
    }
    s.check(av_frame_make_writable(s.frame.get()), "cannot allocate a frame");
    const std::uint8_t *const source[1] = {rows};
    const int sourceStride[1] = {stride};
    sws_scale(s.scale.get(), source, sourceStride, 0, s.height, s.frame->data, s.frame->linesize);
    s.frame->pts = s.frames;
    s.encode(s.frame.get());
    ++s.frames;
}

void VideoEncoder::finish()
{
    State &s = *state_;
    if (s.finished)
        return;
    s.encode(nullptr);
    s.check(av_write_trailer(s.format), "cannot write the trailer");
    s.check(avio_closep(&s.format->pb), "cannot write");
    s.output.commit();
    s.finished = true;
}

int VideoEncoder::frames() const
{
    return state_->frames;
}

int VideoEncoder::encodedWidth() const
{
    return state_->width;
}

int VideoEncoder::encodedHeight() const
{
    return state_->height;
}
