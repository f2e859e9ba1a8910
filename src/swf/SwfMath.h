// Rounding without library calls: the baseline x86-64 instruction set has
// no rounding instruction, so std::round and std::floor are calls into the
// maths library, which the rasterizer would make for every vertex.
#pragma once

#include <cmath>
#include <cstdint>

namespace vx::swf {

// Beyond this a double has no fraction left.
inline constexpr double kExactIntegers = 4.5e15;

// std::round: halves away from zero. Adding the largest double below a
// half, with v's sign, carries exactly the values whose fraction is at
// least a half to the next integer; truncation does the rest, without a
// branch on the fraction.
inline double roundAway(double v)
{
    if (!(std::abs(v) < kExactIntegers)) return std::round(v);
    return double(int64_t(v + std::copysign(0.49999999999999994, v)));
}

// std::floor.
inline double floorFast(double v)
{
    if (!(std::abs(v) < kExactIntegers)) return std::floor(v);
    const double t = double(int64_t(v));
    return t > v ? t - 1 : t;
}

// floor of v as an int, for v well inside the int range.
inline int floorInt(double v)
{
    const int i = int(v);
    return i - (double(i) > v);
}

inline int floorInt(float v)
{
    const int i = int(v);
    return i - (float(i) > v);
}

}  // namespace vx::swf
