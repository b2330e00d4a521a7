#include "pages/CIOPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "pages/page_context.h"
#include "card/card_ops.h"
#include "pages/io_widgets.h"

CIOPage::CIOPage(page_context& context, QWidget* parent, std::vector<int> test_channels)
    : CMyDlg(context, parent),
      test_channels_(std::move(test_channels))
{
}

QWidget* CIOPage::output_group(int outputs, int enabled_outputs)
{
    auto* group = new QGroupBox("开关量输出", this);
    auto* grid = new QGridLayout(group);
    for (int bit = 0; bit < outputs; ++bit) {
        QPushButton* button = make_button(group, 1050 + bit, QStringLiteral("OUT%1").arg(bit));
        button->setEnabled(bit < enabled_outputs);
        connect(button, &QPushButton::clicked, this, [this, bit] { toggle_output(bit); });
        grid->addWidget(button, bit / 8, bit % 8);
    }
    QPushButton* all_on = make_button(group, 1066, "全1");
    QPushButton* all_off = make_button(group, 1067, "全0");
    connect(all_on, &QPushButton::clicked, this, [this] { write_outputs(0xFFFF); });
    connect(all_off, &QPushButton::clicked, this, [this] { write_outputs(0x0000); });
    // sixteen outputs fill two rows: the two buttons end them instead of adding a third
    if (outputs > 8) {
        grid->addWidget(all_on, 0, 8);
        grid->addWidget(all_off, 1, 8);
    } else {
        grid->addWidget(all_on, 1, 0);
        grid->addWidget(all_off, 1, 1);
    }
    return group;
}

QWidget* CIOPage::one_key_test_group(bool enabled)
{
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    test_period_ = make_edit(group, 1037, "2");
    test_step_ = make_edit(group, 1038, "1");
    test_toggle_ = make_edit(group, 1039, "0.5");
    grid->addWidget(new QLabel("DA输出：每"), 0, 0);
    grid->addWidget(test_period_, 0, 1);
    grid->addWidget(new QLabel("秒增加电压"), 0, 2);
    grid->addWidget(test_step_, 0, 3);
    grid->addWidget(new QLabel("V"), 0, 4);
    grid->addWidget(new QLabel("开关量输出：每隔"), 1, 0);
    grid->addWidget(test_toggle_, 1, 1);
    grid->addWidget(new QLabel("秒改变一次状态"), 1, 2);
    test_button_ = make_button(group, 1068, "一键测试");
    test_button_->setEnabled(enabled);
    connect(test_button_, &QPushButton::clicked, this, [this] { toggle_one_key_test(); });
    grid->addWidget(test_button_, 1, 3, 1, 2);
    return group;
}

QPushButton* CIOPage::clear_counters_button(bool enabled)
{
    QPushButton* button = make_button(this, 1074, "清零计数器值");
    button->setEnabled(enabled);
    connect(button, &QPushButton::clicked, this, [this] { clear_counters(); });
    return button;
}

QWidget* CIOPage::hidden_counters()
{
    // never updated: the captions hide with their values, and the box takes no room
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    const char* captions[] = {"通信错误计数：", "时间计数(0.1ms)："};
    for (int i = 0; i < 2; ++i) {
        auto* caption = new QLabel(captions[i]);
        auto* value = new QLabel("0");
        value->setObjectName(QStringLiteral("id%1").arg(1100 + i));
        caption->hide();
        value->hide();
        row->addWidget(caption);
        row->addWidget(value);
    }
    box->hide();
    return box;
}

QPushButton* CIOPage::analog_output_button(int id, int channel, QLineEdit* edit)
{
    QPushButton* button = make_button(this, id, "输出");
    connect(button, &QPushButton::clicked, this, [this, channel, edit] {
        int position = slave_for_operation();
        if (position < 0)
            return;
        // a field without a number must not drive the output to 0 V
        QString refusal;
        std::optional<double> volts =
            field_number(edit, {"模拟量输出" + std::to_string(channel + 1), 0, 10, "V", false}, refusal);
        if (!volts)
            notify(refusal);
        else if (!card::write_da_voltage(context.master(), uint16_t(position), channel, *volts).ok())
            notify("设置失败！");
    });
    return button;
}

int CIOPage::slave_for_operation()
{
    int position = context.selected_slave();
    if (position < 0)
        notify("没有选择从站");
    return position;
}

void CIOPage::notify(const QString& text)
{
    context.message_box(this, text, "提示");
}

bool CIOPage::write_output_word(int position, uint16_t word)
{
    return card::write_outputs(context.master(), uint16_t(position), word).ok();
}

void CIOPage::forget_card()
{
    reset_values();
    mark_readings_stale(false);
}

void CIOPage::mark_readings_stale(bool stale)
{
    // a disabled list draws its texts and bit images grey
    list->setEnabled(!stale);
}

void CIOPage::page_shown()
{
    start_window_timer(refresh_timer, 40);
}

void CIOPage::on_window_timer(int id)
{
    switch (id) {
    case refresh_timer:
        kill_window_timer(refresh_timer);
        if (context.selected_slave() >= 0) {
            copy_values(context.values());
            refresh_list();
        }
        if (visible_flag)
            start_window_timer(refresh_timer, 5);
        break;
    case ramp_timer: ramp_test_outputs(); break;
    case toggle_timer: toggle_test_outputs(); break;
    }
}

void CIOPage::toggle_output(int bit)
{
    int position = slave_for_operation();
    if (position < 0)
        return;
    // the list shows the change only when the poll reads the word back
    if (!write_output_word(position, output_word() ^ uint16_t(1u << bit)))
        notify("设置失败！");
}

void CIOPage::write_outputs(uint16_t word)
{
    int position = slave_for_operation();
    if (position < 0)
        return;
    if (!write_output_word(position, word))
        notify("设置失败！");
}

void CIOPage::clear_counters()
{
    int position = slave_for_operation();
    if (position < 0)
        return;
    if (!card::clear_counters(context.master(), uint16_t(position)).ok())
        notify("设置失败！");
}

void CIOPage::toggle_one_key_test()
{
    int position = slave_for_operation();
    if (position < 0)
        return;
    if (test_.running()) {
        test_.stop();
        kill_window_timer(ramp_timer);
        kill_window_timer(toggle_timer);
        test_button_->setText("一键测试");
        return;
    }
    uint16_t word = test_.start(edit_number(test_step_), edit_number(test_period_), edit_number(test_toggle_));
    start_window_timer(ramp_timer, test_.analog_period_ms());
    start_window_timer(toggle_timer, test_.digital_period_ms());
    // the test runs on whatever these writes achieve
    static_cast<void>(write_output_word(position, word));
    for (int channel : test_channels_)
        static_cast<void>(card::write_da_voltage(context.master(), uint16_t(position), channel,
                                                 page_logic::one_key_test::start_volts));
    test_button_->setText("停止测试");
}

void CIOPage::ramp_test_outputs()
{
    int position = context.selected_slave();
    if (position < 0)
        return;
    // the ramp reads back what the card holds: a failed step shows there
    for (int channel : test_channels_)
        static_cast<void>(card::write_da_voltage(context.master(), uint16_t(position), channel,
                                                 test_.next_voltage(analog_output(channel))));
}

void CIOPage::toggle_test_outputs()
{
    int position = context.selected_slave();
    if (position < 0)
        return;
    static_cast<void>(write_output_word(position, test_.next_word()));
}
