// The Hardware Settings and Check Hardware dialogs as the user meets them: the real widgets,
// clicked and typed at, over a recording port, in-memory settings and a scripted window that
// answers the pin questions.
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/hardware_rig.h"
#include "gui/dialogs/check_hardware_dialog.h"
#include "gui/dialogs/hardware_settings_dialog.h"

using vornalt::CheckHardware;
using vornalt::HardwareSettings;
using vornalt::Line;
using vornalt::gui::CheckHardwareDialog;
using vornalt::gui::HardwareSettingsDialog;
using vornalt::testing::decode_default;
using vornalt::testing::HardwareRig;

namespace {

template <typename T>
T* child(QWidget& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromLatin1(name));
}

// A click where a user clicks a check box: on its indicator, at the left.
void clickbox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }

void show(QWidget& dialog) {
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

QColor pixel(QWidget* widget, QPoint at) { return widget->grab().toImage().pixelColor(at); }

struct Placement {
    const char* name;
    QRect geometry;
};

}  // namespace

class HardwareDialogsWidgetTest : public QObject {
    Q_OBJECT

private slots:
    void settingsDialogLayout();
    void checkDialogLayout();
    void sharedPinIsAccepted();
    void refusedAnswers_data();
    void refusedAnswers();
    void cancelChangesNothing();
    void movingClockLeavesTheOldPinAtItsLevel();
    void dataInInversion();
    void captionsFollowThePins();
    void dataInBoxDoesNotFollowClicks();
    void timerKeepsDataInCurrent();
    void closingSwitchesPowerOffOnce_data();
    void closingSwitchesPowerOffOnce();
};

