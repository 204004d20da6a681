#include <hidapi/hidapi.h>

#include <algorithm>
#include <cwchar>
#include <utility>

#include "platform/hid_devices.h"

namespace vornalt {

namespace {

// hidapi speaks wide strings; serial numbers and product names are plain ASCII in practice.
std::string narrow(const wchar_t* text) {
    std::string out;
    if (text == nullptr) return out;
    for (; *text != L'\0'; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    return out;
}

std::string reason(hid_device* device) { return narrow(hid_error(device)); }

// One open device; closed with the object, so every way out lets it go.
class HidapiTransport final : public HidTransport {
public:
    explicit HidapiTransport(hid_device* device) : device_(device) {}
    ~HidapiTransport() override { hid_close(device_); }
    HidapiTransport(const HidapiTransport&) = delete;
    HidapiTransport& operator=(const HidapiTransport&) = delete;

    Status write(const HidReport& report) override {
        // The report ID comes first; these devices use none, so it is 0 and 65 bytes go out.
        std::array<unsigned char, 65> out{};
        std::copy(report.begin(), report.end(), out.begin() + 1);
        if (hid_write(device_, out.data(), out.size()) < 0) return Error{"USB write failed: " + reason(device_)};
        return {};
    }

    Result<HidReport> read(std::int32_t timeout_ms) override {
        HidReport in{};
        const int got = hid_read_timeout(device_, in.data(), in.size(), timeout_ms);
        if (got < 0) return Error{"USB read failed: " + reason(device_)};
        if (got == 0) return Error{"no answer within the timeout"};
        return in;
    }

private:
    hid_device* device_;
};

// hid_init once per process use; hid_exit is left to process end, since other transports may
// still be open.
Status inithid() {
    if (hid_init() != 0) return Error{"the USB HID library could not start: " + reason(nullptr)};
    return {};
}

}  // namespace

Result<std::vector<HidDeviceInfo>> listhiddevices(std::uint16_t vendor_id, std::span<const std::uint16_t> product_ids) {
    if (Status started = inithid(); !started) return started.error();
    std::vector<HidDeviceInfo> found;
    hid_device_info* list = hid_enumerate(vendor_id, 0);
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        if (std::find(product_ids.begin(), product_ids.end(), d->product_id) == product_ids.end()) continue;
        found.push_back({d->path != nullptr ? d->path : "", narrow(d->serial_number), d->product_id,
                         narrow(d->product_string)});
    }
    hid_free_enumeration(list);
    return found;
}

Result<std::unique_ptr<HidTransport>> openhiddevice(const std::string& path) {
    if (Status started = inithid(); !started) return started.error();
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) {
        return Error{"Cannot open the USB programmer at " + path + ": " + reason(nullptr) +
                     " (on Linux, install the udev rule and join the plugdev group)"};
    }
    return std::unique_ptr<HidTransport>(std::make_unique<HidapiTransport>(device));
}

}  // namespace vornalt
