#pragma once
// The seam to whatever shows things to the user: the Qt main window, the terminal of the
// command-line front end, or a scripted fake in tests. The core never prints and never opens
// a window itself; every message, question and status text goes through here.
#include <cstdint>
#include <string>
#include <string_view>

namespace vornalt {

enum class MessageIcon { none, information };

// The memory a run is walking, for progress reports.
enum class MemoryRegion : std::uint8_t { flash, eeprom };

class WindowServices {
public:
    virtual ~WindowServices() = default;

    // The status line (label_status).
    virtual void set_status(std::string_view text) = 0;
    // Lets the window system handle what is pending (repaints, clicks). Uncoalesced: callers
    // on hot paths go through EventPump instead.
    virtual void process_events() = 0;

    // Modal message box titled with the window title, OK button only. Texts use CR LF between
    // lines, as the program's messages are written.
    virtual void message(std::string_view text, MessageIcon icon = MessageIcon::none) = 0;
    // Yes/No question; true for Yes.
    virtual bool question(std::string_view text) = 0;
    // Single-line input box; the empty text on Cancel.
    virtual std::string input(std::string_view prompt, std::string_view proposed) = 0;
    // File dialogs; the empty text when the user cancels. filter is in "Name (*.ext)|*.ext|..." form.
    virtual std::string open_file(std::string_view title, std::string_view folder, std::string_view filter) = 0;
    virtual std::string save_file(std::string_view title, std::string_view folder, std::string_view filter) = 0;

    // Lock and unlock the user's commands around long work; both process pending events.
    virtual void disable() = 0;
    virtual void enable() = 0;
    // Redraw the memory views and labels from the image.
    virtual void updatedisplay() = 0;

    // A run has reached address `done` of `total` in a region. The default shows "F:done/total"
    // or "E:done/total" on the status line; a window with a progress bar draws it from the
    // numbers instead. Called at every word of a run: an override must not allocate per call.
    virtual void progress(MemoryRegion region, std::int64_t done, std::int64_t total);
    // With each progress report: the share (0..1) of the whole run done, each loop of the
    // script an equal part of it, so it only grows where progress starts again at every loop.
    // For a window that draws one bar for the run; by default nothing.
    virtual void runshare(double share) { static_cast<void>(share); }
};

// The status text of a progress report ("F:12/1024"), written into buffer without allocating;
// returns the length used (the text is cut short if the buffer is too small).
std::size_t progresstext(MemoryRegion region, std::int64_t done, std::int64_t total, char* buffer, std::size_t size);

}  // namespace vornalt
