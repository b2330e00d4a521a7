#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include <QByteArray>
#include <QString>

#include "pages/logic/pc_port_rules.h"

class QSerialPort;
class QThread;

// One serial port of the PC, read and written on a thread of its own so that the line is
// served while the window is busy. Received bytes go to a callback in arrival order; a
// write is queued behind the ones before it, and nothing received is discarded by it.
class CSerialPort {
public:
    static constexpr size_t write_limit = 1024;

    // Called on the port's thread: the bytes in arrival order, in pieces of any size.
    using receiver = std::function<void(const QByteArray& bytes)>;
    // Called on the port's thread with the message of a failed read or write; the port is
    // closed then.
    using error_reporter = std::function<void(const QString& message)>;

    CSerialPort();
    // Closes the port (discarding what was not yet written) and ends its thread.
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens device (a path such as /dev/ttyUSB0, or a name Qt knows) with the line
    // settings. Returns the message of the first step that failed, or empty when open.
    QString open(const QString& device, const page_logic::pc_port_settings& settings, receiver on_bytes,
                 error_reporter on_error);
    bool is_open() const { return open_; }
    // Queues at most write_limit bytes and returns at once; returns how many it queued.
    size_t write(const uint8_t* data, size_t length);
    // Stops reading and writing and frees the port.
    void close();

private:
    QString open_on_port_thread(const QString& device, const page_logic::pc_port_settings& settings);
    QString configure(const page_logic::pc_port_settings& settings);
    void close_on_port_thread();
    void on_error();

    QThread* thread_;
    QSerialPort* port_;
    std::atomic<bool> open_{false};
    QString port_name_;
    receiver on_bytes_;
    error_reporter on_error_;
};
