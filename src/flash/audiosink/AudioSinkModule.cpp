// The audio module's entry points (see flash/ui/AudioSinkModule.h): a
// QAudioSink on the desktop's default output pulling 16-bit stereo frames
// from the program's device.
#include "flash/ui/AudioSinkModule.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

extern "C" {

Q_DECL_EXPORT QObject* vxAudioSinkStart(QIODevice* source, int sampleRate, int bufferBytes)
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return nullptr;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return nullptr;
    auto* sink = new QAudioSink(device, format, source);
    sink->setBufferSize(bufferBytes);
    sink->start(source);
    if (sink->error() != QAudio::NoError) {
        delete sink;
        return nullptr;
    }
    return sink;
}

Q_DECL_EXPORT void vxAudioSinkStop(QObject* sink)
{
    if (auto* s = qobject_cast<QAudioSink*>(sink))
        s->stop();
}

Q_DECL_EXPORT void vxAudioSinkRestart(QObject* sink, QIODevice* source)
{
    if (auto* s = qobject_cast<QAudioSink*>(sink)) {
        s->stop();
        s->start(source);
    }
}

}  // extern "C"
