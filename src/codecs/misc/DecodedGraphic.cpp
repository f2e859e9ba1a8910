#include "codecs/misc/DecodedGraphic.h"

#include "codecs/misc/ByteReader.h"

namespace vx {

void DecodedGraphic::loadFromFile(const QString& path)
{
    const std::vector<uint8_t> bytes = readWholeFile(path);
    loadFromMemory(bytes.data(), bytes.size());
}

void DecodedGraphic::loadFromMemory(const uint8_t* data, size_t size)
{
    bitmap_ = Bitmap();
    if (size == 0)
        throw CodecError("File is empty");
    bitmap_ = decode(data, size);
}

}  // namespace vx
