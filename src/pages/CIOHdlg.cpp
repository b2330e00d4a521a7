#include "pages/CIOHdlg.h"

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

CIOHdlg::CIOHdlg(page_context& context, QWidget* parent) : CIOPage(context, parent, {0, 1})
{
    list = make_status_list(this, page_logic::ioh_list::columns(), page_logic::ioh_list::labels(),
                            page_logic::ioh_list::rows);
    fit_list(list, true);

    // two rows under the list, so that the page fits the window's minimum size
    auto* outputs = new QHBoxLayout;
    outputs->addWidget(analog_output_group(), 0, Qt::AlignTop);
    outputs->addWidget(output_group(16, 16), 0, Qt::AlignTop);
    outputs->addStretch();
    auto* settings = new QHBoxLayout;
    settings->addWidget(pwm_group(), 0, Qt::AlignTop);
    settings->addWidget(one_key_test_group(true), 0, Qt::AlignTop);
    settings->addWidget(clear_counters_button(true), 0, Qt::AlignBottom);
    settings->addWidget(hidden_counters());
    settings->addStretch();

    auto* page = new QVBoxLayout(this);
    page->addWidget(list);
    page->addLayout(outputs);
    page->addLayout(settings);
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
        // frequency and duty of a channel share a row
        add_edit_row(grid, channel, QStringLiteral("频率%1：").arg(channel + 1), frequencies_[channel], "Hz/s");
        grid->addWidget(new QLabel(QStringLiteral("占空比%1：").arg(channel + 1)), channel, 3);
        grid->addWidget(duties_[channel], channel, 4);
        grid->addWidget(new QLabel("%"), channel, 5);
        grid->addWidget(set, channel, 6);
    }
    return group;
}

void CIOHdlg::copy_values(const polled_values& polled)
{
    current_ = page_logic::ioh_values_from(polled);
}

void CIOHdlg::reset_values()
{
    current_ = {};
    shown_ = {};
    clear_values(list, page_logic::ioh_list::labels());
    refresh_list();
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
    std::string n = std::to_string(channel + 1);
    QString refusal;
    std::optional<double> hertz = field_number(frequencies_[channel], {"频率" + n, 0, 65535, "Hz", false}, refusal);
    std::optional<double> percent =
        hertz ? field_number(duties_[channel], {"占空比" + n, 0, 100, "%", false}, refusal) : std::nullopt;
    // a field without a number writes neither value
    if (!hertz || !percent) {
        notify(refusal);
        return;
    }
    ecat::master& master = context.master();
    // the duty is written even when the frequency was not
    bool frequency_written = card::write_pwm_frequency(master, uint16_t(position), channel, *hertz).ok();
    bool duty_written = card::write_pwm_duty(master, uint16_t(position), channel, *percent / 100).ok();
    if (!frequency_written || !duty_written)
        notify("设置失败！");
}
