// The Modbus page against the simulated cards, whose built-in jig slave (id 1) answers the
// card's Modbus master: the template's controls, the entries and timing written, checked in
// the card's dictionary, the list as the poll fills it, and the messages.
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include "modbus_page_fixture.h"

using namespace apptest;

namespace {

const std::string bus_name = "Modbus页测试总线";
const char* const all_cards = "ZEIO,KOVA-H,KOVA-16IO,KOVA-AD";
enum ring_position { kova_h = 1, kova_16io = 2 };

QStringList items(QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

QStringList numbers(int first, int last)
{
    QStringList texts;
    for (int n = first; n <= last; ++n)
        texts << QString::number(n);
    return texts;
}

} // namespace

class modbus_page_test : public QObject {
    Q_OBJECT

private:
    modbus_page_fixture f;

    uint64_t card_object(int position, uint16_t index, uint8_t subindex)
    {
        return object_value(*f.bus, size_t(position), index, subindex);
    }
    void open_kova_h()
    {
        QVERIFY(f.open_window(all_cards, bus_name, 4));
        QVERIFY(f.show_modbus_page_of_kova_h(kova_h));
    }

private slots:
    void init() { f.start(); }
    void cleanup() { f.stop(); }

    void the_page_starts_with_the_templates_controls_and_zero_rows()
    {
        QVERIFY(f.open_window(all_cards, bus_name, 4));
        QCOMPARE(items(f.combo(1011)), numbers(1, 247));
        QCOMPARE(f.combo(1011)->itemData(246).toInt(), 247);
        QCOMPARE(items(f.combo(1014)), QStringList({"Rx", "Tx"}));
        QCOMPARE(items(f.combo(1015)), numbers(0, 7));
        QCOMPARE(items(f.combo(1012)), QStringList({"线圈", "离散输入", "输入寄存器", "保持寄存器"}));
        QCOMPARE(items(f.combo(1013)), numbers(1, 32));
        QCOMPARE(f.combo(1013)->itemData(31).toInt(), 32);
        for (int id : {1011, 1012, 1013, 1014, 1015})
            QCOMPARE(f.combo(id)->currentIndex(), 0);
        QCOMPARE(f.control<QLineEdit>(1031)->text(), QString("0"));
        QCOMPARE(f.control<QLineEdit>(1032)->text(), QString("0"));
        QCOMPARE(f.control<QLineEdit>(1033)->text(), QString("2"));
        QCOMPARE(f.control<QLineEdit>(1034)->text(), QString("10"));
        QCOMPARE(f.control(1050)->text(), QString("设置"));
        QCOMPARE(f.control(1052)->text(), QString("修改"));
        QCOMPARE(f.control(1053)->text(), QString("设置时间"));
        QCOMPARE(f.control(1051)->text(), QString("清零超时次数"));
        auto* timeouts = f.control<QLabel>(1101);
        QVERIFY(timeouts->isHidden());
        QCOMPARE(timeouts->text(), QString("0"));
        bool label_hidden = false;
        for (QLabel* label : f.page->findChildren<QLabel*>())
            if (label->text() == "通信超时次数：")
                label_hidden = label->isHidden();
        QVERIFY(label_hidden);

        QTableWidget* list = f.list();
        QCOMPARE(list->rowCount(), 16);
        QCOMPARE(list->columnCount(), 10);
        QCOMPARE(list->horizontalHeaderItem(8)->text(), QString("Reg stat(1)"));
        QCOMPARE(list->columnWidth(9), 100);
        QCOMPARE(f.cell(0, 0), QString("Rx(0x3020)"));
        QCOMPARE(f.cell(15, 0), QString("Tx(0x3007)"));
        QCOMPARE(f.cell(11, 1), QString("3"));
        QCOMPARE(list->item(4, 6)->textAlignment() & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
        for (int row = 0; row < 16; ++row) {
            QCOMPARE(f.cell(row, 2), QString("0"));
            QCOMPARE(f.cell(row, 5), QString("无"));
            QCOMPARE(f.cell(row, 7), QString("0(禁用)"));
            QCOMPARE(f.cell(row, 8), QString("0x0000"));
        }
        QVERIFY(list->item(0, 8)->toolTip().contains("0x0004 异常响应"));
    }

    void every_control_is_readable_at_the_windows_minimum_size()
    {
        QVERIFY(f.open_window(all_cards, bus_name, 4));
        QVERIFY(f.show_modbus_page_of_kova_h(kova_h));
        f.window->resize(f.window->minimumSize());
        QTRY_COMPARE(f.window->size(), QSize(900, 640));
        QTRY_COMPARE(f.page->size(), f.page->parentWidget()->size());
        QRect page_rect = f.page->rect();
        for (QWidget* w : f.page->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(f.page) || !qobject_cast<QWidget*>(w->parent()) || w->parent() == f.list())
                continue;
            if (w->parentWidget() != f.page && w->parentWidget()->parentWidget() != f.page)
                continue; // the list's own viewport and scroll bars
            QRect on_page(w->mapTo(f.page, QPoint(0, 0)), w->size());
            QVERIFY2(page_rect.contains(on_page), qPrintable(w->objectName() + " " + w->metaObject()->className()));
            QVERIFY2(w->width() >= w->minimumSizeHint().width() && w->height() >= w->minimumSizeHint().height(),
                     qPrintable(QStringLiteral("%1 %2: %3x%4, needs %5x%6")
                                    .arg(w->objectName(), w->metaObject()->className())
                                    .arg(w->width())
                                    .arg(w->height())
                                    .arg(w->minimumSizeHint().width())
                                    .arg(w->minimumSizeHint().height())));
        }
        QVERIFY(f.list()->viewport()->height() >= 6 * 18);
    }

