// Loads arbitrary bytes as a GIF and plays every frame, in order and back.
#include "codecs/gif/GIFImage.h"
#include "codecs/FrameAnimator.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        // Screens claiming huge pictures are legal; composing them only costs
        // memory. That includes a first frame deciding the size.
        const QSize screen = vx::TGIFImage::screenSize(vx::gif::scan(data, size));
        if (uint64_t(std::max(0, screen.width())) * uint64_t(std::max(0, screen.height())) > (1u << 22))
            return 0;
        auto gif = std::make_shared<vx::TGIFImage>();
        gif->loadFromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        gif->bitmap();
        vx::FrameAnimator player(gif);
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
