// The real main window, driven as a user would: menus, focus, the views, the edit boxes, and whole
// chip operations from its buttons on the simulated programmer.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <functional>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>
#include <fstream>
#include <utility>

#include "app/selection_prompts.h"
#include "gui/program/window_loop.h"
#include "gui/window/message_boxes.h"
#include "gui/dialogs/config_bits_dialog.h"
#include "gui/dialogs/adapter_wiring_dialog.h"
#include "gui/dialogs/production_window.h"
#include "gui/widgets/fit_label.h"
#include "gui/window_rig.h"
#include "sim/sim_chip.h"
#include "port/port_driver.h"

namespace vornalt::testing {
namespace {

const std::string k_catalogue = VORNALT_SHIPPED_CATALOGUE;
constexpr int k_16f84a = 1;
constexpr int k_16f877 = 8;
constexpr int k_16f877a = 12;

QString blankflashline(const char* address, int words) {
    QString line = QString::fromLatin1(address) + QLatin1Char(':');
    for (int i = 0; i < words; ++i) line += QStringLiteral(" 3FFF");
    return line;
}

// Change Programmer, with the list entry that starts with `description` picked (and the step rate
// set, when one is given) and OK pressed.
void pickprogrammer(WindowRig& rig, const QString& description, int steprate = 0) {
    bool picked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* list = dialog != nullptr ? dialog->findChild<QListWidget*>(QStringLiteral("programmerlist")) : nullptr;
        if (list == nullptr) return;
        const QList<QListWidgetItem*> found = list->findItems(description, Qt::MatchStartsWith);
        if (!found.isEmpty()) {
            list->setCurrentItem(found.front());
            picked = true;
        }
        auto* rate = dialog->findChild<QSpinBox*>(QStringLiteral("steprate"));
        if (rate != nullptr && steprate > 0) rate->setValue(steprate);
        dialog->accept();
    });
    rig.trigger("menuprogrammer");
    QVERIFY2(picked, qPrintable(description));
}

std::string saved(WindowRig& rig, std::string_view name) { return rig.backend.get(name).value_or("<none>"); }

std::int32_t vddpin(WindowRig& rig) { return internals(rig.session()).driver().state().pin(Line::vdd); }

bool alllinesoff(Session& session) {
    const PortDriver& driver = internals(session).driver();
    return !driver.lineon(Line::vdd) && !driver.lineon(Line::vpp) && !driver.lineon(Line::clock) &&
           !driver.lineon(Line::dataout);
}

