#include "EntryPath.h"

#include <cctype>

namespace unz {
namespace {

char norm(char c)
{
    if (c == '\\')
        return '/';
    return char(std::tolower(static_cast<unsigned char>(c)));
}

// Iterative wildcard match with single-star backtracking: linear in practice,
// never exponential.
bool wildcard(const std::string& p, const std::string& s)
{
    size_t pi = 0, si = 0, star = std::string::npos, mark = 0;
    while (si < s.size()) {
        if (pi < p.size() && (p[pi] == '?' || norm(p[pi]) == norm(s[si]))) {
            ++pi;
            ++si;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = si;
        } else if (star != std::string::npos) {
            pi = star + 1;
            si = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

}  // namespace

bool matchesSpec(const std::string& pattern, const std::string& name)
{
    if (pattern == "*.*" || pattern == "*")
        return true;
    return wildcard(pattern, name);
}

std::optional<std::vector<std::string>> safeRelativeParts(const std::string& storedName)
{
    if (storedName.empty() || storedName[0] == '/' || storedName[0] == '\\')
        return std::nullopt;
    if (storedName.size() >= 2 && storedName[1] == ':')
        return std::nullopt;  // "C:..." names a drive
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&]() -> bool {
        if (part == "..")
            return false;
        if (!part.empty() && part != ".")
            parts.push_back(part);
        part.clear();
        return true;
    };
    for (char c : storedName) {
        if (c == '/' || c == '\\') {
            if (!flush())
                return std::nullopt;
        } else {
            part += c;
        }
    }
    if (!flush() || parts.empty())
        return std::nullopt;
    return parts;
}

bool isFolderName(const std::string& storedName)
{
    return !storedName.empty() && (storedName.back() == '/' || storedName.back() == '\\');
}

}  // namespace unz
