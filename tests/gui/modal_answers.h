#pragma once
// Answers the modal boxes a window opens, as a user at the screen would: each box that comes up
// takes the next answer from a queue. Input boxes get the text typed and OK (or Cancel for an
// empty answer); message boxes are read and confirmed; questions get Yes or No. Every box seen
// is recorded, so a test can check what was asked and said.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <string>
#include <vector>

#include "gui/window/input_box.h"

namespace vornalt::testing {

class ModalAnswers {
public:
    struct Seen {
        std::string kind;   // "input", "message", "question", "file"
        std::string title;  // the box's title
        std::string text;   // prompt or message, LF between lines; a file dialog's folder
        bool information = false;
    };

    ModalAnswers() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start();
    }

    std::deque<std::string> inputs;  // "" cancels
    std::deque<bool> questions;      // true: Yes
    std::deque<std::string> files;   // full names chosen in file dialogs; "" cancels
    std::vector<Seen> seen;

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const Seen& box : seen) {
            if (box.kind == "message") out.push_back(box.text);
        }
        return out;
    }

private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        // A box is answered once; the next box may live at the same address, so the mark is on the
        // object rather than its address.
        if (modal == nullptr || modal->property("answered").toBool()) return;
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            dialog->setProperty("answered", true);
            seen.push_back({"file", dialog->windowTitle().toStdString(), dialog->directory().path().toStdString(), false});
            const std::string file = files.empty() ? std::string() : files.front();
            if (!files.empty()) files.pop_front();
            if (file.empty()) {
                dialog->reject();
            } else {
                dialog->selectFile(QString::fromStdString(file));
                static_cast<QDialog*>(dialog)->accept();  // public on QDialog; QFileDialog's runs
            }
        } else if (auto* input = qobject_cast<gui::InputBox*>(modal)) {
            input->setProperty("answered", true);
            seen.push_back({"input", input->windowTitle().toStdString(), input->labeltext().toStdString(), false});
            const std::string text = inputs.empty() ? std::string() : inputs.front();
            if (!inputs.empty()) inputs.pop_front();
            if (text.empty()) {
                input->reject();
            } else {
                input->settextvalue(QString::fromStdString(text));
                input->accept();
            }
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->setProperty("answered", true);
            const bool yesno = box->button(QMessageBox::Yes) != nullptr;
            seen.push_back({yesno ? "question" : "message", box->windowTitle().toStdString(), box->text().toStdString(),
                            box->icon() == QMessageBox::Information});
            if (yesno) {
                const bool yes = !questions.empty() && questions.front();
                if (!questions.empty()) questions.pop_front();
                box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
            } else {
                box->button(QMessageBox::Ok)->click();
            }
        }
    }

    QTimer timer_;
};

}  // namespace vornalt::testing