    void showing_the_page_switches_the_serial_port_to_modbus_only_with_a_slave()
    {
        QVERIFY(f.open_window(all_cards, bus_name, 4));
        auto* tabs = f.window->findChild<QTabBar*>("id1000");
        tabs->setCurrentIndex(2); // the start-up set: IO, USART, Modbus, ...
        QVERIFY(f.page->isVisible());
        QVERIFY(f.page->window_timer_active(10));
        QCOMPARE(card_object(kova_h, 0x2402, 4), uint64_t(1)); // no slave selected: nothing written
        QVERIFY(f.messages.isEmpty());
        tabs->setCurrentIndex(0);
        QVERIFY(!f.page->visible_flag);
        QTRY_VERIFY(!f.page->window_timer_active(10));

        QVERIFY(f.show_modbus_page_of_kova_h(kova_h));
        QTRY_COMPARE(card_object(kova_h, 0x2402, 4), uint64_t(0));
        QVERIFY(f.messages.isEmpty());
    }

    void every_button_needs_a_selected_slave()
    {
        QVERIFY(f.open_window(all_cards, bus_name, 4));
        int clicked = 0;
        for (QPushButton* button : f.page->findChildren<QPushButton*>()) {
            f.messages.clear();
            button->click();
            QCOMPARE(f.messages, QStringList{"没有选择从站"});
            ++clicked;
        }
        QCOMPARE(clicked, 4);
        QCOMPARE(card_object(kova_h, 0x3020, 6), uint64_t(0));
        QCOMPARE(card_object(kova_h, 0x2402, 3), uint64_t(2));
    }

    void register_type_changes_refill_the_bit_counts()
    {
        QVERIFY(f.open_window(all_cards, bus_name, 4));
        f.choose(1013, 7);
        f.choose(1012, 1); // 线圈 to 离散输入
        QCOMPARE(items(f.combo(1013)), numbers(1, 32));
        QCOMPARE(f.combo(1013)->currentIndex(), 0);
        f.choose(1012, 3);
        QCOMPARE(items(f.combo(1013)), QStringList({"16", "32"}));
        QCOMPARE(f.combo(1013)->itemData(1).toInt(), 32);
        f.choose(1013, 1);
        f.choose(1012, 2);
        QCOMPARE(items(f.combo(1013)), QStringList({"16", "32"}));
        QCOMPARE(f.combo(1013)->currentIndex(), 0);
        f.choose(1012, 0);
        QCOMPARE(items(f.combo(1013)), numbers(1, 32));
    }

