#include "check_run/check_runner.h"

#include <chrono>
#include <mutex>
#include <ostream>
#include <thread>

#include "check/console_report.h"
#include "check/model_traits.h"
#include "check_run/card_checks.h"

namespace check {

namespace {

struct group {
    const char* name;
    void (*run)(check_context&);
};
constexpr group groups[] = {{"digital", check_digital},  {"analog", check_analog}, {"motion", check_motion},
                            {"serial", check_serial},    {"modbus", check_modbus}, {"can", check_can},
                            {"settings", check_settings}};

double milliseconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

card_outcome run_card(card_under_test& card, const run_settings& settings,
                      const std::function<void(const card_result&, const check_result&)>& finished)
{
    card_outcome outcome;
    outcome.result.position = card.position;
    card_port& port = *card.port;
    if (!port.read_identity(outcome.result.identity)) {
        outcome.problem = "identity unreadable: " + port.error();
        return outcome;
    }
    const std::string& model = outcome.result.identity.hardware_name;
    const model_traits* traits = find_model_traits(model);
    const model_plan* plan = settings.plan->find(model);
    if (!traits || !plan) {
        outcome.problem = "unknown model '" + model + "'";
        return outcome;
    }
    outcome.result.model = model;
    outcome.tested = true;
    check_context context{port, *plan, *traits, settings.expected_serial, nullptr, settings.stop};
    context.finished = [&](const check_result& result) {
        outcome.result.checks.push_back(result);
        finished(outcome.result, result);
    };
    check_identity(context, outcome.result.identity);
    outcome.safe = port.make_safe(true); // whatever the card drove before the run
    for (const group& g : groups) {
        if (context.stop_requested())
            break;
        auto started = std::chrono::steady_clock::now();
        g.run(context);
        outcome.safe = port.make_safe(false) && outcome.safe;
        if (settings.group_timed)
            settings.group_timed(outcome.result, g.name, milliseconds_since(started));
    }
    outcome.safe = port.make_safe(true) && outcome.safe;
    outcome.complete = !context.stop_requested();
    return outcome;
}

std::vector<card_outcome> run_cards(std::vector<card_under_test>& cards, const run_settings& settings,
                                    std::ostream& out)
{
    std::mutex output;
    auto line = [&](const card_result& card, const check_result& result) {
        std::lock_guard lock(output);
        print_check_line(out, card, result);
        out.flush();
    };
    std::vector<card_outcome> outcomes(cards.size());
    std::vector<std::thread> workers;
    for (size_t n = 0; n < cards.size(); ++n)
        workers.emplace_back([&, n] {
            outcomes[n] = run_card(cards[n], settings, line);
            std::lock_guard lock(output);
            if (outcomes[n].complete && settings.card_done)
                settings.card_done(outcomes[n].result);
        });
    for (std::thread& worker : workers)
        worker.join();
    return outcomes;
}

} // namespace check
