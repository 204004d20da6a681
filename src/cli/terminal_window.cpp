#include "cli/terminal_window.h"

#include <algorithm>

namespace vornalt {
namespace {

constexpr int k_bar_width = 30;
// A terminal redraws fast, but a bar redrawn at every word of a chip would cost more than the
// wire does; ten frames a second follow a run well enough.
constexpr auto k_redraw_interval = std::chrono::milliseconds(100);

}  // namespace

std::string terminaltext(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            lines += text[i];
            continue;
        }
        lines += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return printable(lines);
}

std::string printable(std::string_view text) {
    static constexpr char k_digits[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // C1 controls arrive as UTF-8 pairs C2 80..C2 9F; a terminal obeys them as well.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        const bool control = (byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F;
        if (!control && !c1) {
            shown += text[i];
            continue;
        }
        const auto escaped = c1 ? static_cast<unsigned char>(text[++i]) : byte;
        if (c1) shown += "\\xC2";
        shown += "\\x";
        shown += k_digits[escaped >> 4];
        shown += k_digits[escaped & 15];
    }
    return shown;
}

std::string progressline(const ProgressText& progress, int width) {
    const std::int64_t done = std::clamp<std::int64_t>(progress.done, 0, progress.total);
    const auto filled = static_cast<int>(done * width / progress.total);
    std::string line = progress.flash ? "FLASH  [" : "EEPROM [";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(width - filled), ' ');
    line += "]  ";
    line += std::to_string(progress.done);
    line += '/';
    line += std::to_string(progress.total);
    return line;
}

TerminalWindow::TerminalWindow(std::ostream& out, std::ostream& err, Verbosity verbosity, bool progressbar)
    : out_(out), err_(err), verbosity_(verbosity), progressbar_(progressbar && verbosity == Verbosity::normal) {}

void TerminalWindow::set_status(std::string_view text) {
    status_.assign(text);
    if (verbosity_ == Verbosity::verbose) {
        // An emptied status line is no text to print.
        if (text.empty()) return;
        out_ << printable(text) << '\n';
        out_.flush();
        return;
    }
}

void TerminalWindow::progress(MemoryRegion region, std::int64_t done, std::int64_t total) {
    WindowServices::progress(region, done, total);
    // A report with no sensible total (an empty loop) moves no bar.
    if (!progressbar_ || total <= 0 || done < 0) return;
    drawbar({region == MemoryRegion::flash, done, total});
}

void TerminalWindow::message(std::string_view text, MessageIcon) {
    messages_.emplace_back(text);
    emit(terminaltext(text));
}

bool TerminalWindow::question(std::string_view text) {
    // Nobody is there to answer: the question is shown so the log says what was declined.
    emit(terminaltext(text));
    return false;
}

std::string TerminalWindow::input(std::string_view, std::string_view) { return {}; }
std::string TerminalWindow::open_file(std::string_view, std::string_view, std::string_view) { return {}; }
std::string TerminalWindow::save_file(std::string_view, std::string_view, std::string_view) { return {}; }

void TerminalWindow::report(std::string_view text) { emit(terminaltext(text)); }

void TerminalWindow::releaseheld() {
    for (const std::string& text : held_) err_ << text << '\n';
    held_.clear();
    err_.flush();
}

void TerminalWindow::emit(std::string_view text) {
    said_.emplace_back(text);
    if (verbosity_ == Verbosity::quiet) {
        held_.emplace_back(text);
        return;
    }
    clearbar();
    err_ << text << '\n';
    err_.flush();
}

void TerminalWindow::drawbar(const ProgressText& progress) {
    const auto now = std::chrono::steady_clock::now();
    const bool last = progress.done >= progress.total;
    if (barshown_ && !last && now - lastdraw_ < k_redraw_interval) return;
    std::string line = progressline(progress, k_bar_width);
    if (barshown_ && line == lastbar_) return;
    lastdraw_ = now;
    // A shorter line must blank what is left of a longer one (FLASH 1024/1024, then EEPROM 1/64).
    const std::size_t shown = barshown_ ? lastbar_.size() : 0;
    err_ << '\r' << line;
    if (shown > line.size()) err_ << std::string(shown - line.size(), ' ');
    err_.flush();
    if (shown > line.size()) line.append(shown - line.size(), ' ');
    lastbar_ = std::move(line);
    barshown_ = true;
}

void TerminalWindow::clearbar() {
    if (!barshown_) return;
    err_ << '\r' << std::string(lastbar_.size(), ' ') << '\r';
    err_.flush();
    barshown_ = false;
    lastbar_.clear();
}

}  // namespace vornalt
