// How long the AD test page takes to apply a read count: 10 to 10,000 on an empty table,
// then 10,000 to 10 and back with three result columns of 10,000 samples (runs without a
// card, every sample "读失败"). The time from Enter in the count field to the table redrawn.
//   ad_count_apply
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "fake_page_context.h"
#include "pages/CADtest.h"

namespace {

using clock_type = std::chrono::steady_clock;

// Types count into the field and finishes it; the time until the list has drawn it.
double apply_ms(CADtest& page, int count)
{
    auto* edit = page.findChild<QLineEdit*>("id1031");
    auto* list = page.findChild<QTableWidget*>("id1002");
    edit->setText(QString::number(count));
    auto start = clock_type::now();
    QTest::keyClick(edit, Qt::Key_Return);
    list->viewport()->repaint();
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ecat::master bus_master; // never started: nothing is selected
    apptest::fake_page_context context(bus_master);
    context.selected = -1;
    CADtest page(context, nullptr);
    page.resize(900, 500);
    page.show();
    auto* list = page.findChild<QTableWidget*>("id1002");

    std::printf("10 -> 10000, no results: %.1f ms\n", apply_ms(page, 10000));
    for (int run = 1; run <= 3; ++run) {
        page.findChild<QPushButton*>("id1050")->click();
        if (!QTest::qWaitFor([&] { return list->columnCount() == run + 1; }, 60000)) {
            std::fprintf(stderr, "run %d did not end\n", run);
            return 1;
        }
    }
    std::printf("10000 -> 10, 3 results: %.1f ms\n", apply_ms(page, 10));
    std::printf("10 -> 10000, 3 results: %.1f ms\n", apply_ms(page, 10000));
    return 0;
}
