// How a --port text or a port prompt answer picks a row of the backend table.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "programmer/backend_table.h"
#include "programmer/parallel_backend.h"

namespace vornalt {
namespace {

TEST(BackendTable, PortTextsChooseRowsAndArguments) {
    struct Case {
        const char* text;
        std::optional<BackendKind> kind;  // none: the text names no backend
        const char* argument;
    };
    const Case cases[] = {
        {"1", BackendKind::parallelport, "1"},
        {"3", BackendKind::parallelport, "3"},
        {"sim", BackendKind::simulator, ""},
        {"SiM", BackendKind::simulator, ""},
        {"/dev/parport1", BackendKind::device, "/dev/parport1"},
        {"./sim", BackendKind::device, "./sim"},  // a path, even one ending in a row's name
        {"pickit2", BackendKind::pickit2, ""},
        {"PICkit2:OT42a", BackendKind::pickit2, "OT42a"},  // the serial as typed
        {"pickit2x", std::nullopt, ""},
        {"0", std::nullopt, ""},
        {"4", std::nullopt, ""},
        {"01", std::nullopt, ""},
        {" 1", std::nullopt, ""},
        {"888", std::nullopt, ""},
        {"simulator", std::nullopt, ""},
        {"parport0", std::nullopt, ""},
        {"", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        const std::optional<BackendChoice> chosen = choosebackend(c.text);
        ASSERT_EQ(chosen.has_value(), c.kind.has_value()) << c.text;
        if (!chosen) continue;
        EXPECT_EQ(chosen->kind, *c.kind) << c.text;
        EXPECT_EQ(chosen->argument, c.argument) << c.text;
    }
}

TEST(BackendTable, EveryKindHasItsOwnRow) {
    for (const BackendRow& row : backendtable()) {
        EXPECT_EQ(backendrow(row.kind).name, row.name);
        EXPECT_TRUE(row.argumentof && row.open) << row.name;
    }
}

TEST(BackendTable, PromptAnswersNameTheOfferedPorts) {
    struct Case {
        const char* answer;
        std::int32_t portaddress;  // 0: not an offered port
    };
    const Case cases[] = {{"1", 888}, {"2", 632}, {"3", 956}, {"4", 0}, {"888", 0}, {"1 ", 0}, {"", 0}};
    for (const Case& c : cases) {
        const PortChoice* choice = portchoice(c.answer);
        EXPECT_EQ(choice != nullptr ? choice->portaddress : 0, c.portaddress) << c.answer;
        if (choice != nullptr) {
            EXPECT_EQ(portnumber(choice->portaddress), choice->number);
            EXPECT_EQ(portaddressof(choice->number), choice->portaddress);
        }
    }
    EXPECT_EQ(portnumber(0x3BC), 3);
    EXPECT_EQ(portnumber(0x3BD), 0);
}

}  // namespace
}  // namespace vornalt
