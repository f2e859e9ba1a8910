// The built-in objects of our AVM1 that button and intro movies use most:
// Math, Key (keys held, the last key pressed, listeners), Sound (a sound
// exported by name started, stopped and its volume set), the conversion
// functions and the Array and Object constructors.
#include "swf/SwfClipScript.h"

#include <QRandomGenerator>
#include <cmath>
#include <numbers>

namespace vx::swf {

namespace {

using Native = std::function<Value(Player&, const Value&, const std::vector<Value>&)>;

Value nativeFunction(Native native)
{
    auto o = std::make_shared<ScriptObject>();
    o->function = std::make_shared<ScriptFunction>();
    o->function->native = std::move(native);
    return Value::object(o);
}

double numberArg(Player& p, const std::vector<Value>& args, size_t i)
{
    return i < args.size() ? toNumber(args[i], p.movie().version()) : std::nan("");
}

Value makeMath()
{
    auto math = std::make_shared<ScriptObject>();
    const struct {
        const char* name;
        double (*f)(double);
    } unary[] = {
        {"abs", [](double x) { return std::fabs(x); }},   {"acos", [](double x) { return std::acos(x); }},
        {"asin", [](double x) { return std::asin(x); }},  {"atan", [](double x) { return std::atan(x); }},
        {"ceil", [](double x) { return std::ceil(x); }},  {"cos", [](double x) { return std::cos(x); }},
        {"exp", [](double x) { return std::exp(x); }},    {"floor", [](double x) { return std::floor(x); }},
        {"log", [](double x) { return std::log(x); }},    {"round", [](double x) { return std::floor(x + 0.5); }},
        {"sin", [](double x) { return std::sin(x); }},    {"sqrt", [](double x) { return std::sqrt(x); }},
        {"tan", [](double x) { return std::tan(x); }},
    };
    for (const auto& u : unary) {
        const auto f = u.f;
        math->set(QString::fromLatin1(u.name), nativeFunction([f](Player& p, const Value&, const std::vector<Value>& a) {
                      return Value::number(f(numberArg(p, a, 0)));
                  }));
    }
    math->set(QStringLiteral("atan2"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
                  return Value::number(std::atan2(numberArg(p, a, 0), numberArg(p, a, 1)));
              }));
    math->set(QStringLiteral("pow"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
                  return Value::number(std::pow(numberArg(p, a, 0), numberArg(p, a, 1)));
              }));
    auto extreme = [](bool max) {
        return nativeFunction([max](Player& p, const Value&, const std::vector<Value>& a) {
            double r = max ? -INFINITY : INFINITY;
            for (size_t i = 0; i < a.size(); ++i) {
                const double x = numberArg(p, a, i);
                if (std::isnan(x)) return Value::number(x);
                r = max ? std::max(r, x) : std::min(r, x);
            }
            return Value::number(r);
        });
    };
    math->set(QStringLiteral("max"), extreme(true));
    math->set(QStringLiteral("min"), extreme(false));
    math->set(QStringLiteral("random"), nativeFunction([](Player&, const Value&, const std::vector<Value>&) {
                  return Value::number(QRandomGenerator::global()->generateDouble());
              }));
    const struct {
        const char* name;
        double value;
    } constants[] = {{"E", std::numbers::e},          {"LN10", std::numbers::ln10},    {"LN2", std::numbers::ln2},
                     {"LOG10E", std::numbers::log10e}, {"LOG2E", std::numbers::log2e}, {"PI", std::numbers::pi},
                     {"SQRT1_2", std::numbers::sqrt2 / 2}, {"SQRT2", std::numbers::sqrt2}};
    for (const auto& c : constants) math->set(QString::fromLatin1(c.name), Value::number(c.value));
    return Value::object(math);
}

