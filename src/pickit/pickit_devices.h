#pragma once
// PICkit programmers on this machine and how a `--port` value names one: "pickit2" for the
// first found, "pickit2:SERIAL" for the one with that serial number.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "platform/hid_devices.h"
#include "platform/hid_transport.h"

namespace vornalt::pickit {

inline constexpr std::string_view k_port_name = "pickit2";

// The serial a port value asks for (empty: the first PICkit found); nothing when the value
// names no PICkit.
std::optional<std::string> pickitserial(std::string_view portvalue);
// The port value that reaches this PICkit again.
std::string pickitportvalue(const HidDeviceInfo& device);

// Every PICkit 2 and scripting PICkit 3 attached.
Result<std::vector<HidDeviceInfo>> findpickits();
// Chooses among `found` (what findpickits gave) the one a port value's serial asks for.
Result<HidDeviceInfo> choosepickit(const std::vector<HidDeviceInfo>& found, std::string_view serial);
// Finds and opens it.
Result<std::unique_ptr<HidTransport>> openpickit(std::string_view serial);

}  // namespace vornalt::pickit
