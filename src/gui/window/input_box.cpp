#include "gui/window/input_box.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vornalt::gui {

InputBox::InputBox(QWidget* parent, const QString& title, const QString& prompt, const QString& proposed)
    : QDialog(parent), label_(new QLabel(prompt)), entry_(new QLineEdit(proposed)) {
    setWindowTitle(title);
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(label_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(entry_);
    layout->addWidget(buttons);

    // The prompt is shown whole where three quarters of the screen hold it; beyond that it
    // scrolls. The box never grows past the screen, whatever its parts ask for.
    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen != nullptr ? screen->availableGeometry().size() : QSize(640, 480);
    const QSize text = label_->sizeHint();
    const int bar = scroll->verticalScrollBar()->sizeHint().width();
    const int width = text.height() > room.height() / 2 ? text.width() + bar : text.width();
    scroll->setMinimumSize(std::min(width, room.width() * 3 / 4), std::min(text.height(), room.height() / 2));
    setMaximumSize(room);
    adjustSize();
    entry_->setFocus();
    entry_->selectAll();
}

QString InputBox::labeltext() const { return label_->text(); }

QString InputBox::textvalue() const { return entry_->text(); }

void InputBox::settextvalue(const QString& text) { entry_->setText(text); }

}  // namespace vornalt::gui
