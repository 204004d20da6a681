#pragma once
// Help > FTDI Adapter Wiring: the schematic of the programmer board on an FT232R breakout (the
// SVG built into the program) above the default bit assignment the session gives.
#include <QDialog>
#include <string>

namespace vornalt::gui {

class AdapterWiringDialog final : public QDialog {
    Q_OBJECT

public:
    explicit AdapterWiringDialog(const std::string& assignment, QWidget* parent = nullptr);

    // False when the schematic could not be read (a build without it): the text is still shown.
    bool schematicshown() const { return schematic_; }

private:
    bool schematic_ = false;
};

}  // namespace vornalt::gui
