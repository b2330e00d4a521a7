// The PC side of the USART page: the port list, opening, sending, and the receive display.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSerialPortInfo>

#include "pages/CUsartDlg.h"
#include "pages/page_context.h"

void CUsartDlg::refresh_ports()
{
    port_list_->clear();
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        port_list_->addItem(port.portName(), port.systemLocation());
    for (const extra_serial_port& port : context.simulated_serial_ports())
        port_list_->addItem(port.label, port.device);
    port_list_->setCurrentIndex(0);
}

QString CUsartDlg::chosen_device() const
{
    // a listed port opens by its device path; a typed text is the path itself
    int item = port_list_->currentIndex();
    QString text = port_list_->currentText().trimmed();
    if (item >= 0 && text == port_list_->itemText(item))
        return port_list_->itemData(item).toString();
    return text;
}

void CUsartDlg::open_or_close_pc_port()
{
    if (window_timer_active(display_timer)) {
        pc_port_.close();
        pc_port_closed();
        return;
    }
    page_logic::pc_port_settings settings;
    settings.baud = pc_baud_->currentData().toInt();
    settings.data_bits = data_bits_->currentIndex() + 5;
    settings.parity = parity_->currentIndex();
    settings.stop_bits = stop_bits_->currentIndex();
    QPointer<CUsartDlg> page(this);
    auto on_bytes = [this, page](const QByteArray& bytes) {
        context.post_to_gui([page, bytes] {
            if (page)
                page->pc_bytes_arrived(bytes);
        });
    };
    auto on_error = [this, page](const QString& failure) {
        context.post_to_gui([this, page, failure] {
            if (!page)
                return;
            pc_port_closed();
            context.message_box(this, failure, "错误");
        });
    };
    QString failure = pc_port_.open(chosen_device(), settings, on_bytes, on_error);
    if (!failure.isEmpty()) {
        context.message_box(this, failure, "错误");
        return;
    }
    open_button_->setText("关闭串口");
    pc_buffer_.clear();
    start_window_timer(display_timer, display_interval_ms);
}

void CUsartDlg::pc_port_closed()
{
    open_button_->setText("打开串口");
    kill_window_timer(display_timer);
    show_pc_bytes(pc_buffer_.take_all()); // nothing received is left unshown
}

void CUsartDlg::pc_bytes_arrived(const QByteArray& bytes)
{
    show_pc_bytes(pc_buffer_.add(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    // bytes on their way when the port closed are shown at once
    if (!window_timer_active(display_timer))
        show_pc_bytes(pc_buffer_.take_all());
}

void CUsartDlg::on_window_timer(int id)
{
    if (id == display_timer)
        show_pc_bytes(pc_buffer_.tick());
}

void CUsartDlg::show_pc_bytes(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return;
    show_received(pc_view_, bytes);
    set_counter(pc_received_label_, pc_received_, pc_received_ + int(bytes.size()));
}

void CUsartDlg::send_from_pc()
{
    if (!pc_port_.is_open()) {
        message("串口没有打开！");
        return;
    }
    if (pc_send_text_->text().isEmpty())
        return;
    std::vector<uint8_t> bytes = bytes_to_send(pc_send_text_, pc_hex_send_);
    size_t queued = pc_port_.write(bytes.data(), bytes.size());
    set_counter(pc_sent_label_, pc_sent_, pc_sent_ + int(queued));
}

void CUsartDlg::clear_pc_side()
{
    clear_view(pc_view_);
    set_counter(pc_received_label_, pc_received_, 0);
    set_counter(pc_sent_label_, pc_sent_, 0);
}
