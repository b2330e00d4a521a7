#pragma once
#include <cstdint>
#include <string>

namespace ecat {

constexpr uint8_t al_state_init = 0x01;
constexpr uint8_t al_state_preop = 0x02;
constexpr uint8_t al_state_boot = 0x03;
constexpr uint8_t al_state_safeop = 0x04;
constexpr uint8_t al_state_op = 0x08;
constexpr uint8_t al_state_error = 0x10;

// AL status codes (register 0x0134); their texts are in al_texts.cpp.
enum al_status : uint16_t {
    al_status_no_error = 0x0000,
    al_status_unspecified = 0x0001,
    al_status_no_memory = 0x0002,
    al_status_invalid_state_change = 0x0011,
    al_status_unknown_state = 0x0012,
    al_status_bootstrap_unsupported = 0x0013,
    al_status_no_valid_firmware = 0x0014,
    al_status_invalid_mailbox_config = 0x0015,
    al_status_invalid_mailbox_config_2 = 0x0016,
    al_status_invalid_sync_manager_config = 0x0017,
    al_status_no_valid_inputs = 0x0018,
    al_status_no_valid_outputs = 0x0019,
    al_status_sync_error = 0x001A,
    al_status_sync_manager_watchdog = 0x001B,
    al_status_invalid_sync_manager_types = 0x001C,
    al_status_invalid_output_config = 0x001D,
    al_status_invalid_input_config = 0x001E,
    al_status_invalid_watchdog_config = 0x001F,
    al_status_needs_cold_start = 0x0020,
    al_status_needs_init = 0x0021,
    al_status_needs_preop = 0x0022,
    al_status_needs_safeop = 0x0023,
    al_status_invalid_input_mapping = 0x0024,
    al_status_invalid_output_mapping = 0x0025,
    al_status_inconsistent_settings = 0x0026,
    al_status_freerun_unsupported = 0x0027,
    al_status_sync_unsupported = 0x0028,
    al_status_freerun_needs_3_buffers = 0x0029,
    al_status_background_watchdog = 0x002A,
    al_status_no_valid_inputs_outputs = 0x002B,
    al_status_fatal_sync_error = 0x002C,
    al_status_no_sync_error = 0x002D,
    al_status_invalid_dc_sync_config = 0x0030,
    al_status_invalid_dc_latch_config = 0x0031,
    al_status_pll_error = 0x0032,
    al_status_dc_sync_io_error = 0x0033,
    al_status_dc_sync_timeout = 0x0034,
    al_status_dc_invalid_cycle_time = 0x0035,
    al_status_dc_sync0_cycle_time = 0x0036,
    al_status_dc_sync1_cycle_time = 0x0037,
    al_status_mailbox_aoe = 0x0041,
    al_status_mailbox_eoe = 0x0042,
    al_status_mailbox_coe = 0x0043,
    al_status_mailbox_foe = 0x0044,
    al_status_mailbox_soe = 0x0045,
    al_status_mailbox_voe = 0x004F,
    al_status_eeprom_no_access = 0x0050,
    al_status_eeprom_error = 0x0051,
    al_status_restarted_locally = 0x0060,
    al_status_table_end = 0xFFFF,
};

// "PREOP", "PREOP + ERROR", "(unknown)" for 0, "(invalid)" for other low nibbles.
std::string al_state_name(uint8_t state);
// Names of several slaves' OR-ed states: "INIT, PREOP", "OP + ERROR", "ERROR".
std::string al_state_names_multi(uint8_t states);
// Text of an AL status code (register 0x0134); nullptr for a code not in the table.
const char* al_status_text(uint16_t code);

} // namespace ecat
