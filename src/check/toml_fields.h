#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <toml++/toml.h>

#include "check/check_plan.h"

namespace check {

// Reads typed values out of TOML nodes and records each refusal as
// "FILE:LINE: KEY: what is wrong". A refused value leaves its target unchanged.
class toml_fields {
public:
    toml_fields(std::string source, std::vector<std::string>& errors) : source_(std::move(source)), errors_(errors) { }

    void error(const toml::source_region& where, const std::string& key, const std::string& what);

    bool read(const toml::node& node, const std::string& key, bool& target);
    bool read(const toml::node& node, const std::string& key, int& target, int low, int high);
    bool read(const toml::node& node, const std::string& key, uint32_t& target, uint32_t high);
    // integers are taken as floats too: 5 for 5.0
    bool read(const toml::node& node, const std::string& key, double& target, double low, double high);
    bool read(const toml::node& node, const std::string& key, std::string& target);
    bool read_list(const toml::node& node, const std::string& key, std::vector<int>& target, int low, int high);
    bool read_list(const toml::node& node, const std::string& key, std::vector<double>& target, double low,
                   double high);
    // [[from, to], …] with from below from_count and to below to_count, each to once
    bool read_wiring(const toml::node& node, const std::string& key, std::vector<jig_wire>& target, int from_count,
                     int to_count);

private:
    bool wrong_type(const toml::node& node, const std::string& key, const char* expected);
    const toml::array* non_empty_array(const toml::node& node, const std::string& key);
    template <typename T>
    bool read_each(const toml::node& node, const std::string& key, std::vector<T>& target, T low, T high);

    std::string source_;
    std::vector<std::string>& errors_;
};

} // namespace check
