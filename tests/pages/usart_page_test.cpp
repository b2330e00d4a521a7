// The USART page: alone over a fake context for its refusals, then in the main window on
// the simulated bus with the PC side opened on the simulated KOVA-H's pseudo terminal, so
// that bytes go the whole way in both directions.
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QtTest>

#include "app/CKestIO_TestDlg.h"
#include "app/message_box.h"
#include "bus_fixture.h"
#include "ecat/adapter.h"
#include "fake_page_context.h"
#include "pages/CUsartDlg.h"
#include "sim/bus/bus.h"
#include "simulated_adapter/simulated_adapter.h"

using namespace apptest;

namespace {

const std::string bus_name = "串口页测试总线";
constexpr int kova_h = 1;
constexpr int wait_ms = 20000;

} // namespace

class usart_page_test : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<sim::bus> bus;
    ecat::master bus_master; // this test's own, outliving what uses it
    std::unique_ptr<CKestIO_TestDlg> window;
    CUsartDlg* page = nullptr;
    QStringList messages;

    template <typename T = QPushButton> T* control(int id)
    {
        T* found = page->findChild<T*>(QStringLiteral("id%1").arg(id));
        if (!found)
            qFatal("no control id%d", id);
        return found;
    }
    QString text_of(int id) { return control<QPlainTextEdit>(id)->toPlainText(); }
    QString label(int id) { return control<QLabel>(id)->text(); }
    uint64_t card_object(uint16_t index, uint8_t subindex) { return object_value(*bus, kova_h, index, subindex); }
    void clear_both_sides()
    {
        control(1054)->click();
        control(1056)->click();
    }

    // The main window on a ZEIO and a KOVA-H whose serial lines are on pseudo terminals,
    // the KOVA-H selected and its USART tab shown.
    void open_window()
    {
        bus = register_spec_bus("ZEIO,KOVA-H", bus_name);
        QVERIFY(bus);
        std::string error;
        QVERIFY2(simulated::put_card_serial_lines_on_ptys(bus, error), error.c_str());
        window = std::make_unique<CKestIO_TestDlg>(bus_master, QString::fromStdString(bus_name));
        window->show();
        QVERIFY(wait_until_ready(bus_master, 2));
        window->findChild<QPushButton*>("id1050")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window->info_thread().running() && window->selected_slave() == 0, wait_ms);
        auto* slaves = window->findChild<QComboBox*>("id1012");
        slaves->setCurrentIndex(kova_h);
        emit slaves->activated(kova_h);
        auto* tabs = window->findChild<QTabBar*>("id1000");
        QTRY_VERIFY_WITH_TIMEOUT(tabs->count() == 6 && !window->info_thread().running(), wait_ms);
        page = static_cast<CUsartDlg*>(window->page(page_kind::usart));
        tabs->setCurrentIndex(1);
        QTRY_VERIFY(page->isVisible());
    }
    // Opens the PC side on the pseudo terminal of the simulated card named in the list.
    void open_pc_side_on(const QString& card)
    {
        control(1050)->click();
        auto* ports = control<QComboBox>(1011);
        int item = ports->findText(card, Qt::MatchEndsWith);
        QVERIFY2(item >= 0, qPrintable(card));
        ports->setCurrentIndex(item);
        control(1051)->click();
        QCOMPARE(control(1051)->text(), QString("关闭串口"));
        QVERIFY(page->pc_port_open());
    }

