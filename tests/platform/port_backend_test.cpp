#include "platform/port_backend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/unavailable_port.h"
#include "support/temp_folder.h"

#if defined(__linux__)
#include "platform/ppdev_port.h"
#endif

namespace vornalt {
namespace {

using ::testing::HasSubstr;

TEST(PortBackend, AddressesOutsideTheIoSpaceAreRefusedNotTruncated) {
    for (std::int32_t address : {-1, -888, 65534, 65535, 65536, 65536 + 888, 1 << 30}) {
        const auto port = openport(address);
        ASSERT_NE(port, nullptr);
        EXPECT_FALSE(port->available()) << address;
        EXPECT_THAT(port->reason(), HasSubstr(std::to_string(address)));
        EXPECT_THAT(port->reason(), HasSubstr("0 to 65533"));
    }
}

TEST(PortBackend, UnavailablePortMovesNothingAndReadsAnEmptyBus) {
    UnavailablePort port("why and what to do");
    port.write(888, 0x55);
    EXPECT_EQ(port.read(889), 0xFF);
    EXPECT_FALSE(port.available());
    EXPECT_EQ(port.reason(), "why and what to do");
}

#if defined(__linux__)

TEST(Ppdev, FindsTheDeviceByBaseAddressThenByTheUsualNumbering) {
    testing::TempFolder proc;
    proc.write("parport0/base-addr", "53264\t53256\n");  // a PCI card listed first
    proc.write("parport1/base-addr", "888\t1912\n");
    proc.write("parport2/base-addr", "not a number\n");
    proc.write("parport3/autoprobe", "");  // no base-addr at all
    proc.write("default/timeslice", "200\n");
    struct Case {
        std::int32_t address;
        std::string device;
    };
    const std::vector<Case> cases = {
        {888, "/dev/parport1"},    // the listed base address wins over the usual numbering
        {53264, "/dev/parport0"},  // any address the system lists
        {632, "/dev/parport1"},    // not listed: the usual numbering
        {956, "/dev/parport2"},
    };
    for (const Case& c : cases) {
        const auto device = findparport(c.address, proc.path(), "/dev");
        ASSERT_TRUE(device.ok()) << c.address << ": " << device.error().message;
        EXPECT_EQ(device.value(), c.device) << c.address;
    }
    const auto none = findparport(1000, proc.path(), "/dev");
    ASSERT_FALSE(none.ok());
    EXPECT_THAT(none.error().message, HasSubstr("1000 (0x3E8)"));
    EXPECT_THAT(none.error().message, HasSubstr("parport0 at 53264 (0xD010)"));
    EXPECT_THAT(none.error().message, HasSubstr("parport1 at 888 (0x378)"));
}

TEST(Ppdev, WithoutParportSupportOnlyTheUsualAddressesMap) {
    testing::TempFolder empty;
    const auto missing = empty.path() / "no-such-dir";
    EXPECT_EQ(findparport(888, missing, "/dev").value(), "/dev/parport0");
    EXPECT_EQ(findparport(632, missing, "/dev").value(), "/dev/parport1");
    EXPECT_EQ(findparport(956, missing, "/dev").value(), "/dev/parport2");
    const auto other = findparport(0x3E8, missing, "/dev");
    ASSERT_FALSE(other.ok());
    EXPECT_THAT(other.error().message, HasSubstr("modprobe parport_pc ppdev"));
}

TEST(Ppdev, AbsentDeviceIsUnavailableWithWhatToDo) {
    testing::TempFolder dev;
    const std::string path = (dev.path() / "parport0").string();
    const auto port = openppdev(path, 888);
    ASSERT_NE(port, nullptr);
    EXPECT_FALSE(port->available());
    EXPECT_THAT(port->reason(), HasSubstr("Cannot open " + path));
    EXPECT_THAT(port->reason(), HasSubstr("No such file or directory"));
    EXPECT_THAT(port->reason(), HasSubstr("modprobe ppdev"));
    EXPECT_THAT(port->reason(), HasSubstr("888 (0x378)"));
}

TEST(Ppdev, SomethingThatIsNotAParallelPortIsRefused) {
    testing::TempFolder dev;
    for (const std::string& path : {std::string("/dev/null"), dev.write("regular-file", "x")}) {
        const auto port = openppdev(path, 888);
        ASSERT_NE(port, nullptr);
        EXPECT_FALSE(port->available()) << path;
        EXPECT_THAT(port->reason(), HasSubstr("not a parallel-port device")) << path;
    }
}

TEST(Ppdev, InvalidAddressIsRefusedBeforeTheDeviceIsTouched) {
    for (std::int32_t address : {-1, 65534, 70000}) {
        const auto port = openppdev("/dev/null", address);
        EXPECT_FALSE(port->available());
        EXPECT_THAT(port->reason(), HasSubstr(std::to_string(address)));
    }
}

TEST(Ppdev, ReasonsSayWhatToDo) {
    struct Case {
        int error;
        std::string step;
        std::string hint;
    };
    const std::vector<Case> cases = {
        {EACCES, "open", "lp group"},          {EPERM, "open", "lp group"},
        {ENOENT, "open", "modprobe ppdev"},    {ENXIO, "open", "enabled in the BIOS"},
        {ENODEV, "PPCLAIM", "parport_pc"},     {EBUSY, "PPCLAIM", "modprobe -r lp"},
        {ENOTTY, "PPCLAIM", "/dev/parportN"},  {EIO, "PPWDATA", "connection"},
    };
    for (const Case& c : cases) {
        const std::string text = ppdevreason(c.error, "/dev/parport1", 632, c.step);
        EXPECT_THAT(text, HasSubstr("/dev/parport1")) << c.error;
        EXPECT_THAT(text, HasSubstr(std::strerror(c.error))) << c.error;
        EXPECT_THAT(text, HasSubstr(c.hint)) << c.error;
        if (c.step != "open") {
            EXPECT_THAT(text, HasSubstr(c.step)) << c.error;
        }
    }
}

TEST(Ppdev, OpenPortOnAMachineWithoutTheDevice) {
    const auto device = findparport(888);
    if (device.ok() && std::filesystem::exists(device.value())) GTEST_SKIP() << "this machine has a parallel port";
    const auto port = openport(888);
    ASSERT_NE(port, nullptr);
    EXPECT_FALSE(port->available());
    EXPECT_FALSE(port->reason().empty());
}

#endif

}  // namespace
}  // namespace vornalt
