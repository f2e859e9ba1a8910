// Our AVM1: the stack machine of frame actions, button actions and
// functions. Timeline control, variables and paths, arithmetic and string
// operations, clip properties and methods (SwfClipScript.cpp), registers,
// with, functions (DefineFunction, DefineFunction2), objects made with new
// and their prototypes, try/catch/finally and throw, the built-in objects
// (SwfBuiltins.cpp), getURL. Actions we do not know are skipped by their
// length; every run draws on the tick's script budget, calls nest at most
// Player::kMaxCallDepth deep and blocks Player::kMaxBlockNesting deep.
#include "swf/SwfClipScript.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <cmath>
#include <cstring>
#include <vector>

namespace vx::swf {

namespace {

constexpr size_t kMaxStack = 4096;

struct Frame {
    std::shared_ptr<TimelineInstance> origin;  // the clip the code runs on
    TimelineInstance* target = nullptr;        // tellTarget / setTarget
    std::shared_ptr<TimelineInstance> holdTarget;
    std::vector<Value> registers = std::vector<Value>(4);
    std::shared_ptr<ScriptObject> locals;  // function calls only
    Value self;
    std::vector<Value> with;
    std::vector<QString> pool;
    Value result;
    bool returned = false;
};

class Machine {
public:
    Machine(Player& p) : player_(p), version_(p.movie().version()), clips_(p) {}

    void run(const uint8_t* code, size_t size, Frame& f);

private:
    Value pop()
    {
        if (stack_.empty()) return {};
        Value v = std::move(stack_.back());
        stack_.pop_back();
        return v;
    }
    void push(Value v)
    {
        if (stack_.size() < kMaxStack) stack_.push_back(std::move(v));
    }
    double num(const Value& v) const { return toNumber(v, version_); }
    QString str(const Value& v) const { return toText(v, version_, clips_); }
    bool truth(const Value& v) const { return toBool(v, version_); }
    Value result(bool b) const { return version_ >= 5 ? Value::boolean(b) : Value::number(b ? 1 : 0); }

    Value getVariable(Frame& f, const QString& name);
    void setVariable(Frame& f, const QString& name, Value v);
    Value getMember(const Value& obj, const QString& name);
    void setMember(const Value& obj, const QString& name, Value v);
    Value callValue(Frame& f, const Value& fn, const Value& self, std::vector<Value> args, const QString& name);
    // new: an object whose prototype is the constructor's, made by it.
    Value construct(const Value& ctor, std::vector<Value> args);
    // A function's prototype object, made on first use.
    static Value prototypeOf(const Value& fn)
    {
        if (Value* p = fn.obj->find(QStringLiteral("prototype")); p && p->type == Value::Object) return *p;
        Value proto = Value::object(std::make_shared<ScriptObject>());
        fn.obj->set(QStringLiteral("prototype"), proto);
        return proto;
    }
    void tryBlock(const uint8_t* code, size_t size, size_t next, const uint8_t* arg, size_t len, Frame& f);
    static constexpr int kMaxPrototypeChain = 32;
    void gotoLabelOrNumber(Frame& f, const QString& spec, bool play, int bias);
    std::vector<Value> popArgs()
    {
        const double n = num(pop());
        std::vector<Value> args;
        const int count = std::isfinite(n) ? int(std::clamp(n, 0.0, double(kMaxStack))) : 0;
        for (int i = 0; i < count && !stack_.empty(); ++i) args.push_back(pop());
        return args;
    }

