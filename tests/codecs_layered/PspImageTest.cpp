#include "codecs/layered/PspImage.h"
#include "support/ByteBuilder.h"

#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

using vx::CodecError;
using vx::PspImage;
using vxtest::Bytes;

namespace {

using Data = std::vector<uint8_t>;

// Block builder for file format major versions 3 (Paint Shop Pro 5) and 4+.
struct Psp {
    int major = 6;

    Bytes block(int id, const Data& content, uint32_t initialLength = 0) const
    {
        Bytes b;
        b.str(std::string("~BK\0", 4)).u16le(unsigned(id));
        if (major <= 3)
            b.u32le(initialLength);
        b.u32le(uint32_t(content.size())).raw(content);
        return b;
    }
    // A chunk whose length counts its own four bytes.
    static Data chunk(const Data& body)
    {
        Bytes b;
        b.u32le(uint32_t(body.size() + 4)).raw(body);
        return b.bytes();
    }
    Bytes attributes(int w, int h, int depth, int compression, bool grey = false) const
    {
        Bytes f;
        f.u32le(uint32_t(w)).u32le(uint32_t(h)).fill(8).u8(0).u16le(unsigned(compression));
        f.u16le(unsigned(depth)).u16le(1).u32le(depth == 24 ? 0 : 1u << depth).u8(grey);
        f.u32le(0).u32le(0).u16le(1);
        if (major >= 4) {
            f.u32le(0);
            return block(0, chunk(f.bytes()));
        }
        return block(0, f.bytes(), uint32_t(f.size()));
    }
    Bytes channel(const Data& data, uint32_t uncompressed, int bitmapType, int channelType) const
    {
        Bytes f;
        f.u32le(uint32_t(data.size())).u32le(uncompressed).u16le(unsigned(bitmapType)).u16le(unsigned(channelType));
        if (major >= 4) {
            Bytes c;
            c.raw(chunk(f.bytes())).raw(data);
            return block(5, c.bytes());
        }
        const uint32_t init = uint32_t(f.size());
        f.raw(data);
        return block(5, f.bytes(), init);
    }
    // image = left, top, right, bottom of the layer; saved relative to it.
    Bytes layer(std::array<int, 4> image, std::array<int, 4> saved, int opacity, bool visible,
                const std::vector<Bytes>& channels) const
    {
        Bytes info;
        if (major >= 4)
            info.u16le(5).str("Layer");
        else
            info.str("Layer").fill(251);
        info.u8(1);
        for (int v : image) info.u32le(uint32_t(v));
        for (int v : saved) info.u32le(uint32_t(v));
        info.u8(unsigned(opacity)).u8(0).u8(visible ? 1 : 0).u8(0).u8(0).fill(32).fill(3).u16le(0).fill(40);
        Bytes content;
        if (major >= 4) {
            content.raw(chunk(info.bytes()));
            Bytes counts;
            counts.u16le(1).u16le(unsigned(channels.size()));
            content.raw(chunk(counts.bytes()));
        } else {
            info.u16le(1).u16le(unsigned(channels.size()));
            content.raw(info.bytes());
        }
        for (const Bytes& c : channels)
            content.raw(c.bytes());
        return block(4, content.bytes(), major >= 4 ? 0 : uint32_t(info.size()));
    }
    Bytes file(const std::vector<Bytes>& blocks) const
    {
        Bytes b;
        b.str("Paint Shop Pro Image File\n\x1a").fill(5).u16le(unsigned(major)).u16le(0);
        for (const Bytes& x : blocks)
            b.raw(x.bytes());
        return b;
    }
    Bytes layerBank(const std::vector<Bytes>& layers) const
    {
        Bytes c;
        for (const Bytes& l : layers)
            c.raw(l.bytes());
        return block(3, c.bytes());
    }
};

vx::Bitmap decode(const Bytes& b)
{
    PspImage g;
    g.loadFromData(b.data(), b.size());
    return g.bitmap();
}

Data deflateData(const Data& in)
{
    uLongf size = compressBound(uLong(in.size()));
    Data out(size);
    compress(out.data(), &size, in.data(), uLong(in.size()));
    out.resize(size);
    return out;
}

// A 2 x 2 24-bit picture: red rises by column, green by row, blue fixed.
const Data kRed = {10, 20, 10, 20}, kGreen = {1, 1, 2, 2}, kBlue = {7, 7, 7, 7};

std::vector<Bytes> rgbChannels(const Psp& p, int compression)
{
    std::vector<Bytes> out;
    const Data* planes[3] = {&kRed, &kGreen, &kBlue};
    for (int i = 0; i < 3; ++i) {
        Data d = *planes[i];
        if (compression == 1)
            d = {4, (*planes[i])[0], (*planes[i])[1], (*planes[i])[2], (*planes[i])[3]};
        else if (compression == 2)
            d = deflateData(d);
        out.push_back(p.channel(d, 4, 0, i + 1));
    }
    return out;
}

}  // namespace

