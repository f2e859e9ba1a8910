// Mixing a movie's sounds: event sounds (each a decoded 44.1 kHz stereo
// buffer, played between its in and out points, looped and shaped by its
// envelope as the sound info record asks) on top of the stream sounds that
// the timelines feed frame by frame: the main timeline's (key 0, the clock
// of the frames) and those of the sprites playing (a key each). The audio
// output pulls mixed frames from another thread, so every call locks.
#pragma once

#include "swf/SwfSound.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace vx::swf {

class SoundMixer {
public:
    using Pcm = std::shared_ptr<const std::vector<int16_t>>;
    // Starts (or with info.stop stops) the event sound id. With noMultiple
    // a sound already playing is not started again. group names the
    // volume it follows (0: the movie's own, see setVolume).
    void play(Pcm pcm, uint16_t id, const SoundInfo& info, int group = 0);
    void stop(uint16_t id);
    // Stops the event sounds of a volume group (0: every event sound).
    void stopGroup(int group);
    // Stops everything: event sounds and the stream (pause, seeking, leaving).
    void stopAll();
    bool isPlaying(uint16_t id) const;

    // Queues frames of the stream key (0: the main timeline's). Beyond
    // kMaxStreams sprite streams a new one is not heard.
    void appendStream(const std::vector<int16_t>& frames, uint32_t key = 0);
    // Drops the stream's frames not yet played (its timeline stopped,
    // jumped or went away).
    void clearStream(uint32_t key = 0);
    // Stereo frames of a stream not yet played.
    size_t streamQueued(uint32_t key = 0) const;
    // Stereo frames of the main stream played since the mixer was made:
    // the clock a stream sound keeps.
    uint64_t streamPlayed() const;
    // Frames the output has read since the mixer was made, sound or not:
    // the output's pace.
    uint64_t framesRead() const;

    // Volume in percent (0..100, more amplifies) of a group; group 0 is
    // the whole movie, stream included, and scales the other groups.
    void setVolume(int group, int percent);
    int volume(int group) const;

    // Writes the next frames (two samples each) mixed into out.
    void read(int16_t* out, size_t frames);

    static constexpr size_t kMaxVoices = 32;
    static constexpr size_t kMaxStreamFrames = 44100 * 8;
    static constexpr size_t kMaxStreams = 64;

private:
    struct Voice {
        Pcm pcm;
        uint16_t id;
        int group;
        size_t start, end;  // frames of the sound played, from its in to its out point
        size_t pos;         // frame
        int loopsLeft;
        std::vector<EnvelopePoint> envelope;
        size_t segment = 0;  // envelope point at or before pos
    };
    // A stream's samples not yet played are samples[at...].
    struct Queue {
        std::vector<int16_t> samples;
        size_t at = 0;
        size_t queued() const { return samples.size() - at; }
        // Appends, keeping at most kMaxStreamFrames; returns the frames dropped.
        size_t append(const std::vector<int16_t>& frames);
        // Takes up to n samples; returns where they start.
        const int16_t* take(size_t& n);
    };
    float gainOf(int group) const;
    mutable std::mutex mutex_;
    std::vector<Voice> voices_;
    Queue stream_;
    std::map<uint32_t, Queue> sprites_;
    uint64_t streamPlayed_ = 0;
    uint64_t framesRead_ = 0;
    std::map<int, int> volumes_;
};

}  // namespace vx::swf
