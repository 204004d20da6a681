#pragma once
// Form99, "Hardware Settings": for each programmer line an inversion box and a "Change Pin"
// label. The dialog only draws; what a click does lives in HardwareSettings, which the session
// hands out for its driver, settings and window. The main window opens it modally with exec().
#include <QDialog>
#include <array>

#include "session/session.h"

class QCheckBox;
class QPushButton;

namespace vornalt::gui {

class ClickableLabel;

class HardwareSettingsDialog final : public QDialog {
    Q_OBJECT

public:
    // The logic's window services ask for a pin and report a wrong entry.
    explicit HardwareSettingsDialog(HardwareSettings logic, QWidget* parent = nullptr);
    ~HardwareSettingsDialog() override;

    // Closing by any means ("Close", the window's close control, Escape) runs the closing
    // handler once.
    void done(int result) override;

private:
    void redraw();
    void closeonce();

    HardwareSettings logic_;
    std::array<QCheckBox*, 5> boxes_{};
    std::array<ClickableLabel*, 5> labels_{};
    QPushButton* close_ = nullptr;
    bool closed_ = false;
};

}  // namespace vornalt::gui
