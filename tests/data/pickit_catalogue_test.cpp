// Every model of the shipped catalogue through the emulated PICkit 2: the real runners, engine
// and transfers with the PICkit link plugged under them, the chip at pin level behind the
// emulated programmer. Each operation must end as it does through the parallel port, and the
// chip must hold the same cells.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shipped_catalogue.h"
#include "pickit/pickit_link.h"
#include "sim/chip_model.h"
#include "sim/pickit2_emulator.h"

namespace vornalt {
namespace {

using testing::SessionRig;
using testing::Outcome;

// The parallel-port bench, or the same bench with its transfers going to a PICkit 2 emulator
// that holds its own chip of the model.
class Bench {
public:
    Bench(std::string_view name, bool pickit, const Pickit2Options& options = {}) : bench_(testing::shippedcatalogue(), name) {
        if (!pickit || !bench_.ready()) return;
        emulator_ = std::make_unique<Pickit2Emulator>(bench_.clock, options);
        emulator_->insert(makechip(bench_.model.modelname));
        link_ = std::make_unique<pickit::PickitLink>(*emulator_);
        opened_ = link_->open();
        bench_.transfers.setlink(link_.get());
    }
    ~Bench() { bench_.transfers.setlink(nullptr); }

    bool ready() { return bench_.ready() && opened_.ok(); }
    SessionRig& bench() { return bench_; }
    Outcome run(ChipOperation operation) { return bench_.run(operation); }
    const ChipMemory& memory() {
        if (emulator_ == nullptr) return bench_.chipmemory();
        emulator_->chip()->settle(bench_.clock.now_ns());
        return emulator_->chip()->memory();
    }
    std::int64_t reports() const { return emulator_ != nullptr ? emulator_->reportswritten() : 0; }
    Pickit2Emulator* emulator() { return emulator_.get(); }

private:
    SessionRig bench_;
    std::unique_ptr<Pickit2Emulator> emulator_;
    std::unique_ptr<pickit::PickitLink> link_;
    Status opened_;
};

// A short image (Program and Verify stop early) whose words and bytes all differ.
void fillshort(MemoryImage& image) {
    auto words = flashwords(image);
    for (std::size_t a = 0; a < words.size() && a < 21; ++a) words[a] = (static_cast<std::int32_t>(a) * 0x0765 + 0x11) & 0x3FFF;
    auto bytes = eeprombytes(image);
    for (std::size_t k = 0; k < bytes.size() && k < 9; ++k) bytes[k] = (static_cast<std::int32_t>(k) * 37 + 5) & 0xFF;
}

void expectsamecells(const ChipMemory& pickit, const ChipMemory& parallel) {
    EXPECT_EQ(pickit.program, parallel.program);
    EXPECT_EQ(pickit.eeprom, parallel.eeprom);
    EXPECT_EQ(pickit.id, parallel.id);
    EXPECT_EQ(pickit.config1, parallel.config1);
    EXPECT_EQ(pickit.config2, parallel.config2);
    EXPECT_EQ(pickit.calword, parallel.calword);
    EXPECT_EQ(pickit.calword2, parallel.calword2);
}

class PickitModel : public ::testing::TestWithParam<std::string> {};

TEST_P(PickitModel, AllFiveOperationsEndAsThroughTheParallelPort) {
    Bench parallel(GetParam(), false);
    Bench pickit(GetParam(), true);
    ASSERT_TRUE(parallel.ready());
    ASSERT_TRUE(pickit.ready());
    for (Bench* b : {&parallel, &pickit}) fillshort(b->bench().image);
    const MemoryImage written = parallel.bench().image;

    for (const ChipOperation operation : {ChipOperation::eraseall, ChipOperation::blankcheck, ChipOperation::programall,
                                          ChipOperation::verify, ChipOperation::readall}) {
        SCOPED_TRACE(static_cast<int>(operation));
        if (operation == ChipOperation::readall) {
            // Read All has to fill an empty image from the chip.
            for (Bench* b : {&parallel, &pickit}) {
                clearbuffer(b->bench().image, b->bench().model.config1erased, b->bench().model.config2erased);
            }
        }
        const Outcome expected = parallel.run(operation);
        const Outcome got = pickit.run(operation);
        // The parallel port runs clean, so equal outcomes are successes, not equal failures.
        EXPECT_TRUE(expected.messages.empty()) << expected.messages.front();
        EXPECT_EQ(got.endtext, expected.endtext);
        EXPECT_EQ(got.messages, expected.messages);
        expectsamecells(pickit.memory(), parallel.memory());
    }
    EXPECT_EQ(pickit.bench().image.flashbuffer, parallel.bench().image.flashbuffer);
    EXPECT_EQ(pickit.bench().image.eeprombuffer, parallel.bench().image.eeprombuffer);
    EXPECT_EQ(pickit.bench().image.config1word, parallel.bench().image.config1word);
    for (std::size_t a = 0; a < 21 && a < written.flashbuffer.size(); ++a) {
        EXPECT_EQ(pickit.bench().image.flashbuffer[a], written.flashbuffer[a]) << a;
    }
    EXPECT_GT(pickit.reports(), 0);
}

INSTANTIATE_TEST_SUITE_P(ShippedCatalogue, PickitModel, ::testing::ValuesIn(modelnames(testing::shippedcatalogue())),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(PickitCatalogue, ASupplyFaultEndsTheRunWithTheProgrammersReasonNotAChipResult) {
    Pickit2Options shorted;
    shorted.vdd_short = true;
    Bench pickit("16F84A", true, shorted);
    ASSERT_TRUE(pickit.ready());
    const Outcome outcome = pickit.run(ChipOperation::readall);
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_NE(outcome.messages.front().find("VDD short"), std::string::npos);
    EXPECT_EQ(outcome.endtext, "Chip read failed");
    EXPECT_FALSE(pickit.emulator()->vddon());
}

}  // namespace
}  // namespace vornalt
