// Writes the start logo movie: the title "Vextrel Viewer" drawn letter by
// letter in vector strokes with a gradient, each letter fading in, then a
// gradient underline growing under the title (a morph shape). About four
// seconds at 24 frames per second; the last frame stays.
//
// Usage: swflogo <output.swf>
#include "swfwriter/SwfWriter.h"

#include <cmath>
#include <cstdio>
#include <map>

using namespace swfw;

namespace {

struct Seg {
    double x1, y1, x2, y2;
};

// Letters on a 4 x 6 grid (y down, baseline at 6, x-height from 2).
const std::map<char, std::vector<Seg>>& glyphs()
{
    static const std::map<char, std::vector<Seg>> g = {
        {'V', {{0, 0, 2, 6}, {2, 6, 4, 0}}},
        {'e', {{0, 4, 4, 4}, {4, 4, 4, 2}, {4, 2, 0, 2}, {0, 2, 0, 6}, {0, 6, 4, 6}}},
        {'x', {{0, 2, 4, 6}, {4, 2, 0, 6}}},
        {'t', {{1, 0, 1, 6}, {0, 2, 3, 2}, {1, 6, 3, 6}}},
        {'r', {{0, 2, 0, 6}, {0, 3, 2, 2}, {2, 2, 4, 2}}},
        {'l', {{2, 0, 2, 6}}},
        {'i', {{2, 2, 2, 6}, {2, 0, 2, 0.6}}},
        {'w', {{0, 2, 1, 6}, {1, 6, 2, 3}, {2, 3, 3, 6}, {3, 6, 4, 2}}},
    };
    return g;
}

constexpr int kUnit = 110;       // twips per grid step
constexpr int kThick = 80;       // stroke thickness in twips
constexpr int kAdvance = 6 * kUnit;

// One letter as filled stroke quads, each with its own fill so overlaps add up.
ShapeBuilder letter(char c)
{
    ShapeBuilder s;
    const double h = 6 * kUnit;
    Matrix grad;  // vertical gradient over the letter's height
    grad.sx = 0;
    grad.sy = 0;
    grad.r0 = h / 32768.0;
    grad.r1 = -h / 32768.0;
    grad.tx = 2 * kUnit;
    grad.ty = int(h / 2);
    for (const Seg& sg : glyphs().at(c)) {
        const int f = s.addFill(Fill::gradient(0x10, grad, {{0, 0xff7dff3cu}, {140, 0xff3cffc8u}, {255, 0xff1e7dffu}}));
        const double x1 = sg.x1 * kUnit, y1 = sg.y1 * kUnit, x2 = sg.x2 * kUnit, y2 = sg.y2 * kUnit;
        double dx = x2 - x1, dy = y2 - y1;
        const double len = std::hypot(dx, dy);
        double nx = 0, ny = 0;
        if (len > 0) {
            nx = -dy / len * kThick / 2;
            ny = dx / len * kThick / 2;
            dx = dx / len * kThick / 2;  // square ends
            dy = dy / len * kThick / 2;
        }
        const int ax = int(std::lround(x1 - dx + nx)), ay = int(std::lround(y1 - dy + ny));
        const int bx = int(std::lround(x2 + dx + nx)), by = int(std::lround(y2 + dy + ny));
        const int cx = int(std::lround(x2 + dx - nx)), cy = int(std::lround(y2 + dy - ny));
        const int ex = int(std::lround(x1 - dx - nx)), ey = int(std::lround(y1 - dy - ny));
        s.style(0, f, 0);
        s.moveTo(ax, ay);
        s.lineTo(bx, by);
        s.lineTo(cx, cy);
        s.lineTo(ex, ey);
        s.lineTo(ax, ay);
    }
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: swflogo <output.swf>\n");
        return 2;
    }
    const std::string title = "Vextrel Viewer";
    const int stageW = 550 * 20, stageH = 400 * 20;
    Movie m(stageW, stageH, 24);
    m.background(0x141414);

    // One shape per distinct letter.
    std::map<char, uint16_t> ids;
    uint16_t next = 1;
    for (char c : title) {
        if (c == ' ' || ids.count(c)) continue;
        ids[c] = next;
        m.shape(next++, letter(c), 3);
    }
    // The underline grows from the centre to the title's width.
    const int titleWidth = int(title.size()) * kAdvance - 2 * kUnit;
    const int left = (stageW - titleWidth) / 2, base = stageH / 2 + 3 * kUnit;
    const uint16_t underline = next++;
    {
        ShapeBuilder a, b;
        a.fills.push_back(Fill::solid(0));
        b.fills.push_back(Fill::solid(0));
        a.rect(stageW / 2 - 20, base + 200, 40, 60, 1);
        b.rect(left, base + 200, titleWidth, 60, 1);
        m.tag(46, defineMorphShape(underline, a, b, {{0x003cffc8u, 0xff7dff3cu}}));
    }

    const int perLetter = 4, fade = 6, holdFrames = 30, lineFrames = 24;
    const int lettersEnd = int(title.size()) * perLetter + fade;
    const int total = lettersEnd + lineFrames + holdFrames;
    const int top = stageH / 2 - 3 * kUnit;
    for (int f = 0; f < total; ++f) {
        for (size_t i = 0; i < title.size(); ++i) {
            const char c = title[i];
            if (c == ' ') continue;
            const int born = int(i) * perLetter, age = f - born;
            if (age < 0 || age > fade) continue;
            CxForm cx;
            cx.am = 256 * age / fade;
            const uint16_t depth = uint16_t(10 + i);
            // Each letter drops in from slightly above while it fades in.
            const Matrix pos = Matrix::translate(left + int(i) * kAdvance, top - (fade - age) * 20);
            if (age == 0) m.place(depth, ids[c], pos, &cx);
            else m.place(depth, 0, pos, &cx, -1, -1, "", true);
        }
        const int lineAge = f - lettersEnd;
        if (lineAge >= 0 && lineAge <= lineFrames) {
            const int ratio = 65535 * lineAge / lineFrames;
            if (lineAge == 0) m.place(2, underline, Matrix(), nullptr, ratio);
            else m.place(2, 0, Matrix(), nullptr, ratio, -1, "", true);
        }
        if (f == total - 1) m.doAction(act::stop());
        m.showFrame();
    }
    const Bytes bytes = m.bytes(true);
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && ok ? 0 : 1;
}
