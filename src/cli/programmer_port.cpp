#include "cli/programmer_port.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/port_backend.h"
#include "platform/unavailable_port.h"
#include "sim/chip_model.h"
#include "sim/sim_chip.h"
#ifdef __linux__
#include "platform/ppdev_port.h"
#endif

namespace vornalt {
namespace {

// The driver's view of a port owned elsewhere.
class ForwardingPort final : public PortIo {
public:
    explicit ForwardingPort(PortIo& target) : target_(target) {}
    void write(std::uint16_t address, std::uint8_t value) override { target_.write(address, value); }
    std::uint8_t read(std::uint16_t address) override { return target_.read(address); }
    bool available() const override { return target_.available(); }
    std::string reason() const override { return target_.reason(); }

private:
    PortIo& target_;
};

}  // namespace

ProgrammerPort::~ProgrammerPort() = default;

void ProgrammerPort::openreal(const PortOption& port, std::int32_t portaddress) {
    if (port.kind != PortKind::device) {
        backend_ = openport(portaddress);
        return;
    }
#ifdef __linux__
    backend_ = openppdev(port.device, portaddress);
#else
    backend_ = std::make_unique<UnavailablePort>("The port " + port.device +
                                                 " cannot be opened: device paths name Linux ppdev devices. Use "
                                                 "--port 1, 2 or 3.");
#endif
}

Status ProgrammerPort::opensim(const std::string& modelname, std::int32_t portaddress, const std::string& chipfile) {
    auto board = std::make_unique<SimBoard>(clock_, portaddress);
    if (const ChipModel* chip = findchipmodel(modelname)) {
        board->insert(std::make_unique<SimChip>(*chip));
        std::error_code error;
        if (std::filesystem::exists(chipfile, error)) {
            Status loaded = board->loadchipfile(chipfile);
            if (!loaded) return loaded;
        }
        chipfile_ = chipfile;
    }
    board_ = board.get();
    backend_ = std::move(board);
    return {};
}

Status ProgrammerPort::starttrace(const std::string& path) {
    Result<std::unique_ptr<LineTraceFile>> opened = LineTraceFile::open(path, *backend_, driverstate_, clock_);
    if (!opened) return opened.error();
    trace_ = std::move(opened).value();
    return {};
}

PortOpener ProgrammerPort::opener() {
    return [this](std::int32_t) -> std::unique_ptr<PortIo> {
        PortIo& target = trace_ ? trace_->port() : *backend_;
        return std::make_unique<ForwardingPort>(target);
    };
}

Status ProgrammerPort::finish() {
    Status result;
    if (board_ != nullptr && board_->chip() != nullptr && !chipfile_.empty()) {
        const std::filesystem::path folder = std::filesystem::path(chipfile_).parent_path();
        std::error_code error;
        if (!folder.empty()) std::filesystem::create_directories(folder, error);
        if (error) {
            result = Error{"Cannot create the folder " + folder.string() + " for the simulated chip file: " +
                           error.message() + ". Name another file with --sim-chip FILE.", error.value()};
        } else {
            result = board_->savechipfile(chipfile_);
        }
    }
    if (trace_) {
        // The trace stays in place (recording nothing more): the driver may still hold its port.
        Status closed = trace_->close();
        if (result && !closed) result = closed;
    }
    return result;
}

}  // namespace vornalt
