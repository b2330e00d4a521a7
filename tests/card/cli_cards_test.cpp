// kestio-cli on a simulated ring of the four cards.
#include <sstream>

#include <gtest/gtest.h>

#include "cli/cli.h"

namespace {

TEST(kestio_cli_cards, lists_the_four_cards_in_ring_order_and_reads_their_model_names)
{
    const std::string ring = "--simulate=ZEIO,KOVA-H,KOVA-16IO,KOVA-AD";
    std::ostringstream out, err;
    ASSERT_EQ(cli::run({ring, "slaves"}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(),
              "(0) ZEIO(VID:00004B49, PID:00020001)  PREOP\n"
              "(1) KOVA-H(VID:00004B49, PID:00020002)  PREOP\n"
              "(2) KOVA-16IO(VID:00004B49, PID:00020003)  PREOP\n"
              "(3) KOVA-AD(VID:00004B49, PID:00020004)  PREOP\n");

    const char* names[] = {"ZEIO", "KOVA-H", "KOVA-16IO", "KOVA-AD"};
    for (int position = 0; position < 4; ++position) {
        std::ostringstream value, failure;
        ASSERT_EQ(cli::run({ring, "upload", std::to_string(position), "0x1009:00", "--type", "str"}, value, failure), 0)
            << failure.str();
        EXPECT_EQ(value.str(), std::string("0x1009:00 = ") + names[position] + "\n");
    }
}

} // namespace

namespace {

TEST(kestio_cli_cards, card_faults_break_the_simulated_cards_from_the_start)
{
    std::ostringstream out, err;
    ASSERT_EQ(cli::run({"--simulate=ZEIO,KOVA-H", "--card-fault", "stuck 1 in 2 1", "--card-fault=short 1 0 1",
                        "upload", "1", "0x2000:00", "--type", "u16"},
                       out, err),
              0)
        << err.str();
    EXPECT_EQ(out.str(), "0x2000:00 = 4 (0x0004)\n") << "outputs all off: only the stuck input is high";

    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } refused[] = {
        {{"--simulate=ZEIO", "--card-fault", "can-dead 0", "slaves"},
         1,
         "--card-fault: cannot do 'can-dead 0': the ZEIO at 0 has no CAN port\n"},
        {{"--simulate=ZEIO", "--card-fault", "stuck 0 out", "slaves"},
         2,
         "--card-fault 'stuck 0 out': use stuck N out|in BIT 0|1\n"},
        {{"--card-fault", "card-ok 0", "slaves"},
         2,
         "--card-fault breaks a card of the simulated bus: it needs --simulate\n"},
        {{"--simulate=ZEIO", "slaves", "--card-fault"}, 2, "--card-fault needs a value\n"},
    };
    for (const auto& r : refused) {
        std::ostringstream ignored, message;
        EXPECT_EQ(cli::run(r.args, ignored, message), r.status) << r.message;
        EXPECT_EQ(message.str().substr(0, message.str().find('\n') + 1), r.message);
    }

    std::ostringstream help, none;
    EXPECT_EQ(cli::run({"--help"}, help, none), 0);
    EXPECT_NE(help.str().find("ad-noise N CH LSB"), std::string::npos) << help.str();
}

} // namespace
