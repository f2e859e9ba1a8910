// The audio module: Qt Multimedia's output behind three C functions, in a
// library loaded the first time a movie plays sound (vextrel_audio.so next
// to the program). Without the module, or without an output device, movies
// play silently.
#pragma once

class QIODevice;
class QObject;

extern "C" {
// Starts pulling 16-bit stereo frames at sampleRate from source (open for
// reading) on the default output; the sink returned is a child of source.
// Null when there is no usable output.
QObject* vxAudioSinkStart(QIODevice* source, int sampleRate, int bufferBytes);
void vxAudioSinkStop(QObject* sink);
// Drops what the output holds but has not played yet, and goes on pulling.
void vxAudioSinkRestart(QObject* sink, QIODevice* source);
}

namespace vx {

// The module's functions, loaded once; null members when it can't be loaded.
struct AudioSinkModule {
    decltype(&vxAudioSinkStart) start = nullptr;
    decltype(&vxAudioSinkStop) stop = nullptr;
    decltype(&vxAudioSinkRestart) restart = nullptr;

    static const AudioSinkModule& get();
    bool loaded() const { return start && stop && restart; }
};

}  // namespace vx
