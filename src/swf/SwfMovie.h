// A loaded SWF movie: header, the dictionary of characters (decoded lazily
// on first use and cached) and the main timeline. Loading walks every tag by
// its length; definitions are only located, so loading costs little more
// than inflating a compressed file.
#pragma once

#include "swf/SwfButton.h"
#include "swf/SwfFilter.h"
#include "swf/SwfShape.h"
#include "swf/SwfStream.h"
#include "swf/SwfText.h"
#include "swf/SwfVideo.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vx::swf {

struct PlaceCommand {
    uint16_t depth = 0;
    bool move = false;
    bool hasChar = false, hasMatrix = false, hasCx = false, hasRatio = false;
    bool hasName = false, hasClip = false, hasVisible = false;
    uint16_t charId = 0;
    QTransform matrix;
    CxForm cx;
    uint16_t ratio = 0;
    QString name;
    uint16_t clipDepth = 0;
    bool visible = true;
    // PlaceObject3's filters, blend mode and bitmap caching.
    bool hasFilters = false, hasBlend = false, hasCache = false;
    std::shared_ptr<const FilterList> filters;
    BlendMode blend = BlendMode::Normal;
    bool cacheAsBitmap = false;
};

struct FrameCommand {
    // Define and Free change which definition an id names from this frame
    // on (FreeCharacter and a new definition of the freed id).
    // StartSound, StartSound2 (by export name) and StreamBlock carry their
    // tag body (offset, size).
    enum Kind : uint8_t { Place, Remove, Action, Define, Free, StartSound, StreamBlock, StartSound2 } kind = Place;
    uint16_t depth = 0;  // Remove; the character id for Define and Free
    uint32_t place = 0;  // index into Timeline::places; the definition for Define
    size_t offset = 0, size = 0;  // Action bytes in the movie data
};

struct Timeline {
    std::vector<std::vector<FrameCommand>> frames;
    std::vector<PlaceCommand> places;
    std::vector<std::pair<QString, int>> labels;
    int frameCount = 1;  // declared count, at least 1 and at least frames.size()
    int streamFormat = -1;  // SoundStreamHead's format byte, -1 without a stream
    int labelFrame(const QString& label) const;  // -1 when unknown
};

enum class CharKind : uint8_t { Shape, Morph, Bitmap, Sprite, Font, Text, EditText, Button, Sound, Video, Unknown };

class Movie {
public:
    // Throws CodecError for data that is not a playable SWF (unknown or ZWS
    // signature, broken compressed header).
    static std::shared_ptr<Movie> fromData(const QByteArray& data);
    static std::shared_ptr<Movie> fromFile(const QString& path);

    int version() const { return version_; }
    QRectF stage() const { return stage_; }  // twips
    double frameRate() const { return frameRate_; }
    int headerFrameCount() const { return headerFrames_; }
    QColor background() const { return background_; }  // invalid when none is set
    const Timeline& root() const { return root_; }

    CharKind kind(uint16_t id) const;
    // Decoded characters; nullptr when missing, of another kind or broken.
    const CompiledShape* shape(uint16_t id) const;
    const CompiledShape* morph(uint16_t id, uint16_t ratio) const;
    const QImage* bitmap(uint16_t id) const;
    const Timeline* sprite(uint16_t id) const;
    const FontData* font(uint16_t id) const;
    const TextData* text(uint16_t id) const;
    const EditTextData* editText(uint16_t id) const;
    const std::vector<ButtonRecord>* button(uint16_t id) const;
    const ButtonData* buttonData(uint16_t id) const;
    // A DefineSound decoded to 44.1 kHz stereo frames, or nullptr.
    std::shared_ptr<const std::vector<int16_t>> sound(uint16_t id) const;
    // The picture of a video stream for frame number `frame` (a placement's ratio).
    VideoPicture videoFrame(uint16_t id, int frame) const;
    QRectF bounds(uint16_t id) const;  // twips, empty when unknown
    // The character an ExportAssets tag names (exact name first, then
    // ignoring case), 0 when none does.
    uint16_t exportedId(const QString& name) const;
    // An embedded font by name and style (the first defined wins), or nullptr.
    const FontData* findFont(const QString& name, bool bold, bool italic) const;

    // The definition an id names: FreeCharacter leaves it unnamed, a later
    // definition of the id is number 1, 2... Played movies start with every
    // id naming its first definition (resetDefinitions).
    void bindDefinition(uint16_t id, int definition) const;
    void freeDefinition(uint16_t id) const;
    void resetDefinitions() const;

    const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(data_.constData()); }
    size_t dataSize() const { return size_t(data_.size()); }

    // Upper bound of the inflated size of a compressed movie.
    static constexpr size_t kMaxMovieBytes = size_t(512) << 20;
    // Definitions one id may have through FreeCharacter.
    static constexpr size_t kMaxDefinitions = 1 << 16;

private:
    struct Character {
        CharKind kind = CharKind::Unknown;
        int tag = 0;
        size_t offset = 0, size = 0;  // body after the character id
        bool decoded = false, failed = false;
        std::shared_ptr<void> value;
        // Morph shape cache for the last ratio drawn.
        int morphRatio = -1;
        std::shared_ptr<CompiledShape> morphShape;
        struct Span {
            int tag;
            size_t offset, size;
        };
        std::vector<Span> fontInfo;  // DefineFontInfo tags naming this font; a button's cxform and sounds
    };

    Movie() = default;
    void parse();
    void parseTimeline(Stream& s, Timeline& t, bool isRoot);
    Character* find(uint16_t id) const;
    template <typename T>
    const T* decode(uint16_t id, CharKind kind) const;
    std::shared_ptr<void> decodeCharacter(const Character& c) const;

    QByteArray data_;  // the uncompressed movie from offset 8 (header body on)
    int version_ = 0;
    QRectF stage_;
    double frameRate_ = 12;
    int headerFrames_ = 0;
    QColor background_;
    Timeline root_;
    QByteArray jpegTables_;
    struct Entry {
        std::vector<Character> defs;
        int active = 0;  // -1 when freed
        bool freed = false;  // while parsing: the next definition is a new one
    };
    mutable std::unordered_map<uint16_t, Entry> dict_;
    mutable std::map<QString, const FontData*> fontsByName_;
    std::map<QString, uint16_t> exports_;
    mutable VideoLibrary videos_;
};

// Skips a filter list (PlaceObject3, DefineButton2) without keeping it.
void skipFilterList(Stream& s);

}  // namespace vx::swf
