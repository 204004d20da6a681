#include "gui/dialogs/production_window.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QVBoxLayout>

namespace vornalt::gui {
namespace {

QString qtext(const std::string& text) { return QString::fromStdString(text); }

// Box texts use CR LF between lines.
QString messagetext(const std::string& text) { return qtext(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

}  // namespace

ProductionWindow::ProductionWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), batch_(session) {
    setObjectName(QStringLiteral("ProductionWindow"));
    setWindowTitle(QStringLiteral("Production"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    file_ = new QLineEdit(qtext(session_.loaded_path()), this);
    file_->setObjectName(QStringLiteral("file"));
    file_->setReadOnly(true);
    file_->setPlaceholderText(QStringLiteral("Open a HEX file in the main window first"));
    form->addRow(QStringLiteral("HEX file"), file_);

    auto* serialrow = new QHBoxLayout;
    useserial_ = new QCheckBox(QStringLiteral("at"), this);
    useserial_->setObjectName(QStringLiteral("useserial"));
    serialat_ = new QLineEdit(qtext(Production::saved_serialat(session_)), this);
    serialat_->setObjectName(QStringLiteral("serialat"));
    serialat_->setPlaceholderText(QStringLiteral("program words in hex, e.g. 3F0,3F1, or ID"));
    serialat_->setToolTip(QStringLiteral("Each word gets one byte of the serial as RETLW, most significant first; ID puts one hex digit in each user ID word (serials up to 65535)."));
    serial_ = new QLineEdit(QString::number(Production::saved_serial(session_)), this);
    serial_->setObjectName(QStringLiteral("serial"));
    serial_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,15}")), serial_));
    useserial_->setChecked(!serialat_->text().isEmpty());
    serialrow->addWidget(useserial_);
    serialrow->addWidget(serialat_, 1);
    serialrow->addWidget(new QLabel(QStringLiteral("next"), this));
    serialrow->addWidget(serial_);
    form->addRow(QStringLiteral("Serial number"), serialrow);

    auto* logrow = new QHBoxLayout;
    logfolder_ = new QLineEdit(qtext(Production::saved_logfolder(session_)), this);
    logfolder_->setObjectName(QStringLiteral("logfolder"));
    logfolder_->setPlaceholderText(QStringLiteral("no log"));
    choosefolder_ = new QPushButton(QStringLiteral("Choose\u2026"), this);
    connect(choosefolder_, &QPushButton::clicked, this, &ProductionWindow::chooselogfolder);
    logrow->addWidget(logfolder_, 1);
    logrow->addWidget(choosefolder_);
    form->addRow(QStringLiteral("Log folder"), logrow);

    verdict_ = new QLabel(this);
    verdict_->setObjectName(QStringLiteral("verdict"));
    verdict_->setAlignment(Qt::AlignCenter);
    verdict_->setMinimumHeight(110);
    QFont big = verdict_->font();
    big.setPointSize(48);
    big.setBold(true);
    verdict_->setFont(big);
    layout->addWidget(verdict_);

    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("counts"));
    counts_->setAlignment(Qt::AlignCenter);
    QFont middle = counts_->font();
    middle.setPointSize(16);
    counts_->setFont(middle);
    layout->addWidget(counts_);

    message_ = new QPlainTextEdit(this);
    message_->setObjectName(QStringLiteral("message"));
    message_->setReadOnly(true);
    message_->setFocusPolicy(Qt::NoFocus);
    message_->setMaximumHeight(90);
    layout->addWidget(message_);

    next_ = new QPushButton(QStringLiteral("Program next chip  (Space / Enter)"), this);
    next_->setObjectName(QStringLiteral("next"));
    next_->setAutoDefault(false);
    connect(next_, &QPushButton::clicked, this, &ProductionWindow::nextchip);
    layout->addWidget(next_);
    // One key per chip, wherever the focus is but in a field being typed in.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Space), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, &ProductionWindow::nextchip);
    }

    showresult(QStringLiteral("READY"), QStringLiteral("#606060"));
    showcounts();
    next_->setFocus();
    resize(560, 460);
}

void ProductionWindow::chooselogfolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Log Folder"), logfolder_->text());
    if (!folder.isEmpty()) logfolder_->setText(QDir::toNativeSeparators(folder));
}

bool ProductionWindow::startbatch() {
    ProductionSetup setup;
    setup.hexfile = file_->text().toStdString();
    if (setup.hexfile.empty()) {
        showresult(QStringLiteral("NO FILE"), QStringLiteral("#b00000"));
        message_->setPlainText(QStringLiteral("Open the HEX file to program in the main window, then open this window."));
        return false;
    }
    if (useserial_->isChecked()) {
        setup.serialat = serialat_->text().trimmed().toStdString();
        setup.serial = serial_->text().toLongLong();
        setup.keepserial = true;
    }
    if (!logfolder_->text().isEmpty()) {
        // A log a day, next to the ones before.
        const QString name = QStringLiteral("production-%1.csv").arg(qtext(utcstamp().substr(0, 10)));
        setup.logfile = QDir(logfolder_->text()).filePath(name).toStdString();
    }
    Production::save_choices(session_, serialat_->text().trimmed().toStdString(), logfolder_->text().toStdString());
    const Status started = batch_.start(setup);
    if (!started) {
        showresult(QStringLiteral("NOT STARTED"), QStringLiteral("#b00000"));
        message_->setPlainText(messagetext(started.error().message));
        return false;
    }
    for (QWidget* field : std::initializer_list<QWidget*>{useserial_, serialat_, serial_, logfolder_, choosefolder_}) {
        field->setEnabled(false);
    }
    return true;
}

void ProductionWindow::nextchip() {
    if (session_.busy()) return;
    if (!batch_.started() && !startbatch()) return;
    next_->setEnabled(false);
    showresult(QStringLiteral("\u2026"), QStringLiteral("#606060"));
    const ChipRecord& chip = batch_.next_chip();
    next_->setEnabled(true);
    next_->setFocus();
    showresult(chip.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
               chip.passed ? QStringLiteral("#107010") : QStringLiteral("#b00000"));
    QString text = messagetext(chip.message);
    if (chip.serial >= 0) text = QStringLiteral("Serial %1: ").arg(chip.serial) + text;
    if (!batch_.last_log()) text += QStringLiteral("\nNot logged: ") + messagetext(batch_.last_log().error().message);
    message_->setPlainText(text);
    if (batch_.serials()) serial_->setText(QString::number(batch_.next_serial()));
    showcounts();
}

void ProductionWindow::showresult(const QString& verdict, const QString& colour) {
    verdict_->setText(verdict);
    verdict_->setStyleSheet(QStringLiteral("color: white; background: %1; border-radius: 8px;").arg(colour));
}

void ProductionWindow::showcounts() {
    const ProductionCounts& counts = batch_.counts();
    counts_->setText(QStringLiteral("Passed %1    Failed %2    Total %3").arg(counts.passed).arg(counts.failed).arg(counts.total()));
}

}  // namespace vornalt::gui
