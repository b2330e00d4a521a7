#pragma once
#include "pages/CIOPage.h"
#include "pages/logic/io_list.h"

class QLineEdit;

// The IO page (ZEIO, KOVA-AD and the start-up set) (template 130): eight inputs and
// outputs, sixteen 24-bit inputs with latches, four analog outputs, two comparators and
// the encoder.
class CIOdlg : public CIOPage {
    Q_OBJECT
public:
    CIOdlg(page_context& context, QWidget* parent);

private:
    void copy_values(const polled_values& polled) override;
    void refresh_list() override;
    void reset_values() override;
    uint16_t output_word() const override { return current_.outputs; }
    uint16_t analog_output(int channel) const override { return current_.analog_outputs[channel]; }

    QWidget* analog_output_group();
    QWidget* comparator_group();
    QWidget* crc_group();
    void write_comparator_threshold(int comparator);

    page_logic::io_values current_;
    page_logic::io_list shown_;
    QLineEdit* thresholds_[2] = {};   // 1033, 1034
    QLineEdit* crc_errors_ = nullptr; // 1029
};
