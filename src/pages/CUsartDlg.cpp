#include "pages/CUsartDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTextCursor>
#include <QVBoxLayout>

#include "card/card_ops.h"
#include "pages/io_widgets.h"
#include "pages/logic/hex_text.h"
#include "pages/logic/text_codec.h"
#include "pages/page_context.h"
#include "protocol/usart.h"

namespace {

const int baud_rates[] = {4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000};
constexpr int default_baud_index = 7; // 115200

template <typename T> T* with_id(T* widget, int id)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

QComboBox* make_combo(QWidget* parent, int id, const QStringList& items, int selected)
{
    auto* combo = with_id(new QComboBox(parent), id);
    combo->addItems(items);
    combo->setCurrentIndex(selected);
    return combo;
}

QComboBox* make_baud_combo(QWidget* parent, int id)
{
    auto* combo = with_id(new QComboBox(parent), id);
    for (int rate : baud_rates)
        combo->addItem(QString::number(rate), rate);
    combo->setCurrentIndex(default_baud_index);
    return combo;
}

QCheckBox* make_check(QWidget* parent, int id, const QString& caption)
{
    return with_id(new QCheckBox(caption, parent), id);
}

QLabel* make_counter(QWidget* parent, int id)
{
    auto* label = with_id(new QLabel("0", parent), id);
    // room for a large count without moving the row
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance("0000000"));
    return label;
}

QPlainTextEdit* make_receive_box(QWidget* parent, int id)
{
    auto* box = with_id(new QPlainTextEdit(parent), id);
    box->setReadOnly(true);
    // a test left running for hours keeps its latest lines, not all it ever received
    box->setMaximumBlockCount(20000);
    return box;
}

// The serial text codec: the setting serial/codec (GBK, CP1252, UTF-8 …), else the locale's.
std::string codec_setting()
{
    QSettings settings("DV_TqrApp", "KestIO_Test");
    return page_logic::codec_or_locale(settings.value("serial/codec").toString().toStdString());
}

} // namespace

CUsartDlg::CUsartDlg(page_context& context, QWidget* parent) : CMyDlg(context, parent)
{
    auto* separator = with_id(new QFrame(this), 1101);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    // the layout keeps the separator's width and gives it the page's full height
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(build_pc_side(), 1);
    layout->addWidget(separator);
    layout->addWidget(build_card_side(), 1);
    load_codec();
    refresh_ports();
}

CUsartDlg::~CUsartDlg() = default;

QWidget* CUsartDlg::build_pc_side()
{
    auto* side = new QWidget(this);
    port_list_ = with_id(new QComboBox(side), 1011);
    port_list_->setEditable(true); // a device path not listed can be typed
    port_list_->setInsertPolicy(QComboBox::NoInsert);
    port_list_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    port_list_->setMinimumContentsLength(12);
    pc_baud_ = make_baud_combo(side, 1012);
    data_bits_ = make_combo(side, 1013, {"5", "6", "7", "8"}, 3);
    stop_bits_ = make_combo(side, 1014, {"1", "1.5", "2"}, 0);
    parity_ = make_combo(side, 1015, {"None", "Odd", "Even", "Mark", "Space"}, 0);
    QPushButton* refresh = make_button(side, 1050, "刷新串口");
    open_button_ = make_button(side, 1051, "打开串口");
    pc_send_text_ = make_edit(side, 1031, "PC serial port test characters.");
    pc_hex_send_ = make_check(side, 1153, "Hex发送");
    QPushButton* send = make_button(side, 1052, "发送");
    send->setToolTip("从PC上的串口发送数据。");
    pc_sent_label_ = make_counter(side, 1104);
    pc_view_.box = make_receive_box(side, 1005);
    pc_view_.hex_display = make_check(side, 1150, "HEX显示");
    pc_received_label_ = make_counter(side, 1105);
    QPushButton* clear = make_button(side, 1054, "清空");

    auto* grid = new QGridLayout(side);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel("电脑串口：", side), 0, 0);
    grid->addWidget(port_list_, 0, 1, 1, 2);
    grid->addWidget(refresh, 0, 3);
    lay_out_line(*grid, side,
                 {pc_baud_, data_bits_, stop_bits_, parity_, pc_send_text_, pc_hex_send_, pc_sent_label_, send,
                  &pc_view_, pc_received_label_, clear});
    grid->addWidget(open_button_, 3, 2, 1, 2);
    connect(refresh, &QPushButton::clicked, this, &CUsartDlg::refresh_ports);
    connect(open_button_, &QPushButton::clicked, this, &CUsartDlg::open_or_close_pc_port);
    connect(send, &QPushButton::clicked, this, &CUsartDlg::send_from_pc);
    connect(clear, &QPushButton::clicked, this, &CUsartDlg::clear_pc_side);
    return side;
}

