#include "usbdevfs_device.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace vornalt::testing {
namespace {

constexpr const char* k_node = "/dev/bus/usb/001/002";
constexpr unsigned k_setup_bytes = 8;

usbdevfs_urb& urbof(UMockdevIoctlData* data) { return *reinterpret_cast<usbdevfs_urb*>(data->data); }

std::uint16_t le16(const guint8* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

UsbdevfsDevice::UsbdevfsDevice(UMockdevTestbed* testbed, UsbFace& device) : device_(device), testbed_(testbed) {
    const UsbIdentity& id = device.identity();
    char vendor[8];
    char product[8];
    std::snprintf(vendor, sizeof vendor, "%04x", id.vendor);
    std::snprintf(product, sizeof product, "%04x", id.product);
    gchar* path = umockdev_testbed_add_device(
        testbed, "usb", "1-1", nullptr,
        // sysfs attributes libusb reads
        "busnum", "1\n", "devnum", "2\n", "speed", "12\n", "bConfigurationValue", "1\n", "bNumConfigurations", "1\n",
        "idVendor", vendor, "idProduct", product, "manufacturer", id.manufacturer.c_str(), "product",
        id.description.c_str(), "serial", id.serial.c_str(), nullptr,
        // udev properties
        "DEVNAME", k_node, "DEVTYPE", "usb_device", "BUSNUM", "001", "DEVNUM", "002", nullptr);
    if (path == nullptr) {
        error_ = "umockdev cannot add the USB device";
        return;
    }
    syspath_ = path;
    g_free(path);
    std::vector<std::uint8_t> descriptors = device.devicedescriptor();
    const std::vector<std::uint8_t> config = device.configdescriptor();
    descriptors.insert(descriptors.end(), config.begin(), config.end());
    umockdev_testbed_set_attribute_binary(testbed, syspath_.c_str(), "descriptors", descriptors.data(),
                                          static_cast<gint>(descriptors.size()));

    // The testbed makes no node under /dev/bus/usb for a USB device; libusb opens one.
    gchar* root = umockdev_testbed_get_root_dir(testbed);
    const std::filesystem::path node = std::filesystem::path(root) / "dev/bus/usb/001/002";
    g_free(root);
    std::error_code ec;
    std::filesystem::create_directories(node.parent_path(), ec);
    std::FILE* created = std::fopen(node.c_str(), "w");
    if (created != nullptr) std::fclose(created);

    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&UsbdevfsDevice::handleioctl), this);
    GError* failure = nullptr;
    attached_ = umockdev_testbed_attach_ioctl(testbed, k_node, handler_, &failure);
    if (!attached_) {
        error_ = failure != nullptr ? failure->message : "umockdev cannot attach the ioctl handler";
        g_clear_error(&failure);
    }
}

UsbdevfsDevice::~UsbdevfsDevice() {
    if (attached_) static_cast<void>(umockdev_testbed_detach_ioctl(testbed_, k_node, nullptr));
    if (handler_ != nullptr) g_object_unref(handler_);
}

gboolean UsbdevfsDevice::handleioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    return static_cast<UsbdevfsDevice*>(self)->ioctl(client);
}

gboolean UsbdevfsDevice::ioctl(UMockdevIoctlClient* client) {
    const gulong request = umockdev_ioctl_client_get_request(client);
    const bool gone = !device_.present();
    switch (request) {
    case USBDEVFS_SUBMITURB:
        if (gone) break;
        submit(client);
        return TRUE;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        reap(client, request == USBDEVFS_REAPURB);
        return TRUE;
    case USBDEVFS_DISCARDURB:
        discard(client);
        return TRUE;
    case USBDEVFS_GET_CAPABILITIES: {
        if (gone) break;
        GError* failure = nullptr;
        UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, 4, &failure);
        if (caps == nullptr) {
            g_clear_error(&failure);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return TRUE;
        }
        const std::uint32_t none = 0;
        std::memcpy(caps->data, &none, sizeof none);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET:
        if (gone) break;
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_GET_SPEED:
        if (gone) break;
        umockdev_ioctl_client_complete(client, 2, 0);  // full speed
        return TRUE;
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL:
        // No kernel driver is bound to the interface.
        umockdev_ioctl_client_complete(client, -1, gone ? ENODEV : ENODATA);
        return TRUE;
    default:
        umockdev_ioctl_client_complete(client, -1, gone ? ENODEV : ENOTTY);
        return TRUE;
    }
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return TRUE;
}

