#pragma once
// The real main window for the window benchmarks: Form1 over a simulated programmer, with the
// catalogue beside the benchmark program (the build copies it into bin/), settings kept in
// memory and the simulated chip kept in a folder of the caller's, so the user's own settings and
// chips are never touched.
#include <QApplication>
#include <QPushButton>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/startup.h"
#include "gui/window/main_window.h"
#include "session/session.h"
#include "session/session_internals.h"
#include "settings/memory_settings_backend.h"
#include "settings/setting_names.h"
#include "settings/settings_store.h"

namespace vornalt::bench {

// The offscreen platform unless the caller chose another; call before the QApplication exists.
inline void useoffscreenplatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

inline Startup startedorthrow() {
    Result<Startup> started = startup();
    if (!started) throw std::runtime_error(started.error().message);
    return std::move(started).value();
}

// The catalogue number of a model, as the model setting stores it.
inline std::string modelnumber(const DeviceCatalogue& catalogue, const std::string& name) {
    const std::vector<std::string> names = modelnames(catalogue);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) return std::to_string(i + 1);
    }
    throw std::runtime_error("the catalogue has no model " + name);
}

class WindowRig {
public:
    // datafolder: where the simulated chips live (<datafolder>/vornalt/sim/<MODEL>.hex).
    WindowRig(const std::string& model, const std::string& datafolder, bool virtualclock) {
        Startup started = startedorthrow();
        store_.writesetting(k_setting_model, modelnumber(started.catalogue, model));
        SessionOptions options;
        options.backend = BackendKind::simulator;
        options.datafolders = DataFolderEnvironment{datafolder, datafolder, datafolder};
        options.virtualclock = virtualclock;
        window_ = std::make_unique<gui::Form1>(std::move(started), store_, std::move(options));
        window_->show();
        window_->formload();
        QApplication::processEvents();
    }

    gui::Form1& window() { return *window_; }
    Session& session() { return window_->session(); }
    QPushButton& button(const char* name) {
        auto* found = window_->findChild<QPushButton*>(QString::fromLatin1(name));
        if (found == nullptr) throw std::runtime_error(std::string("the window has no button ") + name);
        return *found;
    }

private:
    MemorySettingsBackend settings_;
    SettingsStore store_{settings_};
    std::unique_ptr<gui::Form1> window_;
};

}  // namespace vornalt::bench
