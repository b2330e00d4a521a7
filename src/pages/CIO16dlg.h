#pragma once
#include "pages/CIOPage.h"
#include "pages/logic/io16_list.h"

// The IO page of the KOVA-16IO (template 138): sixteen inputs and outputs, two analog
// inputs, one analog output.
class CIO16dlg : public CIOPage {
    Q_OBJECT
public:
    CIO16dlg(page_context& context, QWidget* parent);

private:
    void copy_values(const polled_values& polled) override;
    void refresh_list() override;
    void reset_values() override;
    uint16_t output_word() const override { return current_.outputs; }
    uint16_t analog_output(int) const override { return current_.analog_output; }

    page_logic::io16_values current_;
    page_logic::io16_list shown_;
};
