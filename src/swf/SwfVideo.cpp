#include "swf/SwfVideo.h"

#include <algorithm>

namespace vx::swf {

VideoInfo parseVideoStream(Stream& s)
{
    VideoInfo v;
    v.frames = s.u16();
    v.width = s.u16();
    v.height = s.u16();
    const uint8_t flags = s.u8();
    v.deblocking = (flags >> 1) & 7;
    v.smoothing = flags & 1;
    v.codec = s.u8();
    return v;
}

VideoStream::VideoStream(const VideoInfo& info) : info_(info) {}

VideoStream::~VideoStream() = default;

void VideoStream::addFrame(uint16_t number, const uint8_t* data, size_t offset, size_t size)
{
    if (!packets_.empty() && number <= packets_.back().number) {
        if (number == packets_.back().number) return;  // the first one stands
        sorted_ = false;
    }
    // Repeated numbers are weeded out before the list can grow past twice
    // the distinct numbers there can be.
    if (packets_.size() >= 2 * kMaxFrames) sortPackets();
    packets_.push_back({number, offset, size, videoPacketKind(info_.codec, data + offset, size)});
}

void VideoStream::sortPackets()
{
    if (sorted_) return;
    std::stable_sort(packets_.begin(), packets_.end(), [](const Packet& a, const Packet& b) { return a.number < b.number; });
    packets_.erase(std::unique(packets_.begin(), packets_.end(),
                               [](const Packet& a, const Packet& b) { return a.number == b.number; }),
                   packets_.end());
    sorted_ = true;
    shown_ = -1;  // indices moved: the next picture decodes from a key frame
    hasImage_ = false;
}

size_t VideoStream::frameCount()
{
    sortPackets();
    return packets_.size();
}

QSizeF VideoStream::stageSize() const
{
    if (info_.width > 0 && info_.height > 0) return QSizeF(info_.width * 20.0, info_.height * 20.0);
    if (hasImage_) return QSizeF(image_.width() * 20.0, image_.height() * 20.0);
    return {};
}

void VideoStream::release()
{
    decoder_.reset();
    image_ = QImage();
    hasImage_ = false;
    shown_ = -1;
}

const QImage* VideoStream::picture(int number, const uint8_t* data, size_t dataSize)
{
    sortPackets();
    if (failed_ || packets_.empty() || number < packets_.front().number) return nullptr;
    const auto after = std::upper_bound(packets_.begin(), packets_.end(), number,
                                        [](int n, const Packet& p) { return n < p.number; });
    const int target = int(after - packets_.begin()) - 1;
    if (target == shown_) return hasImage_ ? &image_ : nullptr;

    if (!decoder_) {
        decoder_ = std::make_unique<VideoDecoder>(info_.codec, info_.deblocking);
        if (!decoder_->usable()) {
            decoder_.reset();
            failed_ = true;  // an unknown codec id, or one this libavcodec lacks
            return nullptr;
        }
        shown_ = -1;
    }
    int key = target;
    while (key >= 0 && !packets_[size_t(key)].kind.key) --key;
    int start;
    if (shown_ >= 0 && shown_ < target && key <= shown_) {
        start = shown_ + 1;  // on from the picture we have
    } else {
        decoder_->reset();
        start = std::max(key, 0);  // a stream without a key frame: whatever the packets give
    }
    for (int i = start; i <= target; ++i) {
        const Packet& p = packets_[size_t(i)];
        // Pictures no other refers to matter only when they are the one shown.
        if (i < target && p.kind.disposable) continue;
        if (p.offset > dataSize || p.size > dataSize - p.offset || p.size <= p.kind.skip) continue;
        decoder_->decode(data + p.offset + p.kind.skip, p.size - p.kind.skip, p.kind.key);
        ++decoded_;
    }
    shown_ = target;
    QSize crop;
    const QSize decoded = decoder_->pictureSize();
    if ((info_.codec == kVideoVp6 || info_.codec == kVideoVp6Alpha) && info_.width > 0 && info_.height > 0 &&
        decoded.width() >= info_.width && decoded.height() >= info_.height && decoded.width() - info_.width < 16 &&
        decoded.height() - info_.height < 16) {
        // VP6 codes whole 16-pixel blocks: the stream's size cuts them back.
        crop = QSize(info_.width, info_.height);
    }
    hasImage_ = decoder_->picture(image_, crop);
    return hasImage_ ? &image_ : nullptr;
}

VideoPicture VideoLibrary::picture(VideoStream& stream, int number, const uint8_t* data, size_t dataSize)
{
    auto it = std::find(live_.begin(), live_.end(), &stream);
    if (it != live_.end()) live_.erase(it);
    live_.push_back(&stream);
    if (live_.size() > kMaxLive) {
        live_.front()->release();
        live_.erase(live_.begin());
    }
    VideoPicture v;
    v.image = stream.picture(number, data, dataSize);
    v.size = stream.stageSize();
    v.smoothing = stream.info().smoothing;
    return v;
}

}  // namespace vx::swf
