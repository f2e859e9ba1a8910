// Playing a movie: the display list of every timeline (main and sprites),
// frame advance with looping, seeking, the AVM1 subset of frame actions and
// the FSCommand event, and drawing the current frame.
#pragma once

#include "swf/SwfMovie.h"
#include "swf/SwfMixer.h"
#include "swf/SwfScript.h"
#include "swf/SwfSound.h"

#include <QElapsedTimer>

#include <QPainter>
#include <QTransform>
#include <array>
#include <functional>
#include <map>
#include <memory>

namespace vx::swf {

enum class Quality { Low, Medium, High };
enum class ScaleMode { ShowAll = 0, NoBorder = 1, ExactFit = 2, NoScale = 3 };

// Maps stage twips into a viewport of the given pixel size. zoom is the part
// of the stage shown (1 = all, 0.5 = half of it, twice as large), about the
// stage centre.
QTransform stageTransform(const QRectF& stageTwips, QSizeF viewport, ScaleMode mode, double zoom = 1.0);

struct TimelineInstance;

struct DisplayObject {
    uint16_t charId = 0;
    QTransform matrix;
    CxForm cx;
    uint16_t ratio = 0;
    uint16_t clipDepth = 0;
    QString name;
    bool visible = true;
    BlendMode blend = BlendMode::Normal;
    std::shared_ptr<const FilterList> filters;  // null or empty: none
    bool cacheAsBitmap = false;
    uint8_t buttonState = 1;  // buttons: the record states drawn (1 up, 2 over, 4 down)
    std::shared_ptr<TimelineInstance> sprite;  // for sprite characters
};

struct TimelineInstance : std::enable_shared_from_this<TimelineInstance> {
    const Timeline* timeline = nullptr;
    int current = -1;  // frame index shown, -1 before the first
    bool playing = true;
    int nesting = 0;
    uint64_t bornTick = 0;
    std::map<int, DisplayObject> list;  // by depth
    std::shared_ptr<ScriptObject> vars = std::make_shared<ScriptObject>();  // variables and handlers
    std::weak_ptr<TimelineInstance> parent;  // empty for the main timeline
    int depth = 0;                           // in the parent's list
    // Its stream sound (SoundStreamHead and the blocks of its frames): the
    // decoder of the blocks so far, whether the last frame entered gave
    // sound, and the stream's key in the mixer (0 for the main timeline).
    std::shared_ptr<SoundDecoder> streamDecoder;
    bool streamFed = false;
    uint32_t streamKey = 0;
    int frameCount() const { return timeline ? timeline->frameCount : 1; }
};

// What the mouse is over: a button (owner's list at depth) or a clip with
// mouse handlers.
struct MouseTarget {
    std::weak_ptr<TimelineInstance> owner;
    int depth = -1;
    bool isClip = false;
    bool operator==(const MouseTarget& o) const
    {
        return depth == o.depth && isClip == o.isClip && !owner.owner_before(o.owner) && !o.owner.owner_before(owner);
    }
    bool empty() const { return depth < 0; }
};

class Player {
public:
    // Shows the first frame; its actions run at once, or with deferActions
    // at the first runPendingActions or advance (a host that starts the
    // movie after loading it lets the first frame's stop have the last word).
    // The sounds of the first frame go to mixer too (none: silent).
    explicit Player(std::shared_ptr<const Movie> movie, bool deferActions = false,
                    std::shared_ptr<SoundMixer> mixer = nullptr);
    void runPendingActions() { runQueue(); }
    ~Player();

