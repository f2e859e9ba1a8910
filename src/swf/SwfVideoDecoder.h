// Decoding the packets of one embedded video stream: Sorenson H.263 with
// our own decoder (SwfH263Decoder.h), Screen Video 1 and 2, On2 VP6 and VP6
// with an alpha plane with FFmpeg's libavcodec. Pictures come out as
// premultiplied 32-bit images through our own colour conversion.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vx::swf {

// The codec byte of DefineVideoStream.
enum VideoCodecId : uint8_t { kVideoH263 = 2, kVideoScreen = 3, kVideoVp6 = 4, kVideoVp6Alpha = 5, kVideoScreen2 = 6 };

// What the header of one packet says about it, read without decoding.
struct VideoPacketKind {
    bool valid = false;       // the header could be read
    bool key = false;         // decodes without any earlier picture
    bool disposable = false;  // no later picture refers to it (H.263)
    uint8_t skip = 0;         // bytes before the packet proper (see videoPacketKind)
};
// Screen Video packets that some writers start with an FLV frame byte
// (frame type and codec id) are recognised and told to skip it.
VideoPacketKind videoPacketKind(int codec, const uint8_t* data, size_t size);

class VideoDecoder {
public:
    // deblocking is DefineVideoStream's field: 0 as the packets say, 1 off,
    // 2 and above on.
    VideoDecoder(int codec, int deblocking);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Whether there is a decoder for the codec (ours, or libavcodec's).
    bool usable() const;
    // Decodes one packet; true when a picture came out of it.
    bool decode(const uint8_t* data, size_t size, bool key);
    // Forgets the reference pictures, before decoding from a key frame.
    void reset();
    // The last picture, its top-left `crop` part at most (an empty crop:
    // all of it), converted to premultiplied ARGB into `out` (reused when
    // its size fits). False when there is no picture.
    bool picture(QImage& out, QSize crop = {}) const;
    QSize pictureSize() const;

    // Pictures larger than this many pixels are refused.
    static constexpr int64_t kMaxPixels = int64_t(2880) * 2880;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace vx::swf
