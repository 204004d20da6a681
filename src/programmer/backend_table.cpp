#include "programmer/backend_table.h"

#include <vector>

#include "programmer/ftdi_backend.h"
#include "programmer/parallel_backend.h"
#include "programmer/pickit2_backend.h"
#include "programmer/ppdev_backend.h"
#include "programmer/sim_backend.h"

namespace vornalt {

std::span<const BackendRow> backendtable() {
    // Asked in this order: a row whose names overlap a later one's (a path is the catch-all) goes first.
    static const std::vector<BackendRow> rows{parallelbackend(), simbackend(), ftdibackend(), pickit2backend(), ppdevbackend()};
    return rows;
}

const BackendRow& backendrow(BackendKind kind) {
    for (const BackendRow& row : backendtable()) {
        if (row.kind == kind) return row;
    }
    return backendtable().front();  // every kind has a row; the parallel port is the default
}

std::optional<BackendChoice> choosebackend(std::string_view porttext) {
    for (const BackendRow& row : backendtable()) {
        if (std::optional<std::string> argument = row.argumentof(porttext)) return BackendChoice{row.kind, *argument};
    }
    return std::nullopt;
}

}  // namespace vornalt
