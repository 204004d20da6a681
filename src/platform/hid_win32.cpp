// USB HID programmers on Windows through the system's own HID class driver (hid.dll and the
// SetupAPI): no driver to install. Reports travel as 65 bytes, the report ID 0 first, as with
// hidapi; the framing above them is the shared, tested encoder. Not yet tried on hardware.
#include <windows.h>
// The HID headers need windows.h first; MinGW's hidsdi.h declares C functions without saying so.
extern "C" {
#include <hidsdi.h>
}
#include <setupapi.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/path_text.h"
#include "platform/hid_devices.h"

namespace vornalt {
namespace {

constexpr DWORD k_report_bytes = 65;  // the report ID, then the 64-byte report

std::string narrow(const wchar_t* text) { return utf8frompath(std::filesystem::path(std::wstring(text))); }

std::string lasterror(const char* what) { return std::string(what) + " failed (Windows error " + std::to_string(GetLastError()) + ")"; }

// A handle that closes itself, so every way out lets the device go.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() {
        if (valid()) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class Win32HidTransport final : public HidTransport {
public:
    explicit Win32HidTransport(HANDLE device) : device_(device), event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    Status write(const HidReport& report) override {
        std::array<std::uint8_t, k_report_bytes> out{};
        std::copy(report.begin(), report.end(), out.begin() + 1);
        DWORD done = 0;
        if (!transfer(false, out.data(), INFINITE, done) || done != k_report_bytes) return Error{lasterror("USB write")};
        return {};
    }

    Result<HidReport> read(std::int32_t timeout_ms) override {
        std::array<std::uint8_t, k_report_bytes> in{};
        DWORD done = 0;
        if (!transfer(true, in.data(), static_cast<DWORD>(std::max(timeout_ms, 0)), done)) {
            if (GetLastError() == WAIT_TIMEOUT) return Error{"no answer within the timeout"};
            return Error{lasterror("USB read")};
        }
        HidReport report{};
        std::copy(in.begin() + 1, in.end(), report.begin());
        return report;
    }

private:
    // One overlapped read or write, waited for at most timeout_ms; cancelled when it runs over.
    bool transfer(bool reading, std::uint8_t* data, DWORD timeout_ms, DWORD& done) {
        if (!event_.valid()) return false;
        OVERLAPPED overlapped{};
        overlapped.hEvent = event_.get();
        ResetEvent(event_.get());
        const BOOL started = reading ? ReadFile(device_.get(), data, k_report_bytes, nullptr, &overlapped)
                                     : WriteFile(device_.get(), data, k_report_bytes, nullptr, &overlapped);
        if (!started && GetLastError() != ERROR_IO_PENDING) return false;
        if (WaitForSingleObject(event_.get(), timeout_ms) != WAIT_OBJECT_0) {
            CancelIo(device_.get());
            GetOverlappedResult(device_.get(), &overlapped, &done, TRUE);  // the buffer is ours again
            SetLastError(WAIT_TIMEOUT);
            return false;
        }
        return GetOverlappedResult(device_.get(), &overlapped, &done, FALSE) != 0;
    }

    Handle device_;
    Handle event_;
};

// Every HID device interface present, by its path.
std::vector<std::wstring> hidpaths() {
    std::vector<std::wstring> paths;
    GUID guid;
    HidD_GetHidGuid(&guid);
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return paths;
    SP_DEVICE_INTERFACE_DATA entry{};
    entry.cbSize = sizeof entry;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &guid, i, &entry); ++i) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &entry, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        std::vector<std::uint8_t> buffer(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (SetupDiGetDeviceInterfaceDetailW(set, &entry, detail, size, nullptr, nullptr)) {
            paths.emplace_back(detail->DevicePath);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

}  // namespace

Result<std::vector<HidDeviceInfo>> listhiddevices(std::uint16_t vendor_id, std::span<const std::uint16_t> product_ids) {
    std::vector<HidDeviceInfo> found;
    for (const std::wstring& path : hidpaths()) {
        // Opened without read or write access: enough to ask who it is, even while in use.
        Handle device(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!device.valid()) continue;
        HIDD_ATTRIBUTES attributes{};
        attributes.Size = sizeof attributes;
        if (!HidD_GetAttributes(device.get(), &attributes) || attributes.VendorID != vendor_id) continue;
        if (std::find(product_ids.begin(), product_ids.end(), attributes.ProductID) == product_ids.end()) continue;
        std::array<wchar_t, 128> serial{};
        std::array<wchar_t, 128> product{};
        if (!HidD_GetSerialNumberString(device.get(), serial.data(), sizeof serial)) serial[0] = L'\0';
        if (!HidD_GetProductString(device.get(), product.data(), sizeof product)) product[0] = L'\0';
        serial.back() = L'\0';
        product.back() = L'\0';
        found.push_back({narrow(path.c_str()), narrow(serial.data()), attributes.ProductID, narrow(product.data())});
    }
    return found;
}

Result<std::unique_ptr<HidTransport>> openhiddevice(const std::string& path) {
    const std::wstring wide = pathfromutf8(path).wstring();
    HANDLE device = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) return Error{"Cannot open the USB programmer: " + lasterror("CreateFile")};
    return std::unique_ptr<HidTransport>(std::make_unique<Win32HidTransport>(device));
}

}  // namespace vornalt
