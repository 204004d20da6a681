// hidapi on libusb, for real, against the emulated PICkit 2 through umockdev's usbdevfs
// emulation: the programmer is found by its IDs and opened, tells its firmware, runs a whole chip
// operation, and its disappearance in the middle of one fails the run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shipped_catalogue.h"
#include "pickit/pickit_devices.h"
#include "pickit/pickit_link.h"
#include "platform/bitbang_device.h"
#include "sim/pickit2_emulator.h"
#include "usbdevfs_device.h"

namespace vornalt {
namespace {

using ::testing::HasSubstr;
using testing::Outcome;
using testing::SessionRig;
using testing::UsbdevfsDevice;

class FakeHidFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bench.ready());
        pickit.insert(makechip(bench.model.modelname));
        testbed = umockdev_testbed_new();
        ASSERT_TRUE(umockdev_in_mock_environment()) << "run under umockdev-wrapper (LD_PRELOAD=libumockdev-preload.so.0)";
        usb = std::make_unique<UsbdevfsDevice>(testbed, pickit);
        ASSERT_TRUE(usb->attached()) << usb->error();
    }
    void TearDown() override {
        bench.driver.setlink(nullptr);  // the session outlives the link
        link.reset();
        transport.reset();
        usb.reset();
        if (testbed != nullptr) g_object_unref(testbed);
    }

    void connect() {
        Result<std::unique_ptr<HidTransport>> opened = pickit::openpickit("");
        ASSERT_TRUE(opened) << opened.error().message;
        transport = std::move(opened).value();
        link = std::make_unique<pickit::PickitLink>(*transport);
        ASSERT_TRUE(link->open()) << link->status().error().message;
        bench.driver.setlink(link.get());
    }

    SessionRig bench{testing::shippedcatalogue(), "16F84A"};
    VirtualClock usbclock;  // the emulator's own time: the library waits in real time
    Pickit2Emulator pickit{usbclock};
    UMockdevTestbed* testbed = nullptr;
    std::unique_ptr<UsbdevfsDevice> usb;
    std::unique_ptr<HidTransport> transport;
    std::unique_ptr<pickit::PickitLink> link;
};

void fillimage(MemoryImage& image) {
    auto words = flashwords(image);
    for (std::size_t a = 0; a < 40; ++a) words[a] = static_cast<std::int32_t>(a * 0x0765 + 0x155) & 0x3FFE;
}

TEST_F(FakeHidFixture, FindsOpensAndProgramsThroughTheLibrary) {
    const Result<std::vector<HidDeviceInfo>> found = pickit::findpickits();
    ASSERT_TRUE(found) << found.error().message;
    ASSERT_EQ(found.value().size(), 1U);
    EXPECT_EQ(found.value()[0].serial, pickit.identity().serial);
    EXPECT_FALSE(pickit::openpickit("NO-SUCH-SERIAL"));

    ASSERT_NO_FATAL_FAILURE(connect());
    EXPECT_EQ(pickit::versiontext(link->version()), "2.32.00");
    fillimage(bench.image);
    const MemoryImage written = bench.image;
    EXPECT_EQ(bench.run(ChipOperation::programall).endtext, "Chip programmed");
    EXPECT_EQ(bench.run(ChipOperation::verify).endtext, "Chip verified");
    pickit.chip()->settle(usbclock.now_ns());
    for (std::size_t a = 0; a < 40; ++a) EXPECT_EQ(pickit.chip()->memory().program[a], written.flashbuffer[a]) << a;
    link->close();
    EXPECT_FALSE(pickit.vddon() || pickit.vppon());
}

TEST_F(FakeHidFixture, ProgrammerPulledOutMidRunFailsTheRun) {
    ASSERT_NO_FATAL_FAILURE(connect());
    fillimage(bench.image);
    usb->vanishafter(usb->bytesout() + 40 * 64);
    const Outcome outcome = bench.run(ChipOperation::programall);
    EXPECT_FALSE(pickit.present());
    EXPECT_NE(outcome.endtext, "Chip programmed");
    ASSERT_FALSE(outcome.messages.empty());
    EXPECT_THAT(outcome.messages.front(), HasSubstr(k_programmer_disconnected));
}

}  // namespace
}  // namespace vornalt
