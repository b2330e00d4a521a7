// The main window against the simulated bus: start-up, search, identity and model
// recognition, status labels, the adapter dialog, slots and polls, closing.
#include <chrono>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include "app/CKestIO_TestDlg.h"
#include "card/card_ops.h"
#include "app/CNetCardSel.h"
#include "app/message_box.h"
#include "app/poll_procedures.h"
#include "bus_fixture.h"
#include "support/master_test_access.h"
#include "ecat/adapter.h"
#include "pages/CADtest.h"
#include "pages/CMyDlg.h"
#include "pages/CSetDlg.h"
#include "sim/bus/bus.h"

using namespace apptest;

namespace {

const std::string bus_name = "测试总线";
const char* const all_cards = "ZEIO,KOVA-H,KOVA-16IO,KOVA-AD";

test_card card_named(const std::string& hardware_version)
{
    test_card card;
    card.name = hardware_version;
    card.hardware_version = hardware_version;
    return card;
}

} // namespace

class main_window_test : public QObject {
    Q_OBJECT

private:
    ecat::master bus_master; // this test's own, outliving what uses it
    std::unique_ptr<CKestIO_TestDlg> window;
    std::shared_ptr<sim::bus> bus;
    QStringList messages;
    std::vector<test_card> cards;

    void open_window(unsigned slave_count)
    {
        window = std::make_unique<CKestIO_TestDlg>(bus_master, QString::fromStdString(bus_name));
        window->show();
        QVERIFY(wait_until_ready(bus_master, slave_count));
    }

    void open_on_cards(std::vector<test_card> line)
    {
        cards = line;
        bus = register_test_bus(cards, bus_name);
        open_window(unsigned(cards.size()));
    }

    template <typename T> T* control(int id) { return window->findChild<T*>(QStringLiteral("id%1").arg(id)); }
    QString text_of(int id) { return control<QLabel>(id)->text(); }
    void click(int id) { QTest::mouseClick(control<QPushButton>(id), Qt::LeftButton); }
    QComboBox* slave_list() { return control<QComboBox>(1012); }
    QTabBar* tabs() { return control<QTabBar>(1000); }
    QStringList tab_captions()
    {
        QStringList captions;
        for (int i = 0; i < tabs()->count(); ++i)
            captions << tabs()->tabText(i);
        return captions;
    }
    QStringList ad_channels()
    {
        auto* channels = window->page(page_kind::ad_test)->findChild<QComboBox*>("id1011");
        QStringList names;
        for (int i = 0; i < channels->count(); ++i)
            names << channels->itemText(i);
        return names;
    }
    void choose_slave(int item)
    {
        slave_list()->setCurrentIndex(item);
        emit slave_list()->activated(item);
    }
    // Searches and waits until the identity of slave 0 is shown.
    void search_and_read_identity()
    {
        click(1050);
        QTRY_VERIFY(!window->info_thread().running() && text_of(1104) != "0000000000000000");
    }

private slots:
    void init()
    {
        QSettings("DV_TqrApp", "KestIO_Test").clear();
        messages.clear();
        set_message_box_handler([this](QWidget*, const QString&, const QString& text) { messages << text; });
    }

    void cleanup()
    {
        window.reset();
        bus.reset();
        ecat::adapter_unregister_wires();
        set_message_box_handler({});
    }

