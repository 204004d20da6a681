// Systems other than Linux and Windows: no portable way to ask, so the program says it cannot.
#include "platform/running_program.h"

namespace vornalt {

Result<std::filesystem::path> running_program_path() { return Error{"not supported on this system", 0}; }

}  // namespace vornalt
