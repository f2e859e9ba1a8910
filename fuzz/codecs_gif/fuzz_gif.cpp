// Loads arbitrary bytes as a GIF and plays every frame, in order and back.
#include "codecs/gif/GIFImage.h"
#include "codecs/gif/GifAnimator.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Screens claiming huge pictures are legal; composing them only costs memory.
    if (size >= 10 && uint64_t(data[6] | (data[7] << 8)) * uint64_t(data[8] | (data[9] << 8)) > (1u << 22))
        return 0;
    try {
        auto gif = std::make_shared<vx::TGIFImage>();
        gif->loadFromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        gif->bitmap();
        vx::GifAnimator player(gif);
        for (int i = 0; i < 2 * gif->frameCount() + 1 && i < 200; ++i) {
            player.currentImage();
            player.currentDelayMs();
            player.advance();
        }
        gif->frameImage(gif->frameCount() - 1);
        gif->frameImage(0);
        gif->frameImage(-1);
    } catch (const vx::CodecError&) {
    }
    return 0;
}
