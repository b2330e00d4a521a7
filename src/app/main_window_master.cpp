// The main window's work with the master: adapters, restart, search, selection, and the
// results the workers hand to the GUI thread.
#include <chrono>
#include <thread>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/CKestIO_TestDlg.h"
#include "app/CNetCardSel.h"
#include "app/app_settings.h"
#include "app/message_box.h"
#include "app/poll_procedures.h"
#include "ecat/adapter.h"
#include "ecat/master.h"
#include "ecat/sdo_api.h"
#include "ecat/session.h"
#include "ecat/slave_info.h"
#include "pages/CCanDlg.h"
#include "pages/CIOdlg.h"
#include "pages/CModbusDlg.h"
#include "pages/CUsartDlg.h"
#include "simulated_adapter/simulated_adapter.h"

namespace {

const char* const info_thread_name = "Thread_GetSlaveInfo";
const char* const poll_thread_name = "Thread_GetSlaveReg";
const char* const ain24_thread_name = "Thread_GetSlaveReg_Ain24";

void settle()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

} // namespace

CKestIO_TestDlg::~CKestIO_TestDlg()
{
    closing_ = true;
    stop_poll_slots();
    settle();
    if (master_started_)
        ecat::session_close(master());
    ecat::adapter_release_all();
    adapter_names_.clear();
    // with the master cleared every transfer ends at once: the workers return, and no
    // thread may outlive the window it posts to
    info_thread_.stop_thread();
    for (CTQRThread* slot : {&ain24_thread_, &poll_thread_, &info_thread_})
        slot->join();
    // a page's worker may still post to this window: end them while it is whole
    for (CMyDlg*& page : pages_) {
        delete page;
        page = nullptr;
    }
}

void CKestIO_TestDlg::load_adapters(const QString& preferred_adapter)
{
    if (ecat::adapter_count() == 0)
        ecat::adapter_list_refresh();
    int preferred = 0;
    for (int i = 0; i < ecat::adapter_count(); ++i) {
        std::string name;
        ecat::adapter_get_name(i, name);
        adapter_names_.append(QString::fromStdString(name));
        if (adapter_names_.back() == preferred_adapter)
            preferred = i;
    }
    if (adapter_names_.isEmpty())
        return;
    net_index_ = load_net_index(int(adapter_names_.size()), preferred);
    adapter_name_->setText(adapter_names_[net_index_]);
}

void CKestIO_TestDlg::stop_poll_slots()
{
    poll_thread_.stop_thread();
    ain24_thread_.stop_thread();
    schedule_effects();
}

void CKestIO_TestDlg::restart_master()
{
    if (ecat::adapter_count() == 0)
        ecat::adapter_list_refresh();
    if (net_index_ < 0 || net_index_ >= ecat::adapter_count())
        return;
    slave_list_->clear();
    selected_slave_ = -1;
    show_no_card();
    stop_poll_slots();
    settle();
    master_started_ = true;
    // a master that could not open shows as a bus without slaves: the search finds none
    static_cast<void>(ecat::session_open(master(), descriptor_, net_index_, response_wait_ms_));
}

