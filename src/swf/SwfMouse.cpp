// The mouse and the keyboard in a movie: which button or clip the pointer
// is over (the hit-test states of buttons, the drawn shapes of clips with
// mouse handlers), the button states up, over and down with their condition
// actions, the clip events, and key-press conditions.
#include "swf/SwfPlayer.h"

namespace vx::swf {

namespace {

constexpr const char* kMouseHandlers[] = {"onPress", "onRelease", "onRollOver", "onRollOut", "onReleaseOutside"};

bool answersMouse(const TimelineInstance& t)
{
    for (const char* h : kMouseHandlers) {
        const Value* v = t.vars->find(QString::fromLatin1(h));
        if (v && v->type == Value::Object && v->obj->function) return true;
    }
    return false;
}

// Characters looked at per hit test at most: buttons whose records hold
// buttons (themselves, too) would otherwise multiply without end.
constexpr long kMaxHitVisits = 20'000;

bool characterHit(const Movie& m, uint16_t id, const DisplayObject* obj, QPointF local, int nesting, long& budget);

bool listHit(const Movie& m, const TimelineInstance& t, QPointF p, int nesting, long& budget)
{
    for (const auto& [depth, obj] : t.list) {
        (void)depth;
        if (!obj.visible || obj.clipDepth > 0) continue;
        bool ok = false;
        const QTransform inv = obj.matrix.inverted(&ok);
        if (ok && characterHit(m, obj.charId, &obj, inv.map(p), nesting + 1, budget)) return true;
    }
    return false;
}

bool shapeHit(const CompiledShape* s, QPointF p)
{
    if (!s || !s->bounds.contains(p)) return false;
    for (const CompiledLayer& layer : s->layers) {
        for (const auto& f : layer.fills)
            if (f.path.contains(p)) return true;
        if (!layer.strokes.empty()) return true;  // within the bounds of an outlined shape
    }
    return false;
}

bool characterHit(const Movie& m, uint16_t id, const DisplayObject* obj, QPointF p, int nesting, long& budget)
{
    if (nesting > Player::kMaxNesting || --budget < 0) return false;
    switch (m.kind(id)) {
    case CharKind::Shape: return shapeHit(m.shape(id), p);
    case CharKind::Morph: return shapeHit(m.morph(id, obj ? obj->ratio : 0), p);
    case CharKind::Sprite: return obj && obj->sprite && listHit(m, *obj->sprite, p, nesting, budget);
    case CharKind::Button:
        if (const ButtonData* b = m.buttonData(id)) {
            for (const ButtonRecord& r : b->records) {
                if (!(r.states & 8)) continue;
                bool ok = false;
                const QTransform inv = r.matrix.inverted(&ok);
                if (ok && characterHit(m, r.charId, nullptr, inv.map(p), nesting + 1, budget)) return true;
            }
        }
        return false;
    default: return m.bounds(id).contains(p);
    }
}

}  // namespace

namespace {

MouseTarget topTarget(const Movie& m, TimelineInstance& t, const QTransform& world, QPointF stage, int nesting, long& budget)
{
    if (nesting > Player::kMaxNesting || budget < 0) return {};
    for (auto it = t.list.rbegin(); it != t.list.rend(); ++it) {
        const DisplayObject& obj = it->second;
        if (!obj.visible || obj.clipDepth > 0) continue;
        const QTransform w = obj.matrix * world;
        bool ok = false;
        const QPointF local = w.inverted(&ok).map(stage);
        if (!ok) continue;
        const CharKind kind = m.kind(obj.charId);
        if (kind == CharKind::Button) {
            if (characterHit(m, obj.charId, &obj, local, nesting, budget)) return {t.weak_from_this(), it->first, false};
        } else if (obj.sprite) {
            if (answersMouse(*obj.sprite)) {
                if (listHit(m, *obj.sprite, local, nesting, budget)) return {t.weak_from_this(), it->first, true};
            } else if (MouseTarget inner = topTarget(m, *obj.sprite, w, stage, nesting + 1, budget); !inner.empty()) {
                return inner;
            }
        }
    }
    return {};
}

}  // namespace

MouseTarget Player::hitTest(QPointF stage)
{
    long budget = kMaxHitVisits;
    return topTarget(*movie_, *root_, QTransform(), stage, 0, budget);
}

void Player::setButtonState(const MouseTarget& target, uint8_t state, uint16_t condition)
{
    auto owner = target.owner.lock();
    if (!owner) return;
    auto it = owner->list.find(target.depth);
    if (it == owner->list.end() || target.isClip) return;
    DisplayObject& obj = it->second;
    const ButtonData* b = movie_->buttonData(obj.charId);
    if (!b) return;
    if (obj.buttonState != state) {
        obj.buttonState = state;
        ++revision_;
    }
    for (const ButtonAction& a : b->actions)
        if ((a.conditions & condition) && queue_.size() < size_t(kMaxActionsPerTick) * 4)
            queue_.push_back({owner, a.offset, a.size});
    // Sounds of over-to-up, up-to-over, over-to-down, down-to-over.
    const int sound = condition == OverUpToIdle ? 0 : condition == IdleToOverUp ? 1
                    : condition == OverUpToOverDown ? 2 : condition == OverDownToOverUp ? 3 : -1;
    if (sound >= 0) buttonSound(b->sounds[size_t(sound)]);
}

void Player::clipEvent(const MouseTarget& target, const char* handler)
{
    auto owner = target.owner.lock();
    if (!owner || !target.isClip) return;
    auto it = owner->list.find(target.depth);
    if (it == owner->list.end() || !it->second.sprite) return;
    callHandler(*it->second.sprite, QString::fromLatin1(handler));
}

void Player::mouseMove(QPointF stage)
{
    mouse_ = stage;
    mouseKnown_ = true;
    startScripts();
    const MouseTarget now = hitTest(stage);
    if (!mouseDown_ || pressed_.empty()) {
        if (!(now == hover_)) {
            const MouseTarget old = hover_;
            hover_ = now;
            if (!old.empty()) {
                setButtonState(old, 1, OverUpToIdle);
                clipEvent(old, "onRollOut");
            }
            if (!now.empty() && !mouseDown_) {
                setButtonState(now, 2, IdleToOverUp);
                clipEvent(now, "onRollOver");
            }
        }
    } else {
        const bool inside = now == pressed_, wasInside = hover_ == pressed_;
        if (inside != wasInside) {
            if (inside) {
                setButtonState(pressed_, 4, OutDownToOverDown);
                clipEvent(pressed_, "onDragOver");
            } else {
                setButtonState(pressed_, 2, OverDownToOutDown);
                clipEvent(pressed_, "onDragOut");
            }
        }
        hover_ = inside ? pressed_ : MouseTarget{};
    }
    runQueue();
}

void Player::mouseDown()
{
    mouseDown_ = true;
    keysDown_[1] = true;
    startScripts();
    if (!hover_.empty()) {
        pressed_ = hover_;
        setButtonState(pressed_, 4, OverUpToOverDown);
        clipEvent(pressed_, "onPress");
    }
    runQueue();
}

void Player::mouseUp()
{
    mouseDown_ = false;
    keysDown_[1] = false;
    startScripts();
    const MouseTarget was = pressed_;
    pressed_ = {};
    if (!was.empty()) {
        if (hover_ == was) {
            setButtonState(was, 2, OverDownToOverUp);
            clipEvent(was, "onRelease");
        } else {
            setButtonState(was, 1, OutDownToIdle);
            clipEvent(was, "onReleaseOutside");
        }
    }
    runQueue();
    if (mouseKnown_) mouseMove(mouse_);
}

void Player::refreshMouse()
{
    if (!mouseKnown_) return;
    // The frame may have moved, added or removed what the pointer is over.
    if (!mouseDown_) mouseMove(mouse_);
}

void Player::keyDown(int code, int ascii)
{
    if (code < 0 || code >= 256) return;
    keysDown_[size_t(code)] = true;
    lastKey_ = code;
    lastAscii_ = ascii;
    startScripts();
    notifyKeyListeners(*this, true);
    runQueue();
}

void Player::keyUp(int code)
{
    if (code < 0 || code >= 256) return;
    keysDown_[size_t(code)] = false;
    startScripts();
    notifyKeyListeners(*this, false);
    runQueue();
}

void Player::keyPress(int swfKey)
{
    if (swfKey <= 0 || swfKey > 127) return;
    startScripts();
    std::vector<std::pair<std::weak_ptr<TimelineInstance>, const ButtonAction*>> hits;
    auto visit = [&](auto& self, TimelineInstance& t, int nesting) -> void {
        if (nesting > kMaxNesting) return;
        for (auto& [depth, obj] : t.list) {
            (void)depth;
            if (obj.sprite) self(self, *obj.sprite, nesting + 1);
            else if (const ButtonData* b = movie_->kind(obj.charId) == CharKind::Button ? movie_->buttonData(obj.charId) : nullptr)
                for (const ButtonAction& a : b->actions)
                    if (a.key == swfKey) hits.emplace_back(t.weak_from_this(), &a);
        }
    };
    visit(visit, *root_, 0);
    for (const auto& [owner, a] : hits)
        if (queue_.size() < size_t(kMaxActionsPerTick) * 4) queue_.push_back({owner, a->offset, a->size});
    runQueue();
}

}  // namespace vx::swf
