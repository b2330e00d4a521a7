#include "searched_window.h"

#include <chrono>
#include <cstdio>

#include <QCoreApplication>
#include <QPushButton>
#include <QTabBar>

#include "bench_probes.h"
#include "bus_fixture.h"
#include "simulated_adapter/simulated_adapter.h"

namespace bench {

std::optional<searched_window> open_searched_window(const std::string& spec, unsigned cards, int tab_count)
{
    searched_window opened;
    std::string error;
    opened.bus = simulated::register_simulated_adapter(spec, error);
    if (!opened.bus) {
        std::fprintf(stderr, "simulated bus: %s\n", error.c_str());
        return std::nullopt;
    }
    opened.window = std::make_unique<CKestIO_TestDlg>(*opened.master,
                                                      QString::fromStdString(simulated::simulated_adapter_name(spec)));
    CKestIO_TestDlg& window = *opened.window;
    window.show();
    auto ready_by = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!apptest::wait_until_ready(*opened.master, cards, 100) && std::chrono::steady_clock::now() < ready_by)
        QCoreApplication::processEvents();
    window.findChild<QPushButton*>("id1050")->click();
    opened.tabs = window.findChild<QTabBar*>("id1000");
    while (window.info_thread().running() || (tab_count && opened.tabs->count() != tab_count))
        wait_ms(10);
    return opened;
}

} // namespace bench
