#include "gui/dialogs/hardware_settings_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <utility>

#include "gui/dialogs/dialog_widgets.h"
#include "gui/widgets/clickable_label.h"

namespace vornalt::gui {
namespace {

constexpr std::array<const char*, 5> k_box_names{"Check1", "Check2", "Check3", "Check4", "Check5"};
constexpr std::array<const char*, 5> k_label_names{"Label1", "Label2", "Label3", "Label4", "Label5"};

}  // namespace

HardwareSettingsDialog::HardwareSettingsDialog(HardwareSettings logic, QWidget* parent)
    : QDialog(parent), logic_(std::move(logic)) {
    setObjectName(QStringLiteral("Form99"));
    setWindowTitle(QStringLiteral("Hardware Settings"));
    setFixedSize(245, 169);
    paintbackground(*this, k_dialog_background);
    usedialogfont(*this);

    // Made first, so it leads the tab order and takes the focus when the dialog opens.
    close_ = makeclosebutton(*this, QRect(192, 144, 49, 21));
    connect(close_, &QPushButton::clicked, this, &QDialog::close);

    for (const Line line : k_dialog_lines) {
        const std::size_t i = lineindex(line);
        const int top = 4 + 28 * static_cast<int>(i);

        auto* box = new QCheckBox(QString::fromStdString(logic_.caption(line)), this);
        place(*box, k_box_names.at(i), QRect(4, top, 169, 21));
        paintbackground(*box, k_box_background);
        connect(box, &QCheckBox::clicked, this, [this, line](bool ticked) {
            logic_.setinverted(line, ticked);
            redraw();
        });
        boxes_.at(i) = box;

        auto* label = new ClickableLabel(QStringLiteral("Change Pin"), this);
        place(*label, k_label_names.at(i), QRect(176, top + 4, 65, 13));
        label->setAlignment(Qt::AlignCenter);
        paintbackground(*label, k_link_background, Qt::black);
        label->setCursor(Qt::PointingHandCursor);
        connect(label, &ClickableLabel::clicked, this, [this, line] {
            logic_.changepin(line);
            redraw();
        });
        labels_.at(i) = label;
    }

    // A programmer with its own pins (the PICkit 2) says so; its boxes and labels change nothing.
    if (const std::string_view note = logic_.fixednote(); !note.empty()) {
        for (QWidget* widget : boxes_) widget->setEnabled(false);
        for (QWidget* widget : labels_) widget->setEnabled(false);
        auto* notice = new QLabel(QString::fromUtf8(note.data(), static_cast<qsizetype>(note.size())), this);
        place(*notice, "FixedPins", QRect(4, 140, 185, 28));
        notice->setWordWrap(true);
        notice->setToolTip(notice->text());
    }

    logic_.open();
    redraw();
    close_->setFocus();
}

HardwareSettingsDialog::~HardwareSettingsDialog() {
    // A dialog torn down without being closed (its parent went first) still leaves the lines off.
    closeonce();
}

void HardwareSettingsDialog::done(int result) {
    closeonce();
    QDialog::done(result);
}

void HardwareSettingsDialog::closeonce() {
    if (closed_) return;
    closed_ = true;
    logic_.close();
}

void HardwareSettingsDialog::redraw() {
    for (const Line line : k_dialog_lines) {
        QCheckBox* box = boxes_.at(lineindex(line));
        box->setChecked(logic_.ticked(line));
        box->setText(QString::fromStdString(logic_.caption(line)));
    }
}

}  // namespace vornalt::gui
