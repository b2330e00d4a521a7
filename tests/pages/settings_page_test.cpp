// The settings page against the simulated cards: reading, importing, saving to flash and
// restarting, checked in the cards' dictionaries; failures with the object they failed on;
// export and import of files; and the page readable in the main window at its minimum size.
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/CKestIO_TestDlg.h"
#include "app/message_box.h"
#include "bus_fixture.h"
#include "ecat/adapter.h"
#include "ecat/session.h"
#include "ecat/sdo_api.h"
#include "fake_page_context.h"
#include "pages/CSetDlg.h"
#include "pages/file_dialog.h"
#include "pages/logic/settings_file.h"
#include "sim/bus/bus.h"

using namespace apptest;
using page_logic::settings_config;

namespace {

const std::string bus_name = "设置页测试总线";
enum ring_position { zeio = 0, kova_ad = 1, kova_h = 2 };

// A file in the Windows tool's format: UTF-16 LE with a byte order mark, CRLF.
QByteArray windows_file(const QString& text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

const QString imported_text = QStringLiteral(
    "; 导入测试\r\n[AD_Mode]\r\nAD01_Mode=1\r\nAD89_Mode=1\r\n[AD_ODR]\r\nVal=15\r\n"
    "[CMP0]\r\nEnable=1\r\nMode=0\r\nOpposite=1\r\n[CMP1]\r\nEnable=0\r\nMode=1\r\n[Encoder]\r\nEnable=0\r\n"
    "[AD2_LAT]\r\nEnable=1\r\nEdge=1\r\nSignal=3\r\n[AD13_LAT]\r\nEnable=1\r\nLat_Once=1\r\nSignal=7\r\n"
    "[CMP0P_AD_LAT]\r\nEnable=1\r\nSignal=6\r\n");

settings_config imported_config()
{
    settings_config config;
    config.ad_mode = 0x0101;
    config.rate_code = 15;
    config.comparator_flags = 0x01 | 0x08 | 0x10;
    config.ad_latch[2] = 0x33;
    config.ad_latch[13] = 0x75;
    config.comparator_latch[1] = 0x61;
    return config;
}

} // namespace

class settings_page_test : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<sim::bus> bus;
    ecat::net_device descriptor;
    bool master_started = false;
    ecat::master bus_master; // this test's own, outliving what uses it
    std::unique_ptr<CKestIO_TestDlg> window;
    QStringList window_messages;
    QTemporaryDir files;
    QStringList dialog_filters;

    void start_bus()
    {
        bus = register_spec_bus("ZEIO,KOVA-AD,KOVA-H", bus_name);
        QVERIFY(bus);
        ecat::adapter_list_refresh();
        start_master(bus_master, adapter_index_of(bus_name), descriptor);
        master_started = true;
        QVERIFY(wait_until_ready(bus_master, 3));
    }

    // A write as another program would make it, through the card's own handling.
    void write_card(int position, uint16_t index, uint8_t subindex, uint16_t value)
    {
        uint8_t bytes[2] = {uint8_t(value), uint8_t(value >> 8)};
        QCOMPARE(ecat::master_sdo_download(bus_master, uint16_t(position), index, subindex, bytes, 2, nullptr), 0);
    }
    uint64_t card_object(int position, uint16_t index, uint8_t subindex = 0)
    {
        return object_value(*bus, size_t(position), index, subindex);
    }

