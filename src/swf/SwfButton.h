// Buttons: the records of DefineButton and DefineButton2 with their up,
// over, down and hit-test states, the condition actions (mouse transitions
// and key presses), DefineButtonCxform and DefineButtonSound.
#pragma once

#include "swf/SwfStream.h"

#include <QTransform>
#include <array>
#include <vector>

namespace vx::swf {

struct ButtonRecord {
    uint8_t states = 0;  // 1 up, 2 over, 4 down, 8 hit test
    uint16_t charId = 0, depth = 0;
    QTransform matrix;
    CxForm cx;
};

// Transitions a condition names, as DefineButton2 stores them (low byte
// first; the key code sits in bits 9..15).
enum ButtonCondition : uint16_t {
    IdleToOverUp = 0x01,       // roll over
    OverUpToIdle = 0x02,       // roll out
    OverUpToOverDown = 0x04,   // press
    OverDownToOverUp = 0x08,   // release
    OverDownToOutDown = 0x10,  // drag out
    OutDownToOverDown = 0x20,  // drag over
    OutDownToIdle = 0x40,      // release outside
    IdleToOverDown = 0x80,     // menu: drag over
    OverDownToIdle = 0x100,    // menu: drag out
};

struct ButtonAction {
    uint16_t conditions = 0;
    int key = 0;  // key press code, 0 for none
    size_t offset = 0, size = 0;  // action bytes in the movie data
};

// A button sound: DefineSound id and the start-sound record (0: none).
struct ButtonSound {
    uint16_t soundId = 0;
    size_t infoOffset = 0, infoSize = 0;
};

struct ButtonData {
    std::vector<ButtonRecord> records;  // by depth
    std::vector<ButtonAction> actions;
    bool trackAsMenu = false;
    // Sounds of the transitions over-to-up, up-to-over, over-to-down, down-to-over.
    std::array<ButtonSound, 4> sounds{};
};

// Parses DefineButton (tag 7) or DefineButton2 (34) after the id; base is
// the offset of s's data in the movie, for the action positions.
ButtonData parseButton(Stream& s, int tag, size_t base);
// DefineButtonCxform after the id: one colour transform for every record.
void applyButtonCxform(ButtonData& b, Stream& s);
// DefineButtonSound after the id.
void applyButtonSound(ButtonData& b, Stream& s, size_t base);

}  // namespace vx::swf
