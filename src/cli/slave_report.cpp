#include "cli/slave_report.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "ecat/datagram.h"
#include "ecat/fsm/al_texts.h"

namespace cli {

namespace {

std::string hex(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

void report_pdos(std::ostringstream& out, const ecat::pdo_list& pdos, const char* indent)
{
    for (const auto& item : pdos) {
        out << indent << "PDO " << hex(item->index, 4) << " sm " << int(item->sync_manager_index);
        if (!item->name.empty())
            out << " \"" << item->name << "\"";
        out << "\n";
        for (const auto& entry : item->entries) {
            out << indent << "  " << hex(entry.index, 4) << ":" << hex(entry.subindex, 2).substr(2) << " "
                << int(entry.bit_length) << " bit";
            if (!entry.name.empty())
                out << " \"" << entry.name << "\"";
            out << "\n";
        }
    }
}

} // namespace

std::string slave_list_line(int position, const ecat::slave_info& info)
{
    char line[160];
    if (info.name[0])
        std::snprintf(line, sizeof line, "(%d) %s(VID:%08X, PID:%08X)", position, info.name, info.vendor_id,
                      info.product_code);
    else
        std::snprintf(line, sizeof line, "(%d) Slave (VID:%08X, PID:%08X)", position, info.vendor_id,
                      info.product_code);
    return line;
}

std::string slave_info_report(const ecat::slave_info& info)
{
    std::ostringstream out;
    out << "position: " << info.position << "\n"
        << "name: " << info.name << "\n"
        << "vendor id: " << hex(info.vendor_id, 8) << "\n"
        << "product code: " << hex(info.product_code, 8) << "\n"
        << "revision: " << hex(info.revision_number, 8) << "\n"
        << "serial number: " << hex(info.serial_number, 8) << "\n"
        << "alias: " << info.alias << "\n"
        << "current on E-bus: " << info.current_on_ebus << " mA\n"
        << "AL state: " << ecat::al_state_name(info.al_state) << "\n"
        << "error flag: " << int(info.error_flag) << "\n"
        << "DC reference capable: " << int(info.dc_reference_capable) << "\n"
        << "sync managers: " << int(info.sync_manager_count) << "\n"
        << "SDO count: " << info.sdo_count << "\n"
        << "CoE details: " << info.coe_details << "\n";
    for (int i = 0; i < 4; ++i) {
        const auto& port = info.ports[i];
        out << "port " << i << ": type " << port.type << ", link " << int(port.link_up) << ", loop "
            << int(port.loop_closed) << ", signal " << int(port.signal_detected) << ", receive time "
            << port.receive_time << " ns, next slave ";
        if (port.next_slave == 0xFFFF)
            out << "none";
        else
            out << port.next_slave;
        out << ", delay " << port.delay_to_next_dc << " ns\n";
    }
    return out.str();
}

std::string slave_notes(const ecat::slave& s)
{
    std::ostringstream out;
    if (s.error_flag)
        out << "note: error flag set: the slave refused a state or could not be read completely; "
               "it is left alone until the next scan\n";
    uint16_t largest = std::max(s.configured_rx_mailbox_size, s.configured_tx_mailbox_size);
    if (largest > ecat::max_datagram_data)
        out << "note: its mailbox of " << largest << " bytes does not fit one datagram (" << ecat::max_datagram_data
            << " bytes): no CoE, requests fail with -139\n";
    return out.str();
}

std::string sii_report(const ecat::slave& s)
{
    std::ostringstream out;
    out << "SII: " << s.sii_image.size() << " words\n";
    for (size_t i = 0; i < s.sii_image.size(); i += 8) {
        char address[24];
        std::snprintf(address, sizeof address, "%04zX:", i);
        out << address;
        for (size_t j = i; j < i + 8 && j < s.sii_image.size(); ++j) {
            char word[8];
            std::snprintf(word, sizeof word, " %04X", s.sii_image[j]);
            out << word;
        }
        out << "\n";
    }
    out << "identity: vendor " << hex(s.vendor_id, 8) << ", product " << hex(s.product_code, 8) << ", revision "
        << hex(s.revision_number, 8) << ", serial " << hex(s.serial_number, 8) << ", alias " << s.alias << "\n"
        << "mailbox: boot rx " << hex(s.boot_rx_mailbox_offset, 4) << "/" << s.boot_rx_mailbox_size << ", boot tx "
        << hex(s.boot_tx_mailbox_offset, 4) << "/" << s.boot_tx_mailbox_size << ", rx "
        << hex(s.std_rx_mailbox_offset, 4) << "/" << s.std_rx_mailbox_size << ", tx " << hex(s.std_tx_mailbox_offset, 4)
        << "/" << s.std_tx_mailbox_size << ", protocols " << hex(s.mailbox_protocols, 4) << "\n";
    out << "strings (" << s.strings.size() << "):\n";
    for (size_t i = 0; i < s.strings.size(); ++i)
        out << "  " << i + 1 << " \"" << s.strings[i] << "\"\n";
    if (s.general_present)
        out << "general: group \"" << s.group << "\", image \"" << s.image << "\", order \"" << s.order << "\", name \""
            << s.name << "\", CoE details " << hex(s.coe_details, 2) << ", flags " << hex(s.general_flags, 2)
            << ", E-bus current " << s.current_on_ebus << " mA\n";
    out << "sync managers (" << s.sync_managers.size() << "):\n";
    for (size_t i = 0; i < s.sync_managers.size(); ++i) {
        const auto& manager = s.sync_managers[i];
        out << "  SM" << i << " start " << hex(manager.physical_start, 4) << " length " << manager.length << " control "
            << hex(manager.control, 2) << " enable " << hex(manager.enable, 2) << "\n";
        report_pdos(out, manager.pdos, "    ");
    }
    out << "PDOs from the SII (" << s.sii_pdos.size() << "):\n";
    report_pdos(out, s.sii_pdos, "  ");
    return out.str();
}

} // namespace cli
