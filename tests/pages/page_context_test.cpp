// A page built over a fake context, with no main window: it writes to the card through
// the context's master and draws what the context's polled block holds.
#include <memory>

#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "bus_fixture.h"
#include "ecat/adapter.h"
#include "ecat/session.h"
#include "fake_page_context.h"
#include "pages/CIOdlg.h"
#include "sim/bus/bus.h"

using namespace apptest;

class page_context_test : public QObject {
    Q_OBJECT

private:
    ecat::master bus_master; // this test's own, outliving what uses it
    std::shared_ptr<sim::bus> bus;
    ecat::net_device descriptor;

    int image(CIOdlg& page, int row, int column)
    {
        QVariant image = page.findChild<QTableWidget*>("id1002")->item(row, column)->data(Qt::UserRole);
        return image.isValid() ? image.toInt() : -1;
    }

private slots:
    void initTestCase()
    {
        bus = register_spec_bus("ZEIO", "页面上下文测试总线");
        QVERIFY(bus);
        ecat::adapter_list_refresh();
        start_master(bus_master, adapter_index_of("页面上下文测试总线"), descriptor);
        QVERIFY(wait_until_ready(bus_master, 1));
    }

    void cleanupTestCase()
    {
        ecat::session_close(bus_master);
        bus.reset();
        ecat::adapter_unregister_wires();
    }

    void a_button_writes_the_card_through_the_context_master()
    {
        fake_page_context context(bus_master);
        CIOdlg page(context, nullptr);
        page.findChild<QPushButton*>("id1053")->click();
        QCOMPARE(object_value(*bus, 0, 0x2300, 0), uint64_t(0x0008));
        QVERIFY(context.messages.isEmpty());
    }

    void the_list_draws_the_context_values_while_shown()
    {
        fake_page_context context(bus_master);
        context.polled.inputs = 0x0005;
        CIOdlg page(context, nullptr);
        page.show();
        QTRY_COMPARE(image(page, 0, 1), 1);
        QCOMPARE(image(page, 1, 1), 0);
        QCOMPARE(image(page, 2, 1), 1);
        context.polled.inputs = 0x0002;
        QTRY_COMPARE(image(page, 1, 1), 1);
        QCOMPARE(image(page, 0, 1), 0);
    }

    void without_a_selected_slave_the_context_shows_the_message()
    {
        fake_page_context context(bus_master);
        context.selected = -1;
        CIOdlg page(context, nullptr);
        page.findChild<QPushButton*>("id1066")->click();
        QCOMPARE(context.messages, QStringList{"提示: 没有选择从站"});
    }
};

QTEST_MAIN(page_context_test)
#include "page_context_test.moc"
