#include "platform/ppdev_port.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/port_backend.h"
#include "platform/unavailable_port.h"

namespace vornalt {

namespace {

std::string hexaddress(std::int32_t portaddress) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(portaddress));
    return text;
}

std::string describeaddress(std::int32_t portaddress) {
    return std::to_string(portaddress) + " (" + hexaddress(portaddress) + ")";
}

// First number of a base-addr file ("888\t1912\n"); -1 when there is none.
std::int32_t readbaseaddress(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string text;
    if (!in || !(in >> text)) return -1;
    std::int32_t value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return -1;
    return value;
}

class PpdevPort final : public PortIo {
public:
    PpdevPort(int fd, std::string devicepath, std::int32_t base)
        : fd_(fd), devicepath_(std::move(devicepath)), base_(base) {}
    ~PpdevPort() override {
        ioctl(fd_, PPRELEASE);
        close(fd_);
    }
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    void write(std::uint16_t address, std::uint8_t value) override {
        unsigned char byte = value;
        switch (address - base_) {
        case 0: check(ioctl(fd_, PPWDATA, &byte), "PPWDATA"); break;
        case 2: check(ioctl(fd_, PPWCONTROL, &byte), "PPWCONTROL"); break;
        default: break;  // the status register cannot be written
        }
    }

    std::uint8_t read(std::uint16_t address) override {
        unsigned char byte = 0xFF;
        switch (address - base_) {
        case 0: check(ioctl(fd_, PPRDATA, &byte), "PPRDATA"); break;
        case 1: check(ioctl(fd_, PPRSTATUS, &byte), "PPRSTATUS"); break;
        case 2: check(ioctl(fd_, PPRCONTROL, &byte), "PPRCONTROL"); break;
        default: break;
        }
        return byte;
    }

    // A port that failed once (unplugged adapter, device removed) stays failed, so the
    // operation that was running can tell the user instead of reporting success.
    bool available() const override { return failure_.empty(); }
    std::string reason() const override { return failure_; }

private:
    void check(int rc, const char* step) {
        if (rc == 0 || !failure_.empty()) return;
        failure_ = ppdevreason(errno, devicepath_, base_, step);
    }

    int fd_;
    std::string devicepath_;
    std::int32_t base_;
    std::string failure_;
};

int openclaimed(const std::string& devicepath, bool exclusive, int& error, std::string& step) {
    const int fd = open(devicepath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        step = "open";
        return -1;
    }
    if (exclusive && ioctl(fd, PPEXCL) != 0) {
        error = errno;
        step = "PPEXCL";
        close(fd);
        return -1;
    }
    if (ioctl(fd, PPCLAIM) != 0) {
        error = errno;
        step = "PPCLAIM";
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string ppdevreason(int error, const std::string& devicepath, std::int32_t portaddress, const std::string& step) {
    std::string text = step == "open" ? "Cannot open " + devicepath : "The parallel port " + devicepath + " failed (" + step + ")";
    text += ": ";
    text += std::strerror(error);
    text += ". ";
    switch (error) {
    case EACCES:
    case EPERM:
        text += "Add your user to the lp group (sudo usermod -aG lp $USER), then log out and in again.";
        break;
    case ENOENT:
        text += "Load the parallel-port device driver (sudo modprobe ppdev), or there is no parallel port at address " +
                describeaddress(portaddress) + ".";
        break;
    case ENXIO:
    case ENODEV:
        text += "There is no parallel port behind this device: check that the port is enabled in the BIOS and that "
                "the parport_pc module is loaded (sudo modprobe parport_pc).";
        break;
    case EBUSY:
        text += "Another program or driver holds the port: close the other program, or unload the printer driver "
                "(sudo modprobe -r lp).";
        break;
    case ENOTTY:
    case EINVAL:
        text += "This is not a parallel-port device: choose a /dev/parportN device.";
        break;
    default:
        text += "Check the programmer's connection and the port settings.";
        break;
    }
    return text;
}

Result<std::string> findparport(std::int32_t portaddress, const std::filesystem::path& procdir,
                                const std::filesystem::path& devdir) {
    std::vector<std::string> listed;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(procdir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("parport", 0) != 0) continue;
        const std::int32_t base = readbaseaddress(it->path() / "base-addr");
        if (base < 0) continue;
        if (base == portaddress) return (devdir / name).string();
        listed.push_back(name + " at " + describeaddress(base));
    }
    // The kernel numbers the ports of the classic addresses in this order.
    static constexpr struct {
        std::int32_t portaddress;
        const char* device;
    } k_usual[] = {{888, "parport0"}, {632, "parport1"}, {956, "parport2"}};
    for (const auto& usual : k_usual) {
        if (usual.portaddress == portaddress) return (devdir / usual.device).string();
    }
    std::string text = "No parallel port has the base address " + describeaddress(portaddress) + ". ";
    if (listed.empty()) {
        text += "The system lists no parallel ports: load the drivers (sudo modprobe parport_pc ppdev).";
    } else {
        text += "The system has:";
        for (std::size_t i = 0; i < listed.size(); ++i) text += (i == 0 ? " " : ", ") + listed[i];
        text += ". Choose one of those addresses.";
    }
    return Error{text, ENODEV};
}

std::unique_ptr<PortIo> openppdev(const std::string& devicepath, std::int32_t portaddress) {
    if (!validportaddress(portaddress)) {
        return std::make_unique<UnavailablePort>(portaddressrangereason(portaddress));
    }
    int error = 0;
    std::string step;
    // Exclusive access keeps other drivers off the lines mid-transfer; it is refused while
    // another driver (the printer driver, typically) is registered on the port, so then the
    // port is shared.
    int fd = openclaimed(devicepath, true, error, step);
    if (fd < 0 && step != "open") fd = openclaimed(devicepath, false, error, step);
    if (fd < 0) return std::make_unique<UnavailablePort>(ppdevreason(error, devicepath, portaddress, step));

    int forward = 0;  // data lines driven by the PC
    if (ioctl(fd, PPDATADIR, &forward) != 0) {
        error = errno;
        ioctl(fd, PPRELEASE);
        close(fd);
        return std::make_unique<UnavailablePort>(ppdevreason(error, devicepath, portaddress, "PPDATADIR"));
    }
    return std::make_unique<PpdevPort>(fd, devicepath, portaddress);
}

}  // namespace vornalt
