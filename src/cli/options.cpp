#include <cstdlib>

#include "cli/commands.h"
#include "sim/cards/card_fault_commands.h"

namespace cli {

namespace {

bool take_value(const std::vector<std::string>& args, size_t& i, const std::string& name, std::string& value,
                std::string& error)
{
    const std::string& word = args[i];
    if (word.size() > name.size() && word.compare(0, name.size() + 1, name + "=") == 0) {
        value = word.substr(name.size() + 1);
        return true;
    }
    if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
    }
    value = args[++i];
    return true;
}

bool starts_with_option(const std::string& word, const std::string& name)
{
    return word == name || word.rfind(name + "=", 0) == 0;
}

} // namespace

bool parse_options(const std::vector<std::string>& args, options& parsed, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        // check has options of its own (check --json FILE): after it, every word is its
        if (!parsed.words.empty() && parsed.words[0] == "check") {
            parsed.words.push_back(word);
            continue;
        }
        std::string value;
        if (starts_with_option(word, "--adapter")) {
            if (!take_value(args, i, "--adapter", parsed.adapter, error))
                return false;
        } else if (word == "--simulate") {
            parsed.simulate = true;
        } else if (word.rfind("--simulate=", 0) == 0) {
            parsed.simulate = true;
            parsed.simulate_spec = word.substr(11);
        } else if (starts_with_option(word, "--card-fault")) {
            sim::cards::card_fault fault;
            if (!take_value(args, i, "--card-fault", value, error))
                return false;
            if (!sim::cards::parse_card_fault(value, fault, error)) {
                error = "--card-fault '" + value + "': " + error;
                return false;
            }
            parsed.card_faults.push_back(value);
        } else if (starts_with_option(word, "--wait")) {
            if (!take_value(args, i, "--wait", value, error))
                return false;
            char* end = nullptr;
            long ms = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || ms < 0 || ms > 60000) {
                error = "--wait takes milliseconds from 0 to 60000, not '" + value + "'";
                return false;
            }
            parsed.wait_ms = static_cast<int>(ms);
        } else if (starts_with_option(word, "--capture-limit")) {
            if (!take_value(args, i, "--capture-limit", value, error))
                return false;
            char* end = nullptr;
            long megabytes = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || megabytes < 1 || megabytes > 1000000) {
                error = "--capture-limit takes megabytes from 1 to 1000000, not '" + value + "'";
                return false;
            }
            parsed.capture_limit_mb = megabytes;
        } else if (starts_with_option(word, "--capture")) {
            if (!take_value(args, i, "--capture", parsed.capture_path, error))
                return false;
        } else if (word == "--json") {
            parsed.json = true;
        } else if (word == "--keep-going") {
            parsed.keep_going = true;
        } else {
            parsed.words.push_back(word);
        }
    }
    return true;
}

} // namespace cli
