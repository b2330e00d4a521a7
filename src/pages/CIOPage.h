#pragma once
#include <cstdint>
#include <vector>

#include "pages/CMyDlg.h"
#include "pages/logic/one_key_test.h"

class QLineEdit;
class QPushButton;
class QTableWidget;
class QWidget;
struct polled_values;

// What the three IO pages share: the refresh cycle of timer 1, the output buttons, the
// analog output writes, clearing the counters, and the one-key test on timers 2 and 3.
// Every write goes to the card from the GUI thread and blocks until it is carried out.
class CIOPage : public CMyDlg {
    Q_OBJECT
public:
    CIOPage(page_context& context, QWidget* parent, std::vector<int> test_channels);

protected:
    enum timer_id { refresh_timer = 1, ramp_timer = 2, toggle_timer = 3 };

    // Copies the page's values from the polled block.
    virtual void copy_values(const polled_values& polled) = 0;
    // Redraws the values that changed since they were last drawn.
    virtual void refresh_list() = 0;
    // Back to the values right after creation: zero copies, the list redrawn from them.
    virtual void reset_values() = 0;
    // The page's current copies of the output word and of an analog output.
    virtual uint16_t output_word() const = 0;
    virtual uint16_t analog_output(int channel) const = 0;

    // Builders for the pages' constructors.
    QWidget* output_group(int outputs, int enabled_outputs);
    QWidget* one_key_test_group(bool enabled);
    QPushButton* clear_counters_button(bool enabled);
    QWidget* hidden_counters();
    // An "输出" button writing an analog output from an edit.
    QPushButton* analog_output_button(int id, int channel, QLineEdit* edit);

    // The selected slave's position, or -1 after telling the operator that none is selected.
    int slave_for_operation();
    void notify(const QString& text);
    [[nodiscard]] bool write_output_word(int position, uint16_t word);

    QTableWidget* list = nullptr;

private:
    void forget_card() override;
    void mark_readings_stale(bool stale) override;
    void page_shown() override;
    void on_window_timer(int id) override;

    void toggle_output(int bit);
    void write_outputs(uint16_t word);
    void clear_counters();
    void toggle_one_key_test();
    void ramp_test_outputs();
    void toggle_test_outputs();

    std::vector<int> test_channels_;
    page_logic::one_key_test test_;
    QLineEdit* test_period_ = nullptr;   // 1037
    QLineEdit* test_step_ = nullptr;     // 1038
    QLineEdit* test_toggle_ = nullptr;   // 1039
    QPushButton* test_button_ = nullptr; // 1068
};
