#include "flash/ui/SwfAudioOutput.h"

#include "flash/ui/AudioSinkModule.h"
#include "swf/SwfSound.h"

#include <QCoreApplication>
#include <QFile>
#include <dlfcn.h>

namespace vx {

const AudioSinkModule& AudioSinkModule::get()
{
    static const AudioSinkModule module = [] {
        AudioSinkModule m;
        // Next to the program, else where the build put it (tests run from
        // folders of their own).
        void* handle = nullptr;
        for (const QString& dir : {QCoreApplication::applicationDirPath(), QStringLiteral(VX_AUDIO_MODULE_DIR)}) {
            const QString path = dir + QStringLiteral("/vextrel_audio.so");
            if (QFile::exists(path) && (handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL)))
                break;
        }
        if (!handle)
            return m;
        m.start = reinterpret_cast<decltype(m.start)>(dlsym(handle, "vxAudioSinkStart"));
        m.stop = reinterpret_cast<decltype(m.stop)>(dlsym(handle, "vxAudioSinkStop"));
        m.restart = reinterpret_cast<decltype(m.restart)>(dlsym(handle, "vxAudioSinkRestart"));
        if (!m.loaded())
            m = AudioSinkModule();
        return m;
    }();
    return module;
}

SwfAudioOutput::SwfAudioOutput(std::shared_ptr<vx::swf::SoundMixer> mixer, QObject* parent)
    : QIODevice(parent), mixer_(std::move(mixer))
{
    const AudioSinkModule& module = AudioSinkModule::get();
    if (!module.loaded())
        return;
    open(QIODevice::ReadOnly);
    sink_ = module.start(this, vx::swf::kMixRate, vx::swf::kMixRate / 5 * 4);  // a fifth of a second
    if (!sink_)
        close();
}

SwfAudioOutput::~SwfAudioOutput()
{
    if (sink_)
        AudioSinkModule::get().stop(sink_);
}

void SwfAudioOutput::flush()
{
    if (sink_)
        AudioSinkModule::get().restart(sink_, this);
}

qint64 SwfAudioOutput::readData(char* data, qint64 maxSize)
{
    const size_t frames = size_t(std::max<qint64>(0, maxSize)) / 4;
    if (frames == 0) return 0;
    mixer_->read(reinterpret_cast<int16_t*>(data), frames);
    return qint64(frames * 4);
}

}  // namespace vx
