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