    void startup_shows_the_startup_page_set_with_tab_0()
    {
        open_on_cards({card_named("ZEIO")});
        QCOMPARE(window->windowTitle(), QString("KestIO卡测试工具"));
        QCOMPARE(window->minimumSize(), QSize(900, 640));
        QCOMPARE(tab_captions(),
                 QStringList({"IO测试", "串口(自定义协议)测试", "串口(Modbus协议)测试", "AD稳定性测试", "设置"}));
        QCOMPARE(window->current_tab(), 0);
        QVERIFY(window->page(page_kind::io)->isVisible());
        int visible_pages = 0;
        for (CMyDlg* page : window->findChildren<CMyDlg*>()) {
            visible_pages += page->isVisible();
            QVERIFY(!page->isWindow());
        }
        QCOMPARE(visible_pages, 1);
        QStringList created;
        for (QObject* child : window->page(page_kind::io)->parent()->children())
            if (auto* page = qobject_cast<CMyDlg*>(child))
                created << page->metaObject()->className();
        QCOMPARE(
            created,
            QStringList({"CIOdlg", "CIO16dlg", "CIOHdlg", "CUsartDlg", "CModbusDlg", "CSetDlg", "CADtest", "CCanDlg"}));
        QCOMPARE(control<QLineEdit>(1031)->text(), QString::fromStdString(bus_name));
        QCOMPARE(window->response_wait_ms(), 10);
        QCOMPARE(slave_list()->count(), 0); // until the operator searches
        QVERIFY(window->poll_procedure() == &io_poll);
        // the page area lies below the tab strip, which lies below the device panel
        QWidget* device = control<QWidget>(1100);
        QVERIFY(tabs()->geometry().top() > device->geometry().bottom());
        QCOMPARE(window->page(page_kind::io)->size(), window->page(page_kind::io)->parentWidget()->size());
    }

    void search_lists_the_slaves_and_shows_the_identity_of_slave_0()
    {
        open_on_cards({card_named("ZEIO"), card_named("KOVA-H"), card_named("KOVA-16IO")});
        click(1050);
        QCOMPARE(slave_list()->count(), 3);
        QCOMPARE(slave_list()->itemText(0), QString("(0) ZEIO(VID:00004B49, PID:00010001)"));
        QCOMPARE(slave_list()->itemText(2), QString("(2) KOVA-16IO(VID:00004B49, PID:00010001)"));
        QCOMPARE(slave_list()->itemData(2).toInt(), 2);
        QCOMPARE(slave_list()->currentIndex(), 0);
        QCOMPARE(window->selected_slave(), 0);
        QTRY_COMPARE(text_of(1104), QString("123456789ABCDEF0"));
        QCOMPARE(text_of(1101), QString("ZEIO"));
        QCOMPARE(text_of(1102), QString("V1.02"));
        QCOMPARE(text_of(1103), QString("2024.03.15"));
        QVERIFY(window->poll_thread().running());
        QVERIFY(window->ain24_thread().running());
        QCOMPARE(static_cast<CADtest*>(window->page(page_kind::ad_test))->channel_count(), 2);
        QVERIFY(messages.isEmpty());
    }

    void each_card_model_shows_its_tab_set_and_poll()
    {
        open_on_cards({card_named("ZEIO"), card_named("KOVA-H"), card_named("KOVA-16IO"), card_named("KOVA-AD"),
                       card_named("KOVA-H "), card_named("kova-h")});
        search_and_read_identity();
        choose_slave(1);
        QTRY_COMPARE(tabs()->count(), 6);
        QCOMPARE(tabs()->tabText(5), QString("Can"));
        QVERIFY(window->poll_procedure() == &kova_h_poll);
        QVERIFY(window->page(page_kind::ioh)->isVisible());
        QVERIFY(!window->page(page_kind::io)->isVisible());
        QCOMPARE(window->current_tab(), 0);
        QCOMPARE(static_cast<CADtest*>(window->page(page_kind::ad_test))->channel_count(), 4);
        QTRY_VERIFY(window->poll_thread().running()); // restarted with the new procedure
        QTRY_VERIFY(!window->info_thread().running());

        // neither a trailing blank nor lower case names a model: the set stays
        for (int item : {4, 5}) {
            choose_slave(item);
            QTRY_COMPARE(text_of(1101), QString::fromStdString(cards[size_t(item)].hardware_version));
            QTRY_VERIFY(!window->info_thread().running());
            QCOMPARE(tabs()->count(), 6);
            QVERIFY(window->poll_procedure() == &kova_h_poll);
        }

        choose_slave(2);
        QTRY_COMPARE(tab_captions(), QStringList({"IO测试", "AD稳定性测试"}));
        QVERIFY(window->poll_procedure() == &kova_16io_poll);
        QVERIFY(window->page(page_kind::io16)->isVisible());
        QCOMPARE(ad_channels(), QStringList({"AD0", "AD1"}));
        choose_slave(3);
        QTRY_COMPARE(tab_captions(), QStringList({"IO测试", "AD稳定性测试", "设置"}));
        QVERIFY(window->poll_procedure() == &io_poll);
        choose_slave(0);
        QTRY_COMPARE(tabs()->count(), 5);
        QVERIFY(window->page(page_kind::io)->isVisible());
        QVERIFY(!window->page(page_kind::can)->isVisible());
        QTRY_VERIFY(!window->info_thread().running());
        QVERIFY(window->poll_thread().running());
        QVERIFY(messages.isEmpty());
    }

