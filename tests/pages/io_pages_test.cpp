// The three IO pages against the simulated cards: buttons checked by what the card holds
// afterwards, the lists as the poll fills them, the messages, and the one-key test.
#include <memory>
#include <set>
#include <tuple>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTableWidget>
#include <QtTest>

#include "app/CKestIO_TestDlg.h"
#include "app/message_box.h"
#include "card/polled_values.h"
#include "bus_fixture.h"
#include "ecat/adapter.h"
#include "ecat/sdo_api.h"
#include "pages/CIO16dlg.h"
#include "pages/CIOHdlg.h"
#include "pages/CIOdlg.h"
#include "sim/bus/bus.h"

using namespace apptest;

namespace {

const std::string bus_name = "IO页测试总线";
const char* const all_cards = "ZEIO,KOVA-H,KOVA-16IO,KOVA-AD";
enum ring_position { zeio = 0, kova_h = 1, kova_16io = 2 };

} // namespace

class io_pages_test : public QObject {
    Q_OBJECT

private:
    ecat::master bus_master; // this test's own, outliving what uses it
    std::unique_ptr<CKestIO_TestDlg> window;
    std::shared_ptr<sim::bus> bus;
    QStringList messages;
    CMyDlg* page = nullptr;
    int position = 0;

    void open_window()
    {
        bus = register_spec_bus(all_cards, bus_name);
        QVERIFY(bus);
        window = std::make_unique<CKestIO_TestDlg>(bus_master, QString::fromStdString(bus_name));
        window->show();
        QVERIFY(wait_until_ready(bus_master, 4));
    }

    // Searches, selects the card at a ring position and waits until its IO page is shown.
    void open_card(ring_position card)
    {
        open_window();
        window->findChild<QPushButton*>("id1050")->click();
        QTRY_VERIFY(!window->info_thread().running() && window->selected_slave() == 0);
        page_kind kind = card == kova_h ? page_kind::ioh : card == kova_16io ? page_kind::io16 : page_kind::io;
        if (card != zeio) {
            auto* slaves = window->findChild<QComboBox*>("id1012");
            slaves->setCurrentIndex(card);
            emit slaves->activated(card);
        }
        page = window->page(kind);
        position = card;
        QTRY_VERIFY(page->isVisible() && !window->info_thread().running());
    }

    template <typename T = QPushButton> T* control(int id)
    {
        T* found = page->findChild<T*>(QStringLiteral("id%1").arg(id));
        if (!found)
            qFatal("no control id%d", id);
        return found;
    }
    QTableWidget* list() { return control<QTableWidget>(1002); }
    QString cell(int row, int column) { return list()->item(row, column)->text(); }
    int image(int row, int column)
    {
        QVariant image = list()->item(row, column)->data(Qt::UserRole);
        return image.isValid() ? image.toInt() : -1;
    }
    void type(int edit, const QString& text) { control<QLineEdit>(edit)->setText(text); }
    uint64_t card_object(uint16_t index, uint8_t subindex = 0) { return object_value(*bus, position, index, subindex); }
    // A write as another program would make it, through the card's own handling.
    void write_card(uint16_t index, uint8_t subindex, uint32_t value, size_t size)
    {
        uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        QCOMPARE(ecat::master_sdo_download(window->master(), uint16_t(position), index, subindex, bytes, size, nullptr),
                 0);
    }
    // The comparator configuration the card runs with: saved to flash, then a restart.
    void configure_comparators(uint16_t flags)
    {
        write_card(0x6005, 0, flags, 2);
        write_card(0x6100, 0, 10, 2);
        write_card(0x6000, 0, 255, 2);
    }
    uint16_t shown_outputs(int column, int bits)
    {
        uint16_t word = 0;
        for (int bit = 0; bit < bits; ++bit)
            word |= uint16_t(image(bit % 8, column + 2 * (bit / 8)) == 1) << bit;
        return word;
    }

private slots:
    void init()
    {
        QSettings("DV_TqrApp", "KestIO_Test").clear();
        messages.clear();
        set_message_box_handler([this](QWidget*, const QString& caption, const QString& text) {
            messages << (caption == "提示" ? text : caption + ": " + text);
        });
    }