TEST(PSPGraphic, OneLayerInEveryCompressionAndVersion)
{
    for (int major : {3, 4, 6}) {
        for (int compression = 0; compression < 3; ++compression) {
            Psp p;
            p.major = major;
            const Bytes f = p.file({p.attributes(2, 2, 24, compression),
                                    p.layerBank({p.layer({0, 0, 2, 2}, {0, 0, 2, 2}, 255, true,
                                                         rgbChannels(p, compression))})});
            const vx::Bitmap bmp = decode(f);
            SCOPED_TRACE(testing::Message() << "major " << major << " compression " << compression);
            ASSERT_EQ(bmp.width(), 2);
            EXPECT_FALSE(bmp.hasAlpha());
            EXPECT_EQ(bmp.pixel(0, 0), 0xFF0A0107u);
            EXPECT_EQ(bmp.pixel(1, 1), 0xFF140207u);
        }
    }
}

TEST(PSPGraphic, LayersMergeWithOpacityRectanglesAndMasks)
{
    Psp p;
    // Background: 2 x 2 opaque. Top: 1 x 1 white at (1, 1), half opaque.
    // Hidden: a black layer that must not show.
    const Bytes background = p.layer({0, 0, 2, 2}, {0, 0, 2, 2}, 255, true, rgbChannels(p, 0));
    const Bytes top = p.layer({1, 0, 2, 2}, {0, 1, 1, 2}, 128, true,
                              {p.channel({255}, 1, 0, 1), p.channel({255}, 1, 0, 2), p.channel({255}, 1, 0, 3)});
    const Bytes hidden = p.layer({0, 0, 2, 2}, {0, 0, 2, 2}, 255, false,
                                 {p.channel({0, 0, 0, 0}, 4, 0, 1), p.channel({0, 0, 0, 0}, 4, 0, 2),
                                  p.channel({0, 0, 0, 0}, 4, 0, 3)});
    vx::Bitmap bmp = decode(p.file({p.attributes(2, 2, 24, 0), p.layerBank({background, top, hidden})}));
    EXPECT_EQ(bmp.pixel(0, 0), 0xFF0A0107u);
    const uint32_t blended = bmp.pixel(1, 1);
    EXPECT_NEAR(int((blended >> 16) & 255), (20 * 127 + 255 * 128) / 255, 1);
    EXPECT_NEAR(int(blended & 255), (7 * 127 + 255 * 128) / 255, 1);

    // Only a masked layer: uncovered pixels are transparent.
    std::vector<Bytes> masked = rgbChannels(p, 0);
    masked.push_back(p.channel({255, 0, 0, 64}, 4, 1, 0));
    bmp = decode(p.file({p.attributes(2, 2, 24, 0),
                         p.layerBank({p.layer({0, 0, 2, 2}, {0, 0, 2, 2}, 255, true, masked)})}));
    ASSERT_TRUE(bmp.hasAlpha());
    EXPECT_EQ(bmp.pixel(0, 0), 0xFF0A0107u);
    EXPECT_EQ(bmp.pixel(1, 0) >> 24, 0u);
    EXPECT_EQ(bmp.pixel(1, 1) >> 24, 64u);
    EXPECT_EQ(bmp.pixel(1, 1) & 0xFFFFFF, 0x140207u);
}

TEST(PSPGraphic, CompositeImageBankIsPreferred)
{
    Psp p;
    Bytes attributes;
    attributes.u32le(2).u32le(2).u16le(24).u16le(0).u16le(1).u32le(0).u16le(0);
    Bytes counts;
    counts.u16le(1).u16le(3);
    Bytes image;
    image.raw(Psp::chunk(counts.bytes()));
    for (int c = 1; c <= 3; ++c)
        image.raw(p.channel({99, 99, 99, 99}, 4, 8, c).bytes());
    Bytes bankBody;
    bankBody.u32le(1);
    Bytes bank;
    bank.raw(Psp::chunk(bankBody.bytes()))
        .raw(p.block(17, Psp::chunk(attributes.bytes())).bytes())
        .raw(p.block(9, image.bytes()).bytes());
    const Bytes f = p.file({p.attributes(2, 2, 24, 0), p.block(16, bank.bytes()),
                            p.layerBank({p.layer({0, 0, 2, 2}, {0, 0, 2, 2}, 255, true, rgbChannels(p, 0))})});
    const vx::Bitmap bmp = decode(f);
    EXPECT_EQ(bmp.bitsPerPixel(), 24);
    EXPECT_EQ(bmp.pixel(1, 1), 0xFF636363u);
}

