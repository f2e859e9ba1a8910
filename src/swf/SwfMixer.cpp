#include "swf/SwfMixer.h"

#include <algorithm>

namespace vx::swf {

void SoundMixer::play(std::shared_ptr<const std::vector<int16_t>> pcm, uint16_t id, int loops, bool noMultiple)
{
    if (!pcm || pcm->size() < 2) return;
    std::lock_guard lock(mutex_);
    if (noMultiple && std::any_of(voices_.begin(), voices_.end(), [&](const Voice& v) { return v.id == id; })) return;
    if (voices_.size() >= kMaxVoices) voices_.erase(voices_.begin());
    voices_.push_back({std::move(pcm), id, 0, std::clamp(loops, 1, 65535)});
}

void SoundMixer::stop(uint16_t id)
{
    std::lock_guard lock(mutex_);
    std::erase_if(voices_, [&](const Voice& v) { return v.id == id; });
}

void SoundMixer::stopAll()
{
    std::lock_guard lock(mutex_);
    voices_.clear();
    stream_.clear();
}

void SoundMixer::appendStream(const std::vector<int16_t>& frames)
{
    std::lock_guard lock(mutex_);
    stream_.insert(stream_.end(), frames.begin(), frames.end());
    // A stream far ahead of the output drops its oldest part rather than grow.
    while (stream_.size() > kMaxStreamFrames * 2) stream_.pop_front();
}

size_t SoundMixer::streamQueued() const
{
    std::lock_guard lock(mutex_);
    return stream_.size() / 2;
}

void SoundMixer::read(int16_t* out, size_t frames)
{
    std::lock_guard lock(mutex_);
    std::vector<int32_t> acc(frames * 2, 0);
    const size_t fromStream = std::min(stream_.size(), acc.size());
    for (size_t i = 0; i < fromStream; ++i) acc[i] = stream_[i];
    stream_.erase(stream_.begin(), stream_.begin() + std::ptrdiff_t(fromStream));
    for (Voice& v : voices_) {
        size_t i = 0;
        while (i < acc.size() && v.loopsLeft > 0) {
            const size_t n = std::min(acc.size() - i, v.pcm->size() - v.pos);
            for (size_t k = 0; k < n; ++k) acc[i + k] += (*v.pcm)[v.pos + k];
            i += n;
            v.pos += n;
            if (v.pos >= v.pcm->size()) {
                v.pos = 0;
                --v.loopsLeft;
            }
        }
    }
    std::erase_if(voices_, [](const Voice& v) { return v.loopsLeft <= 0; });
    for (size_t i = 0; i < acc.size(); ++i) out[i] = int16_t(std::clamp(acc[i], -32768, 32767));
}

}  // namespace vx::swf
