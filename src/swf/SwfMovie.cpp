#include "swf/SwfMovie.h"

#include "codecs/ByteReader.h"
#include "codecs/FileBytes.h"
#include "codecs/Inflate.h"
#include "swf/SwfBitmap.h"
#include "swf/SwfSound.h"

#include <algorithm>
#include <cstring>

namespace vx::swf {

namespace {

CharKind kindOfTag(int code)
{
    switch (code) {
    case 2: case 22: case 32: case 83: return CharKind::Shape;
    case 46: case 84: return CharKind::Morph;
    case 6: case 20: case 21: case 35: case 36: case 90: return CharKind::Bitmap;
    case 39: return CharKind::Sprite;
    case 10: case 48: case 75: return CharKind::Font;
    case 11: case 33: return CharKind::Text;
    case 37: return CharKind::EditText;
    case 7: case 34: return CharKind::Button;
    case 14: return CharKind::Sound;
    case 60: return CharKind::Video;
    default: return CharKind::Unknown;
    }
}

QByteArray inflateMovie(const QByteArray& file)
{
    const uint8_t* in = reinterpret_cast<const uint8_t*>(file.constData());
    const size_t declared = readLe32(in + 4);
    QByteArray out(file.constData(), 8);
    // Larger movies are cut at the bound.
    const InflateResult r = inflateAppend(in + 8, size_t(file.size()) - 8, out, Movie::kMaxMovieBytes,
                                          std::clamp<size_t>(declared, 64, size_t(64) << 20));
    // A stream cut short, or broken after its first bytes, plays the part we have.
    if (r.end == InflateEnd::Corrupt && r.produced <= 16)
        throw CodecError("The compressed movie is not a valid zlib stream");
    return out;
}

PlaceCommand parsePlace(Stream& s, int code, int version)
{
    PlaceCommand p;
    if (code == 4) {
        p.hasChar = true;
        p.charId = s.u16();
        p.depth = s.u16();
        p.hasMatrix = true;
        p.matrix = s.matrix();
        if (!s.atEnd()) {
            p.hasCx = true;
            p.cx = s.cxform(false);
        }
        return p;
    }
    const uint8_t f = s.u8();
    const uint8_t f2 = code == 70 ? s.u8() : 0;
    p.move = f & 0x01;
    p.depth = s.u16();
    if (code == 70 && ((f2 & 0x08) || ((f2 & 0x10) && (f & 0x02)))) s.cstr();  // class name
    if (f & 0x02) { p.hasChar = true; p.charId = s.u16(); }
    if (f & 0x04) { p.hasMatrix = true; p.matrix = s.matrix(); }
    if (f & 0x08) { p.hasCx = true; p.cx = s.cxform(true); }
    if (f & 0x10) { p.hasRatio = true; p.ratio = s.u16(); }
    if (f & 0x20) { p.hasName = true; p.name = decodeText(s.cstr(), version); }
    if (f & 0x40) { p.hasClip = true; p.clipDepth = s.u16(); }
    if (code == 70) {
        try {
            if (f2 & 0x01) { p.hasFilters = true; p.filters = readFilterList(s); }
            if (f2 & 0x02) { p.hasBlend = true; p.blend = blendModeOf(s.u8()); }
            if (f2 & 0x04) { p.hasCache = true; p.cacheAsBitmap = s.u8() != 0; }
            if (f2 & 0x20) { p.hasVisible = true; p.visible = s.u8() != 0; }
        } catch (const CodecError&) {
            // Optional trailing fields cut short: the placement itself stands.
        }
    }
    return p;
}

}  // namespace

void skipFilterList(Stream& s)
{
    const int n = s.u8();
    for (int i = 0; i < n; ++i) {
        const int id = s.u8();
        switch (id) {
        case 0: s.skip(23); break;
        case 1: s.skip(9); break;
        case 2: s.skip(15); break;
        case 3: s.skip(27); break;
        case 4:
        case 7: {
            const int colours = s.u8();
            s.skip(size_t(colours) * 5 + 19);
            break;
        }
        case 5: {
            const int mx = s.u8(), my = s.u8();
            s.skip(8 + size_t(mx) * size_t(my) * 4 + 5);
            break;
        }
        case 6: s.skip(80); break;
        default: throw CodecError("Unknown filter");
        }
    }
}

int Timeline::labelFrame(const QString& label) const
{
    for (const auto& l : labels)
        if (l.first.compare(label, Qt::CaseInsensitive) == 0) return l.second;
    return -1;
}

std::shared_ptr<Movie> Movie::fromFile(const QString& path)
{
    return fromData(readFileBytes(path, int64_t(kMaxMovieBytes)));
}

std::shared_ptr<Movie> Movie::fromData(const QByteArray& data)
{
    if (data.size() < 8) throw CodecError("Not an SWF movie: file too short");
    std::shared_ptr<Movie> m(new Movie);
    const char* d = data.constData();
    if (std::memcmp(d + 1, "WS", 2) != 0) throw CodecError("Not an SWF movie");
    if (d[0] == 'Z') throw CodecError("LZMA-compressed SWF movies (ZWS) are not supported");
    if (d[0] == 'C') m->data_ = inflateMovie(data);
    else if (d[0] == 'F') m->data_ = data;
    else throw CodecError("Not an SWF movie");
    m->version_ = uint8_t(d[3]);
    m->parse();
    return m;
}

void Movie::parse()
{
    Stream s(data() + 8, dataSize() - 8);
    try {
        stage_ = s.rect();
        const uint16_t rate = s.u16();
        frameRate_ = rate / 256.0;
        headerFrames_ = s.u16();
    } catch (const CodecError&) {
        throw CodecError("SWF header cut short");
    }
    parseTimeline(s, root_, true);
    root_.frameCount = std::max<int>({1, headerFrames_, int(root_.frames.size())});
}

void Movie::parseTimeline(Stream& s, Timeline& t, bool isRoot)
{
    std::vector<FrameCommand> current;
    while (s.remaining() >= 2) {
        const uint16_t head = s.u16();
        const int code = head >> 6;
        size_t len = head & 0x3f;
        if (len == 0x3f) {
            if (s.remaining() < 4) break;
            len = s.u32();
        }
        const bool cut = len > s.remaining();
        if (cut) len = s.remaining();  // the last tag is cut short: use what is there
        const size_t at = size_t(s.ptr() - data());
        Stream body(s.ptr(), len);
        s.skip(len);
        if (code == 0) break;
        try {
            switch (code) {
            case 1:
                t.frames.push_back(std::move(current));
                current.clear();
                break;
            case 4:
            case 26:
            case 70: {
                FrameCommand c;
                c.kind = FrameCommand::Place;
                c.place = uint32_t(t.places.size());
                t.places.push_back(parsePlace(body, code, version_));
                current.push_back(c);
                break;
            }
            case 5:
            case 28: {
                FrameCommand c;
                c.kind = FrameCommand::Remove;
                if (code == 5) body.u16();
                c.depth = body.u16();
                current.push_back(c);
                break;
            }
            case 12: {
                FrameCommand c;
                c.kind = FrameCommand::Action;
                c.offset = at;
                c.size = len;
                current.push_back(c);
                break;
            }
            case 15:
            case 19:
            case 89: {
                FrameCommand c;
                c.kind = code == 15 ? FrameCommand::StartSound : code == 19 ? FrameCommand::StreamBlock : FrameCommand::StartSound2;
                c.offset = at;
                c.size = len;
                current.push_back(c);
                break;
            }
            case 18:
            case 45:
                body.u8();
                t.streamFormat = body.u8();
                break;
            case 43:
                t.labels.emplace_back(decodeText(body.cstr(), version_), int(t.frames.size()));
                break;
            case 9:
                if (isRoot) background_ = body.rgb();
                break;
            case 8:
                if (isRoot && jpegTables_.isEmpty()) jpegTables_ = body.bytes(len);
                break;
            case 13:
            case 62:
            case 17:
            case 23:
                if (isRoot) {
                    const uint16_t id = body.u16();
                    const CharKind kind = code == 13 || code == 62 ? CharKind::Font : CharKind::Button;
                    if (Character* c = find(id); c && c->kind == kind && c->fontInfo.size() < 16)
                        c->fontInfo.push_back({code, at + 2, len - 2});
                }
                break;
            case 56:  // ExportAssets: names for attachSound, StartSound2...
                if (isRoot) {
                    const int count = body.u16();
                    for (int i = 0; i < count && exports_.size() < 65536; ++i) {
                        const uint16_t id = body.u16();
                        exports_.emplace(decodeText(body.cstr(), version_), id);
                    }
                }
                break;
            case 61: {  // VideoFrame: kept by its stream; frames before their stream are dropped
                const uint16_t id = body.u16(), number = body.u16();
                if (auto it = dict_.find(id); it != dict_.end() && it->second.defs.back().kind == CharKind::Video &&
                    it->second.defs.back().value)
                    static_cast<VideoStream*>(it->second.defs.back().value.get())->addFrame(number, data(), at + 4, len - 4);
                break;
            }
            case 3:  // FreeCharacter
                if (isRoot) {
                    FrameCommand c;
                    c.kind = FrameCommand::Free;
                    c.depth = body.u16();
                    if (auto it = dict_.find(c.depth); it != dict_.end()) {
                        it->second.freed = true;
                        current.push_back(c);
                    }
                }
                break;
            default: {
                const CharKind kind = kindOfTag(code);
                if (!isRoot || kind == CharKind::Unknown) break;  // sound, video, scripts and the rest
                const uint16_t id = body.u16();
                Character c;
                c.kind = kind;
                c.tag = code;
                c.offset = at + 2;
                c.size = len - 2;
                if (kind == CharKind::Video) {
                    // Its frames follow in the timelines: the stream collects them from the start.
                    c.value = std::make_shared<VideoStream>(parseVideoStream(body));
                    c.decoded = true;
                }
                auto it = dict_.find(id);
                if (it == dict_.end()) {
                    dict_[id].defs.push_back(c);
                } else if (it->second.freed && it->second.defs.size() < kMaxDefinitions) {
                    // A freed id defined again: the new character shows from this frame on.
                    it->second.freed = false;
                    it->second.defs.push_back(c);
                    FrameCommand d;
                    d.kind = FrameCommand::Define;
                    d.depth = id;
                    d.place = uint32_t(it->second.defs.size() - 1);
                    current.push_back(d);
                }  // otherwise the first definition of an id stands
                break;
            }
            }
        } catch (const CodecError&) {
            // A broken tag is skipped; the movie goes on.
        }
        if (cut) break;
    }
    if (t.frames.empty() && !current.empty()) t.frames.push_back(std::move(current));
}

Movie::Character* Movie::find(uint16_t id) const
{
    auto it = dict_.find(id);
    if (it == dict_.end() || it->second.active < 0) return nullptr;
    return &it->second.defs[size_t(it->second.active)];
}

void Movie::bindDefinition(uint16_t id, int definition) const
{
    auto it = dict_.find(id);
    if (it == dict_.end() || definition < 0 || size_t(definition) >= it->second.defs.size()) return;
    Entry& e = it->second;
    if (e.active >= 0 && e.active != definition) {
        // Only the definition shown keeps its decoded picture: a movie of
        // JPEG frames would otherwise hold every frame it has shown.
        Character& old = e.defs[size_t(e.active)];
        if (old.kind == CharKind::Bitmap || old.kind == CharKind::Shape) {
            old.value.reset();
            old.decoded = false;
        }
    }
    e.active = definition;
}

void Movie::freeDefinition(uint16_t id) const
{
    auto it = dict_.find(id);
    if (it == dict_.end()) return;
    bindDefinition(id, 0);
    it->second.active = -1;
}

void Movie::resetDefinitions() const
{
    for (auto& [id, e] : dict_)
        if (e.active != 0) bindDefinition(id, 0);
}

CharKind Movie::kind(uint16_t id) const
{
    const Character* c = find(id);
    return c ? c->kind : CharKind::Unknown;
}

std::shared_ptr<void> Movie::decodeCharacter(const Character& c) const
{
    Stream s(data() + c.offset, c.size);
    switch (c.kind) {
    case CharKind::Shape: {
        const int v = c.tag == 2 ? 1 : c.tag == 22 ? 2 : c.tag == 32 ? 3 : 4;
        return std::make_shared<CompiledShape>(compileShape(parseShape(s, v)));
    }
    case CharKind::Morph:
        return std::make_shared<MorphData>(parseMorphShape(s, c.tag == 84 ? 2 : 1));
    case CharKind::Bitmap:
        return std::make_shared<QImage>(decodeBitmapTag(c.tag, s.ptr(), s.remaining(), jpegTables_));
    case CharKind::Sprite: {
        auto t = std::make_shared<Timeline>();
        const int declared = s.u16();
        const_cast<Movie*>(this)->parseTimeline(s, *t, false);
        t->frameCount = std::max<int>({1, declared, int(t->frames.size())});
        return t;
    }
    case CharKind::Font: {
        auto f = std::make_shared<FontData>(parseFont(c.tag, s));
        for (const auto& info : c.fontInfo) {
            Stream is(data() + info.offset, info.size);
            try {
                applyFontInfo(*f, info.tag, is);
            } catch (const CodecError&) {
            }
        }
        return f;
    }
    case CharKind::Text:
        return std::make_shared<TextData>(parseText(s, c.tag == 33));
    case CharKind::EditText:
        return std::make_shared<EditTextData>(parseEditText(s, version_));
    case CharKind::Sound: {
        const SoundFormat format = SoundFormat::fromByte(s.u8());
        s.u32();  // the sample count: the data decides
        if (format.codec == 2) s.u16();  // MP3: the seek samples
        auto pcm = std::make_shared<std::vector<int16_t>>();
        SoundDecoder decoder(format);
        decoder.decode(s.ptr(), s.remaining(), *pcm);
        return pcm;
    }
    case CharKind::Button: {
        auto b = std::make_shared<ButtonData>(parseButton(s, c.tag, c.offset));
        for (const auto& extra : c.fontInfo) {
            Stream es(data() + extra.offset, extra.size);
            try {
                if (extra.tag == 23) applyButtonCxform(*b, es);
                else applyButtonSound(*b, es, extra.offset);
            } catch (const CodecError&) {
            }
        }
        return b;
    }
    default:
        return nullptr;
    }
}

template <typename T>
const T* Movie::decode(uint16_t id, CharKind kind) const
{
    Character* c = find(id);
    if (!c || c->kind != kind || c->failed) return nullptr;
    if (!c->decoded) {
        c->decoded = true;
        try {
            c->value = decodeCharacter(*c);
        } catch (const CodecError&) {
            c->failed = true;
        } catch (const std::bad_alloc&) {
            c->failed = true;
        }
        if (!c->value) c->failed = true;
    }
    return static_cast<const T*>(c->value.get());
}

const CompiledShape* Movie::shape(uint16_t id) const { return decode<CompiledShape>(id, CharKind::Shape); }
const QImage* Movie::bitmap(uint16_t id) const { return decode<QImage>(id, CharKind::Bitmap); }
const Timeline* Movie::sprite(uint16_t id) const { return decode<Timeline>(id, CharKind::Sprite); }
const FontData* Movie::font(uint16_t id) const { return decode<FontData>(id, CharKind::Font); }
const TextData* Movie::text(uint16_t id) const { return decode<TextData>(id, CharKind::Text); }
const EditTextData* Movie::editText(uint16_t id) const { return decode<EditTextData>(id, CharKind::EditText); }
std::shared_ptr<const std::vector<int16_t>> Movie::sound(uint16_t id) const
{
    const auto* pcm = decode<std::vector<int16_t>>(id, CharKind::Sound);
    if (!pcm) return nullptr;
    return std::shared_ptr<const std::vector<int16_t>>(find(id)->value, pcm);
}

const ButtonData* Movie::buttonData(uint16_t id) const { return decode<ButtonData>(id, CharKind::Button); }
const std::vector<ButtonRecord>* Movie::button(uint16_t id) const
{
    const ButtonData* b = buttonData(id);
    return b ? &b->records : nullptr;
}

const CompiledShape* Movie::morph(uint16_t id, uint16_t ratio) const
{
    const MorphData* m = decode<MorphData>(id, CharKind::Morph);
    if (!m) return nullptr;
    Character* c = find(id);
    if (c->morphRatio != ratio || !c->morphShape) {
        c->morphShape = std::make_shared<CompiledShape>(compileShape(morphAt(*m, ratio / 65535.0)));
        c->morphRatio = ratio;
    }
    return c->morphShape.get();
}

uint16_t Movie::exportedId(const QString& name) const
{
    if (auto it = exports_.find(name); it != exports_.end()) return it->second;
    for (const auto& [exported, id] : exports_)
        if (exported.compare(name, Qt::CaseInsensitive) == 0) return id;
    return 0;
}

const FontData* Movie::findFont(const QString& name, bool bold, bool italic) const
{
    const QString key = name.toLower() + (bold ? u'b' : u'-') + (italic ? u'i' : u'-');
    if (auto it = fontsByName_.find(key); it != fontsByName_.end()) return it->second;
    const FontData* found = nullptr;
    uint16_t foundId = 0xffff;
    for (const auto& [id, e] : dict_) {
        if (e.defs.empty() || e.defs.front().kind != CharKind::Font || id >= foundId) continue;
        const FontData* f = font(id);
        if (f && f->bold == bold && f->italic == italic && !f->glyphs.empty() &&
            f->name.compare(name, Qt::CaseInsensitive) == 0) {
            found = f;
            foundId = id;
        }
    }
    fontsByName_[key] = found;
    return found;
}

VideoPicture Movie::videoFrame(uint16_t id, int frame) const
{
    Character* c = find(id);
    if (!c || c->kind != CharKind::Video || !c->value) return {};
    return videos_.picture(*static_cast<VideoStream*>(c->value.get()), frame, data(), dataSize());
}

QRectF Movie::bounds(uint16_t id) const
{
    switch (kind(id)) {
    case CharKind::Shape:
        if (const CompiledShape* s = shape(id)) return s->bounds;
        break;
    case CharKind::Morph:
        if (const MorphData* m = decode<MorphData>(id, CharKind::Morph)) return m->startBounds.united(m->endBounds);
        break;
    case CharKind::Bitmap:
        if (const QImage* b = bitmap(id)) return QRectF(0, 0, b->width() * 20.0, b->height() * 20.0);
        break;
    case CharKind::Text:
        if (const TextData* t = text(id)) return t->bounds;
        break;
    case CharKind::EditText:
        if (const EditTextData* e = editText(id)) return e->bounds;
        break;
    case CharKind::Video:
        if (const Character* c = find(id); c && c->value) {
            const QSizeF s = static_cast<const VideoStream*>(c->value.get())->stageSize();
            return QRectF(QPointF(0, 0), s);
        }
        break;
    default:
        break;
    }
    return {};
}

}  // namespace vx::swf
