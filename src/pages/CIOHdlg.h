#pragma once
#include "pages/CIOPage.h"
#include "pages/logic/ioh_list.h"

class QLineEdit;

// The IO page of the KOVA-H (template 137): nine inputs and outputs shown, sixteen output
// buttons, four analog inputs, two analog outputs, two PWM outputs, counter and encoder.
class CIOHdlg : public CIOPage {
    Q_OBJECT
public:
    CIOHdlg(page_context& context, QWidget* parent);

private:
    void copy_values(const polled_values& polled) override;
    void refresh_list() override;
    void reset_values() override;
    uint16_t output_word() const override { return current_.outputs; }
    uint16_t analog_output(int channel) const override { return current_.analog_outputs[channel]; }

    QWidget* analog_output_group();
    QWidget* pwm_group();
    void set_pwm(int channel);

    page_logic::ioh_values current_;
    page_logic::ioh_list shown_;
    QLineEdit* frequencies_[2] = {}; // 1033, 1035
    QLineEdit* duties_[2] = {};      // 1034, 1036
};
