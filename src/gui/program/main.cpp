// vornalt: the desktop program. Start-up runs in this order: the command line (--help and
// --version answer on the terminal), one running copy only, the application folder and the
// catalogue, the main window, then the window's load sequence.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/about_text.h"
#include "app/app_state.h"
#include "app/startup.h"
#include "gui/program/gui_options.h"
#include "gui/program/single_instance.h"
#include "gui/window/main_window.h"
#include "gui/window/message_boxes.h"
#include "session/session.h"
#include "session/stop_signals.h"
#include "settings/qt_settings_backend.h"
#include "settings/settings_store.h"

int main(int argc, char** argv) {
    using namespace vornalt;
    // SIGINT and SIGTERM only ask the program to end from here on; the window closes the way its
    // close box does, with the programmer's lines off.
    StopSignals stopsignals;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vornalt"));
    QApplication::setApplicationVersion(QString::fromLatin1(programversion().data(), static_cast<qsizetype>(programversion().size())));

    const gui::ParsedGuiOptions parsed = gui::parseguioptions(QApplication::arguments());
    std::fputs(parsed.out.c_str(), stdout);
    std::fputs(parsed.err.c_str(), stderr);
    if (!parsed.options) return parsed.exitcode;

    gui::SingleInstance instance;
    if (!instance.acquire()) return 0;  // another copy runs: end silently, no window

    Result<Startup> started = startup();
    if (!started) {
        gui::showmessage(nullptr, QString::fromLatin1(k_window_title), started.error().message, MessageIcon::none);
        return 1;
    }

    std::unique_ptr<SettingsBackend> backend = usersettingsbackend();
    SettingsStore settings(*backend);
    SessionOptions options;
    options.backend = parsed.options->simulate ? BackendKind::simulator : BackendKind::parallelport;
    options.tracefile = parsed.options->trace;
    gui::Form1 window(std::move(started).value(), settings, std::move(options));
    stopsignals.attach(window.session().stop());

    window.show();
    window.formload();

    QTimer signalwatch;
    QObject::connect(&signalwatch, &QTimer::timeout, [&] {
        if (stopsignals.received() != 0) window.requestquit();
    });
    signalwatch.start(50);

    const int status = QApplication::exec();
    Status finished = window.session().finish();
    if (!finished) {
        std::fprintf(stderr, "vornalt: %s\n", finished.error().message.c_str());
        return status != 0 ? status : 1;
    }
    return status;
}
