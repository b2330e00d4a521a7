#pragma once
#include <map>

#include <QDialog>

class page_context;
class QTimer;

// Base of every test page: a frameless child dialog of the main window that reaches it
// through its context, keeps a visible flag, and has numbered window timers. Neither Enter nor
// Escape closes a page.
class CMyDlg : public QDialog {
    Q_OBJECT
public:
    CMyDlg(page_context& context, QWidget* parent);

    page_context& context;
    // set while the page is shown
    bool visible_flag = false;

    // Starts (or restarts) timer id with a new period; on_window_timer(id) runs each time.
    void start_window_timer(int id, int period_ms);
    void kill_window_timer(int id);
    bool window_timer_active(int id) const;

    // No card is selected any more: the page stops showing the last one's values.
    virtual void forget_card() { }
    // The selected card is gone (true) or back (false): what the page shows meanwhile is
    // old and must look it.
    virtual void mark_readings_stale(bool /*stale*/) { }

    void accept() override { }
    // Showing and hiding by the main window set the visible flag and run the page's hooks.
    void setVisible(bool visible) override;

protected:
    virtual void on_window_timer(int /*id*/) { }
    virtual void page_shown() { }
    virtual void page_hidden() { }

    void keyPressEvent(QKeyEvent* event) override;

private:
    std::map<int, QTimer*> timers_;
};
