#pragma once
// A Linux ppdev device named by its path (/dev/parport0), serving the base address of the
// settings. Elsewhere the row exists but opens as unavailable, saying why.
#include "programmer/backend_table.h"

namespace vornalt {

BackendRow ppdevbackend();

}  // namespace vornalt
