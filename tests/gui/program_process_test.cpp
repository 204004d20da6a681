// The desktop program as a process: its answers on the terminal, one running copy at a time,
// and an orderly end on SIGTERM. Each run has private home, configuration, data and runtime
// folders, and draws on the offscreen platform.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

namespace vornalt::testing {

class ProgramProcessTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;

    // display false: no display to open, as on a terminal of a server.
    QProcess* start(const QStringList& arguments, bool display = true) {
        auto* process = new QProcess(this);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* folder : {"config", "data", "runtime"}) QDir(home_.path()).mkpath(QString::fromLatin1(folder));
        QFile::setPermissions(home_.filePath(QStringLiteral("runtime")), QFileDevice::ReadOwner |
                                                                              QFileDevice::WriteOwner |
                                                                              QFileDevice::ExeOwner);
        environment.insert(QStringLiteral("HOME"), home_.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.filePath(QStringLiteral("runtime")));
        if (display) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(QString::fromLatin1(name));
        }
        process->setProcessEnvironment(environment);
        process->start(QStringLiteral(VORNALT_GUI_PATH), arguments);
        return process;
    }

    // True once the running copy holds its lock, i.e. its window is about to open.
    bool waitforlock() {
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(home_.filePath(QStringLiteral("runtime/vornalt.lock")))) {
            if (waited.elapsed() > 10000) return false;
            QTest::qWait(20);
        }
        return true;
    }

    // A one-word HEX file in the home folder.
    QString writehex(const char* name) {
        const QString path = home_.filePath(QString::fromLatin1(name));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) file.write(":020000000528D1\n:00000001FF\n");
        return path;
    }

    QString recentfile() {
        const QSettings saved(home_.filePath(QStringLiteral("config/Vornalt/Vornalt.ini")), QSettings::IniFormat);
        return saved.value(QStringLiteral("Recent File 1")).toString();
    }

private slots:
    void help_and_version_answer_on_the_terminal() {
        for (const char* option : {"--help", "--version"}) {
            for (const bool display : {true, false}) {
                QProcess* process = start({QString::fromLatin1(option)}, display);
                QVERIFY(process->waitForFinished(10000));
                QCOMPARE(process->exitStatus(), QProcess::NormalExit);
                QCOMPARE(process->exitCode(), 0);
                QVERIFY(process->readAllStandardOutput().contains("vornalt"));
            }
        }
        QProcess* wrong = start({QStringLiteral("--no-such-option")});
        QVERIFY(wrong->waitForFinished(10000));
        QCOMPARE(wrong->exitCode(), 2);
    }

    void a_second_copy_ends_at_once_and_the_first_ends_cleanly_on_sigterm() {
        const QString trace = home_.filePath(QStringLiteral("lines.vcd"));
        QProcess* first = start({QStringLiteral("--simulate"), QStringLiteral("--trace"), trace});
        QVERIFY(first->waitForStarted(10000));
        QVERIFY(waitforlock());

        QElapsedTimer took;
        took.start();
        QProcess* second = start({QStringLiteral("--simulate")});
        QVERIFY(second->waitForFinished(5000));
        QVERIFY2(took.elapsed() < 1000, qPrintable(QStringLiteral("%1 ms").arg(took.elapsed())));
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(second->readAllStandardError().contains("another copy is running"));
        QCOMPARE(first->state(), QProcess::Running);

        // A second copy with a file hands it over; the first opens it (and lists it as recent).
        const QString hex = writehex("handed.hex");
        QProcess* handing = start({QStringLiteral("--simulate"), hex});
        QVERIFY(handing->waitForFinished(5000));
        QCOMPARE(handing->exitCode(), 0);
        QVERIFY(handing->readAllStandardError().contains("was handed to it"));

        ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
        QVERIFY(first->waitForFinished(10000));
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 0);
        // The trace got its final name: the program ended through its own shutdown.
        QVERIFY(QFile::exists(trace));
        QCOMPARE(recentfile(), hex);
    }

    void a_lock_file_nobody_could_have_written_is_stale() {
        for (const QByteArray& contents : {QByteArray(), QByteArray("\x01garbage\xff\n")}) {
            QDir(home_.path()).mkpath(QStringLiteral("runtime"));
            QFile lock(home_.filePath(QStringLiteral("runtime/vornalt.lock")));
            QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
            lock.write(contents);
            lock.close();
            // Given a file at start, the window opens it.
            const QString hex = writehex("atstart.hex");
            QProcess* next = start({QStringLiteral("--simulate"), hex});
            QVERIFY(next->waitForStarted(10000));
            QVERIFY(!next->waitForFinished(1500));  // still running: the lock was taken over
            ::kill(static_cast<pid_t>(next->processId()), SIGTERM);
            QVERIFY(next->waitForFinished(10000));
            QCOMPARE(next->exitCode(), 0);
            QCOMPARE(recentfile(), hex);
        }
    }

    void a_crashed_copy_does_not_keep_the_next_one_out() {
        QProcess* crashed = start({QStringLiteral("--simulate")});
        QVERIFY(crashed->waitForStarted(10000));
        QVERIFY(waitforlock());
        crashed->kill();  // SIGKILL: no handler runs, the lock file stays behind
        QVERIFY(crashed->waitForFinished(10000));

        QProcess* next = start({QStringLiteral("--simulate")});
        QVERIFY(next->waitForStarted(10000));
        QVERIFY(!next->waitForFinished(1500));  // still running: it took over the lock
        ::kill(static_cast<pid_t>(next->processId()), SIGTERM);
        QVERIFY(next->waitForFinished(10000));
        QCOMPARE(next->exitCode(), 0);
    }
};

}  // namespace vornalt::testing

QTEST_GUILESS_MAIN(vornalt::testing::ProgramProcessTest)
#include "program_process_test.moc"
