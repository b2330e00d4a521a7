#include "pages/CModbusDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "card/card_ops.h"
#include "pages/io_widgets.h"
#include "pages/logic/modbus_settings.h"
#include "pages/logic/number_field.h"
#include "pages/page_context.h"
#include "protocol/usart.h"

namespace {

constexpr uint8_t modbus_mode = protocol::usart::modbus_mode, usart_mode = protocol::usart::custom_protocol_mode;

const page_logic::number_field address_field{"寄存器地址", 0, 65535, "", true};
const page_logic::number_field data_field{"寄存器Data", -2147483648.0, 4294967295.0, "", true};
const page_logic::number_field interval_field{"间隔时间", 0, 65535, "ms", true};
const page_logic::number_field timeout_field{"超时时间", 0, 65535, "0.1ms", true};

QComboBox* make_combo(QWidget* parent, int id)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("id%1").arg(id));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

void fill_numbers(QComboBox* combo, const std::vector<int>& numbers)
{
    combo->clear();
    for (int n : numbers)
        combo->addItem(QString::number(n), n);
    combo->setCurrentIndex(0);
}

std::u16string_view text_of(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())};
}

} // namespace

CModbusDlg::CModbusDlg(page_context& context, QWidget* parent) : CMyDlg(context, parent)
{
    list_ = make_status_list(this, page_logic::modbus_list::columns(), page_logic::modbus_list::labels(),
                             page_logic::modbus_list::rows);
    // the list takes what the controls leave and scrolls the rest
    list_->setMinimumHeight(list_->horizontalHeader()->sizeHint().height() + 6 * 18);

    status_ = new QLabel(this);
    status_->setObjectName("status");

    auto* page = new QVBoxLayout(this);
    page->addWidget(list_, 1);
    page->addLayout(channel_controls());
    page->addLayout(timing_controls());
    page->addWidget(status_);
    apply(shown_.draw_all());
}

QLayout* CModbusDlg::channel_controls()
{
    slave_id_ = make_combo(this, 1011);
    for (int id = 1; id <= 247; ++id)
        slave_id_->addItem(QString::number(id), id);
    operation_ = make_combo(this, 1014);
    operation_->addItems({"Rx", "Tx"});
    channel_ = make_combo(this, 1015);
    for (int n = 0; n < 8; ++n)
        channel_->addItem(QString::number(n));
    register_type_ = make_combo(this, 1012);
    register_type_->addItems({"线圈", "离散输入", "输入寄存器", "保持寄存器"});
    bit_count_ = make_combo(this, 1013);
    fill_numbers(bit_count_, page_logic::bit_count_choices(0));
    address_ = make_edit(this, 1031, "0");
    data_ = make_edit(this, 1032, "0");
    QPushButton* configure = make_button(this, 1050, "设置");
    QPushButton* modify = make_button(this, 1052, "修改");

    // three rows of label and field pairs: the wide window of the template would not fit
    auto* grid = new QGridLayout;
    const std::pair<const char*, QWidget*> fields[3][3] = {
        {{"Slave ID：", slave_id_}, {"操作类型：", operation_}, {"Reg ID：", channel_}},
        {{"寄存器类型：", register_type_}, {"寄存器Bit数：", bit_count_}, {nullptr, nullptr}},
        {{"寄存器地址：", address_}, {"寄存器Data：", data_}, {nullptr, nullptr}},
    };
    for (int row = 0; row < 3; ++row)
        for (int pair = 0; pair < 3; ++pair)
            if (const auto& [label, field] = fields[row][pair]; field) {
                grid->addWidget(new QLabel(label, this), row, 3 * pair);
                grid->addWidget(field, row, 3 * pair + 1);
            }
    buttons_[0] = configure;
    buttons_[1] = modify;
    grid->addWidget(configure, 2, 2);
    grid->addWidget(modify, 2, 5);
    grid->setColumnStretch(8, 1);

    connect(register_type_, &QComboBox::currentIndexChanged, this, &CModbusDlg::register_type_changed);
    connect(configure, &QPushButton::clicked, this, &CModbusDlg::configure_channel);
    connect(modify, &QPushButton::clicked, this, &CModbusDlg::write_tx_data);
    return grid;
}

QLayout* CModbusDlg::timing_controls()
{
    interval_ = make_edit(this, 1033, "2");
    timeout_ = make_edit(this, 1034, "10");
    QPushButton* set_timing = make_button(this, 1053, "设置时间");
    QPushButton* clear = make_button(this, 1051, "清零超时次数");
    buttons_[2] = set_timing;
    buttons_[3] = clear;
    auto* timeouts_label = new QLabel("通信超时次数：", this);
    auto* timeouts = new QLabel("0", this);
    timeouts->setObjectName("id1101");
    timeouts_label->hide();
    timeouts->hide();

    auto* row = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{
             new QLabel("间隔时间：", this), interval_, new QLabel("ms", this), new QLabel("超时时间：", this),
             timeout_, new QLabel("0.1ms", this), set_timing, clear, timeouts_label, timeouts})
        row->addWidget(w);
    row->addStretch();

    connect(set_timing, &QPushButton::clicked, this, &CModbusDlg::write_timing);
    connect(clear, &QPushButton::clicked, this, &CModbusDlg::clear_timeouts);
    return row;
}

void CModbusDlg::register_type_changed(int type)
{
    if (auto items = page_logic::bit_count_refill(shown_register_type_, type))
        fill_numbers(bit_count_, *items);
    bit_count_->setCurrentIndex(0);
    shown_register_type_ = type;
}

void CModbusDlg::page_shown()
{
    start_window_timer(refresh_timer, 40);
    take_card_port();
}

