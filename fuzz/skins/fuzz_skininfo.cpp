// Skin descriptions on arbitrary bytes: metrics, the 32 rectangles, and
// cutting them out of a small picture.
#include "skins/SkinInfo.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vx::ProfileFile info;
    info.parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    static const QImage picture = [] {
        QImage img(64, 40, QImage::Format_RGB888);
        img.fill(Qt::gray);
        return img;
    }();
    try {
        (void)vx::readSkinMetrics(info);
    } catch (const vx::SkinError&) {
    }
    for (int k = 1; k <= vx::kSkinImageKeys; ++k) {
        try {
            const vx::SkinRect r = vx::parseSkinButtonRect(vx::skinButtonValue(info, k));
            if (int64_t(r.w) * r.h <= 512 * 512)
                (void)vx::cutSkinImage(picture, r, k);
        } catch (const vx::SkinError&) {
        }
    }
    return 0;
}
