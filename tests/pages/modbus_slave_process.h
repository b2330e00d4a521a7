#pragma once
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace apptest {

// The libmodbus RTU slave (tests/modbus_slave) as a child process on a serial device,
// driven through its command lines.
class modbus_slave_process {
public:
    ~modbus_slave_process()
    {
        process_.closeWriteChannel(); // it ends at the end of its input
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }

    // Starts it on device as slave id; true once it has the device open.
    bool start(const QString& device, int slave_id = 1)
    {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(MODBUS_RTU_SLAVE, {device, QString::number(slave_id)});
        return process_.waitForStarted(10000) && next_line() == "ready";
    }

    // One command and its answer, e.g. "get holding 10" gives "4660".
    QString command(const QString& line)
    {
        process_.write((line + "\n").toUtf8());
        return next_line();
    }
    qint64 number(const QString& line) { return command(line).toLongLong(); }

private:
    QString next_line()
    {
        QElapsedTimer waited;
        waited.start();
        while (!process_.canReadLine() && waited.elapsed() < 10000)
            process_.waitForReadyRead(100);
        return QString::fromUtf8(process_.readLine()).trimmed();
    }

    QProcess process_;
};

} // namespace apptest
