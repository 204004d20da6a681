#pragma once
// The session on the simulated programmer board with a virtual clock, a model of the test
// catalogue applied and a factory-fresh chip of that name in the socket.
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>
#include "app/chip_operations.h"
#include "catalogue/catalogue.h"
#include "session/session.h"
#include "settings/memory_settings_backend.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"
#include "support/fake_window.h"

namespace vornalt {

// The session with the simulated programmer, on a virtual clock; the test catalogue is applied
// by hand and a factory-fresh chip put in the socket, so no chip file is read or written.
struct SimSessionRig {
    VirtualClock clock;
    FakeWindow window;
    MemorySettingsBackend backend;
    SettingsStore settings{backend};
    std::unique_ptr<Session> session = makesession();
    AppState& app = session->app();
    AppliedModel& model = session->model();
    MemoryImage& image = session->image();
    SimBoard& board = *session->board();
    PortDriver& driver = session->driver();

    explicit SimSessionRig(const std::string& modelname) {
        window.record_status = false;
        Result<DeviceCatalogue> loaded = loadcatalogue(VORNALT_E2E_CATALOGUE);
        EXPECT_TRUE(loaded.ok()) << (loaded.ok() ? "" : loaded.error().message);
        if (!loaded.ok()) return;
        DeviceCatalogue& catalogue = session->catalogue();
        catalogue = std::move(loaded).value();
        const std::vector<std::string> names = modelnames(catalogue);
        std::int32_t number = 0;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == modelname) number = static_cast<std::int32_t>(i) + 1;
        }
        EXPECT_NE(number, 0) << modelname << " is not in the test catalogue";
        EXPECT_TRUE(applymodel(catalogue, number, model, image).ok());
        clearbuffer(image, model.config1erased, model.config2erased);
        board.insert(makechip(modelname));
        session->openport();
    }

    std::unique_ptr<Session> makesession() {
        SessionOptions options;
        options.backend = BackendKind::simulator;
        options.clock = &clock;
        return std::make_unique<Session>(window, settings, AppState{}, DeviceCatalogue{}, options);
    }

    RunOutcome run(ChipOperation operation) {
        window.messages.clear();
        return session->run(operation);
    }

    // A recognisable image: every word distinct, some zero bits in each, one blank word inside.
    void fillimage(std::int32_t config1) {
        auto words = flashwords(image);
        for (std::size_t i = 0; i < words.size(); ++i) {
            words[i] = static_cast<std::int32_t>((i * 0x0765 + 0x1234) & 0x3FFF);
        }
        words[words.size() / 2] = 0x3FFF;
        auto bytes = eeprombytes(image);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::int32_t>((i * 37 + 11) & 0xFF);
        image.config1word = config1;
    }
};

}  // namespace vornalt
