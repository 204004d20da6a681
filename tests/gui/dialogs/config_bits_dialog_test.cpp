// The Configuration Bits dialog on the shipped field definitions: drop-downs and raw words kept
// in step both ways, unnamed bits shown as such, code protection called out.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "catalogue/catalogue.h"
#include "gui/dialogs/config_bits_dialog.h"

using vornalt::gui::ConfigBitsDialog;

namespace {

vornalt::AppliedModel shippedmodel(const char* name) {
    vornalt::AppliedModel model;
    vornalt::Result<vornalt::DeviceCatalogue> catalogue = vornalt::loadcatalogue(VORNALT_SHIPPED_CATALOGUE);
    if (!catalogue) return model;
    const std::vector<std::string> names = vornalt::modelnames(catalogue.value());
    for (std::size_t i = 0; i < names.size(); ++i) {
        vornalt::MemoryImage image;
        if (names[i] == name) (void)vornalt::applymodel(catalogue.value(), static_cast<std::int32_t>(i + 1), model, image);
    }
    return model;
}

// A choice as the user makes it: the item picked, then the signal a pick sends.
void choose(QComboBox* box, const QString& prefix) {
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).startsWith(prefix)) {
            box->setCurrentIndex(i);
            emit box->activated(i);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no item %1 in %2").arg(prefix, box->objectName())));
}

}  // namespace

class ConfigBitsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void a_field_choice_writes_its_bits_and_the_raw_word() {
        const vornalt::AppliedModel model = shippedmodel("16F877A");
        QVERIFY(!model.configfields.empty());
        ConfigBitsDialog dialog(model.configfields, {0x3FFF, 0x3FFF}, 1);
        QVERIFY(dialog.findChild<QLineEdit*>(QStringLiteral("raw2")) == nullptr);
        auto* raw = dialog.findChild<QLineEdit*>(QStringLiteral("raw1"));
        QCOMPARE(raw->text(), QStringLiteral("3FFF"));

        choose(dialog.findChild<QComboBox*>(QStringLiteral("FOSC")), QStringLiteral("HS "));
        choose(dialog.findChild<QComboBox*>(QStringLiteral("WDTE")), QStringLiteral("OFF "));
        QCOMPARE(dialog.words()[0], 0x3FFA);
        QCOMPARE(raw->text(), QStringLiteral("3FFA"));

        auto* warning = dialog.findChild<QLabel*>(QStringLiteral("protectionwarning"));
        QVERIFY(!warning->text().contains(QStringLiteral("is on")));
        choose(dialog.findChild<QComboBox*>(QStringLiteral("CP")), QStringLiteral("ON "));
        QCOMPARE(dialog.words()[0], 0x1FFA);
        QVERIFY(warning->text().contains(QStringLiteral("is on")));
    }

    void a_typed_word_moves_the_fields_and_unnamed_bits_show_as_such() {
        const vornalt::AppliedModel model = shippedmodel("16F877");
        ConfigBitsDialog dialog(model.configfields, {0x3FFF, 0x3FFF}, 1);
        auto* raw = dialog.findChild<QLineEdit*>(QStringLiteral("raw1"));
        auto* cp = dialog.findChild<QComboBox*>(QStringLiteral("CP"));
        const int named = cp->count();
        raw->selectAll();
        QTest::keyClicks(raw, QStringLiteral("2f72"));  // CP halves disagree: 20h and 30h
        QCOMPARE(dialog.words()[0], 0x2F72);
        QVERIFY(dialog.findChild<QComboBox*>(QStringLiteral("FOSC"))->currentText().startsWith(QStringLiteral("HS ")));
        QCOMPARE(cp->count(), named + 1);
        QVERIFY(cp->currentText().contains(QStringLiteral("2030h")));

        choose(cp, QStringLiteral("OFF "));
        QCOMPARE(dialog.words()[0], 0x3F72);
        QCOMPARE(cp->count(), named);
        QCOMPARE(raw->text(), QStringLiteral("3F72"));
    }

    void the_second_word_has_its_own_fields() {
        const vornalt::AppliedModel model = shippedmodel("16F88");
        ConfigBitsDialog dialog(model.configfields, {0x3FFF, 0x3FFF}, 2);
        choose(dialog.findChild<QComboBox*>(QStringLiteral("IESO")), QStringLiteral("OFF "));
        QCOMPARE(dialog.words()[0], 0x3FFF);
        QCOMPARE(dialog.words()[1], 0x3FFD);
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("raw2"))->text(), QStringLiteral("3FFD"));
    }
};

QTEST_MAIN(ConfigBitsDialogTest)
#include "config_bits_dialog_test.moc"
