#pragma once
// PICkit programmers on this machine: every PICkit 2 and scripting PICkit 3 attached, and the one
// a serial number names (empty: the only one).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "platform/hid_devices.h"
#include "platform/hid_transport.h"

namespace vornalt::pickit {

Result<std::vector<HidDeviceInfo>> findpickits();
// Chooses among `found` the one `serial` names; an empty serial takes the only one, and is
// refused with the serials found when there are several.
Result<HidDeviceInfo> choosepickit(const std::vector<HidDeviceInfo>& found, std::string_view serial);
// Finds and opens it.
Result<std::unique_ptr<HidTransport>> openpickit(std::string_view serial);

}  // namespace vornalt::pickit
