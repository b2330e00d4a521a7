#include "pages/CIOHdlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "pages/page_context.h"
#include "card/card_ops.h"
#include "pages/io_widgets.h"

CIOHdlg::CIOHdlg(page_context& context, QWidget* parent) : CIOPage(context, parent, {0, 1})
{
    list = make_status_list(this, page_logic::ioh_list::columns(), page_logic::ioh_list::labels(),
                            page_logic::ioh_list::rows);
    fit_list(list, true);

    auto* controls = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(analog_output_group());
    left->addWidget(pwm_group());
    left->addStretch();
    controls->addLayout(left);
    controls->addWidget(output_group(16, 16), 0, Qt::AlignTop);
    auto* right = new QVBoxLayout;
    right->addWidget(one_key_test_group(true));
    right->addWidget(clear_counters_button(true));
    right->addWidget(hidden_counters());
    right->addStretch();
    controls->addLayout(right);
    controls->addStretch();

    auto* page = new QVBoxLayout(this);
    page->addWidget(list);
    page->addLayout(controls);
    page->addStretch();
    refresh_list();
}

QWidget* CIOHdlg::analog_output_group()
{
    auto* group = new QGroupBox("模拟量输出", this);
    auto* grid = new QGridLayout(group);
    for (int channel = 0; channel < 2; ++channel) {
        QLineEdit* edit = make_edit(group, 1031 + channel, "5");
        add_edit_row(grid, channel, QStringLiteral("模拟量输出%1：").arg(channel + 1), edit, "V",
                     analog_output_button(1070 + channel, channel, edit));
    }
    return group;
}

QWidget* CIOHdlg::pwm_group()
{
    auto* group = new QGroupBox("PWM输出", this);
    auto* grid = new QGridLayout(group);
    for (int channel = 0; channel < 2; ++channel) {
        frequencies_[channel] = make_edit(group, 1033 + 2 * channel, "1000.0");
        duties_[channel] = make_edit(group, 1034 + 2 * channel, "50");
        QPushButton* set = make_button(group, 1072 + channel, "设置");
        connect(set, &QPushButton::clicked, this, [this, channel] { set_pwm(channel); });
        add_edit_row(grid, 2 * channel, QStringLiteral("频率%1：").arg(channel + 1), frequencies_[channel], "Hz/s");
        add_edit_row(grid, 2 * channel + 1, QStringLiteral("占空比%1：").arg(channel + 1), duties_[channel], "%",
                     set);
    }
    return group;
}

void CIOHdlg::copy_values(const polled_values& polled)
{
    current_ = page_logic::ioh_values_from(polled);
}

void CIOHdlg::refresh_list()
{
    apply_cells(list, shown_.refresh(current_));
}

void CIOHdlg::set_pwm(int channel)
{
    int position = slave_for_operation();
    if (position < 0)
        return;
    ecat::master& master = context.master();
    double hertz = edit_number(frequencies_[channel]);
    double percent = edit_number(duties_[channel]);
    // the duty is written even when the frequency was not
    int frequency_result = card::write_pwm_frequency(master, uint16_t(position), channel, hertz);
    int duty_result = card::write_pwm_duty(master, uint16_t(position), channel, percent / 100);
    if (frequency_result != 0 || duty_result != 0)
        notify("设置失败！");
}