void CModbusDlg::take_card_port()
{
    int position = context.selected_slave();
    // with no card there is no serial port to switch, and nothing to tell
    if (position < 0)
        return;
    ecat::master* master = &context.master();
    QPointer<CModbusDlg> self(this);
    page_context* gui = &context;
    worker_.enqueue([master, position, self, gui] {
        uint8_t mode = modbus_mode;
        bool usart_had_it = card::read_serial_mode(*master, uint16_t(position), mode).ok() && mode == usart_mode;
        // a failure shows when the page's own writes fail
        static_cast<void>(card::write_serial_mode(*master, uint16_t(position), modbus_mode));
        if (usart_had_it)
            gui->post_to_gui([self] {
                if (self)
                    self->status_->setText(QString::asprintf(
                        "注意：串口此前在USART模式，Reg Data 可能是串口收发的字符（共用 0x%04X/0x%04X）",
                        protocol::usart::send_data(0).index, protocol::usart::received_data(0).index));
            });
    });
}

void CModbusDlg::on_window_timer(int id)
{
    if (id != refresh_timer)
        return;
    kill_window_timer(refresh_timer);
    current_ = page_logic::modbus_rows_from(context.values());
    if (visible_flag)
        start_window_timer(refresh_timer, 40);
    refresh_list();
}

void CModbusDlg::refresh_list()
{
    apply(shown_.refresh(current_));
}

void CModbusDlg::apply(const page_logic::cell_updates& cells)
{
    apply_cells(list_, cells);
    for (const page_logic::cell_update& cell : cells)
        if (cell.column == page_logic::modbus_list::status_column)
            list_->item(cell.row, cell.column)
                ->setToolTip(QString::fromStdString(page_logic::status_tooltip(current_[size_t(cell.row)].status)));
}

namespace {

std::optional<double> read_field(const QLineEdit* edit, const page_logic::number_field& field, QString& refusal)
{
    QString text = edit->text();
    page_logic::field_reading reading = page_logic::read_number_field(text_of(text), field);
    if (!reading.value)
        refusal = QString::fromStdString(reading.refusal);
    return reading.value;
}

} // namespace

void CModbusDlg::configure_channel()
{
    int position = slave_for_operation();
    if (position < 0)
        return;
    QString refusal;
    std::optional<double> address = read_field(address_, address_field, refusal);
    if (!address) {
        notify(refusal);
        return;
    }
    int type = register_type_->currentIndex(), slave_id = slave_id_->currentData().toInt();
    int bits = bit_count_->currentData().toInt(), operation = operation_->currentIndex();
    int channel = channel_->currentIndex();
    auto register_address = int(*address);
    run_job(
        position,
        [=](ecat::master& m, uint16_t at) {
            return card::write_modbus_channel(m, at, type, register_address, slave_id, bits, operation, channel);
        },
        "设置成功", "设置失败！");
}

void CModbusDlg::write_tx_data()
{
    int position = slave_for_operation();
    if (position < 0)
        return;
    QString refusal;
    std::optional<double> data = read_field(data_, data_field, refusal);
    if (!data) {
        notify(refusal);
        return;
    }
    // always the Tx data of the chosen channel, whatever the operation list shows
    int channel = channel_->currentIndex();
    auto word = uint32_t(int64_t(*data));
    run_job(
        position, [=](ecat::master& m, uint16_t at) { return card::write_modbus_tx_data(m, at, channel, word); },
        "修改成功", "修改失败！");
}

void CModbusDlg::write_timing()
{
    int position = slave_for_operation();
    if (position < 0)
        return;
    QString refusal;
    std::optional<double> interval = read_field(interval_, interval_field, refusal);
    std::optional<double> timeout = interval ? read_field(timeout_, timeout_field, refusal) : std::nullopt;
    if (!interval || !timeout) {
        notify(refusal);
        return;
    }
    auto interval_ms = uint16_t(*interval), timeout_units = uint16_t(*timeout);
    run_job(
        position,
        [=](ecat::master& m, uint16_t at) { return card::write_modbus_timing(m, at, interval_ms, timeout_units); },
        "时间已设置", "设置失败！");
}

void CModbusDlg::clear_timeouts()
{
    int position = slave_for_operation();
    if (position < 0)
        return;
    run_job(position, [](ecat::master& m, uint16_t at) { return card::clear_modbus_timeouts(m, at); }, "超时次数已清零",
            {});
}

void CModbusDlg::run_job(int position, card_job job, const QString& done, const QString& failure_box)
{
    ecat::master* master = &context.master();
    QPointer<CModbusDlg> self(this);
    page_context* gui = &context;
    ++jobs_running_;
    set_buttons_enabled(false);
    status_->setText("正在写入…");
    worker_.enqueue([master, position, job = std::move(job), self, gui, done, failure_box] {
        card::transfer_result result = job(*master, uint16_t(position));
        gui->post_to_gui([self, result, done, failure_box] {
            if (self)
                self->job_finished(result, done, failure_box);
        });
    });
}

void CModbusDlg::job_finished(const card::transfer_result& result, const QString& done, const QString& failure_box)
{
    if (--jobs_running_ == 0)
        set_buttons_enabled(true);
    if (result.ok()) {
        status_->setText(done);
        return;
    }
    status_->setText("失败：" + QString::fromStdString(card::failure_text(result)));
    if (!failure_box.isEmpty())
        notify(failure_box);
}

void CModbusDlg::set_buttons_enabled(bool enabled)
{
    for (QPushButton* button : buttons_)
        button->setEnabled(enabled);
}

int CModbusDlg::slave_for_operation()
{
    int position = context.selected_slave();
    if (position < 0)
        notify("没有选择从站");
    return position;
}

void CModbusDlg::notify(const QString& text)
{
    context.message_box(this, text, "提示");
}
