// vornalt: the desktop program. Start-up runs in this order: the command line (--help and
// --version answer on the terminal), one running copy only, the application folder and the
// catalogue, the main window, then the window's load sequence.
#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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

    // The command line is read before any display is opened, so --help and --version answer
    // on a terminal without one.
    gui::ParsedGuiOptions parsed;
    {
        const QCoreApplication reading(argc, argv);
        parsed = gui::parseguioptions(QCoreApplication::arguments());
    }
    std::fputs(parsed.out.c_str(), stdout);
    std::fputs(parsed.err.c_str(), stderr);
    if (!parsed.options) return parsed.exitcode;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vornalt"));
    QApplication::setApplicationVersion(QString::fromLatin1(program_version().data(), static_cast<qsizetype>(program_version().size())));

    gui::SingleInstance instance;
    if (!instance.acquire()) {
        // Another copy runs: it gets the file (or comes to the front), and the user hears why no
        // second window opens.
        const QString file = QString::fromStdString(parsed.options->file);
        const std::string pid = instance.holder() != 0 ? " (process " + std::to_string(instance.holder()) + ")" : "";
        if (!instance.handover(file)) {
            std::fprintf(stderr, "vornalt: another copy is running%s but does not answer.\n", pid.c_str());
        } else if (!file.isEmpty()) {
            std::fprintf(stderr, "vornalt: another copy is running%s; %s was handed to it.\n", pid.c_str(),
                         parsed.options->file.c_str());
        } else {
            std::fprintf(stderr, "vornalt: another copy is running%s; its window was brought to the front.\n",
                         pid.c_str());
        }
        return 0;
    }
    // Listening at once, so a copy started during the start-up below is heard; what it hands
    // over waits for the window.
    std::vector<QString> handed;
    gui::Form1* target = nullptr;
    instance.listen([&handed, &target](const QString& file) {
        if (target != nullptr) {
            target->openhandedfile(file);
        } else {
            handed.push_back(file);
        }
    });

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
    // --simulate is for this run only; otherwise the programmer chosen last time.
    options.savedprogrammer = !parsed.options->simulate;
    options.tracefile = parsed.options->trace;
    options.lockholder = "the vornalt window";
    gui::Form1 window(std::move(started).value(), settings->store(), std::move(options));
    window.session().attach_stop_signals(stopsignals);

    if (!parsed.options->file.empty()) handed.insert(handed.begin(), QString::fromStdString(parsed.options->file));
    // Files handed over are opened once the load sequence is over, from the event loop where the
    // signals are watched, since opening shows a box.
    const int status = gui::runwindow(window, stopsignals, [&] {
        target = &window;
        for (const QString& file : handed) window.openhandedfile(file);
    });
    target = nullptr;
    Status finished = window.session().finish();
    if (!finished) {
        std::fprintf(stderr, "vornalt: %s\n", finished.error().message.c_str());
        return status != 0 ? status : 1;
    }
    return status;
}
