// Sound of a movie: the formats of DefineSound and SoundStreamHead, decoded
// with FFmpeg's libavcodec (MP3, ADPCM, Nellymoser, Speex where the library
// has it) or by us (PCM in both byte orders), and brought to 44.1 kHz
// interleaved stereo 16-bit samples with libswresample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vx::swf {

class Stream;

struct SoundFormat {
    int codec = 0;  // 0 PCM in the machine's order, 1 ADPCM, 2 MP3, 3 PCM little-endian, 4-6 Nellymoser, 11 Speex
    int rate = 44100;
    bool is16 = true;
    bool stereo = false;
    // From the format byte shared by DefineSound and SoundStreamHead.
    static SoundFormat fromByte(uint8_t b);
};

constexpr int kMixRate = 44100;

// A point of a sound's volume envelope: its place in 44.1 kHz samples from
// the start of the sound and the levels of both channels (0..32768).
struct EnvelopePoint {
    uint32_t pos = 0;
    uint16_t left = 32768, right = 32768;
};

// How StartSound, StartSound2 and a button start a sound (the sound info
// record): stop it, leave it alone when it already plays, start and end
// points in 44.1 kHz samples, loops and the envelope.
struct SoundInfo {
    bool stop = false;
    bool noMultiple = false;
    uint32_t inPoint = 0;
    uint32_t outPoint = 0;  // 0: to the end
    int loops = 1;
    std::vector<EnvelopePoint> envelope;
    // Reads the record; throws CodecError when it is cut short.
    static SoundInfo read(Stream& s);
};

// Samples of one decoded sound at most (per channel): ten minutes.
constexpr size_t kMaxSoundFrames = size_t(kMixRate) * 600;

// Decodes one format's data in pieces (a whole DefineSound, or the stream
// blocks one after the other); keeps the decoder state between pieces.
class SoundDecoder {
public:
    explicit SoundDecoder(const SoundFormat& format);
    ~SoundDecoder();
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;

    // Appends the stereo frames decoded from data to out (two samples a
    // frame). Broken data gives what could be decoded.
    void decode(const uint8_t* data, size_t size, std::vector<int16_t>& out);
    bool usable() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace vx::swf
