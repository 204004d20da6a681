#include "programmer/ftdi_backend.h"

#include "base/ascii_case.h"
#include "platform/ftdi_device.h"

namespace vornalt {

FtdiBackend::FtdiBackend(std::unique_ptr<BitBangDevice> device, std::string reason)
    : device_(std::move(device)), reason_(std::move(reason)) {}

FtdiBackend::~FtdiBackend() {
    // All lines off, then the adapter released: whatever ended the program.
    if (link_ != nullptr && link_->status()) {
        link_->drop();
        link_->put({});
        static_cast<void>(link_->flush());
    }
    if (device_ != nullptr) device_->close();
}

bool FtdiBackend::available() const { return device_ != nullptr && (link_ == nullptr || link_->status()); }

std::string FtdiBackend::reason() const {
    if (device_ == nullptr) return reason_;
    if (link_ != nullptr && !link_->status()) return link_->status().error().message;
    return {};
}

LineLink* FtdiBackend::link(const DriverState& state) {
    if (device_ == nullptr) return nullptr;
    if (link_ == nullptr) {
        link_ = std::make_unique<BitBangLink>(*device_, state, state.steprate);
        static_cast<void>(link_->open());  // a failure stays in the link's status
    }
    return link_.get();
}

BackendRow ftdibackend() {
    return {
        .kind = BackendKind::ftdi,
        .name = "ftdi or ftdi:SERIAL (an FTDI USB adapter)",
        .key = "ftdi",
        .title = "FTDI adapter",
        .argumentof = [](std::string_view text) -> std::optional<std::string> {
            const std::string lower = asciilower(text);
            if (lower == "ftdi") return std::string();
            if (lower.rfind("ftdi:", 0) == 0 && text.size() > 5) return std::string(text.substr(5));
            return std::nullopt;
        },
        .open = [](const BackendOpening& opening) -> std::unique_ptr<PortIo> {
            Result<std::unique_ptr<BitBangDevice>> device = openftdi(std::string(opening.argument));
            if (!device) return std::make_unique<FtdiBackend>(nullptr, device.error().message);
            return std::make_unique<FtdiBackend>(std::move(device).value(), std::string());
        },
        .moveto = {},
        .linkof = [](PortIo& open, const DriverState& state) -> LineLink* {
            auto* backend = dynamic_cast<FtdiBackend*>(&open);
            return backend != nullptr ? backend->link(state) : nullptr;
        },
        .findall = []() {
            std::vector<FoundProgrammer> found;
            Result<std::vector<FtdiAdapter>> adapters = listftdiadapters();
            if (!adapters) return found;  // no library or no USB access: nothing to offer
            for (const FtdiAdapter& adapter : adapters.value()) {
                found.push_back({adapter.serial, adapter.description + " (" + adapter.serial + ")"});
            }
            return found;
        },
        .can = {.pins_configurable = true, .batched = true, .device_timed_delays = true},
    };
}

}  // namespace vornalt
