#include "gui/program/window_loop.h"

#include <QApplication>
#include <utility>

namespace vornalt::gui {

SignalWatch::SignalWatch(const StopSignals& stopsignals, std::function<void()> onsignal) {
    QObject::connect(&timer_, &QTimer::timeout, [&stopsignals, onsignal = std::move(onsignal)] {
        if (stopsignals.received() != 0) onsignal();
    });
    timer_.start(50);
}

int runwindow(Form1& window, const StopSignals& stopsignals, std::function<void()> afterload) {
    const SignalWatch watch(stopsignals, [&window] { window.requestquit(); });
    window.show();
    // A close before the loop ran would close the last window with nobody to hear it, leaving a
    // process without a window that no signal ends.
    QTimer::singleShot(0, &window, [&window, afterload = std::move(afterload)] {
        window.formload();
        if (window.isVisible() && afterload) afterload();
    });
    return QApplication::exec();
}

}  // namespace vornalt::gui