TEST(PSPGraphic, PalettedPicturesStayIndexed)
{
    for (int major : {3, 6}) {
        Psp p;
        p.major = major;
        Bytes entries;
        entries.u32le(16);
        for (int i = 0; i < 16; ++i)
            entries.u8(unsigned(i)).u8(0).u8(unsigned(255 - i)).u8(0);  // blue, green, red
        Bytes palette;
        if (major >= 4) {
            Bytes countOnly;
            countOnly.u32le(16);
            palette.raw(Psp::chunk(countOnly.bytes()));
            palette.raw(Data(entries.bytes().begin() + 4, entries.bytes().end()));
        } else {
            palette = entries;
        }
        // 3 x 2 at 4 bits: rows padded to four bytes.
        const Data rows = {0x12, 0x30, 0, 0, 0xF0, 0x00, 0, 0};
        const Bytes f = p.file({p.attributes(3, 2, 4, 0), p.block(2, palette.bytes()),
                                p.layerBank({p.layer({0, 0, 3, 2}, {0, 0, 3, 2}, 255, true,
                                                     {p.channel(rows, 8, 0, 0)})})});
        const vx::Bitmap bmp = decode(f);
        SCOPED_TRACE(major);
        ASSERT_EQ(bmp.bitsPerPixel(), 4);
        EXPECT_EQ(bmp.pixel(0, 0), 0xFFFE0001u);
        EXPECT_EQ(bmp.pixel(2, 0), 0xFFFC0003u);
        EXPECT_EQ(bmp.pixel(0, 1), 0xFFF0000Fu);
    }
    // Greyscale 8-bit with unpadded rows.
    Psp p;
    const Bytes f = p.file({p.attributes(3, 1, 8, 0, true),
                            p.layerBank({p.layer({0, 0, 3, 1}, {0, 0, 3, 1}, 255, true,
                                                 {p.channel({0, 128, 255}, 3, 0, 0)})})});
    const vx::Bitmap bmp = decode(f);
    EXPECT_EQ(bmp.bitsPerPixel(), 8);
    EXPECT_EQ(bmp.pixel(1, 0), 0xFF808080u);
}

TEST(PSPGraphic, BadInputIsRefused)
{
    Psp p;
    const Bytes good = p.file({p.attributes(2, 2, 24, 1),
                               p.layerBank({p.layer({0, 0, 2, 2}, {0, 0, 2, 2}, 255, true, rgbChannels(p, 1))})});
    PspImage g;
    EXPECT_THROW(g.loadFromData(nullptr, 0), CodecError);
    for (size_t cut = 1; cut < good.size(); cut += 5) {
        // Cuts inside the signature, headers or data: never a picture.
        try {
            g.loadFromData(good.data(), cut);
            ADD_FAILURE() << "cut at " << cut << " gave a picture";
        } catch (const CodecError&) {
        }
    }
    auto refused = [](const Bytes& f) { EXPECT_THROW(decode(f), CodecError); };
    refused(p.file({p.attributes(100000, 100000, 24, 0)}));
    refused(p.file({p.attributes(2, 2, 48, 0)}));
    refused(p.file({p.attributes(2, 2, 24, 0)}));  // no layers at all
    refused(p.file({p.layerBank({})}));            // no attributes
    // A run that overruns its channel, and an LZ77 stream that is too short.
    refused(p.file({p.attributes(2, 2, 24, 1),
                    p.layerBank({p.layer({0, 0, 2, 2}, {0, 0, 2, 2}, 255, true,
                                         {p.channel({0x85, 1}, 4, 0, 1), p.channel({0x84, 1}, 4, 0, 2),
                                          p.channel({0x84, 1}, 4, 0, 3)})})}));
    refused(p.file({p.attributes(2, 2, 24, 2),
                    p.layerBank({p.layer({0, 0, 2, 2}, {0, 0, 2, 2}, 255, true,
                                         {p.channel(deflateData({1, 2}), 4, 0, 1)})})}));
    // A layer larger than any picture we hold.
    refused(p.file({p.attributes(2, 2, 24, 0),
                    p.layerBank({p.layer({0, 0, 2, 2}, {0, 0, 100000, 100000}, 255, true, rgbChannels(p, 0))})}));
    // A block whose length runs past the end of the file.
    Bytes longBlock = p.file({p.attributes(2, 2, 24, 0)});
    longBlock.str(std::string("~BK\0", 4)).u16le(3).u32le(1000000);
    refused(longBlock);
    // Version 3 block headers are 14 bytes: one cut short at the end of its bank.
    Psp old;
    old.major = 3;
    Bytes partial;
    partial.str(std::string("~BK\0", 4)).u16le(4).u32le(0).u16le(0xFFFF);
    refused(old.file({old.attributes(2, 2, 24, 0), old.block(3, partial.bytes()),
                      old.block(1, Data(40, 0))}));

    for (unsigned seed = 0; seed < 300; ++seed) {
        std::vector<uint8_t> bytes = good.bytes();
        std::mt19937 rng(seed);
        for (int i = 0; i < 3; ++i)
            bytes[32 + rng() % (bytes.size() - 32)] = uint8_t(rng());
        try {
            g.loadFromData(bytes.data(), bytes.size());
        } catch (const CodecError&) {
        }
    }
}
