// Start-up: the instance check, the capture check, and a bad simulated bus.
#include <unistd.h>

#include <QtTest>

#include "app/CKestIO_TestApp.h"
#include "app/capture_check.h"
#include "app/message_box.h"
#include "platform/named_lock.h"

class startup_test : public QObject {
    Q_OBJECT

    QStringList messages;

private slots:
    void init()
    {
        messages.clear();
        set_message_box_handler([this](QWidget*, const QString&, const QString& text) { messages << text; });
    }
    void cleanup() { set_message_box_handler({}); }

    void a_second_instance_is_refused_before_any_window()
    {
        platform::named_lock first(CKestIO_TestApp::instance_lock_name);
        QVERIFY(first.try_lock());
        app_options options;
        options.simulate = true;
        options.simulated_cards = "generic";
        QCOMPARE(CKestIO_TestApp(options).run(), 1);
        QCOMPARE(messages, QStringList({"已有TQR主站在运行！"}));
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void without_packet_capture_only_the_simulated_bus_may_run()
    {
        if (can_capture_packets())
            QSKIP("this process may capture packets");
        QCOMPARE(CKestIO_TestApp(app_options{}).run(), 1);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("没有安装驱动程序！"));
        QVERIFY(messages[0].contains("setcap cap_net_raw,cap_net_admin=eip"));
    }

    void an_unknown_card_model_is_refused()
    {
        app_options options;
        options.simulate = true;
        options.simulated_cards = "NO-SUCH-CARD";
        QCOMPARE(CKestIO_TestApp(options).run(), 2);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("模拟总线："));
        // the refused start left the instance free
        platform::named_lock next(CKestIO_TestApp::instance_lock_name);
        QVERIFY(next.try_lock());
    }
};

QTEST_MAIN(startup_test)
#include "startup_test.moc"
