#include "gui/widgets/fit_label.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vornalt::gui {

namespace {
constexpr double k_step_points = 0.5;
// Multiplied over the label, so the text on the filled part stays black.
const QColor k_fill_colour(150, 220, 150);
}  // namespace

FitLabel::FitLabel(const QString& text, QWidget* parent) : QLabel(text, parent), full_(text) {}

void FitLabel::setfittedtext(const QString& text) {
    full_ = text;
    refit();
}

void FitLabel::refit() {
    if (points_ <= 0) points_ = font().pointSizeF();
    // A tooltip set from outside (or none) stays unless the text has to be cut.
    if (!cuttip_) tooltip_ = toolTip();
    const int room = contentsRect().width() - 2 * margin() - 2;
    QFont face = font();
    double points = points_;
    for (;; points -= k_step_points) {
        face.setPointSizeF(std::max(points, k_floor_points));
        if (points <= k_floor_points || QFontMetrics(face).horizontalAdvance(full_) <= room) break;
    }
    if (face != font()) setFont(face);
    const QString shown = QFontMetrics(face).elidedText(full_, Qt::ElideRight, room);
    setText(shown);
    cuttip_ = shown != full_;
    setToolTip(cuttip_ ? full_ : tooltip_);
}

void FitLabel::setfill(double fraction) {
    const double clamped = fraction < 0 ? -1 : std::min(fraction, 1.0);
    // Repainted only when the filled width changes by a pixel: a run reports every word.
    const int before = fill_ < 0 ? -1 : static_cast<int>(std::lround(fill_ * width()));
    const int after = clamped < 0 ? -1 : static_cast<int>(std::lround(clamped * width()));
    fill_ = clamped;
    if (before != after) update();
}

void FitLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    refit();
}

void FitLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (fill_ <= 0) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    const QRect inside = contentsRect();
    painter.fillRect(QRect(inside.left(), inside.top(), static_cast<int>(std::lround(fill_ * inside.width())),
                           inside.height()),
                     k_fill_colour);
}

}  // namespace vornalt::gui
