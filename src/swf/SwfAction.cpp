// The AVM1 subset: timeline control (stop, play, nextFrame, prevFrame,
// gotoFrame, gotoFrame2, goToLabel, setTarget), getURL and getURL2 with
// pushed strings and the constant pool (FSCommand), jumps and branches
// under an instruction budget. Other actions are skipped by their length.
#include "swf/SwfPlayer.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace vx::swf {

namespace {

struct Value {
    bool isString = false;
    QString s;
    double n = 0;
    QString text() const
    {
        if (isString) return s;
        if (std::isnan(n)) return QStringLiteral("NaN");
        return QString::number(n, 'g', 15);
    }
    double number() const
    {
        if (!isString) return n;
        bool ok = false;
        const double v = s.toDouble(&ok);
        return ok ? v : std::nan("");
    }
    bool truthy() const { return isString ? !s.isEmpty() && s != u"0" : (n != 0 && !std::isnan(n)); }
};

constexpr int kMaxInstructions = 100'000;
constexpr size_t kMaxStack = 4096;

}  // namespace

void runActions(Player& player, TimelineInstance& origin, const uint8_t* code, size_t size)
{
    const int version = player.movie().version();
    std::vector<Value> stack;
    std::vector<QString> pool;
    TimelineInstance* target = &origin;
    std::shared_ptr<TimelineInstance> hold = origin.shared_from_this();  // keeps the target alive
    auto pop = [&]() {
        Value v;
        if (!stack.empty()) {
            v = std::move(stack.back());
            stack.pop_back();
        }
        return v;
    };
    auto push = [&](Value v) {
        if (stack.size() < kMaxStack) stack.push_back(std::move(v));
    };
    auto gotoLabelOrNumber = [&](TimelineInstance& t, const QString& spec, bool play, int bias) {
        QString frame = spec;
        TimelineInstance* tt = &t;
        const qsizetype colon = spec.lastIndexOf(u':');
        if (colon >= 0) {
            tt = player.findTarget(t, spec.left(colon));
            frame = spec.mid(colon + 1);
        }
        if (!tt || !tt->timeline) return;
        bool isNum = false;
        const int n = frame.toInt(&isNum);
        if (isNum) player.gotoInstance(*tt, n - 1 + bias, play);
        else if (int f = tt->timeline->labelFrame(frame); f >= 0) player.gotoInstance(*tt, f, play);
    };

    size_t pc = 0;
    for (int steps = 0; pc < size && steps < kMaxInstructions; ++steps) {
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
            const uint8_t* z = static_cast<const uint8_t*>(std::memchr(arg + at, 0, len - at));
            const size_t e = z ? size_t(z - arg) : len;
            QString s = decodeText(QByteArray(reinterpret_cast<const char*>(arg + at), qsizetype(e - at)), version);
            at = z ? e + 1 : len;
            return s;
        };
        switch (op) {
        case 0x04: player.gotoInstance(*target, target->current + 1, false); break;
        case 0x05: player.gotoInstance(*target, target->current - 1, false); break;
        case 0x06: target->playing = true; break;
        case 0x07: target->playing = false; break;
        case 0x17: pop(); break;
        case 0x20: {  // setTarget2
            const QString path = pop().text();
            TimelineInstance* t = player.findTarget(origin, path);
            target = t ? t : &origin;
            hold = target->shared_from_this();
            break;
        }
        case 0x81:
            if (len >= 2) player.gotoInstance(*target, arg[0] | arg[1] << 8, false);
            break;
        case 0x8C: {
            size_t at = 0;
            const QString label = argString(at);
            if (target->timeline) {
                if (int f = target->timeline->labelFrame(label); f >= 0) player.gotoInstance(*target, f, false);
            }
            break;
        }
        case 0x8B: {  // setTarget
            size_t at = 0;
            const QString path = argString(at);
            TimelineInstance* t = player.findTarget(origin, path);
            target = t ? t : &origin;
            hold = target->shared_from_this();
            break;
        }
        case 0x9F: {
            if (len < 1) break;
            const bool play = arg[0] & 1;
            int bias = 0;
            if ((arg[0] & 2) && len >= 3) bias = arg[1] | arg[2] << 8;
            const Value v = pop();
            if (v.isString) {
                gotoLabelOrNumber(*target, v.s, play, bias);
            } else if (std::isfinite(v.n)) {
                const double f = std::clamp(v.n, -1e9, 1e9);
                player.gotoInstance(*target, int(f) - 1 + bias, play);
            }
            break;
        }
        case 0x83: {
            size_t at = 0;
            const QString url = argString(at);
            const QString tgt = argString(at);
            player.fsCommand(url, tgt);
            break;
        }
        case 0x9A: {
            const QString tgt = pop().text();
            const QString url = pop().text();
            player.fsCommand(url, tgt);
            break;
        }
        case 0x88: {
            pool.clear();
            if (len < 2) break;
            const int n = arg[0] | arg[1] << 8;
            size_t at = 2;
            for (int i = 0; i < n && at < len; ++i) pool.push_back(argString(at));
            break;
        }
        case 0x96: {
            size_t at = 0;
            while (at < len) {
                const uint8_t type = arg[at++];
                Value v;
                switch (type) {
                case 0: v.isString = true; v.s = argString(at); break;
                case 1:
                    if (at + 4 > len) { at = len; break; }
                    { float f; std::memcpy(&f, arg + at, 4); v.n = f; at += 4; }
                    break;
                case 2: case 3: v.isString = true; break;
                case 4: if (at < len) ++at; break;
                case 5: if (at < len) v.n = arg[at++] ? 1 : 0; break;
                case 6:
                    if (at + 8 > len) { at = len; break; }
                    {
                        // Doubles are stored as two little-endian 32-bit halves, high half first.
                        uint8_t b[8];
                        std::memcpy(b, arg + at + 4, 4);
                        std::memcpy(b + 4, arg + at, 4);
                        double d; std::memcpy(&d, b, 8); v.n = d; at += 8;
                    }
                    break;
                case 7:
                    if (at + 4 > len) { at = len; break; }
                    v.n = int32_t(uint32_t(arg[at]) | uint32_t(arg[at + 1]) << 8 | uint32_t(arg[at + 2]) << 16 |
                                  uint32_t(arg[at + 3]) << 24);
                    at += 4;
                    break;
                case 8:
                case 9: {
                    size_t idx = 0;
                    if (type == 8 && at < len) idx = arg[at++];
                    else if (type == 9 && at + 2 <= len) { idx = size_t(arg[at] | arg[at + 1] << 8); at += 2; }
                    else { at = len; break; }
                    v.isString = true;
                    if (idx < pool.size()) v.s = pool[idx];
                    break;
                }
                default: at = len; break;
                }
                push(v);
            }
            break;
        }
        case 0x99:  // jump
        case 0x9D: {  // if
            if (len < 2) break;
            const int16_t off = int16_t(arg[0] | arg[1] << 8);
            const bool take = op == 0x99 || pop().truthy();
            if (take) {
                const int64_t dest = int64_t(next) + off;
                if (dest < 0 || dest > int64_t(size)) return;
                pc = size_t(dest);
                continue;
            }
            break;
        }
        default:
            break;  // not in the subset: skipped
        }
        pc = next;
    }
}

}  // namespace vx::swf