    const Movie& movie() const { return *movie_; }
    int totalFrames() const { return root_->frameCount(); }
    int currentFrame() const { return std::max(0, root_->current); }
    bool isPlaying() const { return root_->playing; }
    void play() { root_->playing = true; }
    // Pausing silences the sound at once; the stream starts again with the next frame.
    void stop();
    // Sounds go to mixer (none: the movie is silent).
    void setSoundMixer(std::shared_ptr<SoundMixer> mixer) { mixer_ = std::move(mixer); }
    SoundMixer* soundMixer() const { return mixer_.get(); }
    void setLoop(bool on) { loop_ = on; }
    bool loop() const { return loop_; }
    // Shows frame (0-based, clamped into the movie), running its actions.
    void gotoFrame(int frame);
    // One tick of the frame clock: the main timeline moves on when playing,
    // every sprite plays its own timeline, then queued actions run, then
    // the clips' onEnterFrame handlers.
    void advance();
    // One tick of a host's frame timer, returning the advances made. While
    // a stream sound is heard (soundHeard: an output reads the mixer), the
    // timeline follows the sound's clock: it waits when it is ahead of what
    // was played and catches up by several advances at once (frames are
    // dropped, drawn only once) when it fell behind, so the sound never
    // drifts from the pictures. Otherwise one advance.
    int clockTick(bool soundHeard);
    // Frames one clock tick advances at most when catching up with the sound.
    static constexpr int kMaxCatchUpFrames = 8;
    // Starts (or stops) an event sound by its DefineSound id; group is the
    // mixer's volume group.
    void playSound(uint16_t id, const SoundInfo& info, int group = 0);
    // The colour of SetBackgroundColor, white when the movie sets none.
    QColor backgroundColor() const;
    // Changes every time the picture of the frame may change.
    uint64_t revision() const { return revision_; }
    void touch() { ++revision_; }

    // Draws the current frame (not the background) with stage twips mapped
    // by stageToDevice.
    void render(QPainter& painter, const QTransform& stageToDevice, Quality quality) const;
    // The frame in a new image of the given size: background, then the stage.
    QImage renderImage(QSize size, Quality quality, ScaleMode mode = ScaleMode::ShowAll, double zoom = 1.0,
                       QColor background = QColor()) const;

    // Raised by getURL / getURL2 with a URL starting "FSCommand:". Commands
    // raised before a handler is set (those of the first frame, run when the
    // player is made) wait for it and are handed over when it is set.
    using FsCommandHandler = std::function<void(const QString& command, const QString& args)>;
    void setFsCommandHandler(FsCommandHandler handler);

    // The mouse over the stage (twips), its button, and key presses (SWF
    // key codes: ASCII, or 1 left, 2 right, 3 home, 4 end, 5 insert,
    // 6 delete, 8 backspace, 13 enter, 14 up, 15 down, 16 page up,
    // 17 page down, 18 tab, 19 escape). Buttons change state and run their
    // condition actions; clips run onRollOver, onRollOut, onPress,
    // onRelease, onReleaseOutside.
    void mouseMove(QPointF stage);
    void mouseDown();
    void mouseUp();
    void keyPress(int swfKey);
    // Keys held down, for the Key object of scripts: Windows virtual key
    // codes (1 is the left mouse button, 37..40 the arrows, 65.. letters),
    // with the character typed (0 for none).
    void keyDown(int code, int ascii);
    void keyUp(int code);
    bool isKeyDown(int code) const { return code >= 0 && code < 256 && keysDown_[size_t(code)]; }
    int lastKeyCode() const { return lastKey_; }
    int lastKeyAscii() const { return lastAscii_; }
    // The pointer is over a button or a clip that answers the mouse.
    bool overActiveTarget() const { return !hover_.empty(); }
    QPointF mousePosition() const { return mouse_; }

    // Raised by getURL / getURL2 with any other URL (a web address: the host
    // decides whether to open it).
    std::function<void(const QString& url, const QString& target)> onGetUrl;

    // Limits that keep hostile movies bounded.
    static constexpr int kMaxNesting = 24;
    static constexpr size_t kMaxObjects = 200'000;
    static constexpr int kMaxActionsPerTick = 4096;
    // Scripts of one tick (frame actions, handlers) stop after this many
    // instructions or this time, whichever comes first.
    static constexpr long kMaxScriptSteps = 2'000'000;
    static constexpr int kScriptTimeLimitMs = 500;
    static constexpr int kMaxCallDepth = 64;

