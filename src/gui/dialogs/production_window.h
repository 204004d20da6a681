#pragma once
// "Production": the loaded file programmed into chip after chip, one key per chip (Space or
// Enter runs Program All with its read-back), a large pass/fail display, the batch's counters,
// the last chip's message in full, optional serial numbers and a CSV log in a chosen folder.
// The batch itself (counters, serials, log rows) is the session's Production.
#include <QDialog>

#include "session/production.h"
#include "session/session.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vornalt::gui {

class ProductionWindow final : public QDialog {
    Q_OBJECT

public:
    ProductionWindow(Session& session, QWidget* parent = nullptr);

    // The next chip: starts the batch first if it has not started (the choices are then fixed).
    void nextchip();

private:
    bool startbatch();
    void chooselogfolder();
    void showresult(const QString& verdict, const QString& colour);
    void showcounts();

    Session& session_;
    Production batch_;
    QLineEdit* file_ = nullptr;
    QCheckBox* useserial_ = nullptr;
    QLineEdit* serialat_ = nullptr;
    QLineEdit* serial_ = nullptr;
    QLineEdit* logfolder_ = nullptr;
    QPushButton* choosefolder_ = nullptr;
    QLabel* verdict_ = nullptr;
    QLabel* counts_ = nullptr;
    QPlainTextEdit* message_ = nullptr;
    QPushButton* next_ = nullptr;
};

}  // namespace vornalt::gui
