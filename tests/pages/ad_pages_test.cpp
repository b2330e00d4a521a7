// The AD test page and the AD clock dialog over a fake context, against a simulated KOVA-AD:
// runs checked against the DA output set on the jig, the row and column rules, stopping,
// copying, exporting, and the clock dialog's loads and writes checked in the card.
#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "bus_fixture.h"
#include "ecat/adapter.h"
#include "ecat/session.h"
#include "support/master_test_access.h"
#include "ecat/sdo_api.h"
#include "fake_page_context.h"
#include "pages/CADcfgclkDlg.h"
#include "pages/CADtest.h"
#include "pages/file_dialog.h"
#include "sim/bus/bus.h"

using namespace apptest;

namespace {

const char* const bus_name = "AD页测试总线";
constexpr int run_timeout_ms = 60000;

template <typename T = QPushButton> T* control(QWidget* parent, int id)
{
    T* found = parent->findChild<T*>(QStringLiteral("id%1").arg(id));
    if (!found)
        qFatal("no control id%d", id);
    return found;
}

// The leading number of a cell such as "1000.20(2.4419V)".
double count_of(const QString& cell)
{
    return cell.left(cell.indexOf('(')).toDouble();
}

// The volts in parentheses of a cell.
double volts_of(const QString& cell)
{
    int open = cell.indexOf('(');
    return cell.mid(open + 1, cell.indexOf('V', open) - open - 1).toDouble();
}

} // namespace

class ad_pages_test : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<sim::bus> bus;
    ecat::net_device descriptor;
    ecat::master bus_master; // this test's own, outliving what uses it
    std::unique_ptr<fake_page_context> context;
    std::unique_ptr<CADtest> page;

    QTableWidget* list() { return control<QTableWidget>(page.get(), 1002); }
    QString cell(int row, int column)
    {
        QTableWidgetItem* item = list()->item(row, column);
        return item ? item->text() : QString();
    }
    QPushButton* read_button() { return control(page.get(), 1050); }
    QLineEdit* count_edit() { return control<QLineEdit>(page.get(), 1031); }
    // Types a read count and finishes it with Enter.
    void type_count(const QString& text)
    {
        count_edit()->setText(text);
        QTest::keyClick(count_edit(), Qt::Key_Return);
    }
    void set_count(int count) { type_count(QString::number(count)); }
    void choose(int combo, int item) { control<QComboBox>(page.get(), combo)->setCurrentIndex(item); }

    void write_card(uint16_t index, uint8_t subindex, uint32_t value, size_t size)
    {
        uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        QCOMPARE(ecat::master_sdo_download(bus_master, 0, index, subindex, bytes, size, nullptr), 0);
    }
    int32_t read_card(uint16_t index, uint8_t subindex)
    {
        uint8_t bytes[4] = {};
        size_t size = 0;
        if (ecat::master_sdo_upload(bus_master, 0, index, subindex, bytes, 4, &size, nullptr) != 0)
            return -1;
        return int32_t(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24);
    }
    // Starts a run and waits for its column.
    void run_to_end()
    {
        int columns = list()->columnCount();
        read_button()->click();
        QTRY_COMPARE_WITH_TIMEOUT(list()->columnCount(), columns + 1, run_timeout_ms);
        QVERIFY(!page->running());
    }
    // the progress shown on the button: "停止 (taken/count)"
    int samples_taken()
    {
        QRegularExpressionMatch match = QRegularExpression("\\((\\d+)/").match(read_button()->text());
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    }
    void right_click(int row, int column)
    {
        QRect rect = list()->visualRect(list()->model()->index(row, column));
        QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                                list()->viewport()->mapToGlobal(rect.center()));
        QCoreApplication::sendEvent(list()->viewport(), &event);
    }

    // The clock the card runs at start: PLL2 at 80 MHz, 8.5 cycles, divided by 4.
    void reset_card_clock()
    {
        const uint32_t values[6] = {1, 5, 80, 5, 8, 4};
        for (uint8_t sub = 1; sub <= 6; ++sub)
            write_card(0x2120, sub, values[sub - 1], 4);
        write_card(0x2121, 0, 0x6C3B, 2);
        set_object(*bus, 0, 0x2121, 0, 0);
    }
    // Opens the dialog and waits for its load.
    std::unique_ptr<CADcfgclkDlg> open_dialog()
    {
        auto dialog = std::make_unique<CADcfgclkDlg>(*context, nullptr);
        dialog->show();
        QLineEdit* pllp = control<QLineEdit>(dialog.get(), 1033);
        if (!QTest::qWaitFor([&] { return !pllp->text().isEmpty(); }, 10000))
            qWarning("the clock dialog did not load");
        return dialog;
    }
    void select(QComboBox* combo, int item)
    {
        combo->setCurrentIndex(item);
        emit combo->activated(item);
    }
    // Presses 修改时钟 and waits until its writes are done.
    void write_clock(CADcfgclkDlg& dialog)
    {
        QPushButton* write = control(&dialog, 1050);
        write->click();
        QTRY_VERIFY_WITH_TIMEOUT(write->isEnabled(), 10000);
    }
    QList<int32_t> running_clock()
    {
        QList<int32_t> values;
        for (uint8_t sub = 1; sub <= 6; ++sub)
            values << read_card(0x2120, sub);
        return values;
    }

