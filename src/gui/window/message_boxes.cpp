#include "gui/window/message_boxes.h"

#include <algorithm>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringList>
#include <QVBoxLayout>

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
    QDialog box(parent);
    box.setWindowTitle(title);
    // A prompt may list thousands of models: it scrolls, so the entry and OK stay on the screen.
    auto* label = new QLabel(displaytext(prompt));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(label);
    auto* entry = new QLineEdit(qstring(proposed));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(scroll, 1);
    layout->addWidget(entry);
    layout->addWidget(buttons);

    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen != nullptr ? screen->availableGeometry().size() * 3 / 4 : QSize(800, 600);
    const QSize text = label->sizeHint();
    const int bar = scroll->verticalScrollBar()->sizeHint().width();
    scroll->setMinimumSize(std::min(text.width() + bar, room.width()), std::min(text.height(), room.height() / 2));
    box.setMaximumSize(room);
    box.adjustSize();
    entry->setFocus();
    if (box.exec() != QDialog::Accepted) return {};
    return entry->text().toStdString();
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
