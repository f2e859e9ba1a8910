#include "swf/SwfPlayer.h"

#include "swf/SwfClipScript.h"

#include <algorithm>
#include <QRegularExpression>
#include <cmath>

namespace vx::swf {

QTransform stageTransform(const QRectF& stage, QSizeF viewport, ScaleMode mode, double zoom)
{
    if (!(zoom > 0)) zoom = 1;
    // The stage is a whole number of pixels: shown at its own size it is
    // drawn at 20 twips to the pixel from its top left corner.
    const double sw = std::max(20.0, std::round(stage.width() / 20) * 20),
                 sh = std::max(20.0, std::round(stage.height() / 20) * 20);
    const double vw = sw * zoom, vh = sh * zoom;  // stage part shown
    double sx = viewport.width() / vw, sy = viewport.height() / vh;
    switch (mode) {
    case ScaleMode::ShowAll: sx = sy = std::min(sx, sy); break;
    case ScaleMode::NoBorder: sx = sy = std::max(sx, sy); break;
    case ScaleMode::ExactFit: break;
    case ScaleMode::NoScale: sx = sy = 1.0 / (20.0 * zoom); break;
    }
    const QPointF c = stage.topLeft() + QPointF(sw / 2, sh / 2);
    QTransform t;
    t.translate(viewport.width() / 2, viewport.height() / 2);
    t.scale(sx, sy);
    t.translate(-c.x(), -c.y());
    return t;
}

Player::Player(std::shared_ptr<const Movie> movie, bool deferActions, std::shared_ptr<SoundMixer> mixer)
    : movie_(std::move(movie)), mixer_(std::move(mixer))
{
    root_ = std::make_shared<TimelineInstance>();
    root_->timeline = &movie_->root();
    movie_->resetDefinitions();
    enterFrame(*root_, 0, true);
    startPending_ = deferActions;
    if (!deferActions) runQueue();
}

Player::~Player() = default;

QColor Player::backgroundColor() const
{
    const QColor c = movie_->background();
    return c.isValid() ? c : QColor(Qt::white);
}

void Player::release(TimelineInstance& t)
{
    for (auto& [depth, obj] : t.list) {
        (void)depth;
        if (obj.sprite) discard(*obj.sprite);
    }
    objects_ -= std::min(objects_, t.list.size());
    t.list.clear();
}

void Player::discard(TimelineInstance& sprite)
{
    restartStream(sprite);
    release(sprite);
}

std::shared_ptr<TimelineInstance> Player::newSprite(uint16_t id, int nesting)
{
    if (nesting > kMaxNesting) return nullptr;  // sprites that contain themselves stop here
    const Timeline* tl = movie_->sprite(id);
    if (!tl) return nullptr;
    auto inst = std::make_shared<TimelineInstance>();
    inst->timeline = tl;
    inst->nesting = nesting;
    inst->bornTick = tick_;
    enterFrame(*inst, 0, true);
    return inst;
}

void Player::applyPlace(TimelineInstance& t, const PlaceCommand& p)
{
    auto it = t.list.find(p.depth);
    const bool exists = it != t.list.end();
    if (p.move && !exists) {
        if (!p.hasChar) return;  // nothing to modify
    }
    if (!p.move || !exists) {
        if (!p.hasChar) return;
        if (exists) {
            if (it->second.sprite) discard(*it->second.sprite);
            t.list.erase(it);
            --objects_;
        }
        if (objects_ >= kMaxObjects) return;
        DisplayObject obj;
        obj.charId = p.charId;
        it = t.list.emplace(p.depth, std::move(obj)).first;
        ++objects_;
        if (movie_->kind(p.charId) == CharKind::Sprite) it->second.sprite = newSprite(p.charId, t.nesting + 1);
        if (it->second.sprite) {
            it->second.sprite->parent = t.weak_from_this();
            it->second.sprite->depth = p.depth;
        }
    } else if (p.hasChar && it->second.charId != p.charId) {
        if (it->second.sprite) discard(*it->second.sprite);
        it->second.sprite.reset();
        it->second.charId = p.charId;
        if (movie_->kind(p.charId) == CharKind::Sprite) it->second.sprite = newSprite(p.charId, t.nesting + 1);
        if (it->second.sprite) {
            it->second.sprite->parent = t.weak_from_this();
            it->second.sprite->depth = p.depth;
        }
    }
    DisplayObject& o = it->second;
    if (p.hasMatrix) o.matrix = p.matrix;
    if (p.hasCx) o.cx = p.cx;
    if (p.hasRatio) o.ratio = p.ratio;
    if (p.hasName) o.name = p.name;
    if (p.hasClip) o.clipDepth = p.clipDepth;
    if (p.hasVisible) o.visible = p.visible;
    if (p.hasFilters) o.filters = p.filters;
    if (p.hasBlend) o.blend = p.blend;
    if (p.hasCache) o.cacheAsBitmap = p.cacheAsBitmap;
}

void Player::enterFrame(TimelineInstance& t, int frame, bool runActions)
{
    t.current = frame;
    ++revision_;
    if (!t.timeline || frame < 0 || size_t(frame) >= t.timeline->frames.size()) return;
    for (const FrameCommand& c : t.timeline->frames[size_t(frame)]) {
        switch (c.kind) {
        case FrameCommand::Place:
            if (c.place < t.timeline->places.size()) applyPlace(t, t.timeline->places[c.place]);
            break;
        case FrameCommand::Remove:
            if (auto it = t.list.find(c.depth); it != t.list.end()) {
                if (it->second.sprite) discard(*it->second.sprite);
                t.list.erase(it);
                --objects_;
            }
            break;
        case FrameCommand::Define:
            movie_->bindDefinition(c.depth, int(c.place));
            break;
        case FrameCommand::Free:
            movie_->freeDefinition(c.depth);
            break;
        case FrameCommand::StartSound:
        case FrameCommand::StartSound2:
            if (runActions && mixer_) startSound(c);
            break;
        case FrameCommand::StreamBlock:
            if (runActions && mixer_) streamBlock(t, c);
            break;
        case FrameCommand::Action:
            if (runActions && queue_.size() < size_t(kMaxActionsPerTick) * 4)
                queue_.push_back({t.weak_from_this(), c.offset, c.size});
            break;
        }
    }
}

void Player::seek(TimelineInstance& t, int frame, bool continuous)
{
    frame = std::clamp(frame, 0, t.frameCount() - 1);
    if (frame == t.current) return;
    if (frame != t.current + 1) {
        // A loop back starts a new run of stream blocks after the sound
        // queued; any other jump drops that sound first.
        if (continuous) t.streamDecoder.reset();
        else restartStream(t);
    }
    t.streamFed = false;
    if (frame < t.current) {
        // Going back rebuilds the display list from the first frame.
        release(t);
        t.current = -1;
        if (&t == root_.get()) movie_->resetDefinitions();
    }
    for (int f = t.current + 1; f <= frame; ++f) enterFrame(t, f, f == frame);
}

void Player::stop()
{
    root_->playing = false;
    if (mixer_) mixer_->stopAll();
    root_->streamDecoder.reset();
    for (auto& [key, sprite] : soundingSprites_)
        if (auto s = sprite.lock()) s->streamDecoder.reset();
}

void Player::gotoInstance(TimelineInstance& t, int frame, bool play)
{
    seek(t, frame);
    t.playing = play;
}

void Player::gotoFrame(int frame)
{
    const int before = root_->current;
    // The host's seek silences everything at once.
    if (mixer_ && std::clamp(frame, 0, totalFrames() - 1) != before) mixer_->stopAll();
    seek(*root_, frame);
    if (startPending_ && root_->current == before) return;  // going to the first frame keeps the start deferred
    runQueue();
}

void Player::tick(TimelineInstance& t)
{
    if (t.playing && t.frameCount() > 1) {
        int next = t.current + 1;
        if (next >= t.frameCount()) {
            if (&t == root_.get() && !loop_) {
                t.playing = false;
                next = t.current;
            } else {
                next = 0;
            }
        }
        if (next != t.current) seek(t, next, true);
    }
    // Children play on their own; those placed during this tick already show their first frame.
    std::vector<std::shared_ptr<TimelineInstance>> children;
    for (auto& [depth, obj] : t.list) {
        (void)depth;
        if (obj.sprite && obj.sprite->bornTick != tick_) children.push_back(obj.sprite);
    }
    for (auto& c : children) tick(*c);
}

void Player::advance()
{
    runQueue();  // what a deferred start left
    ++tick_;
    tick(*root_);
    runQueue();
    runEnterFrameHandlers(*this);
    if (!queue_.empty()) runQueue();
    if (mixer_ && root_->streamFed && !root_->playing) {
        // The stream sound belongs to the main timeline: it stops with it.
        mixer_->clearStream();
        root_->streamFed = false;
    }
    silenceStoppedSprites();
    refreshMouse();
}

void Player::runQueue()
{
    startPending_ = false;
    startScripts();
    int budget = kMaxActionsPerTick;
    for (size_t i = 0; i < queue_.size() && budget > 0; ++i, --budget) {
        Pending p = queue_[i];
        auto t = p.target.lock();
        if (!t) continue;
        if (p.offset + p.size <= movie_->dataSize()) runActions(*this, *t, movie_->data() + p.offset, p.size);
    }
    if (!queue_.empty()) ++revision_;
    queue_.clear();
}

TimelineInstance* Player::findTarget(TimelineInstance& from, const QString& path)
{
    return ClipScript(*this).resolvePath(from, path);
}

DisplayObject* Player::displayObjectOf(TimelineInstance& t)
{
    auto parent = t.parent.lock();
    if (!parent) return nullptr;
    auto it = parent->list.find(t.depth);
    return it != parent->list.end() && it->second.sprite.get() == &t ? &it->second : nullptr;
}

void Player::queueFrameActions(TimelineInstance& t, int frame)
{
    if (!t.timeline || frame < 0 || size_t(frame) >= t.timeline->frames.size()) return;
    for (const FrameCommand& c : t.timeline->frames[size_t(frame)])
        if (c.kind == FrameCommand::Action && queue_.size() < size_t(kMaxActionsPerTick) * 4)
            queue_.push_back({t.weak_from_this(), c.offset, c.size});
}

void Player::startScripts()
{
    scriptSteps_ = 0;
    scriptClock_.start();
}

bool Player::scriptStep()
{
    if (scriptSteps_ < 0) return false;
    if (++scriptSteps_ > kMaxScriptSteps || ((scriptSteps_ & 4095) == 0 && scriptClock_.elapsed() > kScriptTimeLimitMs)) {
        scriptSteps_ = -1;  // spent until the next tick
        return false;
    }
    return true;
}

void Player::callHandler(TimelineInstance& t, const QString& name)
{
    Value* handler = t.vars->find(name);
    if (!handler || handler->type != Value::Object || !handler->obj->function) return;
    const Value fn = *handler;
    auto hold = t.shared_from_this();
    callFunction(*this, fn, Value::clipRef(hold), {});
    ++revision_;
}

void Player::fsCommand(const QString& url, const QString& target)
{
    if (!url.startsWith(u"FSCommand:", Qt::CaseInsensitive)) {
        if (onGetUrl && !url.isEmpty()) onGetUrl(url, target);
        return;
    }
    if (onFsCommand_) onFsCommand_(url.mid(10), target);
    else if (waitingFsCommands_.size() < 64) waitingFsCommands_.emplace_back(url.mid(10), target);
}

void Player::setFsCommandHandler(FsCommandHandler handler)
{
    onFsCommand_ = std::move(handler);
    if (!onFsCommand_) return;
    auto waiting = std::move(waitingFsCommands_);
    waitingFsCommands_.clear();
    for (const auto& [command, args] : waiting) onFsCommand_(command, args);
}

QImage Player::renderImage(QSize size, Quality quality, ScaleMode mode, double zoom, QColor background) const
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull()) return img;
    img.fill(background.isValid() ? background : backgroundColor());
    QPainter p(&img);
    render(p, stageTransform(movie_->stage(), QSizeF(size), mode, zoom), quality);
    return img;
}

}  // namespace vx::swf