// Virtual time in sliced waits; one second in, it posts a close of the window, which only an
// event loop running during the wait can deliver.
struct ClosingClock final : Clock {
    using Clock::sleep_ms;
    std::int64_t now_ns() const override { return now; }
    void sleep_ms(std::int32_t ms) override { busy_wait_us(ms * 1000); }
    void busy_wait_us(std::int32_t us) override {
        now += std::int64_t{us} * 1000;
        if (window != nullptr && now >= 1'000'000'000) QTimer::singleShot(0, std::exchange(window, nullptr), &QWidget::close);
    }
    std::int64_t now = 0;
    QWidget* window = nullptr;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    // What a hostile catalogue can put in a box: 10,000 models in the model prompt, a model name of
    // 200,000 characters or 3,000 lines in a message, 28 fields with texts of 5,000 characters
    // from configbits.cfg. Every box and its buttons stay within the screen.
    void every_box_stays_on_the_screen_whatever_its_text() {
        DeviceCatalogue catalogue;
        catalogue.modelcount = 10'000;
        catalogue.records.resize(10'001);
        for (int i = 1; i <= 10'000; ++i) catalogue.records[static_cast<std::size_t>(i)].model = "16F" + std::to_string(i);
        std::string lines;
        for (int i = 0; i < 3000; ++i) lines += "line " + std::to_string(i) + "\r\n";
        AppliedModel model;
        model.config2used = true;
        for (int i = 0; i < 28; ++i) {
            const std::int32_t mask = 1 << (i % 14);
            model.configfields.push_back({"F" + std::to_string(i), i / 14 + 1, mask, std::string(5000, 'T'), false,
                                          {{"ON", mask, std::string(5000, 'M')}}});
        }
        const QString title = QStringLiteral("Vornalt");
        const std::vector<std::function<void()>> boxes{
            [&] { gui::askinput(nullptr, title, modelprompt(catalogue), "1"); },
            [&] { gui::showmessage(nullptr, title, std::string(200'000, 'M'), MessageIcon::none); },
            [&] { gui::askyesno(nullptr, title, lines); },
            [&] { gui::ConfigBitsDialog(ConfigBits(model, {0x3FFF, 0x3FFF})).exec(); }};
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            bool onscreen = false;
            QTimer::singleShot(0, [&onscreen] {
                auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                const QRect area = box->screen()->availableGeometry();
                onscreen = area.contains(box->frameGeometry());
                for (const QPushButton* button : box->findChildren<QPushButton*>()) {
                    onscreen = onscreen && area.contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
                }
                box->reject();
            });
            boxes[i]();
            QVERIFY2(onscreen, qPrintable(QString::number(i)));
        }
    }

    void menus_have_their_captions_and_access_keys() {
        WindowRig rig(k_catalogue, k_16f84a);
        struct Menu {
            const char* name;
            const char* title;
            std::vector<std::pair<const char*, const char*>> items;
        };
        const std::vector<Menu> expected{
            {"menu1", "&File", {{"menuclear", "&Clear Buffer"}, {"menuopen", "&Open HEX File"}, {"menusave", "&Save Buffer As"}}},
            {"menu2", "&Edit",
             {{"menueditflash", "&FLASH Memory Location"}, {"menuediteeprom", "&EEPROM Memory Location"},
              {"menuconfigbits", "&Configuration Bits\u2026"},
              {"menueditidwords", "Change &ID Words\u2026"}}},
            {"menu3", "&Tools",
             {{"menuprogram", "&Program All"}, {"menuread", "&Read All"}, {"menuerase", "&Erase All"},
              {"menublank", "&Blank Check"}, {"menuverify", "&Verify"},
              {"menuproduction", "Pro&duction\u2026"}}},
            {"menu4", "&Hardware", {{"menusettings", "Settings"}, {"menucheck", "Check"}}},
            {"menu5", "&Options",
             {{"menumodel", "Change Microcontroller Model"}, {"menuport", "Change Parallel Port Number"},
              {"menuprogtime", "Change Default Programming Time"}, {"menuprogrammer", "Change Programmer\u2026"}}},
            {"menu6", "Help",
             {{"menuportinfo", "Parallel Port Pinout"}, {"menuftdiwiring", "FTDI Adapter Wiring"},
              {"menuabout", "About Tremwick Vornalt"}}},
        };
        const QList<QAction*> tops = rig.window->menuBar()->actions();
        QCOMPARE(tops.size(), static_cast<qsizetype>(expected.size()));
        for (std::size_t m = 0; m < expected.size(); ++m) {
            QMenu* menu = tops[static_cast<qsizetype>(m)]->menu();
            QCOMPARE(menu->objectName(), QString::fromLatin1(expected[m].name));
            QCOMPARE(menu->title(), QString::fromLatin1(expected[m].title));
            // The File menu's recent files and their separator come and go; the items stay.
            QList<QAction*> items = menu->actions();
            items.removeIf([](QAction* a) { return a->isSeparator() || a->objectName().startsWith(QStringLiteral("menurecent")); });
            QCOMPARE(items.size(), static_cast<qsizetype>(expected[m].items.size()));
            for (std::size_t i = 0; i < expected[m].items.size(); ++i) {
                QCOMPARE(items[static_cast<qsizetype>(i)]->objectName(), QString::fromLatin1(expected[m].items[i].first));
                QCOMPARE(items[static_cast<qsizetype>(i)]->text(), QString::fromUtf8(expected[m].items[i].second));
                QVERIFY(items[static_cast<qsizetype>(i)]->shortcut().isEmpty());
            }
        }
        // The simulator says so in the caption; boxes keep the plain title.
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Tremwick Vornalt (simulated programmer)"));
        rig.trigger("menuabout");
        QCOMPARE(rig.boxes.seen.back().title, std::string("Tremwick Vornalt"));
    }

    void focus_starts_on_the_sink_and_never_stays_in_a_view() {
        WindowRig rig(k_catalogue, k_16f84a);
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        auto* sink = rig.find<QPushButton>("Command0");
        QCOMPARE(QApplication::focusWidget(), sink);
        QCOMPARE(sink->nextInFocusChain(), rig.find<QWidget>("Command1"));
        // The sink covers the FLASH view's top-left corner.
        QCOMPARE(sink->geometry().topLeft(), rig.find<QWidget>("tabla_flash")->geometry().topLeft());

        rig.find<QPushButton>("Command3")->setFocus();
        QTest::mouseClick(rig.find<QTextEdit>("tabla_flash")->viewport(), Qt::LeftButton, {}, QPoint(100, 60));
        QCOMPARE(QApplication::focusWidget(), sink);
        rig.find<QPushButton>("Command3")->setFocus();
        QTest::mouseClick(rig.find<QPlainTextEdit>("tabla_eeprom")->viewport(), Qt::LeftButton, {}, QPoint(60, 60));
        QCOMPARE(QApplication::focusWidget(), sink);
    }

    void disable_locks_menus_and_buttons_and_enable_frees_them() {
        WindowRig rig(k_catalogue, k_16f84a);
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        for (const bool enabled : {false, true}) {
            rig.find<QPushButton>("Command2")->setFocus();
            enabled ? rig.window->enable() : rig.window->disable();
            for (int i = 1; i <= 6; ++i) {
                QCOMPARE(rig.find<QMenu>(qPrintable(QStringLiteral("menu%1").arg(i)))->menuAction()->isEnabled(), enabled);
            }
            for (int i = 1; i <= 5; ++i) {
                QCOMPARE(rig.find<QPushButton>(qPrintable(QStringLiteral("Command%1").arg(i)))->isEnabled(), enabled);
            }
            QCOMPARE(QApplication::focusWidget(), rig.find<QWidget>("Command0"));
        }
    }

    void views_show_the_whole_image_of_the_model() {
        WindowRig rig(k_catalogue, k_16f877a);
        QCOMPARE(rig.text("label_ime"), QStringLiteral("16F877A"));
        QCOMPARE(rig.text("label_info"), QStringLiteral("FLASH: 8192,  EEPROM: 256"));
        const QStringList flash = rig.text("tabla_flash").split(QLatin1Char('\n'));
        QCOMPARE(flash.size(), 1024);
        QCOMPARE(flash.first(), blankflashline("0000", 8));
        QCOMPARE(flash.last(), blankflashline("1FF8", 8));
        const QStringList eeprom = rig.text("tabla_eeprom").split(QLatin1Char('\n'));
        QCOMPARE(eeprom.size(), 32);
        QCOMPARE(eeprom.last(), QStringLiteral("00F8: FF FF FF FF FF FF FF FF"));
        QVERIFY(!rig.find<QLabel>("Label2")->isVisible());
        QVERIFY(!rig.find<QLabel>("label_conf2")->isVisible());

        // Another model through the Options menu: one with a second configuration word.
        rig.boxes.inputs = {"27"};
        rig.trigger("menumodel");
        QCOMPARE(rig.text("label_ime"), QStringLiteral("16F88"));
        QVERIFY(rig.find<QLabel>("Label2")->isVisible());
        QCOMPARE(rig.text("label_conf2"),
                 QStringLiteral("%1").arg(internals(rig.session()).image().config2word, 4, 16, QLatin1Char('0')).toUpper());
    }

    void a_model_without_eeprom_shows_an_empty_view_and_a_short_last_line() {
        QTemporaryDir folder;
        const QString catalogue = folder.filePath(QStringLiteral("devices.cfg"));
        QFile file(catalogue);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("model:tiny\nflash:20\neeprom:0\nconfigerased:3FFF,1F3F\nconfig2used:true\nvoltageseq:vddvpp\n"
                   "progtime:4\nerase:begin,end\nprogram:begin,end\nread:begin,end\nblankcheck:begin,end\n"
                   "verify:begin\n");
        file.close();
        WindowRig rig(catalogue.toStdString(), 1);
        QCOMPARE(rig.text("tabla_eeprom"), QString());
        const QStringList flash = rig.text("tabla_flash").split(QLatin1Char('\n'));
        QCOMPARE(flash.size(), 3);
        QCOMPARE(flash.last(), blankflashline("0010", 4));
        QVERIFY(rig.find<QLabel>("label_conf2")->isVisible());
        QCOMPARE(rig.text("label_conf2"), QStringLiteral("1F3F"));

        // The record's verify script does not end in "end": the window said so once, when it opened.
        QCOMPARE(rig.boxes.messages().size(), std::size_t{1});
        QVERIFY(QString::fromStdString(rig.boxes.messages()[0]).contains(QStringLiteral("devices.cfg:12:")));
        rig.trigger("menuediteeprom");
        QCOMPARE(rig.boxes.messages().back(), std::string("This model do not feature EEPROM memory."));
    }

    void edit_boxes_change_one_location() {
        WindowRig rig(k_catalogue, k_16f877a);
        rig.boxes.inputs = {"1f", "2a5"};
        rig.trigger("menueditflash");
        QCOMPARE(rig.boxes.seen.size(), std::size_t{2});
        QCOMPARE(rig.boxes.seen[0].title, std::string("Tremwick Vornalt"));
        QCOMPARE(rig.boxes.seen[0].text, std::string("Enter the address of FLASH memory location to edit [0000-1FFF]."));
        QCOMPARE(rig.text("tabla_flash").split(QLatin1Char('\n'))[3],
                 QStringLiteral("0018: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 02A5"));

        rig.boxes.inputs = {"2000"};
        rig.trigger("menueditflash");
        QCOMPARE(rig.boxes.messages(), std::vector<std::string>{"Out of range."});

        rig.boxes.inputs = {"12"};
        rig.click("label_conf1");
        QCOMPARE(rig.text("label_conf1"), QStringLiteral("0012"));
        rig.boxes.inputs = {""};  // Cancel
        rig.click("label_conf1");
        QCOMPARE(rig.text("label_conf1"), QStringLiteral("0012"));
    }

    // Three chips, the second socket empty: one key per chip, the counters and the next serial
    // follow, and each chip is a row of the day's log in the chosen folder.
    void production_window_counts_chips_and_serials() {
        WindowRig rig(k_catalogue, k_16f877a);
        QVERIFY(QFile::copy(QStringLiteral(VORNALT_EXAMPLES_DIR "/chaser_16f877a.hex"), QString::fromStdString(rig.path("fw.hex"))));
        internals(rig.session()).app().lastpath = rig.path("");
        internals(rig.session()).app().label_hex = "fw.hex";
        gui::ProductionWindow production(rig.session());
        production.findChild<QCheckBox*>(QStringLiteral("useserial"))->setChecked(true);
        production.findChild<QLineEdit*>(QStringLiteral("serialat"))->setText(QStringLiteral("7F0,7F1"));
        production.findChild<QLineEdit*>(QStringLiteral("serial"))->setText(QStringLiteral("41"));
        production.findChild<QLineEdit*>(QStringLiteral("logfolder"))->setText(QString::fromStdString(rig.path("")));
        production.show();
        QVERIFY(QTest::qWaitForWindowActive(&production));
        const char* verdicts[] = {"PASS", "FAIL", "PASS"};
        for (int chip = 0; chip < 3; ++chip) {
            rig.session().board()->insert(chip == 1 ? nullptr : makechip("16F877A"));
            QTest::keyClick(&production, chip == 2 ? Qt::Key_Return : Qt::Key_Space);
            QCOMPARE(production.findChild<QLabel*>(QStringLiteral("verdict"))->text(), QString::fromLatin1(verdicts[chip]));
        }
        QCOMPARE(production.findChild<QLabel*>(QStringLiteral("counts"))->text(), QStringLiteral("Passed 2    Failed 1    Total 3"));
        QCOMPARE(production.findChild<QLineEdit*>(QStringLiteral("serial"))->text(), QStringLiteral("43"));
        QVERIFY(production.findChild<QPlainTextEdit*>(QStringLiteral("message"))->toPlainText().startsWith(QStringLiteral("Serial 42: ")));
        const QStringList logs = QDir(QString::fromStdString(rig.path(""))).entryList({QStringLiteral("production-*.csv")});
        QCOMPARE(logs.size(), 1);
        QFile log(QDir(QString::fromStdString(rig.path(""))).filePath(logs[0]));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count('\n'), 4);
    }

    void configuration_bits_writes_the_word_on_ok_only() {
        WindowRig rig(k_catalogue, k_16f877);
        internals(rig.session()).app().label_hex = "loaded.hex";
        auto* label = rig.find<QLabel>("label_conf1");
        QVERIFY(label->toolTip().contains(QStringLiteral("FOSC = EXTRC: RC oscillator")));
        QVERIFY(label->toolTip().contains(QStringLiteral("ID words: 3FFF 3FFF 3FFF 3FFF")));
        // The dialog is worked from inside its own event loop, then left with OK or Cancel.
        const auto answer = [](bool ok, std::function<void(QDialog&)> work) {
            QTimer::singleShot(0, [ok, work] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                work(*dialog);
                ok ? dialog->accept() : dialog->reject();
            });
        };
        const auto choose = [](QDialog& dialog, const char* field, int index) {
            auto* box = dialog.findChild<QComboBox*>(QString::fromLatin1(field));
            box->setCurrentIndex(index);
            emit box->activated(index);
            return box;
        };
        answer(false, [&](QDialog& dialog) { choose(dialog, "FOSC", 2); });
        rig.trigger("menuconfigbits");
        QCOMPARE(label->text(), QStringLiteral("3FFF"));
        QCOMPARE(rig.session().loaded_file(), std::string("loaded.hex"));

        answer(true, [&](QDialog& dialog) {
            auto* raw = dialog.findChild<QLineEdit*>(QStringLiteral("raw1"));
            auto* warning = dialog.findChild<QLabel*>(QStringLiteral("protectionwarning"));
            raw->selectAll();
            QTest::keyClicks(raw, QStringLiteral("2f72"));  // the two CP pairs disagree: 20h and 30h
            QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("FOSC"))->currentIndex(), 2);
            QVERIFY(dialog.findChild<QComboBox*>(QStringLiteral("CP"))->currentText().contains(QStringLiteral("2030h")));
            QComboBox* cp = choose(dialog, "CP", 3);  // OFF: the unnamed entry goes
            QCOMPARE(raw->text(), QStringLiteral("3F72"));
            QCOMPARE(cp->count(), 4);
            QVERIFY(!warning->text().contains(QStringLiteral("is on")));
            choose(dialog, "CP", 0);  // ALL
            QVERIFY(warning->text().contains(QStringLiteral("is on")));
        });
        rig.trigger("menuconfigbits");
        QCOMPARE(label->text(), QStringLiteral("0F42"));
        QCOMPARE(rig.session().loaded_file(), std::string());  // the image no longer matches the file
        QVERIFY(label->toolTip().contains(QStringLiteral("CP = ALL: all program memory code-protected")));
    }

    void status_line_and_captions_read_from_their_start() {
        WindowRig rig(k_catalogue, k_16f84a);
        auto* status = rig.find<gui::FitLabel>("label_status");
        const char* texts[] = {"Parallel port 1 not available", "Chip programming failed",
                               "A status text much too long for the status line in any face that can be read",
                               "Chip read"};
        for (const char* text : texts) {
            const QString full = QString::fromLatin1(text);
            rig.window->set_status(text);
            const QString shown = status->text();
            QVERIFY2(status->font().pointSizeF() >= gui::FitLabel::k_floor_points, text);
            QVERIFY2(QFontMetrics(status->font()).horizontalAdvance(shown) <= status->contentsRect().width(), text);
            if (shown == full) {
                QVERIFY2(status->toolTip().isEmpty(), text);  // no stale whole text of an earlier one
                continue;
            }
            // Cut at the end only, and the whole text a hover away.
            QVERIFY2(shown.endsWith(QChar(0x2026)) && full.startsWith(shown.chopped(1)), qPrintable(shown));
            QCOMPARE(status->toolTip(), full);
        }
        for (const char* caption : {"Label6", "Label2"}) {
            auto* label = rig.find<gui::FitLabel>(caption);
            QCOMPARE(label->text(), label->fulltext());
            QVERIFY(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->contentsRect().width());
        }
    }

    void status_line_fills_with_the_run_and_empties_at_its_end() {
        WindowRig rig(k_catalogue, k_16f84a);
        auto* status = rig.find<gui::FitLabel>("label_status");
        const auto filled = [status] {
            const QImage picture = status->grab().toImage();
            const int middle = picture.height() / 2;
            return picture.pixelColor(3, middle) != picture.pixelColor(picture.width() - 4, middle);
        };
        rig.window->progress(MemoryRegion::flash, 512, 1024);
        QCOMPARE(status->text(), QStringLiteral("F:512/1024"));
        rig.window->runshare(0.5);
        QVERIFY(filled());
        rig.window->enable();
        QVERIFY(!filled());
    }

    void program_verify_and_read_from_the_buttons() {
        WindowRig rig(k_catalogue, k_16f84a);
        rig.boxes.files = {VORNALT_EXAMPLES_DIR "/blink_16f84a.hex"};
        rig.trigger("menuopen");
        QCOMPARE(rig.text("label_hex"), QStringLiteral("blink_16f84a.hex"));
        const MemoryImage programmed = internals(rig.session()).image();

        rig.click("Command1");
        QCOMPARE(rig.text("label_status"), QStringLiteral("Chip programmed"));
        rig.click("Command5");
        QCOMPARE(rig.text("label_status"), QStringLiteral("Chip verified"));
        rig.click("Command2");
        QCOMPARE(rig.text("label_status"), QStringLiteral("Chip read"));
        const MemoryImage& read = internals(rig.session()).image();
        QVERIFY(read.flashbuffer == programmed.flashbuffer);
        QVERIFY(read.eeprombuffer == programmed.eeprombuffer);
        QCOMPARE(read.config1word, programmed.config1word);
        QVERIFY(rig.text("tabla_flash").startsWith(QStringLiteral("0000: ")));
        QVERIFY(alllinesoff(rig.session()));
    }

    // A reload or a configuration edit in the middle of a run would change the image being
    // programmed: during a run the clickable labels do nothing.
    void label_clicks_do_nothing_while_an_operation_runs() {
        WindowRig rig(k_catalogue, k_16f84a);
        rig.boxes.files = {VORNALT_EXAMPLES_DIR "/blink_16f84a.hex"};
        rig.trigger("menuopen");
        const std::size_t boxesbefore = rig.boxes.seen.size();
        bool clickedwhilebusy = false;
        QTimer::singleShot(0, rig.window.get(), [&] {
            clickedwhilebusy = rig.session().busy();
            rig.click("label_hex");
            rig.click("Label7");
            rig.click("label_conf1");
            rig.click("label_conf2");
        });
        rig.click("Command1");
        QVERIFY(clickedwhilebusy);
        QCOMPARE(rig.boxes.seen.size(), boxesbefore);
        QCOMPARE(rig.text("label_status"), QStringLiteral("Chip programmed"));
    }

    void escape_during_a_run_stops_it_after_yes() {
        WindowRig rig(k_catalogue, k_16f877a);
        rig.boxes.questions = {true};
        QTimer::singleShot(0, rig.window.get(), [&] { QTest::keyClick(rig.window.get(), Qt::Key_Escape); });
        rig.click("Command1");
        QCOMPARE(rig.text("label_status"), QStringLiteral("Program all stopped"));
        QVERIFY(alllinesoff(rig.session()));
    }

    void closing_during_a_run_powers_down_first() {
        WindowRig rig(k_catalogue, k_16f877a);
        bool openafterclose = false;
        QTimer::singleShot(0, rig.window.get(), [&] {
            rig.window->close();
            openafterclose = rig.window->isVisible() && rig.session().busy();
        });
        rig.click("Command1");
        QVERIFY(openafterclose);
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(rig.text("label_status"), QStringLiteral("Chip programming failed"));
        QVERIFY(alllinesoff(rig.session()));
    }

    void a_close_during_a_wait_stops_the_run_at_once() {
        QTemporaryDir folder;
        const std::string catalogue = folder.filePath(QStringLiteral("devices.cfg")).toStdString();
        std::ofstream(catalogue) << "model:16F84A\nflash:1024\neeprom:64\nconfigerased:3FFF,3FFF\nconfig2used:false\n"
                                    "voltageseq:vddvpp\nprogtime:4\nerase:begin,w100000,end\nprogram:end\nread:end\n"
                                    "blankcheck:end\nverify:end\n";
        ClosingClock clock;
        WindowRig rig(catalogue, 1, nullptr, &clock);
        clock.window = rig.window.get();
        rig.click("Command3");
        QVERIFY(!rig.window->isVisible());
        QVERIFY2(clock.now < 2'000'000'000, qPrintable(QString::number(clock.now)));  // not the 100 s
        QVERIFY(alllinesoff(rig.session()));
    }

    void a_close_during_the_load_sequence_ends_the_event_loop() {
        WindowRig rig(k_catalogue, k_16f84a, nullptr, nullptr, false);
        StopSignals stopsignals;
        // Posted from the loop's first event, so it arrives while the load sequence runs.
        QTimer::singleShot(0, [&] { QTimer::singleShot(0, rig.window.get(), [&] { rig.window->close(); }); });
        QTimer::singleShot(30000, [] { QApplication::exit(99); });  // a lost close would hang here
        QCOMPARE(gui::runwindow(*rig.window, stopsignals), 0);
        QVERIFY(!rig.window->isVisible());
        QVERIFY(alllinesoff(rig.session()));
    }

    void quitting_leaves_the_lines_off() {
        WindowRig rig(k_catalogue, k_16f84a);
        internals(rig.session()).driver().vddon();
        internals(rig.session()).driver().clockon();
        rig.window->close();
        QVERIFY(alllinesoff(rig.session()));

        // A stop signal while Check Hardware has the chip powered: the dialog and the window close.
        WindowRig checking(k_catalogue, k_16f84a);
        bool poweredbeforequit = false;
        QTimer::singleShot(50, checking.window.get(), [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog != nullptr && dialog->objectName() == QStringLiteral("Form98"));
            for (const char* box : {"Check1", "Check2"}) {
                auto* check = dialog->findChild<QCheckBox*>(QString::fromLatin1(box));
                QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
            }
            poweredbeforequit = internals(checking.session()).driver().lineon(Line::vdd) &&
                                internals(checking.session()).driver().lineon(Line::vpp);
            checking.window->requestquit();
        });
        checking.trigger("menucheck");
        QVERIFY(poweredbeforequit);
        QVERIFY(!checking.window->isVisible());
        QVERIFY(alllinesoff(checking.session()));
    }

    // The programmer picked is used at once and saved; the next start opens it, and a saved
    // adapter that is not plugged in says so on the status line and refuses the runs.
    void programmer_choice_is_applied_at_once_and_at_the_next_start() {
        {
            WindowRig rig(k_catalogue, k_16f84a);
            pickprogrammer(rig, QStringLiteral("Parallel port"));
            QCOMPARE(saved(rig, k_setting_programmer), std::string("parallel"));
            QVERIFY(!rig.session().simulated());
            QVERIFY(!rig.window->windowTitle().contains(QStringLiteral("simulated")));
            QVERIFY(rig.text("label_status").startsWith(QStringLiteral("Parallel port 1 ")));
            QCOMPARE(rig.window->windowTitle(), QStringLiteral("Tremwick Vornalt"));  // real hardware now
            // The step rate set is saved.
            pickprogrammer(rig, QStringLiteral("Simulated programmer"), 400'000);
            QCOMPARE(saved(rig, k_setting_ftdi_steprate), std::string("400000"));
            QCOMPARE(saved(rig, k_setting_programmer), std::string("sim"));
            QVERIFY(rig.session().simulated() && !rig.session().socketempty());
            QVERIFY(rig.window->windowTitle().endsWith(QStringLiteral("(simulated programmer)")));
            QCOMPARE(rig.text("label_status"), QStringLiteral("Simulated port ready"));
            QCOMPARE(rig.window->windowTitle(), QStringLiteral("Tremwick Vornalt (simulated programmer)"));
        }
        {
            WindowRig simulated(k_catalogue, k_16f84a, "sim");
            QVERIFY(simulated.session().simulated());
            WindowRig parallel(k_catalogue, k_16f84a, "parallel");
            QVERIFY(!parallel.window->windowTitle().contains(QStringLiteral("simulated")));
        }

        {
            WindowRig parallel(k_catalogue, k_16f84a, "parallel");  // saved, opened by the load sequence
            QCOMPARE(parallel.window->windowTitle(), QStringLiteral("Tremwick Vornalt"));
        }
        WindowRig absent(k_catalogue, k_16f84a, "ftdi:NOSUCH");
        // The whole message: the label may draw it cut.
        const QString status = absent.find<gui::FitLabel>("label_status")->fulltext();
        QVERIFY2(status.startsWith(QStringLiteral("FTDI adapter NOSUCH not available")), qPrintable(status));
        absent.click("Command1");
        QCOMPARE(absent.boxes.messages().size(), std::size_t{1});
        QVERIFY(QString::fromStdString(absent.boxes.messages()[0]).startsWith(QStringLiteral("FTDI adapter NOSUCH not available.")));
        // Picked again (plugged in meanwhile), it is opened again.
        absent.window->set_status("elsewhere");
        pickprogrammer(absent, QStringLiteral("FTDI adapter NOSUCH"));
        QVERIFY(absent.find<gui::FitLabel>("label_status")->fulltext().startsWith(status.left(24)));
    }

    // The parallel port's pins and the adapter's bits are separate settings: a pin changed for one
    // is still there after a switch to the other and back.
    void pin_settings_of_each_programmer_survive_a_switch() {
        WindowRig rig(k_catalogue, k_16f84a);
        const auto changevdd = [&rig](const char* answer) {
            rig.boxes.inputs.push_back(answer);
            return rig.session().hardware_settings().changepin(Line::vdd);
        };
        QVERIFY(changevdd("7"));
        QVERIFY(rig.session().choose_programmer(BackendKind::ftdi, "NOSUCH"));
        QCOMPARE(vddpin(rig), 6);  // the adapter's default bit
        QVERIFY(!changevdd("9"));  // a bit the adapter does not have
        QVERIFY(changevdd("2"));
        QVERIFY(rig.session().choose_programmer(BackendKind::simulator, ""));
        QCOMPARE(vddpin(rig), 7);
        QVERIFY(rig.session().choose_programmer(BackendKind::ftdi, "NOSUCH"));
        QCOMPARE(vddpin(rig), 2);
        QCOMPARE(saved(rig, k_setting_vddpin), std::string("7"));
        QCOMPARE(saved(rig, k_setting_ftdi_vddbit), std::string("2"));
    }

    // Help > FTDI Adapter Wiring shows the schematic built into the program, and on a screen smaller
    // than the drawing (offscreen: 800 x 600) the whole dialog still fits.
    void wiring_help_shows_the_schematic_within_the_screen() {
        WindowRig rig(k_catalogue, k_16f84a);
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<gui::AdapterWiringDialog*>(QApplication::activeModalWidget());
            shown = dialog != nullptr && dialog->schematicshown() &&
                    dialog->screen()->availableGeometry().size().boundedTo(dialog->size()) == dialog->size();
            if (dialog != nullptr) dialog->reject();
        });
        rig.trigger("menuftdiwiring");
        QVERIFY(shown);
    }

    void about_and_pinout_use_the_information_icon() {
        WindowRig rig(k_catalogue, k_16f84a);
        rig.trigger("menuabout");
        rig.trigger("menuportinfo");
        QCOMPARE(rig.boxes.seen.size(), std::size_t{2});
        for (const ModalAnswers::Seen& box : rig.boxes.seen) {
            QVERIFY(box.information);
            QCOMPARE(box.title, std::string("Tremwick Vornalt"));
        }
        QVERIFY(QString::fromStdString(rig.boxes.seen[0].text).startsWith(QStringLiteral("Tremwick Vornalt\n")));
        QVERIFY(QString::fromStdString(rig.boxes.seen[1].text).startsWith(QStringLiteral("Parallel Port Pinout:\n")));
    }
};

}  // namespace vornalt::testing

QTEST_MAIN(vornalt::testing::MainWindowTest)
#include "main_window_test.moc"