    void each_model_offers_its_own_ad_channels_whatever_card_came_before()
    {
        bus = register_spec_bus("ZEIO,KOVA-H,KOVA-AD", bus_name);
        open_window(3);
        search_and_read_identity();
        QCOMPARE(ad_channels(), QStringList({"AD0", "AD1"}));
        choose_slave(1);
        QTRY_COMPARE(tabs()->count(), 6);
        QCOMPARE(ad_channels(), QStringList({"AD0", "AD1", "AD2", "AD3"}));
        choose_slave(2);
        QTRY_COMPARE(tabs()->count(), 3);
        QCOMPARE(ad_channels().size(), 16);
        QCOMPARE(ad_channels().last(), QString("AD15"));
    }

    void another_card_shows_no_ad_results_or_configuration_of_the_last_one()
    {
        bus = register_spec_bus("ZEIO,KOVA-AD", bus_name);
        open_window(2);
        search_and_read_identity();
        CMyDlg* ad = window->page(page_kind::ad_test);
        auto* settings = static_cast<CSetDlg*>(window->page(page_kind::settings));
        tabs()->setCurrentIndex(4);
        QTRY_VERIFY(settings->isVisible());
        settings->findChild<QPushButton*>("id1050")->click();
        QTRY_COMPARE(messages, QStringList{"获取配置成功"});
        QVERIFY(settings->shown_configuration() != page_logic::settings_config{});
        tabs()->setCurrentIndex(3);
        QTRY_VERIFY(ad->isVisible());
        ad->findChild<QLineEdit*>("id1031")->setText("2");
        QTest::keyClick(ad->findChild<QLineEdit*>("id1031"), Qt::Key_Return);
        auto* results = ad->findChild<QTableWidget*>("id1002");
        ad->findChild<QPushButton*>("id1050")->click();
        QTRY_COMPARE_WITH_TIMEOUT(results->columnCount(), 2, 20000);

        choose_slave(1);
        QCOMPARE(results->columnCount(), 1);
        QCOMPARE(settings->shown_configuration(), page_logic::settings_config{});
        QTRY_VERIFY(!window->info_thread().running());
    }

    void selecting_the_selected_slave_again_reads_nothing()
    {
        open_on_cards({card_named("ZEIO"), card_named("ZEIO")});
        search_and_read_identity();
        sdo_traffic traffic(bus_master);
        choose_slave(0);
        QTest::qWait(300);
        for (const sdo_access& access : traffic.to(0))
            QVERIFY(access.index != 0x1009);
        choose_slave(1);
        auto identity_read_of_1 = [&] {
            auto to_1 = traffic.to(1);
            return std::any_of(to_1.begin(), to_1.end(), [](const sdo_access& a) { return a.index == 0x1009; });
        };
        QTRY_VERIFY(identity_read_of_1());
    }

