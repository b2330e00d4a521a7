#pragma once
#include <cstdint>
#include <vector>

#include "pages/CMyDlg.h"

class QLabel;
class QTextEdit;

// The serial-port test page, custom protocol (template 129).
class CUsartDlg : public CMyDlg {
    Q_OBJECT
public:
    CUsartDlg(page_context& context, QWidget* parent);

    // Bytes the card's serial port received: appended as text to the card receive box,
    // and counted.
    void append_card_received(const std::vector<uint8_t>& bytes);
    int card_received_count() const { return card_received_; }

private:
    QTextEdit* card_receive_box_; // 1006
    QLabel* card_received_label_; // 1103
    int card_received_ = 0;
};
