// Embedded video: a DefineVideoStream character with the VideoFrame packets
// that the timelines carry for it. A placed video shows the frame whose
// number is its placement's ratio (or the last one before it); pictures are
// decoded on demand, going on from the picture shown when that is cheaper,
// otherwise from the nearest key frame at or before the one asked for.
#pragma once

#include "swf/SwfStream.h"
#include "swf/SwfVideoDecoder.h"

#include <QImage>
#include <QSizeF>
#include <memory>
#include <vector>

namespace vx::swf {

struct VideoInfo {
    int frames = 0;  // as declared; the packets decide
    int width = 0, height = 0;
    int deblocking = 0;  // 0 as the packets say, 1 off, 2..5 levels
    bool smoothing = false;
    int codec = 0;  // VideoCodecId
};

// DefineVideoStream's body after the character id.
VideoInfo parseVideoStream(Stream& s);

// What a placed video draws: its picture mapped onto `size` (twips).
struct VideoPicture {
    const QImage* image = nullptr;
    QSizeF size;
    bool smoothing = false;
};

class VideoStream {
public:
    explicit VideoStream(const VideoInfo& info);
    ~VideoStream();
    VideoStream(const VideoStream&) = delete;
    VideoStream& operator=(const VideoStream&) = delete;

    const VideoInfo& info() const { return info_; }
    // Notes the packet of frame `number`, lying at offset/size in `data`.
    // The first packet given a number keeps it.
    void addFrame(uint16_t number, const uint8_t* data, size_t offset, size_t size);
    // Frames known (distinct numbers).
    size_t frameCount();

    // The picture of frame `number`, or of the latest frame before it; null
    // when there is none or nothing could be decoded. `data` is the movie
    // data the packets lie in.
    const QImage* picture(int number, const uint8_t* data, size_t dataSize);
    // The size the video takes on the stage in twips.
    QSizeF stageSize() const;
    // Frees the decoder and the picture; both come back when needed.
    void release();
    bool holdsDecoder() const { return decoder_ != nullptr; }
    // Packets decoded so far (for tests: seeking decodes from key frames).
    long packetsDecoded() const { return decoded_; }

    // Distinct frame numbers a stream has at most (the number is 16 bits).
    static constexpr size_t kMaxFrames = size_t(1) << 16;

private:
    struct Packet {
        uint16_t number;
        size_t offset, size;
        VideoPacketKind kind;
    };
    void sortPackets();

    VideoInfo info_;
    std::vector<Packet> packets_;  // by number once sorted
    bool sorted_ = true;
    int shown_ = -1;  // index of the packet decoded last
    std::unique_ptr<VideoDecoder> decoder_;
    bool failed_ = false;
    bool hasImage_ = false;
    QImage image_;
    long decoded_ = 0;
};

// Keeps the decoders of a movie's videos bounded: only the few streams
// drawn most recently hold a decoder and a picture.
class VideoLibrary {
public:
    VideoPicture picture(VideoStream& stream, int number, const uint8_t* data, size_t dataSize);
    static constexpr size_t kMaxLive = 4;

private:
    std::vector<VideoStream*> live_;  // most recent last
};

}  // namespace vx::swf
