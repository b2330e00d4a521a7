// The CAN page over a fake context on a simulated KOVA-H: what it writes to the card's CAN
// mailbox, what the card's echo node gets, and what the page logs.
// before Qt, whose "slots" macro the card model's headers use as a name
#include "sim/cards/card_firmware.h"
#include "sim/cards/card_jig.h"

#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>

#include "bus_fixture.h"
#include "card/card_ops.h"
#include "ecat/adapter.h"
#include "ecat/session.h"
#include "fake_page_context.h"
#include "pages/CCanDlg.h"
#include "sim/bus/bus.h"

using namespace apptest;

namespace {

const std::string bus_name = "CAN页测试总线";
// waits on the bus are generous: several helpers load the machine
constexpr int bus_wait_ms = 20000;
const QString default_data_line = "Tx: CanId:1, fmt: 经典, type: 数据帧, Data : 12 34 56 78 90 AB CD EF";

} // namespace

class can_page_test : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<sim::bus> bus;
    ecat::net_device descriptor;
    ecat::master bus_master; // this test's own, outliving what uses it
    std::unique_ptr<fake_page_context> context;
    std::unique_ptr<CCanDlg> page;

    template <typename T = QPushButton> T* control(int id)
    {
        T* found = page->findChild<T*>(QStringLiteral("id%1").arg(id));
        if (!found)
            qFatal("no control id%d", id);
        return found;
    }
    void click(int id) { QTest::mouseClick(control(id), Qt::LeftButton); }
    void type(int id, const QString& text) { control<QLineEdit>(id)->setText(text); }
    void choose(int id, const QString& item) { control<QComboBox>(id)->setCurrentText(item); }
    // the log's lines without their time stamps
    QStringList log()
    {
        QStringList lines;
        for (const QString& line : control<QPlainTextEdit>(1005)->toPlainText().split('\n', Qt::SkipEmptyParts))
            lines << line.mid(QStringLiteral("[hh:mm:ss] ").size());
        return lines;
    }
    uint64_t card_object(uint16_t index, uint8_t subindex) { return object_value(*bus, 0, index, subindex); }
    // frames the echo node sent back that wait in the card
    size_t echoed()
    {
        return bus->with_slave(0, [](sim::slave& s) { return sim::cards::card_of(s)->board().can()->waiting(); });
    }
    QTimer* active_timer_of_interval(int ms)
    {
        for (QTimer* timer : page->findChildren<QTimer*>())
            if (timer->isActive() && timer->interval() == ms)
                return timer;
        return nullptr;
    }

