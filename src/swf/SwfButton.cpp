#include "swf/SwfButton.h"

#include "swf/SwfMovie.h"

#include <algorithm>

namespace vx::swf {

namespace {

constexpr size_t kMaxButtonRecords = 4096;
constexpr size_t kMaxButtonActions = 4096;

}  // namespace

ButtonData parseButton(Stream& s, int tag, size_t base)
{
    ButtonData b;
    const size_t start = s.pos();
    size_t actionOffset = 0;
    if (tag == 34) {
        b.trackAsMenu = s.u8() & 1;
        actionOffset = s.u16();
        if (actionOffset) actionOffset += start + 1;  // counted from the offset field itself
    }
    while (!s.atEnd() && b.records.size() < kMaxButtonRecords) {
        const uint8_t flags = s.u8();
        if (flags == 0) break;
        ButtonRecord r;
        r.states = flags & 0x0f;
        r.charId = s.u16();
        r.depth = s.u16();
        r.matrix = s.matrix();
        if (tag == 34) {
            r.cx = s.cxform(true);
            if (flags & 0x10) skipFilterList(s);
            if (flags & 0x20) s.u8();
        }
        b.records.push_back(r);
    }
    std::stable_sort(b.records.begin(), b.records.end(),
                     [](const ButtonRecord& x, const ButtonRecord& y) { return x.depth < y.depth; });
    if (tag == 7) {
        // The rest of DefineButton is one action block run on release.
        if (!s.atEnd()) b.actions.push_back({OverDownToOverUp, 0, base + s.pos(), s.remaining()});
        return b;
    }
    if (!actionOffset || actionOffset < s.pos() || actionOffset >= s.pos() + s.remaining())
        return b;
    s.skip(actionOffset - s.pos());
    while (s.remaining() >= 4 && b.actions.size() < kMaxButtonActions) {
        const size_t at = s.pos();
        const uint16_t size = s.u16();
        const uint8_t lo = s.u8(), hi = s.u8();
        ButtonAction a;
        a.conditions = uint16_t(lo | (hi & 1) << 8);
        a.key = hi >> 1;
        a.offset = base + s.pos();
        const size_t end = size ? std::min(at + size, at + 4 + s.remaining()) : at + 4 + s.remaining();
        a.size = end - s.pos();
        b.actions.push_back(a);
        if (size == 0 || end <= s.pos()) break;
        s.skip(end - s.pos());
    }
    return b;
}

void applyButtonCxform(ButtonData& b, Stream& s)
{
    const CxForm cx = s.cxform(false);
    for (ButtonRecord& r : b.records) r.cx = cx;
}

void applyButtonSound(ButtonData& b, Stream& s, size_t base)
{
    for (ButtonSound& sound : b.sounds) {
        sound.soundId = s.u16();
        if (!sound.soundId) continue;
        // The sound info record: flags, then the fields they announce.
        const size_t at = s.pos();
        const uint8_t flags = s.u8();
        if (flags & 0x01) s.skip(4);
        if (flags & 0x02) s.skip(4);
        if (flags & 0x04) s.skip(2);
        if (flags & 0x08) s.skip(size_t(s.u8()) * 8);
        sound.infoOffset = base + at;
        sound.infoSize = s.pos() - at;
    }
}

}  // namespace vx::swf
