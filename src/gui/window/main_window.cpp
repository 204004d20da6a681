#include "gui/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextEdit>
#include <QTimer>

#include "gui/dialogs/adapter_wiring_dialog.h"
#include "gui/dialogs/check_hardware_dialog.h"
#include "gui/dialogs/config_bits_dialog.h"
#include "gui/dialogs/hardware_settings_dialog.h"
#include "gui/dialogs/programmer_dialog.h"
#include "gui/dialogs/production_window.h"
#include "gui/widgets/clickable_label.h"
#include "gui/widgets/fit_label.h"
#include "gui/widgets/memory_view.h"
#include "gui/window/form_layout.h"
#include "gui/window/message_boxes.h"

namespace vornalt::gui {
namespace {

QString qstring(const std::string& text) { return QString::fromStdString(text); }

QString stylesheet(const ControlLayout& control) {
    QString sheet = QStringLiteral("border: 1px solid black;");
    if (control.background != nullptr) {
        sheet += QStringLiteral("background-color: rgb(%1, %2, %3);")
                     .arg(control.background->red)
                     .arg(control.background->green)
                     .arg(control.background->blue);
    }
    return sheet;
}

}  // namespace

Form1::Form1(Startup started, SettingsStore& settings, SessionOptions options, QWidget* parent)
    : QMainWindow(parent), title_(qstring(started.state.windowtitle)) {
    setObjectName(QStringLiteral("Form1"));
    buildcontrols();
    buildmenus();
    settaborder();
    // The window keeps the size its layout was drawn for.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    session_ = std::make_unique<Session>(*this, settings, std::move(started.state), std::move(started.catalogue),
                                         std::move(options));
    showtitle();
}

void Form1::showtitle() { setWindowTitle(qstring(session_->main_window_title())); }

Form1::~Form1() {
    // The session powers the lines down as it goes and may still report to the window, so it
    // goes while the window is whole.
    session_.reset();
}

void Form1::buildcontrols() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(pixels(k_client_width), pixels(k_client_height));
    client->setAutoFillBackground(true);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window,
                     QColor(k_window_background.red, k_window_background.green, k_window_background.blue));
    client->setPalette(palette);
    // The layout was drawn for an 8-point face; the toolkit's larger default would cut captions.
    QFont captions = client->font();
    captions.setPointSize(k_caption_point_size);
    client->setFont(captions);
    setCentralWidget(client);

    for (const ControlLayout& control : formcontrols()) {
        const QString name = QString::fromLatin1(control.name.data(), static_cast<qsizetype>(control.name.size()));
        const QString text = QString::fromLatin1(control.text.data(), static_cast<qsizetype>(control.text.size()));
        QWidget* widget = nullptr;
        switch (control.kind) {
        case ControlKind::label:
        case ControlKind::clickable_label: {
            // Plain labels fit their text (the status line, the captions); the clickable ones
            // show a file name or a word and keep their face.
            QLabel* label = control.kind == ControlKind::label ? static_cast<QLabel*>(new FitLabel(text, client))
                                                               : new ClickableLabel(text, client);
            label->setAlignment(Qt::AlignCenter);
            label->setStyleSheet(stylesheet(control));
            widget = label;
            break;
        }
        case ControlKind::button: widget = new QPushButton(text, client); break;
        case ControlKind::flash_view: {
            auto* view = new QTextEdit(client);
            view->setReadOnly(true);
            view->setAcceptRichText(false);
            view->setLineWrapMode(QTextEdit::NoWrap);
            view->setFont(viewfont(k_view_point_size));
            view->setPlainText(text);
            widget = view;
            break;
        }
        case ControlKind::eeprom_view: {
            auto* view = new QPlainTextEdit(client);
            view->setReadOnly(true);
            view->setLineWrapMode(QPlainTextEdit::NoWrap);
            view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            view->setFont(viewfont(k_view_point_size));
            view->setPlainText(displaytext(control.text));
            view->setStyleSheet(QStringLiteral("QPlainTextEdit { background-color: white; }"));
            widget = view;
            break;
        }
        }
        widget->setObjectName(name);
        widget->setGeometry(pixels(control.left), pixels(control.top), pixels(control.width), pixels(control.height));
        if (!control.tooltip.empty()) {
            widget->setToolTip(QString::fromLatin1(control.tooltip.data(), static_cast<qsizetype>(control.tooltip.size())));
        }
    }

    command0_ = client->findChild<QPushButton*>(QStringLiteral("Command0"));
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        commands_[i] = client->findChild<QPushButton*>(QStringLiteral("Command%1").arg(i + 1));
    }
    label7_ = client->findChild<ClickableLabel*>(QStringLiteral("Label7"));
    label_hex_ = client->findChild<ClickableLabel*>(QStringLiteral("label_hex"));
    label_ime_ = client->findChild<FitLabel*>(QStringLiteral("label_ime"));
    label_info_ = client->findChild<FitLabel*>(QStringLiteral("label_info"));
    tabla_flash_ = client->findChild<QTextEdit*>(QStringLiteral("tabla_flash"));
    tabla_eeprom_ = client->findChild<QPlainTextEdit*>(QStringLiteral("tabla_eeprom"));
    label_conf1_ = client->findChild<ClickableLabel*>(QStringLiteral("label_conf1"));
    label2_ = client->findChild<QLabel*>(QStringLiteral("Label2"));
    label_conf2_ = client->findChild<ClickableLabel*>(QStringLiteral("label_conf2"));
    label_status_ = client->findChild<FitLabel*>(QStringLiteral("label_status"));
    conftip_ = label_conf1_->toolTip();

    // The focus sink sits on top of the FLASH view's corner.
    command0_->raise();
    new FocusForwarder(tabla_flash_, command0_);
    new FocusForwarder(tabla_eeprom_, command0_);

    connect(commands_[0], &QPushButton::clicked, this, &Form1::menuprogram);
    connect(commands_[1], &QPushButton::clicked, this, &Form1::menuread);
    connect(commands_[2], &QPushButton::clicked, this, &Form1::menuerase);
    connect(commands_[3], &QPushButton::clicked, this, &Form1::menublank);
    connect(commands_[4], &QPushButton::clicked, this, &Form1::menuverify);
    connect(label7_, &ClickableLabel::clicked, this, &Form1::label_hex_click);
    connect(label_hex_, &ClickableLabel::clicked, this, &Form1::label_hex_click);
    connect(label_conf1_, &ClickableLabel::clicked, this, &Form1::label_conf1_click);
    connect(label_conf2_, &ClickableLabel::clicked, this, &Form1::label_conf2_click);
}

