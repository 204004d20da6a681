// The main window's redraw of the largest image (8192 FLASH words, 256 EEPROM bytes) through
// the real Form1 on Qt's offscreen platform: the texts, the two views, the labels and the event
// processing that paints them. It runs after every load, edit and chip read.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "bench/window/window_rig.h"

namespace vornalt::bench {
namespace {

void filllarge(MemoryImage& image) {
    // Varied contents, so no digit pattern repeats.
    for (std::size_t i = 0; i < image.flashbuffer.size(); ++i)
        image.flashbuffer[i] = static_cast<std::int32_t>((i * 2654435761u) & 0x3FFF);
    for (std::size_t i = 0; i < image.eeprombuffer.size(); ++i)
        image.eeprombuffer[i] = static_cast<std::int32_t>((i * 37) & 0xFF);
    image.config1word = 0x3F3A;
}

void redraw(benchmark::State& state, const std::string& datafolder) {
    WindowRig rig("16F877A", datafolder, true);
    MemoryImage& image = internals(rig.session()).image();
    if (image.flashsize != 8192 || image.eepromsize != 256) {
        state.SkipWithError("16F877A is not 8192 words and 256 bytes in this catalogue");
        return;
    }
    filllarge(image);
    for (auto _ : state) rig.window().updatedisplay();
    state.SetLabel("8192 words, 256 bytes");
}

void BM_UpdateDisplay16F877A(benchmark::State& state) {
    const std::filesystem::path data =
        std::filesystem::temp_directory_path() / ("vornalt-bench-updatedisplay-" + std::to_string(::getpid()));
    redraw(state, data.string());  // the window saves its simulated chip as it closes, so it goes first
    std::error_code error;
    std::filesystem::remove_all(data, error);
}
BENCHMARK(BM_UpdateDisplay16F877A)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vornalt::bench

int main(int argc, char** argv) {
    vornalt::bench::useoffscreenplatform();
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
