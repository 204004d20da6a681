#pragma once
// What the programmer benches share: Program All and then Verify of a full image of the bench's
// model, timed on the clock the programmer's path runs on, with two counters of that path read
// around each operation.
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "shipped_catalogue.h"

namespace vornalt::programmer_bench {

struct ProgramVerify {
    double seconds[2] = {0, 0};  // Program All, Verify
    std::array<std::int64_t, 2> counted[2] = {};
    bool ok = true;  // both ran to their end texts
};

// Every word and byte in use, none blank, so both operations walk the whole chip.
inline void fillfullimage(MemoryImage& image) {
    auto words = flashwords(image);
    for (std::size_t a = 0; a < words.size(); ++a) words[a] = static_cast<std::int32_t>(a * 0x0765 + 0x1234) & 0x3FFE;
    auto bytes = eeprombytes(image);
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<std::int32_t>(k * 37 + 11) & 0xFF;
}

inline ProgramVerify programandverify(testing::SessionRig& bench, const std::function<std::int64_t()>& now_ns,
                                      const std::function<std::array<std::int64_t, 2>()>& counters) {
    ProgramVerify f;
    fillfullimage(bench.image);
    const ChipOperation operations[2] = {ChipOperation::programall, ChipOperation::verify};
    const char* endtexts[2] = {"Chip programmed", "Chip verified"};
    for (int i = 0; i < 2; ++i) {
        const std::int64_t start = now_ns();
        const std::array<std::int64_t, 2> before = counters();
        const testing::Outcome outcome = bench.run(operations[i]);
        f.seconds[i] = static_cast<double>(now_ns() - start) / 1e9;
        const std::array<std::int64_t, 2> after = counters();
        f.counted[i] = {after[0] - before[0], after[1] - before[1]};
        if (outcome.endtext != endtexts[i]) {
            std::printf("  run failed: %s\n", outcome.endtext.c_str());
            f.ok = false;
        }
    }
    return f;
}

}  // namespace vornalt::programmer_bench
