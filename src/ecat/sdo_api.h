#pragma once
#include <cstddef>
#include <cstdint>

namespace ecat {

class master;

// Every blocking call ends within its limit: the response time-out, plus time for
// the transfer's exchanges (1 s, and 250 ms per KiB of data), at most 4 s. At the
// limit the request is withdrawn (nothing lands in the caller's buffer later) and
// the call returns -5.
constexpr uint32_t sdo_call_limit_max_ms = 4000;
uint32_t sdo_call_limit_ms(uint32_t response_timeout_ms, size_t size);

// Blocking object access, callable from any thread except the cycle's. The slave is
// named by its ring position. Results (result.h): 0; -12 no memory; -22 position not
// below the slave count; -5 the transfer failed (no answer, wrong answer, the slave in
// INIT or with AL error, the master stopped, the call's limit passed) or was aborted
// (abort_code holds the slave's code); -71 the mailbox answered with an error
// (mailbox_error_code holds its code); -123 no CoE; -139 mailbox too small or data
// too long. The out-parameters are written on every path (0 when they do not apply).
[[nodiscard]] int master_sdo_download(master& m, uint16_t position, uint16_t index, uint8_t subindex,
                                      const uint8_t* data, size_t size, uint32_t* abort_code,
                                      uint16_t* mailbox_error_code = nullptr);

// As download; the object's bytes go to target. -139 when the object is larger than
// target_size (nothing copied, result_size untouched); on other failures result_size := 0.
[[nodiscard]] int master_sdo_upload(master& m, uint16_t position, uint16_t index, uint8_t subindex, uint8_t* target,
                                    size_t target_size, size_t* result_size, uint32_t* abort_code,
                                    uint16_t* mailbox_error_code = nullptr);

} // namespace ecat
