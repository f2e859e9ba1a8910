// Loads a movie from memory, plays a few ticks, moves and presses the mouse
// over it, jumps along its timeline and renders frames into a small image,
// at low and high quality.
#include "swf/SwfPlayer.h"

#include <QGuiApplication>
#include <cstdlib>

// fontconfig keeps its pattern caches in ways LeakSanitizer reports; they
// are the system library's, not the player's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        auto movie = vx::swf::Movie::fromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        // The sound goes to a mixer that a pretend output reads between ticks.
        auto mixer = std::make_shared<vx::swf::SoundMixer>();
        vx::swf::Player player(movie, false, mixer);
        player.setFsCommandHandler([](const QString&, const QString&) {});
        (void)player.renderImage(QSize(64, 48), vx::swf::Quality::Low);
        std::vector<int16_t> heard(2 * 2048);
        for (int i = 0; i < 3; ++i) {
            mixer->read(heard.data(), 1024 + size_t(i) * 512);
            player.clockTick(true);
        }
        // The pointer over a few places of the stage, pressed and released,
        // and a key: buttons, clip handlers and their scripts.
        const QRectF stage = movie->stage();
        for (int i = 0; i < 4; ++i) {
            player.mouseMove(QPointF(stage.left() + stage.width() * (i + 1) / 5, stage.top() + stage.height() * (i % 3 + 1) / 4));
            if (i & 1) player.mouseDown();
            else player.mouseUp();
        }
        player.keyPress(13);
        player.keyDown(65, 'a');
        player.keyUp(65);
        // Jumps along the timeline: embedded video decodes again from its key frames.
        player.gotoFrame(player.totalFrames() - 1);
        (void)player.renderImage(QSize(48, 32), vx::swf::Quality::Low);
        player.gotoFrame(player.totalFrames() / 2);
        (void)player.renderImage(QSize(48, 32), vx::swf::Quality::Low);
        player.gotoFrame(0);
        player.clockTick(false);
        mixer->read(heard.data(), 2048);
        (void)player.renderImage(QSize(80, 60), vx::swf::Quality::High, vx::swf::ScaleMode::NoBorder, 0.5);
    } catch (const vx::CodecError&) {
    }
    return 0;
}
