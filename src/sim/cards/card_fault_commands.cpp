#include "sim/cards/card_fault_commands.h"

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "sim/bus/sim_options.h"
#include "sim/cards/card_jig.h"

namespace sim::cards {

const char* const card_fault_help =
    "card faults (typed, or given with --card-fault \"FAULT\"; N is the card's place on the bus from 0):\n"
    "  stuck N out|in BIT 0|1  output BIT as the jig sees it (its wired-back input reads the level; the\n"
    "                          output object read back still shows what was written), or input BIT, stuck\n"
    "  short N BIT1 BIT2       two outputs shorted: as the jig sees them, each is the OR of both\n"
    "  ad-offset N CH MV       AD input CH reads MV millivolts more (-30000 to 30000)\n"
    "  ad-gain N CH FACTOR     AD input CH reads FACTOR times the true voltage (0 to 100)\n"
    "  ad-noise N CH LSB       AD input CH reads up to +/- LSB counts off, uniformly random per reading\n"
    "  serial-dead N           the jig's loop-back jumper is open: the custom-protocol port stays silent\n"
    "  modbus-dead N           the jig's Modbus slave does not answer\n"
    "  can-dead N              the jig's CAN echo node does not answer\n"
    "  card-ok N               clears every card fault of card N\n"
    "  CH: ZEIO and KOVA-AD the 24-bit inputs 0-15, KOVA-H the 12-bit inputs 0-3, KOVA-16IO 0-1.\n"
    "  BIT: outputs 0-7 (ZEIO, KOVA-AD) or 0-15; inputs 0-7, 0-8 (KOVA-H), 0-15 (KOVA-16IO).\n";

namespace {

using kind = card_fault::kind;

struct fault_form {
    const char* name;
    const char* form;
    size_t words; // after the name
};

const fault_form forms[] = {
    {"stuck", "stuck N out|in BIT 0|1", 4}, {"short", "short N BIT1 BIT2", 3},    {"ad-offset", "ad-offset N CH MV", 3},
    {"ad-gain", "ad-gain N CH FACTOR", 3},  {"ad-noise", "ad-noise N CH LSB", 3}, {"serial-dead", "serial-dead N", 1},
    {"can-dead", "can-dead N", 1},          {"modbus-dead", "modbus-dead N", 1},  {"card-ok", "card-ok N", 1},
};

constexpr uint64_t highest_slave = 511;
constexpr uint64_t highest_number = 65535; // bits and channels; the card's own range is checked later
constexpr uint64_t highest_noise = 1u << 23;

std::vector<std::string> words_of(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

const fault_form* form_of(const std::string& name)
{
    for (const fault_form& f : forms)
        if (name == f.name)
            return &f;
    return nullptr;
}

bool parse_real(const std::string& text, double low, double high, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(out) && out >= low && out <= high;
}

bool parse_arguments(const std::vector<std::string>& w, card_fault& out)
{
    uint64_t slave = 0, first = 0, second = 0;
    if (!parse_unsigned(w[1], highest_slave, slave))
        return false;
    out.slave = size_t(slave);
    const std::string& name = w[0];
    if (name == "stuck") {
        if ((w[2] != "out" && w[2] != "in") || !parse_unsigned(w[3], highest_number, first)
            || (w[4] != "0" && w[4] != "1"))
            return false;
        out.what = w[2] == "out" ? kind::stuck_output : kind::stuck_input;
        out.first = unsigned(first);
        out.second = w[4] == "1";
        return true;
    }
    if (name == "short") {
        out.what = kind::short_outputs;
        if (!parse_unsigned(w[2], highest_number, first) || !parse_unsigned(w[3], highest_number, second)
            || first == second)
            return false;
        out.first = unsigned(first);
        out.second = unsigned(second);
        return true;
    }
    if (name.rfind("ad-", 0) == 0) {
        if (!parse_unsigned(w[2], highest_number, first))
            return false;
        out.first = unsigned(first);
        if (name == "ad-offset") {
            out.what = kind::ad_offset;
            return parse_real(w[3], -30000, 30000, out.value);
        }
        if (name == "ad-gain") {
            out.what = kind::ad_gain;
            return parse_real(w[3], 0, 100, out.value);
        }
        out.what = kind::ad_noise;
        if (!parse_unsigned(w[3], highest_noise, second))
            return false;
        out.value = double(second);
        return true;
    }
    out.what = name == "serial-dead" ? kind::serial_dead
        : name == "can-dead"         ? kind::can_dead
        : name == "modbus-dead"      ? kind::modbus_dead
                                     : kind::card_ok;
    return true;
}

std::string range(const char* what, unsigned count)
{
    if (count == 0)
        return std::string("no ") + what;
    return std::string(what) + " 0 to " + std::to_string(count - 1);
}

// Why the card cannot take the fault; empty when it can.
std::string refusal(const card_fault& f, const card_fault_shape& s)
{
    switch (f.what) {
    case kind::stuck_output: return f.first < s.outputs ? "" : range("outputs", s.outputs);
    case kind::stuck_input: return f.first < s.inputs ? "" : range("inputs", s.inputs);
    case kind::short_outputs: return f.first < s.outputs && f.second < s.outputs ? "" : range("outputs", s.outputs);
    case kind::ad_offset:
    case kind::ad_gain:
    case kind::ad_noise:
        if (f.first < s.ad_channels)
            return "";
        return range(s.ad24 ? "24-bit AD inputs" : "12-bit AD inputs", s.ad_channels);
    case kind::serial_dead:
    case kind::modbus_dead: return s.serial ? "" : "no serial port";
    case kind::can_dead: return s.can ? "" : "no CAN port";
    case kind::card_ok: return "";
    }
    return "";
}

void put(card_fault_set& faults, const card_fault& f)
{
    switch (f.what) {
    case kind::stuck_output: faults.stick_output(f.first, f.second); break;
    case kind::stuck_input: faults.stick_input(f.first, f.second); break;
    case kind::short_outputs: faults.short_outputs(f.first, f.second); break;
    case kind::ad_offset: faults.set_ad_offset(f.first, f.value); break;
    case kind::ad_gain: faults.set_ad_gain(f.first, f.value); break;
    case kind::ad_noise: faults.set_ad_noise(f.first, unsigned(f.value)); break;
    case kind::serial_dead: faults.silence(jig_peer::serial_loop_back); break;
    case kind::modbus_dead: faults.silence(jig_peer::modbus_slave); break;
    case kind::can_dead: faults.silence(jig_peer::can_echo); break;
    case kind::card_ok: faults.clear(); break;
    }
}

} // namespace

bool is_card_fault(const std::string& line)
{
    std::vector<std::string> words = words_of(line);
    return !words.empty() && form_of(words[0]);
}

bool parse_card_fault(const std::string& line, card_fault& out, std::string& error)
{
    std::vector<std::string> words = words_of(line);
    const fault_form* form = words.empty() ? nullptr : form_of(words[0]);
    if (!form) {
        error = "no card fault is named '" + (words.empty() ? std::string() : words[0]) + "'";
        return false;
    }
    out = {};
    if (words.size() != form->words + 1 || !parse_arguments(words, out)) {
        error = std::string("use ") + form->form;
        return false;
    }
    return true;
}

bool apply_card_fault(bus& segment, const card_fault& fault, std::string& error)
{
    if (fault.slave >= segment.slave_count()) {
        error = "the bus has " + std::to_string(segment.slave_count()) + " slaves, numbered from 0";
        return false;
    }
    return segment.with_slave(fault.slave, [&](slave& device) {
        card_firmware* card = card_of(device);
        std::string at = std::to_string(fault.slave);
        if (!card) {
            error = "slave " + at + " is no IO card";
            return false;
        }
        card_fault_set& faults = card->board().faults();
        std::string reason = refusal(fault, faults.shape());
        if (!reason.empty()) {
            error = "the " + device.description().model + " at " + at + " has " + reason;
            return false;
        }
        put(faults, fault);
        return true;
    });
}

bool run_card_fault(bus& segment, const std::string& line, std::string& error)
{
    card_fault fault;
    if (parse_card_fault(line, fault, error) && apply_card_fault(segment, fault, error))
        return true;
    error = "cannot do '" + line + "': " + error;
    return false;
}

} // namespace sim::cards
