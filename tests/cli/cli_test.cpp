#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "cli/cli.h"
#include "cli/failure_report.h"
#include "cli/numbers.h"
#include "cli/object_value.h"

using namespace cli;

namespace {

TEST(object_addresses, are_read_and_written_in_hexadecimal)
{
    uint16_t index = 0;
    uint8_t subindex = 0;
    ASSERT_TRUE(parse_object_address("0x2000:00", index, subindex));
    EXPECT_EQ(index, 0x2000);
    EXPECT_EQ(subindex, 0);
    ASSERT_TRUE(parse_object_address("3028:10", index, subindex));
    EXPECT_EQ(index, 0x3028);
    EXPECT_EQ(subindex, 0x10);
    EXPECT_FALSE(parse_object_address("0x2000", index, subindex));
    EXPECT_FALSE(parse_object_address("0x10000:00", index, subindex));
    EXPECT_FALSE(parse_object_address("0x2000:100", index, subindex));
    EXPECT_FALSE(parse_object_address("0x20G0:00", index, subindex));
    EXPECT_EQ(format_object_address(0x3028, 0x10), "0x3028:10");
}

TEST(object_values, integers_are_range_checked_for_their_type)
{
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(encode_value(value_type::u8, "255", bytes, error));
    EXPECT_EQ(bytes, std::vector<uint8_t>{0xFF});
    EXPECT_FALSE(encode_value(value_type::u8, "256", bytes, error));
    EXPECT_FALSE(encode_value(value_type::u16, "-1", bytes, error));
    ASSERT_TRUE(encode_value(value_type::i8, "-128", bytes, error));
    EXPECT_EQ(bytes, std::vector<uint8_t>{0x80});
    EXPECT_FALSE(encode_value(value_type::i8, "-129", bytes, error));
    ASSERT_TRUE(encode_value(value_type::u32, "0x12345678", bytes, error));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
    EXPECT_FALSE(encode_value(value_type::u32, "12abc", bytes, error));
    EXPECT_FALSE(encode_value(value_type::u32, "", bytes, error));
}

TEST(object_values, bytes_and_text)
{
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(encode_value(value_type::hex, "12 34:AB", bytes, error));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x12, 0x34, 0xAB}));
    EXPECT_FALSE(encode_value(value_type::hex, "123", bytes, error)) << "an odd digit count is no byte list";
    ASSERT_TRUE(encode_value(value_type::str, "ZEIO", bytes, error));
    EXPECT_EQ(bytes.size(), 4u);

    const uint8_t minus_one[2] = {0xFF, 0xFF};
    EXPECT_EQ(format_value(value_type::i16, minus_one, 2), "-1 (0xFFFF)");
    EXPECT_EQ(format_value(value_type::u16, minus_one, 2), "65535 (0xFFFF)");
    EXPECT_EQ(format_value(value_type::u32, minus_one, 2), "FF FF") << "a size that does not fit the type shows bytes";
    const uint8_t text[8] = {'K', 'O', 'V', 'A', 0, 'x', 'y', 'z'};
    EXPECT_EQ(format_value(value_type::str, text, 8), "KOVA");
}

TEST(summaries, use_nearest_rank_percentiles)
{
    std::vector<double> samples;
    for (int i = 1; i <= 100; ++i)
        samples.push_back(i);
    summary s = summarise(samples);
    EXPECT_EQ(s.p50, 50);
    EXPECT_EQ(s.p99, 99);
    EXPECT_EQ(s.max, 100);
    EXPECT_DOUBLE_EQ(s.mean, 50.5);
}

struct cli_result {
    int status;
    std::string out, err;
};

cli_result run_cli(std::vector<std::string> args)
{
    std::ostringstream out, err;
    int status = cli::run(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(kestio_cli, lists_the_simulated_slaves_and_reads_objects)
{
    auto listed = run_cli({"--simulate", "slaves"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out,
              "(0) Generic CoE slave(VID:00004B49, PID:00010001)  PREOP\n"
              "(1) Generic CoE slave(VID:00004B49, PID:00010001)  PREOP\n"
              "(2) Generic CoE slave(VID:00004B49, PID:00010001)  PREOP\n");

    auto read = run_cli({"--simulate=generic", "upload", "0", "0x1009:00", "--type", "str"});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, "0x1009:00 = HW 1.0\n");
}

TEST(kestio_cli, failures_print_the_error_and_the_abort_and_exit_non_zero)
{
    auto missing = run_cli({"--simulate=generic", "upload", "0", "0x7777:00"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "error -5 (failed): the transfer failed (no answer in time, a wrong answer, an abort, or "
              "the call's limit passed); abort 0x06020000 This object does not exist in the object "
              "directory\n");

    auto beyond = run_cli({"--simulate=generic", "upload", "5", "0x1009:00"});
    EXPECT_EQ(beyond.status, 1);
    EXPECT_EQ(beyond.err, "error -22 (bad_position): the slave position is not below the slave count\n");

    auto no_adapter = run_cli({"--adapter", "99", "slaves"});
    EXPECT_EQ(no_adapter.status, 1);
    EXPECT_EQ(no_adapter.err, "error 13 (adapter_index): there is no adapter at that index; --adapter 99\n");

    EXPECT_EQ(run_cli({"--simulate=nonsense", "slaves"}).status, 1);
    EXPECT_EQ(run_cli({"frobnicate"}).status, 2);
    EXPECT_EQ(run_cli({"--simulate", "upload", "0", "0x1009"}).status, 2);
}

TEST(kestio_cli, a_mailbox_error_prints_its_code_and_text_after_the_result)
{
    std::ostringstream err;
    report_failure(-71, 0, 0x0005, err);
    EXPECT_EQ(err.str(),
              "error -71 (mailbox_error): the slave's mailbox answered with an error; mailbox error 0x0005 "
              "MBXERR_INVALIDHEADER\n");
    std::ostringstream unknown;
    report_failure(-5, 0x12345678, 0, unknown);
    EXPECT_EQ(unknown.str(),
              "error -5 (failed): the transfer failed (no answer in time, a wrong answer, an abort, or "
              "the call's limit passed); abort 0x12345678 (unknown abort code)\n");
}

TEST(kestio_cli, a_script_stops_at_the_first_failure_unless_told_to_keep_going)
{
    std::string path = ::testing::TempDir() + "kestio_cli_script.txt";
    {
        std::ofstream script(path);
        script << "# a comment\n"
                  "download 0 0x5000:01 0x42 --type u8\n"
                  "upload 0 0x7777:00\n"
                  "upload 0 0x5000:01 --type u8\n";
    }
    auto stopped = run_cli({"--simulate=generic", "run", path});
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.out, "0x5000:01 := 66 (0x42)\n");

    auto kept_going = run_cli({"--simulate=generic", "--keep-going", "run", path});
    EXPECT_EQ(kept_going.status, 1);
    EXPECT_EQ(kept_going.out, "0x5000:01 := 66 (0x42)\n0x5000:01 = 66 (0x42)\n");
    std::remove(path.c_str());
}

} // namespace
