#include "gui/widgets/memory_view.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QWidget>

namespace vornalt::gui {

QFont viewfont(int pointsize) {
    QFont font(QStringLiteral("Courier New"), pointsize);
    // Without Courier New the font system would substitute whatever it likes, often a
    // proportional face that breaks the columns.
    if (QFontInfo(font).family() != QStringLiteral("Courier New") || !QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(pointsize);
    }
    return font;
}

FocusForwarder::FocusForwarder(QWidget* view, QWidget* sink) : QObject(view), sink_(sink) {
    view->installEventFilter(this);
}

bool FocusForwarder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) sink_->setFocus(Qt::OtherFocusReason);
    return QObject::eventFilter(watched, event);
}

}  // namespace vornalt::gui
