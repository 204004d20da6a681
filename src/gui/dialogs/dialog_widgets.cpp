#include "gui/dialogs/dialog_widgets.h"

#include <QFont>
#include <QPalette>
#include <QPushButton>

namespace vornalt::gui {

void paintbackground(QWidget& widget, const QColor& background, const QColor& text) {
    QPalette palette = widget.palette();
    // Buttons (check boxes among them) fill with the Button role, labels and windows with Window.
    palette.setColor(widget.backgroundRole(), background);
    if (text.isValid()) palette.setColor(widget.foregroundRole(), text);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void usedialogfont(QWidget& dialog) {
    QFont font = dialog.font();
    font.setPointSize(8);
    dialog.setFont(font);
}

void place(QWidget& widget, const char* name, const QRect& geometry) {
    widget.setObjectName(QString::fromLatin1(name));
    widget.setGeometry(geometry);
}

QPushButton* makeclosebutton(QWidget& dialog, const QRect& geometry) {
    auto* button = new QPushButton(QStringLiteral("Close"), &dialog);
    place(*button, "Command1", geometry);
    return button;
}

}  // namespace vornalt::gui
