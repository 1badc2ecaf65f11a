// The video file: FFmpeg's encoders and muxers, fed one drawn frame and its stretch of the tune at a time.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdio>
#include <cstring>

#include "palette.h"
#include "tune.h"
#include "video_file.h"

// The .mp4's sound bit rate and x264's settings. On this scene (10 s of it, two cores) "veryfast"
// costs half as much again as "superfast"; "superfast" alone makes files three times larger, but
// with the macroblock tree and a tenth of a second of lookahead, which find how long the backdrop
// stays still, only a third larger.
static const int64_t AAC_BIT_RATE = 192000;
static const char MP4_PRESET[] = "superfast";
static const char MP4_PARAMS[] = "mbtree=1:rc-lookahead=10";
// Lossless H.264 for .mkv, in RGB: "ultrafast" with CABAC costs about a third of what FFV1 does and
// writes a fifth of its bytes, since H.264 codes what stays still from one frame to the next once.
static const char MKV_PRESET[] = "ultrafast";
static const char MKV_PARAMS[] = "cabac=1";
// The pictures handed to the encoder, used in turn: the GIF encoder holds on to the frame before the
// one it is given, so the one written next is always free and never copied.
constexpr int PICTURES = 2;

// Everything the file holds between video_file_open and video_file_close, written by the encoding
// thread alone once the file is open.
struct VideoFile {
    AVFormatContext* format;
    AVCodecContext* video;
    AVCodecContext* audio;
    AVStream* video_stream;
    AVStream* audio_stream;
    AVFrame* pictures[PICTURES]; // the picture handed to the encoder, converted where the format needs it
    AVFrame* sound; // one codec frame of sound
    AVPacket* packet;
    SwsContext* scaler;
    VideoFormat kind;
    int width;
    int height;
    int fps;
    int rate; // sound frames a second; 0 for no sound
    int sound_size; // sound frames in one codec frame
    float* tune; // the tune's samples for one codec frame, interleaved
    int tune_waiting; // of them, rendered and not yet sent
    int64_t sound_sent; // sound frames sent to the encoder
    int64_t sound_due; // sound frames rendered: the end of the sound so far
    uint32_t colours[256];
    const unsigned char* lookup;
    char reason[256];
};
static VideoFile file;

// Keeps the reason for video_file_error: what failed and FFmpeg's word for why; a failed write is
// told by why alone ("No space left on device").
static bool file_fail(const char* what, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = "";
    av_strerror(code, text, sizeof text);
    if (what == nullptr)
        snprintf(file.reason, sizeof file.reason, "%s", text);
    else
        snprintf(file.reason, sizeof file.reason, "%s: %s", what, text);
    return false;
}

const char* video_file_error() { return file.reason; }

// Hands the encoder's finished packets to the muxer. The last sound packet is cut to the sound there
// is: an encoder that pads its last frame would otherwise make the sound outlast the picture.
static bool drain(AVCodecContext* codec, AVStream* stream)
{
    for (;;) {
        int status = avcodec_receive_packet(codec, file.packet);
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF)
            return true;
        if (status < 0)
            return file_fail(
                codec == file.video ? "the video encoder failed" : "the sound encoder failed", status);
        if (codec == file.audio && file.packet->pts != AV_NOPTS_VALUE
            && file.packet->pts + file.packet->duration > file.sound_due)
            file.packet->duration = file.sound_due > file.packet->pts ? file.sound_due - file.packet->pts : 0;
        av_packet_rescale_ts(file.packet, codec->time_base, stream->time_base);
        file.packet->stream_index = stream->index;
        status = av_interleaved_write_frame(file.format, file.packet);
        if (status < 0)
            return file_fail(nullptr, status);
    }
}

