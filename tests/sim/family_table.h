#pragma once
// One part of each programming family, with the way its program memory and EEPROM are written,
// so one test can run over all of them.
#include <cstdint>
#include <vector>

#include "sim_rig.h"

namespace vornalt::testing {

struct FamilyCase {
    const char* model;
    std::int32_t powerorder;   // 1 VDD first, 2 VPP first
    std::int32_t latchwords;   // words written by one write command
    std::int32_t writecode;    // program memory write
    std::int32_t writewait_ms; // the shortest wait that lets it land
    std::int32_t endcode;      // End Programming after the wait, or -1
    std::int32_t eewritecode;
    std::int32_t eewait_ms;
    std::int32_t eeendcode;
};

inline const std::vector<FamilyCase>& familycases() {
    static const std::vector<FamilyCase> cases{
        {"16F84A", 1, 1, 0x08, 8, -1, 0x08, 8, -1},
        {"16F877", 1, 1, 0x08, 8, -1, 0x08, 8, -1},
        {"16F877A", 1, 8, 0x08, 8, -1, 0x08, 8, -1},
        {"16F628A", 2, 1, 0x08, 4, -1, 0x08, 6, -1},
        {"12F675", 2, 1, 0x08, 3, -1, 0x08, 6, -1},
        {"16F88", 2, 4, 0x18, 1, 0x17, 0x18, 1, 0x17},
        {"16F690", 2, 4, 0x08, 3, -1, 0x08, 6, -1},
        {"16F628", 2, 1, 0x18, 8, -1, 0x18, 8, -1},
        {"16F887", 2, 8, 0x08, 5, -1, 0x08, 6, -1},
        {"16F917", 2, 8, 0x08, 5, -1, 0x08, 6, -1},
    };
    return cases;
}

// Loads the words into consecutive latches from the PC on, writes them, waits, and leaves the
// PC on the word after the last one.
inline void programwords(SimRig& rig, const FamilyCase& f, const std::vector<std::int32_t>& words,
                         std::int32_t wait_ms) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        rig.load(0x02, words[i]);
        if (i + 1 < words.size()) rig.increment();
    }
    rig.command(f.writecode);
    rig.wait_ms(wait_ms);
    if (f.endcode >= 0) rig.endprogramming(f.endcode);
    rig.increment();
}

inline void programbyte(SimRig& rig, const FamilyCase& f, std::int32_t byte, std::int32_t wait_ms) {
    rig.load(0x03, byte);
    rig.command(f.eewritecode);
    rig.wait_ms(wait_ms);
    if (f.eeendcode >= 0) rig.endprogramming(f.eeendcode);
}

inline std::vector<std::int32_t> readwords(SimRig& rig, std::int32_t code, std::int32_t count) {
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0; i < count; ++i) {
        out.push_back(rig.read(code));
        rig.increment();
    }
    return out;
}

}  // namespace vornalt::testing
