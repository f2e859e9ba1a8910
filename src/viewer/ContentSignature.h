// Which viewable type a file's content is, told by the signature at its
// start rather than by its name: for files that have no extension, such as
// the entries of a browser's cache.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

namespace vx {

// Bytes a signature needs at most.
inline constexpr size_t kSignatureBytes = 64;

// The extension key of the type whose signature data starts with (JPG,
// PNG, GIF, BMP, ICO, TIF, PSD, PSP, SWF, WMF, EMF), or an empty string.
// Only formats with a signature that text and other web content can't
// carry by chance are recognised.
QString signatureKey(const uint8_t* data, size_t size);

}  // namespace vx
