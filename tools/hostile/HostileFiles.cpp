#include "HostileFiles.h"

#include <algorithm>
#include <cstdint>
#include <zlib.h>

namespace vx::hostile {

namespace {

struct Le {
    QByteArray b;
    Le& u8(unsigned v) { b.append(char(v)); return *this; }
    Le& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Le& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Le& raw(const QByteArray& v) { b.append(v); return *this; }
    Le& zeros(int n) { b.append(QByteArray(n, '\0')); return *this; }
};

// Paint Shop Pro 6: a block, and a chunk whose length counts itself.
QByteArray pspBlock(int id, const QByteArray& content)
{
    return Le().raw(QByteArray("~BK\0", 4)).u16(unsigned(id)).u32(uint32_t(content.size())).raw(content).b;
}
QByteArray pspChunk(const QByteArray& body) { return Le().u32(uint32_t(body.size() + 4)).raw(body).b; }

}  // namespace

QByteArray pspLayers(int count, int side)
{
    QByteArray plane(side * side, '\x40');
    uLongf packedSize = compressBound(uLong(plane.size()));
    QByteArray packed(qsizetype(packedSize), '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(plane.constData()),
             uLong(plane.size()));
    packed.resize(qsizetype(packedSize));

    Le attributes;
    attributes.u32(side).u32(side).zeros(8).u8(0).u16(2).u16(24).u16(1).u32(0).u8(0).u32(0).u32(0).u16(1).u32(0);
    QByteArray bank;
    for (int layer = 0; layer < count; ++layer) {
        Le info;
        info.u16(5).raw("Layer").u8(1);
        for (int v : {0, 0, side, side, 0, 0, side, side})
            info.u32(uint32_t(v));
        info.u8(128).u8(0).u8(1).u8(0).u8(0).zeros(32).zeros(3).u16(0).zeros(40);
        QByteArray content = pspChunk(info.b) + pspChunk(Le().u16(1).u16(3).b);
        for (int channel = 1; channel <= 3; ++channel) {
            const QByteArray head = Le().u32(uint32_t(packed.size())).u32(uint32_t(plane.size())).u16(0).u16(unsigned(channel)).b;
            content += pspBlock(5, pspChunk(head) + packed);
        }
        bank += pspBlock(4, content);
    }
    return Le().raw("Paint Shop Pro Image File\n\x1a").zeros(5).u16(6).u16(0).b + pspBlock(0, pspChunk(attributes.b))
           + pspBlock(3, bank);
}

// A placeable WMF that creates and selects 70,000 pens and never deletes one.
QByteArray psp100HugeLayers() { return pspLayers(100, 4096); }

QByteArray wmf70000Pens()
{
    Le records;
    constexpr int kPens = 70000;
    for (int i = 0; i < kPens; ++i) {
        records.u32(8).u16(0x02FA).u16(0).u16(1).u16(0).u32(uint32_t(i) & 0xFFFFFF);  // CreatePenIndirect
        records.u32(4).u16(0x012D).u16(unsigned(std::min(i, 65534)));                // SelectObject
    }
    records.u32(5).u16(0x0214).u16(10).u16(10);    // MoveTo
    records.u32(5).u16(0x0213).u16(900).u16(900);  // LineTo
    records.u32(3).u16(0);                          // end of file
    Le placeable;
    placeable.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(1000).u16(1000).u16(1440).u32(0);
    unsigned sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= uint8_t(placeable.b[i]) | (uint8_t(placeable.b[i + 1]) << 8);
    placeable.u16(sum);
    Le header;
    header.u16(1).u16(9).u16(0x0300).u32(uint32_t((18 + records.b.size()) / 2)).u16(0xFFFF).u32(8).u16(0);
    return placeable.b + header.b + records.b;
}

// A Dr. Halo CUT of 65535 x 4096 whose 8 KB are only empty rows.
QByteArray cut8kEmptyRows()
{
    Le cut;
    cut.u16(65535).u16(4096).u16(0);
    for (int y = 0; y < 4096; ++y)
        cut.u16(0);
    return cut.b;
}

std::vector<MadeFile> madeFiles()
{
    return {{QStringLiteral("psp_100_layers_of_4096x4096.psp"), psp100HugeLayers(), false},
            {QStringLiteral("cut_8kb_empty_rows_claim_65535x4096.cut"), cut8kEmptyRows(), false},
            {QStringLiteral("wmf_70000_pen_objects.wmf"), wmf70000Pens(), true}};
}

}  // namespace vx::hostile
