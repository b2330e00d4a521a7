#pragma once
#include <string>
#include <system_error>

namespace ecat {

// One type for every result the tool's layers give: the master's negative numbers, the
// adapter's small positive ones and a card operation's refused input. Each number means one
// thing, and the values are those callers have always been given, so the calls that return
// int keep returning them (result:: below is that int form).
enum class error : int {
    ok = 0,
    refused = -1,     // a card operation refused its input before anything was sent
    wait_failed = -4, // a lock or wait failed; no slave at that position (slave info)
    failed = -5,      // the transfer failed: no answer in time, wrong answer, abort, call limit
    no_memory = -12,
    already_present = -17,
    no_device = -19,     // no device attached
    bad_position = -22,  // slave position not below the slave count
    mailbox_error = -71, // the mailbox answered with an error reply or a broken length
    no_coe = -123,       // the slave has no CoE mailbox
    too_large = -139,    // data larger than the buffer or the mailbox
    adapter_enumeration = 5,
    adapter_open = 6, // open failed, or the adapter is not open
    adapter_unknown = 7,
    adapter_index = 13,
};

const std::error_category& error_category();
std::error_code make_error_code(error e);

// The one way a result is shown to a person, in the CLI and the GUI alike:
// "error -22 (bad_position): the slave position is not below the slave count".
std::string describe(int code);

namespace result {

constexpr int code(error e)
{
    return static_cast<int>(e);
}

constexpr int ok = code(error::ok);
constexpr int refused = code(error::refused);
constexpr int wait_failed = code(error::wait_failed);
constexpr int failed = code(error::failed);
constexpr int no_memory = code(error::no_memory);
constexpr int already_present = code(error::already_present);
constexpr int no_device = code(error::no_device);
constexpr int bad_position = code(error::bad_position);
constexpr int mailbox_error = code(error::mailbox_error);
constexpr int no_coe = code(error::no_coe);
constexpr int too_large = code(error::too_large);
constexpr int adapter_enumeration = code(error::adapter_enumeration);
constexpr int adapter_open = code(error::adapter_open);
constexpr int adapter_unknown = code(error::adapter_unknown);
constexpr int adapter_index = code(error::adapter_index);

// Name ("failed") and English text of a result; "unknown" for a number not listed.
const char* name(int code);
const char* text(int code);

} // namespace result
} // namespace ecat

template <> struct std::is_error_code_enum<ecat::error> : std::true_type {
};
