// Writes the JSON and JUnit records of a fixed two-card run into a folder, for the test that
// reads them back with Python's own JSON and XML parsers.
#include <fstream>
#include <iostream>

#include "check/json_record.h"
#include "check/junit_record.h"

namespace {

using namespace check;

check_result measured(const std::string& name, double value, bool pass, const std::string& detail = {})
{
    check_result c;
    c.name = name;
    c.verdict = pass ? verdict::pass : verdict::fail;
    c.value = value;
    c.low = 4.9;
    c.high = 5.1;
    c.unit = "V";
    c.detail = detail;
    c.duration_ms = 12.5;
    return c;
}

run_record sample_run()
{
    run_record run;
    run.station = "line <1> & \"2\"";
    run.operator_name = "王工";
    run.started = std::chrono::system_clock::time_point(std::chrono::seconds(1765300000));
    run.ended = run.started + std::chrono::seconds(42);
    run.tool_version = tool_version();
    run.plan_digest = "fnv1a64:0123456789abcdef";
    run.plan_source = "built-in";

    card_result zeio;
    zeio.position = 0;
    zeio.model = "ZEIO";
    zeio.identity = {0x4B49, 0x00020001, "ZEIO", "V2.1.4", "2025-06-18", "2025060100010000"};
    check_result name;
    name.name = "identity.hardware_name";
    name.verdict = verdict::pass;
    name.detail = "ZEIO";
    zeio.checks = {name, measured("analog.da0_ad0_5V", 5.002, true)};

    card_result kova;
    kova.position = 1;
    kova.model = "KOVA-H";
    kova.identity = {0x4B49, 0x00020002, "KOVA-H", "V1.3.0", "2025-06-18", "2025060200010001"};
    kova.checks = {measured("analog.da1_ad3_5V", 4.2, false, "AD3 reads <low> & \"odd\"\x01\xFF\xE2\x82"),
                   measured("digital.walking_one.out3", 1, false, "IN3 stayed off"),
                   measured("analog.da0_ad0_5V", 5.0, true)};
    run.cards = {zeio, kova};
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: check_records_sample FOLDER\n";
        return 2;
    }
    const run_record run = sample_run();
    std::ofstream(std::string(argv[1]) + "/run.json") << run_json(run);
    std::ofstream(std::string(argv[1]) + "/run.junit.xml") << run_junit(run);
    return 0;
}
