#pragma once
#include <optional>
#include <string>
#include <vector>

#include "pages/logic/settings_config.h"
#include "pages/logic/status_list.h"

namespace page_logic {

// The three rate cells of list 1002 for a rate code; all empty above code 22.
struct rate_texts {
    std::string rate;
    std::string conversion_time;
    std::string resolution;
};
rate_texts rate_texts_for(uint16_t code);

// "IN0" … "IN5", "比较器0", "比较器1" for trigger sources 0 … 7.
std::string latch_source_text(unsigned source);

// The display-only comparator and encoder controls.
struct comparator_view {
    bool enable0 = false; // 1151, bit 0
    bool invert0 = false; // 1152, bit 3
    bool enable1 = false; // 1153, bit 1
    bool invert1 = false; // 1154, bit 5
    std::string mode0;    // caption of 1056, bit 2
    std::string mode1;    // caption of 1057, bit 4
    bool operator==(const comparator_view&) const = default;
};

// What a refresh rewrites: cells of list 1002 (modes and rate) and of list 1003 (latches),
// and the comparator and encoder controls when their words changed.
struct settings_updates {
    cell_updates modes;
    cell_updates latches;
    std::optional<comparator_view> comparators;
    std::optional<bool> encoder;
};

// The settings page's shown copy of the configuration and its two lists. The shown copy
// starts with every word 1, so that the first refresh from the all-zero current copy
// draws everything.
class settings_display {
public:
    static constexpr int rows = 8;
    static const std::vector<list_column>& mode_columns();
    static std::vector<list_label> mode_labels();
    static const std::vector<list_column>& latch_columns();
    static std::vector<list_label> latch_labels();

    // Brings the shown copy to current, word by word; returns what changed words redraw.
    settings_updates refresh(const settings_config& current);
    const settings_config& shown() const { return shown_; }

private:
    settings_config shown_ = settings_config::filled(1);
};

} // namespace page_logic
