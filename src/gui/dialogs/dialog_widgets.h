#pragma once
// Small widgets and helpers the two hardware dialogs share: a check box that shows a state without following the user's click, and the fixed colours and
// placements the dialogs are drawn with.
#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QRect>
#include <QString>

class QPushButton;
class QWidget;

namespace vornalt::gui {

inline const QColor k_dialog_background{192, 192, 192};
inline const QColor k_box_background{224, 224, 224};
inline const QColor k_link_background{192, 255, 192};

// A check box that only displays: a click (mouse or keyboard) is reported through clicked() but
// does not change the box; the owner sets the state it should show.
class DisplayCheckBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

// Fills a widget's background with a colour (and sets its text colour, when given).
void paintbackground(QWidget& widget, const QColor& background, const QColor& text = QColor());

// The dialogs' fixed layout was drawn for an 8-point font; a larger desktop default would clip
// the captions, so the dialog and its children use 8 points of the desktop's face.
void usedialogfont(QWidget& dialog);

// Places a child at a fixed position and size in pixels and names it for tests and styling.
void place(QWidget& widget, const char* name, const QRect& geometry);

// The "Close" button both dialogs have at the lower right; it comes first in the tab order.
QPushButton* makeclosebutton(QWidget& dialog, const QRect& geometry);

}  // namespace vornalt::gui
