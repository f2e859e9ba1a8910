// A movie's sound in the player: event sounds started by frames
// (StartSound, StartSound2 by export name) and buttons, the stream sounds
// of the main timeline and of every sprite playing fed block by block, and
// the frame clock that follows the main stream sound while it is heard.
#include "swf/SwfPlayer.h"

#include <algorithm>
#include <cmath>

namespace vx::swf {

void Player::playSound(uint16_t id, const SoundInfo& info, int group)
{
    if (!mixer_) return;
    if (info.stop) {
        mixer_->stop(id);
        return;
    }
    mixer_->play(movie_->sound(id), id, info, group);
}

void Player::startSound(const FrameCommand& c)
{
    if (c.offset + c.size > movie_->dataSize()) return;
    Stream s(movie_->data() + c.offset, c.size);
    try {
        uint16_t id = 0;
        if (c.kind == FrameCommand::StartSound2) id = movie_->exportedId(decodeText(s.cstr(), movie_->version()));
        else id = s.u16();
        const SoundInfo info = SoundInfo::read(s);
        if (id) playSound(id, info);
    } catch (const CodecError&) {
        // A record cut short starts nothing.
    }
}

void Player::buttonSound(const ButtonSound& sound)
{
    if (!mixer_ || !sound.soundId || sound.infoOffset + sound.infoSize > movie_->dataSize()) return;
    Stream s(movie_->data() + sound.infoOffset, sound.infoSize);
    try {
        playSound(sound.soundId, SoundInfo::read(s));
    } catch (const CodecError&) {
    }
}

void Player::restartStream(TimelineInstance& t)
{
    if (mixer_ && (t.streamKey || &t == root_.get())) mixer_->clearStream(t.streamKey);
    if (t.streamKey) soundingSprites_.erase(t.streamKey);
    t.streamDecoder.reset();
    t.streamFed = false;
}

void Player::streamBlock(TimelineInstance& t, const FrameCommand& c)
{
    const int format = t.timeline->streamFormat;
    if (format < 0 || c.offset + c.size > movie_->dataSize()) return;
    const SoundFormat f = SoundFormat::fromByte(uint8_t(format));
    const size_t skip = f.codec == 2 ? 4 : 0;  // MP3 blocks start with their sample count and seek
    if (c.size <= skip) return;
    if (&t != root_.get()) {
        // Each sprite its own stream, heard while it plays; beyond what the
        // mixer mixes, more sprites are not even decoded.
        if (!soundingSprites_.count(t.streamKey) && soundingSprites_.size() >= SoundMixer::kMaxStreams) return;
        if (!t.streamKey) {
            if (++streamKeys_ == 0) ++streamKeys_;  // 0 is the main timeline's
            t.streamKey = streamKeys_;
        }
        soundingSprites_[t.streamKey] = t.weak_from_this();
    }
    if (!t.streamDecoder) t.streamDecoder = std::make_shared<SoundDecoder>(f);
    std::vector<int16_t> pcm;
    t.streamDecoder->decode(movie_->data() + c.offset + skip, c.size - skip, pcm);
    mixer_->appendStream(pcm, t.streamKey);
    t.streamFed = true;
}

void Player::silenceStoppedSprites()
{
    // A sprite's stream stops with its timeline, and when nothing holds the sprite any more.
    for (auto it = soundingSprites_.begin(); it != soundingSprites_.end();) {
        const auto sprite = it->second.lock();
        if (sprite && sprite->playing) {
            ++it;
            continue;
        }
        if (mixer_) mixer_->clearStream(it->first);
        if (sprite) {
            sprite->streamDecoder.reset();
            sprite->streamFed = false;
        }
        it = soundingSprites_.erase(it);
    }
}

int Player::clockTick(bool soundHeard)
{
    if (!soundHeard || !mixer_ || root_->timeline->streamFormat < 0 || !root_->playing) {
        advance();
        return 1;
    }
    double fps = movie_->frameRate();
    if (!(fps >= 0.01)) fps = 12;
    const size_t perFrame = size_t(std::max(1.0, std::min(double(kMixRate), kMixRate / fps)));
    // How much the output takes between two ticks.
    const uint64_t played = mixer_->framesRead();
    const double taken = double(played >= playedAtTick_ ? played - playedAtTick_ : 0);
    playedAtTick_ = played;
    // An output that stopped reading (its device went away) no longer keeps the time.
    stalledTicks_ = taken > 0 ? 0 : std::min(stalledTicks_ + 1, 1000);
    playedPerTick_ = playedPerTick_ > 0 ? playedPerTick_ * 0.75 + taken * 0.25 : taken;
    // The sound the timeline keeps ready ahead of the output: what the
    // output takes by the next tick and a little more, so it never waits
    // for a frame.
    const size_t lead = size_t(std::max({1.5 * double(perFrame), 1.5 * playedPerTick_, kMixRate / 20.0}));
    // Ahead of what the output played (the output is slower than the
    // timer): wait for it.
    if (root_->streamFed && mixer_->streamQueued() > lead + perFrame && stalledTicks_ < kStalledTicks) return 0;
    int advances = 0;
    do {
        advance();
        ++advances;
        // Behind (the timer came late or the output is faster): catch up,
        // as long as the frames carry the sound.
    } while (advances < kMaxCatchUpFrames && root_->streamFed && root_->playing && mixer_->streamQueued() < lead);
    return advances;
}

}  // namespace vx::swf