    Player& player_;
    int version_;
    ClipScript clips_;
    std::vector<Value> stack_;
};

bool looseEquals(const Value& a, const Value& b, int version)
{
    const bool aNil = a.type == Value::Undefined || a.type == Value::Null;
    const bool bNil = b.type == Value::Undefined || b.type == Value::Null;
    if (aNil || bNil) return aNil && bNil;
    if (a.type == Value::String && b.type == Value::String) return a.s == b.s;
    if (a.type == Value::Object || b.type == Value::Object) return a.type == b.type && a.obj == b.obj;
    if (a.type == Value::Clip || b.type == Value::Clip)
        return a.type == b.type && !a.clip.owner_before(b.clip) && !b.clip.owner_before(a.clip);
    return toNumber(a, version) == toNumber(b, version);
}

int32_t toInt32(double d)
{
    if (!std::isfinite(d)) return 0;
    return int32_t(uint32_t(int64_t(std::fmod(std::trunc(d), 4294967296.0))));
}

}  // namespace

Value Machine::getVariable(Frame& f, const QString& name)
{
    if (name.contains(u':') || name.contains(u'/')) {
        const qsizetype colon = name.lastIndexOf(u':');
        if (colon < 0) {  // a slash path names a clip
            if (TimelineInstance* t = clips_.resolvePath(*f.target, name)) return Value::clipRef(t->shared_from_this());
            return {};
        }
        TimelineInstance* t = clips_.resolvePath(*f.target, name.left(colon));
        return t ? clips_.get(*t, name.mid(colon + 1)) : Value();
    }
    if (name.contains(u'.')) {
        const QStringList parts = name.split(u'.');
        Value v = getVariable(f, parts.front());
        for (qsizetype i = 1; i < parts.size(); ++i) v = getMember(v, parts[i]);
        return v;
    }
    const QString lower = name.toLower();
    if (lower == u"this") return f.self.type != Value::Undefined ? f.self : Value::clipRef(f.target->shared_from_this());
    if (lower == u"_root" || lower == u"_level0") return Value::clipRef(player_.rootInstance().shared_from_this());
    if (lower == u"_parent") {
        if (auto p = f.target->parent.lock()) return Value::clipRef(p);
        return {};
    }
    for (auto it = f.with.rbegin(); it != f.with.rend(); ++it) {
        if (it->type == Value::Object && it->obj->find(name)) return *it->obj->find(name);
        if (it->type == Value::Clip) {
            if (auto c = it->clip.lock(); c && clips_.has(*c, name)) return clips_.get(*c, name);
        }
    }
    if (f.locals) {
        if (Value* v = f.locals->find(name)) return *v;
    }
    if (clips_.has(*f.target, name)) return clips_.get(*f.target, name);
    if (lower == u"_global") return Value::object(player_.globals());
    if (Value* g = player_.globals()->find(name)) return *g;
    return {};
}

void Machine::setVariable(Frame& f, const QString& name, Value v)
{
    const qsizetype colon = name.lastIndexOf(u':');
    if (colon >= 0) {
        if (TimelineInstance* t = clips_.resolvePath(*f.target, name.left(colon))) clips_.set(*t, name.mid(colon + 1), std::move(v));
        return;
    }
    if (name.contains(u'.')) {
        const qsizetype dot = name.lastIndexOf(u'.');
        setMember(getVariable(f, name.left(dot)), name.mid(dot + 1), std::move(v));
        return;
    }
    for (auto it = f.with.rbegin(); it != f.with.rend(); ++it) {
        if (it->type == Value::Object && it->obj->find(name)) {
            it->obj->set(name, std::move(v));
            return;
        }
    }
    if (f.locals && f.locals->find(name)) {
        f.locals->set(name, std::move(v));
        return;
    }
    clips_.set(*f.target, name, std::move(v));
}

Value Machine::getMember(const Value& obj, const QString& name)
{
    if (obj.type == Value::Object) {
        // The object's own members, then its prototypes'.
        ScriptObject* o = obj.obj.get();
        for (int depth = 0; o && depth < kMaxPrototypeChain; ++depth) {
            if (Value* v = o->find(name)) return *v;
            const Value* proto = o->find(QStringLiteral("__proto__"));
            o = proto && proto->type == Value::Object ? proto->obj.get() : nullptr;
        }
        if (obj.obj->function && name.compare(u"prototype", Qt::CaseInsensitive) == 0) return prototypeOf(obj);
        if (obj.obj->function && name.compare(u"length", Qt::CaseInsensitive) == 0)
            return Value::number(double(obj.obj->function->params.size()));
        return {};
    }
    if (obj.type == Value::Clip) {
        if (auto c = obj.clip.lock()) return clips_.get(*c, name);
        return {};
    }
    if (obj.type == Value::String && name.compare(u"length", Qt::CaseInsensitive) == 0) return Value::number(double(obj.s.size()));
    return {};
}

void Machine::setMember(const Value& obj, const QString& name, Value v)
{
    if (obj.type == Value::Object) obj.obj->set(name, std::move(v));
    else if (obj.type == Value::Clip) {
        if (auto c = obj.clip.lock()) clips_.set(*c, name, std::move(v));
    }
}

Value Machine::callValue(Frame& f, const Value& fn, const Value& self, std::vector<Value> args, const QString& name)
{
    if (fn.type == Value::Object && fn.obj->function) return callFunction(player_, fn, self, args);
    // Clip methods: play, stop, gotoAndPlay...
    TimelineInstance* clip = nullptr;
    std::shared_ptr<TimelineInstance> hold;
    if (self.type == Value::Clip) hold = self.clip.lock();
    else if (self.type == Value::Undefined) hold = f.target->shared_from_this();
    clip = hold.get();
    if (clip) {
        Value out;
        if (clips_.callMethod(*clip, name, args, out)) return out;
    }
    const QString lower = name.toLower();
    if (lower == u"gettimer") return Value::number(double(QDateTime::currentMSecsSinceEpoch() % 100000000));
    if (lower == u"random" && !args.empty()) {
        const double n = num(args[0]);
        return Value::number(n >= 1 && n < 2147483647.0 ? QRandomGenerator::global()->bounded(int(n)) : 0);
    }
    if (lower == u"getversion") return Value::string(QStringLiteral("LNX 8,0,24,0"));
    return {};
}

Value Machine::construct(const Value& ctor, std::vector<Value> args)
{
    auto obj = std::make_shared<ScriptObject>();
    const Value self = Value::object(obj);
    if (ctor.type != Value::Object || !ctor.obj->function) return self;
    obj->set(QStringLiteral("__proto__"), prototypeOf(ctor));
    const Value made = callFunction(player_, ctor, self, args);
    // Built-in constructors may hand back an object of their own.
    return made.type == Value::Object ? made : self;
}

void Machine::tryBlock(const uint8_t* code, size_t size, size_t next, const uint8_t* arg, size_t len, Frame& f)
{
    const uint8_t flags = len >= 1 ? arg[0] : 0;
    auto u16 = [&](size_t at) { return at + 2 <= len ? size_t(arg[at] | arg[at + 1] << 8) : 0; };
    const size_t trySize = u16(1), catchSize = u16(3), finallySize = u16(5);
    if (trySize + catchSize + finallySize > size - next) return;
    const uint8_t* tryCode = code + next;
    run(tryCode, trySize, f);
    if (player_.throwing && (flags & 0x01)) {
        // Caught: the value goes to the catch register or variable.
        player_.throwing = false;
        Value e = std::move(player_.thrown);
        player_.thrown = {};
        if (flags & 0x04) {
            if (len > 7 && arg[7] < f.registers.size()) f.registers[arg[7]] = std::move(e);
        } else {
            size_t at = 7;
            QString name;
            while (at < len && arg[at]) name += QChar(arg[at++]);
            if (f.locals) f.locals->set(name, std::move(e));
            else setVariable(f, name, std::move(e));
        }
        run(tryCode + trySize, catchSize, f);
    }
    if (flags & 0x02) {
        // finally runs whatever happened; a throw or return in it wins.
        const bool wasThrowing = player_.throwing, wasReturned = f.returned;
        Value pending = std::move(player_.thrown);
        player_.throwing = false;
        f.returned = false;
        run(tryCode + trySize + catchSize, finallySize, f);
        if (!player_.throwing && wasThrowing) {
            player_.throwing = true;
            player_.thrown = std::move(pending);
        }
        f.returned = f.returned || wasReturned;
    }
}

void Machine::gotoLabelOrNumber(Frame& f, const QString& spec, bool play, int bias)
{
    QString frame = spec;
    TimelineInstance* tt = f.target;
    const qsizetype colon = spec.lastIndexOf(u':');
    if (colon >= 0) {
        tt = clips_.resolvePath(*f.target, spec.left(colon));
        frame = spec.mid(colon + 1);
    }
    if (!tt || !tt->timeline) return;
    bool isNum = false;
    const int n = frame.toInt(&isNum);
    if (isNum) player_.gotoInstance(*tt, n - 1 + bias, play);
    else if (int fr = tt->timeline->labelFrame(frame); fr >= 0) player_.gotoInstance(*tt, fr, play);
}

void Machine::run(const uint8_t* code, size_t size, Frame& f)
{
    size_t pc = 0;
    while (pc < size && !f.returned && !player_.throwing) {
        if (!player_.scriptStep()) return;
        const uint8_t op = code[pc++];
        if (op == 0) break;
        size_t len = 0;
        if (op >= 0x80) {
            if (pc + 2 > size) break;
            len = size_t(code[pc] | code[pc + 1] << 8);
            pc += 2;
            if (len > size - pc) break;
        }
        const uint8_t* arg = code + pc;
        const size_t next = pc + len;
        auto argString = [&](size_t& at) {
            if (at >= len) return QString();
            const uint8_t* z = static_cast<const uint8_t*>(std::memchr(arg + at, 0, len - at));
            const size_t e = z ? size_t(z - arg) : len;
            QString s = decodeText(QByteArray(reinterpret_cast<const char*>(arg + at), qsizetype(e - at)), version_);
            at = z ? e + 1 : len;
            return s;
        };
        auto u16At = [&](size_t at) { return at + 2 <= len ? int(arg[at] | arg[at + 1] << 8) : 0; };
        TimelineInstance& t = *f.target;
        switch (op) {
        case 0x04: player_.gotoInstance(t, t.current + 1, false); break;
        case 0x05: player_.gotoInstance(t, t.current - 1, false); break;
        case 0x06: t.playing = true; break;
        case 0x07: t.playing = false; break;
        case 0x0A: { const double b = num(pop()), a = num(pop()); push(Value::number(a + b)); break; }
        case 0x0B: { const double b = num(pop()), a = num(pop()); push(Value::number(a - b)); break; }
        case 0x0C: { const double b = num(pop()), a = num(pop()); push(Value::number(a * b)); break; }
        case 0x0D: {
            const double b = num(pop()), a = num(pop());
            if (b == 0 && version_ < 5) push(Value::string(QStringLiteral("#ERROR#")));
            else push(Value::number(a / b));
            break;
        }
        case 0x0E: { const double b = num(pop()), a = num(pop()); push(result(a == b)); break; }
        case 0x0F: { const double b = num(pop()), a = num(pop()); push(result(a < b)); break; }
        case 0x10: { const bool b = truth(pop()), a = truth(pop()); push(result(a && b)); break; }
        case 0x11: { const bool b = truth(pop()), a = truth(pop()); push(result(a || b)); break; }
        case 0x12: push(result(!truth(pop()))); break;
        case 0x13: { const QString b = str(pop()), a = str(pop()); push(result(a == b)); break; }
        case 0x14: case 0x31: push(Value::number(double(str(pop()).size()))); break;
        case 0x15: case 0x35: {
            const double count = num(pop()), index = num(pop());
            const QString s = str(pop());
            const qsizetype from = std::isfinite(index) ? qsizetype(std::clamp(index - 1, 0.0, double(s.size()))) : 0;
            const qsizetype n = std::isfinite(count) && count >= 0 ? qsizetype(std::min(count, double(s.size()))) : s.size();
            push(Value::string(s.mid(from, n)));
            break;
        }
        case 0x17: pop(); break;
        case 0x18: { const double d = num(pop()); push(Value::number(std::isfinite(d) ? std::trunc(d) : (std::isnan(d) ? 0 : d))); break; }
        case 0x1C: push(getVariable(f, str(pop()))); break;
        case 0x1D: { Value v = pop(); setVariable(f, str(pop()), std::move(v)); break; }
        case 0x20: {  // setTarget2
            const Value v = pop();
            TimelineInstance* to = nullptr;
            if (v.type == Value::Clip) to = v.clip.lock().get();
            else to = clips_.resolvePath(*f.origin, str(v));
            f.target = to ? to : f.origin.get();
            f.holdTarget = f.target->shared_from_this();
            break;
        }
        case 0x21: { const QString b = str(pop()), a = str(pop()); push(Value::string(a + b)); break; }
        case 0x22: {  // getProperty
            const double at = num(pop());
            const int index = std::isfinite(at) ? int(std::clamp(at, -1.0, 64.0)) : -1;
            const Value target = pop();
            TimelineInstance* c = target.type == Value::Clip ? target.clip.lock().get() : clips_.resolvePath(t, str(target));
            push(c ? clips_.getProperty(*c, index) : Value());
            break;
        }
        case 0x23: {  // setProperty
            Value v = pop();
            const double at = num(pop());
            const int index = std::isfinite(at) ? int(std::clamp(at, -1.0, 64.0)) : -1;
            const Value target = pop();
            TimelineInstance* c = target.type == Value::Clip ? target.clip.lock().get() : clips_.resolvePath(t, str(target));
            if (c) clips_.setProperty(*c, index, v);
            break;
        }
        case 0x24: pop(); pop(); pop(); break;  // cloneSprite: not supported
        case 0x25: case 0x26: pop(); break;     // removeSprite, trace
        case 0x27: {                            // startDrag: the arguments go
            pop();
            pop();
            if (truth(pop())) { pop(); pop(); pop(); pop(); }
            break;
        }
        case 0x29: { const QString b = str(pop()), a = str(pop()); push(result(a < b)); break; }
        case 0x68: { const QString b = str(pop()), a = str(pop()); push(result(a > b)); break; }
        case 0x30: {
            const double n = num(pop());
            push(Value::number(n >= 1 && n < 2147483647.0 ? QRandomGenerator::global()->bounded(int(n)) : 0));
            break;
        }
        case 0x32: case 0x36: { const QString s = str(pop()); push(Value::number(s.isEmpty() ? 0 : s[0].unicode())); break; }
        case 0x33: case 0x37: {
            const double d = num(pop());
            push(Value::string(std::isfinite(d) && d > 0 && d < 65536 ? QString(QChar(char16_t(d))) : QString()));
            break;
        }
        case 0x34: push(Value::number(double(QDateTime::currentMSecsSinceEpoch() % 100000000))); break;
        case 0x3A: {  // delete a member of an object or a clip
            const QString name = str(pop());
            const Value o = pop();
            if (o.type == Value::Object) o.obj->members.erase(name.toLower());
            else if (auto c = o.type == Value::Clip ? o.clip.lock() : nullptr) c->vars->members.erase(name.toLower());
            push(Value::boolean(true));
            break;
        }
        case 0x3B: { const QString name = str(pop()); if (f.locals) f.locals->members.erase(name.toLower()); t.vars->members.erase(name.toLower()); push(Value::boolean(true)); break; }
        case 0x3C: {
            Value v = pop();
            const QString name = str(pop());
            if (f.locals) f.locals->set(name, std::move(v));
            else clips_.set(t, name, std::move(v));
            break;
        }
        case 0x41: {
            const QString name = str(pop());
            if (f.locals) { if (!f.locals->find(name)) f.locals->set(name, Value()); }
            break;
        }
        case 0x3D: {  // callFunction
            const QString name = str(pop());
            std::vector<Value> args = popArgs();
            push(callValue(f, getVariable(f, name), Value(), std::move(args), name));
            break;
        }
        case 0x52: case 0x53: {  // callMethod, newMethod
            const Value nameV = pop();
            const Value obj = pop();
            std::vector<Value> args = popArgs();
            const QString name = str(nameV);
            const bool plain = nameV.type == Value::Undefined || name.isEmpty();
            if (op == 0x53) push(construct(plain ? obj : getMember(obj, name), std::move(args)));
            else if (plain) push(callValue(f, obj, Value(), std::move(args), QString()));
            else push(callValue(f, getMember(obj, name), obj, std::move(args), name));
            break;
        }
        case 0x2A:  // throw
            player_.thrown = pop();
            player_.throwing = true;
            return;
        case 0x3E: f.result = pop(); f.returned = true; break;
        case 0x3F: { const double b = num(pop()), a = num(pop()); push(Value::number(std::fmod(a, b))); break; }
        case 0x40: {  // new
            const QString name = str(pop());
            std::vector<Value> args = popArgs();
            push(construct(getVariable(f, name), std::move(args)));
            break;
        }
        case 0x42: {
            std::vector<Value> items = popArgs();
            auto o = std::make_shared<ScriptObject>();
            for (size_t i = 0; i < items.size(); ++i) o->set(QString::number(i), std::move(items[i]));
            o->set(QStringLiteral("length"), Value::number(double(items.size())));
            push(Value::object(o));
            break;
        }
        case 0x43: {
            const double n = num(pop());
            auto o = std::make_shared<ScriptObject>();
            const int count = std::isfinite(n) ? int(std::clamp(n, 0.0, double(kMaxStack))) : 0;
            for (int i = 0; i < count && !stack_.empty(); ++i) {
                Value v = pop();
                o->set(str(pop()), std::move(v));
            }
            push(Value::object(o));
            break;
        }
        case 0x44: {
            const Value v = pop();
            static const char* names[] = {"undefined", "null", "boolean", "number", "string", "object", "movieclip"};
            push(Value::string(QString::fromLatin1(v.type == Value::Object && v.obj->function ? "function" : names[v.type])));
            break;
        }
        case 0x45: {
            const Value v = pop();
            auto c = v.type == Value::Clip ? v.clip.lock() : nullptr;
            push(c ? Value::string(clips_.targetPath(*c)) : Value());
            break;
        }
        case 0x46: case 0x55: {  // enumerate: the end marker, then member names
            const Value v = op == 0x46 ? getVariable(f, str(pop())) : pop();
            push(Value::null());
            if (v.type == Value::Object)
                for (const auto& [name, value] : v.obj->members) push(Value::string(name));
            break;
        }
        case 0x47: {
            const Value b = pop(), a = pop();
            if (a.type == Value::String || b.type == Value::String) push(Value::string(str(a) + str(b)));
            else push(Value::number(num(a) + num(b)));
            break;
        }
        case 0x48: case 0x67: {
            Value b = pop(), a = pop();
            if (op == 0x67) std::swap(a, b);
            if (a.type == Value::String && b.type == Value::String) push(Value::boolean(a.s < b.s));
            else {
                const double x = num(a), y = num(b);
                push(std::isnan(x) || std::isnan(y) ? Value() : Value::boolean(x < y));
            }
            break;
        }
        case 0x49: { const Value b = pop(), a = pop(); push(Value::boolean(looseEquals(a, b, version_))); break; }
        case 0x66: {
            const Value b = pop(), a = pop();
            push(Value::boolean(a.type == b.type && looseEquals(a, b, version_)));
            break;
        }
        case 0x4A: push(Value::number(num(pop()))); break;
        case 0x4B: push(Value::string(str(pop()))); break;
        case 0x4C: { Value v = stack_.empty() ? Value() : stack_.back(); push(std::move(v)); break; }
        case 0x4D: { Value a = pop(), b = pop(); push(std::move(a)); push(std::move(b)); break; }
        case 0x4E: { const QString name = str(pop()); const Value o = pop(); push(getMember(o, name)); break; }
        case 0x4F: { Value v = pop(); const QString name = str(pop()); const Value o = pop(); setMember(o, name, std::move(v)); break; }
        case 0x50: push(Value::number(num(pop()) + 1)); break;
        case 0x51: push(Value::number(num(pop()) - 1)); break;
        case 0x54: pop(); pop(); push(Value::boolean(false)); break;
        case 0x60: { const int32_t b = toInt32(num(pop())), a = toInt32(num(pop())); push(Value::number(a & b)); break; }
        case 0x61: { const int32_t b = toInt32(num(pop())), a = toInt32(num(pop())); push(Value::number(a | b)); break; }
        case 0x62: { const int32_t b = toInt32(num(pop())), a = toInt32(num(pop())); push(Value::number(a ^ b)); break; }
        case 0x63: { const int32_t b = toInt32(num(pop())), a = toInt32(num(pop())); push(Value::number(int32_t(uint32_t(a) << (b & 31)))); break; }
        case 0x64: { const int32_t b = toInt32(num(pop())), a = toInt32(num(pop())); push(Value::number(a >> (b & 31))); break; }
        case 0x65: { const int32_t b = toInt32(num(pop())), a = toInt32(num(pop())); push(Value::number(uint32_t(a) >> (b & 31))); break; }
        case 0x81: player_.gotoInstance(t, u16At(0), false); break;
        case 0x83: {
            size_t at = 0;
            const QString url = argString(at);
            const QString tgt = argString(at);
            player_.fsCommand(url, tgt);
            break;
        }
        case 0x9A: {
            const QString tgt = str(pop());
            const QString url = str(pop());
            player_.fsCommand(url, tgt);
            break;
        }
        case 0x87:
            if (len >= 1) {
                const size_t r = arg[0];
                if (r < f.registers.size()) f.registers[r] = stack_.empty() ? Value() : stack_.back();
            }
            break;
        case 0x88: {
            f.pool.clear();
            const int n = u16At(0);
            size_t at = 2;
            for (int i = 0; i < n && at < len; ++i) f.pool.push_back(argString(at));
            break;
        }
        case 0x8A: break;           // waitForFrame: every frame is loaded
        case 0x8D: pop(); break;    // waitForFrame2
        case 0x8B: {
            size_t at = 0;
            const QString path = argString(at);
            TimelineInstance* to = clips_.resolvePath(*f.origin, path);
            f.target = to ? to : f.origin.get();
            f.holdTarget = f.target->shared_from_this();
            break;
        }
        case 0x8C: {
            size_t at = 0;
            const QString label = argString(at);
            if (t.timeline) {
                if (int fr = t.timeline->labelFrame(label); fr >= 0) player_.gotoInstance(t, fr, false);
            }
            break;
        }
        case 0x8E: case 0x9B: {  // defineFunction2, defineFunction
            auto fn = std::make_shared<ScriptFunction>();
            size_t at = 0;
            const QString name = argString(at);
            const int params = u16At(at);
            at += 2;
            if (op == 0x8E) {
                fn->v2 = true;
                fn->registers = at < len ? arg[at] : 0;
                fn->flags = uint16_t(u16At(at + 1));
                at += 3;
            }
            for (int i = 0; i < params && at < len; ++i) {
                if (op == 0x8E) fn->paramRegisters.push_back(arg[at++]);
                fn->params.push_back(argString(at));
            }
            const size_t bodySize = size_t(u16At(at));
            if (at + 2 != len || bodySize > size - next) return;  // a broken header ends the block
            fn->code = code + next;
            fn->size = bodySize;
            fn->pool = f.pool;
            fn->scope = f.target->weak_from_this();
            auto obj = std::make_shared<ScriptObject>();
            obj->function = fn;
            if (name.isEmpty()) push(Value::object(obj));
            else setVariable(f, name, Value::object(obj));
            pc = next + bodySize;
            continue;
        }
        case 0x8F: {  // try
            const size_t total = size_t(u16At(1)) + size_t(u16At(3)) + size_t(u16At(5));
            if (total > size - next || player_.blockNesting >= Player::kMaxBlockNesting) return;
            ++player_.blockNesting;
            tryBlock(code, size, next, arg, len, f);
            --player_.blockNesting;
            pc = next + total;
            continue;
        }
        case 0x94: {  // with
            const size_t blockSize = size_t(u16At(0));
            if (blockSize > size - next || player_.blockNesting >= Player::kMaxBlockNesting) return;
            const Value o = pop();
            if (f.with.size() < 16 && (o.type == Value::Object || o.type == Value::Clip)) {
                ++player_.blockNesting;
                f.with.push_back(o);
                run(code + next, blockSize, f);
                f.with.pop_back();
                --player_.blockNesting;
            }
            pc = next + blockSize;
            continue;
        }
        case 0x96: {
            size_t at = 0;
            while (at < len) {
                const uint8_t type = arg[at++];
                Value v;
                switch (type) {
                case 0: v = Value::string(argString(at)); break;
                case 1:
                    if (at + 4 > len) { at = len; break; }
                    { float fl; std::memcpy(&fl, arg + at, 4); v = Value::number(fl); at += 4; }
                    break;
                case 2: v = Value::null(); break;
                case 3: break;
                case 4:
                    if (at < len) {
                        const size_t r = arg[at++];
                        if (r < f.registers.size()) v = f.registers[r];
                    }
                    break;
                case 5: if (at < len) v = Value::boolean(arg[at++] != 0); break;
                case 6:
                    if (at + 8 > len) { at = len; break; }
                    {
                        // Doubles are stored as two little-endian 32-bit halves, high half first.
                        uint8_t b[8];
                        std::memcpy(b, arg + at + 4, 4);
                        std::memcpy(b + 4, arg + at, 4);
                        double d; std::memcpy(&d, b, 8); v = Value::number(d); at += 8;
                    }
                    break;
                case 7:
                    if (at + 4 > len) { at = len; break; }
                    v = Value::number(int32_t(uint32_t(arg[at]) | uint32_t(arg[at + 1]) << 8 | uint32_t(arg[at + 2]) << 16 |
                                              uint32_t(arg[at + 3]) << 24));
                    at += 4;
                    break;
                case 8:
                case 9: {
                    size_t idx = 0;
                    if (type == 8 && at < len) idx = arg[at++];
                    else if (type == 9 && at + 2 <= len) { idx = size_t(arg[at] | arg[at + 1] << 8); at += 2; }
                    else { at = len; break; }
                    v = Value::string(idx < f.pool.size() ? f.pool[idx] : QString());
                    break;
                }
                default: at = len; continue;
                }
                push(std::move(v));
            }
            break;
        }
        case 0x99:  // jump
        case 0x9D: {  // if
            if (len < 2) break;
            const int16_t off = int16_t(arg[0] | arg[1] << 8);
            const bool take = op == 0x99 || truth(pop());
            if (take) {
                const int64_t dest = int64_t(next) + off;
                if (dest < 0 || dest > int64_t(size)) return;
                pc = size_t(dest);
                continue;
            }
            break;
        }
        case 0x9E: {  // call: the actions of a frame
            const Value v = pop();
            if (!t.timeline) break;
            int fr = -1;
            if (v.type == Value::String) {
                bool isNum = false;
                const int n = v.s.toInt(&isNum);
                fr = isNum ? n - 1 : t.timeline->labelFrame(v.s);
            } else if (const double d = num(v); std::isfinite(d)) {
                fr = int(std::clamp(d, -1.0, 1e6)) - 1;
            }
            if (fr >= 0) player_.queueFrameActions(t, fr);
            break;
        }
        case 0x9F: {
            if (len < 1) break;
            const bool play = arg[0] & 1;
            const int bias = (arg[0] & 2) ? u16At(1) : 0;
            const Value v = pop();
            if (v.type == Value::String) gotoLabelOrNumber(f, v.s, play, bias);
            else if (const double d = num(v); std::isfinite(d)) player_.gotoInstance(t, int(std::clamp(d, -1e9, 1e9)) - 1 + bias, play);
            break;
        }
        default:
            break;  // not ours: skipped by its length
        }
        pc = next;
    }
}

void runActions(Player& player, TimelineInstance& origin, const uint8_t* code, size_t size)
{
    Frame f;
    f.origin = origin.shared_from_this();
    f.target = &origin;
    Machine m(player);
    m.run(code, size, f);
    player.throwing = false;  // not caught: the block ends there
    player.thrown = {};
}

Value callFunction(Player& player, const Value& function, const Value& self, const std::vector<Value>& args)
{
    if (function.type != Value::Object || !function.obj->function) return {};
    if (player.callDepth >= Player::kMaxCallDepth) return {};
    const auto fn = function.obj->function;  // kept while it runs
    if (fn->native) return fn->native(player, self, args);
    std::shared_ptr<TimelineInstance> scope = fn->scope.lock();
    if (!scope) scope = player.rootInstance().shared_from_this();
    Frame f;
    f.origin = scope;
    f.target = scope.get();
    f.self = self.type == Value::Undefined ? Value::clipRef(scope) : self;
    if (self.type == Value::Clip) {
        if (auto c = self.clip.lock()) {
            f.origin = c;
            f.target = c.get();
        }
    }
    f.locals = std::make_shared<ScriptObject>();
    f.pool = fn->pool;
    f.registers.assign(fn->v2 ? std::max(1, fn->registers) : 4, Value());
    auto arguments = std::make_shared<ScriptObject>();
    for (size_t i = 0; i < args.size(); ++i) arguments->set(QString::number(i), args[i]);
    arguments->set(QStringLiteral("length"), Value::number(double(args.size())));
    if (fn->v2) {
        size_t r = 1;
        auto preload = [&](uint16_t flag, Value v) {
            if ((fn->flags & flag) && r < f.registers.size()) f.registers[r++] = std::move(v);
        };
        preload(0x01, f.self);
        preload(0x04, Value::object(arguments));
        preload(0x10, Value());
        preload(0x40, Value::clipRef(player.rootInstance().shared_from_this()));
        if (auto p = scope->parent.lock()) preload(0x80, Value::clipRef(p));
        else preload(0x80, Value());
        preload(0x100, Value());
        if (!(fn->flags & 0x02)) f.locals->set(QStringLiteral("this"), f.self);
        if (!(fn->flags & 0x08)) f.locals->set(QStringLiteral("arguments"), Value::object(arguments));
    } else {
        f.locals->set(QStringLiteral("arguments"), Value::object(arguments));
    }
    for (size_t i = 0; i < fn->params.size(); ++i) {
        Value v = i < args.size() ? args[i] : Value();
        const uint8_t reg = i < fn->paramRegisters.size() ? fn->paramRegisters[i] : 0;
        if (reg && reg < f.registers.size()) f.registers[reg] = std::move(v);
        else f.locals->set(fn->params[i], std::move(v));
    }
    ++player.callDepth;
    Machine m(player);
    m.run(fn->code, fn->size, f);
    --player.callDepth;
    return f.result;
}

}  // namespace vx::swf
