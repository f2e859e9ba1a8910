// Our Sorenson H.263 decoder on its own: the input is a run of packets,
// each after its length in two bytes (big-endian), decoded in turn by the
// player's video decoder, every picture converted to ARGB. Starting over
// from a later packet (as seeking does) is tried too.
#include "swf/SwfVideoDecoder.h"

#include <QImage>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::pair<const uint8_t*, size_t>> packets;
    for (size_t at = 0; at + 2 <= size && packets.size() < 64;) {
        const size_t n = std::min(size_t(data[at]) << 8 | data[at + 1], size - at - 2);
        packets.emplace_back(data + at + 2, n);
        at += 2 + n;
    }
    vx::swf::VideoDecoder decoder(vx::swf::kVideoH263, 0);
    QImage picture;
    for (size_t i = 0; i < packets.size(); ++i) {
        if (i == packets.size() / 2 && (i & 1)) decoder.reset();
        if (decoder.decode(packets[i].first, packets[i].second, false)) {
            if (!decoder.picture(picture, (i & 2) ? QSize(7, 5) : QSize())) __builtin_trap();
        }
    }
    return 0;
}
