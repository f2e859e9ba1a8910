// Mixing a movie's sounds: event sounds (each a decoded 44.1 kHz stereo
// buffer, looped as asked) on top of the stream sound that the timeline
// feeds frame by frame. The audio output pulls mixed frames from another
// thread, so every call locks.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace vx::swf {

class SoundMixer {
public:
    // Starts an event sound; with noMultiple a sound already playing is not started again.
    void play(std::shared_ptr<const std::vector<int16_t>> pcm, uint16_t id, int loops, bool noMultiple);
    void stop(uint16_t id);
    // Stops everything: event sounds and the stream (pause, seeking, leaving).
    void stopAll();
    void appendStream(const std::vector<int16_t>& frames);
    // Stereo frames of the stream not yet played.
    size_t streamQueued() const;
    // Writes the next frames (two samples each) mixed into out.
    void read(int16_t* out, size_t frames);

    static constexpr size_t kMaxVoices = 32;
    static constexpr size_t kMaxStreamFrames = 44100 * 8;

private:
    struct Voice {
        std::shared_ptr<const std::vector<int16_t>> pcm;
        uint16_t id;
        size_t pos;  // in samples
        int loopsLeft;
    };
    mutable std::mutex mutex_;
    std::vector<Voice> voices_;
    std::deque<int16_t> stream_;
};

}  // namespace vx::swf
