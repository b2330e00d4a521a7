#include "cli/bus_commands.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "cli/failure_report.h"
#include "cli/object_value.h"
#include "cli/session.h"
#include "cli/slave_report.h"
#include "ecat/fsm/al_texts.h"
#include "ecat/sdo_api.h"
#include "ecat/slave_info.h"

namespace cli {

namespace {

bool parse_position(const std::string& text, uint16_t& position, std::ostream& err)
{
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || value < 0 || value > 0xFFFF) {
        err << "'" << text << "' is not a slave position\n";
        return false;
    }
    position = static_cast<uint16_t>(value);
    return true;
}

// Reads --type and --size after the fixed arguments.
bool parse_transfer_options(const std::vector<std::string>& words, size_t first, value_type& type, size_t& size,
                            std::ostream& err)
{
    type = value_type::hex;
    size = 0;
    for (size_t i = first; i < words.size(); ++i) {
        if (words[i] == "--type" && i + 1 < words.size()) {
            if (!parse_value_type(words[++i], type)) {
                err << "unknown type '" << words[i] << "' (u8 u16 u32 i8 i16 i32 str hex)\n";
                return false;
            }
        } else if (words[i] == "--size" && i + 1 < words.size()) {
            char* end = nullptr;
            long value = std::strtol(words[++i].c_str(), &end, 10);
            if (*end || value < 0 || value > (1 << 20)) {
                err << "--size takes a number of bytes\n";
                return false;
            }
            size = static_cast<size_t>(value);
        } else {
            err << "unexpected argument '" << words[i] << "'\n";
            return false;
        }
    }
    if (size == 0)
        size = default_size(type);
    return true;
}

int command_slaves(session& bus, std::ostream& out)
{
    ecat::master& m = bus.master();
    for (unsigned i = 0; i < m.slave_count(); ++i) {
        ecat::slave_info info;
        if (ecat::master_get_slave_info(m, static_cast<uint16_t>(i), info) != 0)
            continue;
        out << slave_list_line(static_cast<int>(i), info) << "  " << ecat::al_state_name(info.al_state)
            << (info.error_flag ? "  ERROR" : "") << "\n";
    }
    return 0;
}

int command_info(session& bus, const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    uint16_t position = 0;
    if (words.size() != 2 || !parse_position(words[1], position, err))
        return 2;
    ecat::slave_info info;
    int result = ecat::master_get_slave_info(bus.master(), position, info);
    if (result != 0) {
        report_error(result, "slave position " + std::to_string(position), err);
        return 1;
    }
    out << slave_info_report(info);
    ecat::master_read_slave(bus.master(), position, [&](const ecat::slave& s) { out << slave_notes(s); });
    return 0;
}

int command_sii(session& bus, const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    uint16_t position = 0;
    if (words.size() != 2 || !parse_position(words[1], position, err))
        return 2;
    if (!ecat::master_read_slave(bus.master(), position, [&](const ecat::slave& s) { out << sii_report(s); })) {
        report_error(ecat::result::bad_position, "slave position " + std::to_string(position), err);
        return 1;
    }
    return 0;
}

int command_upload(session& bus, const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    uint16_t position = 0, index = 0;
    uint8_t subindex = 0;
    value_type type;
    size_t size;
    if (words.size() < 3 || !parse_position(words[1], position, err))
        return 2;
    if (!parse_object_address(words[2], index, subindex)) {
        err << "'" << words[2] << "' is not an object address like 0x2000:00\n";
        return 2;
    }
    if (!parse_transfer_options(words, 3, type, size, err))
        return 2;
    std::vector<uint8_t> buffer(size);
    size_t result_size = 0;
    uint32_t abort_code = 0;
    uint16_t mailbox_error_code = 0;
    int result = ecat::master_sdo_upload(bus.master(), position, index, subindex, buffer.data(), buffer.size(),
                                         &result_size, &abort_code, &mailbox_error_code);
    if (result != 0) {
        report_failure(result, abort_code, mailbox_error_code, err);
        return 1;
    }
    out << format_object_address(index, subindex) << " = " << format_value(type, buffer.data(), result_size) << "\n";
    return 0;
}

int command_download(session& bus, const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    uint16_t position = 0, index = 0;
    uint8_t subindex = 0;
    value_type type;
    size_t size;
    if (words.size() < 4 || !parse_position(words[1], position, err))
        return 2;
    if (!parse_object_address(words[2], index, subindex)) {
        err << "'" << words[2] << "' is not an object address like 0x2000:00\n";
        return 2;
    }
    if (!parse_transfer_options(words, 4, type, size, err))
        return 2;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!encode_value(type, words[3], bytes, error)) {
        err << error << "\n";
        return 2;
    }
    uint32_t abort_code = 0;
    uint16_t mailbox_error_code = 0;
    int result = ecat::master_sdo_download(bus.master(), position, index, subindex, bytes.data(), bytes.size(),
                                           &abort_code, &mailbox_error_code);
    if (result != 0) {
        report_failure(result, abort_code, mailbox_error_code, err);
        return 1;
    }
    out << format_object_address(index, subindex) << " := " << format_value(type, bytes.data(), bytes.size()) << "\n";
    return 0;
}

std::vector<std::string> split_words(const std::string& line)
{
    std::istringstream stream(line);
    std::vector<std::string> words;
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

} // namespace

bool is_bus_command(const std::string& name)
{
    return name == "slaves" || name == "info" || name == "sii" || name == "upload" || name == "download";
}

int bus_command(session& bus, const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    const std::string& name = words[0];
    if (name == "slaves")
        return command_slaves(bus, out);
    if (name == "info")
        return command_info(bus, words, out, err);
    if (name == "sii")
        return command_sii(bus, words, out, err);
    if (name == "upload")
        return command_upload(bus, words, out, err);
    if (name == "download")
        return command_download(bus, words, out, err);
    err << "unknown command '" << name << "'\n";
    return 2;
}

int run_script(session& bus, const std::string& path, bool keep_going, std::ostream& out, std::ostream& err)
{
    std::ifstream file;
    std::istream* input = &std::cin;
    if (path != "-") {
        file.open(path);
        if (!file) {
            err << "cannot read '" << path << "'\n";
            return 2;
        }
        input = &file;
    }
    int status = 0;
    std::string line;
    int line_number = 0;
    while (std::getline(*input, line)) {
        ++line_number;
        std::vector<std::string> words = split_words(line);
        if (words.empty() || words[0][0] == '#')
            continue;
        int result = 0;
        if (words[0] == "sleep" && words.size() == 2) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::strtol(words[1].c_str(), nullptr, 10)));
        } else if (is_bus_command(words[0])) {
            result = bus_command(bus, words, out, err);
        } else {
            err << "line " << line_number << ": unknown command '" << words[0] << "'\n";
            result = 2;
        }
        if (result != 0) {
            err << "line " << line_number << " failed: " << line << "\n";
            status = 1;
            if (!keep_going)
                break;
        }
    }
    return status;
}

} // namespace cli