private slots:
    void init()
    {
        bus = register_spec_bus("KOVA-H", bus_name);
        QVERIFY(bus);
        ecat::adapter_list_refresh();
        start_master(bus_master, adapter_index_of(bus_name), descriptor);
        QVERIFY(wait_until_ready(bus_master, 1));
        context = std::make_unique<fake_page_context>(bus_master);
        page = std::make_unique<CCanDlg>(*context, nullptr);
    }

    void cleanup()
    {
        page.reset();
        QVERIFY(context->messages.isEmpty());
        context.reset();
        ecat::session_close(bus_master);
        ecat::adapter_release_all();
        bus.reset();
        ecat::adapter_unregister_wires();
    }

    void the_controls_start_with_their_captions_items_and_values()
    {
        auto* nominal = control<QComboBox>(1011);
        auto* fd = control<QComboBox>(1014);
        QStringList captions = {"25K", "40K", "50K", "100K", "125K", "250K", "500K", "1000K"};
        QList<int> rates = {25000, 40000, 50000, 100000, 125000, 250000, 500000, 1000000};
        QCOMPARE(nominal->count(), 8);
        QCOMPARE(fd->count(), 10);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(nominal->itemText(i), captions[i]);
            QCOMPARE(nominal->itemData(i).toInt(), rates[i]);
            QCOMPARE(fd->itemText(i), captions[i]);
            QCOMPARE(fd->itemData(i).toInt(), rates[i]);
        }
        QCOMPARE(fd->itemText(8), QString("1500K"));
        QCOMPARE(fd->itemData(8).toInt(), 1500000);
        QCOMPARE(fd->itemText(9), QString("2000K"));
        QCOMPARE(fd->itemData(9).toInt(), 2000000);
        QCOMPARE(nominal->currentText(), QString("500K"));
        QCOMPARE(fd->currentText(), QString("1000K"));
        QCOMPARE(control<QComboBox>(1012)->currentText(), QString("经典"));
        QCOMPARE(control<QComboBox>(1012)->itemText(1), QString("FD"));
        QCOMPARE(control<QComboBox>(1013)->currentText(), QString("数据帧"));
        QCOMPARE(control<QComboBox>(1013)->itemText(1), QString("远程帧"));
        QCOMPARE(control<QLineEdit>(1033)->text(), QString("1"));
        QCOMPARE(control<QLineEdit>(1031)->text(), QString("12 34 56 78 90 AB CD EF"));
        QCOMPARE(control<QLineEdit>(1032)->text(), QString("500"));
        QCOMPARE(control<QCheckBox>(1150)->text(), QString("定时发送，时间："));
        QVERIFY(!control<QCheckBox>(1150)->isChecked());
        QCOMPARE(control(1050)->text(), QString("设置"));
        QCOMPARE(control(1051)->text(), QString("发送数据"));
        QCOMPARE(control(1052)->text(), QString("清空"));
        QVERIFY(control<QPlainTextEdit>(1005)->toPlainText().isEmpty());
        QVERIFY(control<QPlainTextEdit>(1005)->isReadOnly());
        QStringList labels;
        for (QLabel* label : page->findChildren<QLabel*>())
            labels << label->text();
        for (const char* label : {"CAN比特率：", "FDCAN比特率：", "id：", "格式：", "类型：", "发送数据：", "接收："})
            QVERIFY2(labels.contains(label), label);
    }

    void the_default_data_goes_out_as_a_classic_data_frame()
    {
        click(1051);
        QTRY_COMPARE_WITH_TIMEOUT(log(), QStringList{default_data_line}, bus_wait_ms);
        QCOMPARE(card_object(0x2610, 2), uint64_t(1));
        QCOMPARE(card_object(0x2610, 4), uint64_t(8));
        QCOMPARE(card_object(0x2610, 5), uint64_t(0));
        QCOMPARE(card_object(0x2610, 6), uint64_t(0));
        QCOMPARE(card_object(0x2612, 1), uint64_t(0x78563412));
        QCOMPARE(card_object(0x2612, 2), uint64_t(0xEFCDAB90));
        QCOMPARE(card_object(0x2610, 1), uint64_t(0xFFFF));
        QCOMPARE(echoed(), size_t(1));
        QVERIFY(QRegularExpression(R"(^\[[ 12]\d:\d\d:\d\d\] Tx: )")
                    .match(control<QPlainTextEdit>(1005)->toPlainText())
                    .hasMatch());

        click(1051);
        QTRY_COMPARE_WITH_TIMEOUT(log().size(), 2, bus_wait_ms);
        QCOMPARE(card_object(0x2610, 1), uint64_t(0x0000));
        QCOMPARE(echoed(), size_t(2));
    }

    void ten_bytes_are_cut_to_8_for_classic_and_rounded_to_12_for_fd()
    {
        set_object(*bus, 0, 0x2612, 3, 0xDEADBEEF);
        type(1031, "01 02 03 04 05 06 07 08 09 0A");
        click(1051);
        QTRY_COMPARE_WITH_TIMEOUT(
            log(), QStringList{"Tx: CanId:1, fmt: 经典, type: 数据帧, Data : 01 02 03 04 05 06 07 08"}, bus_wait_ms);
        QCOMPARE(card_object(0x2610, 4), uint64_t(8));
        QCOMPARE(card_object(0x2612, 2), uint64_t(0x08070605));
        QCOMPARE(card_object(0x2612, 3), uint64_t(0xDEADBEEF));

        choose(1012, "FD");
        click(1051);
        QTRY_COMPARE_WITH_TIMEOUT(log().size(), 2, bus_wait_ms);
        QCOMPARE(log()[1], QString("Tx: CanId:1, fmt: FD, type: 数据帧, Data : 01 02 03 04 05 06 07 08 09 0A 00 00"));
        QCOMPARE(card_object(0x2610, 4), uint64_t(12));
        QCOMPARE(card_object(0x2610, 5), uint64_t(1));
        QCOMPARE(card_object(0x2612, 3), uint64_t(0x00000A09));
        QCOMPARE(echoed(), size_t(2));
    }

    void an_fd_text_beyond_64_bytes_sends_64_and_says_so()
    {
        QString text;
        for (int i = 0; i < 70; ++i)
            text += QString::asprintf("%02X ", i);
        type(1031, text);
        choose(1012, "FD");
        type(1033, "536870911");
        click(1051);
        QTRY_COMPARE_WITH_TIMEOUT(log().size(), 1, bus_wait_ms);
        QVERIFY2(log()[0].startsWith("Tx: CanId:536870911, fmt: FD, type: 数据帧, Data : 00 01 02"),
                 qPrintable(log()[0]));
        QVERIFY2(log()[0].endsWith(" 3E 3F (64 of 70 bytes sent)"), qPrintable(log()[0]));
        QCOMPARE(card_object(0x2610, 4), uint64_t(64));
        QCOMPARE(card_object(0x2612, 16), uint64_t(0x3F3E3D3C));
        QCOMPARE(echoed(), size_t(1));
    }

    void a_remote_frame_with_empty_data_has_length_0_and_no_data_words()
    {
        choose(1013, "远程帧");
        type(1031, "");
        sdo_traffic traffic(bus_master);
        click(1051);
        QTRY_COMPARE_WITH_TIMEOUT(log(), QStringList{"Tx: CanId:1, fmt: 经典, type: 远程帧, Data :"}, bus_wait_ms);
        for (const sdo_access& access : traffic.to(0))
            QVERIFY(access.index != 0x2612);
        QCOMPARE(card_object(0x2610, 4), uint64_t(0));
        QCOMPARE(card_object(0x2610, 6), uint64_t(1));
        QCOMPARE(echoed(), size_t(1));
    }

    void what_cannot_be_sent_is_logged_and_nothing_written()
    {
        sdo_traffic traffic(bus_master);
        type(1031, "");
        click(1051);
        QTRY_COMPARE_WITH_TIMEOUT(log(), QStringList{"发送数据为空"}, bus_wait_ms);
        type(1031, "12");
        for (const char* identifier : {"abc", "536870912", "-1", ""}) {
            type(1033, identifier);
            click(1051);
        }
        QTRY_COMPARE_WITH_TIMEOUT(log().size(), 5, bus_wait_ms);
        QCOMPARE(log().mid(1), QStringList(4, "输入无效：id 应为 0–536870911"));
        type(1033, "1");
        type(1032, "3abc");
        control<QCheckBox>(1150)->setChecked(true);
        QVERIFY(!control<QCheckBox>(1150)->isChecked());
        QVERIFY(!active_timer_of_interval(3));
        QTRY_COMPARE(log().last(), QString("输入无效：定时发送时间 应为 0–100000 ms"));
        QVERIFY(traffic.to(0).empty());
    }

    void a_send_the_card_refuses_or_without_a_slave_fails()
    {
        // CAN FD has no remote frames: the card refuses the trigger
        choose(1012, "FD");
        choose(1013, "远程帧");
        click(1051);
        QTRY_COMPARE_WITH_TIMEOUT(log().size(), 1, bus_wait_ms);
        QVERIFY2(log()[0].startsWith("发送失败：0x2610:"), qPrintable(log()[0]));
        QCOMPARE(echoed(), size_t(0));

        choose(1012, "经典");
        choose(1013, "数据帧");
        context->selected = -1;
        click(1051);
        QTRY_COMPARE_WITH_TIMEOUT(log().size(), 2, bus_wait_ms);
        QVERIFY2(log()[1].startsWith("发送失败：0x2610:02 失败"), qPrintable(log()[1]));
        QCOMPARE(echoed(), size_t(0));
    }

    void set_writes_both_bit_rates_and_logs_the_outcome()
    {
        choose(1011, "25K");
        choose(1014, "2000K");
        click(1050);
        QTRY_COMPARE_WITH_TIMEOUT(log(), QStringList{"比特率已设置：25K / 2000K"}, bus_wait_ms);
        QCOMPARE(card_object(0x2609, 2), uint64_t(2000000));
        QCOMPARE(card_object(0x2609, 1), uint64_t(25000));
        context->selected = -1;
        click(1050);
        QTRY_COMPARE_WITH_TIMEOUT(log().size(), 2, bus_wait_ms);
        QVERIFY2(log()[1].startsWith("设置失败：0x2609:01 失败"), qPrintable(log()[1]));
    }

    void sends_clicked_during_a_send_all_go_out_in_order()
    {
        for (int identifier = 10; identifier < 14; ++identifier) {
            type(1033, QString::number(identifier));
            click(1051);
        }
        click(1050);
        QTRY_COMPARE_WITH_TIMEOUT(log().size(), 5, bus_wait_ms);
        for (int i = 0; i < 4; ++i)
            QVERIFY(log()[i].startsWith(QStringLiteral("Tx: CanId:%1,").arg(10 + i)));
        QCOMPARE(echoed(), size_t(4));
        QTRY_COMPARE_WITH_TIMEOUT(card_object(0x2609, 1), uint64_t(500000), bus_wait_ms);
        QCOMPARE(card_object(0x2610, 1), uint64_t(0x0002));
    }

    void timed_send_at_0_runs_every_ms_off_the_gui_thread_also_while_hidden()
    {
        page->show();
        type(1032, "0");
        control<QCheckBox>(1150)->setChecked(true);
        QVERIFY(active_timer_of_interval(1));
        QTRY_VERIFY_WITH_TIMEOUT(log().size() >= 3, bus_wait_ms);
        // the window keeps answering: a click empties the log, and sending goes on
        click(1052);
        QVERIFY(control<QPlainTextEdit>(1005)->toPlainText().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(log().size() >= 2, bus_wait_ms);
        QVERIFY(log().filter("Tx: CanId:1,").size() == log().size());

        // a new interval counts only when the box is set again
        type(1032, "250");
        QVERIFY(active_timer_of_interval(1));
        page->hide();
        uint64_t sent = card_object(0x2610, 3);
        QTRY_VERIFY_WITH_TIMEOUT(card_object(0x2610, 3) >= sent + 3, bus_wait_ms);
        control<QCheckBox>(1150)->setChecked(false);
        QVERIFY(!active_timer_of_interval(1));
        // (the line of a send still running may follow it)
        auto stopped = [this] {
            return log().filter(QRegularExpression("^定时发送停止，上一帧未发完而跳过 \\d+ 次$"));
        };
        QTRY_COMPARE_WITH_TIMEOUT(stopped().size(), 1, bus_wait_ms);
        // ticks come every ms while a send takes several cycles of the master
        QVERIFY2(stopped()[0].section(' ', 1, 1).toInt() > 0, qPrintable(stopped()[0]));
        control<QCheckBox>(1150)->setChecked(true);
        QVERIFY(active_timer_of_interval(250));
        control<QCheckBox>(1150)->setChecked(false);
    }

    void a_timed_send_belongs_to_its_card_and_stops_when_the_selection_goes()
    {
        type(1032, "5");
        control<QCheckBox>(1150)->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(log().size() >= 2, bus_wait_ms);
        context->selected = 1; // another card: no frame of this send may go to it
        QTRY_VERIFY_WITH_TIMEOUT(!control<QCheckBox>(1150)->isChecked(), bus_wait_ms);
        QVERIFY(!active_timer_of_interval(5));
        QTRY_VERIFY_WITH_TIMEOUT(log().contains("定时发送已停止：所选从站已改变"), bus_wait_ms);
        QVERIFY2(log().filter("发送失败").isEmpty(), qPrintable(log().join('\n')));

        context->selected = 0;
        control<QCheckBox>(1150)->setChecked(true);
        page->forget_card();
        QVERIFY(!control<QCheckBox>(1150)->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(log().contains("定时发送已停止：没有选择从站"), bus_wait_ms);
    }

    void a_timed_send_shows_its_achieved_rate_and_an_interval_shorter_than_a_frame()
    {
        // a simulated card serves a frame's transfers within a tick or two: answering its
        // mailbox a few frames late makes a frame take longer than the 1 ms interval
        bus->set_mailbox_answer_delay(0, 20);
        type(1032, "1");
        control<QCheckBox>(1150)->setChecked(true);
        auto too_short = [this] {
            return log().filter(QRegularExpression("^定时发送间隔 1 ms 短于一帧所需的约 \\d+ ms：每秒最多约 \\d+ 帧$"));
        };
        QTRY_VERIFY_WITH_TIMEOUT(!too_short().isEmpty(), bus_wait_ms);
        auto* rate = page->findChild<QLabel*>("rate");
        QRegularExpression shown("^实际：(\\d+\\.\\d) 帧/秒$");
        QTRY_VERIFY_WITH_TIMEOUT(shown.match(rate->text()).captured(1).toDouble() > 0, bus_wait_ms);
        qInfo("1 ms timed send: %s; %s", qPrintable(too_short()[0]), qPrintable(rate->text()));
        control<QCheckBox>(1150)->setChecked(false);
    }

    void the_log_keeps_the_newest_lines_and_clear_drops_undrawn_ones()
    {
        for (int i = 0; i < CCanDlg::log_line_limit + 10; ++i)
            page->append_log(QString::number(i));
        auto* log_box = control<QPlainTextEdit>(1005);
        QTRY_COMPARE_WITH_TIMEOUT(log_box->blockCount(), CCanDlg::log_line_limit, bus_wait_ms);
        QCOMPARE(log_box->document()->firstBlock().text().section(' ', -1), QString("10"));
        QCOMPARE(log_box->document()->lastBlock().text().section(' ', -1),
                 QString::number(CCanDlg::log_line_limit + 9));

        page->append_log("undrawn");
        click(1052);
        QTest::qWait(200);
        QVERIFY(log_box->toPlainText().isEmpty());
    }
};

QTEST_MAIN(can_page_test)
#include "can_page_test.moc"
