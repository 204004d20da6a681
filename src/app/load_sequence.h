#pragma once
// What the main window does once, when it first shows: restore every saved setting, apply the
// saved model, blank the image, bring the programmer lines to idle and report the port.
#include "app/app_state.h"
#include "programmer/programmer_port.h"
#include "catalogue/catalogue.h"
#include "image/memory_image.h"
#include "platform/window_services.h"
#include "port/port_driver.h"
#include "settings/settings_store.h"

#include <string>

namespace vornalt {

struct LoadParts {
    AppState& app;
    const DeviceCatalogue& catalogue;
    AppliedModel& model;
    MemoryImage& image;
    PortDriver& driver;  // its state receives the port, pin, inversion and clock-delay settings
    ProgrammerPort& port;
    SettingsStore& settings;
    WindowServices& window;
};

// In this order: "Last Path"; "Microcontroller Model" (a value that is not a model number
// selects model 1 and is rewritten as "1"); the model applied; Clear Buffer; "Parallel Port
// Address"; the five inversions; the five pins (the programmer's own set: an FTDI adapter's bits
// and its step rate); "Clock Delay"; the port opened; the lines idle; the programmer's state on
// the status line. Every missing setting is created with its default.
void formload(LoadParts parts);

// For a programmer on port registers (the parallel port, the simulator's board): the first
// setting that leaves it unusable, named with its value ("Parallel Port Address" outside the I/O
// space, a line's pin that is not a pin of its direction); empty when every one is usable.
// Without this, such a setting shows only as "No chip answered" at the first run.
std::string unusablewiringtext(SettingsStore& settings, const DriverState& state);

}  // namespace vornalt
