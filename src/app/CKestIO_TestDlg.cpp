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
#include "app/window_log.h"
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

// The identity fields 1101..1104 as they are before a card has been read.
constexpr const char* identity_start_texts[] = {"00000", "0000", "0000.00.00", "0000000000000000"};

// The first control of a page that takes the keyboard focus, or null.
QWidget* first_focus_control(QWidget* page)
{
    for (QWidget* next = page->nextInFocusChain(); next && next != page; next = next->nextInFocusChain())
        if (page->isAncestorOf(next) && next->isVisible() && next->isEnabled() && (next->focusPolicy() & Qt::TabFocus))
            return next;
    return nullptr;
}

QLabel* field(const char* text, int id, QWidget* parent)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QStringLiteral("id%1").arg(id));
    return label;
}

} // namespace

CKestIO_TestDlg::CKestIO_TestDlg(ecat::master& master, const QString& preferred_adapter, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      master_(master),
      poll_procedure_(io_poll)
{
    setWindowTitle(QStringLiteral("KestIO卡测试工具"));
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
    setMinimumSize(900, 640);
    build_controls();
    create_pages();
    show_ad_clock_button(load_ad_clock_button());
    add_page_set(page_set_for(no_card_model));
    show_first_page(nullptr);
    layout_pages();
    load_adapters(preferred_adapter);
    restart_master();
    // nothing has been searched yet
    no_slave_->hide();
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
    hardware_version_ = field(identity_start_texts[0], 1101, device);
    software_version_ = field(identity_start_texts[1], 1102, device);
    date_ = field(identity_start_texts[2], 1103, device);
    serial_number_ = field(identity_start_texts[3], 1104, device);
    scanning_ = field("正在搜索从站 ... ...", 1105, device);
    disconnected_ = field("选择的从站已断开连接", 1106, device);
    no_slave_ = new QLabel(QStringLiteral("未找到从站"), device);
    no_slave_->setObjectName("no_slave");
    scanning_->hide();
    disconnected_->hide();
    no_slave_->hide();

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
    // never shown with 1106: that needs a selected slave, this an empty list
    grid->addWidget(no_slave_, 3, 4, 1, 3);
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
    static_cast<CADtest*>(page(page_kind::ad_test))->set_channel_count(set.ad_channels);
}

CMyDlg* CKestIO_TestDlg::page_of_tab(int tab) const
{
    return tab < 0 ? nullptr : qobject_cast<CMyDlg*>(tab_->tabData(tab).value<QObject*>());
}

void CKestIO_TestDlg::switch_page(CMyDlg* hidden, CMyDlg* shown)
{
    // hiding the page that holds the focus would hand it to the first control of the
    // window, the adapter field
    QWidget* focus = QApplication::focusWidget();
    bool focus_in_hidden = hidden && focus && hidden->isAncestorOf(focus);
    if (focus_in_hidden)
        focus->clearFocus();
    if (hidden)
        hidden->setVisible(false);
    if (shown)
        shown->setVisible(true);
    if (!focus_in_hidden)
        return;
    if (hidden == shown)
        focus->setFocus(Qt::OtherFocusReason);
    else if (QWidget* first = shown ? first_focus_control(shown) : nullptr)
        first->setFocus(Qt::OtherFocusReason);
    else
        tab_->setFocus(Qt::OtherFocusReason);
}

void CKestIO_TestDlg::show_no_card()
{
    QLabel* fields[] = {hardware_version_, software_version_, date_, serial_number_};
    for (size_t i = 0; i < std::size(fields); ++i)
        fields[i]->setText(QString::fromUtf8(identity_start_texts[i]));
    forget_card();
    no_slave_->show();
}

void CKestIO_TestDlg::forget_card()
{
    for (CMyDlg* page : pages_)
        page->forget_card();
}

void CKestIO_TestDlg::show_first_page(CMyDlg* hidden)
{
    if (current_tab_ == 0)
        return;
    current_tab_ = 0;
    QSignalBlocker quiet(tab_);
    tab_->setCurrentIndex(0);
    switch_page(hidden, page_of_tab(0));
    log_shown_page(0);
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
    // the shown page stays up until the new set's first page replaces it, so that the
    // focus can pass from one to the other
    CMyDlg* shown = page_of_tab(current_tab_);
    current_tab_ = -1;
    {
        QSignalBlocker quiet(tab_);
        while (tab_->count() > 0)
            tab_->removeTab(0);
    }
    card_model_ = model;
    add_page_set(page_set_for(model));
    layout_pages();
    show_first_page(shown);
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
    CMyDlg* hidden = page_of_tab(current_tab_);
    current_tab_ = tab;
    switch_page(hidden, page_of_tab(tab));
    log_shown_page(tab);
}

void CKestIO_TestDlg::log_shown_page(int tab) const
{
    CMyDlg* shown = page_of_tab(tab);
    if (!window_log_wanted() || !shown)
        return;
    const char* model = card_model_ == no_card_model ? "none" : card_model_names[card_model_];
    // one substitution for all: a card name with "%1" in it stays as it is
    window_log(QStringLiteral("page shown: card %1 \"%2\" model %3 tab %4/%5 \"%6\" %7")
                   .arg(QString::number(selected_slave_.load()), slave_list_->currentText(), QString::fromUtf8(model),
                        QString::number(tab + 1), QString::number(tab_->count()), tab_->tabText(tab),
                        QString::fromUtf8(shown->metaObject()->className())));
}

void CKestIO_TestDlg::timerEvent(QTimerEvent* event)
{
    refresh_status();
    QDialog::timerEvent(event);
}

void CKestIO_TestDlg::refresh_status()
{
    ecat::master& m = master();
    bool scanning = m.scan_busy();
    if (scanning != shown_scan_busy_) {
        scanning_->setVisible(scanning);
        shown_scan_busy_ = scanning;
    }
    if (window_log_wanted()) {
        QString bus =
            scanning ? QStringLiteral("bus: scanning") : QStringLiteral("bus: %1 slaves").arg(m.slave_count());
        if (bus != logged_bus_) {
            window_log(bus);
            logged_bus_ = bus;
        }
    }
    // without a selection nothing can be disconnected
    int selected = selected_slave_;
    bool disconnected = selected >= 0 && unsigned(selected) >= m.slave_count();
    if (disconnected != shown_disconnected_) {
        disconnected_->setVisible(disconnected);
        shown_disconnected_ = disconnected;
        for (CMyDlg* page : pages_)
            page->mark_readings_stale(disconnected);
    }
}
