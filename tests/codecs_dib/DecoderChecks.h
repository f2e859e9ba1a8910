// What the decoder tests of the DIB and simple families share: colours as
// the decoders give them and the check that no prefix of a file breaks a
// decoder. Files are built with vxtest::Bytes.
#pragma once

#include "codecs/Bitmap.h"
#include "support/ByteBuilder.h"
#include "support/RandomBytes.h"

#include <cstdint>

namespace vxtest {

inline uint32_t rgb(unsigned r, unsigned g, unsigned b) { return 0xFF000000u | (r << 16) | (g << 8) | b; }

// Every prefix of a valid file must fail cleanly or decode.
template <class Decoder>
void expectPrefixesSafe(const Bytes& file)
{
    for (size_t n = 0; n < file.size(); ++n) {
        Decoder d;
        try {
            d.loadFromData(file.data(), n);
        } catch (const vx::CodecError&) {
        }
    }
}

}  // namespace vxtest
