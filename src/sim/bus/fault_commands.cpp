#include "sim/bus/fault_commands.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#include "sim/bus/sim_options.h"
#include "sim/cards/card_fault_commands.h"

namespace sim {

const char* const fault_command_help =
    "faults while running (one per line on standard input):\n"
    "  unplug N | replug N | link up|down | drop P | delay FRAMES | corrupt [COUNT] | mutate P\n"
    "  refuse N STATE [CODE] | refuse N none | al-error N CODE | sii-busy N POLLS | sii-error N [COUNT]\n"
    "  mailbox-error N CODE [COUNT] | emergency N CODE | emergency-in-transfer N [COUNT]\n"
    "  slow-mailbox N FRAMES\n";

namespace {

// The words of a command after its name, read as numbers on demand.
class arguments {
public:
    arguments(std::vector<std::string> words, size_t slaves) : words_(std::move(words)), slaves_(slaves) { }

    size_t count() const { return words_.size() - 1; }
    const std::string& word(size_t n) const { return words_.at(n); }
    bool slave(size_t n, size_t& out) const
    {
        uint64_t value = 0;
        if (n >= words_.size() || !parse_unsigned(words_[n], slaves_ ? slaves_ - 1 : 0, value) || slaves_ == 0)
            return false;
        out = size_t(value);
        return true;
    }
    bool number(size_t n, uint64_t limit, uint64_t& out, uint64_t fallback) const
    {
        if (n >= words_.size()) {
            out = fallback;
            return true;
        }
        return parse_unsigned(words_[n], limit, out);
    }

private:
    std::vector<std::string> words_;
    size_t slaves_;
};

bool run(const arguments& a, bus& segment)
{
    const std::string& name = a.word(0);
    size_t slave = 0;
    uint64_t value = 0, extra = 0;
    if (name == "link" && a.count() == 1 && (a.word(1) == "up" || a.word(1) == "down")) {
        segment.set_link(a.word(1) == "up");
        return true;
    }
    if (name == "drop" && a.count() == 1) {
        char* end = nullptr;
        double probability = std::strtod(a.word(1).c_str(), &end);
        if (*end != '\0' || probability < 0 || probability > 1)
            return false;
        segment.set_drop_probability(probability);
        return true;
    }
    if (name == "mutate" && a.count() == 1) {
        char* end = nullptr;
        double probability = std::strtod(a.word(1).c_str(), &end);
        if (a.word(1).empty() || *end != '\0' || probability < 0 || probability > 1)
            return false;
        segment.set_mutation_probability(probability);
        return true;
    }
    if (name == "delay" && a.count() == 1 && a.number(1, 1000, value, 0)) {
        segment.set_reply_delay(unsigned(value));
        return true;
    }
    if (name == "corrupt" && a.count() <= 1 && a.number(1, 1000000, value, 1)) {
        segment.corrupt_datagram_lengths(unsigned(value));
        return true;
    }
    if (!a.slave(1, slave))
        return false;
    if ((name == "unplug" || name == "replug") && a.count() == 1) {
        name == "unplug" ? segment.unplug(slave) : segment.replug(slave);
        return true;
    }
    if (name == "refuse" && a.count() == 2 && a.word(2) == "none") {
        segment.refuse_state(slave, 0, 0);
        return true;
    }
    uint8_t state = 0;
    if (name == "refuse" && a.count() <= 3 && a.count() >= 2 && parse_al_state(a.word(2), state)
        && a.number(3, 0xFFFF, value, 0x0011)) {
        segment.refuse_state(slave, state, uint16_t(value));
        return true;
    }
    if (name == "al-error" && a.count() == 2 && a.number(2, 0xFFFF, value, 0)) {
        segment.raise_al_error(slave, uint16_t(value));
        return true;
    }
    if (name == "sii-busy" && a.count() == 2 && a.number(2, 1000, value, 0)) {
        segment.set_sii_busy_polls(slave, unsigned(value));
        return true;
    }
    if (name == "sii-error" && a.count() <= 2 && a.number(2, 1000, value, 1)) {
        segment.inject_sii_command_errors(slave, unsigned(value));
        return true;
    }
    if (name == "mailbox-error" && a.count() >= 2 && a.count() <= 3 && a.number(2, 0xFFFF, value, 0)
        && a.number(3, 1000, extra, 1)) {
        segment.inject_mailbox_errors(slave, unsigned(extra), uint16_t(value));
        return true;
    }
    if (name == "emergency" && a.count() == 2 && a.number(2, 0xFFFF, value, 0)) {
        segment.send_emergency(slave, {uint16_t(value), 0x01, {}});
        return true;
    }
    if (name == "slow-mailbox" && a.count() == 2 && a.number(2, 100000, value, 0)) {
        segment.set_mailbox_answer_delay(slave, unsigned(value));
        return true;
    }
    if (name == "emergency-in-transfer" && a.count() <= 2 && a.number(2, 1000, value, 1)) {
        segment.inject_emergency_during_transfer(slave, unsigned(value));
        return true;
    }
    return false;
}

} // namespace

bool run_fault_command(const std::string& line, bus& segment, std::string& error)
{
    std::istringstream words(line);
    std::vector<std::string> split;
    for (std::string word; words >> word;)
        split.push_back(word);
    if (split.empty())
        return true;
    if (cards::is_card_fault(line)) {
        bool done = cards::run_card_fault(segment, line, error);
        error += "\n";
        return done;
    }
    if (run(arguments(split, segment.slave_count()), segment))
        return true;
    error = "cannot do '" + line + "' (the bus has " + std::to_string(segment.slave_count())
        + " slaves, numbered from 0)\n" + fault_command_help;
    return false;
}

} // namespace sim
