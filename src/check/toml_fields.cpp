#include "check/toml_fields.h"

#include <set>
#include <sstream>

namespace check {

namespace {

template <typename T> std::string range_text(T value, T low, T high)
{
    std::ostringstream text;
    text << value << " is out of range (" << low << " to " << high << ")";
    return text.str();
}

} // namespace

void toml_fields::error(const toml::source_region& where, const std::string& key, const std::string& what)
{
    errors_.push_back(source_ + ":" + std::to_string(where.begin.line) + ": " + key + ": " + what);
}

bool toml_fields::wrong_type(const toml::node& node, const std::string& key, const char* expected)
{
    std::ostringstream found;
    found << node.type();
    error(node.source(), key, std::string("expected ") + expected + ", found " + found.str());
    return false;
}

bool toml_fields::read(const toml::node& node, const std::string& key, bool& target)
{
    if (!node.is_boolean())
        return wrong_type(node, key, "true or false");
    target = node.as_boolean()->get();
    return true;
}

bool toml_fields::read(const toml::node& node, const std::string& key, int& target, int low, int high)
{
    if (!node.is_integer())
        return wrong_type(node, key, "an integer");
    int64_t value = node.as_integer()->get();
    if (value < low || value > high) {
        error(node.source(), key, range_text<int64_t>(value, low, high));
        return false;
    }
    target = int(value);
    return true;
}

bool toml_fields::read(const toml::node& node, const std::string& key, uint32_t& target, uint32_t high)
{
    if (!node.is_integer())
        return wrong_type(node, key, "an integer");
    int64_t value = node.as_integer()->get();
    if (value < 0 || value > int64_t(high)) {
        error(node.source(), key, range_text<int64_t>(value, 0, high));
        return false;
    }
    target = uint32_t(value);
    return true;
}

bool toml_fields::read(const toml::node& node, const std::string& key, double& target, double low, double high)
{
    double value = 0;
    if (node.is_floating_point())
        value = node.as_floating_point()->get();
    else if (node.is_integer())
        value = double(node.as_integer()->get());
    else
        return wrong_type(node, key, "a number");
    if (!(value >= low && value <= high)) {
        error(node.source(), key, range_text(value, low, high));
        return false;
    }
    target = value;
    return true;
}

bool toml_fields::read(const toml::node& node, const std::string& key, std::string& target)
{
    if (!node.is_string())
        return wrong_type(node, key, "a string");
    target = node.as_string()->get();
    return true;
}

const toml::array* toml_fields::non_empty_array(const toml::node& node, const std::string& key)
{
    if (!node.is_array()) {
        wrong_type(node, key, "an array");
        return nullptr;
    }
    if (node.as_array()->empty()) {
        error(node.source(), key, "must not be empty");
        return nullptr;
    }
    return node.as_array();
}

template <typename T>
bool toml_fields::read_each(const toml::node& node, const std::string& key, std::vector<T>& target, T low, T high)
{
    const toml::array* array = non_empty_array(node, key);
    if (!array)
        return false;
    std::vector<T> values(array->size());
    bool ok = true;
    for (size_t n = 0; n < array->size(); ++n)
        ok = read((*array)[n], key + "[" + std::to_string(n) + "]", values[n], low, high) && ok;
    if (ok)
        target = values;
    return ok;
}

bool toml_fields::read_list(const toml::node& node, const std::string& key, std::vector<int>& target, int low, int high)
{
    return read_each(node, key, target, low, high);
}

bool toml_fields::read_list(const toml::node& node, const std::string& key, std::vector<double>& target, double low,
                            double high)
{
    return read_each(node, key, target, low, high);
}

bool toml_fields::read_wiring(const toml::node& node, const std::string& key, std::vector<jig_wire>& target,
                              int from_count, int to_count)
{
    const toml::array* array = non_empty_array(node, key);
    if (!array)
        return false;
    std::vector<jig_wire> wiring(array->size());
    std::set<int> fed;
    bool ok = true;
    for (size_t n = 0; n < array->size(); ++n) {
        const std::string item = key + "[" + std::to_string(n) + "]";
        const toml::node& pair = (*array)[n];
        if (!pair.is_array() || pair.as_array()->size() != 2) {
            error(pair.source(), item, "expected a pair [from, to]");
            ok = false;
            continue;
        }
        bool read_pair = read((*pair.as_array())[0], item, wiring[n].from, 0, from_count - 1);
        read_pair = read((*pair.as_array())[1], item, wiring[n].to, 0, to_count - 1) && read_pair;
        if (read_pair && !fed.insert(wiring[n].to).second) {
            error(pair.source(), item, "input " + std::to_string(wiring[n].to) + " is fed twice");
            read_pair = false;
        }
        ok = read_pair && ok;
    }
    if (ok)
        target = wiring;
    return ok;
}

} // namespace check