void CKestIO_TestDlg::on_select_adapter()
{
    CNetCardSel dialog(adapter_names_, net_index_, response_wait_ms_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    response_wait_ms_ = dialog.response_wait_ms();
    net_index_ = dialog.net_index();
    adapter_name_->setText(adapter_names_.value(net_index_));
    restart_master();
    store_net_index(net_index_);
}

void CKestIO_TestDlg::on_search()
{
    ecat::master& m = master();
    if (m.scan_busy()) {
        show_message_box(this, QStringLiteral("主站正在搜索从站！"));
        return;
    }
    selected_slave_ = -1;
    slave_list_->clear();
    forget_card();
    unsigned count = m.slave_count();
    for (unsigned i = 0; i < count; ++i) {
        ecat::slave_info info; // a slave gone meanwhile keeps an empty entry
        static_cast<void>(ecat::master_get_slave_info(m, uint16_t(i), info));
        slave_list_->addItem(slave_list_item(int(i), info), int(i));
    }
    if (slave_list_->count() == 0) {
        show_no_card();
        return;
    }
    no_slave_->hide();
    selected_slave_ = 0;
    slave_list_->setCurrentIndex(0);
    info_thread_.start(identity_read, info_thread_name, this);
    poll_thread_.start(poll_procedure_, poll_thread_name, this);
    ain24_thread_.start(ain24_poll, ain24_thread_name, this);

    CMyDlg* io = page(page_kind::io);
    if (io->isVisible())
        io->visible_flag = true;
    io->start_window_timer(1, 40);
    // the pages switch the card's serial port on their workers: a silent card must not
    // hold the window
    if (page(page_kind::usart)->visible_flag)
        static_cast<CUsartDlg*>(page(page_kind::usart))->take_card_port();
    if (page(page_kind::modbus)->visible_flag) {
        page(page_kind::modbus)->start_window_timer(10, 40);
        static_cast<CModbusDlg*>(page(page_kind::modbus))->take_card_port();
    }
}

void CKestIO_TestDlg::on_slave_selected(int item)
{
    if (item < 0)
        return;
    int position = slave_list_->itemData(item).toInt();
    if (position == selected_slave_)
        return;
    selected_slave_ = position;
    forget_card();
    info_thread_.start(identity_read, info_thread_name, this);
}

void CKestIO_TestDlg::post_effect(std::function<void()> effect)
{
    {
        std::lock_guard lock(effects_lock_);
        effects_.push_back(std::move(effect));
    }
    schedule_effects();
}

void CKestIO_TestDlg::schedule_effects()
{
    QMetaObject::invokeMethod(
        this, [this] { run_effects(); }, Qt::QueuedConnection);
}

void CKestIO_TestDlg::run_effects()
{
    // an effect may stop a slot or open a box: none runs inside another, or inside a stop
    if (closing_ || running_effects_ || gui_waits > 0)
        return;
    running_effects_ = true;
    for (;;) {
        std::function<void()> effect;
        {
            std::lock_guard lock(effects_lock_);
            if (effects_.empty())
                break;
            effect = std::move(effects_.front());
            effects_.pop_front();
        }
        effect();
    }
    running_effects_ = false;
}

void CKestIO_TestDlg::identity_text(identity_field field, const QString& text)
{
    QLabel* target = field == identity_field::hardware_version ? hardware_version_
        : field == identity_field::software_version            ? software_version_
        : field == identity_field::date                        ? date_
                                                               : serial_number_;
    // a read that ends after the list has emptied must not bring the old card back
    post_effect([this, target, text] {
        if (selected_slave_ >= 0)
            target->setText(text);
    });
}

void CKestIO_TestDlg::card_model_recognised(int model)
{
    post_effect([this, model] { select_card_model(model); });
}

void CKestIO_TestDlg::message(const QString& text)
{
    post_effect([this, text] { show_message_box(this, text); });
}

void CKestIO_TestDlg::usart_received(const std::vector<uint8_t>& bytes)
{
    auto* usart = static_cast<CUsartDlg*>(page(page_kind::usart));
    QMetaObject::invokeMethod(
        usart, [usart, bytes] { usart->append_card_received(bytes); }, Qt::QueuedConnection);
}

void CKestIO_TestDlg::usart_receive_failed(const QString& text)
{
    auto* usart = static_cast<CUsartDlg*>(page(page_kind::usart));
    QMetaObject::invokeMethod(
        usart, [usart, text] { usart->card_receive_failed(text); }, Qt::QueuedConnection);
}

void CKestIO_TestDlg::can_log(const QString& line)
{
    auto* can = static_cast<CCanDlg*>(page(page_kind::can));
    QMetaObject::invokeMethod(
        can, [can, line] { can->append_log(line); }, Qt::QueuedConnection);
}

void CKestIO_TestDlg::message_box(QWidget* owner, const QString& text, const QString& caption)
{
    show_message_box(owner, text, caption);
}

void CKestIO_TestDlg::post_to_gui(std::function<void()> work)
{
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

std::vector<extra_serial_port> CKestIO_TestDlg::simulated_serial_ports()
{
    std::vector<extra_serial_port> ports;
    for (const simulated::card_serial_line& line : simulated::card_serial_lines()) {
        QString device = QString::fromStdString(line.path);
        ports.push_back(
            {device,
             QStringLiteral("%1 (模拟 %2 %3)").arg(device, QString::fromStdString(line.model)).arg(line.position)});
    }
    return ports;
}