// Rows 1-2 and 4-8, the same on both sides: line settings, the send row, the receive view.
// Row 3 holds each side's own button.
void CUsartDlg::lay_out_line(QGridLayout& grid, QWidget* side, const line_widgets& line)
{
    grid.addWidget(new QLabel("波特率：", side), 1, 0);
    grid.addWidget(line.baud, 1, 1);
    grid.addWidget(new QLabel("数据位：", side), 1, 2);
    grid.addWidget(line.data_bits, 1, 3);
    grid.addWidget(new QLabel("停止位：", side), 2, 0);
    grid.addWidget(line.stop_bits, 2, 1);
    grid.addWidget(new QLabel("校验位：", side), 2, 2);
    grid.addWidget(line.parity, 2, 3);
    grid.addWidget(new QLabel("发送数据：", side), 4, 0);
    grid.addWidget(line.send_text, 4, 1, 1, 3);
    grid.addWidget(line.hex_send, 5, 0);
    grid.addWidget(new QLabel("已发送：", side), 5, 1, Qt::AlignRight);
    grid.addWidget(line.sent, 5, 2);
    grid.addWidget(line.send, 5, 3);
    grid.addWidget(new QLabel("接收数据：", side), 6, 0);
    grid.addWidget(line.view->box, 7, 0, 1, 4);
    grid.addWidget(line.view->hex_display, 8, 0);
    grid.addWidget(new QLabel("已接收：", side), 8, 1, Qt::AlignRight);
    grid.addWidget(line.received, 8, 2);
    grid.addWidget(line.clear, 8, 3);
    grid.setRowStretch(7, 1);
    grid.setColumnStretch(1, 1);
    grid.setColumnStretch(3, 1);

    QLineEdit* send_text = line.send_text;
    connect(line.hex_send, &QCheckBox::toggled, this, [this, send_text](bool on) { convert_hex_edit(send_text, on); });
    // a character cut off by the switch is shown as unknown, not joined to later bytes
    receive_view* view = line.view;
    connect(line.view->hex_display, &QCheckBox::toggled, this, [view] { flush_decoder(*view); });
}

