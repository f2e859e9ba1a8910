// The movie's sound on the desktop's default audio output: the audio
// module's sink pulling 44.1 kHz stereo frames from the player's mixer.
// Without the module or an output device the movie plays silently.
#pragma once

#include "swf/SwfMixer.h"

#include <QIODevice>
#include <memory>


namespace vx {

class SwfAudioOutput : public QIODevice {
public:
    explicit SwfAudioOutput(std::shared_ptr<vx::swf::SoundMixer> mixer, QObject* parent = nullptr);
    ~SwfAudioOutput() override;
    bool active() const { return sink_ != nullptr; }
    // Drops what the output holds but has not played yet (pause, seek).
    void flush();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }
    qint64 bytesAvailable() const override { return 4096 + QIODevice::bytesAvailable(); }
    bool isSequential() const override { return true; }

private:
    std::shared_ptr<vx::swf::SoundMixer> mixer_;
    QObject* sink_ = nullptr;  // the audio module's sink
};

}  // namespace vx
