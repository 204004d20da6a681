#pragma once
// The simulated programmer board with a chip in its socket. It is opened once and follows the
// port address, so changing the port number never takes the chip out.
#include "programmer/backend_table.h"

namespace vornalt {

BackendRow simbackend();

}  // namespace vornalt
