#pragma once
// A PICkit 2 in software: it takes the 64-byte reports a host writes, runs the firmware
// commands and script opcodes in them, and drives a simulated chip at pin level (VDD, VPP,
// PGC, PGD) on the virtual clock, each delay for its full device time. USB costs 1 ms per
// report each way. Faults, old or slow firmware and an unplugged programmer can be staged.
#include <array>
#include <cstdint>
#include <deque>
#include <memory>

#include "platform/clock.h"
#include "platform/hid_transport.h"
#include "sim/sim_chip.h"
#include "sim/usb_face.h"

namespace vornalt {

struct Pickit2Options {
    std::array<std::uint8_t, 3> version{2, 32, 0};
    int unanswered_version_queries = 0;  // a clone that ignores the first queries
    int late_version_replies = 0;        // a slow clone: its first replies come after the host gave up
    bool bootloader = false;             // left in its bootloader: the version reply leads with 'v'
    bool vdd_short = false;              // VDD collapses as soon as it is switched on
    bool vpp_short = false;              // VPP collapses as soon as it is switched on
    std::int64_t usb_report_ns = 1'000'000;
    // Half a PGC period of the fastest ICSP speed, and the interpreter's time per opcode.
    std::int64_t half_bit_ns = 500;
    std::int64_t opcode_ns = 4'000;
};

// Besides the in-process transport, its face on the USB: a HID device with interrupt endpoints
// 0x81 IN and 0x01 OUT of 64 bytes, for hidapi and libusb under a usbdevfs emulation.
class Pickit2Emulator final : public HidTransport, public UsbFace {
public:
    Pickit2Emulator(VirtualClock& clock, Pickit2Options options = {});

    void insert(std::unique_ptr<SimChip> chip) { chip_ = std::move(chip); }
    SimChip* chip() { return chip_.get(); }
    // From now on every write and read fails, as when the cable is pulled.
    void unplug() override { unplugged_ = true; }
    bool present() const override { return !unplugged_; }
    Pickit2Options& options() { return options_; }

    Status write(const HidReport& report) override;
    Result<HidReport> read(std::int32_t timeout_ms) override;

    const UsbIdentity& identity() const override { return identity_; }
    std::vector<std::uint8_t> devicedescriptor() const override;
    std::vector<std::uint8_t> configdescriptor() const override;
    bool controlout(std::uint8_t, std::uint16_t, std::uint16_t) override { return !unplugged_; }
    std::optional<std::vector<std::uint8_t>> controlin(std::uint8_t requesttype, std::uint8_t request, std::uint16_t value,
                                                       std::uint16_t index, std::uint16_t length) override;
    std::size_t transferout(std::uint8_t endpoint, std::span<const std::uint8_t> data) override;
    std::optional<std::vector<std::uint8_t>> transferin(std::uint8_t endpoint, std::size_t length) override;

    // What tests look at.
    std::int64_t reportswritten() const { return written_; }
    std::int64_t reportsread() const { return read_; }
    // The longest time the programmer spent running one report: a host's next write waits that long.
    std::int64_t longestreport_ns() const { return longestreport_ns_; }
    double vdd_volts() const { return vdd_volts_; }
    double vpp_volts() const { return vpp_volts_; }
    bool vddon() const { return vdd_; }
    bool vppon() const { return vpp_; }

private:
    void runscript(const std::uint8_t* script, int length);
    void reply(std::initializer_list<std::uint8_t> bytes);
    void uploadreply();
    void statusreply();
    void voltagesreply();

    // Pin level.
    void apply();
    void pass(std::int64_t ns);
    bool pgdlevel() const;
    void shiftout(std::uint8_t bits, int count);
    std::uint8_t shiftin(int count);
    void upload(std::uint8_t byte);
    std::uint8_t download();

    VirtualClock& clock_;
    Pickit2Options options_;
    UsbIdentity identity_{0x04D8, 0x0033, "Microchip Technology Inc.", "PICkit 2 Microcontroller Programmer", "OT100001"};
    std::unique_ptr<SimChip> chip_;
    bool unplugged_ = false;
    std::int64_t written_ = 0;
    std::int64_t read_ = 0;
    std::int64_t longestreport_ns_ = 0;
    int withheld_ = 0;  // reads that time out although a reply waits (a late reply)
    std::deque<HidReport> replies_;
    std::deque<std::uint8_t> upload_;
    std::deque<std::uint8_t> download_;
    std::uint16_t status_ = 0x0100;  // reset bit set at power-on

    double vdd_volts_ = 3.3;
    double vpp_volts_ = 3.3;
    bool vdd_ = false;
    bool vpp_ = false;
    bool pgc_ = false;
    bool pgd_ = false;
    bool pgc_input_ = true;  // both pins are inputs after reset
    bool pgd_input_ = true;
};

}  // namespace vornalt
