// The main window's redraw builds every text it shows from the image: for the largest models
// that is 8192 FLASH words and 256 EEPROM bytes, at every load, edit and chip read.
#include <benchmark/benchmark.h>

#include "app/display_texts.h"
#include "image/view_text.h"

namespace vornalt {
namespace {

MemoryImage largeimage() {
    MemoryImage image;
    image.flashsize = 8192;
    image.eepromsize = 256;
    clearbuffer(image, 0x3FFF, 0x3FFF);
    // Varied contents, so no digit pattern repeats.
    for (std::size_t i = 0; i < image.flashbuffer.size(); ++i)
        image.flashbuffer[i] = static_cast<std::int32_t>((i * 2654435761u) & 0x3FFF);
    for (std::size_t i = 0; i < image.eeprombuffer.size(); ++i)
        image.eeprombuffer[i] = static_cast<std::int32_t>(i & 0xFF);
    return image;
}

void BM_DisplayTexts(benchmark::State& state) {
    const MemoryImage image = largeimage();
    AppliedModel model;
    model.modelname = "16F877A";
    model.config2used = true;
    for (auto _ : state) benchmark::DoNotOptimize(displaytexts(model, image));
}
BENCHMARK(BM_DisplayTexts);

void BM_FlashViewText(benchmark::State& state) {
    const MemoryImage image = largeimage();
    for (auto _ : state) benchmark::DoNotOptimize(flashviewtext(flashwords(image)));
    state.SetItemsProcessed(state.iterations() * image.flashsize);
}
BENCHMARK(BM_FlashViewText);

}  // namespace
}  // namespace vornalt
