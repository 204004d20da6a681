// A whole 16F877A Program All (8192 words, 256 EEPROM bytes) on the simulator with real waits,
// through the desktop window's Program All button and through vornalt-cli, alternately. Prints
// every run, the medians and the window's time relative to the command line's.
//
// Usage: program_all_bench [RUNS]   (default 3 of each; every run takes several seconds)
// The chips and settings live in a temporary HOME removed at the end; vornalt-cli is the one
// beside this program.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/window/window_rig.h"
#include "image/hex_loader.h"
#include "image/hex_writer.h"

extern char** environ;

namespace vornalt::bench {
namespace {

namespace fs = std::filesystem;
using Seconds = std::chrono::duration<double>;

// One timed run: wall time and the processor time the programming process spent.
struct Timing {
    double wall_s = 0;
    double cpu_s = 0;
    int paints = 0;  // paint events the window handled (window runs only)
};

double threadcpu_s() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Counts the paint events of all widgets while it lives: how often the run repainted.
class PaintCounter final : public QObject {
public:
    PaintCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~PaintCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    int paints() const { return paints_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints_;
        return QObject::eventFilter(watched, event);
    }

private:
    int paints_ = 0;
};

constexpr const char* k_model = "16F877A";

struct Folders {
    fs::path root;
    fs::path home;
    fs::path datahome;
    fs::path hexfile;
    fs::path chipfile;
};

// Both programs see the same fresh HOME and XDG folders, so they share the simulated chip's file
// and neither touches the user's.
Folders isolatedfolders() {
    Folders f;
    f.root = fs::temp_directory_path() / ("vornalt-bench-programall-" + std::to_string(::getpid()));
    f.home = f.root / "home";
    f.datahome = f.home / "data";
    fs::create_directories(f.datahome);
    fs::create_directories(f.home / "config");
    fs::create_directories(f.home / "runtime");
    fs::permissions(f.home / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("HOME", f.home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (f.home / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", f.datahome.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (f.home / "runtime").c_str(), 1);
    f.hexfile = f.root / "full.hex";
    f.chipfile = f.datahome / "vornalt" / "sim" / (std::string(k_model) + ".hex");
    return f;
}

// Every FLASH word and EEPROM byte used, with contents that differ from word to word.
MemoryImage fullimage(const DeviceCatalogue& catalogue, AppliedModel& model) {
    MemoryImage image;
    const Status applied = applymodel(catalogue, std::stoi(modelnumber(catalogue, k_model)), model, image);
    if (!applied) throw std::runtime_error(applied.error().message);
    clearbuffer(image, model.config1erased, model.config2erased);
    if (image.flashsize != 8192 || image.eepromsize != 256) throw std::runtime_error("16F877A is not 8192 + 256 here");
    for (std::size_t i = 0; i < image.flashbuffer.size(); ++i)
        image.flashbuffer[i] = static_cast<std::int32_t>((i * 0x0765 + 0x1234) & 0x3FFF);
    for (std::size_t i = 0; i < image.eeprombuffer.size(); ++i) image.eeprombuffer[i] = static_cast<std::int32_t>((i * 37 + 1) & 0xFF);
    image.config1word = 0x3F3A;  // no code protection, so the chip reads back what it holds
    return image;
}

// The chip file holds exactly the image's memory: the run really programmed the chip.
void checkchip(const Folders& f, const AppliedModel& model, const MemoryImage& expected, const char* who) {
    MemoryImage chip;
    chip.flashsize = expected.flashsize;
    chip.eepromsize = expected.eepromsize;
    clearbuffer(chip, model.config1erased, model.config2erased);
    const HexLoadResult loaded = loadhex(f.chipfile.string(), chip);
    if (!loaded.ok) throw std::runtime_error(std::string(who) + ": chip file: " + loaded.message);
    if (chip.flashbuffer != expected.flashbuffer || chip.eeprombuffer != expected.eeprombuffer ||
        chip.config1word != expected.config1word) {
        throw std::runtime_error(std::string(who) + ": the chip does not hold the image after Program All");
    }
}

Timing windowrun(const Folders& f) {
    WindowRig rig(k_model, f.datahome.string(), false);
    Session& session = rig.session();
    const HexLoadResult loaded = loadhex(f.hexfile.string(), internals(session).image());
    if (!loaded.ok) throw std::runtime_error(loaded.message);
    internals(session).app().label_hex = f.hexfile.filename().string();
    rig.window().updatedisplay();

    Timing timing;
    PaintCounter counter;
    const double cpustart = threadcpu_s();
    const auto start = std::chrono::steady_clock::now();
    rig.button("Command1").click();
    timing.wall_s = Seconds(std::chrono::steady_clock::now() - start).count();
    timing.cpu_s = threadcpu_s() - cpustart;
    timing.paints = counter.paints();

    const auto* status = rig.window().findChild<QLabel*>(QStringLiteral("label_status"));
    if (status == nullptr || status->text() != QStringLiteral("Chip programmed")) {
        throw std::runtime_error("window: the status line reads '" + (status ? status->text().toStdString() : "") + "'");
    }
    if (Status finished = session.finish(); !finished) throw std::runtime_error(finished.error().message);
    return timing;
}

Timing clirun(const Folders& f, const std::string& cli) {
    const std::string output = (f.root / "cli.out").string();
    std::vector<std::string> args{cli, "--port", "sim", "--model", k_model, "program", f.hexfile.string()};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, cli.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + cli);
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0) {
    }
    Timing timing;
    timing.wall_s = Seconds(std::chrono::steady_clock::now() - start).count();
    timing.cpu_s = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("vornalt-cli program failed; see " + output);
    return timing;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Removes the temporary HOME however the harness ends.
struct RemoveOnExit {
    fs::path path;
    ~RemoveOnExit() {
        std::error_code error;
        fs::remove_all(path, error);
    }
};

int run(const Folders& f, int runs) {
    Startup started = startedorthrow();
    AppliedModel model;
    const MemoryImage image = fullimage(started.catalogue, model);
    if (Status saved = savehex(f.hexfile.string(), image, model.config2used); !saved) throw std::runtime_error(saved.error().message);
    const std::string cli = started.state.applicationfolder + "vornalt-cli";

    std::vector<double> window;
    std::vector<double> commandline;
    for (int i = 0; i < runs; ++i) {
        fs::remove(f.chipfile);
        const Timing w = windowrun(f);
        checkchip(f, model, image, "window");
        fs::remove(f.chipfile);
        const Timing c = clirun(f, cli);
        checkchip(f, model, image, "vornalt-cli");
        window.push_back(w.wall_s);
        commandline.push_back(c.wall_s);
        std::printf("run %d: window %.3f s (cpu %.3f s, %d paints), vornalt-cli %.3f s (cpu %.3f s, whole process)\n",
                    i + 1, w.wall_s, w.cpu_s, w.paints, c.wall_s, c.cpu_s);
        std::fflush(stdout);
    }
    const double w = median(window);
    const double c = median(commandline);
    std::printf("median: window %.3f s, vornalt-cli %.3f s, window / cli = %.3f (%+.1f %%)\n", w, c, w / c,
                (w / c - 1) * 100);
    return 0;
}

}  // namespace
}  // namespace vornalt::bench

namespace {

int benchmain(int argc, char** argv) {
    using namespace vornalt::bench;
    useoffscreenplatform();
    // The folders and their environment come before the toolkit, which reads it as it starts.
    const Folders folders = isolatedfolders();
    const RemoveOnExit cleanup{folders.root};
    QApplication application(argc, argv);
    return run(folders, argc > 1 ? std::max(1, std::atoi(argv[1])) : 3);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return benchmain(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "program_all_bench: %s\n", error.what());
        return 1;
    }
}
