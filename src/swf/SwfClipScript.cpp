#include "swf/SwfClipScript.h"

#include <QRegularExpression>
#include <cmath>
#include <numbers>

namespace vx::swf {

namespace {

const char* const kPropertyNames[] = {"_x",        "_y",        "_xscale",  "_yscale",       "_currentframe", "_totalframes",
                                      "_alpha",    "_visible",  "_width",   "_height",       "_rotation",     "_target",
                                      "_framesloaded", "_name", "_droptarget", "_url",        "_highquality",  "_focusrect",
                                      "_soundbuftime", "_quality", "_xmouse", "_ymouse"};
constexpr int kPropertyCount = int(sizeof kPropertyNames / sizeof kPropertyNames[0]);

int propertyIndex(const QString& name)
{
    if (!name.startsWith(u'_')) return -1;
    for (int i = 0; i < kPropertyCount; ++i)
        if (name.compare(QLatin1String(kPropertyNames[i]), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString formatNumber(double d)
{
    if (std::isnan(d)) return QStringLiteral("NaN");
    if (std::isinf(d)) return d > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (d == std::trunc(d) && std::abs(d) < 1e15) return QString::number(qint64(d));
    return QString::number(d, 'g', 15);
}

}  // namespace

double toNumber(const Value& v, int version)
{
    switch (v.type) {
    case Value::Undefined: case Value::Null: return version >= 7 ? std::nan("") : 0;
    case Value::Bool: case Value::Number: return v.n;
    case Value::String: {
        const QString t = v.s.trimmed();
        if (t.isEmpty()) return version >= 5 ? std::nan("") : 0;
        bool ok = false;
        double d = t.toDouble(&ok);
        if (!ok && t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) d = double(t.mid(2).toLongLong(&ok, 16));
        return ok ? d : (version >= 5 ? std::nan("") : 0);
    }
    default: return std::nan("");
    }
}

bool toBool(const Value& v, int version)
{
    switch (v.type) {
    case Value::Bool: case Value::Number: return v.n != 0 && !std::isnan(v.n);
    case Value::String: {
        if (version >= 7) return !v.s.isEmpty();
        const double d = toNumber(v, version);
        return d != 0 && !std::isnan(d);
    }
    case Value::Object: return true;
    case Value::Clip: return !v.clip.expired();
    default: return false;
    }
}

QString toText(const Value& v, int version, const ClipScript& clips)
{
    switch (v.type) {
    case Value::Undefined: return version >= 7 ? QStringLiteral("undefined") : QString();
    case Value::Null: return QStringLiteral("null");
    case Value::Bool: return version >= 5 ? (v.n != 0 ? QStringLiteral("true") : QStringLiteral("false")) : formatNumber(v.n);
    case Value::Number: return formatNumber(v.n);
    case Value::String: return v.s;
    case Value::Object: return v.obj->function ? QStringLiteral("[type Function]") : QStringLiteral("[object Object]");
    case Value::Clip:
        if (auto c = v.clip.lock()) return clips.targetPath(*c);
        return {};
    }
    return {};
}

void runEnterFrameHandlers(Player& player)
{
    std::vector<std::shared_ptr<TimelineInstance>> clips;
    auto visit = [&](auto& self, TimelineInstance& t, int nesting) -> void {
        if (nesting > Player::kMaxNesting) return;
        const Value* h = t.vars->find(QStringLiteral("onEnterFrame"));
        if (h && h->type == Value::Object && h->obj->function) clips.push_back(t.shared_from_this());
        for (auto& [depth, obj] : t.list) {
            (void)depth;
            if (obj.sprite) self(self, *obj.sprite, nesting + 1);
        }
    };
    visit(visit, player.rootInstance(), 0);
    for (const auto& clip : clips) {
        player.callHandler(*clip, QStringLiteral("onEnterFrame"));
        player.throwing = false;
    }
}

TimelineInstance* ClipScript::resolvePath(TimelineInstance& from, const QString& path) const
{
    if (path.isEmpty()) return &from;
    TimelineInstance* cur = &from;
    QString p = path;
    if (p.startsWith(u'/')) cur = &player_.rootInstance();
    const QStringList parts = p.split(QRegularExpression(QStringLiteral("[/.:]")), Qt::SkipEmptyParts);
    bool first = true;
    for (const QString& name : parts) {
        const QString lower = name.toLower();
        if (first && (lower == u"_root" || lower == u"_level0")) {
            cur = &player_.rootInstance();
        } else if (lower == u"_parent" || lower == u"..") {
            auto parent = cur->parent.lock();
            if (!parent) return nullptr;
            cur = parent.get();
        } else if (lower != u"this") {
            TimelineInstance* next = nullptr;
            for (auto& [depth, obj] : cur->list) {
                (void)depth;
                if (obj.sprite && obj.name.compare(name, Qt::CaseInsensitive) == 0) {
                    next = obj.sprite.get();
                    break;
                }
            }
            if (!next) return nullptr;
            cur = next;
        }
        first = false;
    }
    return cur;
}

QString ClipScript::targetPath(const TimelineInstance& t) const
{
    QStringList names;
    const TimelineInstance* cur = &t;
    for (int guard = 0; guard < 64; ++guard) {
        auto parent = cur->parent.lock();
        if (!parent) break;
        auto it = parent->list.find(cur->depth);
        names.prepend(it != parent->list.end() ? it->second.name : QString());
        cur = parent.get();
    }
    names.prepend(QStringLiteral("_level0"));
    return names.join(u'.');
}

bool ClipScript::has(TimelineInstance& t, const QString& name) const
{
    return propertyIndex(name) >= 0 || t.vars->find(name) || resolvePath(t, name) != nullptr;
}

Value ClipScript::get(TimelineInstance& t, const QString& name) const
{
    if (const int index = propertyIndex(name); index >= 0) return getProperty(t, index);
    if (Value* v = t.vars->find(name)) return *v;
    const QString lower = name.toLower();
    if (lower == u"_root" || lower == u"_level0") return Value::clipRef(player_.rootInstance().shared_from_this());
    if (lower == u"_parent") {
        if (auto p = t.parent.lock()) return Value::clipRef(p);
        return {};
    }
    for (auto& [depth, obj] : t.list) {
        (void)depth;
        if (obj.sprite && !obj.name.isEmpty() && obj.name.compare(name, Qt::CaseInsensitive) == 0)
            return Value::clipRef(obj.sprite);
    }
    return {};
}

void ClipScript::set(TimelineInstance& t, const QString& name, Value v)
{
    if (const int index = propertyIndex(name); index >= 0) setProperty(t, index, v);
    else t.vars->set(name, std::move(v));
}

namespace {

QTransform worldOf(Player& player, TimelineInstance& t)
{
    QTransform m;
    TimelineInstance* cur = &t;
    for (int guard = 0; guard < 64; ++guard) {
        DisplayObject* o = player.displayObjectOf(*cur);
        if (!o) break;
        m = m * o->matrix;
        auto parent = cur->parent.lock();
        if (!parent) break;
        cur = parent.get();
    }
    return m;
}

QRectF contentBounds(const Movie& movie, const TimelineInstance& t, int nesting)
{
    QRectF r;
    if (nesting > Player::kMaxNesting) return r;
    for (const auto& [depth, obj] : t.list) {
        (void)depth;
        const QRectF b = obj.sprite ? contentBounds(movie, *obj.sprite, nesting + 1) : movie.bounds(obj.charId);
        if (!b.isEmpty()) r = r.united(obj.matrix.mapRect(b));
    }
    return r;
}

}  // namespace

Value ClipScript::getProperty(TimelineInstance& t, int index) const
{
    const int version = player_.movie().version();
    DisplayObject* o = player_.displayObjectOf(t);
    const QTransform m = o ? o->matrix : QTransform();
    const double xs = std::hypot(m.m11(), m.m12()), ys = std::hypot(m.m21(), m.m22());
    switch (index) {
    case 0: return Value::number(m.dx() / 20);
    case 1: return Value::number(m.dy() / 20);
    case 2: return Value::number(xs * 100);
    case 3: return Value::number(ys * 100);
    case 4: return Value::number(std::max(0, t.current) + 1);
    case 5: case 12: return Value::number(t.frameCount());
    case 6: return Value::number(o ? double(o->cx.am) * 100 : 100);
    case 7: return version >= 5 ? Value::boolean(!o || o->visible) : Value::number(!o || o->visible ? 1 : 0);
    case 8: case 9: {
        const QRectF b = m.mapRect(contentBounds(player_.movie(), t, 0));
        return Value::number((index == 8 ? b.width() : b.height()) / 20);
    }
    case 10: return Value::number(std::atan2(m.m12(), m.m11()) * 180 / std::numbers::pi);
    case 11: {
        QString path = targetPath(t).mid(7);  // slash syntax: "/a/b"
        path.replace(u'.', u'/');
        return Value::string(path.isEmpty() ? QStringLiteral("/") : path);
    }
    case 13: return Value::string(o ? o->name : QString());
    case 16: return Value::number(1);
    case 19: return Value::string(QStringLiteral("HIGH"));
    case 20: case 21: {
        bool ok = false;
        const QPointF p = worldOf(player_, t).inverted(&ok).map(player_.mousePosition());
        return Value::number(std::round((index == 20 ? p.x() : p.y()) / 20));
    }
    default: return {};
    }
}

void ClipScript::setProperty(TimelineInstance& t, int index, const Value& v)
{
    const int version = player_.movie().version();
    DisplayObject* o = player_.displayObjectOf(t);
    if (!o) return;
    const double d = toNumber(v, version);
    QTransform& m = o->matrix;
    const double xs = std::hypot(m.m11(), m.m12()), ys = std::hypot(m.m21(), m.m22());
    const double rot = std::atan2(m.m12(), m.m11());
    auto compose = [&](double sx, double sy, double r) {
        m = QTransform(sx * std::cos(r), sx * std::sin(r), -sy * std::sin(r), sy * std::cos(r), m.dx(), m.dy());
    };
    const bool finite = std::isfinite(d) && std::abs(d) < 1e7;
    switch (index) {
    case 0: if (finite) m = QTransform(m.m11(), m.m12(), m.m21(), m.m22(), d * 20, m.dy()); break;
    case 1: if (finite) m = QTransform(m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), d * 20); break;
    case 2: if (finite) compose(d / 100, ys, rot); break;
    case 3: if (finite) compose(xs, d / 100, rot); break;
    case 6: if (finite) o->cx.am = float(d / 100); break;
    case 7: o->visible = toBool(v, version); break;
    case 10: if (finite) compose(xs, ys, d * std::numbers::pi / 180); break;
    case 13: o->name = toText(v, version, *this); break;
    default: break;
    }
    player_.touch();
}

bool ClipScript::callMethod(TimelineInstance& t, const QString& name, const std::vector<Value>& args, Value& out)
{
    const int version = player_.movie().version();
    const QString n = name.toLower();
    auto gotoArg = [&](bool play) {
        if (args.empty() || !t.timeline) return;
        const Value& a = args[0];
        if (a.type == Value::String) {
            bool isNum = false;
            const int f = a.s.toInt(&isNum);
            if (isNum) player_.gotoInstance(t, f - 1, play);
            else if (int fr = t.timeline->labelFrame(a.s); fr >= 0) player_.gotoInstance(t, fr, play);
        } else if (const double d = toNumber(a, version); std::isfinite(d)) {
            player_.gotoInstance(t, int(std::clamp(d, -1e9, 1e9)) - 1, play);
        }
    };
    if (n == u"play") t.playing = true;
    else if (n == u"stop") t.playing = false;
    else if (n == u"gotoandplay") gotoArg(true);
    else if (n == u"gotoandstop") gotoArg(false);
    else if (n == u"nextframe") player_.gotoInstance(t, t.current + 1, false);
    else if (n == u"prevframe") player_.gotoInstance(t, t.current - 1, false);
    else if (n == u"getbytesloaded" || n == u"getbytestotal") out = Value::number(double(player_.movie().dataSize()));
    else if (n == u"getdepth") out = Value::number(t.depth - 16384);
    else return false;
    return true;
}

}  // namespace vx::swf
