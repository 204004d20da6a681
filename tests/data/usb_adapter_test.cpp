// Every model of the shipped catalogue through the emulated FT232R adapter and, side by side,
// through the simulated parallel port: each operation ends with the same texts, the same image
// and the same chip. The adapter's board is the parallel board on the adapter's data bits, with
// the adapter's default pins.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "same_as_parallel.h"
#include "shipped_catalogue.h"
#include "app/check_hardware.h"
#include "app/pin_profile.h"
#include "port/bitbang_link.h"
#include "sim/emulated_ftdi.h"
#include "sim/ft232r_emulator.h"

namespace vornalt {
namespace {

using testing::SessionRig;
using testing::Outcome;

// The adapter with its board and a fresh chip of the bench's model, driven by the bench's
// session through a batched link.
struct UsbPath {
    explicit UsbPath(SessionRig& bench, std::int32_t steprate = k_default_steprate)
        : driver(bench.driver),
          board(bench.clock, BoardConnector::bitbang, k_bitbang_wiring),
          ft232r(board, bench.clock),
          device(ft232r),
          link(device, bench.driverstate, steprate) {
        usebitbangdefaults(bench.driverstate);
        board.insert(makechip(bench.model.modelname));
        bench.driver.setlink(&link);
        opened = link.open().ok();
    }
    // The session outlives the adapter: it must not reach for the link once it is gone.
    ~UsbPath() { driver.setlink(nullptr); }
    UsbPath(const UsbPath&) = delete;
    UsbPath& operator=(const UsbPath&) = delete;
    const ChipMemory& chipmemory() {
        board.chip()->settle(board.now_ns());
        return board.chip()->memory();
    }

    PortDriver& driver;
    SimBoard board;
    Ft232rEmulator ft232r;
    EmulatedFtdi device;
    BitBangLink link;
    bool opened = false;
};

class EveryModel : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryModel, EachOperationEndsAsOnTheParallelPort) {
    SessionRig parallel(testing::shippedcatalogue(), GetParam());
    SessionRig usb(testing::shippedcatalogue(), GetParam());
    ASSERT_TRUE(parallel.ready() && usb.ready());
    UsbPath adapter(usb);
    ASSERT_TRUE(adapter.opened);
    ASSERT_NE(adapter.board.chip(), nullptr);

    testing::expecteachoperationasonparallel(parallel, usb, [&]() -> const ChipMemory& { return adapter.chipmemory(); });
    // The operations went through the adapter, not around it.
    EXPECT_GT(adapter.ft232r.bytesclocked(), 0);
    EXPECT_FALSE(adapter.board.lines().vdd || adapter.board.lines().vpp) << "the chip is left powered";
}

// Batching must not wear away unnoticed: a whole 16F877A goes in with fewer flushes than it has
// FLASH rows (8 words each) plus EEPROM bytes (each written byte is checked before the next),
// where one flush per line operation would take over a million.
TEST(UsbAdapter, ProgramAllFlushesAtMostOncePerRowAndEepromByte) {
    SessionRig usb(testing::shippedcatalogue(), "16F877A");
    ASSERT_TRUE(usb.ready());
    UsbPath adapter(usb);
    ASSERT_TRUE(adapter.opened);
    auto words = flashwords(usb.image);
    for (std::size_t a = 0; a < words.size(); ++a) words[a] = static_cast<std::int32_t>(a * 0x0765 + 0x1234) & 0x3FFE;
    auto bytes = eeprombytes(usb.image);
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<std::int32_t>(k * 37 + 11) & 0xFF;
    const std::int64_t before = adapter.link.flushes();
    EXPECT_EQ(usb.run(ChipOperation::programall).endtext, "Chip programmed");
    const std::int64_t rows = static_cast<std::int64_t>(words.size()) / 8;
    EXPECT_LE(adapter.link.flushes() - before, rows + static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(adapter.chipmemory().program[words.size() - 1], words.back()) << "the last word went in";
}

// Check Hardware on the adapter: each box the user ticks reaches the board at once (no later run
// flushes it), and DATA IN is read back through the link; the adapter's saved defaults place the
// lines where the board is wired. An adapter pulled out leaves no box ticked and says why.
TEST(UsbAdapter, CheckHardwareSwitchesTheLinesAndReadsDataIn) {
    SessionRig usb(testing::shippedcatalogue(), "16F84A");
    ASSERT_TRUE(usb.ready());
    UsbPath adapter(usb);
    ASSERT_TRUE(adapter.opened);
    DriverState fromsettings;
    readpinsettings(fromsettings, usb.settings, pinprofile(BackendKind::ftdi));
    EXPECT_EQ(fromsettings.pins, usb.driverstate.pins);
    EXPECT_EQ(fromsettings.inversions, usb.driverstate.inversions);

    CheckHardware check(usb.driver, pinprofile(BackendKind::ftdi));
    check.open();
    EXPECT_EQ(check.caption(Line::dataout), "Enable DATA OUT line (D1)");
    for (const bool on : {true, false, true}) {
        check.setline(Line::dataout, on);
        EXPECT_EQ(adapter.board.lines().data, on);
        check.readdatain();
        EXPECT_EQ(check.ticked(Line::datain), on);
    }
    check.setline(Line::clock, true);
    EXPECT_TRUE(adapter.board.lines().clock);
    check.setline(Line::vdd, true);
    EXPECT_TRUE(adapter.board.lines().vdd);
    EXPECT_FALSE(adapter.board.lines().vpp);
    check.close();
    EXPECT_FALSE(adapter.board.lines().vdd || adapter.board.lines().clock);
    EXPECT_EQ(check.failure(), "");

    // Pulled out while the dialog is open: a tick does not claim the line, and the reason is given.
    adapter.ft232r.unplug();
    check.setline(Line::vdd, true);
    EXPECT_FALSE(check.ticked(Line::vdd));
    EXPECT_EQ(check.failure().rfind("Programmer disconnected", 0), 0u) << check.failure();
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryModel, ::testing::ValuesIn(modelnames(testing::shippedcatalogue())),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace vornalt
