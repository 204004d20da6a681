#pragma once
// The engine's transfers sent to a PICkit 2 (or a PICkit 3 with the scripting firmware) as
// frame-level script reports: a command and its data word take a few script bytes the
// programmer clocks out itself, waits are timed by the programmer, and reports go out when
// full, when a read value is needed, or at a power step. After each power step the programmer's
// status is read, so a shorted supply is reported as such instead of as a chip that does not
// answer.
#include <cstdint>
#include <string>

#include "pickit/report_packer.h"
#include "pickit/script_encoder.h"
#include "platform/hid_transport.h"
#include "port/transfer_link.h"

namespace vornalt::pickit {

struct FirmwareVersion {
    int major = 0;
    int minor = 0;
    int dot = 0;
};
std::string versiontext(const FirmwareVersion& version);

struct Voltages {
    double vdd = 0;
    double vpp = 0;
};

class PickitLink final : public TransferLink {
public:
    static constexpr std::int32_t k_reply_timeout_ms = 500;
    // Clones may miss the first version query; it is asked this many times.
    static constexpr int k_version_attempts = 3;

    explicit PickitLink(HidTransport& transport) : transport_(transport) {}
    ~PickitLink() override { close(); }
    PickitLink(const PickitLink&) = delete;
    PickitLink& operator=(const PickitLink&) = delete;

    // Reads the firmware version and refuses one older than 2.32, sets the VDD and VPP the
    // programmer makes, and switches everything off.
    Status open(double vdd_volts = 5.0, double vpp_volts = 13.0);
    const FirmwareVersion& version() const { return version_; }
    Result<Voltages> readvoltages();
    // Line level, for Check Hardware: the PGD level seen with PGD released (CLOCK as it is).
    Result<bool> readdatain();
    // VDD and VPP off, ICSP pins released. Every way out passes here; errors are ignored.
    void close();

    void command(std::int32_t code) override;
    void commanddata(std::int32_t code, std::int32_t word) override;
    std::int32_t readword(std::int32_t code) override;
    void setline(Line line, bool on) override;
    void hold_us(std::int64_t us) override;
    Status flush() override;
    const Status& status() const override { return status_; }
    void drop() override { packer_.clear(); }

private:
    void queue(const ScriptBytes& piece);
    // Sends what is queued with `commands` after it and reads one reply per command that has one.
    // False when the programmer is gone.
    bool exchange(const ScriptBytes& commands, std::vector<HidReport>* replies);
    void sendall(const std::vector<HidReport>& reports);
    void checkstatus(const HidReport& reply);
    void fail(std::string message);
    void lost(const Error& error);
    Result<FirmwareVersion> askversion();

    HidTransport& transport_;
    ReportPacker packer_;
    Status status_;
    FirmwareVersion version_;
    bool opened_ = false;
    bool gone_ = false;  // the transport failed: nothing more is sent
    bool clock_ = false;
    bool data_ = false;
    bool powerstep_ = false;  // a supply was switched since the status was last read
};

}  // namespace vornalt::pickit
