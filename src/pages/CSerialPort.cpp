#include "pages/CSerialPort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <termios.h>

#include <QSerialPort>
#include <QThread>

namespace {

QSerialPort::Parity qt_parity(int parity)
{
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    return parity >= 0 && parity < 5 ? parities[parity] : QSerialPort::NoParity;
}

QString message(const char* operation, const std::string& reason, const QString& port)
{
    return QString::fromStdString(page_logic::serial_error_text(operation, reason, port.toStdString()));
}

} // namespace

CSerialPort::CSerialPort() : thread_(new QThread), port_(new QSerialPort)
{
    thread_->setObjectName("SerialPortMonitor");
    port_->moveToThread(thread_);
    QObject::connect(port_, &QSerialPort::readyRead, port_, [this] {
        QByteArray bytes = port_->readAll();
        if (!bytes.isEmpty() && on_bytes_)
            on_bytes_(bytes);
    });
    QObject::connect(port_, &QSerialPort::errorOccurred, port_, [this] { on_error(); });
    thread_->start();
}

CSerialPort::~CSerialPort()
{
    close();
    QMetaObject::invokeMethod(
        port_, [this] { delete port_; }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete thread_;
}

QString CSerialPort::open(const QString& device, const page_logic::pc_port_settings& settings, receiver on_bytes,
                          error_reporter on_error)
{
    close();
    QString failure;
    QMetaObject::invokeMethod(
        port_,
        [&] {
            on_bytes_ = std::move(on_bytes);
            on_error_ = std::move(on_error);
            failure = open_on_port_thread(device, settings);
        },
        Qt::BlockingQueuedConnection);
    return failure;
}

QString CSerialPort::open_on_port_thread(const QString& device, const page_logic::pc_port_settings& settings)
{
    port_name_ = QString::fromStdString(page_logic::port_display_name(device.toStdString()));
    port_->setPortName(device);
    if (!port_->open(QIODevice::ReadWrite)) {
        QString failure = message("打开串口", port_->errorString().toStdString(), port_name_);
        port_->clearError();
        return failure;
    }
    QString failure = configure(settings);
    if (!failure.isEmpty()) {
        port_->close();
        port_->clearError();
        return failure;
    }
    // bytes from before the opening are not part of this test
    port_->clear(QSerialPort::AllDirections);
    open_ = true;
    return {};
}

QString CSerialPort::configure(const page_logic::pc_port_settings& settings)
{
    std::string refused = page_logic::unsupported_setting(settings);
    if (!refused.empty())
        return message("设置串口属性", refused, port_name_);
    bool set = port_->setBaudRate(settings.baud) && port_->setDataBits(QSerialPort::DataBits(settings.data_bits))
        && port_->setParity(qt_parity(settings.parity))
        && port_->setStopBits(settings.stop_bits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
        && port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!set) {
        // Qt reports a setting the driver did not keep without an error of its own
        std::string reason = port_->error() != QSerialPort::NoError ? port_->errorString().toStdString()
                                                                    : std::string(std::strerror(ENOTSUP));
        return message("设置串口属性", reason, port_name_);
    }
    // a driver may take a setting without complaint and keep another one
    termios mode{};
    if (::tcgetattr(int(port_->handle()), &mode) != 0)
        return message("获取串口属性", std::strerror(errno), port_name_);
    std::string not_taken = page_logic::setting_not_taken(mode, settings);
    if (!not_taken.empty())
        return message("设置串口属性", not_taken, port_name_);
    return {};
}

size_t CSerialPort::write(const uint8_t* data, size_t length)
{
    if (!open_)
        return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(std::min(length, write_limit)));
    // queued behind earlier writes; the port writes them in order as the line takes them
    QMetaObject::invokeMethod(port_, [this, bytes] {
        if (port_->isOpen())
            port_->write(bytes);
    });
    return size_t(bytes.size());
}

void CSerialPort::close()
{
    QMetaObject::invokeMethod(
        port_, [this] { close_on_port_thread(); }, Qt::BlockingQueuedConnection);
}

void CSerialPort::close_on_port_thread()
{
    open_ = false;
    if (!port_->isOpen())
        return;
    // a line that does not drain must not hold up the closing
    port_->clear(QSerialPort::Output);
    port_->close();
}

void CSerialPort::on_error()
{
    QSerialPort::SerialPortError error = port_->error();
    if (!open_ || error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    const char* operation = error == QSerialPort::WriteError ? "WriteFile()" : "ReadFile()";
    QString failure = message(operation, port_->errorString().toStdString(), port_name_);
    close_on_port_thread();
    if (on_error_)
        on_error_(failure);
}