    void searching_again_leaves_running_slots_running()
    {
        open_on_cards({card_named("ZEIO")});
        search_and_read_identity();
        std::thread::id poll = window->poll_thread().thread_id();
        std::thread::id ain24 = window->ain24_thread().thread_id();
        click(1050);
        QCOMPARE(window->poll_thread().thread_id(), poll);
        QCOMPARE(window->ain24_thread().thread_id(), ain24);
        QVERIFY(window->poll_thread().running());
        QCOMPARE(slave_list()->count(), 1);
    }

    void search_during_a_scan_is_refused_and_1105_shows_the_scan()
    {
        // frames lost on the way make a scan of seconds: each costs a response wait, and
        // the master runs a scan's exchanges back to back only while the replies come
        cards = std::vector<test_card>(6, card_named("ZEIO"));
        bus = register_test_bus(cards, bus_name);
        bus->set_drop_probability(0.3);
        window = std::make_unique<CKestIO_TestDlg>(bus_master, QString::fromStdString(bus_name));
        window->show();
        QTRY_VERIFY(window->master().scan_busy());
        QTRY_VERIFY(control<QLabel>(1105)->isVisible());
        click(1050);
        QCOMPARE(messages, QStringList({"主站正在搜索从站！"}));
        QCOMPARE(slave_list()->count(), 0);
        bus->set_drop_probability(0);
        QVERIFY(wait_until_ready(bus_master, 6, 30000));
        QTRY_VERIFY(!control<QLabel>(1105)->isVisible());
    }

    void unplugging_the_selected_card_shows_1106_until_it_is_back()
    {
        open_on_cards({card_named("ZEIO"), card_named("ZEIO"), card_named("ZEIO")});
        search_and_read_identity();
        choose_slave(2);
        QTRY_VERIFY(!window->info_thread().running());
        QLabel* disconnected = control<QLabel>(1106);
        QVERIFY(!disconnected->isVisible());
        auto* readings = window->page(page_kind::io)->findChild<QTableWidget*>("id1002");
        bus->unplug(2);
        QTRY_VERIFY(window->master().slave_count() == 2);
        QTRY_VERIFY_WITH_TIMEOUT(disconnected->isVisible(), 600); // one refresh
        QVERIFY(!readings->isEnabled());                          // the last readings are greyed as old
        bus->replug(2);
        QTRY_VERIFY(window->master().slave_count() == 3);
        QTRY_VERIFY_WITH_TIMEOUT(!disconnected->isVisible(), 600);
        QVERIFY(readings->isEnabled());
    }

    void a_search_that_finds_nothing_leaves_no_trace_of_the_last_card()
    {
        open_on_cards({card_named("ZEIO")});
        search_and_read_identity();
        auto* readings = window->page(page_kind::io)->findChild<QTableWidget*>("id1002");
        // the card's objects hold index + subindex: AD0 (0x3028:01) reads 3029
        QTRY_COMPARE(readings->item(0, 5)->text(), QString("3029"));
        QLabel* no_slave = window->findChild<QLabel*>("no_slave");
        QVERIFY(!no_slave->isVisible());
        bus->unplug(0);
        QTRY_VERIFY(window->master().slave_count() == 0 && !window->master().scan_busy());
        click(1050);
        QCOMPARE(slave_list()->count(), 0);
        QCOMPARE(QStringList({text_of(1101), text_of(1102), text_of(1103), text_of(1104)}),
                 QStringList({"00000", "0000", "0000.00.00", "0000000000000000"}));
        QVERIFY(no_slave->isVisible());
        QCOMPARE(no_slave->text(), QString("未找到从站"));
        // the list is back at its start: zero values, nothing greyed
        QCOMPARE(readings->item(0, 5)->text(), QString("0"));
        QCOMPARE(readings->item(0, 6)->text(), QString("-25.00000000"));
        QVERIFY(readings->isEnabled());
        QTest::qWait(300);
        QCOMPARE(readings->item(0, 5)->text(), QString("0"));

        bus->replug(0);
        QVERIFY(wait_until_ready(bus_master, 1));
        search_and_read_identity();
        QVERIFY(!no_slave->isVisible());
        QTRY_COMPARE(readings->item(0, 5)->text(), QString("3029"));
    }

