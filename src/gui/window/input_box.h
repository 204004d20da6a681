#pragma once
// The program's input box: a prompt, one line to type in, OK and Cancel. A prompt taller or
// wider than the screen allows (a catalogue may list thousands of models) scrolls, so the entry
// and the buttons always stay on the screen.
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

namespace vornalt::gui {

class InputBox : public QDialog {
    Q_OBJECT

public:
    InputBox(QWidget* parent, const QString& title, const QString& prompt, const QString& proposed);

    QString labeltext() const;
    QString textvalue() const;
    void settextvalue(const QString& text);

private:
    QLabel* label_;
    QLineEdit* entry_;
};

}  // namespace vornalt::gui