    // Used by the action interpreter.
    void gotoInstance(TimelineInstance& t, int frame, bool play);
    TimelineInstance* findTarget(TimelineInstance& from, const QString& path);
    void fsCommand(const QString& url, const QString& target);
    TimelineInstance& rootInstance() { return *root_; }
    // The display object showing clip t in its parent's list, or nullptr.
    DisplayObject* displayObjectOf(TimelineInstance& t);
    // Queues the actions of frame (0-based) of t, as the Call action does.
    void queueFrameActions(TimelineInstance& t, int frame);
    // Scripts share one budget per tick; false once it is spent.
    bool scriptStep();
    int callDepth = 0;
    // Runs the handler of clip t by name (onPress...), when it has one.
    void callHandler(TimelineInstance& t, const QString& name);
    // The scripts' global object: _global and the built-in classes (Math,
    // Key, Sound...), made on first use.
    std::shared_ptr<ScriptObject> globals();
    // A value thrown by a script and not caught yet (throwing is set).
    bool throwing = false;
    Value thrown;
    // Nested blocks (with, try) of one script at most.
    static constexpr int kMaxBlockNesting = 64;
    int blockNesting = 0;
    // A fresh volume group for a Sound object made on a clip.
    int newSoundGroup() { return ++soundGroups_; }

private:
    void enterFrame(TimelineInstance& t, int frame, bool runActions);
    // continuous: the timeline plays on into frame (its loop back to the
    // first frame too), the stream sound goes on; any other jump starts it
    // afresh.
    void seek(TimelineInstance& t, int frame, bool continuous = false);
    void applyPlace(TimelineInstance& t, const PlaceCommand& p);
    std::shared_ptr<TimelineInstance> newSprite(uint16_t id, int nesting);
    void tick(TimelineInstance& t);
    void runQueue();
    void release(TimelineInstance& t);
    // A sprite leaves the display list: its stream sound ends, its children go.
    void discard(TimelineInstance& sprite);
    void startScripts();
    MouseTarget hitTest(QPointF stage);
    void refreshMouse();
    void setButtonState(const MouseTarget& target, uint8_t state, uint16_t condition);
    void clipEvent(const MouseTarget& target, const char* handler);

    std::shared_ptr<const Movie> movie_;
    std::shared_ptr<TimelineInstance> root_;
    bool loop_ = true;
    uint64_t tick_ = 0;
    uint64_t revision_ = 1;
    size_t objects_ = 0;
    struct Pending {
        std::weak_ptr<TimelineInstance> target;
        size_t offset, size;
    };
    std::vector<Pending> queue_;
    FsCommandHandler onFsCommand_;
    QPointF mouse_;
    bool mouseDown_ = false, mouseKnown_ = false;
    bool startPending_ = false;
    std::shared_ptr<SoundMixer> mixer_;
    // The sprites whose stream sound is heard, by stream key.
    std::map<uint32_t, std::weak_ptr<TimelineInstance>> soundingSprites_;
    uint32_t streamKeys_ = 0;
    uint64_t playedAtTick_ = 0;     // the output's frames read at the last clock tick
    double playedPerTick_ = 0;      // and how far it moves per tick, smoothed
    int stalledTicks_ = 0;          // ticks in a row the output read nothing
    static constexpr int kStalledTicks = 3;
    int soundGroups_ = 0;
    void startSound(const FrameCommand& c);
    void streamBlock(TimelineInstance& t, const FrameCommand& c);
    void restartStream(TimelineInstance& t);
    void silenceStoppedSprites();
    void buttonSound(const ButtonSound& sound);
    std::array<bool, 256> keysDown_{};
    int lastKey_ = 0, lastAscii_ = 0;
    std::shared_ptr<ScriptObject> globals_;
    MouseTarget hover_, pressed_;
    long scriptSteps_ = 0;
    QElapsedTimer scriptClock_;
    std::vector<std::pair<QString, QString>> waitingFsCommands_;
};

// Runs one block of AVM1 actions on timeline t (SwfAction.cpp).
void runActions(Player& player, TimelineInstance& t, const uint8_t* code, size_t size);
// Calls a function value with this and arguments (SwfAction.cpp).
Value callFunction(Player& player, const Value& function, const Value& self, const std::vector<Value>& args);
// Makes the global object with the built-in classes (SwfBuiltins.cpp).
std::shared_ptr<ScriptObject> makeGlobals();
// Calls onKeyDown or onKeyUp of the Key object's listeners (SwfBuiltins.cpp).
void notifyKeyListeners(Player& player, bool down);

}  // namespace vx::swf
