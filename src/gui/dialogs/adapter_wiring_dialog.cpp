#include "gui/dialogs/adapter_wiring_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QVBoxLayout>

namespace vornalt::gui {

AdapterWiringDialog::AdapterWiringDialog(const std::string& assignment, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("adapterwiring"));
    setWindowTitle(QStringLiteral("FTDI Adapter Wiring"));
    auto* layout = new QVBoxLayout(this);

    auto* schematic = new QSvgWidget(QStringLiteral(":/wiring/ftdi-wiring.svg"), this);
    schematic->setObjectName(QStringLiteral("schematic"));
    schematic_ = schematic->renderer()->isValid();
    if (schematic_) {
        schematic->setFixedSize(schematic->renderer()->defaultSize());
        layout->addWidget(schematic, 0, Qt::AlignHCenter);
    } else {
        delete schematic;
    }

    // Tab-separated columns: a fixed font keeps them under one another.
    QString text = QString::fromStdString(assignment);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    auto* table = new QLabel(text, this);
    table->setObjectName(QStringLiteral("assignment"));
    table->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    table->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(table);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // On a small screen the drawing shrinks, its proportions kept, so that the table and Close
    // stay on the screen (with room for the window's frame).
    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    if (schematic_ && screen != nullptr) {
        constexpr int k_frame = 48;
        const QSize drawing = schematic->size();
        const QSize around = sizeHint() - drawing;
        const QSize room = screen->availableGeometry().size() - around - QSize(k_frame, k_frame);
        if (room.width() < drawing.width() || room.height() < drawing.height()) {
            schematic->setFixedSize(drawing.scaled(room.expandedTo(drawing / 3), Qt::KeepAspectRatio));
        }
    }
}

}  // namespace vornalt::gui
