// A continuous stream into the PC serial port of the USART page, as a device at 115200 baud
// sends it (about 11.5 KB/s), from the far end of a pseudo terminal. The page is shown in
// the main window on the simulated KOVA-H (whose poll fetches the card's port meanwhile).
// Reports bytes lost, the CPU the whole program used, and the longest gap between two
// 20 ms timer ticks of the GUI thread.
//   usart_stream [seconds] [bytes-per-second] [--hex] [--one-line]
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include "bench_probes.h"
#include "searched_window.h"
#include "app/CKestIO_TestDlg.h"
#include "bus_fixture.h"
#include "ecat/adapter.h"
#include "pages/CUsartDlg.h"
#include "simulated_adapter/simulated_adapter.h"

using bench::cpu_seconds;
using bench::wait_ms;

namespace {

using clock_type = std::chrono::steady_clock;

// Printable text, in lines of 64 characters unless one_line.
std::string stream_text(size_t length, bool one_line)
{
    std::string text(length, ' ');
    for (size_t i = 0; i < length; ++i)
        text[i] = !one_line && i % 65 == 64 ? '\n' : char('!' + (i * 7 + i / 65) % 94);
    return text;
}

// Writes the text to fd at rate bytes per second, in 10 ms slices on an absolute schedule.
void write_paced(int fd, const std::string& text, int rate, std::atomic<bool>& stop)
{
    size_t slice = size_t(std::max(1, rate / 100));
    auto next = clock_type::now();
    for (size_t done = 0; done < text.size() && !stop;) {
        size_t length = std::min(slice, text.size() - done);
        ssize_t n = ::write(fd, text.data() + done, length);
        if (n > 0)
            done += size_t(n);
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int seconds = 60, rate = 11520;
    bool hex = false, one_line = false;
    for (int i = 1, number = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hex") == 0)
            hex = true;
        else if (std::strcmp(argv[i], "--one-line") == 0)
            one_line = true;
        else if (number++ == 0)
            seconds = std::max(1, atoi(argv[i]));
        else
            rate = std::max(100, atoi(argv[i]));
    }

    auto opened = bench::open_searched_window("KOVA-H", 1, 6);
    if (!opened)
        return 1;
    CKestIO_TestDlg& window = *opened->window;
    QTabBar* tabs = opened->tabs;
    tabs->setCurrentIndex(1);
    auto* page = static_cast<CUsartDlg*>(window.page(page_kind::usart));

    int far = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (far < 0 || ::grantpt(far) != 0 || ::unlockpt(far) != 0) {
        std::fprintf(stderr, "no pseudo terminal\n");
        return 1;
    }
    page->findChild<QComboBox*>("id1011")->setEditText(QString::fromLocal8Bit(::ptsname(far)));
    if (hex)
        page->findChild<QCheckBox*>("id1150")->setChecked(true);
    page->findChild<QPushButton*>("id1051")->click();
    if (!page->pc_port_open()) {
        std::fprintf(stderr, "the PC side did not open %s\n", ::ptsname(far));
        return 1;
    }

    // the largest gap between two ticks of a 20 ms timer on the GUI thread
    qint64 largest_gap_ms = 0;
    QElapsedTimer since_tick;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { largest_gap_ms = std::max(largest_gap_ms, since_tick.restart()); });
    since_tick.start();
    ticker.start(20);

    std::string text = stream_text(size_t(seconds) * size_t(rate), one_line);
    double cpu_before = cpu_seconds();
    auto started = clock_type::now();
    std::atomic<bool> stop{false};
    std::thread writer([&] { write_paced(far, text, rate, stop); });
    auto* shown = page->findChild<QLabel*>("id1105");
    auto deadline = started + std::chrono::seconds(seconds + 10);
    while (shown->text().toLongLong() < qint64(text.size()) && clock_type::now() < deadline)
        wait_ms(50);
    double wall = std::chrono::duration<double>(clock_type::now() - started).count();
    double cpu = cpu_seconds() - cpu_before;
    stop = true;
    writer.join();

    qint64 received = shown->text().toLongLong();
    // the box breaks runs longer than its line limit: compare without line breaks
    QString box = page->findChild<QPlainTextEdit*>("id1005")->toPlainText().remove('\n');
    QString sent = QString::fromStdString(text).remove('\n');
    bool intact = hex ? box.size() == 3 * qsizetype(text.size()) : box == sent;
    std::printf("%d s at %d B/s%s%s: %zu bytes sent, %lld shown (%lld lost), text %s; CPU %.1f %% of one core "
                "(%.1f s in %.1f s); largest gap between 20 ms ticks %lld ms\n",
                seconds, rate, hex ? ", hex display" : "", one_line ? ", one line" : ", 64-character lines",
                text.size(), static_cast<long long>(received), static_cast<long long>(qint64(text.size()) - received),
                intact ? "intact" : "DIFFERS", 100.0 * cpu / wall, cpu, wall, static_cast<long long>(largest_gap_ms));
    page->findChild<QPushButton*>("id1051")->click();
    ::close(far);
    ecat::adapter_unregister_wires();
    return received == qint64(text.size()) && intact ? 0 : 1;
}