Value makeKey()
{
    auto key = std::make_shared<ScriptObject>();
    const struct {
        const char* name;
        int code;
    } codes[] = {{"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46}, {"DOWN", 40},  {"END", 35},
                 {"ENTER", 13},    {"ESCAPE", 27},   {"HOME", 36},    {"INSERT", 45},    {"LEFT", 37},  {"PGDN", 34},
                 {"PGUP", 33},     {"RIGHT", 39},    {"SHIFT", 16},   {"SPACE", 32},     {"TAB", 9},    {"UP", 38}};
    for (const auto& c : codes) key->set(QString::fromLatin1(c.name), Value::number(c.code));
    key->set(QStringLiteral("isDown"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
                 const double code = numberArg(p, a, 0);
                 const bool down = std::isfinite(code) && p.isKeyDown(int(std::clamp(code, -1.0, 256.0)));
                 return Value::boolean(down);
             }));
    key->set(QStringLiteral("isToggled"),
             nativeFunction([](Player&, const Value&, const std::vector<Value>&) { return Value::boolean(false); }));
    key->set(QStringLiteral("getCode"), nativeFunction([](Player& p, const Value&, const std::vector<Value>&) {
                 return Value::number(p.lastKeyCode());
             }));
    key->set(QStringLiteral("getAscii"), nativeFunction([](Player& p, const Value&, const std::vector<Value>&) {
                 return Value::number(p.lastKeyAscii());
             }));
    // Listeners: objects whose onKeyDown / onKeyUp run on every key.
    auto listeners = std::make_shared<ScriptObject>();
    key->set(QStringLiteral("_listeners"), Value::object(listeners));
    std::weak_ptr<ScriptObject> weak = listeners;
    key->set(QStringLiteral("addListener"), nativeFunction([weak](Player&, const Value&, const std::vector<Value>& a) {
                 auto l = weak.lock();
                 if (!l || a.empty() || (a[0].type != Value::Object && a[0].type != Value::Clip)) return Value::boolean(false);
                 if (l->members.size() < 256) l->set(QString::number(l->members.size()), a[0]);
                 return Value::boolean(true);
             }));
    key->set(QStringLiteral("removeListener"), nativeFunction([weak](Player&, const Value&, const std::vector<Value>& a) {
                 auto l = weak.lock();
                 if (!l || a.empty() || a[0].type != Value::Object) return Value::boolean(false);
                 return Value::boolean(std::erase_if(l->members, [&](const auto& m) {
                                           return m.second.type == Value::Object && m.second.obj == a[0].obj;
                                       }) > 0);
             }));
    return Value::object(key);
}

// Sound objects keep the exported sound they play and their volume group
// in members of their own.
const QString kSoundId = QStringLiteral("$soundid");
const QString kSoundGroup = QStringLiteral("$soundgroup");

int memberInt(const Value& self, const QString& name)
{
    if (self.type != Value::Object) return 0;
    const Value* v = self.obj->find(name);
    return v && v->type == Value::Number ? int(v->n) : 0;
}

Value makeSound()
{
    // new Sound(clip): sounds of that clip (their own volume); new Sound(): the whole movie's.
    Value ctor = nativeFunction([](Player& p, const Value& self, const std::vector<Value>& a) {
        if (self.type == Value::Object && !a.empty() && a[0].type == Value::Clip)
            self.obj->set(kSoundGroup, Value::number(p.newSoundGroup()));
        return Value();
    });
    auto proto = std::make_shared<ScriptObject>();
    auto method = [&](const char* name, Native n) { proto->set(QString::fromLatin1(name), nativeFunction(std::move(n))); };
    method("attachSound", [](Player& p, const Value& self, const std::vector<Value>& a) {
        if (self.type != Value::Object || a.empty()) return Value();
        const uint16_t id = p.movie().exportedId(toText(a[0], p.movie().version(), ClipScript(p)));
        if (id && p.movie().kind(id) == CharKind::Sound) self.obj->set(kSoundId, Value::number(id));
        return Value();
    });
    method("start", [](Player& p, const Value& self, const std::vector<Value>& a) {
        const int id = memberInt(self, kSoundId);
        if (!id) return Value();
        SoundInfo info;
        const double offset = numberArg(p, a, 0), loops = numberArg(p, a, 1);
        if (std::isfinite(offset) && offset > 0) info.inPoint = uint32_t(std::min(offset * kMixRate, 4e9));
        if (std::isfinite(loops)) info.loops = int(std::clamp(loops, 1.0, 65535.0));
        p.playSound(uint16_t(id), info, memberInt(self, kSoundGroup));
        return Value();
    });
    method("stop", [](Player& p, const Value& self, const std::vector<Value>& a) {
        if (!p.soundMixer()) return Value();
        if (!a.empty()) {
            if (const uint16_t id = p.movie().exportedId(toText(a[0], p.movie().version(), ClipScript(p)))) p.soundMixer()->stop(id);
        } else {
            p.soundMixer()->stopGroup(memberInt(self, kSoundGroup));
        }
        return Value();
    });
    method("setVolume", [](Player& p, const Value& self, const std::vector<Value>& a) {
        const double v = numberArg(p, a, 0);
        if (p.soundMixer() && std::isfinite(v)) p.soundMixer()->setVolume(memberInt(self, kSoundGroup), int(std::clamp(v, 0.0, 1000.0)));
        return Value();
    });
    method("getVolume", [](Player& p, const Value& self, const std::vector<Value>&) {
        return Value::number(p.soundMixer() ? p.soundMixer()->volume(memberInt(self, kSoundGroup)) : 100);
    });
    ctor.obj->set(QStringLiteral("prototype"), Value::object(proto));
    return ctor;
}

