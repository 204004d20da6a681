#pragma once
// Which chip sits in the socket: its device ID read with the applied model's own ID pass (the
// lines of its read script before "checkid", then the power-down), and the catalogue's models
// that carry that ID.
#include <cstdint>
#include <string>
#include <vector>

#include "app/chip_operations.h"
#include "base/result.h"
#include "catalogue/catalogue.h"

namespace vornalt {

struct DeviceIdentity {
    std::int32_t id = 0;             // the word read at 2006h
    std::vector<std::string> parts;  // the models that carry it; empty: none, or no chip
    std::string text;                // "Device ID 0560h: 16F84A", or why it names none
};

// The word read at 2006h (14 bits). Fails when the model's read script has no ID pass, the port
// cannot be reached or the run was stopped. The image is not touched.
Result<std::int32_t> readdeviceid(OperationParts parts);

// The names of the models whose identifying bits match the ID, in catalogue order.
std::vector<std::string> partswithid(const DeviceCatalogue& catalogue, std::int32_t id);

// "Device ID 0560h: 16F84A", or why it names none.
std::string identitytext(std::int32_t id, const std::vector<std::string>& parts);

}  // namespace vornalt
