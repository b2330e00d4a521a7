// How long a register of a real Modbus RTU slave takes to show on the Modbus page: the
// libmodbus slave on the simulated KOVA-H's pseudo terminal changes a holding register,
// the card's Modbus master reads it (interval 0x2402:03 at its default 2 ms), the KOVA-H
// poll reads the channel, the page's 40 ms timer redraws the cell. Then how long 设置 holds
// the GUI thread, and the process's CPU with the Modbus tab shown and that channel running.
//   modbus_page_latency [samples]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <vector>

#include <QAbstractItemModel>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "bench_probes.h"
#include "modbus_page_fixture.h"
#include "modbus_slave_process.h"
#include "sim/cards/card_jig.h"
#include "simulated_adapter/simulated_adapter.h"

using bench::cpu_seconds;
using bench::wait_ms;

namespace {

using clock_type = std::chrono::steady_clock;

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    size_t rank = size_t(p * double(values.size() - 1) + 0.5);
    return values[std::min(rank, values.size() - 1)];
}

// Runs the event loop until the cell shows text, or 10 s have passed.
bool wait_for_cell(QTableWidget* list, int row, int column, const QString& text)
{
    QEventLoop loop;
    QObject::connect(list->model(), &QAbstractItemModel::dataChanged, &loop, [&] {
        if (list->item(row, column)->text() == text)
            loop.quit();
    });
    QTimer::singleShot(10000, &loop, [&] { loop.exit(1); });
    return list->item(row, column)->text() == text || loop.exec() == 0;
}

// Time between two reads of the channel block's first object: one KOVA-H poll pass.
double poll_pass_ms(ecat::master& m)
{
    apptest::sdo_traffic traffic(m);
    auto start = clock_type::now();
    wait_ms(3000);
    double seconds = std::chrono::duration<double>(clock_type::now() - start).count();
    size_t passes = 0;
    for (const apptest::sdo_access& access : traffic.to(0))
        passes += access.upload && access.index == 0x3000 && access.subindex == 1;
    return passes ? 1000 * seconds / double(passes) : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int samples = argc > 1 ? std::max(10, atoi(argv[1])) : 100;

    apptest::modbus_page_fixture f;
    f.start();
    const std::string spec = "KOVA-H";
    std::string error, path;
    f.bus = simulated::register_simulated_adapter(spec, error);
    if (!f.bus || !sim::cards::bind_serial_to_pty(*f.bus, 0, path, error)) {
        std::fprintf(stderr, "simulated bus: %s\n", error.c_str());
        return 1;
    }
    apptest::modbus_slave_process slave;
    if (!slave.start(QString::fromStdString(path))) {
        std::fprintf(stderr, "the libmodbus slave did not start on %s\n", path.c_str());
        return 1;
    }
    f.window = std::make_unique<CKestIO_TestDlg>(f.bus_master,
                                                 QString::fromStdString(simulated::simulated_adapter_name(spec)));
    f.window->show();
    f.page = f.window->page(page_kind::modbus);
    if (!apptest::wait_until_ready(f.bus_master, 1, 10000) || !f.show_modbus_page_of_kova_h(0)) {
        std::fprintf(stderr, "the Modbus page of the KOVA-H is not shown\n");
        return 1;
    }
    f.set_timing("2", "1000"); // a slave in another process: 100 ms to answer
    f.configure(1, 0, 0, 3, 16, 10);
    if (!f.messages.isEmpty()) {
        std::fprintf(stderr, "setting up the channel failed\n");
        return 1;
    }
    double pass_ms = poll_pass_ms(f.bus_master);

    std::vector<double> latencies;
    unsigned missed = 0;
    for (int i = 0; i < samples; ++i) {
        int value = 1000 + i;
        // land at every point of the poll pass, not just after the channel's read
        wait_ms(1 + int((i * 37) % std::max(1, int(pass_ms))));
        auto changed = clock_type::now();
        slave.command(QStringLiteral("set holding 10 %1").arg(value));
        if (!wait_for_cell(f.list(), 0, 6, QString::number(value))) {
            ++missed;
            continue;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(clock_type::now() - changed).count());
    }

    // 设置 blocks the GUI thread for its six writes, beside the running poll
    std::vector<double> configure_ms;
    for (int i = 0; i < 20; ++i) {
        auto pressed = clock_type::now();
        f.configure(1, 1, 7, 3, 32, 200 + i);
        configure_ms.push_back(std::chrono::duration<double, std::milli>(clock_type::now() - pressed).count());
    }

    double cpu_before = cpu_seconds();
    auto wall_before = clock_type::now();
    wait_ms(10000);
    double cpu = (cpu_seconds() - cpu_before) / std::chrono::duration<double>(clock_type::now() - wall_before).count();
    long long requests = slave.number("requests");
    f.stop();

    if (latencies.empty()) {
        std::fprintf(stderr, "no register change reached the page\n");
        return 1;
    }
    std::printf("slave register change to Modbus page cell: %zu samples, p50 %.1f ms, p99 %.1f ms, max %.1f ms, "
                "%u not shown within 10 s\n",
                latencies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99), percentile(latencies, 1.0),
                missed);
    std::printf("KOVA-H poll pass over the 16 channels: %.1f ms\n", pass_ms);
    std::printf("设置 (six writes on the GUI thread, poll running): p50 %.1f ms, max %.1f ms over 20\n",
                percentile(configure_ms, 0.5), percentile(configure_ms, 1.0));
    std::printf("process CPU with the Modbus tab shown (simulated bus, master, poll, page; one channel running): "
                "%.1f %% of one core; the slave answered %lld requests\n",
                100 * cpu, requests);
    return 0;
}
