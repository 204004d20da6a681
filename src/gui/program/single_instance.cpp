#include "gui/program/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace vornalt::gui {
namespace {

constexpr int k_answer_ms = 2000;

}  // namespace

QString SingleInstance::defaultlockpath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder + QStringLiteral("/vornalt.lock");
}

SingleInstance::SingleInstance(const QString& lockpath)
    : lockpath_(lockpath), lock_(std::make_unique<QLockFile>(lockpath)) {
    // Only a lock whose holder has died is stale, never one that is merely old: a program may
    // run for days.
    lock_->setStaleLockTime(0);
}

QString SingleInstance::socketpath() const { return lockpath_ + QStringLiteral(".socket"); }

bool SingleInstance::acquire() {
    if (lock_->tryLock(0)) return true;
    if (lock_->error() != QLockFile::LockFailedError || holder() != 0) return false;
    // Nobody can be named as holder: the file is empty or garbage, left by a writer that never
    // finished. A copy writing it this very moment has done so after a short wait.
    if (lock_->tryLock(100)) return true;
    if (holder() != 0) return false;
    lock_->removeStaleLockFile();
    return lock_->tryLock(0);
}

qint64 SingleInstance::holder() const {
    qint64 pid = 0;
    QString host;
    QString application;
    return lock_->getLockInfo(&pid, &host, &application) ? pid : 0;
}

bool SingleInstance::listen(std::function<void(const QString& file)> handed) {
    // A socket file of a copy that crashed would block the name.
    QLocalServer::removeServer(socketpath());
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketpath())) {
        server_.reset();
        return false;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this, handed] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client, [this, client, handed] {
                if (!client->canReadLine()) return;
                const QString file = QString::fromUtf8(client->readLine()).chopped(1);
                client->write("ok\n");
                client->flush();
                // Opening the file may show boxes, whose event loops would delete this socket
                // (and this handler) under our feet: it is done once the handler has returned.
                QTimer::singleShot(0, server_.get(), [handed, file] { handed(file); });
            });
        }
    });
    return true;
}

bool SingleInstance::handover(const QString& file) {
    QLocalSocket socket;
    socket.connectToServer(socketpath());
    if (!socket.waitForConnected(k_answer_ms)) return false;
    socket.write(file.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(k_answer_ms)) return false;
    // The answer comes once the running copy has taken the name.
    return socket.waitForReadyRead(k_answer_ms) && socket.readLine().startsWith("ok");
}

}  // namespace vornalt::gui
