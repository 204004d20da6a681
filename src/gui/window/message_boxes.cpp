#include "gui/window/message_boxes.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "gui/window/input_box.h"

namespace vornalt::gui {
namespace {

QString qstring(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

QString displaytext(std::string_view text) {
    QString shown = qstring(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QString qtfilter(std::string_view filter) {
    // Pairs of a name for the user and the pattern it stands for; Qt wants the names only, with
    // the patterns in brackets, which these names already carry.
    const QStringList parts = qstring(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        entries << (name.contains(QLatin1Char('(')) ? name : name + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

void showmessage(QWidget* parent, const QString& title, std::string_view text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::information ? QMessageBox::Information : QMessageBox::NoIcon, title,
                    displaytext(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool askyesno(QWidget* parent, const QString& title, std::string_view text) {
    QMessageBox box(QMessageBox::Question, title, displaytext(text), QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::string askinput(QWidget* parent, const QString& title, std::string_view prompt, std::string_view proposed) {
    InputBox box(parent, title, displaytext(prompt), qstring(proposed));
    if (box.exec() != QDialog::Accepted) return {};
    return box.textvalue().toStdString();
}

std::string askopenfile(QWidget* parent, std::string_view title, std::string_view folder, std::string_view filter) {
    return QFileDialog::getOpenFileName(parent, qstring(title), qstring(folder), qtfilter(filter)).toStdString();
}

std::string asksavefile(QWidget* parent, std::string_view title, std::string_view folder, std::string_view filter) {
    // The program asks its own overwrite question after the dialog; the dialog must not ask too.
    return QFileDialog::getSaveFileName(parent, qstring(title), qstring(folder), qtfilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite)
        .toStdString();
}

void closemodalboxes(const QWidget* keep) {
    // Bounded: a box that refuses to close must not hang the caller.
    for (int guard = 0; guard < 8; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == keep) return;
        modal->close();
    }
}

}  // namespace vornalt::gui
