#pragma once
// Form98, "Check Hardware": four boxes switch the output lines by hand and a fifth shows DATA IN,
// re-read every 50 ms. The dialog only draws; what a click does lives in CheckHardware, which the
// session hands out for its driver.
// The main window opens it modally with exec(); create one for each opening.
#include <QDialog>
#include <array>

#include "session/session.h"

class QCheckBox;
class QPushButton;
class QTimer;

namespace vornalt::gui {

class FitLabel;

class CheckHardwareDialog final : public QDialog {
    Q_OBJECT

public:
    explicit CheckHardwareDialog(CheckHardware logic, QWidget* parent = nullptr);
    ~CheckHardwareDialog() override;

    // Closing by any means ("Close", the window's close control, Escape) stops the timer and
    // switches the lines off, once.
    void done(int result) override;

private:
    void redraw();
    void closeonce();

    CheckHardware logic_;
    std::array<QCheckBox*, 5> boxes_{};
    QPushButton* close_ = nullptr;
    QTimer* timer_ = nullptr;
    FitLabel* supplies_ = nullptr;  // what a programmer that makes VDD and VPP measures (fitted beside Close)
    bool closed_ = false;
    bool failuresaid_ = false;
};

}  // namespace vornalt::gui
