#pragma once
// One copy of the desktop program at a time: a lock file in the user's runtime folder, held for
// the whole run. The operating system releases it when the process ends in any way, a crash
// included, so it never goes stale.
#include <QLockFile>
#include <QString>
#include <memory>

namespace vornalt::gui {

class SingleInstance {
public:
    // The lock file: vornalt.lock in the runtime folder (XDG_RUNTIME_DIR and the like), the
    // temporary folder where there is none.
    static QString defaultlockpath();

    explicit SingleInstance(const QString& lockpath = defaultlockpath());

    // True when this process now holds the lock; false when another running copy holds it.
    bool acquire();

private:
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace vornalt::gui
