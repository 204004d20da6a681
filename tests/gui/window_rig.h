#pragma once
// The real main window on a simulated programmer: a catalogue, settings in memory, the
// simulated chip in a file of its own and a virtual clock, so chip operations run in
// milliseconds. Modal boxes are answered from the rig's queues.
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <memory>
#include <string>

#include "catalogue/catalogue.h"
#include "gui/window/main_window.h"
#include "gui/modal_answers.h"
#include "session/session_internals.h"
#include "settings/memory_settings_backend.h"
#include "settings/setting_names.h"
#include "settings/settings_store.h"

namespace vornalt::testing {

class WindowRig {
public:
    // savedprogrammer: the window starts with this programmer saved (a --simulate-less start);
    // null: on the simulator as --simulate starts it. `clock`: the session's (null: a virtual
    // one); `load`: false leaves show() and formload() to the test.
    WindowRig(const std::string& catalogue, int model, const char* savedprogrammer = nullptr, Clock* clock = nullptr,
              bool load = true) {
        backend.set(k_setting_model, std::to_string(model));
        if (savedprogrammer != nullptr) backend.set(k_setting_programmer, savedprogrammer);
        Result<DeviceCatalogue> loaded = loadcatalogue(catalogue);
        QVERIFY2(loaded, loaded ? "" : loaded.error().message.c_str());
        Startup started;
        started.state.applicationfolder = path("");
        started.catalogue = std::move(loaded).value();
        SessionOptions options;
        options.backend = BackendKind::simulator;
        options.savedprogrammer = savedprogrammer != nullptr;
        options.simchipfile = path("chip.hex");
        options.virtualclock = true;
        options.clock = clock;
        options.datafolders = {path("data"), path("home"), ""};
        window = std::make_unique<gui::Form1>(std::move(started), settings, std::move(options));
        if (!load) return;
        window->show();
        window->formload();
    }

    Session& session() { return window->session(); }
    template <class Widget>
    Widget* find(const char* name) {
        return window->findChild<Widget*>(QString::fromLatin1(name));
    }
    // The caption of a label, or the contents of a memory view.
    QString text(const char* name) {
        if (auto* label = find<QLabel>(name)) return label->text();
        if (auto* flash = find<QTextEdit>(name)) return flash->toPlainText();
        if (auto* eeprom = find<QPlainTextEdit>(name)) return eeprom->toPlainText();
        return QStringLiteral("<no control %1>").arg(QString::fromLatin1(name));
    }
    // A menu item chosen, as a click on it does.
    void trigger(const char* action) {
        QAction* item = find<QAction>(action);
        QVERIFY2(item != nullptr, action);
        item->trigger();
    }
    // A button or a clickable label clicked with the mouse.
    void click(const char* widget) {
        QWidget* target = find<QWidget>(widget);
        QVERIFY2(target != nullptr, widget);
        QTest::mouseClick(target, Qt::LeftButton);
    }
    std::string path(const std::string& name) const { return folder.path().toStdString() + "/" + name; }

    QTemporaryDir folder;
    MemorySettingsBackend backend;
    SettingsStore settings{backend};
    ModalAnswers boxes;
    std::unique_ptr<gui::Form1> window;
};

}  // namespace vornalt::testing
