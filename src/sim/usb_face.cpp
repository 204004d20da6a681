#include "sim/usb_face.h"

namespace vornalt {

std::vector<std::uint8_t> usbstringdescriptor(const UsbIdentity& identity, std::uint8_t index) {
    constexpr std::uint8_t k_descriptor_string = 3;
    if (index == 0) return {4, k_descriptor_string, 0x09, 0x04};
    const std::string* text = index == 1   ? &identity.manufacturer
                              : index == 2 ? &identity.description
                              : index == 3 ? &identity.serial
                                           : nullptr;
    if (text == nullptr) return {};
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(2 + 2 * text->size()), k_descriptor_string};
    for (const char c : *text) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    return out;
}

}  // namespace vornalt
