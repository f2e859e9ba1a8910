#include "flash/ui/SwfAudioOutput.h"

#include "swf/SwfSound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace vx {

SwfAudioOutput::SwfAudioOutput(std::shared_ptr<vx::swf::SoundMixer> mixer, QObject* parent)
    : QIODevice(parent), mixer_(std::move(mixer))
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;
    QAudioFormat format;
    format.setSampleRate(vx::swf::kMixRate);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return;
    open(QIODevice::ReadOnly);
    sink_ = new QAudioSink(device, format, this);
    sink_->setBufferSize(vx::swf::kMixRate / 5 * 4);  // a fifth of a second
    sink_->start(this);
    if (sink_->error() != QAudio::NoError) {
        delete sink_;
        sink_ = nullptr;
    }
}

SwfAudioOutput::~SwfAudioOutput()
{
    if (sink_) sink_->stop();
}

void SwfAudioOutput::flush()
{
    if (!sink_) return;
    sink_->stop();
    sink_->start(this);
}

qint64 SwfAudioOutput::readData(char* data, qint64 maxSize)
{
    const size_t frames = size_t(std::max<qint64>(0, maxSize)) / 4;
    if (frames == 0) return 0;
    mixer_->read(reinterpret_cast<int16_t*>(data), frames);
    return qint64(frames * 4);
}

}  // namespace vx