QAction* Form1::additem(QMenu* menu, const char* name, const char* caption, void (Form1::*handler)()) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, handler);
    return action;
}

void Form1::buildmenus() {
    struct Top {
        const char* name;
        const char* caption;
    };
    static constexpr Top k_tops[] = {{"menu1", "&File"},     {"menu2", "&Edit"},    {"menu3", "&Tools"},
                                     {"menu4", "&Hardware"}, {"menu5", "&Options"}, {"menu6", "Help"}};
    for (std::size_t i = 0; i < menus_.size(); ++i) {
        menus_[i] = menuBar()->addMenu(QString::fromLatin1(k_tops[i].caption));
        menus_[i]->setObjectName(QString::fromLatin1(k_tops[i].name));
    }
    additem(menus_[0], "menuclear", "&Clear Buffer", &Form1::menuclear);
    additem(menus_[0], "menuopen", "&Open HEX File", &Form1::menuopen);
    additem(menus_[0], "menusave", "&Save Buffer As", &Form1::menusave);
    menus_[0]->addSeparator();
    for (std::size_t i = 0; i < recent_.size(); ++i) {
        recent_[i] = menus_[0]->addAction(QString());
        recent_[i]->setObjectName(QStringLiteral("menurecent%1").arg(i + 1));
        recent_[i]->setVisible(false);
        connect(recent_[i], &QAction::triggered, this, [this, i] { session_->open_named_file(recent_[i]->data().toString().toStdString()); });
    }
    // Esc during a run offers to stop it; outside a run it does nothing.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { session_->ask_stop(); });
    // Read when the menu opens, so a file opened or saved a moment ago is there.
    connect(menus_[0], &QMenu::aboutToShow, this, &Form1::showrecentfiles);
    additem(menus_[1], "menueditflash", "&FLASH Memory Location", &Form1::menueditflash);
    additem(menus_[1], "menuediteeprom", "&EEPROM Memory Location", &Form1::menuediteeprom);
    additem(menus_[1], "menuconfigbits", "&Configuration Bits\u2026", &Form1::menuconfigbits);
    additem(menus_[1], "menueditidwords", "Change &ID Words\u2026", &Form1::menueditidwords);
    additem(menus_[2], "menuprogram", "&Program All", &Form1::menuprogram);
    additem(menus_[2], "menuread", "&Read All", &Form1::menuread);
    additem(menus_[2], "menuerase", "&Erase All", &Form1::menuerase);
    additem(menus_[2], "menublank", "&Blank Check", &Form1::menublank);
    additem(menus_[2], "menuverify", "&Verify", &Form1::menuverify);
    menus_[2]->addSeparator();
    additem(menus_[2], "menuproduction", "Pro&duction\u2026", &Form1::menuproduction);
    additem(menus_[3], "menusettings", "Settings", &Form1::menusettings);
    additem(menus_[3], "menucheck", "Check", &Form1::menucheck);
    additem(menus_[4], "menumodel", "Change Microcontroller Model", &Form1::menumodel);
    additem(menus_[4], "menuport", "Change Parallel Port Number", &Form1::menuport);
    additem(menus_[4], "menuprogtime", "Change Default Programming Time", &Form1::menuprogtime);
    additem(menus_[4], "menuprogrammer", "Change Programmer\u2026", &Form1::menuprogrammer);
    additem(menus_[5], "menuportinfo", "Parallel Port Pinout", &Form1::menuportinfo);
    additem(menus_[5], "menuftdiwiring", "FTDI Adapter Wiring", &Form1::menuftdiwiring);
    additem(menus_[5], "menuabout", "About Tremwick Vornalt", &Form1::menuabout);
}

