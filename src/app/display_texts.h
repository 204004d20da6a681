#pragma once
// Everything the main window's redraw (updatedisplay) shows, worked out from the memory image
// and the applied model. The window only puts each text into its control, in one step per
// control; emptying the views first and letting events run around the redraw stay the window's.
// The loaded file's name is not here: the window shows AppState::label_hex as it stands.
#include <string>

#include "catalogue/catalogue.h"
#include "image/memory_image.h"

namespace vornalt {

struct DisplayTexts {
    std::string label_ime;      // the applied model's name
    std::string label_info;     // "FLASH: 8192,  EEPROM: 256"
    std::string tabla_flash;    // the FLASH view
    std::string tabla_eeprom;   // the EEPROM view; empty for a model without EEPROM
    std::string label_conf1;    // CONFIG1 in four digits
    std::string label_conf2;    // CONFIG2 in four digits; empty when the model has no CONFIG2
    bool conf2visible = false;  // label_conf2 and its caption Label2 are shown
    // The words decoded field by field (ConfigBits::tooltip), for the labels' tooltips; empty when
    // the catalogue names no fields for the model.
    std::string conf1fields, conf2fields;
    std::string idwords;  // "ID words: 3FFF 3FFF 3FFF 3FFF", shown with CONFIG1
};

DisplayTexts displaytexts(const AppliedModel& model, const MemoryImage& image);

}  // namespace vornalt
