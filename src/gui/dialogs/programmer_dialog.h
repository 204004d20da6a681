#pragma once
// "Change Programmer": the programmers the session offers (the parallel port, each adapter found
// plugged in, the simulator) in a list with the one in use selected, and the adapter's step rate.
// The dialog only picks; the main window hands the choice to the session.
#include <QDialog>
#include <vector>

#include "session/session.h"

class QListWidget;
class QSpinBox;

namespace vornalt::gui {

class ProgrammerDialog final : public QDialog {
    Q_OBJECT

public:
    ProgrammerDialog(std::vector<ProgrammerOffer> offers, const ProgrammerOffer& current, std::int32_t steprate,
                     QWidget* parent = nullptr);

    // The offer selected when the dialog was accepted (the one in use if none is).
    const ProgrammerOffer& chosen() const;
    std::int32_t steprate() const;

private:
    std::vector<ProgrammerOffer> offers_;
    std::size_t current_ = 0;
    QListWidget* list_ = nullptr;
    QSpinBox* steprate_ = nullptr;
};

}  // namespace vornalt::gui