    template <typename T = QPushButton> static T* control(QWidget& page, int id)
    {
        T* found = page.findChild<T*>(QStringLiteral("id%1").arg(id));
        if (!found)
            qFatal("no control id%d", id);
        return found;
    }
    static QString cell(QWidget& page, int list, int row, int column)
    {
        return control<QTableWidget>(page, list)->item(row, column)->text();
    }
    // Clicks a card action and waits until its transfer has ended.
    static void run(CSetDlg& page, int id)
    {
        control(page, id)->click();
        QTRY_VERIFY_WITH_TIMEOUT(control(page, 1050)->isEnabled(), 20000);
    }
    QString write_file(const QString& name, const QByteArray& bytes)
    {
        QString path = files.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    void answer_file_dialog(const QString& path)
    {
        set_file_dialog_handler([this, path](file_dialog_kind, const QStringList& filters) {
            dialog_filters = filters;
            return path;
        });
    }

    // The main window at its minimum size with KOVA-AD selected and its settings tab shown.
    CSetDlg* open_settings_page()
    {
        QSettings("DV_TqrApp", "KestIO_Test").clear();
        set_message_box_handler([this](QWidget*, const QString& caption, const QString& text) {
            window_messages << caption + ": " + text;
        });
        bus = register_spec_bus("ZEIO,KOVA-AD,KOVA-H", bus_name);
        window = std::make_unique<CKestIO_TestDlg>(bus_master, QString::fromStdString(bus_name));
        window->resize(900, 640);
        window->show();
        if (!wait_until_ready(bus_master, 3))
            return nullptr;
        window->findChild<QPushButton*>("id1050")->click();
        if (!QTest::qWaitFor([&] { return !window->info_thread().running() && window->selected_slave() == 0; }, 20000))
            return nullptr;
        auto* slaves = window->findChild<QComboBox*>("id1012");
        slaves->setCurrentIndex(kova_ad);
        emit slaves->activated(kova_ad);
        auto* tabs = window->findChild<QTabBar*>("id1000");
        if (!QTest::qWaitFor([&] { return !window->info_thread().running() && tabs->count() == 3; }, 20000)
            || tabs->tabText(2) != "设置")
            return nullptr;
        tabs->setCurrentIndex(2);
        auto* page = static_cast<CSetDlg*>(window->page(page_kind::settings));
        return page->isVisible() ? page : nullptr;
    }

private slots:
    void init()
    {
        QVERIFY(files.isValid());
        dialog_filters.clear();
        window_messages.clear();
    }

    void cleanup()
    {
        window.reset();
        set_message_box_handler({});
        set_file_dialog_handler({});
        if (master_started)
            ecat::session_close(bus_master);
        master_started = false;
        bus.reset();
        ecat::adapter_unregister_wires();
    }

    void the_page_starts_with_the_all_zero_configuration()
    {
        fake_page_context context(bus_master);
        CSetDlg page(context, nullptr);
        const char* captions[][2] = {{"1050", "获取配置"},
                                     {"1061", "导入配置参数"},
                                     {"1062", "配置参数导出至文件"},
                                     {"1059", "配置保存到Flash"},
                                     {"1060", "软重启"}};
        for (auto& [id, caption] : captions) {
            QCOMPARE(control(page, QString(id).toInt())->text(), QString(caption));
            QVERIFY(control(page, QString(id).toInt())->isEnabled());
        }
        QStringList labels;
        for (QLabel* label : page.findChildren<QLabel*>())
            labels << label->text();
        for (const char* text :
             {"配置保存到Flash后，", "需要重启扩展卡使配置生效", "比较器0：", "比较器1：", "编码器：", "输入模式:"})
            QVERIFY2(labels.contains(text), text);
        for (int id : {1151, 1152, 1153, 1154, 1155})
            QVERIFY(!control<QCheckBox>(page, id)->isEnabled() && !control<QCheckBox>(page, id)->isChecked());
        QCOMPARE(control<QCheckBox>(page, 1152)->text(), QString("结果翻转"));
        for (int id : {1056, 1057}) {
            QVERIFY(!control(page, id)->isEnabled());
            QCOMPARE(control(page, id)->text(), QString("差分"));
        }
        auto* modes = control<QTableWidget>(page, 1002);
        auto* latches = control<QTableWidget>(page, 1003);
        QCOMPARE(modes->columnCount(), 6);
        QCOMPARE(modes->rowCount(), 8);
        QCOMPARE(latches->columnCount(), 15);
        QCOMPARE(latches->horizontalHeaderItem(13)->text(), QString("锁存一次"));
        QCOMPARE(cell(page, 1002, 7, 3), QString("差分"));
        QCOMPARE(cell(page, 1002, 0, 5), QString("125000.00"));
        QCOMPARE(cell(page, 1003, 3, 10), QString("CMP1P_AD:"));
        QCOMPARE(cell(page, 1003, 7, 7), QString("上升沿"));
        QCOMPARE(cell(page, 1003, 7, 9), QString("IN0"));
        QCOMPARE(cell(page, 1003, 5, 14), QString());
        QCOMPARE(page.shown_configuration(), settings_config{});
    }

    void reading_shows_what_the_card_holds()
    {
        start_bus();
        write_card(zeio, 0x6001, 1, 0x1004);
        write_card(zeio, 0x6001, 2, 12);
        write_card(zeio, 0x6005, 0, 0x2B);
        write_card(zeio, 0x6003, 0, 0);
        write_card(zeio, 0x3036, 4, 0x0063);
        write_card(zeio, 0x3038, 2, 0x0075);
        write_card(zeio, 0x6100, 0, 10);
        write_card(zeio, 0x6000, 0, 255);

        fake_page_context context(bus_master);
        context.selected = zeio;
        CSetDlg page(context, nullptr);
        control(page, 1050)->click();
        // the transfer runs on the worker: until it has ended, no action can start
        for (int id : {1050, 1061, 1062, 1059, 1060})
            QVERIFY(!control(page, id)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(control(page, 1050)->isEnabled(), 20000);
        QCOMPARE(context.messages, QStringList{"提示: 获取配置成功"});
        QCOMPARE(cell(page, 1002, 2, 1), QString("单端"));
        QCOMPARE(cell(page, 1002, 3, 1), QString("单端"));
        QCOMPARE(cell(page, 1002, 0, 1), QString("差分"));
        QCOMPARE(cell(page, 1002, 4, 3), QString("单端"));
        QCOMPARE(cell(page, 1002, 0, 3), QString("差分"));
        QCOMPARE(cell(page, 1002, 0, 5), QString("395.50"));
        QCOMPARE(cell(page, 1002, 1, 5), QString("2.53ms"));
        QCOMPARE(cell(page, 1002, 2, 5), QString("20.64bit"));
        // 0x2B: comparator 0 on, differential, inverted; comparator 1 on, differential, inverted
        QVERIFY(control<QCheckBox>(page, 1151)->isChecked() && control<QCheckBox>(page, 1152)->isChecked());
        QVERIFY(control<QCheckBox>(page, 1153)->isChecked() && control<QCheckBox>(page, 1154)->isChecked());
        QCOMPARE(control(page, 1056)->text(), QString("差分"));
        QCOMPARE(control(page, 1057)->text(), QString("差分"));
        QVERIFY(!control<QCheckBox>(page, 1155)->isChecked());
        QCOMPARE(cell(page, 1003, 3, 1), QString("1"));
        QCOMPARE(cell(page, 1003, 3, 2), QString("下降沿"));
        QCOMPARE(cell(page, 1003, 3, 3), QString("0"));
        QCOMPARE(cell(page, 1003, 3, 4), QString("比较器0"));
        QCOMPARE(cell(page, 1003, 1, 13), QString("1"));
        QCOMPARE(cell(page, 1003, 1, 14), QString("比较器1"));
        settings_config expected;
        expected.ad_mode = 0x1004;
        expected.rate_code = 12;
        expected.comparator_flags = 0x2B;
        expected.ad_latch[3] = 0x63;
        expected.comparator_latch[1] = 0x75;
        QCOMPARE(page.shown_configuration(), expected);
    }

    void import_save_and_restart_make_the_card_run_the_imported_configuration()
    {
        start_bus();
        fake_page_context context(bus_master);
        context.selected = kova_ad;
        CSetDlg page(context, nullptr);
        answer_file_dialog(write_file("windows.ini", windows_file(imported_text)));
        control(page, 1061)->click();
        QCOMPARE(context.messages, QStringList{"提示: 配置读取成功！"});
        QCOMPARE(dialog_filters, (QStringList{"配置文件(*.ini)", "所有文件(*.*)"}));
        QCOMPARE(page.shown_configuration(), imported_config());
        QCOMPARE(cell(page, 1002, 1, 1), QString("单端"));
        QCOMPARE(cell(page, 1002, 0, 5), QString("59.87"));

        run(page, 1059);
        QCOMPARE(context.messages.takeLast(), QString("提示: 写配置成功"));
        QCOMPARE(card_object(kova_ad, 0x6001, 1), uint64_t(0x0101));
        QCOMPARE(card_object(kova_ad, 0x6001, 2), uint64_t(15));
        QCOMPARE(card_object(kova_ad, 0x6005, 0), uint64_t(0x19));
        QCOMPARE(card_object(kova_ad, 0x6003, 0), uint64_t(0));
        QCOMPARE(card_object(kova_ad, 0x3036, 14), uint64_t(0x75));
        QCOMPARE(card_object(kova_ad, 0x3038, 2), uint64_t(0x61));
        QCOMPARE(card_object(kova_ad, 0x6100, 0), uint64_t(10));
        // the card still runs its old configuration until it restarts
        CSetDlg reader(context, nullptr);
        run(reader, 1050);
        QCOMPARE(reader.shown_configuration().rate_code, uint16_t(10));

        run(page, 1060);
        QCOMPARE(context.messages.size(), 1 + 1); // the import's and the read's; a restart has no box
        run(reader, 1050);
        QCOMPARE(reader.shown_configuration(), imported_config());

        // imported but not saved: a restart brings back what the flash holds
        answer_file_dialog(write_file("other.ini", "[AD_ODR]\r\nVal=3\r\n"));
        control(page, 1061)->click();
        QCOMPARE(page.shown_configuration().rate_code, uint16_t(3));
        run(page, 1060);
        run(reader, 1050);
        QCOMPARE(reader.shown_configuration(), imported_config());
    }

    void a_restart_says_it_was_sent_and_a_card_change_drops_only_what_was_read()
    {
        start_bus();
        fake_page_context context(bus_master);
        context.selected = zeio;
        CSetDlg page(context, nullptr);
        auto* status = page.findChild<QLabel*>("status");
        QVERIFY(status);
        run(page, 1060);
        QCOMPARE(status->text(), QString("已发送软重启命令"));
        QVERIFY(context.messages.isEmpty());

        run(page, 1050);
        QVERIFY(page.shown_configuration() != page_logic::settings_config{});
        page.forget_card();
        QCOMPARE(page.shown_configuration(), page_logic::settings_config{});
        QCOMPARE(status->text(), QString("从站已改变：显示的是初始配置，请重新获取配置"));

        // a read still under way at the change shows nothing when it ends
        control(page, 1050)->click();
        page.forget_card();
        QTRY_VERIFY_WITH_TIMEOUT(control(page, 1050)->isEnabled(), 20000);
        QCOMPARE(page.shown_configuration(), page_logic::settings_config{});
        QCOMPARE(context.messages.size(), 1);

        // a file's configuration belongs to no card: it stays to be saved to the next one
        answer_file_dialog(write_file("kept.ini", "[AD_ODR]\r\nVal=3\r\n"));
        control(page, 1061)->click();
        page.forget_card();
        QCOMPARE(page.shown_configuration().rate_code, uint16_t(3));
    }

    void a_failed_read_names_the_object_and_refreshes_nothing()
    {
        start_bus();
        fake_page_context context(bus_master);
        context.selected = zeio;
        CSetDlg page(context, nullptr);
        run(page, 1050);
        settings_config before = page.shown_configuration();
        QCOMPARE(before.ad_mode, uint16_t(0x5555));
        write_card(zeio, 0x6001, 1, 0x0000);
        write_card(zeio, 0x6100, 0, 10);
        write_card(zeio, 0x6000, 0, 255);
        context.messages.clear();

        bus->inject_mailbox_errors(zeio, 1, 0x0005);
        run(page, 1050);
        QCOMPARE(context.messages, QStringList{"提示: 获取配置失败：0x3029:01"});
        QCOMPARE(page.shown_configuration(), before);
        QCOMPARE(cell(page, 1002, 0, 1), QString("单端"));

        run(page, 1050);
        QCOMPARE(context.messages.last(), QString("提示: 获取配置成功"));
        QCOMPARE(page.shown_configuration().ad_mode, uint16_t(0));
    }

    void a_refused_write_stops_the_save_before_the_flash_commit()
    {
        start_bus();
        // the card runs rate code 23, which it refuses to take back: set behind its back
        set_object(*bus, zeio, 0x6001, 2, 23);
        write_card(zeio, 0x6100, 0, 10);
        write_card(zeio, 0x6000, 0, 255);
        // flash: AD mode 0x0001; the card still runs 0x5555
        write_card(zeio, 0x6001, 1, 0x0001);
        write_card(zeio, 0x6100, 0, 10);
        set_object(*bus, zeio, 0x6100, 0, 0);

        fake_page_context context(bus_master);
        context.selected = zeio;
        CSetDlg page(context, nullptr);
        run(page, 1050);
        QCOMPARE(page.shown_configuration().rate_code, uint16_t(23));
        QCOMPARE(page.shown_configuration().ad_mode, uint16_t(0x5555));
        for (int row = 0; row < 3; ++row)
            QCOMPARE(cell(page, 1002, row, 5), QString());

        context.messages.clear();
        run(page, 1059);
        QCOMPARE(context.messages, QStringList{"提示: 写配置失败：0x6001:02"});
        QCOMPARE(card_object(zeio, 0x6001, 1), uint64_t(0x5555));
        QCOMPARE(card_object(zeio, 0x6100, 0), uint64_t(0));
        // the half-written configuration was not committed: the flash's comes back
        run(page, 1060);
        run(page, 1050);
        QCOMPARE(page.shown_configuration().ad_mode, uint16_t(0x0001));
    }

    void a_card_without_settings_objects_fails_every_action_clearly()
    {
        start_bus();
        fake_page_context context(bus_master);
        context.selected = kova_h;
        CSetDlg page(context, nullptr);
        run(page, 1050);
        run(page, 1059);
        run(page, 1060);
        QCOMPARE(context.messages,
                 (QStringList{"提示: 获取配置失败：0x3029:01", "提示: 写配置失败：0x6001:01",
                              "提示: 软重启失败：0x6000:00"}));
        QCOMPARE(page.shown_configuration(), settings_config{});
        QCOMPARE(cell(page, 1002, 0, 1), QString("差分"));
    }

    void card_actions_without_a_selected_slave_say_so()
    {
        fake_page_context context(bus_master);
        context.selected = -1;
        CSetDlg page(context, nullptr);
        for (int id : {1050, 1059, 1060}) {
            control(page, id)->click();
            QVERIFY(control(page, id)->isEnabled());
        }
        QCOMPARE(context.messages, QStringList(3, "提示: 没有选择从站"));
    }

    void export_writes_what_import_reads_back()
    {
        fake_page_context context(bus_master);
        CSetDlg page(context, nullptr);
        answer_file_dialog(write_file("windows.ini", windows_file(imported_text)));
        control(page, 1061)->click();
        QString exported = files.filePath("exported.ini");
        answer_file_dialog(exported);
        control(page, 1062)->click();
        QCOMPARE(dialog_filters, QStringList{"配置文件(*.ini)"});
        QCOMPARE(context.messages.last(), QString("提示: 配置导出成功！"));
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("[AD_Mode]\r\nAD01_Mode=1\r\n"));
        QCOMPARE(bytes.toStdString(), page_logic::export_settings(imported_config()));

        CSetDlg other(context, nullptr);
        control(other, 1061)->click();
        QCOMPARE(other.shown_configuration(), imported_config());

        // a cancelled dialog does nothing
        answer_file_dialog({});
        context.messages.clear();
        control(other, 1061)->click();
        control(other, 1062)->click();
        QVERIFY(context.messages.isEmpty());
    }

    void a_bad_file_changes_nothing()
    {
        fake_page_context context(bus_master);
        CSetDlg page(context, nullptr);
        answer_file_dialog(write_file("windows.ini", windows_file(imported_text)));
        control(page, 1061)->click();
        answer_file_dialog(write_file("bad.ini", "[AD_ODR]\r\nVal=1\r\n[AD3_LAT]\r\nSignal=8\r\n"));
        control(page, 1061)->click();
        QCOMPARE(context.messages.last(), QString("提示: 读取失败，AD3_LAT参数错误！"));
        QCOMPARE(page.shown_configuration(), imported_config());
        answer_file_dialog(files.filePath("missing.ini"));
        control(page, 1061)->click();
        QCOMPARE(context.messages.last(), QString("提示: 读取失败，无法打开文件！"));
        answer_file_dialog(files.filePath("no/such/folder/out.ini"));
        control(page, 1062)->click();
        QCOMPARE(context.messages.last(), QString("提示: 导出失败，无法写入文件！"));
        QCOMPARE(page.shown_configuration(), imported_config());
    }

    void the_page_is_readable_in_the_main_window_at_its_minimum_size()
    {
        QApplication::setFont(QFont("WenQuanYi Micro Hei"));
        CSetDlg* page = open_settings_page();
        QVERIFY(page);
        run(*page, 1050);
        QCOMPARE(window_messages, QStringList{"提示: 获取配置成功"});
        QCOMPARE(window->size(), QSize(900, 640));

        // the page may scroll down, but is never wider than the window
        QCOMPARE(page->findChild<QScrollArea*>("page_scroll")->horizontalScrollBar()->maximum(), 0);
        for (QAbstractButton* button : page->findChildren<QAbstractButton*>())
            QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
        for (QLabel* label : page->findChildren<QLabel*>())
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
        for (auto* list : page->findChildren<QTableWidget*>()) {
            QFontMetrics metrics(list->font());
            int columns_width = 0;
            for (int column = 0; column < list->columnCount(); ++column) {
                int width = list->columnWidth(column);
                columns_width += width;
                QString header = list->horizontalHeaderItem(column)->text();
                // two pixels of margin on either side
                QVERIFY2(width >= metrics.horizontalAdvance(header) + 4, qPrintable(header));
                for (int row = 0; row < list->rowCount(); ++row) {
                    QString text = list->item(row, column)->text();
                    QVERIFY2(width >= metrics.horizontalAdvance(text) + 4, qPrintable(text));
                }
            }
            int rows_height = 0;
            for (int row = 0; row < list->rowCount(); ++row)
                rows_height += list->rowHeight(row);
            QVERIFY2(list->viewport()->height() >= rows_height, qPrintable(list->objectName()));
            // a list narrower than its columns scrolls to them
            if (list->viewport()->width() < columns_width)
                QVERIFY2(list->horizontalScrollBar()->maximum() > 0, qPrintable(list->objectName()));
        }
    }

    void closing_the_window_during_a_save_is_clean()
    {
        CSetDlg* page = open_settings_page();
        QVERIFY(page);
        control(*page, 1059)->click();
        QVERIFY(!control(*page, 1059)->isEnabled());
        // the worker's outcome is dropped with the window; nothing may touch what is gone
        window.reset();
        QVERIFY(window_messages.isEmpty());
    }
};

QTEST_MAIN(settings_page_test)
#include "settings_page_test.moc"
