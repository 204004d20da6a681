#pragma once
// A label whose one line of text always reads from its start: a text too wide for the label is
// drawn in a smaller face down to a readable floor, and only then cut at its end, with the whole
// text as the tooltip. It can also fill from the left to show how much of a run is done.
#include <QLabel>
#include <QString>

namespace vornalt::gui {

class FitLabel : public QLabel {
    Q_OBJECT
public:
    // The smallest face a text is shrunk to before it is cut.
    static constexpr double k_floor_points = 6.0;

    FitLabel(const QString& text, QWidget* parent);

    // Shows text, fitted to the label's width.
    void setfittedtext(const QString& text);
    const QString& fulltext() const { return full_; }

    // Fills the part `fraction` (0..1) from the left; a negative fraction shows no fill.
    void setfill(double fraction);
    double fill() const { return fill_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refit();

    QString full_;
    QString tooltip_;      // the tooltip given from outside, shown when the text is not cut
    bool cuttip_ = false;  // the tooltip shown is the cut text's whole text
    double points_ = 0;
    double fill_ = -1;
};

}  // namespace vornalt::gui