static AVCodecContext* open_video(const CaptureOptions* options)
{
    const char* encoder = nullptr; // FFmpeg's name for it, as "ffmpeg -encoders" lists it
    AVPixelFormat format = AV_PIX_FMT_NONE;
    switch (options->format) {
    case FORMAT_MKV:
        encoder = options->ffv1 ? "ffv1" : "libx264rgb";
        format = AV_PIX_FMT_BGR0; // the frame as read back, alpha left out
        break;
    case FORMAT_MP4:
        encoder = "libx264";
        format = AV_PIX_FMT_YUV420P; // what players and video sites take
        break;
    case FORMAT_GIF:
        encoder = "gif";
        format = AV_PIX_FMT_PAL8;
        break;
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
    if (codec == nullptr) {
        snprintf(file.reason, sizeof file.reason, "this FFmpeg has no %s encoder", encoder);
        return nullptr;
    }
    AVCodecContext* video = avcodec_alloc_context3(codec);
    if (video == nullptr) {
        file_fail("no memory for the video encoder", AVERROR(ENOMEM));
        return nullptr;
    }
    video->width = file.width;
    video->height = file.height;
    video->pix_fmt = format;
    video->time_base = AVRational { 1, options->fps };
    video->framerate = AVRational { options->fps, 1 };
    video->sample_aspect_ratio = AVRational { 1, 1 };
    video->flags |= AV_CODEC_FLAG_BITEXACT;
    if (file.format->oformat->flags & AVFMT_GLOBALHEADER)
        video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (options->format == FORMAT_MKV && !options->ffv1) {
        // quantiser 0: every pixel as drawn, in the frame's own red, green and blue
        av_opt_set(video->priv_data, "preset", MKV_PRESET, 0);
        av_opt_set(video->priv_data, "x264-params", MKV_PARAMS, 0);
        av_opt_set_int(video->priv_data, "qp", 0, 0);
        video->thread_count = 0;
    } else if (options->format == FORMAT_MKV) {
        // version 3: slices coded apart (so both cores can work on a frame), each with a checksum
        video->level = 3;
        video->slices = 4;
        video->thread_count = 2;
        video->gop_size = 1;
        av_opt_set_int(video->priv_data, "slicecrc", 1, 0);
    } else if (options->format == FORMAT_MP4) {
        av_opt_set(video->priv_data, "preset", MP4_PRESET, 0);
        av_opt_set(video->priv_data, "x264-params", MP4_PARAMS, 0);
        av_opt_set_int(video->priv_data, "crf", options->crf, 0);
        video->thread_count = 0;
        // full-range RGB made into limited-range BT.709, and the file says so
        video->colorspace = AVCOL_SPC_BT709;
        video->color_primaries = AVCOL_PRI_BT709;
        video->color_trc = AVCOL_TRC_BT709;
        video->color_range = AVCOL_RANGE_MPEG;
    }
    const int status = avcodec_open2(video, codec, nullptr);
    if (status < 0) {
        file_fail("the video encoder does not start", status);
        avcodec_free_context(&video);
    }
    return video;
}

static AVCodecContext* open_audio(const CaptureOptions* options, int rate)
{
    const AVCodec* codec
        = avcodec_find_encoder(options->format == FORMAT_MKV ? AV_CODEC_ID_FLAC : AV_CODEC_ID_AAC);
    if (codec == nullptr) {
        snprintf(file.reason, sizeof file.reason, "this FFmpeg has no %s encoder",
            options->format == FORMAT_MKV ? "FLAC" : "AAC");
        return nullptr;
    }
    AVCodecContext* audio = avcodec_alloc_context3(codec);
    if (audio == nullptr) {
        file_fail("no memory for the sound encoder", AVERROR(ENOMEM));
        return nullptr;
    }
    audio->sample_rate = rate;
    av_channel_layout_default(&audio->ch_layout, 2);
    audio->time_base = AVRational { 1, rate };
    audio->flags |= AV_CODEC_FLAG_BITEXACT;
    if (file.format->oformat->flags & AVFMT_GLOBALHEADER)
        audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (options->format == FORMAT_MKV) {
        // 24 bits keep the float render to within half a step of 2^-23
        audio->sample_fmt = AV_SAMPLE_FMT_S32;
        audio->bits_per_raw_sample = 24;
    } else {
        audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
        audio->bit_rate = AAC_BIT_RATE;
    }
    const int status = avcodec_open2(audio, codec, nullptr);
    if (status < 0) {
        file_fail("the sound encoder does not start", status);
        avcodec_free_context(&audio);
    }
    return audio;
}

static AVStream* add_stream(AVCodecContext* codec)
{
    AVStream* stream = avformat_new_stream(file.format, nullptr);
    if (stream == nullptr || avcodec_parameters_from_context(stream->codecpar, codec) < 0) {
        file_fail("no memory for a stream", AVERROR(ENOMEM));
        return nullptr;
    }
    stream->time_base = codec->time_base;
    if (codec == file.video)
        stream->avg_frame_rate = codec->framerate;
    return stream;
}

static bool allocate_frames()
{
    file.packet = av_packet_alloc();
    if (file.packet == nullptr)
        return file_fail("no memory for frames", AVERROR(ENOMEM));
    for (AVFrame*& picture : file.pictures) {
        picture = av_frame_alloc();
        if (picture == nullptr)
            return file_fail("no memory for frames", AVERROR(ENOMEM));
        picture->format = file.video->pix_fmt;
        picture->width = file.width;
        picture->height = file.height;
        const int status = av_frame_get_buffer(picture, 0);
        if (status < 0)
            return file_fail("no memory for frames", status);
    }
    if (file.kind == FORMAT_MP4) {
        file.scaler = sws_getContext(file.width, file.height, AV_PIX_FMT_BGR0, file.width, file.height,
            AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (file.scaler == nullptr)
            return file_fail("the colour converter does not start", AVERROR(EINVAL));
        const int* rgb = sws_getCoefficients(SWS_CS_DEFAULT);
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(file.scaler, rgb, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }
    if (file.audio != nullptr) {
        file.sound = av_frame_alloc();
        if (file.sound == nullptr)
            return file_fail("no memory for frames", AVERROR(ENOMEM));
        // an encoder that takes any frame size gets a tenth of a second a frame
        file.sound_size = file.audio->frame_size > 0 ? file.audio->frame_size : file.rate / 10;
        file.sound->format = file.audio->sample_fmt;
        file.sound->nb_samples = file.sound_size;
        file.sound->sample_rate = file.rate;
        av_channel_layout_copy(&file.sound->ch_layout, &file.audio->ch_layout);
        int status = av_frame_get_buffer(file.sound, 0);
        if (status < 0)
            return file_fail("no memory for frames", status);
        file.tune = (float*)av_malloc((size_t)file.sound_size * 2 * sizeof(float));
        if (file.tune == nullptr)
            return file_fail("no memory for frames", AVERROR(ENOMEM));
    }
    return true;
}

// Called by capture_run once the scene is set up, before the encoding thread starts. Makes the
// file at path and writes its header; says why on stderr when it cannot.
bool video_file_open(const CaptureOptions* options, const char* path, int width, int height, int audio_rate,
    const uint32_t* colours, const unsigned char* lookup)
{
    video_file_discard();
    file = VideoFile {};
    file.kind = options->format;
    file.width = width;
    file.height = height;
    file.fps = options->fps;
    file.rate = options->format == FORMAT_GIF ? 0 : audio_rate;
    if (colours != nullptr)
        memcpy(file.colours, colours, sizeof file.colours);
    file.lookup = lookup;

    const char* muxer = options->format == FORMAT_MKV ? "matroska"
        : options->format == FORMAT_MP4               ? "mp4"
                                                      : "gif";
    int status = avformat_alloc_output_context2(&file.format, nullptr, muxer, path);
    bool ok = status >= 0 || file_fail("the container cannot be made", status);
    if (ok) {
        // no dates, versions or random identifiers: the same capture makes the same bytes
        file.format->flags |= AVFMT_FLAG_BITEXACT;
        file.video = open_video(options);
        ok = file.video != nullptr && (file.video_stream = add_stream(file.video)) != nullptr;
    }
    if (ok && file.rate > 0) {
        file.audio = open_audio(options, file.rate);
        ok = file.audio != nullptr && (file.audio_stream = add_stream(file.audio)) != nullptr;
    }
    ok = ok && allocate_frames();
    if (ok) {
        status = avio_open(&file.format->pb, path, AVIO_FLAG_WRITE);
        ok = status >= 0 || file_fail(nullptr, status);
    }
    if (ok) {
        AVDictionary* settings = nullptr;
        // the index before the pictures, so that a browser plays the .mp4 while it loads
        if (options->format == FORMAT_MP4)
            av_dict_set(&settings, "movflags", "+faststart", 0);
        status = avformat_write_header(file.format, &settings);
        av_dict_free(&settings);
        ok = status >= 0 || file_fail(nullptr, status);
    }
    if (!ok) {
        fprintf(stderr, "glimmerhorn-capture: cannot write %s: %s\n", options->output, file.reason);
        video_file_discard();
    }
    return ok;
}

// Rounds a float sample to 24 bits, carried in the top of 32 as FLAC takes it.
static int32_t sample_24(float value)
{
    const double scaled = nearbyint((double)value * 8388608.0);
    const double clipped = scaled < -8388608.0 ? -8388608.0 : scaled > 8388607.0 ? 8388607.0 : scaled;
    return (int32_t)clipped * 256;
}

// Sends the waiting sound as one codec frame (shorter than the others only at the very end).
static bool send_sound()
{
    int status = av_frame_make_writable(file.sound);
    if (status < 0)
        return file_fail("no memory for frames", status);
    const int count = file.tune_waiting;
    file.sound->nb_samples = count;
    file.sound->pts = file.sound_sent;
    if (file.audio->sample_fmt == AV_SAMPLE_FMT_S32) {
        int32_t* out = (int32_t*)file.sound->data[0];
        for (int i = 0; i < count * 2; i++)
            out[i] = sample_24(file.tune[i]);
    } else {
        float* left = (float*)file.sound->data[0];
        float* right = (float*)file.sound->data[1];
        for (int i = 0; i < count; i++) {
            left[i] = file.tune[2 * i];
            right[i] = file.tune[2 * i + 1];
        }
    }
    file.sound_sent += count;
    file.tune_waiting = 0;
    status = avcodec_send_frame(file.audio, file.sound);
    if (status < 0)
        return file_fail("the sound encoder failed", status);
    return drain(file.audio, file.audio_stream);
}

// Renders the tune up to the end of video frame number and sends every full codec frame of it.
static bool add_sound(long number)
{
    const int64_t due = (int64_t)(number + 1) * file.rate / file.fps;
    while (file.sound_due < due) {
        const int64_t wanted = due - file.sound_due;
        const int room = file.sound_size - file.tune_waiting;
        const int count = wanted < room ? (int)wanted : room;
        tune_read(file.tune + file.tune_waiting * 2, (size_t)count);
        file.tune_waiting += count;
        file.sound_due += count;
        if (file.tune_waiting == file.sound_size && !send_sound())
            return false;
    }
    return true;
}

// Called by the encoding thread for each frame in order. The picture handed to the encoder is a copy
// (converted where the format needs it), so pixels are free again on return, whatever the encoder
// keeps.
bool video_file_add(const unsigned char* pixels, long number)
{
    const long stride = (long)file.width * 4;
    // the frame holds the bottom row first; the encoders take the top row first
    const unsigned char* top = pixels + (size_t)(file.height - 1) * (size_t)stride;
    AVFrame* sent = file.pictures[number % PICTURES];
    int status = av_frame_make_writable(sent);
    if (status < 0)
        return file_fail("no memory for frames", status);
    if (file.kind == FORMAT_MKV) {
        for (int y = 0; y < file.height; y++)
            memcpy(sent->data[0] + (size_t)y * (size_t)sent->linesize[0], top - y * stride, (size_t)stride);
    } else if (file.kind == FORMAT_MP4) {
        const uint8_t* source[4] = { top, nullptr, nullptr, nullptr };
        const int source_stride[4] = { (int)-stride, 0, 0, 0 };
        sws_scale(file.scaler, source, source_stride, 0, file.height, sent->data, sent->linesize);
    } else {
        palette_map(file.lookup, top, -stride, sent->data[0], sent->linesize[0], file.width, file.height);
        memcpy(sent->data[1], file.colours, sizeof file.colours);
    }
    sent->pts = number;
    status = avcodec_send_frame(file.video, sent);
    if (status < 0)
        return file_fail("the video encoder failed", status);
    if (!drain(file.video, file.video_stream))
        return false;
    return file.audio == nullptr || add_sound(number);
}

// Called by capture_run after the last frame: the encoders' last packets, the container's index, and
// the file closed. False, with the reason kept, when any of it failed.
bool video_file_close()
{
    int status = avcodec_send_frame(file.video, nullptr);
    bool ok = (status >= 0 || file_fail("the video encoder failed", status))
        && drain(file.video, file.video_stream);
    if (ok && file.audio != nullptr) {
        ok = file.tune_waiting == 0 || send_sound();
        status = ok ? avcodec_send_frame(file.audio, nullptr) : 0;
        ok = ok && (status >= 0 || file_fail("the sound encoder failed", status))
            && drain(file.audio, file.audio_stream);
    }
    if (ok) {
        status = av_write_trailer(file.format);
        ok = status >= 0 || file_fail(nullptr, status);
    }
    if (ok && file.format->pb->error < 0)
        ok = file_fail(nullptr, file.format->pb->error);
    if (file.format != nullptr && file.format->pb != nullptr) {
        status = avio_closep(&file.format->pb);
        if (ok && status < 0)
            ok = file_fail(nullptr, status);
    }
    video_file_discard();
    return ok;
}

// Frees everything the file held; safe to call twice.
void video_file_discard()
{
    if (file.format != nullptr) {
        if (file.format->pb != nullptr)
            avio_closep(&file.format->pb);
        avformat_free_context(file.format);
        file.format = nullptr;
    }
    avcodec_free_context(&file.video);
    avcodec_free_context(&file.audio);
    file.video_stream = nullptr;
    file.audio_stream = nullptr;
    for (AVFrame*& picture : file.pictures)
        av_frame_free(&picture);
    av_frame_free(&file.sound);
    av_packet_free(&file.packet);
    sws_freeContext(file.scaler);
    file.scaler = nullptr;
    av_freep(&file.tune);
}