    void cleanup()
    {
        window.reset();
        bus.reset();
        ecat::adapter_unregister_wires();
        set_message_box_handler({});
    }

    void the_io_page_starts_with_zero_values_before_any_poll()
    {
        open_window();
        page = window->page(page_kind::io);
        QCOMPARE(list()->columnCount(), 24);
        QCOMPARE(list()->rowCount(), 8);
        QCOMPARE(list()->horizontalHeaderItem(5)->text(), QString("模拟值(Hex)"));
        QVERIFY(list()->columnWidth(13) >= 100); // wider where the font needs it
        QCOMPARE(list()->item(3, 13)->textAlignment() & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
        QCOMPARE(cell(2, 0), QString("IN2:"));
        QCOMPARE(cell(7, 21), QString("AD_LAT15:"));
        QCOMPARE(cell(6, 13), QString("CMP0_DA:"));
        for (int row = 0; row < 8; ++row) {
            QCOMPARE(image(row, 1), 0);
            QCOMPARE(image(row, 3), 0);
            QCOMPARE(cell(row, 5), QString("0"));
            QCOMPARE(cell(row, 23), QString("-25.00000000"));
            QCOMPARE(cell(row, 14), QString("0"));
            QCOMPARE(cell(row, 15), row == 4 || row == 5 ? QString() : QString("0.000"));
        }
        QCOMPARE(cell(0, 11), QString());
        QCOMPARE(cell(4, 12), QString("0.000"));
        QCOMPARE(cell(0, 17), QString("0"));
        QCOMPARE(control<QLineEdit>(1029)->text(), QString("0"));
        for (int out = 0; out < 8; ++out)
            QCOMPARE(control(1050 + out)->isEnabled(), out < 4);
        QVERIFY(!control(1068)->isEnabled() && !control(1074)->isEnabled());
        QCOMPARE(control<QLineEdit>(1040)->text(), QString("5"));
        QCOMPARE(control<QLineEdit>(1034)->text(), QString("3"));
        QCOMPARE(control<QLineEdit>(1039)->text(), QString("0.5"));
        QVERIFY(control<QLabel>(1100)->isHidden());
        // the list ends 15 pixels before the page's right edge
        QCOMPARE(list()->geometry().right() + 1, page->width() - 15);
    }

    void the_refresh_cycle_runs_only_while_the_page_is_shown()
    {
        open_card(zeio);
        QTRY_COMPARE(control<QLineEdit>(1029)->text(), QString("0"));
        QVERIFY(page->window_timer_active(1));
        // the 24-bit inputs carry the jig's noise: each row's volts belong to its raw value
        QTRY_VERIFY(cell(0, 5) != "0");
        for (int row = 0; row < 8; ++row) {
            uint32_t raw = cell(row, 8).toUInt(nullptr, 16);
            QCOMPARE(cell(row, 9), QString::number((raw * 0x1p-23 - 1) * 25, 'f', 8));
        }
        window->findChild<QTabBar*>("id1000")->setCurrentIndex(3);
        QVERIFY(!page->visible_flag);
        QTRY_VERIFY(!page->window_timer_active(1));
        window->findChild<QTabBar*>("id1000")->setCurrentIndex(0);
        QVERIFY(page->visible_flag && page->window_timer_active(1));
    }

    void every_button_needs_a_selected_slave()
    {
        open_window();
        for (page_kind kind : {page_kind::io, page_kind::io16, page_kind::ioh}) {
            page = window->page(kind);
            int clicked = 0;
            for (QPushButton* button : page->findChildren<QPushButton*>()) {
                if (!button->isEnabled())
                    continue;
                messages.clear();
                button->click();
                QCOMPARE(messages, QStringList{"没有选择从站"});
                ++clicked;
            }
            QCOMPARE(clicked, kind == page_kind::io ? 12 : kind == page_kind::io16 ? 21 : 24);
        }
        for (size_t card = 0; card < 3; ++card)
            QCOMPARE(object_value(*bus, card, 0x2300, 0), uint64_t(0));
    }

    void out_buttons_toggle_the_polled_output_word()
    {
        open_card(zeio);
        write_card(0x2300, 0, 0x0005, 2);
        QTRY_COMPARE(shown_outputs(3, 8), uint16_t(0x0005));
        control(1053)->click();
        QCOMPARE(card_object(0x2300), uint64_t(0x000D));
        // the loop-back of the jig lights the input, the poll the output
        QTRY_COMPARE(shown_outputs(3, 8), uint16_t(0x000D));
        QTRY_COMPARE_WITH_TIMEOUT(image(3, 1), 1, 1000);
        control(1053)->click();
        QCOMPARE(card_object(0x2300), uint64_t(0x0005));
        control(1066)->click();
        QCOMPARE(card_object(0x2300), uint64_t(0xFFFF));
        control(1067)->click();
        QCOMPARE(card_object(0x2300), uint64_t(0x0000));
        QVERIFY(messages.isEmpty());
    }

    void analog_outputs_write_volts_within_0_to_10()
    {
        open_card(zeio);
        type(1031, "5");
        control(1070)->click();
        QCOMPARE(card_object(0x2310), uint64_t(2048));
        type(1041, "10");
        control(1076)->click();
        QCOMPARE(card_object(0x2313), uint64_t(4095));
        QVERIFY(messages.isEmpty());
        // text without a number must not drive the output to 0 V
        for (const char* refused : {"10.01", "-0.5", "", "abc", "3abc"}) {
            type(1031, refused);
            control(1070)->click();
            QCOMPARE(messages.takeFirst(), QString("输入无效：模拟量输出1 应为 0–10 V"));
            QCOMPARE(card_object(0x2310), uint64_t(2048));
        }
        QTRY_COMPARE(cell(4, 11), QString("2048"));
        QCOMPARE(cell(4, 12), QString("5.000"));
        QTRY_COMPARE(cell(7, 12), QString("9.998"));
    }

    void comparator_thresholds_need_single_ended_mode()
    {
        open_card(zeio);
        configure_comparators(0x0017 & ~0x04);
        control(1020)->click();
        QCOMPARE(messages, QStringList{"比较器0未使能单端，设置失败！"});
        QCOMPARE(card_object(0x3032, 1), uint64_t(0));
        messages.clear();
        type(1034, "2.5");
        control(1021)->click();
        QVERIFY(messages.isEmpty());
        QCOMPARE(card_object(0x3032, 2), uint64_t(1024));
        type(1034, "abc");
        control(1021)->click();
        QCOMPARE(messages.takeFirst(), QString("输入无效：CMP1N 应为 0–10 V"));
        QCOMPARE(card_object(0x3032, 2), uint64_t(1024));
        type(1034, "2.5");
        configure_comparators(0x0004);
        control(1021)->click();
        QCOMPARE(messages, QStringList{"比较器1未使能单端，设置失败！"});
        control(1020)->click();
        QCOMPARE(card_object(0x3032, 1), uint64_t(1228));
        QTRY_COMPARE(cell(6, 14), QString("1228"));
        QCOMPARE(cell(6, 15), QString("2.998"));
    }

    void the_io16_page_toggles_and_shows_sixteen_bits()
    {
        open_card(kova_16io);
        QCOMPARE(list()->columnCount(), 11);
        control(1065)->click();
        QCOMPARE(card_object(0x2300), uint64_t(0x8000));
        QTRY_COMPARE(shown_outputs(5, 16), uint16_t(0x8000));
        write_card(0x2300, 0, 0x0101, 2);
        QTRY_VERIFY(image(0, 1) == 1 && image(0, 3) == 1);
        for (int row = 1; row < 8; ++row)
            QVERIFY(image(row, 1) == 0 && image(row, 3) == 0);
        type(1031, "5");
        control(1070)->click();
        QCOMPARE(card_object(0x2310), uint64_t(2048));
        QTRY_COMPARE(cell(2, 9), QString("2048"));
        QCOMPARE(cell(2, 10), QString("5.000"));
        QCOMPARE(cell(2, 8), QString("DA1:"));
        QVERIFY(messages.isEmpty());
    }

    void the_ioh_page_toggles_unlisted_outputs_and_sets_pwm()
    {
        open_card(kova_h);
        QCOMPARE(list()->rowCount(), 10);
        // OUT12 has no row: OUT8 beside it shows when the page holds a new word
        write_card(0x2300, 0, 0x0100, 2);
        QTRY_COMPARE(image(8, 3), 1);
        control(1062)->click();
        QCOMPARE(card_object(0x2300), uint64_t(0x1100));
        write_card(0x2300, 0, 0x1000, 2);
        QTRY_COMPARE(image(8, 3), 0);
        control(1062)->click();
        QCOMPARE(card_object(0x2300), uint64_t(0x0000));

        type(1035, "1000.0");
        type(1036, "50");
        control(1073)->click();
        QVERIFY(messages.isEmpty());
        QCOMPARE(card_object(0x2321), uint64_t(1000u * 65536));
        QCOMPARE(card_object(0x2331), uint64_t(32768));
        QTRY_COMPARE(cell(7, 5), QString("65536000"));
        QCOMPARE(cell(7, 6), QString("1000.000"));
        QTRY_COMPARE(cell(9, 6), QString("50.000%"));
        type(1034, "100");
        control(1072)->click();
        QCOMPARE(card_object(0x2330), uint64_t(0xFFFF));
        QVERIFY(messages.isEmpty());
        uint64_t frequency_before = card_object(0x2320);
        // a field without a number, or out of range, writes neither value and names itself
        for (auto [frequency, duty, refusal] : {std::tuple{"2000", "100.5", "输入无效：占空比1 应为 0–100 %"},
                                                std::tuple{"abc", "50", "输入无效：频率1 应为 0–65535 Hz"},
                                                std::tuple{"3000", "", "输入无效：占空比1 应为 0–100 %"}}) {
            messages.clear();
            type(1033, frequency);
            type(1034, duty);
            control(1072)->click();
            QCOMPARE(messages, QStringList{refusal});
            QCOMPARE(card_object(0x2320), frequency_before);
            QCOMPARE(card_object(0x2330), uint64_t(0xFFFF));
        }
    }

    void clearing_the_counters_restarts_them()
    {
        open_card(kova_h);
        QTRY_VERIFY(cell(0, 8).toLongLong() > 500);
        long long before = cell(0, 8).toLongLong();
        control(1074)->click();
        QVERIFY(messages.isEmpty());
        QTRY_VERIFY(cell(0, 8).toLongLong() < before);
    }

    void the_one_key_test_ramps_and_alternates_while_hidden()
    {
        open_card(kova_16io);
        // steps of 0.3 s: the sampler below must see every step even on a loaded machine
        type(1037, "0.3");
        type(1038, "3");
        type(1039, "0.05");
        control(1068)->click();
        QCOMPARE(control(1068)->text(), QString("停止测试"));
        std::set<uint64_t> words;
        std::vector<uint64_t> ramp;
        auto sample = [&] {
            words.insert(card_object(0x2300));
            uint64_t da = card_object(0x2310);
            if (ramp.empty() || ramp.back() != da)
                ramp.push_back(da);
        };
        QTRY_VERIFY_WITH_TIMEOUT((sample(), ramp.size() >= 5 && ramp.back() == 0), 10000);
        QCOMPARE(words, (std::set<uint64_t>{0xAAAA, 0x5555}));
        // 1 V at the start, then 3 V up each step until it passes 10 V
        QCOMPARE(ramp.front(), uint64_t(409));
        for (size_t i = 1; i + 1 < ramp.size(); ++i)
            QVERIFY(ramp[i] > ramp[i - 1]);

        window->findChild<QTabBar*>("id1000")->setCurrentIndex(1);
        QTRY_VERIFY(!page->isVisible());
        words.clear();
        QTRY_VERIFY_WITH_TIMEOUT((words.insert(card_object(0x2300)), words.size() == 2), 5000);

        window->findChild<QTabBar*>("id1000")->setCurrentIndex(0);
        QTRY_VERIFY(page->isVisible());
        control(1068)->click();
        QCOMPARE(control(1068)->text(), QString("一键测试"));
        uint64_t last = card_object(0x2300);
        QTest::qWait(200);
        QCOMPARE(card_object(0x2300), last);
        QVERIFY(messages.isEmpty());
    }
};

QTEST_MAIN(io_pages_test)
#include "io_pages_test.moc"
