// vornalt: the desktop program. Start-up runs in this order: the command line (--help and
// --version answer on the terminal), one running copy only, the application folder and the
// catalogue, the main window, then the window's load sequence.
#include <QApplication>
#include <cstdio>
#include <memory>

#include "gui/program/gui_options.h"
#include "gui/program/single_instance.h"
#include "gui/program/window_loop.h"
#include "gui/window/main_window.h"
#include "gui/window/message_boxes.h"
#include "session/run_settings.h"
#include "session/session.h"
#include "session/session_start.h"
#include "session/stop_signals.h"

int main(int argc, char** argv) {
    using namespace vornalt;
    // SIGINT and SIGTERM only ask the program to end from here on; the window closes the way its
    // close box does, with the programmer's lines off.
    StopSignals stopsignals;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vornalt"));
    QApplication::setApplicationVersion(QString::fromLatin1(program_version().data(), static_cast<qsizetype>(program_version().size())));

    const gui::ParsedGuiOptions parsed = gui::parseguioptions(QApplication::arguments());
    std::fputs(parsed.out.c_str(), stdout);
    std::fputs(parsed.err.c_str(), stderr);
    if (!parsed.options) return parsed.exitcode;

    gui::SingleInstance instance;
    if (!instance.acquire()) return 0;  // another copy runs: end silently, no window

    Result<Startup> started = start_program();
    if (!started) {
        // A signal closes the box as OK would: a logout must not hang on it.
        const gui::SignalWatch watch(stopsignals, [] { gui::closemodalboxes(); });
        gui::showmessage(nullptr, QString::fromLatin1(k_window_title), started.error().message, MessageIcon::none);
        return 1;
    }

    std::unique_ptr<RunSettings> settings = RunSettings::saved();
    SessionOptions options;
    options.backend = parsed.options->simulate ? BackendKind::simulator : BackendKind::parallelport;
    options.tracefile = parsed.options->trace;
    gui::Form1 window(std::move(started).value(), settings->store(), std::move(options));
    window.session().attach_stop_signals(stopsignals);

    const int status = gui::runwindow(window, stopsignals);
    Status finished = window.session().finish();
    if (!finished) {
        std::fprintf(stderr, "vornalt: %s\n", finished.error().message.c_str());
        return status != 0 ? status : 1;
    }
    return status;
}
