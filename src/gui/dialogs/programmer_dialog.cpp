#include "gui/dialogs/programmer_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>
#include <utility>

namespace vornalt::gui {

ProgrammerDialog::ProgrammerDialog(std::vector<ProgrammerOffer> offers, const ProgrammerOffer& current,
                                   std::int32_t steprate, QWidget* parent)
    : QDialog(parent), offers_(std::move(offers)) {
    setObjectName(QStringLiteral("programmerdialog"));
    setWindowTitle(QStringLiteral("Change Programmer"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Programmer to use (adapters that are plugged in are listed):"), this));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("programmerlist"));
    for (std::size_t i = 0; i < offers_.size(); ++i) {
        const ProgrammerOffer& offer = offers_[i];
        list_->addItem(QString::fromStdString(offer.description));
        if (offer.kind == current.kind && offer.argument == current.argument) current_ = i;
    }
    // The programmer in use may not be plugged in now: it stays at the top, selected.
    const bool listed = !offers_.empty() && offers_[current_].kind == current.kind &&
                        offers_[current_].argument == current.argument;
    if (!listed) {
        offers_.insert(offers_.begin(), current);
        list_->insertItem(0, QString::fromStdString(current.description + " (not found now)"));
        current_ = 0;
    }
    list_->setCurrentRow(static_cast<int>(current_));
    layout->addWidget(list_);

    auto* form = new QFormLayout;
    steprate_ = new QSpinBox(this);
    steprate_->setObjectName(QStringLiteral("steprate"));
    steprate_->setRange(k_steprate_min, k_steprate_max);
    steprate_->setSingleStep(10'000);
    steprate_->setSuffix(QStringLiteral(" steps/s"));
    steprate_->setValue(steprate);
    form->addRow(QStringLiteral("FTDI adapter step rate:"), steprate_);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(460, 300);
}

const ProgrammerOffer& ProgrammerDialog::chosen() const {
    const int row = list_->currentRow();
    return row >= 0 && static_cast<std::size_t>(row) < offers_.size() ? offers_[static_cast<std::size_t>(row)]
                                                                         : offers_[current_];
}

std::int32_t ProgrammerDialog::steprate() const { return steprate_->value(); }

}  // namespace vornalt::gui
