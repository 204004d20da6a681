#include "gui/window/message_boxes.h"

#include <algorithm>

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>

#include "gui/window/input_box.h"

namespace vornalt::gui {
namespace {

QString qstring(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Gives the box its text, or, when the text would make the box taller than two thirds of the
// screen (a catalogue may name a model with thousands of characters, or a message list thousands
// of lines), the start of it followed by "...", with the whole text in the box's details, which
// scroll. The estimate wraps lines at the width the box itself allows its text.
void settext(QMessageBox& box, const QString& text) {
    const QScreen* screen = box.screen();
    const QSize room = screen != nullptr ? screen->availableGeometry().size() : QSize(640, 480);
    const int wrap = room.width() <= 1024 ? room.width() : std::min(room.width() - 480, 1000);
    const QFontMetrics metrics(box.font());
    const qsizetype columns = std::max(20, wrap / std::max(1, metrics.averageCharWidth()));
    const qsizetype rows = std::max(5, room.height() * 2 / 3 / std::max(1, metrics.lineSpacing()));
    const QStringList lines = text.split(QLatin1Char('\n'));
    qsizetype needed = 0;
    for (const QString& line : lines) needed += std::max<qsizetype>(1, (line.size() + columns - 1) / columns);
    if (needed <= rows) {
        box.setText(text);
        return;
    }
    // Broken at half the width, so that no piece makes the box wider than the screen either.
    const qsizetype piece = columns / 2;
    QStringList shown;
    for (qsizetype i = 0; i < lines.size() && shown.size() < rows - 1; ++i) {
        for (qsizetype at = 0; (at == 0 || at < lines[i].size()) && shown.size() < rows - 1; at += piece) {
            shown << lines[i].mid(at, piece);
        }
    }
    shown << QStringLiteral("...");
    box.setText(shown.join(QLatin1Char('\n')));
    box.setDetailedText(text);
}

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
    QMessageBox box(icon == MessageIcon::information ? QMessageBox::Information : QMessageBox::NoIcon, title, {},
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    settext(box, displaytext(text));
    box.exec();
}

bool askyesno(QWidget* parent, const QString& title, std::string_view text) {
    QMessageBox box(QMessageBox::Question, title, {}, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    settext(box, displaytext(text));
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
