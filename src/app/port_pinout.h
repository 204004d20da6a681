#pragma once
// The Help menu's reference card of the PC parallel port: which register bit each connector pin
// carries, its direction, the usual base addresses and the register offsets. It is fixed text,
// independent of the settings, and shows nothing of the pins the lines use now.
#include <string>

#include "platform/window_services.h"

namespace vornalt {

// 32 lines, each ending in CR LF; the pin rows are tab-separated.
std::string portpinouttext();

// The FTDI adapter's card beside its schematic: which data bit carries each line by default and
// where the bit sits on an FT232R breakout. Lines end in CR LF.
std::string adapterwiringtext();

// Shows the card in an information box. No port is touched.
void menuportinfo(WindowServices& window);

}  // namespace vornalt
