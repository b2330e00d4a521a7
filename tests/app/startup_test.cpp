// Start-up: the instance check, the capture check, and a bad simulated bus.
#include <csignal>
#include <pwd.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "app/CKestIO_TestApp.h"
#include "app/CKestIO_TestDlg.h"
#include "platform/adapter_helper_client.h"
#include "app/message_box.h"
#include "platform/instance_marker.h"

namespace {

using marker = platform::instance_marker;

bool instance_running()
{
    return marker(CKestIO_TestApp::instance_marker_name).state() == marker::result::already_running;
}

app_options simulated_options()
{
    app_options options;
    options.simulate = true;
    options.simulated_cards = "generic";
    return options;
}

// The process of a copy of the program under another user id.
class other_users_instance {
public:
    bool start(const char* user, const char* group)
    {
        passwd* account = getpwnam(user);
        if (!account || !home_.isValid())
            return false;
        for (const char* folder : {"", "/runtime", "/config"}) {
            QString path = home_.path() + folder;
            QDir().mkpath(path);
            if (chown(path.toLocal8Bit().constData(), account->pw_uid, account->pw_gid) != 0)
                return false;
        }
        QFile::setPermissions(home_.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home_.path());
        environment.insert("XDG_RUNTIME_DIR", home_.path() + "/runtime");
        environment.insert("XDG_CONFIG_HOME", home_.path() + "/config");
        process_.setProcessEnvironment(environment);
        process_.start("setpriv",
                       QStringList{QStringLiteral("--reuid=") + user, QStringLiteral("--regid=") + group,
                                   "--clear-groups", KESTIO_TEST_PROGRAM, "--simulate=generic"});
        return process_.waitForStarted();
    }
    void kill()
    {
        ::kill(pid_t(process_.processId()), SIGKILL);
        process_.waitForFinished();
    }
    ~other_users_instance()
    {
        if (process_.state() != QProcess::NotRunning)
            kill();
    }

private:
    QTemporaryDir home_;
    QProcess process_;
};

} // namespace

class startup_test : public QObject {
    Q_OBJECT

    QStringList messages;
    app_objects objects; // what main() would make

private slots:
    void init()
    {
        messages.clear();
        set_message_box_handler([this](QWidget*, const QString&, const QString& text) { messages << text; });
    }
    void cleanup() { set_message_box_handler({}); }

    void a_second_instance_is_refused_before_any_window()
    {
        marker first(CKestIO_TestApp::instance_marker_name);
        QCOMPARE(first.state(), marker::result::marked);
        QCOMPARE(CKestIO_TestApp(simulated_options(), objects).run(), 1);
        QCOMPARE(messages, QStringList({"已有TQR主站在运行！"}));
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void without_the_adapter_helper_only_the_simulated_bus_may_run()
    {
        std::string error;
        if (platform::adapter_helper_usable(error))
            QSKIP("the adapter helper opens packet sockets for this test");
        QCOMPARE(CKestIO_TestApp(app_options{}, objects).run(), 1);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("没有安装驱动程序！"));
        QVERIFY(messages[0].contains("sudo usermod -aG kestio"));
    }

    void an_unknown_card_model_is_refused()
    {
        app_options options;
        options.simulate = true;
        options.simulated_cards = "NO-SUCH-CARD";
        QCOMPARE(CKestIO_TestApp(options, objects).run(), 2);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("模拟总线："));
        // the refused start left the instance free
        QVERIFY(!instance_running());
    }

    void another_users_instance_is_seen_and_a_killed_one_leaves_no_trace()
    {
        if (geteuid() != 0)
            QSKIP("only root can start a copy under another user id");
        if (QStandardPaths::findExecutable("setpriv").isEmpty())
            QSKIP("setpriv is not installed");
        other_users_instance other;
        QVERIFY(other.start("nobody", "nogroup"));
        QTRY_VERIFY_WITH_TIMEOUT(instance_running(), 30000);
        QCOMPARE(CKestIO_TestApp(simulated_options(), objects).run(), 1);
        QCOMPARE(messages, QStringList({"已有TQR主站在运行！"}));

        other.kill();
        messages.clear();
        // the next start runs its window, closed here as soon as it is shown
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (qobject_cast<CKestIO_TestDlg*>(window) && window->isVisible())
                    window->close();
        });
        closer.start(100);
        QCOMPARE(CKestIO_TestApp(simulated_options(), objects).run(), 0);
        QVERIFY(messages.isEmpty());
    }
};

QTEST_MAIN(startup_test)
#include "startup_test.moc"
