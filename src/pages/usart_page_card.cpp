// The card side of the USART page: the card's port settings, sending through the card,
// and what the card's port received.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "pages/CUsartDlg.h"
#include "card/card_ops.h"
#include "pages/logic/card_port.h"
#include "pages/page_context.h"

void CUsartDlg::write_card_settings()
{
    int position = context.selected_slave();
    if (position < 0) {
        message("没有选择从站");
        return;
    }
    QString typed = card_baud_->currentText();
    std::optional<uint32_t> baud = page_logic::card_baud_from_text(
        std::u16string_view(reinterpret_cast<const char16_t*>(typed.utf16()), size_t(typed.size())));
    if (!baud
        || !card::write_serial_settings(context.master(), uint16_t(position), *baud, card_stop_bits_->currentIndex(),
                                        card_parity_->currentIndex())
                .ok())
        message("设置失败！");
}

void CUsartDlg::send_through_card()
{
    int position = context.selected_slave();
    if (position < 0) {
        message("没有选择从站");
        return;
    }
    if (card_send_text_->text().isEmpty())
        return;
    std::vector<uint8_t> bytes = bytes_to_send(card_send_text_, card_hex_send_);
    // up to 32 blocks of a dozen transfers each: off the GUI thread, one send at a time
    QPointer<CUsartDlg> page(this);
    // queued behind a port switch that may still run; the button waits for the result
    worker_.enqueue([this, page, position, bytes] {
        int result = card::usart_send_message(context.master(), uint16_t(position), context.counters(), bytes.data(),
                                              bytes.size())
                         .code;
        size_t length = bytes.size();
        context.post_to_gui([page, result, length] {
            if (page)
                page->card_send_done(result, length);
        });
    });
    card_send_button_->setEnabled(false);
}

void CUsartDlg::card_send_done(int result, size_t length)
{
    card_send_button_->setEnabled(true);
    if (result != 0)
        append_text(card_view_, "发送失败！");
    else
        set_counter(card_sent_label_, card_sent_, card_sent_ + int(length));
}

void CUsartDlg::append_card_received(const std::vector<uint8_t>& bytes)
{
    last_receive_failure_.clear();
    show_received(card_view_, bytes);
    set_counter(card_received_label_, card_received_, card_received_ + int(bytes.size()));
}

void CUsartDlg::card_receive_failed(const QString& text)
{
    if (text == last_receive_failure_)
        return;
    last_receive_failure_ = text;
    append_text(card_view_, "\n" + text.toStdString() + "\n");
}

void CUsartDlg::clear_card_side()
{
    clear_view(card_view_);
    set_counter(card_received_label_, card_received_, 0);
    set_counter(card_sent_label_, card_sent_, 0);
}
