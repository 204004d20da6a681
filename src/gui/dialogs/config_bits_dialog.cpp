#include "gui/dialogs/config_bits_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace vornalt::gui {
namespace {

// Item data of the extra entry shown while the word's bits name no value of a field.
constexpr int k_unnamed = -1;

QString qtext(const std::string& text) { return QString::fromStdString(text); }

QString hex4(std::int32_t value) { return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper(); }

QString wordcaption(int word) { return word == 2 ? QStringLiteral("CONFIG2 (2008h)") : QStringLiteral("CONFIG1 (2007h)"); }

}  // namespace

ConfigBitsDialog::ConfigBitsDialog(ConfigBits bits, QWidget* parent) : QDialog(parent), bits_(std::move(bits)) {
    const int wordcount = bits_.wordcount();
    const std::vector<ConfigField>& fields = bits_.fields();
    setObjectName(QStringLiteral("ConfigBitsDialog"));
    setWindowTitle(QStringLiteral("Configuration Bits"));
    auto* layout = new QVBoxLayout(this);
    // configbits.cfg may give a field or a value a text of any length: the fields scroll rather
    // than push the dialog past the screen.
    auto* fieldarea = new QWidget;
    auto* form = new QFormLayout(fieldarea);
    form->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    layout->addWidget(scroll, 1);

    for (int word = 1; word <= wordcount; ++word) {
        auto* raw = new QLineEdit(this);
        raw->setObjectName(QStringLiteral("raw%1").arg(word));
        raw->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-3][0-9A-Fa-f]{3}")), raw));
        raw->setMaximumWidth(raw->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
        connect(raw, &QLineEdit::textEdited, this, [this, word] { rawedited(static_cast<std::size_t>(word - 1)); });
        form->addRow(wordcaption(word), raw);
        raws_.push_back(raw);
    }

    bool anyprotection = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const ConfigField& field = fields[i];
        auto* box = new QComboBox(this);
        box->setObjectName(qtext(field.name));
        for (std::size_t v = 0; v < field.values.size(); ++v) {
            box->addItem(qtext(field.values[v].name + " - " + field.values[v].meaning), static_cast<int>(v));
        }
        rows_.push_back({i, box});
        connect(box, &QComboBox::activated, this, [this, row = rows_.back()] { fieldchosen(row); });
        QString caption = qtext(field.name + " - " + field.text);
        if (field.codeprotection) {
            caption = QStringLiteral("\u26A0 ") + caption;
            anyprotection = true;
        }
        if (wordcount > 1) caption += QStringLiteral(" [%1]").arg(field.word);
        auto* label = new QLabel(caption, this);
        label->setToolTip(QStringLiteral("Bits %1h of %2").arg(hex4(field.mask), wordcaption(field.word)));
        form->addRow(label, box);
    }
    if (fields.empty()) {
        layout->addWidget(new QLabel(QStringLiteral("The catalogue names no configuration fields for this model; "
                                                    "edit the word(s) as hex."),
                                     this));
    }
    if (anyprotection) {
        protection_ = new QLabel(this);
        protection_->setObjectName(QStringLiteral("protectionwarning"));
        protection_->setWordWrap(true);
        layout->addWidget(protection_);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    redraw();

    // The fields whole where three quarters of the screen hold them.
    scroll->setWidget(fieldarea);
    const QScreen* shown = parent != nullptr ? parent->screen() : screen();
    const QSize room = shown != nullptr ? shown->availableGeometry().size() : QSize(640, 480);
    const QSize wanted = fieldarea->sizeHint();
    const int bar = scroll->verticalScrollBar()->sizeHint().width();
    scroll->setMinimumSize(std::min(wanted.width() + bar, room.width() * 3 / 4),
                           std::min(wanted.height(), room.height() * 3 / 4));
    setMaximumSize(room);
}

void ConfigBitsDialog::fieldchosen(const Row& row) {
    const int value = row.box->currentData().toInt();
    if (value == k_unnamed) return;
    bits_.choose(row.field, static_cast<std::size_t>(value));
    redraw();
}

void ConfigBitsDialog::rawedited(std::size_t word) {
    // Still being typed (fewer than four digits): the fields wait.
    if (!raws_.at(word)->hasAcceptableInput()) return;
    if (!bits_.set_word(static_cast<int>(word) + 1, raws_[word]->text().toInt(nullptr, 16))) return;
    redraw();
}

void ConfigBitsDialog::redraw() {
    for (std::size_t word = 0; word < raws_.size(); ++word) {
        const QString text = hex4(bits_.words().at(word));
        if (!raws_[word]->hasFocus() || raws_[word]->hasAcceptableInput()) {
            if (raws_[word]->text().toUpper() != text) raws_[word]->setText(text);
        }
    }
    for (const Row& row : rows_) {
        const ConfigField& field = bits_.fields().at(row.field);
        QComboBox* combo = row.box;
        // The extra entry stands only while the bits name no value.
        if (combo->count() > static_cast<int>(field.values.size())) combo->removeItem(combo->count() - 1);
        const int value = bits_.current(row.field);
        if (value < 0) {
            combo->addItem(qtext(bits_.meaning(row.field)), k_unnamed);
            combo->setCurrentIndex(combo->count() - 1);
        } else {
            combo->setCurrentIndex(value);
        }
    }
    if (protection_ != nullptr) {
        const bool on = bits_.code_protected();
        protection_->setText(on ? QStringLiteral("\u26A0 Code protection is on: once programmed, the chip reads back "
                                                 "as 0000h and Verify cannot check it. Program All checks before "
                                                 "the protection takes effect.")
                                : QStringLiteral("\u26A0 marks code protection: Verify cannot read a protected chip back."));
        protection_->setStyleSheet(on ? QStringLiteral("color: #b00000; font-weight: bold;") : QString());
    }
}

}  // namespace vornalt::gui
