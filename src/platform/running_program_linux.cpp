#include "platform/running_program.h"

#include <system_error>

namespace vornalt {

Result<std::filesystem::path> running_program_path() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return Error{"/proc/self/exe: " + error.message(), error.value()};
    return self;
}

}  // namespace vornalt
