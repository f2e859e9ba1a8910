// A small AVM1 action assembler for test movies.
#pragma once

#include "swfwriter/SwfWriter.h"

#include <string>
#include <utility>
#include <vector>

namespace swftest {

using swfw::Bytes;
using swfw::Writer;

// Actions one after the other; report() sends the top of the stack as
// the arguments of FSCommand:r.
struct Asm {
    Bytes b;
    Asm& op(uint8_t code) { b.push_back(code); return *this; }
    Asm& withArgs(uint8_t code, const Bytes& args)
    {
        b.push_back(code);
        b.push_back(uint8_t(args.size() & 0xff));
        b.push_back(uint8_t(args.size() >> 8));
        b.insert(b.end(), args.begin(), args.end());
        return *this;
    }
    Asm& str(const std::string& s)
    {
        Bytes a{0};
        a.insert(a.end(), s.begin(), s.end());
        a.push_back(0);
        return withArgs(0x96, a);
    }
    Asm& num(int32_t v)
    {
        const uint32_t u = uint32_t(v);
        return withArgs(0x96, {7, uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)});
    }
    Asm& reg(uint8_t r) { return withArgs(0x96, {4, r}); }
    Asm& store(uint8_t r) { return withArgs(0x87, {r}); }
    Asm& jump(uint8_t code, int16_t off) { return withArgs(code, {uint8_t(off & 0xff), uint8_t(uint16_t(off) >> 8)}); }
    Asm& add(const Asm& o) { b.insert(b.end(), o.b.begin(), o.b.end()); return *this; }
    // Sends the top of the stack as the arguments of FSCommand:r.
    Asm& report()
    {
        op(0x4B);  // toString
        store(0);
        op(0x17);
        str("FSCommand:r");
        reg(0);
        return withArgs(0x9A, {0});
    }
    Asm& function2(const std::string& name, const std::vector<std::pair<uint8_t, std::string>>& params, uint8_t regs,
                   uint16_t flags, const Asm& body)
    {
        Writer w;
        w.str(name);
        w.u16(unsigned(params.size()));
        w.u8(regs);
        w.u16(flags);
        for (const auto& [r, p] : params) { w.u8(r); w.str(p); }
        w.u16(unsigned(body.b.size()));
        withArgs(0x8E, w.data);
        b.insert(b.end(), body.b.begin(), body.b.end());
        return *this;
    }
};

}  // namespace swftest