void Form1::showrecentfiles() {
    const std::vector<std::string> files = session_->recent_files();
    for (std::size_t i = 0; i < recent_.size(); ++i) {
        const bool shown = i < files.size();
        recent_[i]->setVisible(shown);
        if (!shown) continue;
        const QString file = qstring(files[i]);
        recent_[i]->setData(file);
        // "&1 blink.hex", the whole name as tooltip; an "&" in a name is no access key.
        QString name = QFileInfo(file).fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        recent_[i]->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        recent_[i]->setToolTip(file);
    }
}

void Form1::settaborder() {
    QWidget* chain[] = {command0_,    commands_[0], commands_[1], commands_[2],
                        commands_[3], commands_[4], tabla_flash_, tabla_eeprom_};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) setTabOrder(chain[i], chain[i + 1]);
}

void Form1::formload() {
    command0_->setFocus(Qt::OtherFocusReason);
    loading_ = true;
    session_->formload();
    showtitle();  // the saved programmer is opened by the load sequence
    // Records that load but cannot work as written: said once, before the user relies on them.
    if (const std::string text = session_->catalogue_warnings_text(); !text.empty()) message(text);
    loading_ = false;
    if (closepending_) close();
}

// ---- WindowServices ----

void Form1::set_status(std::string_view text) { label_status_->setfittedtext(displaytext(text)); }

// The status line fills as the whole run goes, behind the "F:n/m" text of the loop running.
void Form1::runshare(double share) { label_status_->setfill(share); }

void Form1::process_events() { QCoreApplication::processEvents(); }

QWidget* Form1::boxparent() {
    // A box asked for from inside a hardware dialog belongs over that dialog, not behind it.
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr ? modal : this;
}

void Form1::message(std::string_view text, MessageIcon icon) { showmessage(boxparent(), title_, text, icon); }

bool Form1::question(std::string_view text) { return askyesno(boxparent(), title_, text); }

std::string Form1::input(std::string_view prompt, std::string_view proposed) {
    return askinput(boxparent(), title_, prompt, proposed);
}

std::string Form1::open_file(std::string_view title, std::string_view folder, std::string_view filter) {
    return askopenfile(this, title, folder, filter);
}

std::string Form1::save_file(std::string_view title, std::string_view folder, std::string_view filter) {
    return asksavefile(this, title, folder, filter);
}

void Form1::setcommandsenabled(bool enabled) {
    command0_->setFocus(Qt::OtherFocusReason);
    for (QMenu* menu : menus_) menu->menuAction()->setEnabled(enabled);
    for (QPushButton* button : commands_) button->setEnabled(enabled);
    // The loaded file's name changes only inside commands, and each ends in enable() or a
    // redraw, so these two are where it is shown anew.
    label_hex_->setText(qstring(session_->loaded_file()));
    process_events();
}

void Form1::disable() { setcommandsenabled(false); }

void Form1::enable() {
    label_status_->setfill(-1);
    setcommandsenabled(true);
}

