#pragma once

// The results of the master's operations: 0 for success, a negative number for a
// failure. An SDO request keeps the positive number of its failure (5, 71, 123, 139)
// and the blocking calls return it negated, so a caller only ever sees these values.
// The adapter operations keep their own small positive codes (adapter.h).
namespace ecat::result {

constexpr int ok = 0;
constexpr int wait_failed = -4; // a lock or wait failed; no slave at that position (slave info)
constexpr int failed = -5;      // the transfer failed: no answer in time, wrong answer, abort, call limit
constexpr int no_memory = -12;
constexpr int already_present = -17;
constexpr int no_device = -19;     // no device attached
constexpr int bad_position = -22;  // slave position not below the slave count
constexpr int mailbox_error = -71; // the mailbox answered with an error reply or a broken length
constexpr int no_coe = -123;       // the slave has no CoE mailbox
constexpr int too_large = -139;    // data larger than the buffer or the mailbox

// Name ("failed") and English text of a result; "unknown" for a number not listed.
const char* name(int code);
const char* text(int code);

} // namespace ecat::result
