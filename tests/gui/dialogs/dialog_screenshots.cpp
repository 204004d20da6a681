// Saves a picture of each hardware dialog as it opens with the default settings, and of Check
// Hardware on the emulated PICkit 2 with its supplies on:
//   dialog_screenshots <folder>   (QT_QPA_PLATFORM=offscreen works without a display)
// Not a test: for reviewing the layout and for the documentation.
#include <QApplication>
#include <QDir>
#include <QCheckBox>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "app/hardware_rig.h"
#include "app/pin_profile.h"
#include "gui/dialogs/check_hardware_dialog.h"
#include "gui/dialogs/hardware_settings_dialog.h"
#include "pickit/pickit_link.h"
#include "sim/pickit2_emulator.h"
#include "sim/sim_chip.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: dialog_screenshots <folder>\n");
        return 2;
    }
    const QDir folder(args[1]);
    vornalt::testing::HardwareRig rig;
    vornalt::gui::HardwareSettingsDialog settings(vornalt::HardwareSettings(rig.driver, rig.settings, rig.window));
    vornalt::gui::CheckHardwareDialog check(vornalt::CheckHardware(rig.driver));

    vornalt::testing::HardwareRig pickitrig;
    vornalt::Pickit2Emulator pickit(pickitrig.clock);
    pickit.insert(vornalt::makechip("16F84A"));
    vornalt::readpinsettings(pickitrig.state, pickitrig.settings, vornalt::pinprofile(vornalt::BackendKind::pickit2));
    vornalt::pickit::PickitLink link(pickit);
    if (const vornalt::Status opened = link.open(); !opened) {
        std::fprintf(stderr, "emulated PICkit 2: %s\n", opened.error().message.c_str());
        return 1;
    }
    pickitrig.driver.setlink(&link);
    vornalt::gui::CheckHardwareDialog pickitcheck{
        vornalt::CheckHardware(pickitrig.driver, vornalt::pinprofile(vornalt::BackendKind::pickit2))};
    pickitcheck.setObjectName(QStringLiteral("check_hardware_pickit2"));

    bool saved = true;
    for (QDialog* dialog : {static_cast<QDialog*>(&settings), static_cast<QDialog*>(&check),
                            static_cast<QDialog*>(&pickitcheck)}) {
        dialog->show();
        QApplication::processEvents();
        if (dialog == &pickitcheck) {
            // VDD and VPP on, then one reading of DATA IN measures them.
            for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
                if (box->text().contains(QStringLiteral("VDD line")) || box->text().contains(QStringLiteral("VPP line"))) {
                    box->click();
                }
            }
            QTest::qWait(600);
        }
        const QString path = folder.filePath(dialog->objectName() + QStringLiteral(".png"));
        if (!dialog->grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            saved = false;
        }
        dialog->close();
    }
    pickitrig.driver.setlink(nullptr);
    return saved ? 0 : 1;
}