    void identity_texts_end_at_the_first_zero_byte()
    {
        test_card padded = card_named(std::string("KOVA-H\0\0\0\0", 10));
        padded.name = "KOVA-H";
        padded.software_version = std::string("V1.02\0\0\0", 8);
        open_on_cards({padded});
        search_and_read_identity();
        QCOMPARE(text_of(1101), QString("KOVA-H"));
        QCOMPARE(text_of(1102), QString("V1.02"));
        // the text the field shows is the text the model is recognised by
        QTRY_COMPARE(tabs()->count(), 6);
    }

    void switching_tabs_keeps_the_focus_in_the_pages()
    {
        open_on_cards({card_named("ZEIO")});
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QWidget* io = window->page(page_kind::io);
        io->findChild<QLineEdit*>("id1031")->setFocus();
        QVERIFY(io->findChild<QLineEdit*>("id1031")->hasFocus());
        tabs()->setCurrentIndex(1);
        QWidget* usart = window->page(page_kind::usart);
        QVERIFY(QApplication::focusWidget());
        QVERIFY(!control<QLineEdit>(1031)->hasFocus()); // not the adapter field
        QVERIFY(usart->isAncestorOf(QApplication::focusWidget()) || tabs()->hasFocus());
        tabs()->setCurrentIndex(0);
        QVERIFY(io->isAncestorOf(QApplication::focusWidget()));
        QVERIFY(!control<QLineEdit>(1031)->hasFocus());
    }

