#include "pages/logic/pc_port_rules.h"

#include <cerrno>
#include <cstring>
#include <termios.h>

namespace page_logic {

namespace {

tcflag_t size_flag(int data_bits)
{
    switch (data_bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

// PARENB, PARODD and CMSPAR as a parity code asks for them.
tcflag_t parity_flags(int parity)
{
    switch (parity) {
    case 1: return PARENB | PARODD;
    case 2: return PARENB;
    case 3: return PARENB | PARODD | CMSPAR;
    case 4: return PARENB | CMSPAR;
    default: return 0;
    }
}

} // namespace

std::string unsupported_setting(const pc_port_settings& settings)
{
    if (settings.stop_bits == 1)
        return std::strerror(ENOTSUP);
    return {};
}

std::string setting_not_taken(const termios& mode, const pc_port_settings& settings)
{
    bool size_held = (mode.c_cflag & CSIZE) == size_flag(settings.data_bits);
    tcflag_t parity_mask = PARENB | PARODD | CMSPAR;
    tcflag_t wanted_parity = parity_flags(settings.parity);
    // with no parity the odd and mark bits mean nothing
    bool parity_held =
        wanted_parity == 0 ? (mode.c_cflag & PARENB) == 0 : (mode.c_cflag & parity_mask) == wanted_parity;
    bool stop_held = ((mode.c_cflag & CSTOPB) != 0) == (settings.stop_bits == 2);
    return size_held && parity_held && stop_held ? std::string() : std::string(std::strerror(ENOTSUP));
}

std::string serial_error_text(const std::string& operation, const std::string& reason, const std::string& port)
{
    return "警告:  " + operation + " 失败! \n\n其原因是: \n" + reason + "\n端口: " + port + "\n";
}

std::string port_display_name(const std::string& device)
{
    const std::string dev = "/dev/";
    return device.compare(0, dev.size(), dev) == 0 ? device.substr(dev.size()) : device;
}

} // namespace page_logic
