// The desktop program as a process: its answers on the terminal, one running copy at a time,
// and an orderly end on SIGTERM. Each run has private home, configuration, data and runtime
// folders, and draws on the offscreen platform.
#include <QDir>
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

    // display false: no display to open, as on a terminal of a server. program: another copy of
    // the program to start.
    QProcess* start(const QStringList& arguments, bool display = true, const QString& program = {}) {
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
        process->start(program.isEmpty() ? QStringLiteral(VORNALT_GUI_PATH) : program, arguments);
        return process;
    }

    // True once a running copy holds its lock (`process`'s own, by the id in it, when given).
    bool waitforlock(const QProcess* process = nullptr) {
        QFile lock(home_.filePath(QStringLiteral("runtime/vornalt.lock")));
        return QTest::qWaitFor([&] {
            if (process == nullptr) return lock.exists();
            const bool held = lock.open(QIODevice::ReadOnly) && lock.readLine().trimmed() == QByteArray::number(process->processId());
            lock.close();
            return held;
        }, 10000);
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

    // True once the running copy has opened `hex` (each setting is written through at once).
    bool waitforrecent(const QString& hex) {
        return QTest::qWaitFor([&] { return recentfile() == hex; }, 10000);
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

        QProcess* second = start({QStringLiteral("--simulate")});
        QVERIFY(second->waitForFinished(5000));
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(second->readAllStandardError().contains("another copy is running"));
        QCOMPARE(first->state(), QProcess::Running);

        // A second copy with a file hands it over; the first opens it (and lists it as recent).
        const QString hex = writehex("handed.hex");
        QProcess* handing = start({QStringLiteral("--simulate"), hex});
        QVERIFY(handing->waitForFinished(5000));
        QCOMPARE(handing->exitCode(), 0);
        QVERIFY(handing->readAllStandardError().contains("was handed to it"));
        QVERIFY(waitforrecent(hex));

        ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
        QVERIFY(first->waitForFinished(10000));
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 0);
        // The trace got its final name: the program ended through its own shutdown.
        QVERIFY(QFile::exists(trace));
        QCOMPARE(recentfile(), hex);
    }

    void a_lock_file_nobody_could_have_written_is_stale() {
        int round = 0;
        for (const QByteArray& contents : {QByteArray(), QByteArray("\x01garbage\xff\n")}) {
            QDir(home_.path()).mkpath(QStringLiteral("runtime"));
            QFile lock(home_.filePath(QStringLiteral("runtime/vornalt.lock")));
            QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
            lock.write(contents);
            lock.close();
            // Given a file at start, the window opens it.
            const QString hex = writehex(++round == 1 ? "atstart1.hex" : "atstart2.hex");
            QProcess* next = start({QStringLiteral("--simulate"), hex});
            QVERIFY(next->waitForStarted(10000));
            QVERIFY(waitforlock(next));  // the lock was taken over
            QCOMPARE(next->state(), QProcess::Running);
            // The lock is taken before the window opens the file: wait for the file, not for time.
            QVERIFY(waitforrecent(hex));
            ::kill(static_cast<pid_t>(next->processId()), SIGTERM);
            QVERIFY(next->waitForFinished(10000));
            QCOMPARE(next->exitCode(), 0);
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
        QVERIFY(waitforlock(next));  // it took over the lock
        QCOMPARE(next->state(), QProcess::Running);
        ::kill(static_cast<pid_t>(next->processId()), SIGTERM);
        QVERIFY(next->waitForFinished(10000));
        QCOMPARE(next->exitCode(), 0);
    }

    // A window that runs nothing keeps no chip file locked: vornalt-cli programs the window's
    // simulated chip (the same file) while the window is open.
    void a_window_that_runs_nothing_does_not_keep_the_terminal_out() {
        const QString hex = writehex("firmware.hex");
        QProcess* window = start({QStringLiteral("--simulate"), hex});
        QVERIFY(waitforrecent(hex));  // after the load sequence, which put the model's chip in
        QProcess* cli = start(QStringLiteral("--catalogue %1 --model 16F84A --port sim --sim-speed instant program %2")
                                  .arg(QStringLiteral(VORNALT_SHIPPED_CATALOGUE), hex).split(QLatin1Char(' ')),
                              false, QStringLiteral(VORNALT_CLI_PATH));
        QVERIFY(cli->waitForFinished(30000));
        QVERIFY2(cli->exitCode() == 0, cli->readAllStandardError().constData());
        ::kill(static_cast<pid_t>(window->processId()), SIGTERM);
        QVERIFY(window->waitForFinished(10000));
    }

    // The start-up box of a missing catalogue waits for OK, but not when the session ends.
    void a_signal_closes_a_start_up_box() {
        const QString alone = home_.filePath(QStringLiteral("alone/vornalt"));  // no devices.cfg beside it
        QVERIFY(QDir().mkpath(home_.filePath(QStringLiteral("alone"))) && QFile::copy(QStringLiteral(VORNALT_GUI_PATH), alone));
        QProcess* process = start({QStringLiteral("--simulate")}, true, alone);
        QVERIFY(waitforlock(process));
        ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
        QVERIFY(process->waitForFinished(10000));
    }
};

}  // namespace vornalt::testing

QTEST_GUILESS_MAIN(vornalt::testing::ProgramProcessTest)
#include "program_process_test.moc"
