#include "gui/program/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace vornalt::gui {

QString SingleInstance::defaultlockpath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder + QStringLiteral("/vornalt.lock");
}

SingleInstance::SingleInstance(const QString& lockpath) : lock_(std::make_unique<QLockFile>(lockpath)) {
    // Only a lock whose holder has died is stale, never one that is merely old: a program may
    // run for days.
    lock_->setStaleLockTime(0);
}

bool SingleInstance::acquire() { return lock_->tryLock(0); }

}  // namespace vornalt::gui
