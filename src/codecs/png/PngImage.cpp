#include "codecs/png/PngImage.h"

namespace vx {

Bitmap PngImage::decode(const uint8_t* data, size_t size) const
{
    decoded_ = png::Info();
    return png::decode(data, size, !dropTrns_, &decoded_);
}

void PngImage::keep(const uint8_t* data, size_t size)
{
    info_ = decoded_;
    data_ = QByteArray();
    if (info_.hasTrns && !dropTrns_)
        data_ = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

void PngImage::dropTransparency()
{
    dropTrns_ = true;
    if (data_.isEmpty())
        return;
    setBitmap(Bitmap());  // release the first decode before the second
    setBitmap(png::decode(reinterpret_cast<const uint8_t*>(data_.constData()), size_t(data_.size()), false, &info_));
    data_.clear();
}

}  // namespace vx
