// Playing a movie: the display list of every timeline (main and sprites),
// frame advance with looping, seeking, the AVM1 subset of frame actions and
// the FSCommand event, and drawing the current frame.
#pragma once

#include "swf/SwfMovie.h"

#include <QPainter>
#include <QTransform>
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
    std::shared_ptr<TimelineInstance> sprite;  // for sprite characters
};

struct TimelineInstance : std::enable_shared_from_this<TimelineInstance> {
    const Timeline* timeline = nullptr;
    int current = -1;  // frame index shown, -1 before the first
    bool playing = true;
    int nesting = 0;
    uint64_t bornTick = 0;
    std::map<int, DisplayObject> list;  // by depth
    int frameCount() const { return timeline ? timeline->frameCount : 1; }
};

class Player {
public:
    explicit Player(std::shared_ptr<const Movie> movie);
    ~Player();

    const Movie& movie() const { return *movie_; }
    int totalFrames() const { return root_->frameCount(); }
    int currentFrame() const { return std::max(0, root_->current); }
    bool isPlaying() const { return root_->playing; }
    void play() { root_->playing = true; }
    void stop() { root_->playing = false; }
    void setLoop(bool on) { loop_ = on; }
    bool loop() const { return loop_; }
    // Shows frame (0-based, clamped into the movie), running its actions.
    void gotoFrame(int frame);
    // One tick of the frame clock: the main timeline moves on when playing,
    // every sprite plays its own timeline, then queued actions run.
    void advance();
    // The colour of SetBackgroundColor, white when the movie sets none.
    QColor backgroundColor() const;
    // Changes every time the picture of the frame may change.
    uint64_t revision() const { return revision_; }

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

    // Limits that keep hostile movies bounded.
    static constexpr int kMaxNesting = 24;
    static constexpr size_t kMaxObjects = 200'000;
    static constexpr int kMaxActionsPerTick = 4096;

    // Used by the action interpreter.
    void gotoInstance(TimelineInstance& t, int frame, bool play);
    TimelineInstance* findTarget(TimelineInstance& from, const QString& path);
    void fsCommand(const QString& url, const QString& target);

private:
    void enterFrame(TimelineInstance& t, int frame, bool runActions);
    void seek(TimelineInstance& t, int frame);
    void applyPlace(TimelineInstance& t, const PlaceCommand& p);
    std::shared_ptr<TimelineInstance> newSprite(uint16_t id, int nesting);
    void tick(TimelineInstance& t);
    void runQueue();
    void release(TimelineInstance& t);

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
    std::vector<std::pair<QString, QString>> waitingFsCommands_;
};

// Runs one block of AVM1 actions on timeline t (SwfAction.cpp).
void runActions(Player& player, TimelineInstance& t, const uint8_t* code, size_t size);

}  // namespace vx::swf
