#pragma once
// "Configuration Bits": one drop-down per named field of the model's configuration word(s) and
// the raw word(s), kept in step both ways. The dialog only edits its own copy of the words;
// the window writes them into the image when exec() returns Accepted.
#include <QDialog>
#include <vector>

#include "catalogue/config_fields.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace vornalt::gui {

class ConfigBitsDialog final : public QDialog {
    Q_OBJECT

public:
    // wordcount: 1, or 2 when the model has CONFIG2.
    ConfigBitsDialog(const std::vector<ConfigField>& fields, const ConfigWords& words, int wordcount,
                     QWidget* parent = nullptr);

    const ConfigWords& words() const { return words_; }

private:
    struct Row {
        std::size_t field;  // index into fields_
        QComboBox* box;
    };

    void fieldchosen(const Row& row);
    void rawedited(std::size_t word);
    void redraw();

    std::vector<ConfigField> fields_;
    ConfigWords words_;
    std::vector<Row> rows_;
    std::vector<QLineEdit*> raws_;
    QLabel* protection_ = nullptr;
};

}  // namespace vornalt::gui
