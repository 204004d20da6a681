// The real FTDI library and libusb against the emulated FT232R, through umockdev's usbdevfs
// emulation: the adapter is found and opened, set to bit-bang mode, runs a whole chip operation,
// and its disappearance in the middle of one ends the run as failed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shipped_catalogue.h"
#include "platform/ftdi_device.h"
#include "port/bitbang_link.h"
#include "sim/ft232r_emulator.h"
#include "usbdevfs_device.h"

namespace vornalt {
namespace {

using ::testing::HasSubstr;
using testing::SessionRig;
using testing::Outcome;
using testing::UsbdevfsDevice;

// A testbed with the adapter plugged in, its board holding a fresh chip of the bench's model.
class FakeUsbFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bench.ready());
        board.insert(makechip(bench.model.modelname));
        testbed = umockdev_testbed_new();
        // Without the preload library the real /sys and /dev would be used: refuse to run.
        ASSERT_TRUE(umockdev_in_mock_environment()) << "run under umockdev-wrapper (LD_PRELOAD=libumockdev-preload.so.0)";
        usb = std::make_unique<UsbdevfsDevice>(testbed, ft232r);
        ASSERT_TRUE(usb->attached()) << usb->error();
    }
    void TearDown() override {
        bench.driver.setlink(nullptr);  // the session outlives the link
        link.reset();
        device.reset();
        usb.reset();
        if (testbed != nullptr) g_object_unref(testbed);
    }

    // Opens the adapter and points the bench's driver at it with the adapter's default pins.
    void connect() {
        Result<std::unique_ptr<BitBangDevice>> opened = openftdi("");
        ASSERT_TRUE(opened) << opened.error().message;
        device = std::move(opened).value();
        usebitbangdefaults(bench.driverstate);
        link = std::make_unique<BitBangLink>(*device, bench.driverstate, k_default_steprate);
        ASSERT_TRUE(link->open());
        bench.driver.setlink(link.get());
    }

    SessionRig bench{testing::shippedcatalogue(), "16F84A"};
    VirtualClock usbclock;  // the emulator's own time: the library waits in real time
    SimBoard board{usbclock, BoardConnector::bitbang, k_bitbang_wiring};
    Ft232rEmulator ft232r{board, usbclock};
    UMockdevTestbed* testbed = nullptr;
    std::unique_ptr<UsbdevfsDevice> usb;
    std::unique_ptr<BitBangDevice> device;
    std::unique_ptr<BitBangLink> link;
};

void fillimage(MemoryImage& image) {
    auto words = flashwords(image);
    for (std::size_t a = 0; a < 40; ++a) words[a] = static_cast<std::int32_t>(a * 0x0765 + 0x155) & 0x3FFE;
    auto bytes = eeprombytes(image);
    for (std::size_t k = 0; k < 8; ++k) bytes[k] = static_cast<std::int32_t>(k * 29 + 3) & 0xFF;
}

TEST_F(FakeUsbFixture, ListsOpensConfiguresAndProgramsThroughTheLibrary) {
    const Result<std::vector<FtdiAdapter>> adapters = listftdiadapters();
    ASSERT_TRUE(adapters) << adapters.error().message;
    ASSERT_EQ(adapters.value().size(), 1U);
    EXPECT_EQ(adapters.value()[0].serial, ft232r.identity().serial);
    EXPECT_EQ(adapters.value()[0].description, ft232r.identity().description);
    EXPECT_FALSE(openftdi("NO-SUCH-SERIAL"));

    ASSERT_NO_FATAL_FAILURE(connect());
    EXPECT_EQ(ft232r.mode(), Ft232rEmulator::k_mode_syncbb);
    EXPECT_EQ(ft232r.outputs(), link->outputmask());
    EXPECT_EQ(ft232r.latency_ms(), 1);

    fillimage(bench.image);
    const MemoryImage written = bench.image;
    const Outcome programmed = bench.run(ChipOperation::programall);
    EXPECT_EQ(programmed.endtext, "Chip programmed");
    const Outcome verified = bench.run(ChipOperation::verify);
    EXPECT_EQ(verified.endtext, "Chip verified");
    board.chip()->settle(board.now_ns());
    const ChipMemory& memory = board.chip()->memory();
    for (std::size_t a = 0; a < 40; ++a) EXPECT_EQ(memory.program[a], written.flashbuffer[a]) << a;
    EXPECT_FALSE(board.lines().vdd || board.lines().vpp);

    device->close();
    EXPECT_EQ(ft232r.mode(), Ft232rEmulator::k_mode_reset) << "closing releases the pins";
}

TEST_F(FakeUsbFixture, AdapterPulledOutMidRunFailsTheRun) {
    ASSERT_NO_FATAL_FAILURE(connect());
    fillimage(bench.image);
    usb->vanishafter(usb->bytesout() + 20'000);
    const Outcome outcome = bench.run(ChipOperation::programall);
    EXPECT_FALSE(ft232r.present());
    EXPECT_NE(outcome.endtext, "Chip programmed");
    ASSERT_FALSE(outcome.messages.empty());
    EXPECT_THAT(outcome.messages.front(), HasSubstr(k_programmer_disconnected));
    // The library's error text is stale after a failed transfer ("all fine"): never quoted.
    EXPECT_THAT(outcome.messages.front(), ::testing::Not(HasSubstr("all fine")));
}

}  // namespace
}  // namespace vornalt
