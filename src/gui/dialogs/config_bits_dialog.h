#pragma once
// "Configuration Bits": one drop-down per named field of the model's configuration word(s) and
// the raw word(s), kept in step both ways. The dialog only edits its own copy of the words;
// the window writes them into the image when exec() returns Accepted.
#include <QDialog>
#include <vector>

#include "session/session.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace vornalt::gui {

class ConfigBitsDialog final : public QDialog {
    Q_OBJECT

public:
    ConfigBitsDialog(ConfigBits bits, QWidget* parent = nullptr);

    const ConfigBits& bits() const { return bits_; }

private:
    struct Row {
        std::size_t field;  // index into bits_.fields()
        QComboBox* box;
    };

    void fieldchosen(const Row& row);
    void rawedited(std::size_t word);
    void redraw();

    ConfigBits bits_;
    std::vector<Row> rows_;
    std::vector<QLineEdit*> raws_;
    QLabel* protection_ = nullptr;
};

}  // namespace vornalt::gui