    void setting_an_entry_writes_the_rx_or_tx_object()
    {
        open_kova_h();
        f.configure(5, 0, 3, 3, 32, 1234);
        QCOMPARE(card_object(kova_h, 0x3023, 2), uint64_t(1234));
        QCOMPARE(card_object(kova_h, 0x3023, 3), uint64_t(32)); // the bit count, not its list position
        QCOMPARE(card_object(kova_h, 0x3023, 4), uint64_t(5));
        QCOMPARE(card_object(kova_h, 0x3023, 5), uint64_t(4));
        QCOMPARE(card_object(kova_h, 0x3023, 6), uint64_t(1));
        QCOMPARE(card_object(kova_h, 0x3003, 6), uint64_t(0));

        f.configure(247, 1, 3, 0, 12, 65535);
        QCOMPARE(card_object(kova_h, 0x3003, 2), uint64_t(65535));
        QCOMPARE(card_object(kova_h, 0x3003, 3), uint64_t(12));
        QCOMPARE(card_object(kova_h, 0x3003, 4), uint64_t(247));
        QCOMPARE(card_object(kova_h, 0x3003, 5), uint64_t(1));
        QVERIFY(f.messages.isEmpty());

        QCOMPARE(f.status(), QString("设置成功"));
        for (const char* bad : {"65536", "-1", "12ab", ""}) {
            f.type(1031, bad);
            f.press(1050);
        }
        QCOMPARE(f.messages, QStringList(4, "输入无效：寄存器地址 应为 0–65535"));
        QCOMPARE(card_object(kova_h, 0x3003, 2), uint64_t(65535)); // bad text writes nothing
        QCOMPARE(card_object(kova_h, 0x3003, 6), uint64_t(1));     // not even the entry off
    }

    void modify_and_timing_write_their_objects_or_nothing()
    {
        open_kova_h();
        f.choose(1014, 0); // Rx shown: 修改 still writes the Tx data
        f.modify(3, "-2");
        QCOMPARE(card_object(kova_h, 0x2602, 4), uint64_t(0xFFFFFFFE));
        f.modify(0, "4294967295");
        QCOMPARE(card_object(kova_h, 0x2602, 1), uint64_t(0xFFFFFFFF));
        QCOMPARE(f.status(), QString("修改成功"));
        f.modify(0, "4294967296");
        f.modify(0, "1e3");
        QCOMPARE(f.messages, QStringList(2, "输入无效：寄存器Data 应为 -2147483648–4294967295"));
        QCOMPARE(card_object(kova_h, 0x2602, 1), uint64_t(0xFFFFFFFF));

        f.messages.clear();
        f.set_timing("5", "300");
        QCOMPARE(card_object(kova_h, 0x2402, 3), uint64_t(5));
        QCOMPARE(card_object(kova_h, 0x2402, 1), uint64_t(300));
        QCOMPARE(f.status(), QString("时间已设置"));
        f.set_timing("7", "70000");
        f.set_timing("abc", "20");
        QCOMPARE(f.messages,
                 QStringList({"输入无效：超时时间 应为 0–65535 0.1ms", "输入无效：间隔时间 应为 0–65535 ms"}));
        QCOMPARE(card_object(kova_h, 0x2402, 3), uint64_t(5));
        QCOMPARE(card_object(kova_h, 0x2402, 1), uint64_t(300));
    }

    void timing_stops_at_a_failed_first_write()
    {
        QVERIFY(f.open_window(all_cards, bus_name, 4));
        QVERIFY(f.show_modbus_page_of_kova_h(kova_h));
        // the KOVA-16IO has no serial port: its first timing write is refused
        auto* slaves = f.window->findChild<QComboBox*>("id1012");
        slaves->setCurrentIndex(kova_16io);
        emit slaves->activated(kova_16io);
        QTRY_VERIFY(!f.window->info_thread().running() && f.window->page(page_kind::io16)->isVisible());
        sdo_traffic traffic(f.bus_master);
        f.messages.clear();
        f.set_timing("5", "300");
        QCOMPARE(f.messages, QStringList{"设置失败！"});
        QVERIFY2(f.status().startsWith("失败：0x2402:03 失败"), qPrintable(f.status()));
        std::vector<sdo_access> writes;
        for (const sdo_access& access : traffic.to(kova_16io))
            if (!access.upload)
                writes.push_back(access);
        QCOMPARE(writes.size(), size_t(1));
        QCOMPARE(writes[0].index, uint16_t(0x2402));
        QCOMPARE(writes[0].subindex, uint8_t(3));
    }

