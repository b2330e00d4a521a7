// The PC serial port against a real pseudo terminal: the test holds the far end.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <mutex>
#include <thread>

#include <QtTest>

#include "pages/CSerialPort.h"

namespace {

// The far end of the line: the master side of a new pseudo terminal.
class far_end {
public:
    far_end()
    {
        fd = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (fd >= 0 && ::grantpt(fd) == 0 && ::unlockpt(fd) == 0)
            path = QString::fromLocal8Bit(::ptsname(fd));
    }
    ~far_end() { ::close(fd); }
    // Reads until count bytes have come, or 20 s have passed.
    QByteArray read(qsizetype count)
    {
        QByteArray got;
        QDeadlineTimer deadline(20000);
        while (got.size() < count && !deadline.hasExpired()) {
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, 100) <= 0)
                continue;
            char chunk[4096];
            ssize_t n = ::read(fd, chunk, size_t(std::min<qsizetype>(count - got.size(), sizeof chunk)));
            if (n > 0)
                got.append(chunk, n);
        }
        return got;
    }
    void write(const QByteArray& bytes)
    {
        for (qsizetype done = 0; done < bytes.size();) {
            ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
        }
    }

    int fd = -1;
    QString path;
};

QByteArray pattern(int length, int seed)
{
    QByteArray bytes(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        bytes[i] = char((i * 31 + seed) % 251);
    return bytes;
}

// What the port hands over, gathered from its thread.
struct received {
    std::mutex lock;
    QByteArray bytes;
    QStringList errors;
    QByteArray taken()
    {
        std::lock_guard guard(lock);
        return bytes;
    }
};

} // namespace

class pc_serial_port_test : public QObject {
    Q_OBJECT

private:
    far_end line;
    received got;
    CSerialPort port;

    QString open(const page_logic::pc_port_settings& settings = {})
    {
        return port.open(
            line.path, settings,
            [this](const QByteArray& bytes) {
                std::lock_guard guard(got.lock);
                got.bytes += bytes;
            },
            [this](const QString& message) {
                std::lock_guard guard(got.lock);
                got.errors << message;
            });
    }
    void write(const QByteArray& bytes)
    {
        port.write(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }

private slots:
    void init()
    {
        QVERIFY(!line.path.isEmpty());
        QCOMPARE(open(), QString());
        QVERIFY(port.is_open());
    }

    void cleanup()
    {
        port.close();
        std::lock_guard guard(got.lock);
        QCOMPARE(got.errors, QStringList());
        got.bytes.clear();
    }

    void a_write_sends_at_most_1024_bytes()
    {
        QByteArray long_one = pattern(1500, 1);
        write(long_one);
        write("END");
        QCOMPARE(line.read(1024 + 3), long_one.left(1024) + "END");
    }

    void writes_in_a_row_each_arrive_whole_and_in_order()
    {
        QByteArray first = pattern(1024, 2), second = pattern(1024, 3), third = pattern(700, 4);
        write(first);
        write(second);
        write(third);
        QCOMPARE(line.read(2748), first + second + third);
    }

    void a_fast_stream_arrives_complete_and_in_order_while_the_port_writes()
    {
        QByteArray stream = pattern(100 * 1024, 5);
        std::thread writer([&] { line.write(stream); });
        // writes do not discard what has been received and not yet handed over
        QByteArray sent;
        for (int i = 0; i < 20; ++i) {
            QByteArray piece = pattern(100, 6 + i);
            write(piece);
            sent += piece;
        }
        writer.join();
        QTRY_COMPARE_WITH_TIMEOUT(got.taken().size(), stream.size(), 30000);
        QVERIFY(got.taken() == stream);
        QCOMPARE(line.read(sent.size()), sent);
    }

    void a_missing_device_names_the_open_step_its_reason_and_the_port()
    {
        port.close();
        QString failure = port.open("/dev/ttyKESTIO_NONE", {}, {}, {});
        QVERIFY(!port.is_open());
        QVERIFY2(failure.startsWith("警告:  打开串口 失败! \n\n其原因是: \n"), qPrintable(failure));
        QVERIFY2(failure.endsWith("\n端口: ttyKESTIO_NONE\n"), qPrintable(failure));
        QVERIFY(failure.size() > QString("警告:  打开串口 失败! \n\n其原因是: \n\n端口: ttyKESTIO_NONE\n").size());
        QCOMPARE(open(), QString()); // it opens again after a failure
    }

    void one_and_a_half_stop_bits_are_refused_not_changed()
    {
        port.close();
        page_logic::pc_port_settings settings;
        settings.stop_bits = 1;
        QString failure = open(settings);
        QVERIFY2(failure.startsWith("警告:  设置串口属性 失败! "), qPrintable(failure));
        QVERIFY(failure.endsWith("端口: " + line.path.mid(5) + "\n"));
        QVERIFY(!port.is_open());
        // a pseudo terminal keeps only 8 data bits without parity, as some drivers do
        for (page_logic::pc_port_settings refused :
             {page_logic::pc_port_settings{9600, 7, 0, 0}, page_logic::pc_port_settings{9600, 8, 2, 0},
              page_logic::pc_port_settings{9600, 8, 3, 0}}) {
            failure = open(refused);
            QVERIFY2(failure.startsWith("警告:  设置串口属性 失败! \n\n其原因是: \n"), qPrintable(failure));
            QVERIFY2(!failure.contains("No error"), qPrintable(failure));
            QVERIFY(!port.is_open());
        }
        settings = {9600, 8, 0, 2};
        QCOMPARE(open(settings), QString());
    }

    void closing_and_destroying_do_not_wait_for_a_line_that_does_not_drain()
    {
        // the far end reads nothing: the terminal fills and the rest stays queued
        for (int i = 0; i < 40; ++i)
            write(pattern(1024, i));
        port.close();
        QVERIFY(!port.is_open());
        auto other = std::make_unique<CSerialPort>();
        QCOMPARE(other->open(line.path, {}, {}, {}), QString());
        for (int i = 0; i < 40; ++i)
            other->write(reinterpret_cast<const uint8_t*>(pattern(1024, i).constData()), 1024);
        other.reset();
        QCOMPARE(open(), QString());
        ::tcflush(line.fd, TCIOFLUSH);
    }
};

QTEST_MAIN(pc_serial_port_test)
#include "pc_serial_port_test.moc"
