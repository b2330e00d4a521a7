// The CAN page's timed send at the 1 ms floor on the simulated KOVA-H, with its echo node and
// the poll fetching the echoes: frames sent per second, Tx and Rx lines logged, the longest
// time the GUI thread did not run its event loop, and the program's CPU time and RSS.
//   can_timed_send [seconds] [--full-log]
// --full-log fills the log to its limit first, so that the run shows the memory of a full log.
// before Qt, whose "slots" macro the card model's headers use as a name
#include "bench_probes.h"
#include "searched_window.h"
#include "sim/bus/bus.h"
#include "sim/cards/card_firmware.h"
#include "sim/cards/card_jig.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTextBlock>
#include <QTimer>

#include "app/CKestIO_TestDlg.h"
#include "bus_fixture.h"
#include "ecat/adapter.h"
#include "pages/CCanDlg.h"
#include "simulated_adapter/simulated_adapter.h"

using bench::cpu_seconds;
using bench::rss_mb;
using bench::wait_ms;

namespace {

using clock_type = std::chrono::steady_clock;
constexpr int probe_ms = 5;

// The longest gap between two runs of a 5 ms timer on the GUI thread, beyond its period.
class stall_probe {
public:
    stall_probe()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto now = clock_type::now();
            double gap = std::chrono::duration<double, std::milli>(now - last_).count() - probe_ms;
            longest_ = std::max(longest_, gap);
            last_ = now;
        });
    }
    void start()
    {
        longest_ = 0;
        last_ = clock_type::now();
        timer_.start(probe_ms);
    }
    double longest_ms() const { return longest_; }

private:
    QTimer timer_;
    clock_type::time_point last_;
    double longest_ = 0;
};

struct line_counts {
    int tx = 0, rx = 0, failed = 0;
    QString stopped;
};

line_counts count_lines(QPlainTextEdit* log)
{
    line_counts counts;
    for (QTextBlock block = log->document()->firstBlock(); block.isValid(); block = block.next()) {
        QString text = block.text();
        counts.tx += text.contains("] Tx: ");
        counts.rx += text.contains("] Rx: ");
        counts.failed += text.endsWith("] 发送失败");
        if (text.contains("] 定时发送停止"))
            counts.stopped = text;
    }
    return counts;
}

} // namespace

int main(int argc, char** argv)
{
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int seconds = 60;
    bool full_log = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--full-log") == 0)
            full_log = true;
        else
            seconds = std::max(1, atoi(argv[i]));
    }

    auto opened = bench::open_searched_window("KOVA-H", 1, 6);
    if (!opened)
        return 1;
    CKestIO_TestDlg& window = *opened->window;
    sim::bus& bus = *opened->bus;
    QTabBar* tabs = opened->tabs;
    window.resize(900, 640);
    tabs->setCurrentIndex(5);
    auto* page = static_cast<CCanDlg*>(window.page(page_kind::can));
    auto* log = page->findChild<QPlainTextEdit*>("id1005");
    if (!page->isVisible() || !log) {
        std::fprintf(stderr, "the CAN page of the KOVA-H is not shown\n");
        return 1;
    }
    if (full_log) {
        for (int i = 0; i < CCanDlg::log_line_limit; ++i)
            page->append_log(QStringLiteral("filler line %1 of the same length as a frame line .............").arg(i));
        while (log->blockCount() < CCanDlg::log_line_limit)
            wait_ms(10);
    }
    wait_ms(500);

    page->findChild<QLineEdit*>("id1032")->setText("0");
    uint64_t frames_before = apptest::object_value(bus, 0, 0x2610, 3);
    double rss_start = rss_mb();
    double cpu_start = cpu_seconds();
    auto start = clock_type::now();
    stall_probe probe;
    probe.start();
    page->findChild<QCheckBox*>("id1150")->setChecked(true);
    wait_ms(seconds * 1000);
    page->findChild<QCheckBox*>("id1150")->setChecked(false);
    double wall = std::chrono::duration<double>(clock_type::now() - start).count();
    double cpu = cpu_seconds() - cpu_start;
    double rss_end = rss_mb();
    double stall = probe.longest_ms();
    wait_ms(500); // the last send's line and the stop line
    // 0x2610:03 counts the card's sends in 16 bits
    uint64_t frames = (apptest::object_value(bus, 0, 0x2610, 3) - frames_before) & 0xFFFF;
    line_counts lines = count_lines(log);

    std::printf("timed send at 1 ms for %.1f s%s: %llu frames sent (%.1f frames/s)\n", wall,
                full_log ? ", log filled first" : "", (unsigned long long)frames, double(frames) / wall);
    auto echoes = bus.with_slave(0, [](sim::slave& s) {
        sim::cards::can_mailbox* can = sim::cards::card_of(s)->board().can();
        return std::pair{can->waiting(), can->lost()};
    });
    std::printf("log: %d Tx lines, %d Rx lines, %d send failures, %d lines held; %s\n", lines.tx, lines.rx,
                lines.failed, log->blockCount(), qPrintable(lines.stopped));
    std::printf("echoes still waiting in the card: %zu, lost to its full queue: %u\n", echoes.first, echoes.second);
    std::printf("longest GUI stall: %.1f ms beyond the %d ms probe period\n", stall, probe_ms);
    std::printf("CPU: %.1f %% of a core over the run; RSS %.1f MB at start, %.1f MB at end (%+.1f MB)\n",
                100 * cpu / wall, rss_start, rss_end, rss_end - rss_start);
    ecat::adapter_unregister_wires();
    return 0;
}
