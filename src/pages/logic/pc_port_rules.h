#pragma once
#include <string>

struct termios;

namespace page_logic {

// A PC serial port's line settings as the page offers them.
struct pc_port_settings {
    int baud = 115200;
    int data_bits = 8; // 5..8
    int parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stop_bits = 0; // 0 one, 1 one and a half, 2 two
};

// The system's reason a setting cannot be had on Linux (termios has no 1.5 stop bits),
// or empty when it can be asked for.
std::string unsupported_setting(const pc_port_settings& settings);
// The reason the port's line mode does not hold what was asked (a driver that quietly kept
// another frame format), or empty.
std::string setting_not_taken(const termios& mode, const pc_port_settings& settings);

// The message of a failed port operation, e.g. operation "打开串口".
std::string serial_error_text(const std::string& operation, const std::string& reason, const std::string& port);
// The port's name in messages: the device path without /dev/ (ttyUSB0, pts/5).
std::string port_display_name(const std::string& device);

} // namespace page_logic
