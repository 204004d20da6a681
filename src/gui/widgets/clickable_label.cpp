#include "gui/widgets/clickable_label.h"

#include <QMouseEvent>

namespace vornalt::gui {

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A press that was dragged off the label before release is no click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(event);
}

}  // namespace vornalt::gui
