// The CAN page in the main window: the KOVA-H poll fetches the echoed frames into the log
// while the CAN tab is shown, and leaves them in the card while it is not.
// before Qt, whose "slots" macro the card model's headers use as a name
#include "sim/cards/card_firmware.h"
#include "sim/cards/card_jig.h"

#include <algorithm>
#include <memory>

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
#include "card/card_ops.h"
#include "ecat/adapter.h"
#include "pages/CCanDlg.h"
#include "sim/bus/bus.h"

using namespace apptest;

namespace {

const std::string bus_name = "CAN轮询测试总线";
constexpr int can_tab = 5;
// waits on the bus are generous: several helpers load the machine
constexpr int bus_wait_ms = 20000;

} // namespace

class can_page_poll_test : public QObject {
    Q_OBJECT

private:
    ecat::master bus_master; // this test's own, outliving what uses it
    std::unique_ptr<CKestIO_TestDlg> window;
    std::shared_ptr<sim::bus> bus;
    QStringList messages;

    CMyDlg* page() { return window->page(page_kind::can); }
    QStringList log()
    {
        return page()->findChild<QPlainTextEdit*>("id1005")->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    QStringList log_lines_starting(const QString& head)
    {
        return log().filter(QRegularExpression("^\\[.{8}\\] " + head));
    }
    size_t echoed()
    {
        return bus->with_slave(0, [](sim::slave& s) { return sim::cards::card_of(s)->board().can()->waiting(); });
    }
    void send() { QTest::mouseClick(page()->findChild<QPushButton*>("id1051"), Qt::LeftButton); }

private slots:
    void init()
    {
        QSettings("DV_TqrApp", "KestIO_Test").clear();
        set_message_box_handler([this](QWidget*, const QString&, const QString& text) { messages << text; });
        bus = register_spec_bus("KOVA-H", bus_name);
        QVERIFY(bus);
        window = std::make_unique<CKestIO_TestDlg>(bus_master, QString::fromStdString(bus_name));
        window->show();
        QVERIFY(wait_until_ready(bus_master, 1));
        window->findChild<QPushButton*>("id1050")->click();
        auto* tabs = window->findChild<QTabBar*>("id1000");
        QTRY_COMPARE_WITH_TIMEOUT(tabs->count(), 6, bus_wait_ms);
        QTRY_VERIFY_WITH_TIMEOUT(!window->info_thread().running(), bus_wait_ms);
    }

    void cleanup()
    {
        window.reset();
        bus.reset();
        ecat::adapter_unregister_wires();
        set_message_box_handler({});
        QVERIFY(messages.isEmpty());
    }

    void the_echo_is_logged_while_the_tab_is_shown_and_waits_while_it_is_not()
    {
        auto* tabs = window->findChild<QTabBar*>("id1000");
        tabs->setCurrentIndex(can_tab);
        QTRY_VERIFY_WITH_TIMEOUT(page()->isVisible(), bus_wait_ms);
        send();
        QTRY_COMPARE_WITH_TIMEOUT(log_lines_starting("Rx: ").size(), 1, bus_wait_ms);
        QVERIFY(log_lines_starting("Rx: CanId:1, fmt: 经典, type: 数据帧, Data : 12 34 56 78 90 AB CD EF").size() == 1);
        QTRY_COMPARE_WITH_TIMEOUT(log_lines_starting("Tx: ").size(), 1, bus_wait_ms);
        QCOMPARE(echoed(), size_t(0));

        tabs->setCurrentIndex(0);
        QTRY_VERIFY_WITH_TIMEOUT(!page()->isVisible(), bus_wait_ms);
        send();
        QTRY_COMPARE_WITH_TIMEOUT(log_lines_starting("Tx: ").size(), 2, bus_wait_ms);
        QCOMPARE(echoed(), size_t(1));
        // the poll serves the IO tab now: once it has read the inputs twice, the frame is still there
        sdo_traffic traffic(bus_master);
        auto input_reads = [&] {
            auto accesses = traffic.to(0);
            return std::count_if(accesses.begin(), accesses.end(),
                                 [](const sdo_access& a) { return a.index == 0x2000 && a.upload; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(input_reads() >= 2, bus_wait_ms);
        QCOMPARE(echoed(), size_t(1));
        QCOMPARE(log_lines_starting("Rx: ").size(), 1);

        tabs->setCurrentIndex(can_tab);
        QTRY_COMPARE_WITH_TIMEOUT(log_lines_starting("Rx: ").size(), 2, bus_wait_ms);
        QCOMPARE(echoed(), size_t(0));
    }

    void every_control_fits_at_the_smallest_window()
    {
        window->resize(window->minimumSize());
        window->findChild<QTabBar*>("id1000")->setCurrentIndex(can_tab);
        QTRY_VERIFY_WITH_TIMEOUT(page()->isVisible(), bus_wait_ms);
        QTRY_COMPARE_WITH_TIMEOUT(window->size(), QSize(900, 640), bus_wait_ms);
        QRect area = page()->rect();
        for (QWidget* control : page()->findChildren<QWidget*>()) {
            bool captioned = qobject_cast<QLabel*>(control) || qobject_cast<QAbstractButton*>(control)
                || qobject_cast<QComboBox*>(control) || qobject_cast<QLineEdit*>(control);
            if (!captioned || !control->isVisible())
                continue;
            QString name =
                control->objectName().isEmpty() ? control->property("text").toString() : control->objectName();
            QVERIFY2(control->width() >= control->sizeHint().width() || qobject_cast<QLineEdit*>(control),
                     qPrintable(name));
            QVERIFY2(control->height() >= control->minimumSizeHint().height(), qPrintable(name));
            QVERIFY2(area.contains(QRect(control->mapTo(page(), QPoint(0, 0)), control->size())), qPrintable(name));
        }
        auto* data = page()->findChild<QLineEdit*>("id1031");
        QVERIFY(data->width() > data->fontMetrics().horizontalAdvance(data->text()));
        auto* identifier = page()->findChild<QLineEdit*>("id1033");
        QVERIFY(identifier->width() > identifier->fontMetrics().horizontalAdvance("536870911"));
        QVERIFY(page()->findChild<QPlainTextEdit*>("id1005")->height() > 200);
    }
};

QTEST_MAIN(can_page_poll_test)
#include "can_page_poll_test.moc"
