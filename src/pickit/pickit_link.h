#pragma once
// The line link of a PICkit 2 (or a PICkit 3 running the scripting firmware): what the driver
// queues becomes script bytes packed into 64-byte reports that the programmer runs itself.
// - Frame level for the engine's transfers: a command and its data word are a few bytes the
//   programmer clocks out (WRITE_BITS_LITERAL, WRITE_BYTE_LITERAL), a read is READ_BITS_BUFFER
//   into its upload buffer.
// - Line level for everything else (Check Hardware, a trace): VDD and VPP steps become
//   VDD_ON/OFF and VPP_ON/OFF, CLOCK and DATA OUT one SET_ICSP_PINS each, a DATA IN sample
//   ICSP_STATES_BUFFER with PGD released.
// - Waits are device-timed delays, rounded up to the programmer's units.
// After a supply was switched, the next flush reads the programmer's status, so a shorted VDD
// or VPP ends the run with that reason rather than with a wrong chip result.
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"
#include "pickit/report_packer.h"
#include "pickit/script_encoder.h"
#include "platform/hid_transport.h"
#include "port/line_link.h"

namespace vornalt::pickit {

struct FirmwareVersion {
    int major = 0;
    int minor = 0;
    int dot = 0;
};
std::string versiontext(const FirmwareVersion& version);
bool supported(const FirmwareVersion& version);

struct Voltages {
    double vdd = 0;
    double vpp = 0;
};

class PickitLink final : public LineLink {
public:
    // A reply waits behind the report before it; neither runs longer than k_max_report_delay_ns.
    static constexpr std::int32_t k_reply_timeout_ms = 1000;
    // Device time one report may hold in delays: a longer wait is spread over several reports,
    // so no write waits on the programmer for long (hidapi gives a write one second).
    static constexpr std::int64_t k_max_report_delay_ns = 250'000'000;
    // Clones may miss a version query or answer it late: it is asked this many times.
    static constexpr int k_version_attempts = 3;
    static constexpr std::size_t k_kept_samples = 4096;  // flushed samples still answered by value()
    // Upload bytes collected before they are fetched: one UPLOAD_DATA reply carries them all.
    static constexpr int k_upload_chunk = 60;

    explicit PickitLink(HidTransport& transport);
    ~PickitLink() override { close(); }
    PickitLink(const PickitLink&) = delete;
    PickitLink& operator=(const PickitLink&) = delete;

    // Reads the firmware version and refuses one older than 2.32, sets the VDD and VPP the
    // programmer makes, and switches both off with PGC and PGD driven low.
    Status open(double vdd_volts = 5.0, double vpp_volts = 13.0);
    const FirmwareVersion& version() const { return version_; }
    // VDD and VPP as the programmer measures them (PICkit 2 scale).
    Result<Voltages> readvoltages();
    // VDD off, 50 ms, VPP off, PGC and PGD released: every way out passes here (also the
    // destructor); errors are ignored. Safe to call twice.
    void close();

    void put(const OutputLines& lines) override;
    std::int64_t sample() override;
    Status flush() override;
    const Status& status() const override { return status_; }
    bool value(std::int64_t sample) const override;
    bool hold_us(std::int64_t us) override;
    void drop() override;
    bool frame(std::int32_t code, std::int32_t word) override;
    std::int64_t readframe(std::int32_t code) override;
    bool measure(double& vdd, double& vpp) override;

    std::int64_t reportssent() const { return reports_; }
    // Opened with a supported firmware and still answering. A supply fault fails the run it
    // happened in (status() says so until both supplies are put off again) but leaves the
    // programmer usable.
    bool usable() const { return opened_ && !gone_; }

private:
    // Samples waiting in the programmer's upload buffer: a line sample takes one byte, a word two.
    struct Upload {
        std::int64_t first;  // its sample number (a word's bit 0)
        bool word;
    };

    void queue(const ScriptBytes& piece);
    // The pins as the driver last put them, set on the programmer where they differ.
    void restorepins();
    void reserveupload(int bytes);
    // Sends what is queued with `commands` after it and reads one reply for each that has one.
    // False when the programmer is gone.
    bool exchange(const ScriptBytes& commands, std::vector<HidReport>& replies);
    void sendall(const std::vector<HidReport>& reports);
    void resolve(const HidReport& reply);
    void checkstatus(const HidReport& reply);
    void fail(std::string message);
    void lost(const Error& error);
    Result<FirmwareVersion> askversion();

    HidTransport& transport_;
    ReportPacker packer_;
    Status status_;
    FirmwareVersion version_;
    bool opened_ = false;
    bool gone_ = false;       // the transport failed: nothing more is sent
    bool powerstep_ = false;  // a supply was switched since the status was last read
    bool suppliesknown_ = false;  // VDD and VPP on the programmer are as lines_ says
    OutputLines lines_{};     // as the driver put them
    // The ICSP pins as the programmer holds them now.
    bool pgc_ = false;
    bool pgd_ = false;
    bool pgdinput_ = true;
    std::vector<Upload> uploads_;
    int uploadbytes_ = 0;
    std::vector<std::uint8_t> levels_;  // ring of resolved sample levels
    std::int64_t samples_ = 0;
    std::int64_t reports_ = 0;
    std::int64_t reportdelay_ns_ = 0;  // delays in the report being filled (an upper bound)
};

}  // namespace vornalt::pickit
