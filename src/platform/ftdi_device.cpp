#include "platform/ftdi_device.h"

#include <ftdi.h>
#include <sys/time.h>

#include <array>

#include "platform/ftdi_rate.h"

namespace vornalt {
namespace {

// The FTDI library parts a run owns: the context, and the device list while looking for one.
struct ContextDeleter {
    void operator()(ftdi_context* c) const { ftdi_free(c); }
};
using Context = std::unique_ptr<ftdi_context, ContextDeleter>;

struct ListDeleter {
    void operator()(ftdi_device_list* l) const { ftdi_list_free2(l); }
};
using DeviceList = std::unique_ptr<ftdi_device_list, ListDeleter>;

std::string librarysays(ftdi_context* c) { return c != nullptr ? ftdi_get_error_string(c) : "out of memory"; }

Error usberror(const std::string& what, ftdi_context* c) {
    return Error{what + ": " + librarysays(c) +
                 ". Check that the adapter is plugged in and that you may use it (on Linux: the udev rule "
                 "installed with Vornalt and membership of the plugdev group)."};
}

class FtdiDevice final : public BitBangDevice {
public:
    explicit FtdiDevice(Context context) : context_(std::move(context)) {}
    ~FtdiDevice() override { close(); }
    FtdiDevice(const FtdiDevice&) = delete;
    FtdiDevice& operator=(const FtdiDevice&) = delete;

    Result<std::int64_t> configure(std::uint8_t outputs, std::int32_t steprate) override {
        ftdi_context* c = context_.get();
        if (!open_) return Error{k_programmer_disconnected};
        // A 1 ms latency timer sends the last short packet of a flush back at once.
        if (ftdi_tcioflush(c) < 0 || ftdi_set_latency_timer(c, 1) < 0 ||
            ftdi_set_bitmode(c, outputs, BITMODE_SYNCBB) < 0 || ftdi_set_baudrate(c, steprate) < 0) {
            return usberror("Cannot set the USB adapter to bit-bang mode", c);
        }
        // The library rounds the rate to a divisor the chip has; waits count steps at that rate.
        const auto [value, index] = ftdi_divisor(steprate);
        return ftdi_steprate(value, index);
    }

    Status exchange(std::span<const std::uint8_t> out, std::span<std::uint8_t> in) override {
        ftdi_context* c = context_.get();
        if (!open_) return Error{k_programmer_disconnected};
        // The read is posted before the write and both run together, so the samples drain while
        // the bytes go out and the adapter's small FIFO never stalls the stream.
        ftdi_transfer_control* reading = ftdi_read_data_submit(c, in.data(), static_cast<int>(in.size()));
        if (reading == nullptr) return lost();
        outbuffer_.assign(out.begin(), out.end());
        ftdi_transfer_control* writing =
            ftdi_write_data_submit(c, outbuffer_.data(), static_cast<int>(outbuffer_.size()));
        if (writing == nullptr) {
            cancel(reading);
            return lost();
        }
        const int written = ftdi_transfer_data_done(writing);
        if (written != static_cast<int>(out.size())) {
            cancel(reading);
            return lost();
        }
        if (ftdi_transfer_data_done(reading) != static_cast<int>(in.size())) return lost();
        return {};
    }

    void close() override {
        if (!open_) return;
        open_ = false;
        // Back to the UART mode the adapter starts in: the pins are released, and the board's
        // pull-downs hold VDD and VPP off.
        static_cast<void>(ftdi_set_bitmode(context_.get(), 0, BITMODE_RESET));
        static_cast<void>(ftdi_usb_close(context_.get()));
    }

private:
    Status lost() {
        // The transfer calls leave the library's error text as it was (at first "all fine"): it
        // would tell of an earlier call, so it is not quoted.
        close();
        return Error{std::string(k_programmer_disconnected) + "."};
    }
    static void cancel(ftdi_transfer_control* tc) {
        timeval wait{0, 100'000};
        ftdi_transfer_data_cancel(tc, &wait);
    }

    Context context_;
    bool open_ = true;
    std::vector<std::uint8_t> outbuffer_;
};

struct Found {
    libusb_device* device;
    FtdiAdapter adapter;
};

// Every FTDI adapter with its strings; the list must outlive the devices handed back.
Result<std::vector<Found>> findall(ftdi_context* c, DeviceList& list) {
    ftdi_device_list* raw = nullptr;
    // Vendor and product 0: every product id the library knows (FT232R, FT230X, FT2232 ...).
    if (ftdi_usb_find_all(c, &raw, 0, 0) < 0) return usberror("Cannot list the USB adapters", c);
    list.reset(raw);
    std::vector<Found> found;
    for (ftdi_device_list* at = raw; at != nullptr; at = at->next) {
        std::array<char, 128> description{};
        std::array<char, 64> serial{};
        if (ftdi_usb_get_strings(c, at->dev, nullptr, 0, description.data(), description.size(), serial.data(),
                                 serial.size()) < 0) {
            continue;  // one that cannot be opened to read its strings is somebody else's
        }
        found.push_back({at->dev, {serial.data(), description.data()}});
    }
    return found;
}

Context newcontext() { return Context(ftdi_new()); }

}  // namespace

Result<std::vector<FtdiAdapter>> listftdiadapters() {
    Context c = newcontext();
    if (!c) return Error{"Cannot start the FTDI library: out of memory."};
    DeviceList list;
    Result<std::vector<Found>> found = findall(c.get(), list);
    if (!found) return found.error();
    std::vector<FtdiAdapter> adapters;
    for (const Found& f : found.value()) adapters.push_back(f.adapter);
    return adapters;
}

Result<std::unique_ptr<BitBangDevice>> openftdi(const std::string& serial) {
    Context c = newcontext();
    if (!c) return Error{"Cannot start the FTDI library: out of memory."};
    DeviceList list;
    Result<std::vector<Found>> found = findall(c.get(), list);
    if (!found) return found.error();
    std::vector<const Found*> matches;
    std::string serials;
    for (const Found& f : found.value()) {
        serials += (serials.empty() ? "" : ", ") + f.adapter.serial;
        if (serial.empty() || f.adapter.serial == serial) matches.push_back(&f);
    }
    if (matches.size() > 1) {
        return Error{"Several FTDI adapters are plugged in (" + serials + "): choose one with ftdi:SERIAL."};
    }
    if (matches.empty()) {
        const std::string which =
            serial.empty() ? "No FTDI adapter is plugged in" : "No FTDI adapter with serial " + serial;
        return Error{which + (serials.empty() ? std::string(".") : " (found: " + serials + ").") +
                     " Plug the programmer in; on Linux the udev rule installed with Vornalt and membership of the "
                     "plugdev group let you use it."};
    }
    const Found* chosen = matches.front();
    if (ftdi_usb_open_dev(c.get(), chosen->device) < 0) return usberror("Cannot open the USB adapter " + chosen->adapter.serial, c.get());
    return std::unique_ptr<BitBangDevice>(std::make_unique<FtdiDevice>(std::move(c)));
}

}  // namespace vornalt
