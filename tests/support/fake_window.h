#pragma once
// A scripted stand-in for the window: records what the core shows and does, and answers
// questions, input boxes and file dialogs from queues the test fills.
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_services.h"

namespace vornalt {

class FakeWindow : public WindowServices {
public:
    // Every call in order, as short texts: "status:Begin program all", "message:...",
    // "disable", "enable", "updatedisplay", "events", "question:...", "input:...", "open:...",
    // "save:...". Status texts of a long run can be many: set record_status = false to keep
    // only the latest one.
    std::vector<std::string> calls;
    bool record_status = true;

    std::string status;                 // caption of the status line now
    std::vector<std::string> statuses;  // every text the status line was set to
    std::vector<std::string> messages;  // message boxes, in order
    std::vector<MessageIcon> icons;
    int statuscount = 0, eventcount = 0, disablecount = 0, enablecount = 0, updatecount = 0;
    bool disabled = false;

    // The file dialogs shown, with the folder and filter they were given.
    struct Dialog {
        std::string title, folder, filter;
    };
    std::vector<Dialog> dialogs;

    // The input boxes shown: prompt and proposed answer.
    struct Input {
        std::string prompt, proposed;
    };
    std::vector<Input> inputs;

    // Answers, taken from the front; empty queues answer No / the empty text.
    std::deque<bool> questionanswers;
    std::deque<std::string> inputanswers, openanswers, saveanswers;

    // Called inside process_events and message, so a test can act "while the window runs"
    // (click a label, close the window, ask a run to stop).
    std::function<void()> onevents;
    std::function<void(std::string_view)> onmessage;

    void set_status(std::string_view text) override {
        status.assign(text);
        statuses.push_back(status);
        ++statuscount;
        if (record_status) calls.push_back("status:" + status);
    }
    void process_events() override {
        ++eventcount;
        calls.emplace_back("events");
        if (onevents) onevents();
    }
    void message(std::string_view text, MessageIcon icon = MessageIcon::none) override {
        messages.emplace_back(text);
        icons.push_back(icon);
        calls.push_back("message:" + std::string(text));
        if (onmessage) onmessage(text);
    }
    bool question(std::string_view text) override {
        calls.push_back("question:" + std::string(text));
        if (questionanswers.empty()) return false;
        const bool answer = questionanswers.front();
        questionanswers.pop_front();
        return answer;
    }
    std::string input(std::string_view prompt, std::string_view proposed) override {
        inputs.push_back({std::string(prompt), std::string(proposed)});
        calls.push_back("input:" + std::string(prompt));
        return take(inputanswers);
    }
    std::string open_file(std::string_view title, std::string_view folder, std::string_view filter) override {
        dialogs.push_back({std::string(title), std::string(folder), std::string(filter)});
        calls.push_back("open:" + std::string(title));
        return take(openanswers);
    }
    std::string save_file(std::string_view title, std::string_view folder, std::string_view filter) override {
        dialogs.push_back({std::string(title), std::string(folder), std::string(filter)});
        calls.push_back("save:" + std::string(title));
        return take(saveanswers);
    }
    void disable() override {
        ++disablecount;
        disabled = true;
        calls.emplace_back("disable");
        process_events();
    }
    void enable() override {
        ++enablecount;
        disabled = false;
        calls.emplace_back("enable");
        process_events();
    }
    void updatedisplay() override {
        ++updatecount;
        calls.emplace_back("updatedisplay");
    }
    std::vector<double> shares;  // every share of the run reported
    void runshare(double share) override { shares.push_back(share); }

private:
    static std::string take(std::deque<std::string>& queue) {
        if (queue.empty()) return {};
        std::string answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }
};

}  // namespace vornalt
