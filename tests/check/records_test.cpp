#include <gtest/gtest.h>

#include <sstream>

#include "check/console_report.h"

namespace {

using namespace check;

card_result card_with(std::vector<verdict> verdicts)
{
    card_result card;
    card.position = 3;
    card.model = "KOVA-16IO";
    card.identity.serial = "2025060300010003";
    for (verdict v : verdicts) {
        check_result c;
        c.name = "digital.walking_one.out" + std::to_string(card.checks.size());
        c.verdict = v;
        card.checks.push_back(c);
    }
    return card;
}

TEST(check_records, verdicts_of_cards_and_runs)
{
    EXPECT_EQ(card_verdict(card_with({verdict::pass, verdict::pass})), verdict::pass);
    EXPECT_EQ(card_verdict(card_with({verdict::pass, verdict::fail})), verdict::fail);
    EXPECT_EQ(card_verdict(card_with({})), verdict::fail); // tested nothing
    run_record run;
    EXPECT_EQ(run_exit_status(run), 1);
    run.cards = {card_with({verdict::pass})};
    EXPECT_EQ(run_exit_status(run), 0);
    run.cards.push_back(card_with({verdict::fail}));
    EXPECT_EQ(run_exit_status(run), 1);
}

TEST(check_records, console_lines_and_summary)
{
    card_result card = card_with({verdict::pass, verdict::fail});
    card.checks[0].value = 4.998;
    card.checks[0].low = 4.9;
    card.checks[0].high = 5.1;
    card.checks[0].unit = "V";
    card.checks[1].detail = "IN1 stayed off";
    std::ostringstream out;
    print_check_line(out, card, card.checks[0]);
    print_check_line(out, card, card.checks[1]);
    EXPECT_EQ(out.str(),
              "card 3 2025060300010003  digital.walking_one.out0  4.998 V  [4.9 .. 5.1] V  PASS\n"
              "card 3 2025060300010003  digital.walking_one.out1  IN1 stayed off  FAIL\n");
    run_record run;
    run.cards = {card};
    std::ostringstream table;
    print_summary_table(table, run);
    EXPECT_EQ(table.str(),
              "card  model       serial                checks  failed  verdict\n"
              "3     KOVA-16IO   2025060300010003           2       1  FAIL\n");
}

} // namespace
