#pragma once
// A window for shell tests: answers input boxes from a queue (Cancel once it runs dry) and
// records every question, message, status text and call.
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_services.h"

namespace vornalt::testing {

struct AskedInput {
    std::string prompt, proposed;
};

class RecordingWindow final : public WindowServices {
public:
    std::deque<std::string> answers;  // given to input() in order; "" (Cancel) once empty
    std::vector<AskedInput> inputs;
    std::vector<std::string> messages;
    std::vector<std::string> statuses;  // every text the status line was set to
    std::string status;                 // what the status line shows now
    std::vector<std::string> calls;     // "disable", "enable", "updatedisplay", "status:<text>"

    void set_status(std::string_view text) override {
        status = text;
        statuses.emplace_back(text);
        calls.push_back("status:" + std::string(text));
    }
    void process_events() override {}
    void message(std::string_view text, MessageIcon) override { messages.emplace_back(text); }
    bool question(std::string_view) override { return false; }
    std::string input(std::string_view prompt, std::string_view proposed) override {
        inputs.push_back({std::string(prompt), std::string(proposed)});
        if (answers.empty()) return {};
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::string open_file(std::string_view, std::string_view, std::string_view) override { return {}; }
    std::string save_file(std::string_view, std::string_view, std::string_view) override { return {}; }
    void disable() override { calls.emplace_back("disable"); }
    void enable() override { calls.emplace_back("enable"); }
    void updatedisplay() override { calls.emplace_back("updatedisplay"); }
};

}  // namespace vornalt::testing