void Form1::updatedisplay() {
    const DisplayTexts texts = session_->display_texts();
    label_ime_->setfittedtext(qstring(texts.label_ime));
    label_info_->setfittedtext(qstring(texts.label_info));
    tabla_flash_->clear();
    tabla_eeprom_->clear();
    label_conf1_->clear();
    label_conf2_->clear();
    process_events();
    tabla_flash_->setPlainText(displaytext(texts.tabla_flash));
    tabla_eeprom_->setPlainText(displaytext(texts.tabla_eeprom));
    label_conf1_->setText(qstring(texts.label_conf1));
    label_conf2_->setText(qstring(texts.label_conf2));
    // The ID words have no control of their own; CONFIG1's tooltip shows them.
    QString conf1tip = conftip_ + QStringLiteral("\n\n") + qstring(texts.idwords);
    if (!texts.conf1fields.empty()) conf1tip += QStringLiteral("\n\n") + qstring(texts.conf1fields);
    label_conf1_->setToolTip(conf1tip);
    label_conf2_->setToolTip(texts.conf2fields.empty() ? conftip_ : conftip_ + QStringLiteral("\n\n") + qstring(texts.conf2fields));
    label_conf2_->setVisible(texts.conf2visible);
    label2_->setVisible(texts.conf2visible);
    label_hex_->setText(qstring(session_->loaded_file()));
    process_events();
}

// ---- Handlers ----

void Form1::runoperation(ChipOperation operation) {
    if (session_->busy()) return;
    session_->run(operation);
    // A close that came during the run waited for it to power the chip down.
    if (closepending_) close();
}

void Form1::menuclear() { session_->clear_buffer(); }

void Form1::menuopen() { session_->open_hex_file(); }

void Form1::menusave() { session_->save_buffer(); }

void Form1::menueditflash() { session_->edit_flash(); }

void Form1::menuediteeprom() { session_->edit_eeprom(); }

void Form1::menueditidwords() { session_->edit_id_words(); }

void Form1::menuconfigbits() {
    if (session_->busy()) return;
    ConfigBitsDialog dialog(session_->config_bits(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    session_->set_config_words(dialog.bits().words());
}

// The three clicks do nothing while an operation runs; the session sees to that.
void Form1::label_hex_click() { session_->reload_hex_file(); }

void Form1::label_conf1_click() { session_->edit_config1(); }

void Form1::label_conf2_click() { session_->edit_config2(); }

void Form1::menuproduction() {
    if (session_->busy()) return;
    ProductionWindow window(*session_, this);
    window.exec();
}

void Form1::menusettings() {
    HardwareSettingsDialog dialog(session_->hardware_settings(), this);
    dialog.exec();
}

void Form1::menucheck() {
    CheckHardwareDialog dialog(session_->check_hardware(), this);
    dialog.exec();
}

void Form1::menumodel() { session_->change_model(); }

void Form1::menuport() { session_->change_port(); }

void Form1::menuprogtime() { session_->change_programming_time(); }

void Form1::menuprogrammer() {
    ProgrammerDialog dialog(session_->programmer_choices(), session_->current_programmer(), session_->step_rate(),
                            boxparent());
    if (dialog.exec() != QDialog::Accepted) return;
    // The rate first: an adapter chosen now opens at it.
    if (Status rate = session_->set_step_rate(dialog.steprate()); !rate) message(rate.error().message);
    const ProgrammerOffer& chosen = dialog.chosen();
    const ProgrammerOffer current = session_->current_programmer();
    // The one in use picked again is opened again when it is not available (plugged in again).
    const bool same = chosen.kind == current.kind && chosen.argument == current.argument;
    if (!same || !session_->port_status().available) {
        static_cast<void>(session_->choose_programmer(chosen.kind, chosen.argument));  // says itself what failed
        showtitle();
    }
}

void Form1::menuportinfo() { session_->show_port_pinout(); }

void Form1::menuftdiwiring() {
    AdapterWiringDialog dialog(session_->adapter_wiring_text(), boxparent());
    dialog.exec();
}

void Form1::menuabout() { session_->show_about(); }

void Form1::openhandedfile(const QString& file) {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    if (!file.isEmpty()) openwhenfree(file);
}

void Form1::openwhenfree(const QString& file) {
    if (session_->busy() || QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(250, this, [this, file] { openwhenfree(file); });
        return;
    }
    session_->open_named_file(file.toStdString());
}

void Form1::requestquit() {
    // Modal boxes first (a verify message, a hardware dialog): each closes the way its own close
    // box would, so the hardware dialogs switch their lines off.
    closemodalboxes(this);
    close();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (session_->busy() || loading_) {
        // The run powers the chip down at its next step; the window closes when it has returned
        // (the load sequence, when it has ended: it still opens the port and shows its boxes).
        closepending_ = true;
        session_->request_stop();
        event->ignore();
        return;
    }
    session_->shutdown();
    event->accept();
}

}  // namespace vornalt::gui
