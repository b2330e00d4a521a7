// How long an AD stability run takes on the simulated KOVA-AD: the page's 12-bit run of N
// samples from 读取 to its column, against N bare uploads of the same object on the same bus.
// The AD tab is shown, so no poll competes for the card.
//   ad_run_time [samples]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QAbstractItemModel>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>

#include "bench_probes.h"
#include "searched_window.h"
#include "app/CKestIO_TestDlg.h"
#include "bus_fixture.h"
#include "ecat/adapter.h"
#include "ecat/sdo_api.h"
#include "pages/CADtest.h"
#include "simulated_adapter/simulated_adapter.h"

using bench::wait_ms;

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point start)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

// Runs the event loop (idle, as the tool's is) until the list has columns, or 120 s have passed.
bool wait_for_columns(QTableWidget* list, int columns)
{
    QEventLoop loop;
    QObject::connect(list->model(), &QAbstractItemModel::columnsInserted, &loop, [&] {
        if (list->columnCount() >= columns)
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, [&] { loop.exit(1); });
    return list->columnCount() >= columns || loop.exec() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int samples = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;

    auto opened = bench::open_searched_window("KOVA-AD", 1, 3);
    if (!opened)
        return 1;
    CKestIO_TestDlg& window = *opened->window;
    // KOVA-AD: IO, AD test, settings
    window.findChild<QTabBar*>("id1000")->setCurrentIndex(1);
    auto* page = static_cast<CADtest*>(window.page(page_kind::ad_test));
    if (!page->isVisible()) {
        std::fprintf(stderr, "the AD test page of the KOVA-AD is not shown\n");
        return 1;
    }
    wait_ms(500); // the poll passes under way end

    auto* count = page->findChild<QLineEdit*>("id1031");
    count->setText(QString::number(samples));
    emit count->editingFinished(); // as Enter finishes it

    auto* list = page->findChild<QTableWidget*>("id1002");
    auto start = clock_type::now();
    page->findChild<QPushButton*>("id1050")->click();
    if (!wait_for_columns(list, 2)) {
        std::fprintf(stderr, "the run did not end\n");
        return 1;
    }
    double run_ms = ms_since(start);

    start = clock_type::now();
    int failures = 0;
    for (int i = 0; i < samples; ++i) {
        uint8_t bytes[2];
        size_t size = 0;
        failures += ecat::master_sdo_upload(window.master(), 0, 0x2011, 0, bytes, 2, &size, nullptr) != 0;
    }
    double uploads_ms = ms_since(start);

    std::printf("12-bit run of %d samples: %.1f ms, %.0f samples/s, %.3f ms per sample\n", samples, run_ms,
                samples * 1000.0 / run_ms, run_ms / samples);
    std::printf("%d bare uploads of 0x2011:00: %.1f ms, %.3f ms each (%d failed); run / uploads = %.3f\n", samples,
                uploads_ms, uploads_ms / samples, failures, run_ms / uploads_ms);
    ecat::adapter_unregister_wires();
    return 0;
}
