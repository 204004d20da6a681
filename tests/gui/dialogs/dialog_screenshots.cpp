// Saves a picture of each hardware dialog as it opens with the default settings:
//   dialog_screenshots <folder>   (QT_QPA_PLATFORM=offscreen works without a display)
// Not a test: for reviewing the layout and for the documentation.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "app/hardware_rig.h"
#include "gui/dialogs/check_hardware_dialog.h"
#include "gui/dialogs/hardware_settings_dialog.h"

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
    bool saved = true;
    for (QDialog* dialog : {static_cast<QDialog*>(&settings), static_cast<QDialog*>(&check)}) {
        dialog->show();
        QApplication::processEvents();
        const QString path = folder.filePath(dialog->objectName() + QStringLiteral(".png"));
        if (!dialog->grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            saved = false;
        }
        dialog->close();
    }
    return saved ? 0 : 1;
}
