// The Modbus page and the card's Modbus master against a Modbus RTU slave made with
// libmodbus: the simulated KOVA-H's serial line is on a pseudo terminal, the slave is a
// child process on it, and the values go both ways between the slave's register map, the
// card, the polled values and the page's rows.
#include "modbus_page_fixture.h"
#include "modbus_slave_process.h"
#include "sim/cards/card_jig.h"

using namespace apptest;

namespace {

const std::string bus_name = "Modbus RTU测试总线";

} // namespace

class modbus_rtu_e2e_test : public QObject {
    Q_OBJECT

private:
    modbus_page_fixture f;
    std::unique_ptr<modbus_slave_process> slave;

    polled_values& polled() { return f.window->values(); }

private slots:
    void init()
    {
        f.start();
        QVERIFY(f.open_window("KOVA-H", bus_name, 1));
        std::string path, error;
        QVERIFY2(sim::cards::bind_serial_to_pty(*f.bus, 0, path, error), error.c_str());
        slave = std::make_unique<modbus_slave_process>();
        QVERIFY(slave->start(QString::fromStdString(path)));
        QVERIFY(f.show_modbus_page_of_kova_h(0));
        // a slave in another process on a loaded machine: 100 ms to answer
        f.set_timing("2", "1000");
        QVERIFY(f.messages.isEmpty());
    }

    void cleanup()
    {
        f.stop();
        slave.reset();
    }

    void rx_entries_bring_the_slaves_values_to_the_rows_and_the_polled_values()
    {
        QCOMPARE(slave->command("set holding 10 4660"), QString("4660"));
        QCOMPARE(slave->command("set32 holding 20 2309737967"), QString("2309737967")); // 0x89ABCDEF
        QCOMPARE(slave->command("setbits coil 30 10 677"), QString("677"));             // 0x2A5
        QCOMPARE(slave->command("set32 input_register 40 305419896"), QString("305419896"));
        QCOMPARE(slave->command("setbits input 50 32 3735928559"), QString("3735928559")); // 0xDEADBEEF
        QCOMPARE(slave->command("set input_register 60 65535"), QString("65535"));
        QCOMPARE(slave->command("setbits input 90 1 1"), QString("1"));
        f.configure(1, 0, 0, 3, 16, 10); // holding register
        f.configure(1, 0, 1, 3, 32, 20); // two holding registers
        f.configure(1, 0, 2, 0, 10, 30); // ten coils
        f.configure(1, 0, 3, 2, 32, 40); // two input registers
        f.configure(1, 0, 4, 1, 32, 50); // 32 discrete inputs
        f.configure(1, 0, 5, 2, 16, 60); // input register
        f.configure(1, 0, 6, 1, 1, 90);  // one discrete input
        QVERIFY(f.messages.isEmpty());
        const char* shown[] = {"4660", "-1985229329", "677", "305419896", "-559038737", "65535", "1"};
        for (int n = 0; n < 7; ++n) {
            QTRY_COMPARE_WITH_TIMEOUT(f.cell(n, 6), QString(shown[n]), 15000);
            QTRY_COMPARE(f.cell(n, 8), QString("0x0001"));
            QCOMPARE(int32_t(polled().modbus_rx[n].data.load()), QString(shown[n]).toInt());
        }
        QTRY_COMPARE(f.cell(2, 5), QString("线圈"));
        QTRY_COMPARE(f.cell(4, 5), QString("离散输入"));
        QTRY_COMPARE(f.cell(3, 5), QString("输入寄存器"));

        slave->command("set holding 10 17");
        QTRY_COMPARE_WITH_TIMEOUT(f.cell(0, 6), QString("17"), 15000);
        QVERIFY(slave->number("requests") > 7);
    }

    void tx_entries_write_the_slaves_registers_and_coils()
    {
        f.configure(1, 1, 0, 3, 16, 100); // holding register
        f.configure(1, 1, 1, 3, 32, 110); // two holding registers
        f.configure(1, 1, 2, 0, 12, 120); // twelve coils
        f.configure(1, 1, 3, 0, 1, 140);  // one coil
        f.modify(0, "4242");
        f.modify(1, "-2");
        f.modify(2, "2748"); // 0xABC
        f.modify(3, "1");
        QVERIFY(f.messages.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(slave->number("get holding 100"), 4242LL, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(slave->number("get32 holding 110"), 4294967294LL, 15000);
        QCOMPARE(slave->number("get holding 110"), 0xFFFFLL); // high word first
        QTRY_COMPARE_WITH_TIMEOUT(slave->number("getbits coil 120 12"), 2748LL, 15000);
        QCOMPARE(slave->number("get coil 132"), 0LL); // no coil beyond the twelve
        QTRY_COMPARE_WITH_TIMEOUT(slave->number("get coil 140"), 1LL, 15000);
        for (int row = 8; row < 12; ++row)
            QTRY_COMPARE(f.cell(row, 8), QString("0x0001"));
        QTRY_COMPARE(f.cell(9, 6), QString("-2"));

        f.modify(0, "7");
        QTRY_COMPARE_WITH_TIMEOUT(slave->number("get holding 100"), 7LL, 15000);
    }

    void an_absent_slave_times_out_until_cleared_and_an_exception_shows_in_the_status()
    {
        f.configure(9, 1, 4, 3, 16, 0); // Tx 4 to slave 9: nobody answers
        QTRY_VERIFY_WITH_TIMEOUT(f.cell(12, 9).toInt() >= 2, 15000);
        QTRY_COMPARE(f.cell(12, 8), QString("0x0002"));
        QVERIFY(polled().modbus_tx[4].timeout_count >= 2);
        // Now to the slave that is there. The exchange with slave 9 still under way ends in a
        // time-out, and libmodbus takes the next request on the line for slave 9's reply
        // (as on a bus where slave 9 answers) and drops it: clear once the channel is healthy.
        f.configure(1, 1, 4, 3, 16, 0);
        QTRY_COMPARE_WITH_TIMEOUT(f.cell(12, 8), QString("0x0001"), 15000);
        f.control(1051)->click();
        QTRY_COMPARE(f.cell(12, 9), QString("0"));
        QCOMPARE(polled().modbus_tx[4].timeout_count.load(), uint16_t(0));

        f.configure(1, 0, 7, 3, 16, 300); // beyond the slave's 256 registers
        QTRY_COMPARE_WITH_TIMEOUT(f.cell(7, 8), QString("0x0204"), 15000);
        QVERIFY(f.list()->item(7, 8)->toolTip().contains("异常码 2"));
        QCOMPARE(polled().modbus_rx[7].status.load(), uint16_t(0x0204));
        QVERIFY(f.messages.isEmpty());
    }
};

QTEST_MAIN(modbus_rtu_e2e_test)
#include "modbus_rtu_e2e_test.moc"
