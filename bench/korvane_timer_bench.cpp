// Lateness of korvane's repetition ticks: the main dialog (offscreen) runs a repeated send at a
// 1 ms and a 10 ms period for a few seconds, and every tick the dialog handles is measured
// against its due time on the timer's grid. Next to it, in the same run, a bare timerfd loop
// on the same grid gives the least lateness the machine allows.
//
//   korvane_tick_mean_<p>ms   mean lateness of the ticks the dialog handled, µs
//   korvane_tick_p99_<p>ms    99th percentile of it, µs
//   korvane_ticks_<p>ms       ticks handled, against the ticks due in the time
// Baselines: the bare loop's mean and 99th percentile; the due count.

#include "bench/bench_util.h"
#include "common/timing/periodic_timer.h"
#include "korvane/interfaces/byte_bus_ranges.h"
#include "korvane/tool/gui/korvane_dlg.h"
#include "korvane/tool/gui/qt_interface_services.h"

#include <QApplication>
#include <QTimer>

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace korvane;

namespace {

constexpr int kSeconds = 3;

// A bus that takes the words and answers nothing, so that only the tick path is measured.
class NullBus : public ByteBusRanges<> {
public:
    std::string displayName() override { return "Bus"; }
    bool isUsable() const override { return true; }
    void busWrite(int, int, int, int) override { ++words; }
    int busRead(int, int, int) override { return 0; }

    long words = 0;
};

struct Lateness {
    double meanUs = 0;
    double p99Us = 0;
    std::size_t count = 0;
};

Lateness summarise(std::vector<std::int64_t> latenessNs) {
    Lateness result;
    result.count = latenessNs.size();
    if (latenessNs.empty()) {
        return result;
    }
    std::sort(latenessNs.begin(), latenessNs.end());
    double sum = 0;
    for (const std::int64_t ns : latenessNs) {
        sum += static_cast<double>(ns);
    }
    result.meanUs = sum / static_cast<double>(latenessNs.size()) / 1000.0;
    result.p99Us = static_cast<double>(latenessNs[latenessNs.size() * 99 / 100]) / 1000.0;
    return result;
}

// The least a thread waiting on a timerfd grid sees.
Lateness bareTimerfd(unsigned periodMs) {
    const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    const std::int64_t period = static_cast<std::int64_t>(periodMs) * 1000000;
    const std::int64_t first = kw::PeriodicTimer::nowNs() + period;
    itimerspec schedule{};
    schedule.it_value = {static_cast<time_t>(first / 1000000000),
                     static_cast<long>(first % 1000000000)};
    schedule.it_interval = {0, static_cast<long>(period)};
    timerfd_settime(fd, TFD_TIMER_ABSTIME, &schedule, nullptr);
    std::vector<std::int64_t> lateness;
    std::uint64_t ticks = 0;
    const std::uint64_t total = static_cast<std::uint64_t>(kSeconds) * 1000 / periodMs;
    while (ticks < total) {
        std::uint64_t expirations = 0;
        if (read(fd, &expirations, sizeof expirations) != sizeof expirations) {
            break;
        }
        ticks += expirations;
        lateness.push_back(kw::PeriodicTimer::nowNs() -
                           (first + static_cast<std::int64_t>(ticks - 1) * period));
    }
    close(fd);
    return summarise(std::move(lateness));
}

// The dialog repeating a send: the lateness of every tick it handles.
Lateness dialogTicks(unsigned periodMs) {
    QtInterfaceServices services;
    InterfaceList list;
    list.shown.push_back(std::make_unique<NullBus>());
    list.current = list.shown.front().get();
    CKorvaneDlg dlg(std::move(list), services, false);
    dlg.initialise("");
    dlg.show();
    std::vector<std::int64_t> lateness;
    lateness.reserve(kSeconds * 1000 / periodMs + 16);
    dlg.setTickProbe(
        [&](std::int64_t due) { lateness.push_back(kw::PeriodicTimer::nowNs() - due); });

    KorvaneDialogModel& model = dlg.model();
    model.controls().text(DialogField::Delay) = std::to_string(periodMs);
    model.controls().repeat = true;
    model.controls().sendAOn = true;
    model.onSendAClicked();
    QTimer::singleShot(kSeconds * 1000, Qt::PreciseTimer, &dlg, [&] {
        model.onEscape();
        QCoreApplication::quit();
    });
    QApplication::exec();
    return summarise(std::move(lateness));
}

void measure(unsigned periodMs) {
    const std::string period = std::to_string(periodMs) + "ms";
    const Lateness bare = bareTimerfd(periodMs);
    const Lateness dialog = dialogTicks(periodMs);
    bench::report("korvane_tick_mean_" + period, dialog.meanUs, "us", bare.meanUs);
    bench::report("korvane_tick_p99_" + period, dialog.p99Us, "us", bare.p99Us);
    bench::report("korvane_ticks_" + period, static_cast<double>(dialog.count), "ticks",
                  kSeconds * 1000.0 / periodMs);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    measure(1);
    measure(10);
    return 0;
}
