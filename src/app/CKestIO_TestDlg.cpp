#include "app/CKestIO_TestDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/CAboutDlg.h"
#include "app/app_settings.h"
#include "app/poll_procedures.h"
#include "card/polled_values.h"
#include "ecat/master.h"
#include "pages/CADtest.h"
#include "pages/CCanDlg.h"
#include "pages/CIO16dlg.h"
#include "pages/CIOHdlg.h"
#include "pages/CIOdlg.h"
#include "pages/CModbusDlg.h"
#include "pages/CSetDlg.h"
#include "pages/CUsartDlg.h"

namespace {

constexpr int status_refresh_ms = 400;

QLabel* field(const char* text, int id, QWidget* parent)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QStringLiteral("id%1").arg(id));
    return label;
}

} // namespace

CKestIO_TestDlg::CKestIO_TestDlg(const QString& preferred_adapter, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      poll_procedure_(io_poll)
{
    setWindowTitle(QStringLiteral("KestIO卡测试工具"));
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
    setMinimumSize(900, 640);
    build_controls();
    create_pages();
    show_ad_clock_button(load_ad_clock_button());
    add_page_set(page_set_for(no_card_model));
    show_first_page();
    layout_pages();
    load_adapters(preferred_adapter);
    restart_master();
    startTimer(status_refresh_ms);
}

void CKestIO_TestDlg::build_controls()
{
    auto* device = new QGroupBox(QStringLiteral("设备"), this);
    device->setObjectName("id1100");
    adapter_name_ = new QLineEdit(device);
    adapter_name_->setObjectName("id1031");
    adapter_name_->setReadOnly(true);
    auto* select_adapter = new QPushButton(QStringLiteral("选择网卡"), device);
    select_adapter->setObjectName("id1051");
    auto* search = new QPushButton(QStringLiteral("搜索从站"), device);
    search->setObjectName("id1050");
    slave_list_ = new QComboBox(device);
    slave_list_->setObjectName("id1012");
    hardware_version_ = field("00000", 1101, device);
    software_version_ = field("0000", 1102, device);
    date_ = field("0000.00.00", 1103, device);
    serial_number_ = field("0000000000000000", 1104, device);
    scanning_ = field("正在搜索从站 ... ...", 1105, device);
    disconnected_ = field("选择的从站已断开连接", 1106, device);
    scanning_->hide();
    disconnected_->hide();

    auto* grid = new QGridLayout(device);
    grid->addWidget(new QLabel(QStringLiteral("网卡："), device), 0, 0);
    grid->addWidget(adapter_name_, 0, 1, 1, 5);
    grid->addWidget(select_adapter, 0, 6);
    grid->addWidget(new QLabel(QStringLiteral("IO卡名称："), device), 1, 0);
    grid->addWidget(slave_list_, 1, 1, 1, 5);
    grid->addWidget(search, 1, 6);
    grid->addWidget(new QLabel(QStringLiteral("硬件版本："), device), 2, 0);
    grid->addWidget(hardware_version_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("软件版本："), device), 2, 2);
    grid->addWidget(software_version_, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("日期："), device), 3, 0);
    grid->addWidget(date_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("序列号："), device), 3, 2);
    grid->addWidget(serial_number_, 3, 3);
    grid->addWidget(scanning_, 2, 4, 1, 3);
    grid->addWidget(disconnected_, 3, 4, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 2);

    tab_ = new QTabBar(this);
    tab_->setObjectName("id1000");
    tab_->setExpanding(false);
    page_area_ = new QWidget(this);
    page_area_->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    auto* menu = new QMenuBar(this);
    QAction* about = menu->addAction(QStringLiteral("关于 KestIO_Test(&A)..."));
    layout->setMenuBar(menu);
    layout->addWidget(device);
    layout->addSpacing(8);
    layout->addWidget(tab_);
    layout->addWidget(page_area_, 1);
    layout->setSpacing(0);

    connect(about, &QAction::triggered, this, [this] { CAboutDlg(this).exec(); });
    connect(select_adapter, &QPushButton::clicked, this, &CKestIO_TestDlg::on_select_adapter);
    connect(search, &QPushButton::clicked, this, &CKestIO_TestDlg::on_search);
    connect(slave_list_, &QComboBox::activated, this, &CKestIO_TestDlg::on_slave_selected);
    connect(tab_, &QTabBar::currentChanged, this, &CKestIO_TestDlg::on_tab_changed);
}

