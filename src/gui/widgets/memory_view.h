#pragma once
// The two memory views: read-only text in a fixed-pitch font that never keeps the keyboard
// focus, so no caret shows and no keystroke reaches them.
#include <QFont>
#include <QObject>

class QWidget;

namespace vornalt::gui {

// Courier New at the given size where it is installed; the system's fixed-pitch font otherwise.
QFont viewfont(int pointsize);

// Whenever view receives the focus it passes it on to sink at once.
class FocusForwarder : public QObject {
    Q_OBJECT
public:
    FocusForwarder(QWidget* view, QWidget* sink);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* sink_;
};

}  // namespace vornalt::gui
