#include "sim/bus/sim_options.h"

#include <cstdlib>

#include "sim/cards/card_fault_commands.h"
#include "sim/firmware/al_state.h"

namespace sim {

const char* const sim_usage =
    "usage: kestio-sim --iface IFACE [--slaves LIST] [--slave ITEM]... [--seed N] [--drop P] [--mutate P]\n"
    "                  [--delay FRAMES] [--sii-busy POLLS] [--refuse SLAVE:STATE[:CODE]]\n"
    "                  [--al-error SLAVE:CODE] [--mailbox-error SLAVE:CODE] [--card-fault \"FAULT\"]...\n"
    "  LIST     comma-separated slave items (default: generic*3): a model, NAME*N repeats, or a\n"
    "           slave given by files, e.g. ZEIO,firmware=/x.so,sii=/x.bin,generic\n"
    "  --slave firmware=PATH.so,sii=PATH.bin[,name=NAME]\n"
    "           adds a slave after the --slaves list (alone: instead of the default list): its firmware\n"
    "           is a shared library built against kestio_firmware.h, its EEPROM the SII image in\n"
    "           PATH.bin. The ESC takes its FMMU and sync manager counts, ports and process memory\n"
    "           from the SII's categories 40, 41 and 30; where they are missing: 8 FMMUs, 8 sync\n"
    "           managers, 8 KiB process memory, ports 0 and 1 MII; always a 64-bit distributed clock.\n"
    "           The firmware runs inside this process: a crash in it ends the simulator. A call of\n"
    "           its init, run or shutdown that takes over 1 s unplugs the slave with a message.\n"
    "           Every slave is built before the simulator answers: a bad file stops it at once.\n"
    "  STATE    INIT, PREOP, BOOT, SAFEOP or OP; CODE is an AL status or mailbox error code\n"
    "  --mutate P  mutate this share of the replies like a broken slave (lengths, index,\n"
    "              working counter, mailbox and CoE headers, SII, AL status, truncation)\n"
    "  --card-fault \"FAULT\"  a card fault from the start, as typed (repeatable; the card faults below)\n";

bool parse_unsigned(const std::string& text, uint64_t limit, uint64_t& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (*end != '\0' || text[0] == '-' || value > limit)
        return false;
    out = value;
    return true;
}

bool parse_al_state(const std::string& text, uint8_t& out)
{
    const struct {
        const char* name;
        uint8_t value;
    } names[] = {{"INIT", al::init}, {"PREOP", al::preop}, {"BOOT", al::boot}, {"SAFEOP", al::safeop}, {"OP", al::op}};
    for (const auto& entry : names)
        if (text == entry.name) {
            out = entry.value;
            return true;
        }
    return false;
}

namespace {

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

bool parse_coded(const std::string& text, sim_options::coded_fault& out)
{
    std::vector<std::string> parts = split(text, ':');
    uint64_t slave = 0, code = 0;
    if (parts.size() != 2 || !parse_unsigned(parts[0], 0xFFFF, slave) || !parse_unsigned(parts[1], 0xFFFF, code))
        return false;
    out = {size_t(slave), uint16_t(code)};
    return true;
}

bool parse_refusal(const std::string& text, sim_options::state_refusal& out)
{
    std::vector<std::string> parts = split(text, ':');
    uint64_t slave = 0, code = al::code::invalid_state_change;
    if (parts.size() < 2 || parts.size() > 3 || !parse_unsigned(parts[0], 0xFFFF, slave)
        || !parse_al_state(parts[1], out.state) || (parts.size() == 3 && !parse_unsigned(parts[2], 0xFFFF, code)))
        return false;
    out.slave = size_t(slave);
    out.code = uint16_t(code);
    return true;
}

} // namespace

bool parse_sim_options(const std::vector<std::string>& arguments, sim_options& out, std::string& error)
{
    out = {};
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") {
            out.help = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            error = "missing value after " + option;
            return false;
        }
        const std::string& value = arguments[++i];
        uint64_t number = 0;
        bool ok = true;
        if (option == "--iface")
            out.interface = value;
        else if (option == "--slaves")
            out.slaves = value;
        else if (option == "--slave")
            out.added_slaves.push_back(value);
        else if (option == "--seed")
            ok = parse_unsigned(value, UINT64_MAX, out.seed);
        else if (option == "--drop") {
            char* end = nullptr;
            out.drop_probability = std::strtod(value.c_str(), &end);
            ok = !value.empty() && *end == '\0' && out.drop_probability >= 0 && out.drop_probability <= 1;
        } else if (option == "--mutate") {
            char* end = nullptr;
            out.mutate_probability = std::strtod(value.c_str(), &end);
            ok = !value.empty() && *end == '\0' && out.mutate_probability >= 0 && out.mutate_probability <= 1;
        } else if (option == "--delay") {
            ok = parse_unsigned(value, 1000, number);
            out.reply_delay = unsigned(number);
        } else if (option == "--sii-busy") {
            ok = parse_unsigned(value, 1000, number);
            out.sii_busy_polls = unsigned(number);
        } else if (option == "--refuse")
            ok = parse_refusal(value, out.refusals.emplace_back());
        else if (option == "--al-error")
            ok = parse_coded(value, out.al_errors.emplace_back());
        else if (option == "--mailbox-error")
            ok = parse_coded(value, out.mailbox_errors.emplace_back());
        else if (option == "--card-fault") {
            cards::card_fault fault;
            std::string reason;
            if (!cards::parse_card_fault(value, fault, reason)) {
                error = "--card-fault '" + value + "': " + reason;
                return false;
            }
            out.card_faults.push_back(value);
        } else {
            error = "unknown option " + option;
            return false;
        }
        if (!ok) {
            error = "bad value '" + value + "' for " + option;
            return false;
        }
    }
    if (out.interface.empty() && !out.help) {
        error = "--iface is required";
        return false;
    }
    return true;
}

std::string slave_list(const sim_options& options)
{
    std::string list = options.slaves;
    for (const std::string& item : options.added_slaves)
        list += (list.empty() ? "" : ",") + item;
    return list;
}

bool apply_faults(const sim_options& options, bus& segment, std::string& error)
{
    size_t count = segment.slave_count();
    auto check = [&](size_t slave) {
        if (slave < count)
            return true;
        error = "there is no slave " + std::to_string(slave) + " (the bus has " + std::to_string(count) + ")";
        return false;
    };
    segment.set_drop_probability(options.drop_probability);
    segment.set_reply_delay(options.reply_delay);
    segment.set_mutation_probability(options.mutate_probability);
    for (size_t slave = 0; slave < count; ++slave)
        segment.set_sii_busy_polls(slave, options.sii_busy_polls);
    for (const auto& refusal : options.refusals) {
        if (!check(refusal.slave))
            return false;
        segment.refuse_state(refusal.slave, refusal.state, refusal.code);
    }
    for (const auto& fault : options.al_errors) {
        if (!check(fault.slave))
            return false;
        segment.raise_al_error(fault.slave, fault.code);
    }
    for (const auto& fault : options.mailbox_errors) {
        if (!check(fault.slave))
            return false;
        segment.inject_mailbox_errors(fault.slave, 1, fault.code);
    }
    for (const std::string& fault : options.card_faults)
        if (!cards::run_card_fault(segment, fault, error))
            return false;
    return true;
}

} // namespace sim
