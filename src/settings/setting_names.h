#pragma once
// The names under which the program keeps its settings, and the defaults the load sequence
// passes when it reads them. Every reader and writer takes the names from here.
#include <array>
#include <string_view>

namespace vornalt {

inline constexpr std::string_view k_setting_lastpath = "Last Path";  // default: the application folder
inline constexpr std::string_view k_setting_model = "Microcontroller Model";
inline constexpr std::string_view k_setting_portaddress = "Parallel Port Address";
inline constexpr std::string_view k_setting_invertvdd = "Invert VDD";
inline constexpr std::string_view k_setting_invertvpp = "Invert VPP";
inline constexpr std::string_view k_setting_invertclock = "Invert CLOCK";
inline constexpr std::string_view k_setting_invertdataout = "Invert DATAOUT";
inline constexpr std::string_view k_setting_invertdatain = "Invert DATAIN";
inline constexpr std::string_view k_setting_vddpin = "VDD Pin Num";
inline constexpr std::string_view k_setting_vpppin = "VPP Pin Num";
inline constexpr std::string_view k_setting_clockpin = "CLOCK Pin Num";
inline constexpr std::string_view k_setting_dataoutpin = "DATAOUT Pin Num";
inline constexpr std::string_view k_setting_datainpin = "DATAIN Pin Num";
inline constexpr std::string_view k_setting_clockdelay = "Clock Delay";
// Production: the next serial number, where it goes, and the log's folder (not created at start).
inline constexpr std::string_view k_setting_serial = "Production Serial";
inline constexpr std::string_view k_setting_serialat = "Production Serial At";
inline constexpr std::string_view k_setting_logfolder = "Production Log Folder";

// The programmer chosen in the window: a backend's key, with ":argument" for one of several
// plugged-in devices ("ftdi:A50285BI").
inline constexpr std::string_view k_setting_programmer = "Programmer";
// A bit-bang adapter's lines have settings of their own, so switching between it and the parallel
// port keeps both: its pins are the adapter's data bits 0-7.
inline constexpr std::string_view k_setting_ftdi_invertvdd = "FTDI Invert VDD";
inline constexpr std::string_view k_setting_ftdi_invertvpp = "FTDI Invert VPP";
inline constexpr std::string_view k_setting_ftdi_invertclock = "FTDI Invert CLOCK";
inline constexpr std::string_view k_setting_ftdi_invertdataout = "FTDI Invert DATAOUT";
inline constexpr std::string_view k_setting_ftdi_invertdatain = "FTDI Invert DATAIN";
inline constexpr std::string_view k_setting_ftdi_vddbit = "FTDI VDD Bit";
inline constexpr std::string_view k_setting_ftdi_vppbit = "FTDI VPP Bit";
inline constexpr std::string_view k_setting_ftdi_clockbit = "FTDI CLOCK Bit";
inline constexpr std::string_view k_setting_ftdi_dataoutbit = "FTDI DATAOUT Bit";
inline constexpr std::string_view k_setting_ftdi_datainbit = "FTDI DATAIN Bit";
inline constexpr std::string_view k_setting_ftdi_steprate = "FTDI Step Rate";

struct SettingDefault {
    std::string_view name;
    std::string_view defaulttext;
};

// Every setting with a fixed default, in the order the load sequence reads them.
// "Last Path" is not here: its default is the application folder, known only at run time.
inline constexpr std::array<SettingDefault, 13> k_setting_defaults{{
    {k_setting_model, "1"},
    {k_setting_portaddress, "888"},
    {k_setting_invertvdd, "0"},
    {k_setting_invertvpp, "0"},
    {k_setting_invertclock, "1"},
    {k_setting_invertdataout, "1"},
    {k_setting_invertdatain, "1"},
    {k_setting_vddpin, "4"},
    {k_setting_vpppin, "5"},
    {k_setting_clockpin, "3"},
    {k_setting_dataoutpin, "2"},
    {k_setting_datainpin, "10"},
    {k_setting_clockdelay, "0"},
}};

// The programmer choice and the adapter's settings, read when the programmer is chosen. The bits
// place the classic board on an FT232R breakout: CLOCK on D0 (TXD), DATA OUT on D1 (RXD), DATA IN
// on D3 (CTS), VPP on D5 (DSR), VDD on D6 (DCD); inversions as on the parallel port.
inline constexpr std::array<SettingDefault, 12> k_programmer_setting_defaults{{
    {k_setting_programmer, "parallel"},
    {k_setting_ftdi_invertvdd, "0"},
    {k_setting_ftdi_invertvpp, "0"},
    {k_setting_ftdi_invertclock, "1"},
    {k_setting_ftdi_invertdataout, "1"},
    {k_setting_ftdi_invertdatain, "1"},
    {k_setting_ftdi_vddbit, "6"},
    {k_setting_ftdi_vppbit, "5"},
    {k_setting_ftdi_clockbit, "0"},
    {k_setting_ftdi_dataoutbit, "1"},
    {k_setting_ftdi_datainbit, "3"},
    {k_setting_ftdi_steprate, "150000"},
}};

// The default of a named setting from the tables above; the empty text for an unknown name.
constexpr std::string_view settingdefault(std::string_view name) {
    for (const auto& entry : k_setting_defaults) {
        if (entry.name == name) return entry.defaulttext;
    }
    for (const auto& entry : k_programmer_setting_defaults) {
        if (entry.name == name) return entry.defaulttext;
    }
    return {};
}

// The longest text, in characters, that reads back from the store; a longer stored value is
// treated as unreadable and replaced by the caller's default.
inline constexpr std::size_t k_setting_maxlength = 254;

}  // namespace vornalt
