#pragma once
// A programmer other than the parallel port checked against it: both sessions run the same
// operations on a chip of the same model, and each operation must end with the same texts, the
// same image and the same chip.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "support/session_rig.h"

namespace vornalt::testing {

// A short image (ends inside the first write block) with a few EEPROM bytes; the configuration
// words stay erased, so nothing is protected.
inline void fillshort(MemoryImage& image) {
    auto words = flashwords(image);
    for (std::size_t a = 0; a < words.size() && a < 21; ++a) words[a] = static_cast<std::int32_t>(a * 0x0765 + 0x123) & 0x3FFE;
    auto bytes = eeprombytes(image);
    for (std::size_t k = 0; k < bytes.size() && k < 9; ++k) bytes[k] = static_cast<std::int32_t>(k * 37 + 5) & 0xFF;
}

inline bool samememory(const ChipMemory& a, const ChipMemory& b) {
    return a.program == b.program && a.eeprom == b.eeprom && a.id == b.id && a.config1 == b.config1 &&
           a.config2 == b.config2 && a.calword == b.calword && a.calword2 == b.calword2;
}

// Erase, Program All of a short image, Verify, Read All, Erase and Blank Check on both sessions;
// otherchip gives the chip behind the other programmer as it stands after each one.
inline void expecteachoperationasonparallel(SessionRig& parallel, SessionRig& other,
                                            const std::function<const ChipMemory&()>& otherchip) {
    struct Step {
        ChipOperation operation;
        const char* endtext;
        bool fillfirst;
    };
    const Step steps[] = {
        {ChipOperation::eraseall, "Chip erased", false},  {ChipOperation::programall, "Chip programmed", true},
        {ChipOperation::verify, "Chip verified", false},  {ChipOperation::readall, "Chip read", false},
        {ChipOperation::eraseall, "Chip erased", false},  {ChipOperation::blankcheck, "Chip is blank", false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.endtext);
        if (step.fillfirst) {
            fillshort(parallel.image);
            fillshort(other.image);
        }
        const Outcome onport = parallel.run(step.operation);
        const Outcome onother = other.run(step.operation);
        EXPECT_EQ(onport.endtext, step.endtext);
        EXPECT_EQ(onother.endtext, onport.endtext);
        EXPECT_EQ(onother.messages, onport.messages);
        EXPECT_EQ(other.image.flashbuffer, parallel.image.flashbuffer);
        EXPECT_EQ(other.image.eeprombuffer, parallel.image.eeprombuffer);
        EXPECT_EQ(other.image.idwords, parallel.image.idwords);
        EXPECT_EQ(other.image.config1word, parallel.image.config1word);
        EXPECT_TRUE(samememory(otherchip(), parallel.chipmemory()));
    }
}

}  // namespace vornalt::testing
