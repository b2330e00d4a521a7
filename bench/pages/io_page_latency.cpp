// How long a card input takes to show on the IO page: the simulated ZEIO's input changes
// (through its jig loop-back), the IO poll reads it, the page's refresh redraws the cell.
// Also counts the objects of one IO poll pass.
//   io_page_latency [samples]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "bench_probes.h"
#include "searched_window.h"
#include "app/CKestIO_TestDlg.h"
#include "bus_fixture.h"
#include "simulated_adapter/simulated_adapter.h"
#include "ecat/adapter.h"
#include "jig_outputs.h"
#include "pages/CMyDlg.h"

using bench::wait_ms;

namespace {

using clock_type = std::chrono::steady_clock;

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    size_t rank = size_t(p * double(values.size() - 1) + 0.5);
    return values[std::min(rank, values.size() - 1)];
}

int image_of(QTableWidget* list, int row)
{
    QVariant image = list->item(row, 1)->data(Qt::UserRole);
    return image.isValid() ? image.toInt() : -1;
}

// Runs the event loop until the input cell of row shows image, or 5 s have passed.
bool wait_for_cell(QTableWidget* list, int row, int image)
{
    QEventLoop loop;
    QObject::connect(list->model(), &QAbstractItemModel::dataChanged, &loop, [&] {
        if (image_of(list, row) == image)
            loop.quit();
    });
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    return image_of(list, row) == image || loop.exec() == 0;
}

struct poll_pass {
    size_t io_objects = 0;
    size_t ain24_objects = 0;
    double passes_per_second = 0;
};

bool of_24bit_poll(uint16_t index)
{
    return index == 0x3028 || index == 0x3029 || index == 0x3036 || index == 0x3037 || index == 0x3061;
}

// Objects between two reads of the inputs, split by the poll that reads them.
poll_pass measure_poll_pass(ecat::master& m)
{
    apptest::sdo_traffic traffic(m);
    auto start = clock_type::now();
    wait_ms(2000);
    double seconds = std::chrono::duration<double>(clock_type::now() - start).count();
    std::vector<apptest::sdo_access> accesses = traffic.to(0);
    poll_pass pass;
    std::vector<size_t> starts;
    for (size_t i = 0; i < accesses.size(); ++i)
        if (accesses[i].upload && accesses[i].index == 0x2000)
            starts.push_back(i);
    if (starts.size() < 3)
        return pass;
    for (size_t i = starts[1]; i < starts[2]; ++i)
        (of_24bit_poll(accesses[i].index) ? pass.ain24_objects : pass.io_objects)++;
    pass.passes_per_second = double(starts.size()) / seconds;
    return pass;
}

} // namespace

int main(int argc, char** argv)
{
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int samples = argc > 1 ? std::max(10, atoi(argv[1])) : 200;

    auto opened = bench::open_searched_window("ZEIO,KOVA-H,KOVA-16IO,KOVA-AD", 4, 0);
    if (!opened)
        return 1;
    CKestIO_TestDlg& window = *opened->window;
    sim::bus& bus = *opened->bus;
    CMyDlg* page = window.page(page_kind::io);
    auto* list = page->findChild<QTableWidget*>("id1002");
    if (window.selected_slave() != 0 || !page->isVisible() || !list) {
        std::fprintf(stderr, "the IO page of the ZEIO is not shown\n");
        return 1;
    }
    wait_ms(500);

    std::vector<double> latencies;
    uint16_t word = 0;
    unsigned timeouts = 0;
    for (int i = 0; i < samples; ++i) {
        int bit = i % 8;
        word ^= uint16_t(1u << bit);
        int expected = (word >> bit) & 1;
        // land at every point of the poll pass (about 140 ms), not just after its input read
        wait_ms(1 + (i * 53) % 150);
        auto changed = clock_type::now();
        set_card_outputs(bus, 0, word);
        if (!wait_for_cell(list, bit, expected)) {
            ++timeouts;
            continue;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(clock_type::now() - changed).count());
    }
    poll_pass pass = measure_poll_pass(window.master());

    if (latencies.empty()) {
        std::fprintf(stderr, "no input change reached the page\n");
        return 1;
    }
    double sum = 0;
    for (double l : latencies)
        sum += l;
    std::printf("input change to IO page cell: %zu samples, p50 %.1f ms, p99 %.1f ms, mean %.1f ms, max %.1f ms, "
                "%u not shown within 5 s\n",
                latencies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99), sum / latencies.size(),
                percentile(latencies, 1.0), timeouts);
    std::printf("IO poll pass: %zu objects (%.1f passes/s, %.1f ms each); the 24-bit poll read %zu objects "
                "meanwhile\n",
                pass.io_objects, pass.passes_per_second, 1000.0 / pass.passes_per_second, pass.ain24_objects);
    ecat::adapter_unregister_wires();
    return 0;
}