QWidget* CUsartDlg::build_card_side()
{
    auto* side = new QWidget(this);
    card_baud_ = make_baud_combo(side, 1016);
    card_baud_->setEditable(true); // any rate can be typed
    card_baud_->setInsertPolicy(QComboBox::NoInsert);
    QComboBox* card_data_bits = make_combo(side, 1017, {"8"}, 0);
    card_data_bits->setEnabled(false);
    card_stop_bits_ = make_combo(side, 1018, {"1", "2"}, 0);
    card_stop_bits_->setEnabled(false);
    card_parity_ = make_combo(side, 1019, {"None", "Odd", "Even"}, 0);
    QPushButton* set = make_button(side, 1053, "设置IO卡的串口");
    card_send_text_ = make_edit(side, 1032, "TQR serial port test characters.");
    card_hex_send_ = make_check(side, 1152, "Hex发送");
    card_send_button_ = make_button(side, 1055, "发送");
    card_send_button_->setToolTip("传输数据到IO卡，然后从IO卡上的串口发送数据。");
    card_sent_label_ = make_counter(side, 1102);
    card_view_.box = make_receive_box(side, 1006);
    card_view_.hex_display = make_check(side, 1151, "HEX显示");
    card_received_label_ = make_counter(side, 1103);
    QPushButton* clear = make_button(side, 1056, "清空");

    auto* grid = new QGridLayout(side);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel("设置IO卡上的串口：", side), 0, 0, 1, 4);
    lay_out_line(*grid, side,
                 {card_baud_, card_data_bits, card_stop_bits_, card_parity_, card_send_text_, card_hex_send_,
                  card_sent_label_, card_send_button_, &card_view_, card_received_label_, clear});
    grid->addWidget(set, 3, 2, 1, 2);
    connect(set, &QPushButton::clicked, this, &CUsartDlg::write_card_settings);
    connect(card_send_button_, &QPushButton::clicked, this, &CUsartDlg::send_through_card);
    connect(clear, &QPushButton::clicked, this, &CUsartDlg::clear_card_side);
    return side;
}

void CUsartDlg::load_codec()
{
    std::string codec = codec_setting();
    if (codec == codec_ && pc_view_.decoder)
        return;
    codec_ = codec;
    for (receive_view* view : {&pc_view_, &card_view_}) {
        if (view->decoder)
            flush_decoder(*view);
        view->decoder = std::make_unique<page_logic::byte_decoder>(codec_);
    }
}

void CUsartDlg::page_shown()
{
    load_codec();
    take_card_port();
}

void CUsartDlg::take_card_port()
{
    int position = context.selected_slave();
    if (position < 0)
        return;
    // the card's port serves the custom protocol while this page is shown; a card that does
    // not answer must not hold the tab switch
    ecat::master* master = &context.master();
    worker_.enqueue([master, position] {
        static_cast<void>(card::write_serial_mode(*master, uint16_t(position), protocol::usart::custom_protocol_mode));
    });
}

std::vector<uint8_t> CUsartDlg::bytes_to_send(const QLineEdit* edit, const QCheckBox* hex) const
{
    std::vector<uint8_t> bytes = page_logic::encode_text(codec_, edit->text().toStdString());
    return hex->isChecked() ? page_logic::parse_hex(bytes) : bytes;
}

void CUsartDlg::convert_hex_edit(QLineEdit* edit, bool now_hex)
{
    std::vector<uint8_t> bytes = page_logic::encode_text(codec_, edit->text().toStdString());
    std::string text =
        now_hex ? page_logic::hex_text(bytes) : page_logic::decode_text(codec_, page_logic::parse_hex(bytes));
    edit->setText(QString::fromStdString(text));
}

void CUsartDlg::message(const QString& text)
{
    context.message_box(this, text, "提示");
}

void CUsartDlg::set_counter(QLabel* label, int& counter, int value)
{
    counter = value;
    label->setText(QString::number(counter));
}

void CUsartDlg::show_received(receive_view& view, const std::vector<uint8_t>& bytes)
{
    append_text(view,
                view.hex_display->isChecked() ? page_logic::hex_text(bytes)
                                              : view.decoder->decode(bytes.data(), bytes.size()));
}

void CUsartDlg::flush_decoder(receive_view& view)
{
    std::string rest = view.decoder->flush();
    if (!rest.empty())
        append_text(view, rest);
}

void CUsartDlg::append_text(receive_view& view, const std::string& utf8)
{
    // appended at the end whatever the user selected, and scrolled there
    QTextCursor end = view.box->textCursor();
    end.movePosition(QTextCursor::End);
    end.insertText(QString::fromStdString(view.lines.apply(utf8)));
    view.box->setTextCursor(end);
    view.box->ensureCursorVisible();
}

void CUsartDlg::clear_view(receive_view& view)
{
    view.box->clear();
    view.lines.reset();
}
