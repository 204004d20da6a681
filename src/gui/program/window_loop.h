#pragma once
// The desktop program's event loop and its watch for SIGINT and SIGTERM, from the first box of
// start-up to the window's end. Everything the user or a signal may close happens inside a
// running loop, so no close is ever lost.
#include <QTimer>
#include <functional>

#include "gui/window/main_window.h"
#include "session/stop_signals.h"

namespace vornalt::gui {

// Calls `onsignal` from the event loop (every 50 ms, for as long as it lives) once a stop signal
// has come; a start-up box's own loop runs it too.
class SignalWatch {
public:
    SignalWatch(const StopSignals& stopsignals, std::function<void()> onsignal);

private:
    QTimer timer_;
};

// Shows the window and runs the event loop until the window has closed; the load sequence is the
// loop's first work, so a close or a signal during it ends the program like any other; then
// `afterload`, unless the window has closed meanwhile. Returns the loop's exit status.
int runwindow(Form1& window, const StopSignals& stopsignals, std::function<void()> afterload = {});

}  // namespace vornalt::gui
