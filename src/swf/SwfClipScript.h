// What scripts see of movie clips: paths ("/a/b", "_root.a", "_parent"),
// properties by name and by index (_x, _y, _xscale, _yscale, _alpha,
// _visible, _rotation, _currentframe, _totalframes, _name, _width...),
// variables and members, and the clip methods (play, stop, gotoAndPlay...).
// Also the value conversions of our AVM1.
#pragma once

#include "swf/SwfPlayer.h"

namespace vx::swf {

double toNumber(const Value& v, int version);
bool toBool(const Value& v, int version);
class ClipScript;
QString toText(const Value& v, int version, const ClipScript& clips);

// Runs the onEnterFrame handler of every clip that has one, the main
// timeline first, once per tick.
void runEnterFrameHandlers(Player& player);

class ClipScript {
public:
    explicit ClipScript(Player& player) : player_(player) {}

    // The clip a target path names from t, or nullptr.
    TimelineInstance* resolvePath(TimelineInstance& from, const QString& path) const;
    QString targetPath(const TimelineInstance& t) const;

    bool has(TimelineInstance& t, const QString& name) const;
    Value get(TimelineInstance& t, const QString& name) const;
    void set(TimelineInstance& t, const QString& name, Value v);
    Value getProperty(TimelineInstance& t, int index) const;
    void setProperty(TimelineInstance& t, int index, const Value& v);
    // Runs a clip method; false when name is none.
    bool callMethod(TimelineInstance& t, const QString& name, const std::vector<Value>& args, Value& out);

private:
    Player& player_;
};

}  // namespace vx::swf
