#include "catalogue_bench.h"

#include <utility>

namespace vornalt::testing {

const DeviceCatalogue& shippedcatalogue() {
    static const DeviceCatalogue catalogue = [] {
        Result<DeviceCatalogue> loaded = loadcatalogue(VORNALT_SHIPPED_CATALOGUE);
        return loaded ? std::move(loaded).value() : DeviceCatalogue{};
    }();
    return catalogue;
}

std::int32_t modelnumber(std::string_view name) {
    const std::vector<std::string> names = modelnames(shippedcatalogue());
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) return static_cast<std::int32_t>(i) + 1;
    }
    return 0;
}

CatalogueBench::CatalogueBench(std::string_view name, std::unique_ptr<SimChip> chip) {
    window.record_status = false;
    const std::int32_t k = modelnumber(name);
    if (k == 0) return;
    applied_ = applymodel(shippedcatalogue(), k, model, image).ok();
    if (!applied_) return;
    clearbuffer(image, model.config1erased, model.config2erased);
    board.insert(chip != nullptr ? std::move(chip) : makechip(model.modelname));
    session->openport();
}

std::unique_ptr<Session> CatalogueBench::makesession() {
    // The simulator's board with the chip the bench puts in; no chip file is read or written.
    SessionOptions options;
    options.backend = BackendKind::simulator;
    options.clock = &clock;
    return std::make_unique<Session>(window, settings, AppState{}, DeviceCatalogue{}, options);
}

Outcome CatalogueBench::run(ChipOperation operation) {
    window.messages.clear();
    session->run(operation);
    return {window.status, window.messages};
}

const ChipMemory& CatalogueBench::chipmemory() {
    chip().settle(board.now_ns());
    return chip().memory();
}

}  // namespace vornalt::testing