void CKestIO_TestDlg::create_pages()
{
    // created hidden, in this order; their tabs come from the page sets
    pages_[size_t(page_kind::io)] = new CIOdlg(*this, page_area_);
    pages_[size_t(page_kind::io16)] = new CIO16dlg(*this, page_area_);
    pages_[size_t(page_kind::ioh)] = new CIOHdlg(*this, page_area_);
    pages_[size_t(page_kind::usart)] = new CUsartDlg(*this, page_area_);
    pages_[size_t(page_kind::modbus)] = new CModbusDlg(*this, page_area_);
    pages_[size_t(page_kind::settings)] = new CSetDlg(*this, page_area_);
    pages_[size_t(page_kind::ad_test)] = new CADtest(*this, page_area_);
    pages_[size_t(page_kind::can)] = new CCanDlg(*this, page_area_);
}

void CKestIO_TestDlg::show_ad_clock_button(bool shown)
{
    static_cast<CADtest*>(page(page_kind::ad_test))->set_clock_button_shown(shown);
}

polled_values& CKestIO_TestDlg::values()
{
    return shared_polled_values();
}

void CKestIO_TestDlg::add_page(CMyDlg* page, const QString& caption)
{
    QSignalBlocker quiet(tab_);
    int tab = tab_->addTab(caption);
    tab_->setTabData(tab, QVariant::fromValue(static_cast<QObject*>(page)));
}

void CKestIO_TestDlg::add_page_set(const page_set& set)
{
    poll_procedure_ = poll_procedure_for(set.poll);
    for (const tab_entry& entry : set.tabs)
        add_page(page(entry.page), QString::fromUtf8(entry.caption));
    if (set.ad_channels)
        static_cast<CADtest*>(page(page_kind::ad_test))->set_channel_count(set.ad_channels);
}

void CKestIO_TestDlg::show_tab_page(int tab, bool visible)
{
    if (tab < 0)
        return;
    if (auto* shown = qobject_cast<CMyDlg*>(tab_->tabData(tab).value<QObject*>()))
        shown->setVisible(visible);
}

void CKestIO_TestDlg::show_first_page()
{
    if (current_tab_ == 0)
        return;
    show_tab_page(current_tab_, false);
    current_tab_ = 0;
    QSignalBlocker quiet(tab_);
    tab_->setCurrentIndex(0);
    show_tab_page(0, true);
}

void CKestIO_TestDlg::layout_pages()
{
    for (int tab = 0; tab < tab_->count(); ++tab)
        if (auto* page = qobject_cast<CMyDlg*>(tab_->tabData(tab).value<QObject*>()))
            page->setGeometry(page_area_->rect());
}

bool CKestIO_TestDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == page_area_ && event->type() == QEvent::Resize)
        layout_pages();
    return QDialog::eventFilter(watched, event);
}

void CKestIO_TestDlg::select_card_model(int model)
{
    if (current_tab_ != -1) {
        show_tab_page(current_tab_, false);
        current_tab_ = -1;
    }
    {
        QSignalBlocker quiet(tab_);
        while (tab_->count() > 0)
            tab_->removeTab(0);
    }
    add_page_set(page_set_for(model));
    layout_pages();
    show_first_page();
    if (!poll_thread_.stop_requested()) {
        poll_thread_.stop_thread();
        poll_thread_.start(poll_procedure_, "Thread_GetSlaveReg", this);
        schedule_effects();
    }
}

void CKestIO_TestDlg::on_tab_changed(int tab)
{
    if (tab == current_tab_)
        return;
    show_tab_page(current_tab_, false);
    current_tab_ = tab;
    show_tab_page(tab, true);
}

void CKestIO_TestDlg::timerEvent(QTimerEvent* event)
{
    refresh_status();
    QDialog::timerEvent(event);
}

void CKestIO_TestDlg::refresh_status()
{
    ecat::master& m = master();
    bool scanning = m.scan_busy != 0;
    if (scanning != shown_scan_busy_) {
        scanning_->setVisible(scanning);
        shown_scan_busy_ = scanning;
    }
    // without a selection nothing can be disconnected
    int selected = selected_slave_;
    bool disconnected = selected >= 0 && unsigned(selected) >= m.slave_count;
    if (disconnected != shown_disconnected_) {
        disconnected_->setVisible(disconnected);
        shown_disconnected_ = disconnected;
    }
}