private slots:
    void initTestCase()
    {
        // the wide CJK font the tool is used with
        QApplication::setFont(QFont("WenQuanYi Micro Hei"));
        QSettings("DV_TqrApp", "KestIO_Test").clear();
        set_message_box_handler(
            [this](QWidget*, const QString& caption, const QString& text) { messages << caption + ": " + text; });
    }

    void cleanupTestCase()
    {
        window.reset();
        bus.reset();
        ecat::adapter_unregister_wires();
        set_message_box_handler({});
    }

    void the_page_starts_with_the_template_defaults()
    {
        fake_page_context context(bus_master);
        context.serial_ports = {{"/dev/pts/77", "/dev/pts/77 (模拟 ZEIO 0)"}};
        CUsartDlg alone(context, nullptr);
        page = &alone;
        auto* ports = control<QComboBox>(1011);
        QVERIFY(ports->isEditable());
        QCOMPARE(ports->itemText(ports->count() - 1), QString("/dev/pts/77 (模拟 ZEIO 0)"));
        QCOMPARE(ports->itemData(ports->count() - 1).toString(), QString("/dev/pts/77"));
        for (int id : {1012, 1016}) {
            auto* baud = control<QComboBox>(id);
            QCOMPARE(baud->count(), 9);
            QCOMPARE(baud->itemData(5).toInt(), 56000);
            QCOMPARE(baud->currentText(), QString("115200"));
        }
        QCOMPARE(control<QComboBox>(1013)->currentText(), QString("8"));
        QCOMPARE(control<QComboBox>(1014)->count(), 3);
        QCOMPARE(control<QComboBox>(1015)->itemText(4), QString("Space"));
        QVERIFY(control<QComboBox>(1016)->isEditable());
        QVERIFY(!control<QComboBox>(1017)->isEnabled());
        QVERIFY(!control<QComboBox>(1018)->isEnabled());
        QCOMPARE(control<QComboBox>(1019)->count(), 3);
        QCOMPARE(control<QLineEdit>(1031)->text(), QString("PC serial port test characters."));
        QCOMPARE(control<QLineEdit>(1032)->text(), QString("TQR serial port test characters."));
        QCOMPARE(control(1051)->text(), QString("打开串口"));
        QCOMPARE(control(1053)->text(), QString("设置IO卡的串口"));
        for (int id : {1102, 1103, 1104, 1105})
            QCOMPARE(label(id), QString("0"));
        QVERIFY(page->findChild<QFrame*>("id1101"));
        page = nullptr;
    }

    void the_hex_send_boxes_convert_the_text_both_ways_in_the_chosen_codec()
    {
        QSettings("DV_TqrApp", "KestIO_Test").setValue("serial/codec", "CP1252");
        fake_page_context context(bus_master);
        CUsartDlg alone(context, nullptr);
        page = &alone;
        control<QLineEdit>(1031)->setText("é");
        control<QCheckBox>(1153)->click();
        QCOMPARE(control<QLineEdit>(1031)->text(), QString("E9 "));
        control<QLineEdit>(1031)->setText("41 e9 4");
        control<QCheckBox>(1153)->click();
        QCOMPARE(control<QLineEdit>(1031)->text(), QString("Aé\x04"));
        control<QLineEdit>(1032)->setText("Zé");
        control<QCheckBox>(1152)->click();
        QCOMPARE(control<QLineEdit>(1032)->text(), QString("5A E9 "));
        QSettings("DV_TqrApp", "KestIO_Test").remove("serial/codec");
        page = nullptr;
    }

    void without_a_slave_or_an_open_port_the_page_says_so_and_writes_nothing()
    {
        fake_page_context context(bus_master);
        context.selected = -1;
        CUsartDlg alone(context, nullptr);
        page = &alone;
        control(1055)->click();
        control(1053)->click();
        control(1052)->click();
        QCOMPARE(context.messages, QStringList({"提示: 没有选择从站", "提示: 没有选择从站", "提示: 串口没有打开！"}));
        control<QComboBox>(1011)->setEditText("/dev/ttyKESTIO_NONE");
        control(1051)->click();
        QCOMPARE(control(1051)->text(), QString("打开串口"));
        QVERIFY(context.messages.last().startsWith("错误: 警告:  打开串口 失败! "));
        QVERIFY(context.messages.last().endsWith("端口: ttyKESTIO_NONE\n"));

        // a card that is not there: the send fails on the worker, the window goes on
        context.messages.clear();
        context.selected = 9;
        control(1055)->click();
        QTRY_COMPARE(text_of(1006), QString("发送失败！"));
        QVERIFY(control(1055)->isEnabled());
        QCOMPARE(label(1102), QString("0"));
        control<QComboBox>(1016)->setEditText("fast");
        control(1053)->click();
        QCOMPARE(context.messages, QStringList{"提示: 设置失败！"});
        page = nullptr;
    }

    void the_pc_port_list_names_the_simulated_cards()
    {
        open_window();
        auto* ports = control<QComboBox>(1011);
        QStringList simulated;
        for (int i = 0; i < ports->count(); ++i)
            if (ports->itemText(i).contains("模拟"))
                simulated << ports->itemText(i);
        QCOMPARE(simulated.size(), 2);
        QVERIFY(QRegularExpression("^/dev/pts/\\d+ \\(模拟 ZEIO 0\\)$").match(simulated[0]).hasMatch());
        QVERIFY(QRegularExpression("^/dev/pts/\\d+ \\(模拟 KOVA-H 1\\)$").match(simulated[1]).hasMatch());

        // the page being shown gives the card's port to the custom protocol
        set_object(*bus, kova_h, 0x2402, 4, 0);
        auto* tabs = window->findChild<QTabBar*>("id1000");
        tabs->setCurrentIndex(0);
        tabs->setCurrentIndex(1);
        QTRY_COMPARE(card_object(0x2402, 4), uint64_t(1));
    }

    void every_control_is_readable_at_the_smallest_window()
    {
        window->resize(window->minimumSize());
        QTRY_COMPARE(window->size(), QSize(900, 640));
        QTRY_VERIFY(page->width() >= page->minimumSizeHint().width());
        QVERIFY(page->height() >= page->minimumSizeHint().height());
        for (QWidget* widget : page->findChildren<QWidget*>()) {
            bool text_control = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLabel*>(widget);
            if (text_control && widget->isVisible())
                QVERIFY2(widget->width() >= widget->sizeHint().width()
                             && widget->height() >= widget->sizeHint().height(),
                         qPrintable(widget->objectName() + " " + widget->property("text").toString()));
        }
        for (int id : {1005, 1006})
            QVERIFY(control<QPlainTextEdit>(id)->height() >= 3 * control<QPlainTextEdit>(id)->fontMetrics().height());
    }

    void bytes_go_from_the_pc_through_the_card_and_back()
    {
        open_pc_side_on("(模拟 KOVA-H 1)");
        control(1052)->click();
        const QString pc_text = "PC serial port test characters.";
        QTRY_COMPARE_WITH_TIMEOUT(text_of(1006), pc_text, wait_ms);
        QCOMPARE(label(1104), QString::number(pc_text.size()));
        QCOMPARE(label(1103), QString::number(pc_text.size()));

        QString seventy;
        for (int i = 0; i < 70; ++i)
            seventy += QChar('0' + i % 43);
        control<QLineEdit>(1032)->setText(seventy);
        control(1055)->click();
        QTRY_COMPARE_WITH_TIMEOUT(text_of(1005), seventy, wait_ms);
        QCOMPARE(label(1105), QString("70"));
        QTRY_COMPARE(label(1102), QString("70"));
        QCOMPARE(card_object(0x2600, 1), uint64_t(0x00FF)); // the send state after a message
        QCOMPARE(text_of(1006), pc_text);                   // with a program on the line nothing loops back
        QVERIFY(messages.isEmpty());
    }

    void the_hex_displays_show_each_byte()
    {
        clear_both_sides();
        QCOMPARE(label(1105), QString("0"));
        QCOMPARE(label(1102), QString("0"));
        control<QCheckBox>(1150)->click();
        control<QCheckBox>(1151)->click();
        control<QCheckBox>(1153)->setChecked(true);
        control<QLineEdit>(1031)->setText("00 7f 80 ff");
        control(1052)->click();
        QTRY_COMPARE_WITH_TIMEOUT(text_of(1006), QString("00 7F 80 FF "), wait_ms);
        control<QCheckBox>(1152)->setChecked(true);
        control<QLineEdit>(1032)->setText("A5 5a");
        control(1055)->click();
        QTRY_COMPARE_WITH_TIMEOUT(text_of(1005), QString("A5 5A "), wait_ms);
        QCOMPARE(label(1104), QString("4"));
        QTRY_COMPARE(label(1102), QString("2"));
        control<QCheckBox>(1150)->click();
        control<QCheckBox>(1151)->click();
        control<QCheckBox>(1152)->setChecked(false);
        control<QCheckBox>(1153)->setChecked(false);
    }

    void the_card_port_settings_reach_the_card()
    {
        control<QComboBox>(1019)->setCurrentIndex(2);
        control<QComboBox>(1016)->setEditText("57600");
        control(1053)->click();
        QCOMPARE(card_object(0x2402, 6), uint64_t(2));
        QCOMPARE(card_object(0x2402, 7), uint64_t(0));
        QCOMPARE(card_object(0x2402, 2), uint64_t(57600));
        control<QComboBox>(1016)->setEditText("-1");
        control<QComboBox>(1019)->setCurrentIndex(1);
        control(1053)->click();
        QCOMPARE(messages, QStringList{"提示: 设置失败！"});
        QCOMPARE(card_object(0x2402, 6), uint64_t(2)); // nothing written
        messages.clear();
    }

    void closing_the_pc_side_gives_the_card_line_back_to_the_jig()
    {
        clear_both_sides();
        control(1051)->click();
        QCOMPARE(control(1051)->text(), QString("打开串口"));
        QVERIFY(!page->pc_port_open());
        control(1052)->click();
        QCOMPARE(messages, QStringList{"提示: 串口没有打开！"});
        messages.clear();
        control<QLineEdit>(1032)->setText("loop");
        control(1055)->click();
        QTRY_COMPARE_WITH_TIMEOUT(text_of(1006), QString("loop"), wait_ms);
        QCOMPARE(text_of(1005), QString());
    }
};

QTEST_MAIN(usart_page_test)
#include "usart_page_test.moc"
