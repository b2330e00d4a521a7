// Settings: the card's configuration read and, when the plan names a reference file,
// compared with it key by key.
#include <fstream>
#include <iterator>

#include "check_run/card_checks.h"
#include "pages/logic/profile_file.h"

namespace check {

void check_settings(check_context& context)
{
    const settings_plan& plan = context.plan.settings;
    if (!plan.enabled || !context.traits.settings || context.stop_requested())
        return;
    check_timer timer(context);
    std::vector<setting_entry> settings;
    if (!context.port.read_settings(settings)) {
        timer.finish(observed("settings.read", context.port.error()));
        return;
    }
    timer.pass_if(!settings.empty(), observed("settings.read", std::to_string(settings.size()) + " keys read"));
    if (plan.reference_ini.empty())
        return;
    std::ifstream file(plan.reference_ini, std::ios::binary);
    if (!file) {
        timer.finish(observed("settings.reference", "cannot read " + plan.reference_ini));
        return;
    }
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    page_logic::profile_file reference = page_logic::profile_file::from_bytes(bytes);
    int differing = 0, compared = 0;
    std::string detail;
    for (const setting_entry& entry : settings) {
        if (!reference.value(entry.section, entry.key))
            continue; // a key the file leaves out is not compared
        ++compared;
        int64_t wanted = reference.integer(entry.section, entry.key);
        if (wanted == entry.value)
            continue;
        ++differing;
        detail += (detail.empty() ? "" : ", ") + entry.section + "." + entry.key + " " + std::to_string(entry.value)
            + " (file " + std::to_string(wanted) + ")";
    }
    timer.finish(measured("settings.reference", differing, 0, 0, "keys",
                          std::to_string(compared) + " keys compared" + (detail.empty() ? "" : "; differ: " + detail)));
}

} // namespace check
