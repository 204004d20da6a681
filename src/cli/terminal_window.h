#pragma once
// The window services of the command-line program: message boxes become lines on standard
// error, the status line is kept (and printed in verbose runs), the engine's progress reports
// drive a progress bar on a terminal, and nothing is ever asked: a question is answered No and
// an input box or file dialog is cancelled, as a user who walked away would.
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_services.h"

namespace vornalt {

enum class Verbosity { quiet, normal, verbose };

// Where a run stands in a memory, as the bar shows it.
struct ProgressText {
    bool flash = true;
    std::int64_t done = 0;
    std::int64_t total = 0;
};

// A message box text as terminal lines: CR LF (and a lone CR) become a newline, and control
// characters are shown escaped (see printable).
std::string terminaltext(std::string_view text);

// Text from files (model names, script lines) made safe for a terminal: control characters other
// than newline and tab, DEL and the UTF-8 C1 controls are shown as \xHH, so no escape sequence in
// a catalogue can move the cursor, retitle the window or hide text. Other bytes pass unchanged.
std::string printable(std::string_view text);

// One line of the progress bar, without line end: "FLASH  [#####     ]  512/1024".
std::string progressline(const ProgressText& progress, int width);

class TerminalWindow final : public WindowServices {
public:
    // out: standard output (status texts of verbose runs); err: standard error (messages and the
    // progress bar). The bar is drawn only when progressbar is true (standard error is a terminal).
    TerminalWindow(std::ostream& out, std::ostream& err, Verbosity verbosity, bool progressbar);

    void set_status(std::string_view text) override;
    void process_events() override {}
    void message(std::string_view text, MessageIcon icon = MessageIcon::none) override;
    bool question(std::string_view text) override;
    std::string input(std::string_view prompt, std::string_view proposed) override;
    std::string open_file(std::string_view title, std::string_view folder, std::string_view filter) override;
    std::string save_file(std::string_view title, std::string_view folder, std::string_view filter) override;
    void disable() override {}
    void enable() override { clearbar(); }
    void updatedisplay() override {}
    // The status text as every window shows it, and on a terminal the bar drawn from the numbers.
    void progress(MemoryRegion region, std::int64_t done, std::int64_t total) override;

    // What the status line shows now.
    const std::string& status() const { return status_; }
    // Every message shown, in order, as given (CR LF kept).
    const std::vector<std::string>& messages() const { return messages_; }
    // Every text for standard error (messages, declined questions, reports), as printed.
    const std::vector<std::string>& said() const { return said_; }

    // A line of the program's own for standard error (why it ends, what it could not do); held
    // back in quiet runs like the messages.
    void report(std::string_view text);
    // Quiet runs keep every message until the outcome is known: on failure they are printed
    // here (they say why), on success they are dropped.
    void releaseheld();

private:
    void emit(std::string_view text);
    void drawbar(const ProgressText& progress);
    void clearbar();

    std::ostream& out_;
    std::ostream& err_;
    Verbosity verbosity_;
    bool progressbar_;
    std::string status_;
    std::vector<std::string> messages_;
    std::vector<std::string> held_;
    std::vector<std::string> said_;
    bool barshown_ = false;
    std::string lastbar_;
    std::chrono::steady_clock::time_point lastdraw_{};
};

}  // namespace vornalt
