#include "app/display_texts.h"

#include "app/config_table.h"
#include "app/edit_commands.h"
#include "image/hex_text.h"
#include "image/view_text.h"

namespace vornalt {

DisplayTexts displaytexts(const AppliedModel& model, const MemoryImage& image) {
    DisplayTexts texts;
    texts.label_ime = model.modelname;
    // std::to_string of an integer ignores the locale, which a desktop toolkit may have changed.
    texts.label_info =
        "FLASH: " + std::to_string(image.flashsize) + ",  EEPROM: " + std::to_string(image.eepromsize);
    texts.tabla_flash = flashviewtext(flashwords(image));
    texts.tabla_eeprom = eepromviewtext(eeprombytes(image));
    texts.label_conf1 = tohex4(image.config1word);
    texts.conf2visible = model.config2used;
    if (model.config2used) texts.label_conf2 = tohex4(image.config2word);
    const ConfigBits bits(model, {image.config1word, image.config2word});
    texts.conf1fields = bits.tooltip(1);
    texts.idwords = "ID words: " + idwordstext(image);
    if (model.config2used) texts.conf2fields = bits.tooltip(2);
    return texts;
}

}  // namespace vornalt
