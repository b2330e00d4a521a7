#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pages/CMyDlg.h"
#include "pages/CSerialPort.h"
#include "pages/logic/byte_decoder.h"
#include "pages/logic/display_buffer.h"
#include "pages/logic/line_limiter.h"
#include "pages/page_worker.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The serial-port test page, custom protocol (template 129): a PC serial port on the left,
// the card's serial port on the right, each sending, showing what it receives and counting.
class CUsartDlg : public CMyDlg {
    Q_OBJECT
public:
    // the window timer of the PC receive display
    static constexpr int display_timer = 2;
    static constexpr int display_interval_ms = 20;

    CUsartDlg(page_context& context, QWidget* parent);
    ~CUsartDlg() override;

    // Bytes the card's serial port received: shown in the card receive box, and counted.
    void append_card_received(const std::vector<uint8_t>& bytes);
    // A block the card announced could not be read whole: the box says which transfer failed.
    void card_receive_failed(const QString& text);
    // Switches the selected card's serial port to this page's protocol (serial mode 1) on
    // the page's worker.
    void take_card_port();
    int card_received_count() const { return card_received_; }
    bool pc_port_open() const { return pc_port_.is_open(); }
    // Waits until a card send running on the page's worker has ended (its result may still
    // be on its way to the GUI thread).
    void wait_for_card_send() { worker_.wait_idle(); }

protected:
    void page_shown() override;
    void on_window_timer(int id) override;

private:
    QWidget* build_pc_side();
    QWidget* build_card_side();
    void load_codec();

    // PC side
    void refresh_ports();
    QString chosen_device() const;
    void open_or_close_pc_port();
    void pc_port_closed();
    void pc_bytes_arrived(const QByteArray& bytes);
    void show_pc_bytes(const std::vector<uint8_t>& bytes);
    void send_from_pc();
    void clear_pc_side();

    // card side
    void write_card_settings();
    void send_through_card();
    void card_send_done(int result, size_t length);
    void clear_card_side();

    // bytes of a send edit: the text in the codec, parsed as hex when its check box is ticked
    std::vector<uint8_t> bytes_to_send(const QLineEdit* edit, const QCheckBox* hex) const;
    void convert_hex_edit(QLineEdit* edit, bool now_hex);
    void message(const QString& text);

    // One side's receive box and what turns its bytes into text.
    struct receive_view {
        QPlainTextEdit* box = nullptr;
        QCheckBox* hex_display = nullptr;
        std::unique_ptr<page_logic::byte_decoder> decoder;
        page_logic::line_limiter lines;
    };
    static void show_received(receive_view& view, const std::vector<uint8_t>& bytes);
    static void append_text(receive_view& view, const std::string& utf8);
    // Shows a character the decoder holds unfinished (as unknown) and starts it afresh.
    static void flush_decoder(receive_view& view);
    static void clear_view(receive_view& view);

    // The widgets of one side that sit in the same rows on both sides.
    struct line_widgets {
        QComboBox* baud;
        QComboBox* data_bits;
        QComboBox* stop_bits;
        QComboBox* parity;
        QLineEdit* send_text;
        QCheckBox* hex_send;
        QLabel* sent;
        QPushButton* send;
        receive_view* view;
        QLabel* received;
        QPushButton* clear;
    };
    void lay_out_line(QGridLayout& grid, QWidget* side, const line_widgets& line);
    void set_counter(QLabel* label, int& counter, int value);

    std::string codec_;
    receive_view pc_view_;   // 1005, 1150
    receive_view card_view_; // 1006, 1151
    page_logic::display_buffer pc_buffer_;
    int pc_sent_ = 0;
    int pc_received_ = 0;
    int card_sent_ = 0;
    int card_received_ = 0;
    // a block that keeps failing is fetched again at every poll: it is named once
    QString last_receive_failure_;

    QComboBox* port_list_;      // 1011
    QComboBox* pc_baud_;        // 1012
    QComboBox* data_bits_;      // 1013
    QComboBox* stop_bits_;      // 1014
    QComboBox* parity_;         // 1015
    QPushButton* open_button_;  // 1051
    QLineEdit* pc_send_text_;   // 1031
    QCheckBox* pc_hex_send_;    // 1153
    QLabel* pc_sent_label_;     // 1104
    QLabel* pc_received_label_; // 1105

    QComboBox* card_baud_;          // 1016
    QComboBox* card_stop_bits_;     // 1018
    QComboBox* card_parity_;        // 1019
    QLineEdit* card_send_text_;     // 1032
    QCheckBox* card_hex_send_;      // 1152
    QPushButton* card_send_button_; // 1055
    QLabel* card_sent_label_;       // 1102
    QLabel* card_received_label_;   // 1103

    // last: destroyed first, so that neither a send nor the port outlives what they use
    page_worker worker_;
    CSerialPort pc_port_;
};
