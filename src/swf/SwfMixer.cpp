#include "swf/SwfMixer.h"

#include <algorithm>
#include <cmath>

namespace vx::swf {

void SoundMixer::play(Pcm pcm, uint16_t id, const SoundInfo& info, int group)
{
    if (info.stop) {
        stop(id);
        return;
    }
    if (!pcm || pcm->size() < 2) return;
    const size_t frames = pcm->size() / 2;
    const size_t start = std::min<size_t>(info.inPoint, frames);
    const size_t end = info.outPoint ? std::clamp<size_t>(info.outPoint, start, frames) : frames;
    if (end <= start) return;
    std::lock_guard lock(mutex_);
    if (info.noMultiple && std::any_of(voices_.begin(), voices_.end(), [&](const Voice& v) { return v.id == id; })) return;
    if (voices_.size() >= kMaxVoices) voices_.erase(voices_.begin());
    Voice v{std::move(pcm), id, group, start, end, start, std::clamp(info.loops, 1, 65535), info.envelope};
    // Envelope points out of order are taken in order of their places.
    std::stable_sort(v.envelope.begin(), v.envelope.end(),
                     [](const EnvelopePoint& a, const EnvelopePoint& b) { return a.pos < b.pos; });
    voices_.push_back(std::move(v));
}

void SoundMixer::stop(uint16_t id)
{
    std::lock_guard lock(mutex_);
    std::erase_if(voices_, [&](const Voice& v) { return v.id == id; });
}

void SoundMixer::stopGroup(int group)
{
    std::lock_guard lock(mutex_);
    std::erase_if(voices_, [&](const Voice& v) { return group == 0 || v.group == group; });
}

void SoundMixer::stopAll()
{
    std::lock_guard lock(mutex_);
    voices_.clear();
    stream_.samples.clear();
    stream_.at = 0;
    sprites_.clear();
}

bool SoundMixer::isPlaying(uint16_t id) const
{
    std::lock_guard lock(mutex_);
    return std::any_of(voices_.begin(), voices_.end(), [&](const Voice& v) { return v.id == id; });
}

size_t SoundMixer::Queue::append(const std::vector<int16_t>& frames)
{
    if (at > 0 && at * 2 >= samples.size()) {
        // What was played goes once it is the larger part.
        samples.erase(samples.begin(), samples.begin() + std::ptrdiff_t(at));
        at = 0;
    }
    samples.insert(samples.end(), frames.begin(), frames.end() - std::ptrdiff_t(frames.size() & 1));
    // A stream far ahead of the output drops its oldest part rather than grow.
    if (queued() <= kMaxStreamFrames * 2) return 0;
    const size_t drop = queued() - kMaxStreamFrames * 2;
    at += drop;
    return drop / 2;
}

const int16_t* SoundMixer::Queue::take(size_t& n)
{
    n = std::min(n, queued());
    const int16_t* p = samples.data() + at;
    at += n;
    return p;
}

void SoundMixer::appendStream(const std::vector<int16_t>& frames, uint32_t key)
{
    std::lock_guard lock(mutex_);
    if (key == 0) {
        streamPlayed_ += stream_.append(frames);
        return;
    }
    if (!sprites_.count(key) && sprites_.size() >= kMaxStreams) return;
    sprites_[key].append(frames);
}

void SoundMixer::clearStream(uint32_t key)
{
    std::lock_guard lock(mutex_);
    if (key) {
        sprites_.erase(key);
        return;
    }
    stream_.samples.clear();
    stream_.at = 0;
}

size_t SoundMixer::streamQueued(uint32_t key) const
{
    std::lock_guard lock(mutex_);
    if (key == 0) return stream_.queued() / 2;
    auto it = sprites_.find(key);
    return it == sprites_.end() ? 0 : it->second.queued() / 2;
}

uint64_t SoundMixer::streamPlayed() const
{
    std::lock_guard lock(mutex_);
    return streamPlayed_;
}

uint64_t SoundMixer::framesRead() const
{
    std::lock_guard lock(mutex_);
    return framesRead_;
}

void SoundMixer::setVolume(int group, int percent)
{
    std::lock_guard lock(mutex_);
    if (volumes_.size() < 4096 || volumes_.count(group)) volumes_[group] = std::clamp(percent, 0, 1000);
}

int SoundMixer::volume(int group) const
{
    std::lock_guard lock(mutex_);
    auto it = volumes_.find(group);
    return it == volumes_.end() ? 100 : it->second;
}

float SoundMixer::gainOf(int group) const
{
    auto it = volumes_.find(group);
    const float g = it == volumes_.end() ? 1.0f : float(it->second) / 100.0f;
    return group == 0 ? g : g * gainOf(0);
}

namespace {

// The envelope's levels at frame pos (linear between points, held
// before the first and after the last); segment follows pos forward.
void envelopeAt(const std::vector<EnvelopePoint>& env, size_t pos, size_t& segment, float& left, float& right)
{
    if (segment >= env.size() || env[segment].pos > pos) segment = 0;
    while (segment + 1 < env.size() && env[segment + 1].pos <= pos) ++segment;
    const EnvelopePoint& a = env[segment];
    if (pos <= a.pos || segment + 1 >= env.size()) {
        left = a.left / 32768.0f;
        right = a.right / 32768.0f;
        return;
    }
    const EnvelopePoint& b = env[segment + 1];
    const float t = float(pos - a.pos) / float(b.pos - a.pos);
    left = (a.left + (float(b.left) - a.left) * t) / 32768.0f;
    right = (a.right + (float(b.right) - a.right) * t) / 32768.0f;
}

}  // namespace

void SoundMixer::read(int16_t* out, size_t frames)
{
    std::lock_guard lock(mutex_);
    const float master = gainOf(0);
    size_t fromStream = frames * 2;
    const int16_t* stream = stream_.take(fromStream);
    streamPlayed_ += fromStream / 2;
    framesRead_ += frames;
    if (voices_.empty() && sprites_.empty() && master == 1.0f) {
        // The stream alone, as it is.
        std::copy(stream, stream + fromStream, out);
        std::fill(out + fromStream, out + frames * 2, int16_t(0));
        return;
    }
    std::vector<float> acc(frames * 2, 0.0f);
    for (size_t i = 0; i < fromStream; ++i) acc[i] = stream[i] * master;
    for (auto it = sprites_.begin(); it != sprites_.end();) {
        size_t n = frames * 2;
        const int16_t* samples = it->second.take(n);
        for (size_t i = 0; i < n; ++i) acc[i] += samples[i] * master;
        // A stream played to its end is made again by its next frames.
        it = it->second.queued() ? std::next(it) : sprites_.erase(it);
    }
    for (Voice& v : voices_) {
        const float gain = gainOf(v.group);
        const int16_t* pcm = v.pcm->data();
        size_t i = 0;
        while (i < frames && v.loopsLeft > 0) {
            const size_t n = std::min(frames - i, v.end - v.pos);
            if (v.envelope.empty()) {
                for (size_t k = 0; k < n * 2; ++k) acc[i * 2 + k] += pcm[v.pos * 2 + k] * gain;
            } else {
                for (size_t k = 0; k < n; ++k) {
                    float l, r;
                    envelopeAt(v.envelope, v.pos + k, v.segment, l, r);
                    acc[(i + k) * 2] += pcm[(v.pos + k) * 2] * gain * l;
                    acc[(i + k) * 2 + 1] += pcm[(v.pos + k) * 2 + 1] * gain * r;
                }
            }
            i += n;
            v.pos += n;
            if (v.pos >= v.end) {
                v.pos = v.start;
                v.segment = 0;
                --v.loopsLeft;
            }
        }
    }
    std::erase_if(voices_, [](const Voice& v) { return v.loopsLeft <= 0; });
    for (size_t i = 0; i < acc.size(); ++i) out[i] = int16_t(std::clamp(std::lrint(acc[i]), -32768L, 32767L));
}

}  // namespace vx::swf
