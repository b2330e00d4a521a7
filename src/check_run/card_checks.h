#pragma once
#include "check_run/check_context.h"

namespace check {

// The check groups. Each reports every check it finishes through the context, leaves what
// it drove back at its resting value where it can, and does nothing when the plan leaves it
// out or the model lacks it.
void check_identity(check_context& context, const card_identity& identity);
void check_digital(check_context& context);
void check_analog(check_context& context);
void check_motion(check_context& context);
void check_serial(check_context& context);
void check_modbus(check_context& context);
void check_can(check_context& context);
void check_settings(check_context& context);

// "V2.1.4" as numbers; nothing for another form.
std::optional<std::vector<int>> software_version_numbers(const std::string& text);

} // namespace check
