#include "programmer/pickit2_backend.h"

#include "base/ascii_case.h"
#include "pickit/pickit_devices.h"

namespace vornalt {

Pickit2Backend::Pickit2Backend(std::unique_ptr<HidTransport> transport, std::string reason)
    : transport_(std::move(transport)), reason_(std::move(reason)) {
    if (transport_ == nullptr) return;
    link_ = std::make_unique<pickit::PickitLink>(*transport_);
    static_cast<void>(link_->open());  // a refusal (old firmware, no answer) stays in the link's status
}

Pickit2Backend::~Pickit2Backend() {
    // The link goes first: it switches the target off through the transport it uses.
    if (link_ != nullptr) link_->close();
    link_.reset();
}

// A supply fault fails the run it happened in, not the programmer: it stays available.
bool Pickit2Backend::available() const { return link_ != nullptr && link_->usable(); }

std::string Pickit2Backend::reason() const {
    if (link_ == nullptr) return reason_;
    if (!link_->usable()) return link_->status().error().message;
    return {};
}

BackendRow pickit2backend() {
    return {
        .kind = BackendKind::pickit2,
        .name = "pickit2 or pickit2:SERIAL (a PICkit 2 over USB)",
        .key = "pickit2",
        .title = "PICkit 2",
        .argumentof = [](std::string_view text) -> std::optional<std::string> {
            const std::string lower = asciilower(text);
            if (lower == "pickit2") return std::string();
            if (lower.rfind("pickit2:", 0) == 0 && text.size() > 8) return std::string(text.substr(8));
            return std::nullopt;
        },
        .open = [](const BackendOpening& opening) -> std::unique_ptr<PortIo> {
            Result<std::unique_ptr<HidTransport>> transport = pickit::openpickit(opening.argument);
            if (!transport) return std::make_unique<Pickit2Backend>(nullptr, transport.error().message);
            return std::make_unique<Pickit2Backend>(std::move(transport).value(), std::string());
        },
        .moveto = {},
        .linkof = [](PortIo& open, const DriverState&) -> LineLink* {
            auto* backend = dynamic_cast<Pickit2Backend*>(&open);
            return backend != nullptr ? backend->link() : nullptr;
        },
        .findall = []() {
            std::vector<FoundProgrammer> found;
            Result<std::vector<HidDeviceInfo>> devices = pickit::findpickits();
            if (!devices) return found;  // no library or no USB access: nothing to offer
            for (const HidDeviceInfo& device : devices.value()) {
                const std::string serial = device.serial.empty() ? "no serial" : device.serial;
                found.push_back({device.serial, device.product + " (" + serial + ")"});
            }
            return found;
        },
        .can = {.batched = true, .device_timed_delays = true, .own_power = true},
    };
}

}  // namespace vornalt
