// Values of our AVM1: undefined, null, booleans, numbers, strings, plain
// objects (members and, for functions, their code) and references to movie
// clips. Clips keep their variables and event handlers (onPress...) in an
// object of their own.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace vx::swf {

struct TimelineInstance;
struct ScriptObject;
struct Value;
class Player;

// Code of a DefineFunction or DefineFunction2, pointing into the movie data.
struct ScriptFunction {
    const uint8_t* code = nullptr;
    size_t size = 0;
    std::vector<QString> params;
    std::vector<uint8_t> paramRegisters;  // DefineFunction2: 0 = a local variable
    int registers = 0;                    // DefineFunction2's register count
    uint16_t flags = 0;                   // DefineFunction2's preload and suppress flags
    bool v2 = false;
    std::vector<QString> pool;            // the constant pool at definition
    std::weak_ptr<TimelineInstance> scope;  // the clip it was defined on
    // Built-in functions (Math.max, Sound.start...) run this instead of code.
    std::function<Value(Player& player, const Value& self, const std::vector<Value>& args)> native;
};

struct Value {
    enum Type : uint8_t { Undefined, Null, Bool, Number, String, Object, Clip } type = Undefined;
    double n = 0;
    QString s;
    std::shared_ptr<ScriptObject> obj;
    std::weak_ptr<TimelineInstance> clip;

    static Value number(double v) { Value x; x.type = Number; x.n = v; return x; }
    static Value boolean(bool v) { Value x; x.type = Bool; x.n = v ? 1 : 0; return x; }
    static Value string(QString v) { Value x; x.type = String; x.s = std::move(v); return x; }
    static Value null() { Value x; x.type = Null; return x; }
    static Value object(std::shared_ptr<ScriptObject> o) { Value x; x.type = Object; x.obj = std::move(o); return x; }
    static Value clipRef(const std::shared_ptr<TimelineInstance>& c) { Value x; x.type = Clip; x.clip = c; return x; }
};

struct ScriptObject {
    // Member names compare without case, as in movies before version 7.
    std::map<QString, Value> members;
    std::shared_ptr<ScriptFunction> function;  // set for function objects
    Value* find(const QString& name)
    {
        auto it = members.find(name.toLower());
        return it == members.end() ? nullptr : &it->second;
    }
    void set(const QString& name, Value v)
    {
        if (members.size() < kMaxMembers || members.count(name.toLower())) members[name.toLower()] = std::move(v);
    }
    static constexpr size_t kMaxMembers = 65536;
};

}  // namespace vx::swf
