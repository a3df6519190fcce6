#ifndef VIDEO_ENCODER_H
#define VIDEO_ENCODER_H

// Pictures of 8-bit RGB pixels as one video file through FFmpeg's libraries: H.264 in MP4 or
// VP9 in WebM, chosen by the name's suffix, in yuv420p. The file is written under a temporary
// name in its folder and takes its name only once the trailer is written: an export that fails
// or is stopped leaves nothing at the name.

#include "png_export.h"

#include <memory>
#include <optional>
#include <string>

enum class VideoCodec { H264Mp4, Vp9Webm };

// The codec a name asks for by its suffix, ".mp4" or ".webm" in any case; none for another.
std::optional<VideoCodec> videoCodecForName(const std::string &name);

struct VideoSettings {
    int width = 0; // of the pictures; odd sides are padded by one black row or column
    int height = 0;
    int fps = 10;
    int threads = 0; // the encoder's threads; 0 for its own choice
};

class VideoEncoder
{
public:
    // Creates the temporary file and sets up the encoder. Throws CError naming the target.
    VideoEncoder(const std::string &target, const VideoSettings &settings);
    // Without finish(), removes the temporary file.
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder &) = delete;
    VideoEncoder &operator=(const VideoEncoder &) = delete;

    // Appends one picture of the settings' size. Throws CError.
    void addFrame(const RgbPicture &picture);
    // Drains the encoder, writes the trailer and gives the file its name. Throws CError.
    void finish();

    int frames() const;
    // The encoded sides: the pictures' rounded up to even.
    int encodedWidth() const;
    int encodedHeight() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

#endif // VIDEO_ENCODER_H
