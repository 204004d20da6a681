// The device ID read at 2006h before anything is written: a wrong part or an empty socket stops
// every operation of the shipped catalogue with the chip unchanged, unless the user lets it go on.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "shipped_catalogue.h"
#include "sim/chip_model.h"

namespace vornalt {
namespace {

using testing::SessionRig;
using testing::shippedcatalogue;
using testing::Outcome;

// A model and the part that is really in the socket ("" for none), with what the user is told.
struct WrongChipCase {
    std::string_view model;
    std::string_view socket;
    std::string_view problem;
};

constexpr std::array<WrongChipCase, 5> k_wrongchips{{
    {"16F877A", "16F877", "Device ID 09A0h is not a 16F877A (expects 0E20h)."},
    {"16F628A", "16F627A", "Device ID 1040h is not a 16F628A (expects 1060h)."},
    {"12F675", "12F629", "Device ID 0F80h is not a 12F675 (expects 0FC0h)."},
    {"16F88", "16F87", "Device ID 0720h is not a 16F88 (expects 0760h)."},
    {"16F877A", "", "No chip answered: the device ID reads 3FFFh."},
}};

constexpr std::array<ChipOperation, 5> k_operations{ChipOperation::eraseall, ChipOperation::programall,
                                                    ChipOperation::readall, ChipOperation::blankcheck,
                                                    ChipOperation::verify};

// A chip that holds something, so an erase or a write would show.
std::unique_ptr<SimChip> usedchip(std::string_view name) {
    const ChipModel* part = findchipmodel(name);
    if (part == nullptr) return nullptr;
    auto chip = std::make_unique<SimChip>(*part);
    chip->memory().program[5] = 0x1234;
    chip->memory().eeprom[1] = 0x42;
    return chip;
}

void fillimage(MemoryImage& image) {
    for (std::int32_t a = 0; a < 16; ++a) image.flashbuffer[static_cast<std::size_t>(a)] = 0x2000 + a;
}

TEST(DeviceId, AWrongChipOrAnEmptySocketStopsEveryOperationBeforeWriting) {
    for (const WrongChipCase& c : k_wrongchips) {
        for (const ChipOperation operation : k_operations) {
            SCOPED_TRACE(std::string(c.model) + " with '" + std::string(c.socket) + "' in the socket, operation " +
                         std::to_string(static_cast<int>(operation)));
            SessionRig bench(shippedcatalogue(), c.model, usedchip(c.socket.empty() ? c.model : c.socket));
            ASSERT_TRUE(bench.ready());
            if (c.socket.empty()) bench.board().insert(nullptr);
            fillimage(bench.image);
            bench.app.label_hex = "user.hex";
            const MemoryImage before = bench.image;

            const Outcome outcome = bench.run(operation);
            EXPECT_EQ(outcome.endtext, operationtexts(operation).stopped);
            // The user was asked (and the empty answer queue said No); nothing was written.
            bool asked = false;
            for (const std::string& call : bench.window.calls) {
                if (call.starts_with("question:") && call.find(c.problem) != std::string::npos) asked = true;
            }
            EXPECT_TRUE(asked);
            EXPECT_TRUE(bench.engine.runstopped);
            // Read All, which empties the image to start, gives the old one back.
            EXPECT_EQ(bench.image.flashbuffer, before.flashbuffer);
            EXPECT_EQ(bench.image.eeprombuffer, before.eeprombuffer);
            EXPECT_EQ(bench.app.label_hex, "user.hex");
            if (!c.socket.empty()) {
                const ChipMemory& memory = bench.chipmemory();
                EXPECT_EQ(memory.program[5], 0x1234);
                EXPECT_EQ(memory.program[0], 0x3FFF);
                EXPECT_EQ(memory.eeprom[1], 0x42);
            }
            EXPECT_FALSE(bench.board().lines().vdd);
            EXPECT_FALSE(bench.board().lines().vpp);
        }
    }
}

TEST(DeviceId, TheUserOrTheFrontEndCanLetTheRunGoOn) {
    for (const bool byoption : {false, true}) {
        SCOPED_TRACE(byoption ? "ignoredeviceid" : "answered Yes");
        SessionRig bench(shippedcatalogue(), "16F877A", usedchip("16F877"));
        ASSERT_TRUE(bench.ready());
        if (byoption) {
            bench.engine.ignoredeviceid = true;
        } else {
            bench.window.questionanswers.push_back(true);
        }
        EXPECT_EQ(bench.run(ChipOperation::readall).endtext, "Chip read");
        EXPECT_EQ(bench.image.flashbuffer[5], 0x1234);
        EXPECT_FALSE(bench.engine.runstopped);
    }
}

// Every silicon revision of the right part is accepted without a word.
TEST(DeviceId, RevisionBitsAreNotPartOfTheIdentity) {
    SessionRig bench(shippedcatalogue(), "16F877A");
    ASSERT_TRUE(bench.ready());
    const Outcome outcome = bench.run(ChipOperation::blankcheck);
    EXPECT_EQ(outcome.endtext, "Chip is blank");
    EXPECT_TRUE(outcome.messages.empty());
    for (const std::string& call : bench.window.calls) EXPECT_FALSE(call.starts_with("question:")) << call;
}

}  // namespace
}  // namespace vornalt
