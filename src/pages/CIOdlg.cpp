#include "pages/CIOdlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "pages/page_context.h"
#include "card/card_ops.h"
#include "pages/io_widgets.h"
#include "pages/logic/io_scaling.h"

CIOdlg::CIOdlg(page_context& context, QWidget* parent) : CIOPage(context, parent, {0, 1})
{
    list = make_status_list(this, page_logic::io_list::columns(), page_logic::io_list::labels(),
                            page_logic::io_list::rows);
    fit_list(list, false);
    auto* controls = new QHBoxLayout;
    controls->addWidget(analog_output_group(), 0, Qt::AlignTop);
    auto* middle = new QVBoxLayout;
    middle->addWidget(comparator_group());
    middle->addWidget(crc_group());
    middle->addStretch();
    controls->addLayout(middle);
    auto* right = new QVBoxLayout;
    right->addWidget(output_group(8, 4));
    right->addWidget(one_key_test_group(false));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(clear_counters_button(false));
    bottom->addWidget(hidden_counters());
    right->addLayout(bottom);
    right->addStretch();
    controls->addLayout(right);
    controls->addStretch();

    auto* page = new QVBoxLayout(this);
    // the list ends 15 pixels before the page's right edge, however wide the page is
    page->setContentsMargins(9, 9, 15, 9);
    page->addWidget(list);
    page->addLayout(controls);
    page->addStretch();
    refresh_list();
}

QWidget* CIOdlg::analog_output_group()
{
    auto* group = new QGroupBox("模拟量输出", this);
    auto* grid = new QGridLayout(group);
    const int edit_ids[4] = {1031, 1032, 1040, 1041};
    const int button_ids[4] = {1070, 1071, 1075, 1076};
    for (int channel = 0; channel < 4; ++channel) {
        QLineEdit* edit = make_edit(group, edit_ids[channel], "5");
        add_edit_row(grid, channel, QStringLiteral("模拟量输出%1：").arg(channel + 1), edit, "V",
                     analog_output_button(button_ids[channel], channel, edit));
    }
    return group;
}

QWidget* CIOdlg::comparator_group()
{
    auto* group = new QGroupBox("比较器DA输出", this);
    auto* grid = new QGridLayout(group);
    const char* labels[2] = {"CMP0N：", "CMP1N："};
    for (int comparator = 0; comparator < 2; ++comparator) {
        thresholds_[comparator] = make_edit(group, 1033 + comparator, "3");
        QPushButton* button = make_button(group, 1020 + comparator, "输出");
        connect(button, &QPushButton::clicked, this, [this, comparator] { write_comparator_threshold(comparator); });
        add_edit_row(grid, comparator, labels[comparator], thresholds_[comparator], "V", button);
    }
    return group;
}

QWidget* CIOdlg::crc_group()
{
    auto* group = new QGroupBox("模拟量输入异常监控", this);
    auto* row = new QHBoxLayout(group);
    crc_errors_ = make_edit(group, 1029, {});
    crc_errors_->setReadOnly(true);
    row->addWidget(new QLabel("CRC_Err:"));
    row->addWidget(crc_errors_);
    return group;
}

void CIOdlg::copy_values(const polled_values& polled)
{
    current_ = page_logic::io_values_from(polled);
}

void CIOdlg::reset_values()
{
    current_ = {};
    shown_ = {};
    clear_values(list, page_logic::io_list::labels());
    refresh_list();
}

void CIOdlg::refresh_list()
{
    // setting the same text still repaints the box, 200 times a second
    QString crc_errors = QString::number(current_.crc_errors);
    if (crc_errors_->text() != crc_errors)
        crc_errors_->setText(crc_errors);
    apply_cells(list, shown_.refresh(current_));
}

void CIOdlg::write_comparator_threshold(int comparator)
{
    int position = slave_for_operation();
    if (position < 0)
        return;
    // a field without a number must not set the threshold to 0 V
    QString refusal;
    std::optional<double> volts =
        field_number(thresholds_[comparator], {"CMP" + std::to_string(comparator) + "N", 0, 10, "V", false}, refusal);
    if (!volts) {
        notify(refusal);
        return;
    }
    ecat::master& master = context.master();
    uint16_t enabled = 0;
    if (card::transfer_result read = card::read_comparator_configuration(master, uint16_t(position), enabled);
        !read.ok()) {
        notify(QString::asprintf("读寄存器0x%04X失败！", read.index));
        return;
    }
    if (!(enabled & page_logic::comparator_single_ended_bit(comparator))) {
        notify(QStringLiteral("比较器%1未使能单端，设置失败！").arg(comparator));
        return;
    }
    uint16_t raw = page_logic::analog_raw_from_volts(*volts);
    if (!card::write_comparator_threshold(master, uint16_t(position), comparator, raw).ok())
        notify("设置失败！");
}