    void the_list_follows_the_poll_while_the_jig_slave_answers()
    {
        open_kova_h();
        f.modify(0, "4321");
        f.configure(1, 1, 0, 3, 16, 10);  // Tx 0: holding register 10 of the jig slave
        f.configure(1, 0, 0, 3, 16, 10);  // Rx 0 reads it back
        f.configure(1, 0, 6, 3, 16, 300); // beyond the jig slave's registers
        QTRY_COMPARE_WITH_TIMEOUT(f.cell(0, 6), QString("4321"), 10000);
        QTRY_COMPARE(f.cell(0, 8), QString("0x0001"));
        QTRY_COMPARE(f.cell(0, 5), QString("保持寄存器")); // the poll reads the type after the data
        QTRY_COMPARE(f.cell(0, 4), QString("16"));
        QTRY_COMPARE(f.cell(8, 7), QString("1(启用)"));
        QTRY_COMPARE(f.cell(8, 6), QString("4321"));
        QTRY_COMPARE(f.cell(6, 8), QString("0x0204"));
        QVERIFY(f.list()->item(6, 8)->toolTip().contains("异常码 2"));
        QCOMPARE(f.window->values().modbus_rx[0].data.load(), 4321u);

        set_object(*f.bus, kova_h, 0x3021, 5, 7);
        QTRY_COMPARE(f.cell(1, 5), QString("无"));
        QVERIFY(f.messages.isEmpty());
    }

    void clearing_resets_the_tx_timeout_counts()
    {
        open_kova_h();
        f.configure(9, 1, 5, 3, 16, 0); // Tx 5 to an absent slave
        QTRY_VERIFY_WITH_TIMEOUT(f.cell(13, 9).toInt() >= 2, 10000);
        QTRY_COMPARE(f.cell(13, 8), QString("0x0002"));
        f.configure(1, 1, 5, 3, 16, 0); // the jig slave answers from now on
        f.press(1051);
        QCOMPARE(card_object(kova_h, 0x3005, 7), uint64_t(0));
        QCOMPARE(f.status(), QString("超时次数已清零"));
        QTRY_COMPARE(f.cell(13, 9), QString("0"));
        QTRY_COMPARE(f.cell(13, 8), QString("0x0001"));
        QVERIFY(f.messages.isEmpty());
    }

    // A card whose mailbox never answers: each transfer waits for its time limit.
    void a_card_that_does_not_answer_holds_neither_a_tab_switch_nor_a_button()
    {
        open_kova_h();
        auto* tabs = f.window->findChild<QTabBar*>("id1000");
        int modbus_tab = tabs->currentIndex();
        f.bus->set_mailbox_answer_delay(kova_h, 100000);
        // the longest the GUI thread went without running a 5 ms timer
        QElapsedTimer since_beat;
        qint64 longest_stall = 0;
        QTimer heartbeat;
        connect(&heartbeat, &QTimer::timeout, [&] { longest_stall = std::max(longest_stall, since_beat.restart()); });
        since_beat.start();
        heartbeat.start(5);

        f.control(1051)->click();
        QVERIFY(!f.control(1051)->isEnabled());
        QVERIFY(!f.control(1050)->isEnabled());
        tabs->setCurrentIndex(0);
        tabs->setCurrentIndex(modbus_tab);
        QTRY_VERIFY_WITH_TIMEOUT(f.control(1051)->isEnabled(), 60000);
        heartbeat.stop();
        QVERIFY2(f.status().startsWith("失败：0x3000:07 失败"), qPrintable(f.status()));
        qInfo("longest GUI stall during 清零超时次数 and a tab switch on a card that does not answer: %lld ms",
              longest_stall);
        f.bus->set_mailbox_answer_delay(kova_h, 0);
    }

    void taking_the_port_from_the_usart_page_says_whose_words_the_data_cells_show()
    {
        open_kova_h();
        QTRY_COMPARE(card_object(kova_h, 0x2402, 4), uint64_t(0));
        auto* tabs = f.window->findChild<QTabBar*>("id1000");
        int modbus_tab = tabs->currentIndex();
        tabs->setCurrentIndex(modbus_tab - 1); // USART
        QTRY_COMPARE(card_object(kova_h, 0x2402, 4), uint64_t(1));
        f.press(1052); // a status of its own first
        tabs->setCurrentIndex(modbus_tab);
        QTRY_VERIFY(f.status().contains("USART"));
        QTRY_COMPARE(card_object(kova_h, 0x2402, 4), uint64_t(0));
    }
};

QTEST_MAIN(modbus_page_test)
#include "modbus_page_test.moc"
