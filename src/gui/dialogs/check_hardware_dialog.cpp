#include "gui/dialogs/check_hardware_dialog.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <utility>

#include "gui/dialogs/dialog_widgets.h"
#include "gui/widgets/fit_label.h"

namespace vornalt::gui {
namespace {

constexpr std::array<const char*, 5> k_box_names{"Check1", "Check2", "Check3", "Check4", "Check5"};

}  // namespace

CheckHardwareDialog::CheckHardwareDialog(CheckHardware logic, QWidget* parent)
    : QDialog(parent), logic_(std::move(logic)) {
    setObjectName(QStringLiteral("Form98"));
    setWindowTitle(QStringLiteral("Check Hardware"));
    setFixedSize(177, 169);
    paintbackground(*this, k_dialog_background);
    usedialogfont(*this);

    // Made first, so it leads the tab order and takes the focus when the dialog opens.
    close_ = makeclosebutton(*this, QRect(124, 144, 49, 21));
    connect(close_, &QPushButton::clicked, this, &QDialog::close);

    for (const Line line : k_dialog_lines) {
        const std::size_t i = lineindex(line);
        const QString caption = QString::fromStdString(logic_.caption(line));
        // The DATA IN box is a display: it never follows a click and stays out of the tab chain.
        QCheckBox* box = line == Line::datain ? new DisplayCheckBox(caption, this) : new QCheckBox(caption, this);
        place(*box, k_box_names.at(i), QRect(4, 4 + 28 * static_cast<int>(i), 169, 21));
        paintbackground(*box, k_box_background);
        if (line == Line::datain) {
            box->setFocusPolicy(Qt::NoFocus);
            connect(box, &QCheckBox::clicked, this, [this] {
                logic_.readdatain();
                redraw();
                close_->setFocus();
            });
        } else {
            connect(box, &QCheckBox::clicked, this, [this, line](bool ticked) {
                logic_.setline(line, ticked);
                redraw();
            });
        }
        boxes_.at(i) = box;
    }

    supplies_ = new FitLabel(QString(), this);
    place(*supplies_, "Supplies", QRect(4, 146, 117, 17));

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(k_check_datain_interval_ms);
    connect(timer_, &QTimer::timeout, this, [this] {
        logic_.readdatain();
        redraw();
    });

    logic_.open();
    timer_->start();  // before the first redraw, which stops it when the programmer is gone
    redraw();
    close_->setFocus();
}

CheckHardwareDialog::~CheckHardwareDialog() {
    // A dialog torn down without being closed (its parent went first) still leaves the lines off.
    closeonce();
}

void CheckHardwareDialog::done(int result) {
    closeonce();
    QDialog::done(result);
}

void CheckHardwareDialog::closeonce() {
    if (closed_) return;
    closed_ = true;
    timer_->stop();
    logic_.close();
}

void CheckHardwareDialog::redraw() {
    for (const Line line : k_dialog_lines) {
        QCheckBox* box = boxes_.at(lineindex(line));
        box->setChecked(logic_.ticked(line));
        box->setText(QString::fromStdString(logic_.caption(line)));
    }
    supplies_->setfittedtext(QString::fromStdString(logic_.supplies()));
    supplies_->setVisible(!logic_.supplies().empty());
    // The programmer went away: said once, and DATA IN is no longer polled.
    if (!logic_.failure().empty() && !failuresaid_) {
        failuresaid_ = true;
        timer_->stop();
        QMessageBox box(QMessageBox::NoIcon, windowTitle(), QString::fromStdString(logic_.failure()), QMessageBox::Ok,
                        this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
}

}  // namespace vornalt::gui
