#pragma once
// One copy of the desktop program at a time: a lock file in the user's runtime folder, held for
// the whole run. The operating system releases it when the process ends in any way, a crash
// included. Beside it the running copy listens on a local socket, so that a second copy can hand
// it a file to open (or just bring it to the front) instead of ending unheard.
#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

namespace vornalt::gui {

class SingleInstance {
public:
    // The lock file: vornalt.lock in the runtime folder (XDG_RUNTIME_DIR and the like), the
    // temporary folder where there is none.
    static QString defaultlockpath();

    explicit SingleInstance(const QString& lockpath = defaultlockpath());

    // True when this process now holds the lock; false when another running copy holds it. A
    // lock file whose holder cannot be read (empty, garbage) is stale: no copy wrote it whole.
    bool acquire();

    // The running copy: from now on each hand-over calls `handed` with the file named (empty
    // when none was). False when the socket cannot be opened; the program runs on without it.
    bool listen(std::function<void(const QString& file)> handed);

    // A second copy: hands `file` (full name, or empty) to the running copy. False when it did
    // not answer.
    bool handover(const QString& file);

    // The process id the lock file names, 0 when unknown.
    qint64 holder() const;

private:
    QString socketpath() const;

    QString lockpath_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace vornalt::gui