    void the_adapter_dialog_restarts_the_master_with_the_new_wait()
    {
        open_on_cards({card_named("ZEIO")});
        search_and_read_identity();
        int bus_index = adapter_index_of(bus_name);
        QCOMPARE(window->net_index(), bus_index);

        // Cancel changes nothing
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CNetCardSel*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString("网卡选择"));
            QCOMPARE(dialog->findChild<QComboBox*>("id1011")->currentIndex(), bus_index);
            QCOMPARE(dialog->findChild<QLineEdit*>("id1031")->text(), QString("10"));
            dialog->findChild<QLineEdit*>("id1031")->setText("99");
            dialog->findChild<QPushButton*>("id2")->click();
        });
        click(1051);
        QCOMPARE(window->response_wait_ms(), 10);
        QCOMPARE(slave_list()->count(), 1);
        QVERIFY(!QSettings("DV_TqrApp", "KestIO_Test").contains("config/net_index"));

        // OK with only a new wait restarts the master on the same adapter
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<CNetCardSel*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->findChild<QLineEdit*>("id1031")->setText("25");
            dialog->findChild<QPushButton*>("id1")->click();
        });
        click(1051);
        QCOMPARE(window->response_wait_ms(), 25);
        QCOMPARE(window->net_index(), bus_index);
        QCOMPARE(ecat::adapter_get(bus_index)->receive_timeout_ms, 25u);
        QCOMPARE(slave_list()->count(), 0);
        QCOMPARE(window->selected_slave(), -1);
        QVERIFY(!window->poll_thread().running());
        QVERIFY(!window->ain24_thread().running());
        QCOMPARE(QSettings("DV_TqrApp", "KestIO_Test").value("config/net_index").toInt(), bus_index);
        QVERIFY(wait_until_ready(bus_master, 1));
        QTest::qWait(500);
        QVERIFY(!control<QLabel>(1106)->isVisible()); // nothing is selected
        search_and_read_identity();
        QCOMPARE(slave_list()->count(), 1);
    }

    void the_adapter_dialog_refuses_a_wait_outside_0_to_1000_ms_and_needs_an_adapter_for_ok()
    {
        CNetCardSel dialog({"eth0", "模拟总线"}, 1, 10);
        dialog.findChild<QComboBox*>("id1011")->setCurrentIndex(0);
        auto* wait = dialog.findChild<QLineEdit*>("id1031");
        for (const char* refused : {"", "99999999999999", "1001"}) {
            messages.clear();
            wait->setText(refused);
            dialog.findChild<QPushButton*>("id1")->click();
            QCOMPARE(messages, QStringList{"等待网络响应时间必须在 0 到 1000 ms 之间！"});
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(wait->text(), QString("10")); // the previous value is back
            QCOMPARE(dialog.response_wait_ms(), 10);
        }
        wait->setText("0");
        dialog.findChild<QPushButton*>("id1")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.net_index(), 0);
        QCOMPARE(dialog.response_wait_ms(), 0);

        CNetCardSel empty({}, -1, 10);
        QVERIFY(!empty.findChild<QPushButton*>("id1")->isEnabled());
        empty.accept();
        QCOMPARE(empty.result(), int(QDialog::Rejected));
        QCOMPARE(empty.net_index(), -1);
    }

    void a_stored_index_is_used_and_an_out_of_range_one_becomes_0()
    {
        cards = {card_named("ZEIO")};
        bus = register_test_bus(cards, bus_name);
        QSettings("DV_TqrApp", "KestIO_Test").setValue("config/net_index", 99);
        window = std::make_unique<CKestIO_TestDlg>(bus_master, QString::fromStdString(bus_name));
        QCOMPARE(window->net_index(), 0);
        window.reset();
        ecat::adapter_list_refresh();
        int bus_index = adapter_index_of(bus_name);
        ecat::adapter_release_all();
        QSettings("DV_TqrApp", "KestIO_Test").setValue("config/net_index", bus_index);
        window = std::make_unique<CKestIO_TestDlg>(bus_master);
        QCOMPARE(window->net_index(), bus_index);
    }

    void with_the_ad_test_tab_shown_no_object_is_read()
    {
        open_on_cards({card_named("ZEIO")});
        search_and_read_identity();
        sdo_traffic traffic(bus_master);
        QTRY_VERIFY(!traffic.to(0).empty()); // the IO tab is polled
        tabs()->setCurrentIndex(3);
        QCOMPARE(window->current_tab(), 3);
        QVERIFY(window->page(page_kind::ad_test)->isVisible());
        QVERIFY(!window->page(page_kind::io)->isVisible());
        QTest::qWait(800); // the passes under way end
        traffic.clear();
        QTest::qWait(500);
        QVERIFY(traffic.to(0).empty());
        tabs()->setCurrentIndex(0);
        QTRY_VERIFY(!traffic.to(0).empty());
    }

    void the_ad_clock_button_shows_only_when_the_setting_asks_for_it()
    {
        open_on_cards({card_named("ZEIO")});
        QVERIFY(window->page(page_kind::ad_test)->findChild<QPushButton*>("id1052")->isHidden());
        window.reset();
        QSettings("DV_TqrApp", "KestIO_Test").setValue("ui/ad_clock_button", true);
        open_window(1);
        QVERIFY(!window->page(page_kind::ad_test)->findChild<QPushButton*>("id1052")->isHidden());
    }

    void a_restart_does_not_hang_on_a_worker_blocked_in_a_transfer()
    {
        open_on_cards({card_named("ZEIO")});
        search_and_read_identity();
        *cards[0].inputs_delay_ms = 1500;
        QTest::qWait(100);
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("id1")->click(); });
        QElapsedTimer timer;
        timer.start();
        click(1051);
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(!window->poll_thread().running());
        *cards[0].inputs_delay_ms = 0;
        QVERIFY(wait_until_ready(bus_master, 1));
        search_and_read_identity();
        QVERIFY(window->poll_thread().running());
    }

    void closing_with_polls_running_ends_cleanly()
    {
        open_on_cards({card_named("KOVA-H")});
        search_and_read_identity();
        QTRY_COMPARE(tabs()->count(), 6);
        tabs()->setCurrentIndex(2);
        QTest::qWait(100);
        QElapsedTimer timer;
        timer.start();
        window.reset();
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(testsupport::inside(bus_master).stop);
        QCOMPARE(bus_master.slave_count(), 0u);
        QCOMPARE(ecat::adapter_count(), 0);
    }

    void escape_and_enter_do_not_close_a_page()
    {
        open_on_cards({card_named("ZEIO")});
        CMyDlg* page = window->page(page_kind::io);
        for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(page, &press);
        }
        QVERIFY(page->isVisible());
        QVERIFY(window->isVisible());
    }

    void the_about_box_opens_from_the_menu()
    {
        open_on_cards({card_named("ZEIO")});
        QString title;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            title = box->windowTitle();
            box->findChild<QPushButton*>("id1")->click();
        });
        window->findChild<QMenuBar*>()->actions().first()->trigger();
        QCOMPARE(title, QString("关于 KestIO_Test"));
    }

    void the_kova_h_pages_show_what_the_card_ports_receive()
    {
        bus = register_spec_bus("KOVA-H", bus_name);
        open_window(1);
        search_and_read_identity();
        QTRY_COMPARE(tabs()->count(), 6);
        ecat::master& m = window->master();
        const std::string text = "来自卡的数据";
        QCOMPARE(
            card::usart_send(m, 0, window->counters(), reinterpret_cast<const uint8_t*>(text.data()), text.size()).code,
            0);
        const uint8_t payload[2] = {0x5A, 0xA5};
        QCOMPARE(card::can_send(m, 0, window->counters(), 0, 18, 2, payload, 1).code, 0);
        tabs()->setCurrentIndex(1);
        QWidget* usart = window->page(page_kind::usart);
        QTRY_COMPARE(usart->findChild<QPlainTextEdit*>("id1006")->toPlainText(), QString::fromStdString(text));
        QCOMPARE(usart->findChild<QLabel*>("id1103")->text(), QString::number(text.size()));
        tabs()->setCurrentIndex(5);
        auto* log = window->page(page_kind::can)->findChild<QPlainTextEdit*>("id1005");
        QTRY_VERIFY(log->toPlainText().contains("] Rx: CanId:18, fmt: FD, type: 数据帧, Data : 5A A5"));
    }

    void the_simulated_cards_are_listed_in_ring_order()
    {
        bus = register_spec_bus(all_cards, bus_name);
        if (!bus)
            QSKIP("the simulator does not have the card models yet");
        open_window(4);
        click(1050);
        QCOMPARE(slave_list()->count(), 4);
        QVERIFY(slave_list()->itemText(0).startsWith("(0) ZEIO(VID:"));
        QVERIFY(slave_list()->itemText(1).startsWith("(1) KOVA-H(VID:"));
        QVERIFY(slave_list()->itemText(2).startsWith("(2) KOVA-16IO(VID:"));
        QVERIFY(slave_list()->itemText(3).startsWith("(3) KOVA-AD(VID:"));
        QTRY_COMPARE(text_of(1101), QString("ZEIO"));
        QTRY_VERIFY(!window->info_thread().running());
        QVERIFY(QRegularExpression("^[0-9A-F]{4}\\.[0-9A-F]{2}\\.[0-9A-F]{2}$").match(text_of(1103)).hasMatch());
        QVERIFY(QRegularExpression("^[0-9A-F]{16}$").match(text_of(1104)).hasMatch());
        choose_slave(1);
        QTRY_COMPARE(tabs()->count(), 6);
        QCOMPARE(tabs()->tabText(5), QString("Can"));
        QVERIFY(messages.isEmpty());
    }
};

QTEST_MAIN(main_window_test)
#include "main_window_test.moc"
