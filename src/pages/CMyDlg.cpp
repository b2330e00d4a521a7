#include "pages/CMyDlg.h"

#include <QKeyEvent>
#include <QTimer>

CMyDlg::CMyDlg(page_context& context, QWidget* parent) : QDialog(parent), context(context)
{
    // QDialog makes every widget a window of its own; a page is a plain child
    setWindowFlags(Qt::Widget);
    // created hidden: only the main window shows a page
    QDialog::setVisible(false);
}

void CMyDlg::start_window_timer(int id, int period_ms)
{
    QTimer*& timer = timers_[id];
    if (!timer) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { on_window_timer(id); });
    }
    timer->start(period_ms);
}

void CMyDlg::kill_window_timer(int id)
{
    auto found = timers_.find(id);
    if (found != timers_.end())
        found->second->stop();
}

bool CMyDlg::window_timer_active(int id) const
{
    auto found = timers_.find(id);
    return found != timers_.end() && found->second->isActive();
}

void CMyDlg::keyPressEvent(QKeyEvent* event)
{
    // the page is part of the main window: Escape must neither hide it nor reach the window
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMyDlg::setVisible(bool visible)
{
    bool was_shown = !isHidden();
    QDialog::setVisible(visible);
    if (visible == was_shown)
        return;
    visible_flag = visible;
    if (visible)
        page_shown();
    else
        page_hidden();
}
