// Random byte strings from a fixed seed, for the robustness loops of the
// decoder tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace vxtest {

inline std::vector<uint8_t> randomBytes(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& x : v)
        x = uint8_t(rng());
    return v;
}

// count strings of random length below maxSize.
inline std::vector<std::vector<uint8_t>> randomInputs(int count, size_t maxSize, uint32_t seed = 7)
{
    std::mt19937 gen(seed);
    std::vector<std::vector<uint8_t>> out;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> b(gen() % maxSize);
        for (auto& x : b)
            x = uint8_t(gen());
        out.push_back(std::move(b));
    }
    return out;
}

}  // namespace vxtest
