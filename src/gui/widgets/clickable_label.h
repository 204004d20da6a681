#pragma once
// A label that reports a click of the left mouse button, as the window's reload and edit
// labels need.
#include <QLabel>

namespace vornalt::gui {

class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace vornalt::gui
