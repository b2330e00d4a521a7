#include "check/json_record.h"

#include <nlohmann/json.hpp>

#include "check/record_text.h"

namespace check {

namespace {

nlohmann::ordered_json optional_number(const std::optional<double>& value)
{
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json check_json(const check_result& c)
{
    return {{"name", c.name},
            {"verdict", verdict_text(c.verdict)},
            {"value", optional_number(c.value)},
            {"low", optional_number(c.low)},
            {"high", optional_number(c.high)},
            {"unit", c.unit},
            {"detail", c.detail},
            {"duration_ms", c.duration_ms}};
}

nlohmann::ordered_json card_json(const card_result& card)
{
    nlohmann::ordered_json checks = nlohmann::ordered_json::array();
    for (const check_result& c : card.checks)
        checks.push_back(check_json(c));
    const card_identity& id = card.identity;
    return {{"position", card.position},
            {"model", card.model},
            {"serial", id.serial},
            {"verdict", verdict_text(card_verdict(card))},
            {"identity",
             {{"vendor_id", id.vendor_id},
              {"product_code", id.product_code},
              {"hardware_name", id.hardware_name},
              {"software_version", id.software_version},
              {"date", id.date}}},
            {"checks", checks}};
}

} // namespace

std::string run_json(const run_record& run)
{
    nlohmann::ordered_json cards = nlohmann::ordered_json::array();
    for (const card_result& card : run.cards)
        cards.push_back(card_json(card));
    nlohmann::ordered_json document = {{"station", run.station},
                                       {"operator", run.operator_name},
                                       {"started", iso8601_utc(run.started)},
                                       {"ended", iso8601_utc(run.ended)},
                                       {"tool_version", run.tool_version},
                                       {"plan_digest", run.plan_digest},
                                       {"plan_source", run.plan_source},
                                       {"verdict", run_exit_status(run) == 0 ? "pass" : "fail"},
                                       {"cards", cards}};
    // invalid UTF-8 from a card's text becomes U+FFFD instead of an exception
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

} // namespace check