void UsbdevfsDevice::submit(UMockdevIoctlClient* client) {
    GError* failure = nullptr;
    UMockdevIoctlData* urb = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(usbdevfs_urb), &failure);
    if (urb == nullptr) {
        g_clear_error(&failure);
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    const usbdevfs_urb& u = urbof(urb);
    UMockdevIoctlData* buffer = nullptr;
    if (u.buffer_length > 0) {
        buffer = umockdev_ioctl_data_resolve(urb, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(u.buffer_length), &failure);
        if (buffer == nullptr) {
            g_clear_error(&failure);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
    }
    const bool supported = u.type == USBDEVFS_URB_TYPE_CONTROL || u.type == USBDEVFS_URB_TYPE_BULK ||
                           u.type == USBDEVFS_URB_TYPE_INTERRUPT;
    if (!supported) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    g_object_ref(urb);
    urbs_.push_back({urb, buffer});
    progress();
    umockdev_ioctl_client_complete(client, 0, 0);
}

// Moves every URB on as far as the device lets it: control transfers complete at once, an IN
// transfer once the device has something to send (the FT232R always has: at least its status
// bytes), an OUT transfer once the device has taken all of its bytes.
void UsbdevfsDevice::progress() {
    for (Urb& u : urbs_) {
        if (u.complete) continue;
        usbdevfs_urb& urb = urbof(u.urb);
        const std::size_t length = static_cast<std::size_t>(urb.buffer_length);
        if (urb.type == USBDEVFS_URB_TYPE_CONTROL) {
            control(u);
        } else if ((urb.endpoint & 0x80) != 0) {
            const std::optional<std::vector<std::uint8_t>> in = device_.transferin(urb.endpoint, length);
            if (!in) continue;  // nothing to send yet: the URB waits, as a NAKed one does
            if (!in->empty()) std::memcpy(u.buffer->data, in->data(), in->size());
            urb.actual_length = static_cast<int>(in->size());
            urb.status = 0;
            u.complete = true;
        } else {
            const std::size_t taken = device_.transferout(
                urb.endpoint, std::span<const std::uint8_t>(u.buffer->data + u.done, length - u.done));
            u.done += taken;
            bytesout_ += static_cast<std::int64_t>(taken);
            if (vanishafter_ >= 0 && bytesout_ >= vanishafter_) {
                vanish();
                return;
            }
            if (u.done == length) {
                urb.actual_length = static_cast<int>(length);
                urb.status = 0;
                u.complete = true;
            }
        }
    }
}

void UsbdevfsDevice::control(Urb& u) {
    usbdevfs_urb& urb = urbof(u.urb);
    guint8* setup = u.buffer->data;
    const std::uint8_t type = setup[0];
    const std::uint8_t request = setup[1];
    const std::uint16_t value = le16(setup + 2);
    const std::uint16_t index = le16(setup + 4);
    const std::uint16_t length = le16(setup + 6);
    urb.status = 0;
    urb.actual_length = 0;
    if ((type & 0x80) != 0) {
        const auto answer = device_.controlin(type, request, value, index, length);
        if (answer) {
            std::memcpy(setup + k_setup_bytes, answer->data(), answer->size());
            urb.actual_length = static_cast<int>(answer->size());
        } else {
            urb.status = -EPIPE;
        }
    } else if ((type & 0x60) == 0x40 && !device_.controlout(request, value, index)) {
        urb.status = -EPIPE;  // a vendor request the chip stalls; standard ones are accepted
    }
    u.complete = true;
}

void UsbdevfsDevice::reap(UMockdevIoctlClient* client, bool /*wait*/) {
    progress();
    for (auto it = urbs_.begin(); it != urbs_.end(); ++it) {
        if (!it->complete) continue;
        GError* failure = nullptr;
        UMockdevIoctlData* out = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(void*), &failure);
        if (out == nullptr) {
            g_clear_error(&failure);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        umockdev_ioctl_data_set_ptr(out, 0, it->urb);
        g_object_unref(it->urb);
        urbs_.erase(it);
        umockdev_ioctl_client_complete(client, 0, 0);
        return;
    }
    umockdev_ioctl_client_complete(client, -1, device_.present() ? EAGAIN : ENODEV);
}

void UsbdevfsDevice::discard(UMockdevIoctlClient* client) {
    gulong address = 0;
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::memcpy(&address, arg->data, sizeof address);
    for (Urb& u : urbs_) {
        if (u.urb->client_addr == address && !u.complete) {
            urbof(u.urb).status = -ENOENT;
            urbof(u.urb).actual_length = 0;
            u.complete = true;
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        }
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
}

// Pulled out: what is under way ends with the error the kernel gives, later requests fail.
void UsbdevfsDevice::vanish() {
    device_.unplug();
    for (Urb& u : urbs_) {
        if (u.complete) continue;
        urbof(u.urb).status = -ESHUTDOWN;
        u.complete = true;
    }
}

}  // namespace vornalt::testing
