#pragma once
// The desktop program's command line: --simulate, --trace FILE.vcd, --help, --version and a
// HEX file to open.
#include <QStringList>
#include <optional>
#include <string>

namespace vornalt::gui {

struct GuiOptions {
    bool simulate = false;  // the simulated programmer instead of the parallel port
    std::string trace;      // VCD file recording the programmer lines; empty: none
    std::string file;       // HEX file to open at start, as its full name; empty: none
};

struct ParsedGuiOptions {
    std::optional<GuiOptions> options;  // absent: the program ends with exitcode
    int exitcode = 0;
    std::string out;  // for standard output (help, version)
    std::string err;  // for standard error (usage errors)
};

ParsedGuiOptions parseguioptions(const QStringList& arguments);

}  // namespace vornalt::gui
