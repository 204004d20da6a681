// Runs a program with the emulated FT232R plugged in, a 16F84A on its board:
//   emulated_ftdi_run [--vanish-after BYTES] PROGRAM [ARGS...]
// --vanish-after pulls the adapter out once that many bytes have gone to it.
// The program runs under umockdev's preload library and finds the adapter through the real libusb
// and FTDI library, as the umockdev test does. Not a test: for screenshots and trying the adapter's
// dialogs without one. Its exit status is the program's.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "sim/ft232r_emulator.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"
#include "usbdevfs_device.h"

namespace {

volatile std::sig_atomic_t g_child = 0;

// A stop meant for this process (the screenshot script ending it) is passed on to the program.
void passon(int number) {
    if (g_child > 0) kill(g_child, number);
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    long long vanishafter = -1;
    if (argc > 2 && std::string_view(argv[1]) == "--vanish-after") {
        vanishafter = std::atoll(argv[2]);
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: emulated_ftdi_run [--vanish-after BYTES] PROGRAM [ARGS...]\n");
        return 2;
    }
    // Set before any thread starts: the program inherits it, this process already runs without it.
    setenv("LD_PRELOAD", VORNALT_UMOCKDEV_PRELOAD, 1);
    using namespace vornalt;
    VirtualClock clock;
    SimBoard board(clock, BoardConnector::bitbang, k_bitbang_wiring);
    board.insert(makechip("16F84A"));
    Ft232rEmulator chip(board, clock);
    // The testbed points UMOCKDEV_DIR at itself; its worker thread answers the program's ioctls.
    UMockdevTestbed* testbed = umockdev_testbed_new();
    int status = 1;
    {
        testing::UsbdevfsDevice usb(testbed, chip);
        if (!usb.attached()) {
            std::fprintf(stderr, "emulated_ftdi_run: %s\n", usb.error().c_str());
        } else {
            usb.vanishafter(vanishafter);
            std::signal(SIGTERM, passon);
            std::signal(SIGINT, passon);
            const pid_t child = fork();
            if (child == 0) {
                execvp(argv[first], argv + first);
                std::perror(argv[first]);
                _exit(127);
            }
            g_child = child;
            int waited = 0;
            pid_t ended = -1;
            do {
                ended = waitpid(child, &waited, 0);
            } while (ended < 0 && errno == EINTR);
            if (child > 0 && ended == child && WIFEXITED(waited)) status = WEXITSTATUS(waited);
        }
    }
    g_object_unref(testbed);
    return status;
}