private slots:
    void initTestCase()
    {
        bus = register_spec_bus("KOVA-AD", bus_name);
        QVERIFY(bus);
        ecat::adapter_list_refresh();
        start_master(bus_master, adapter_index_of(bus_name), descriptor);
        QVERIFY(wait_until_ready(bus_master, 1));
    }

    void cleanupTestCase()
    {
        ecat::session_close(bus_master);
        bus.reset();
        ecat::adapter_unregister_wires();
    }

    void init()
    {
        context = std::make_unique<fake_page_context>(bus_master);
        page = std::make_unique<CADtest>(*context, nullptr);
        page->resize(900, 500);
        page->show();
    }

    void cleanup()
    {
        page.reset();
        context.reset();
    }

    void the_page_starts_with_ten_sample_rows_ahead_of_the_summary()
    {
        QCOMPARE(page->channel_count(), 16);
        QCOMPARE(control<QComboBox>(page.get(), 1011)->itemText(15), QString("AD15"));
        QCOMPARE(control<QComboBox>(page.get(), 1013)->currentText(), QString("12位"));
        QCOMPARE(control<QLineEdit>(page.get(), 1033)->text(), QString("10.0"));
        QCOMPARE(control<QLineEdit>(page.get(), 1032)->text(), QString("1.0"));
        QCOMPARE(read_button()->text(), QString("读取"));
        QVERIFY(control(page.get(), 1052)->isHidden());
        QCOMPARE(list()->columnCount(), 1);
        QCOMPARE(list()->horizontalHeaderItem(0)->text(), QString("序号"));
        QCOMPARE(list()->rowCount(), 16);
        QCOMPARE(cell(0, 0), QString("1："));
        QCOMPARE(cell(9, 0), QString("10："));
        QCOMPARE(cell(10, 0), QString("平均值："));
        QCOMPARE(cell(15, 0), QString("最大与最小差："));
        page->set_channel_count(2);
        QCOMPARE(page->channel_count(), 2);
        QCOMPARE(control<QComboBox>(page.get(), 1011)->currentText(), QString("AD0"));
    }

    void a_run_averages_the_da_output_within_the_jig_noise()
    {
        // AD1 of the jig is DA0: 1000 counts, 2.4414 V
        write_card(0x2310, 0, 1000, 2);
        choose(1011, 1);
        run_to_end();
        QCOMPARE(list()->horizontalHeaderItem(1)->text(), QString("第1次"));
        QCOMPARE(read_button()->text(), QString("获取"));
        for (int row = 0; row < 10; ++row)
            QVERIFY2(qAbs(count_of(cell(row, 1)) - 1000) <= 1, qPrintable(cell(row, 1)));
        QVERIFY2(qAbs(count_of(cell(10, 1)) - 1000) <= 1, qPrintable(cell(10, 1)));
        QCOMPARE(cell(11, 1), QString("409.60(1.0000V)"));
        QVERIFY(count_of(cell(15, 1)) <= 2);

        // 24-bit AD0 is DA0 single-ended
        choose(1013, 2);
        choose(1011, 0);
        run_to_end();
        QCOMPARE(list()->horizontalHeaderItem(2)->text(), QString("第2次"));
        QVERIFY2(qAbs(volts_of(cell(10, 2)) - 1000 * 10.0 / 4096) < 0.0005, qPrintable(cell(10, 2)));
        QCOMPARE(cell(11, 2), QString("8724152.32(1.00000000V)"));
        QVERIFY(cell(0, 2).endsWith("V)") && cell(0, 2).contains(QRegularExpression("\\(2\\.44\\d{6}V\\)")));
    }

    void the_sample_count_moves_the_summary_and_keeps_the_columns()
    {
        write_card(0x2310, 0, 2000, 2);
        choose(1011, 1);
        run_to_end();
        QString third = cell(2, 1);
        QString seventh = cell(6, 1);
        QString average = cell(10, 1);
        set_count(5);
        QCOMPARE(list()->rowCount(), 11);
        QCOMPARE(cell(4, 0), QString("5："));
        QCOMPARE(cell(5, 0), QString("平均值："));
        QCOMPARE(cell(2, 1), third);
        QCOMPARE(cell(5, 1), average);
        // a smaller count hid the samples beyond it; they come back with the rows
        set_count(7);
        QCOMPARE(cell(6, 0), QString("7："));
        QCOMPARE(cell(6, 1), seventh);
        QCOMPARE(cell(7, 1), average);
        set_count(12);
        QCOMPARE(cell(10, 1), QString());
        QCOMPARE(cell(12, 1), average);
        set_count(7);

        control(page.get(), 1051)->click();
        QCOMPARE(list()->columnCount(), 1);
        QCOMPARE(cell(7, 0), QString("平均值："));
        run_to_end();
        QCOMPARE(list()->horizontalHeaderItem(1)->text(), QString("第1次"));
        QVERIFY(!cell(6, 1).isEmpty());
    }

    void the_read_count_applies_when_finished_in_one_step_within_1_to_10000()
    {
        run_to_end();
        QString tenth = cell(9, 1);
        // typed digit by digit, 25 passes through 2: nothing changes before Enter
        count_edit()->selectAll();
        QTest::keyClicks(count_edit(), "25");
        QCOMPARE(list()->rowCount(), 16);
        QCOMPARE(cell(9, 1), tenth);
        int insertions = 0;
        connect(list()->model(), &QAbstractItemModel::rowsInserted, this, [&] { ++insertions; });
        QTest::keyClick(count_edit(), Qt::Key_Return);
        QCOMPARE(list()->rowCount(), 31);
        QCOMPARE(cell(9, 1), tenth);

        for (const char* refused : {"10001", "0", "3abc", "", "100000000"})
            type_count(refused);
        QCOMPARE(context->messages, QStringList(5, "提示: 输入无效：读取个数 应为 1–10000"));
        QCOMPARE(count_edit()->text(), QString("25"));
        QCOMPARE(list()->rowCount(), 31);

        set_count(10000);
        QCOMPARE(list()->rowCount(), 10006);
        QCOMPARE(cell(9999, 0), QString("10000："));
        QCOMPARE(cell(10000, 0), QString("平均值："));
        QCOMPARE(insertions, 2);
    }

    void a_card_change_stops_the_run_and_clears_the_results()
    {
        set_count(2);
        run_to_end();
        set_count(400);
        read_button()->click();
        page->forget_card();
        QCOMPARE(list()->columnCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!page->running(), run_timeout_ms);
        // the stopped run's column belonged to the last card
        QCOMPARE(list()->columnCount(), 1);
        QCOMPARE(page->findChild<QLabel*>("status")->text(), QString("从站已改变：上一从站的读取已停止，记录已清除"));
    }

    void export_writes_every_sample_and_statistic_as_utf8_csv()
    {
        QTemporaryDir folder;
        QString path = folder.filePath("ad.csv");
        set_file_dialog_handler([&](file_dialog_kind kind, const QStringList& filters) {
            return kind == file_dialog_kind::save && filters == QStringList{"CSV文件(*.csv)"} ? path : QString();
        });
        set_count(3);
        run_to_end();
        QString hidden = cell(2, 1).remove(' ');
        QString average = cell(3, 1).remove(' ');
        set_count(2);
        run_to_end();
        page->findChild<QPushButton*>("export_csv")->click();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n");
        QCOMPARE(lines.size(), 1 + 3 + 6 + 1);
        QCOMPARE(lines[0], QString("序号,第1次,第2次"));
        QCOMPARE(lines[3], "3：," + hidden + ",");
        QCOMPARE(lines[4], "平均值：," + average + "," + cell(2, 2).remove(' '));
        QCOMPARE(lines[9], "最大与最小差：," + cell(7, 1).remove(' ') + "," + cell(7, 2).remove(' '));
        QCOMPARE(page->findChild<QLabel*>("status")->text(), QString("已导出：ad.csv"));

        path = folder.filePath("missing/ad.csv");
        page->findChild<QPushButton*>("export_csv")->click();
        QCOMPARE(context->messages, QStringList{"提示: 导出失败，无法写入文件！"});
        set_file_dialog_handler({});
    }

    void a_second_press_stops_the_run_instead_of_starting_another()
    {
        set_count(400);
        QPushButton* read = read_button();
        read->click();
        QVERIFY(page->running());
        QVERIFY(read->text().startsWith("停止"));
        QVERIFY(!control<QLineEdit>(page.get(), 1031)->isEnabled());
        QVERIFY(!control(page.get(), 1051)->isEnabled());
        read->click();
        QTRY_VERIFY_WITH_TIMEOUT(!page->running(), run_timeout_ms);
        QCOMPARE(list()->columnCount(), 2);
        QVERIFY(control<QLineEdit>(page.get(), 1031)->isEnabled());
        QVERIFY(control(page.get(), 1051)->isEnabled());
        // stopped after the sample under way, if any: the rest stay empty
        QVERIFY(cell(399, 1).isEmpty());
        QTest::qWait(200);
        QCOMPARE(list()->columnCount(), 2);
    }

    void a_stop_mid_run_keeps_what_was_read()
    {
        write_card(0x2310, 0, 3000, 2);
        choose(1011, 1);
        set_count(1000);
        QPushButton* read = read_button();
        read->click();
        QTRY_VERIFY_WITH_TIMEOUT(samples_taken() >= 5, run_timeout_ms);
        read->click();
        QTRY_VERIFY_WITH_TIMEOUT(!page->running(), run_timeout_ms);
        int taken = 0;
        while (taken < 1000 && !cell(taken, 1).isEmpty())
            ++taken;
        QVERIFY2(taken >= 5 && taken < 1000, qPrintable(QString::number(taken)));
        for (int row = taken; row < 1000; ++row)
            QVERIFY(cell(row, 1).isEmpty());
        QVERIFY(qAbs(count_of(cell(1000, 1)) - 3000) <= 1);
        QCOMPARE(read->text(), QString("获取"));
    }

    void without_a_slave_every_sample_fails_and_only_the_clock_button_says_so()
    {
        context->selected = -1;
        set_count(3);
        run_to_end();
        QCOMPARE(cell(0, 1), QString("读失败"));
        QCOMPARE(cell(2, 1), QString("读失败"));
        QCOMPARE(cell(3, 1), QString("0.00(0.0000V)"));
        QCOMPARE(cell(7, 1), QString("0(0.0000V)"));
        QVERIFY(context->messages.isEmpty());
        page->set_clock_button_shown(true);
        control(page.get(), 1052)->click();
        QCOMPARE(context->messages, QStringList{"提示: 没有从站!"});
    }

    void a_right_click_copies_the_cell_without_its_spaces()
    {
        write_card(0x2310, 0, 300, 2);
        choose(1011, 1);
        set_count(2);
        run_to_end();
        QVERIFY(cell(0, 1).startsWith(" "));
        right_click(0, 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), cell(0, 1).trimmed());
        QGuiApplication::clipboard()->setText("before");
        set_count(3); // row 2 of the column is empty
        right_click(2, 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("before"));
        right_click(0, 0);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("1："));
    }

    void every_control_and_cell_is_readable_in_the_smallest_page_with_the_cjk_font()
    {
        QFont before = QApplication::font();
        QApplication::setFont(QFont("WenQuanYi Micro Hei", 10));
        page = std::make_unique<CADtest>(*context, nullptr);
        // the page area of the main window at its minimum size of 900 x 640
        page->resize(900, 420);
        page->show();
        choose(1013, 2);
        set_count(2);
        context->selected = -1;
        run_to_end();
        page->set_clock_button_shown(true);
        QCoreApplication::processEvents();
        for (QWidget* widget : page->findChildren<QWidget*>()) {
            if (widget->isHidden()
                || !(qobject_cast<QPushButton*>(widget) || qobject_cast<QLabel*>(widget)
                     || qobject_cast<QComboBox*>(widget) || qobject_cast<QLineEdit*>(widget)))
                continue;
            QRect placed(widget->mapTo(page.get(), QPoint(0, 0)), widget->size());
            QVERIFY2(page->rect().contains(placed), qPrintable(widget->objectName()));
            QVERIFY2(widget->width() >= widget->minimumSizeHint().width(), qPrintable(widget->objectName()));
        }
        QFontMetrics metrics(list()->font());
        for (int column = 0; column < list()->columnCount(); ++column)
            for (int row = 0; row < list()->rowCount(); ++row)
                QVERIFY2(metrics.horizontalAdvance(cell(row, column)) + 6 <= list()->columnWidth(column),
                         qPrintable(cell(row, column)));
        QRect listed(list()->mapTo(page.get(), QPoint(0, 0)), list()->size());
        QCOMPARE(page->width() - listed.right() - 1, 15);
        QCOMPARE(page->height() - listed.bottom() - 1, 15);
        QApplication::setFont(before);
    }

    void the_clock_dialog_loads_the_card_clock()
    {
        reset_card_clock();
        auto dialog = open_dialog();
        QCOMPARE(dialog->windowTitle(), QString("AD时钟修改"));
        QCOMPARE(control<QLineEdit>(dialog.get(), 1031)->text(), QString("5"));
        QCOMPARE(control<QLineEdit>(dialog.get(), 1032)->text(), QString("80"));
        QCOMPARE(control<QComboBox>(dialog.get(), 1011)->currentText(), QString("PLL2"));
        QCOMPARE(control<QComboBox>(dialog.get(), 1012)->currentText(), QString("4"));
        QCOMPARE(control<QComboBox>(dialog.get(), 1013)->currentText(), QString("8.5"));
        QCOMPARE(control<QLabel>(dialog.get(), 1102)->text(), QString("80.000 M"));
        QCOMPARE(control<QLabel>(dialog.get(), 1101)->text(), QString("0.010 M"));
        QVERIFY(control(dialog.get(), 1050)->isEnabled());
    }

    void the_clock_dialog_computes_and_refuses_before_writing()
    {
        reset_card_clock();
        auto dialog = open_dialog();
        auto type = [&](int id, const char* text) { control<QLineEdit>(dialog.get(), id)->setText(text); };
        QLabel* adclk = control<QLabel>(dialog.get(), 1102);
        QLabel* frequency = control<QLabel>(dialog.get(), 1101);
        type(1031, "3");
        type(1032, "20");
        type(1033, "2");
        control(dialog.get(), 1051)->click();
        QCOMPARE(adclk->text(), QString("83.333 M"));
        write_clock(*dialog);
        type(1031, "64");
        type(1032, "1");
        write_clock(*dialog);
        type(1031, "5");
        type(1032, "81");
        type(1033, "5");
        write_clock(*dialog);
        type(1033, "0");
        control(dialog.get(), 1051)->click();
        QCOMPARE(adclk->text(), QString("—"));
        QCOMPARE(frequency->text(), QString("—"));
        write_clock(*dialog);
        type(1033, "5");
        type(1032, "3abc"); // not 3
        write_clock(*dialog);
        QCOMPARE(
            context->messages,
            QStringList({"提示: PLL2时钟频率超过80M", "提示: PLLM设置值超出范围(1 ~ 63)", "提示: PLL2时钟频率超过80M",
                         "提示: PLLP设置值超出范围(1 ~ 128)", "提示: 输入无效：PLLN 应为 4–512"}));
        QCOMPARE(object_value(*bus, 0, 0x2121, 0), uint64_t(0));

        // the reference clock: 25 / 1 / 9 / 128
        select(control<QComboBox>(dialog.get(), 1011), 0);
        select(control<QComboBox>(dialog.get(), 1012), 0);
        select(control<QComboBox>(dialog.get(), 1013), 0);
        QCOMPARE(frequency->text(), QString("0.022 M"));
    }

    void the_clock_dialog_writes_the_fields_then_applies_them()
    {
        reset_card_clock();
        auto dialog = open_dialog();
        control<QLineEdit>(dialog.get(), 1032)->setText("75");
        select(control<QComboBox>(dialog.get(), 1012), 1);
        select(control<QComboBox>(dialog.get(), 1013), 3);
        write_clock(*dialog);
        QVERIFY(context->messages.isEmpty());
        QCOMPARE(object_value(*bus, 0, 0x2121, 0), uint64_t(0x6C3B));
        QCOMPARE(running_clock(), QList<int32_t>({1, 5, 75, 5, 16, 2}));

        // exactly 80 MHz is allowed
        control<QLineEdit>(dialog.get(), 1032)->setText("80");
        write_clock(*dialog);
        QCOMPARE(running_clock(), QList<int32_t>({1, 5, 80, 5, 16, 2}));

        // the reference needs no PLL: the edits are not read, the fields keep their values
        control<QLineEdit>(dialog.get(), 1031)->setText("abc");
        select(control<QComboBox>(dialog.get(), 1011), 0);
        write_clock(*dialog);
        QVERIFY(context->messages.isEmpty());
        QCOMPARE(running_clock(), QList<int32_t>({0, 5, 80, 5, 16, 2}));
    }

    void a_failed_write_is_reported_and_nothing_is_applied()
    {
        reset_card_clock();
        auto dialog = open_dialog();
        sdo_traffic traffic(bus_master);
        bus->with_slave(0, [](sim::slave& s) { s.faults().mailbox_errors = 1; });
        write_clock(*dialog);
        QCOMPARE(context->messages, QStringList{"提示: 设置失败！"});
        // the first write failed: neither the next field nor the apply command went out
        for (const sdo_access& access : traffic.to(0)) {
            QVERIFY(access.index != 0x2121);
            QVERIFY(!(access.index == 0x2120 && access.subindex == 3));
        }
        QCOMPARE(object_value(*bus, 0, 0x2121, 0), uint64_t(0));
    }

    void closing_the_clock_dialog_does_not_wait_for_a_card_that_does_not_answer()
    {
        reset_card_clock();
        // answers later than a transfer waits, but soon enough for the tests after this one
        bus->set_mailbox_answer_delay(0, 3000);
        ecat::master_core& m = testsupport::inside(bus_master);
        auto transfer_under_way = [&m] {
            ecat::mutex_lock lock(m.master_lock);
            return m.slave_count > 0 && (m.slaves[0].request_machine.sdo || !m.slaves[0].sdo_requests.empty());
        };
        auto dialog = std::make_unique<CADcfgclkDlg>(*context, nullptr);
        dialog->show();
        QTRY_VERIFY(transfer_under_way());
        dialog.reset();
        QVERIFY2(transfer_under_way(), "the dialog waited for its load to end");
        bus->set_mailbox_answer_delay(0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!transfer_under_way() && read_card(0x2120, 1) == 1, 60000);
    }

    void a_failed_load_leaves_the_field_empty_and_writing_off()
    {
        reset_card_clock();
        // the first read, of the clock source, fails
        bus->with_slave(0, [](sim::slave& s) { s.faults().mailbox_errors = 1; });
        auto dialog = open_dialog();
        QCOMPARE(control<QComboBox>(dialog.get(), 1011)->currentIndex(), -1);
        QCOMPARE(control<QLineEdit>(dialog.get(), 1031)->text(), QString("5"));
        QCOMPARE(control<QLabel>(dialog.get(), 1102)->text(), QString("80.000 M"));
        QCOMPARE(control<QLabel>(dialog.get(), 1101)->text(), QString("—"));
        QVERIFY(!control(dialog.get(), 1050)->isEnabled());
        QVERIFY(context->messages.isEmpty());
    }
};

QTEST_MAIN(ad_pages_test)
#include "ad_pages_test.moc"