Value makeArray(const std::vector<Value>& items)
{
    auto o = std::make_shared<ScriptObject>();
    for (size_t i = 0; i < items.size(); ++i) o->set(QString::number(i), items[i]);
    o->set(QStringLiteral("length"), Value::number(double(items.size())));
    return Value::object(o);
}

}  // namespace

std::shared_ptr<ScriptObject> makeGlobals()
{
    auto g = std::make_shared<ScriptObject>();
    g->set(QStringLiteral("Math"), makeMath());
    g->set(QStringLiteral("Key"), makeKey());
    g->set(QStringLiteral("Sound"), makeSound());
    g->set(QStringLiteral("Object"), nativeFunction([](Player&, const Value&, const std::vector<Value>&) { return Value(); }));
    g->set(QStringLiteral("Array"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
               // new Array(n) has n empty places; any other arguments are the items.
               if (a.size() == 1 && a[0].type == Value::Number) {
                   Value arr = makeArray({});
                   const double n = numberArg(p, a, 0);
                   arr.obj->set(QStringLiteral("length"), Value::number(std::isfinite(n) ? std::clamp(n, 0.0, 4294967295.0) : 0));
                   return arr;
               }
               return makeArray(a);
           }));
    g->set(QStringLiteral("Number"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
               return Value::number(a.empty() ? 0 : numberArg(p, a, 0));
           }));
    g->set(QStringLiteral("String"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
               return Value::string(a.empty() ? QString() : toText(a[0], p.movie().version(), ClipScript(p)));
           }));
    g->set(QStringLiteral("Boolean"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
               return Value::boolean(!a.empty() && toBool(a[0], p.movie().version()));
           }));
    g->set(QStringLiteral("isNaN"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
               return Value::boolean(std::isnan(numberArg(p, a, 0)));
           }));
    g->set(QStringLiteral("isFinite"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
               return Value::boolean(std::isfinite(numberArg(p, a, 0)));
           }));
    g->set(QStringLiteral("parseFloat"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
               // The longest number at the start of the text.
               const QString t = a.empty() ? QString() : toText(a[0], p.movie().version(), ClipScript(p)).trimmed();
               for (qsizetype n = std::min<qsizetype>(t.size(), 64); n > 0; --n) {
                   bool ok = false;
                   const double d = t.left(n).toDouble(&ok);
                   if (ok) return Value::number(d);
               }
               return Value::number(std::nan(""));
           }));
    g->set(QStringLiteral("parseInt"), nativeFunction([](Player& p, const Value&, const std::vector<Value>& a) {
               QString t = a.empty() ? QString() : toText(a[0], p.movie().version(), ClipScript(p)).trimmed();
               double radix = a.size() > 1 ? numberArg(p, a, 1) : 0;
               bool negative = false;
               if (t.startsWith(u'-') || t.startsWith(u'+')) {
                   negative = t.startsWith(u'-');
                   t = t.mid(1);
               }
               if ((radix == 0 || radix == 16) && t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
                   t = t.mid(2);
                   radix = 16;
               }
               if (!std::isfinite(radix) || radix == 0) radix = 10;
               if (radix < 2 || radix > 36) return Value::number(std::nan(""));
               double v = 0;
               qsizetype used = 0;
               for (; used < t.size(); ++used) {
                   const int d = t[used].isDigit() ? t[used].digitValue()
                               : t[used].isLetter() && t[used].unicode() < 128 ? t[used].toLower().unicode() - 'a' + 10 : 99;
                   if (d >= radix) break;
                   v = v * radix + d;
               }
               return Value::number(used == 0 ? std::nan("") : (negative ? -v : v));
           }));
    return g;
}

std::shared_ptr<ScriptObject> Player::globals()
{
    if (!globals_) globals_ = makeGlobals();
    return globals_;
}

void notifyKeyListeners(Player& player, bool down)
{
    const Value* key = player.globals()->find(QStringLiteral("Key"));
    if (!key || key->type != Value::Object) return;
    const Value* list = key->obj->find(QStringLiteral("_listeners"));
    if (!list || list->type != Value::Object) return;
    std::vector<Value> listeners;
    for (const auto& [name, v] : list->obj->members) listeners.push_back(v);
    const QString handler = down ? QStringLiteral("onKeyDown") : QStringLiteral("onKeyUp");
    for (const Value& l : listeners) {
        Value fn;
        if (l.type == Value::Object) {
            if (const Value* v = l.obj->find(handler)) fn = *v;
        } else if (auto clip = l.clip.lock()) {
            if (const Value* v = clip->vars->find(handler)) fn = *v;
        }
        if (fn.type == Value::Object && fn.obj->function) callFunction(player, fn, l, {});
        player.throwing = false;
    }
}

}  // namespace vx::swf
