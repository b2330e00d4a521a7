#include "pages/CIO16dlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "pages/io_widgets.h"

CIO16dlg::CIO16dlg(page_context& context, QWidget* parent) : CIOPage(context, parent, {0})
{
    list = make_status_list(this, page_logic::io16_list::columns(), page_logic::io16_list::labels(),
                            page_logic::io16_list::rows);
    fit_list(list, true);

    auto* analog = new QGroupBox("模拟量输出", this);
    auto* grid = new QGridLayout(analog);
    QLineEdit* volts = make_edit(analog, 1031, "5");
    add_edit_row(grid, 0, "模拟量输出1：", volts, "V", analog_output_button(1070, 0, volts));

    // two rows under the list, so that the page fits the window's minimum size
    auto* outputs = new QHBoxLayout;
    outputs->addWidget(analog, 0, Qt::AlignTop);
    outputs->addWidget(output_group(16, 16), 0, Qt::AlignTop);
    outputs->addStretch();
    auto* test = new QHBoxLayout;
    test->addWidget(one_key_test_group(true), 0, Qt::AlignTop);
    test->addWidget(clear_counters_button(true), 0, Qt::AlignBottom);
    test->addWidget(hidden_counters());
    test->addStretch();

    auto* page = new QVBoxLayout(this);
    page->addWidget(list);
    page->addLayout(outputs);
    page->addLayout(test);
    page->addStretch();
    refresh_list();
}

void CIO16dlg::copy_values(const polled_values& polled)
{
    current_ = page_logic::io16_values_from(polled);
}

void CIO16dlg::reset_values()
{
    current_ = {};
    shown_ = {};
    clear_values(list, page_logic::io16_list::labels());
    refresh_list();
}

void CIO16dlg::refresh_list()
{
    apply_cells(list, shown_.refresh(current_));
}
