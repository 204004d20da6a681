// The owner of the port: the driver talks straight to the backend (or to the trace around it),
// and a port change moves the driver off the old backend and releases it before the new one
// opens (an adapter can be opened only once).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "support/silent_window.h"
#include "programmer/programmer_port.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

struct Rig;

class CountingPort final : public PortIo {
public:
    CountingPort(Rig& rig, std::int32_t base);
    ~CountingPort() override;
    void write(std::uint16_t, std::uint8_t) override { ++writes; }
    std::uint8_t read(std::uint16_t) override { return 0; }

    Rig& rig_;
    std::int32_t base;
    int writes = 0;
};

struct Rig {
    DriverState state;
    VirtualClock clock;
    SilentWindow window;
    EventPump pump{window, clock};
    std::vector<std::int32_t> opened;
    CountingPort* latest = nullptr;
    bool releasedwhileinuse = false;
    int live = 0;
    bool openedbeforerelease = false;
    ProgrammerPort port{row(), "", clock, state};
    PortDriver driver{state, port.io(), pump, clock};

    BackendRow row() {
        BackendRow r = backendrow(BackendKind::parallelport);
        r.open = [this](const BackendOpening& opening) -> std::unique_ptr<PortIo> {
            opened.push_back(opening.portaddress);
            openedbeforerelease |= live > 0;
            auto backend = std::make_unique<CountingPort>(*this, opening.portaddress);
            latest = backend.get();
            return backend;
        };
        return r;
    }
    void open(std::int32_t address) {
        state.portaddress = address;
        port.open(address, driver);
    }
};

CountingPort::CountingPort(Rig& rig, std::int32_t base) : rig_(rig), base(base) { ++rig_.live; }
CountingPort::~CountingPort() {
    --rig_.live;
    rig_.releasedwhileinuse |= &rig_.driver.io() == this;
}

TEST(ProgrammerPort, DriverTalksStraightToEachNewBackend) {
    Rig rig;
    EXPECT_FALSE(rig.port.io().available()) << "nothing is open before the first open";
    for (const std::int32_t address : {888, 632, 888}) {
        rig.open(address);
        auto* backend = dynamic_cast<CountingPort*>(&rig.driver.io());
        ASSERT_NE(backend, nullptr) << "no forwarder between the driver and the backend";
        EXPECT_EQ(&rig.port.io(), backend);
        EXPECT_EQ(backend->base, address);
        rig.driver.vddon();
        EXPECT_EQ(backend->writes, 2);
    }
    EXPECT_EQ(rig.opened, (std::vector<std::int32_t>{888, 632, 888}));
    EXPECT_FALSE(rig.releasedwhileinuse);
    EXPECT_FALSE(rig.openedbeforerelease);
}

TEST(ProgrammerPort, TraceSitsBetweenDriverAndEveryBackendOpenedAfterIt) {
    const testing::TempFolder folder;
    Rig rig;
    ASSERT_TRUE(rig.port.starttrace((folder.path() / "lines.vcd").string()));
    for (const std::int32_t address : {888, 956}) {
        rig.open(address);
        EXPECT_EQ(dynamic_cast<CountingPort*>(&rig.driver.io()), nullptr) << "the trace is in between";
        rig.driver.clockon();
        ASSERT_NE(rig.latest, nullptr);
        EXPECT_EQ(rig.latest->base, address);
        EXPECT_EQ(rig.latest->writes, 2) << "the trace passes every access to the port opened last";
    }
    EXPECT_FALSE(rig.releasedwhileinuse);
    EXPECT_FALSE(rig.openedbeforerelease);
    ASSERT_TRUE(rig.port.finish());
}

}  // namespace
}  // namespace vornalt
