#pragma once
// Window services that show nothing and answer every question with No or Cancel: for
// benchmarks and tests that measure or drive the core without anybody watching. It counts the
// event passes it is asked for, so a test can see how often the core yields.
#include <string>
#include <string_view>

#include "platform/window_services.h"

namespace vornalt {

class SilentWindow final : public WindowServices {
public:
    void set_status(std::string_view) override {}
    int events = 0;

    void process_events() override { ++events; }
    void message(std::string_view, MessageIcon) override {}
    bool question(std::string_view) override { return false; }
    std::string input(std::string_view, std::string_view) override { return {}; }
    std::string open_file(std::string_view, std::string_view, std::string_view) override { return {}; }
    std::string save_file(std::string_view, std::string_view, std::string_view) override { return {}; }
    void disable() override {}
    void enable() override {}
    void updatedisplay() override {}
};

}  // namespace vornalt
