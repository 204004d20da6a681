#include "app/port_selection.h"

#include <gtest/gtest.h>

#include "support/fake_window.h"

namespace vornalt {
namespace {


class StubPort final : public PortIo {
public:
    explicit StubPort(bool available, std::string reason = {}) : available_(available), reason_(std::move(reason)) {}
    void write(std::uint16_t, std::uint8_t) override {}
    std::uint8_t read(std::uint16_t) override { return 0; }
    bool available() const override { return available_; }
    std::string reason() const override { return reason_; }

private:
    bool available_;
    std::string reason_;
};

TEST(PortTexts, ByAddress) {
    struct Case {
        std::int32_t address;
        std::int32_t number;
        const char* ready;
        const char* unavailable;
    };
    const Case cases[] = {
        {888, 1, "Parallel port 1 ready", "Parallel port 1 not available"},
        {632, 2, "Parallel port 2 ready", "Parallel port 2 not available"},
        {956, 3, "Parallel port 3 ready", "Parallel port 3 not available"},
        {1000, 0, "", "Parallel port 0x3E8 not available"},
        {0, 0, "", "Parallel port 0x0 not available"},
        {0xBC00, 0, "", "Parallel port 0xBC00 not available"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(portnumber(c.address), c.number) << c.address;
        EXPECT_EQ(portreadytext(c.address), c.ready) << c.address;
        EXPECT_EQ(portunavailabletext(c.address), c.unavailable) << c.address;
    }
}

TEST(PortState, StatusLineShowsReadyOrNotAvailable) {
    struct Case {
        std::int32_t address;
        bool available;
        std::vector<std::string> statuses;
    };
    const Case cases[] = {
        {888, true, {"Parallel port 1 ready"}},
        {956, true, {"Parallel port 3 ready"}},
        {1000, true, {}},  // an address of its own: nothing to say
        {632, false, {"Parallel port 2 not available"}},
        {1000, false, {"Parallel port 0x3E8 not available"}},
    };
    for (const Case& c : cases) {
        FakeWindow window;
        showportstate(window, c.address, StubPort(c.available));
        EXPECT_EQ(window.statuses, c.statuses) << c.address;
    }
}

TEST(PortReady, UnavailablePortStopsTheWorkWithTheReason) {
    FakeWindow window;
    EXPECT_TRUE(portready(window, 888, StubPort(true)));
    EXPECT_TRUE(window.messages.empty());

    EXPECT_FALSE(portready(window, 632, StubPort(false, "/dev/parport1: permission denied. Add yourself to group lp.")));
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0],
              "Parallel port 2 not available.\r\n\r\n/dev/parport1: permission denied. Add yourself to group lp.");

    EXPECT_FALSE(portready(window, 1000, StubPort(false)));
    EXPECT_EQ(window.messages.back(), "Parallel port 0x3E8 not available.");
}

}  // namespace
}  // namespace vornalt