void HardwareDialogsWidgetTest::settingsDialogLayout() {
    HardwareRig rig;
    HardwareSettingsDialog dialog(HardwareSettings(rig.driver, rig.settings, rig.window));
    QCOMPARE(dialog.objectName(), QStringLiteral("Form99"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Hardware Settings"));
    QCOMPARE(dialog.size(), QSize(245, 169));
    const Placement placements[] = {
        {"Check1", {4, 4, 169, 21}},   {"Check2", {4, 32, 169, 21}},   {"Check3", {4, 60, 169, 21}},
        {"Check4", {4, 88, 169, 21}},  {"Check5", {4, 116, 169, 21}},  {"Label1", {176, 8, 65, 13}},
        {"Label2", {176, 36, 65, 13}}, {"Label3", {176, 64, 65, 13}},  {"Label4", {176, 92, 65, 13}},
        {"Label5", {176, 120, 65, 13}}, {"Command1", {192, 144, 49, 21}},
    };
    for (const Placement& p : placements) {
        QWidget* widget = child<QWidget>(dialog, p.name);
        QVERIFY2(widget != nullptr, p.name);
        QCOMPARE(widget->geometry(), p.geometry);
    }
    const QStringList captions{"Invert VDD line (D2)", "Invert VPP line (D3)", "Invert CLOCK line (D1)",
                               "Invert DATA OUT line (D0)", "Invert DATA IN line (S6)"};
    const bool ticked[] = {false, false, true, true, true};  // the default flags
    for (int i = 0; i < 5; ++i) {
        auto* box = child<QCheckBox>(dialog, qPrintable(QStringLiteral("Check%1").arg(i + 1)));
        QCOMPARE(box->text(), captions[i]);
        QCOMPARE(box->isChecked(), ticked[i]);
        auto* label = child<QLabel>(dialog, qPrintable(QStringLiteral("Label%1").arg(i + 1)));
        QCOMPARE(label->text(), QStringLiteral("Change Pin"));
        QCOMPARE(label->alignment(), Qt::AlignCenter);
    }
    QCOMPARE(child<QPushButton>(dialog, "Command1")->text(), QStringLiteral("Close"));

    show(dialog);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(dialog, "Command1"));
    QCOMPARE(pixel(child<QWidget>(dialog, "Label1"), {1, 1}), QColor(192, 255, 192));
    QCOMPARE(child<QLabel>(dialog, "Label1")->palette().color(QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(pixel(child<QWidget>(dialog, "Check1"), {167, 1}), QColor(224, 224, 224));
    QCOMPARE(pixel(&dialog, {243, 2}), QColor(192, 192, 192));
    // Tab from Close goes down the boxes.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(dialog, "Check1"));
}

void HardwareDialogsWidgetTest::checkDialogLayout() {
    HardwareRig rig;
    rig.port.status = 0x40;  // DATA IN reads 0
    CheckHardwareDialog dialog(CheckHardware(rig.driver));
    QCOMPARE(dialog.objectName(), QStringLiteral("Form98"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Check Hardware"));
    QCOMPARE(dialog.size(), QSize(177, 169));
    const Placement placements[] = {
        {"Check1", {4, 4, 169, 21}},  {"Check2", {4, 32, 169, 21}},  {"Check3", {4, 60, 169, 21}},
        {"Check4", {4, 88, 169, 21}}, {"Check5", {4, 116, 169, 21}}, {"Command1", {124, 144, 49, 21}},
    };
    for (const Placement& p : placements) {
        QWidget* widget = child<QWidget>(dialog, p.name);
        QVERIFY2(widget != nullptr, p.name);
        QCOMPARE(widget->geometry(), p.geometry);
    }
    const QStringList captions{"Enable VDD line (D2)", "Enable VPP line (D3)", "Enable CLOCK line (D1)",
                               "Enable DATA OUT line (D0)", "Status of DATA IN line (S6)"};
    for (int i = 0; i < 5; ++i) {
        auto* box = child<QCheckBox>(dialog, qPrintable(QStringLiteral("Check%1").arg(i + 1)));
        QCOMPARE(box->text(), captions[i]);
        QVERIFY(!box->isChecked());
    }
    auto* timer = dialog.findChild<QTimer*>(QStringLiteral("Timer1"));
    QVERIFY(timer != nullptr);
    QCOMPARE(timer->interval(), 50);
    QVERIFY(timer->isActive());

    show(dialog);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(dialog, "Command1"));
    QCOMPARE(pixel(child<QWidget>(dialog, "Check4"), {167, 1}), QColor(224, 224, 224));
    QCOMPARE(pixel(&dialog, {2, 150}), QColor(192, 192, 192));
    // The four switches take part in keyboard navigation; the DATA IN display does not.
    const char* order[] = {"Check1", "Check2", "Check3", "Check4", "Command1"};
    for (const char* name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(dialog, name));
    }
}

void HardwareDialogsWidgetTest::sharedPinIsAccepted() {
    HardwareRig rig;
    HardwareSettingsDialog dialog(HardwareSettings(rig.driver, rig.settings, rig.window));
    show(dialog);
    rig.window.inputanswers = {"4"};
    QTest::mouseClick(child<QLabel>(dialog, "Label2"), Qt::LeftButton);
    QCOMPARE(rig.window.inputs.size(), std::size_t{1});
    QCOMPARE(rig.window.inputs[0].proposed, std::string("5"));
    QCOMPARE(rig.window.messages.size(), std::size_t{1});  // accepted, with a warning naming VDD
    QVERIFY(rig.window.messages[0].find("VDD") != std::string::npos);
    QCOMPARE(rig.state.pin(Line::vpp), 4);
    QCOMPARE(rig.state.pin(Line::vdd), 4);
    QCOMPARE(rig.backend.values().at("VPP Pin Num"), std::string("4"));
    QCOMPARE(child<QCheckBox>(dialog, "Check2")->text(), QStringLiteral("Invert VPP line (D2)"));
    // Both lines now drive data bit 2: the later operation wins.
    rig.driver.vddon();
    rig.driver.vppoff();
    QCOMPARE(rig.state.databyte & 0x04, 0);
}

void HardwareDialogsWidgetTest::refusedAnswers_data() {
    QTest::addColumn<int>("label");  // 1 = VDD ... 5 = DATA IN
    QTest::addColumn<QString>("answer");
    QTest::newRow("blank before 4") << 1 << " 4";
    QTest::newRow("leading zero") << 1 << "04";
    QTest::newRow("decimal point") << 1 << "4.0";
    QTest::newRow("ground pin") << 1 << "18";
    QTest::newRow("input pin for VDD") << 1 << "10";
    QTest::newRow("output pin for DATA IN") << 5 << "4";
    QTest::newRow("text") << 3 << "three";
}

void HardwareDialogsWidgetTest::refusedAnswers() {
    QFETCH(int, label);
    QFETCH(QString, answer);
    HardwareRig rig;
    HardwareSettingsDialog dialog(HardwareSettings(rig.driver, rig.settings, rig.window));
    show(dialog);
    const vornalt::DriverState before = rig.state;
    const QStringList captions = [&] {
        QStringList texts;
        for (auto* box : dialog.findChildren<QCheckBox*>()) texts << box->text();
        return texts;
    }();
    rig.clearlog();
    rig.window.inputanswers = {answer.toStdString()};
    QTest::mouseClick(child<QLabel>(dialog, qPrintable(QStringLiteral("Label%1").arg(label))), Qt::LeftButton);

    QCOMPARE(rig.window.messages, std::vector<std::string>{"Wrong Entry!"});
    QCOMPARE(rig.state.pin(Line::vdd), before.pin(Line::vdd));
    QCOMPARE(rig.state.pin(Line::clock), before.pin(Line::clock));
    QCOMPARE(rig.state.pin(Line::datain), before.pin(Line::datain));
    QVERIFY(rig.backend.values().empty());
    QCOMPARE(rig.accesses(), std::size_t{0});
    QStringList after;
    for (auto* box : dialog.findChildren<QCheckBox*>()) after << box->text();
    QCOMPARE(after, captions);
}

void HardwareDialogsWidgetTest::cancelChangesNothing() {
    HardwareRig rig;
    HardwareSettingsDialog dialog(HardwareSettings(rig.driver, rig.settings, rig.window));
    show(dialog);
    rig.clearlog();
    QTest::mouseClick(child<QLabel>(dialog, "Label1"), Qt::LeftButton);  // no answer queued: Cancel
    QCOMPARE(rig.window.inputs.size(), std::size_t{1});
    QVERIFY(rig.window.messages.empty());
    QCOMPARE(rig.state.pin(Line::vdd), 4);
    QVERIFY(rig.backend.values().empty());
    QCOMPARE(rig.accesses(), std::size_t{0});
}

void HardwareDialogsWidgetTest::movingClockLeavesTheOldPinAtItsLevel() {
    HardwareRig rig;
    HardwareSettingsDialog dialog(HardwareSettings(rig.driver, rig.settings, rig.window));
    show(dialog);
    QCOMPARE(rig.state.databyte, std::uint8_t{0x03});  // CLOCK off on pin 3 (inverted): pin 3 high
    rig.window.inputanswers = {"6"};
    QTest::mouseClick(child<QLabel>(dialog, "Label3"), Qt::LeftButton);
    QCOMPARE(rig.state.pin(Line::clock), 6);
    QCOMPARE(rig.backend.values().at("CLOCK Pin Num"), std::string("6"));
    QCOMPARE(rig.state.databyte & 0x02, 0x02);  // pin 3 keeps its last level
    QCOMPARE(rig.state.databyte & 0x10, 0x10);  // pin 6 at CLOCK's off level, high
    QCOMPARE(child<QCheckBox>(dialog, "Check3")->text(), QStringLiteral("Invert CLOCK line (D4)"));
}

void HardwareDialogsWidgetTest::dataInInversion() {
    HardwareRig rig;
    rig.state.inversion(Line::datain) = 0;
    rig.port.status = 0x40;  // pin 10 high
    HardwareSettingsDialog dialog(HardwareSettings(rig.driver, rig.settings, rig.window));
    show(dialog);
    auto* box = child<QCheckBox>(dialog, "Check5");
    QVERIFY(!box->isChecked());
    QCOMPARE(rig.driver.readdatain(), 1);

    clickbox(box);
    QVERIFY(box->isChecked());
    QCOMPARE(rig.backend.values().at("Invert DATAIN"), std::string("1"));
    QCOMPARE(rig.driver.readdatain(), 0);
    rig.port.status = 0x00;
    QCOMPARE(rig.driver.readdatain(), 1);

    clickbox(box);
    QVERIFY(!box->isChecked());
    QCOMPARE(rig.backend.values().at("Invert DATAIN"), std::string("0"));
    QCOMPARE(rig.driver.readdatain(), 0);
}

void HardwareDialogsWidgetTest::captionsFollowThePins() {
    HardwareRig rig;
    {
        HardwareSettingsDialog dialog(HardwareSettings(rig.driver, rig.settings, rig.window));
        show(dialog);
        rig.window.inputanswers = {"14"};
        QTest::mouseClick(child<QLabel>(dialog, "Label1"), Qt::LeftButton);
        QCOMPARE(child<QCheckBox>(dialog, "Check1")->text(), QStringLiteral("Invert VDD line (\\C1)"));
        dialog.close();
    }
    CheckHardwareDialog check(CheckHardware(rig.driver));
    QCOMPARE(child<QCheckBox>(check, "Check1")->text(), QStringLiteral("Enable VDD line (\\C1)"));
}

void HardwareDialogsWidgetTest::dataInBoxDoesNotFollowClicks() {
    HardwareRig rig;
    rig.port.status = 0x40;  // pin 10 high: DATA IN (inverted) reads 0
    CheckHardwareDialog dialog(CheckHardware(rig.driver));
    show(dialog);
    auto* box = child<QCheckBox>(dialog, "Check5");
    clickbox(box);
    QVERIFY(!box->isChecked());
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(dialog, "Command1"));

    rig.port.status = 0x00;  // pin 10 low: reads 1
    child<QCheckBox>(dialog, "Check1")->setFocus();
    clickbox(box);
    QVERIFY(box->isChecked());
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(dialog, "Command1"));
    clickbox(box);
    QVERIFY(box->isChecked());  // a second click does not clear it either
}

void HardwareDialogsWidgetTest::timerKeepsDataInCurrent() {
    HardwareRig rig;
    rig.port.status = 0x40;
    CheckHardwareDialog dialog(CheckHardware(rig.driver));
    show(dialog);
    auto* box = child<QCheckBox>(dialog, "Check5");
    QVERIFY(!box->isChecked());
    rig.port.status = 0x00;
    QTRY_VERIFY(box->isChecked());
    rig.port.status = 0x40;
    QTRY_VERIFY(!box->isChecked());
}

void HardwareDialogsWidgetTest::closingSwitchesPowerOffOnce_data() {
    QTest::addColumn<int>("dialogkind");  // 0 Check Hardware, 1 Hardware Settings
    // 0 Close button, 1 window close control, 2 Escape, 3 destroyed without being closed
    QTest::addColumn<int>("means");
    const char* means[] = {"Close", "close control", "Escape", "destroyed unclosed"};
    for (int m = 0; m < 4; ++m) {
        QTest::addRow("Check Hardware, %s", means[m]) << 0 << m;
        QTest::addRow("Hardware Settings, %s", means[m]) << 1 << m;
    }
}

void HardwareDialogsWidgetTest::closingSwitchesPowerOffOnce() {
    QFETCH(int, dialogkind);
    QFETCH(int, means);
    HardwareRig rig;
    std::unique_ptr<QDialog> dialog;
    if (dialogkind == 0) {
        dialog = std::make_unique<CheckHardwareDialog>(CheckHardware(rig.driver));
        show(*dialog);
        clickbox(child<QCheckBox>(*dialog, "Check1"));
        clickbox(child<QCheckBox>(*dialog, "Check2"));
    } else {
        dialog = std::make_unique<HardwareSettingsDialog>(HardwareSettings(rig.driver, rig.settings, rig.window));
        show(*dialog);
        rig.driver.vddon();
        rig.driver.vppon();
    }
    QVERIFY(decode_default(rig.state.databyte).vdd);
    QVERIFY(decode_default(rig.state.databyte).vpp);
    rig.clearlog();

    switch (means) {
    case 0: QTest::mouseClick(child<QPushButton>(*dialog, "Command1"), Qt::LeftButton); break;
    case 1: dialog->close(); break;
    case 2: QTest::keyClick(dialog.get(), Qt::Key_Escape); break;
    default: break;
    }
    QCOMPARE(dialog->isVisible(), means == 3);
    dialog.reset();

    const auto writes = rig.writes();
    QCOMPARE(writes.size(), std::size_t{6});  // once, and not again when the dialog goes away
    QVERIFY(!decode_default(writes[0].data).vdd);
    QVERIFY(decode_default(writes[0].data).vpp);  // VDD went first
    QVERIFY(!decode_default(writes[3].data).vpp);
    QVERIFY(!decode_default(writes[3].data).clock);
    QVERIFY(!decode_default(writes[3].data).dataout);
}

QTEST_MAIN(HardwareDialogsWidgetTest)
#include "hardware_dialogs_widget_test.moc"
