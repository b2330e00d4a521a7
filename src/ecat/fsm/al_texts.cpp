#include "ecat/fsm/al_texts.h"

namespace ecat {

namespace {

struct al_status_entry {
    uint16_t code;
    const char* text;
};

// Searched linearly up to the closing 0xFFFF row.
constexpr al_status_entry al_status_table[] = {
    {al_status_no_error, "No error"},
    {al_status_unspecified, "Unspecified error"},
    {al_status_no_memory, "No Memory"},
    {al_status_invalid_state_change, "Invalid requested state change"},
    {al_status_unknown_state, "Unknown requested state"},
    {al_status_bootstrap_unsupported, "Bootstrap not supported"},
    {al_status_no_valid_firmware, "No valid firmware"},
    {al_status_invalid_mailbox_config, "Invalid mailbox configuration"},
    {al_status_invalid_mailbox_config_2, "Invalid mailbox configuration"},
    {al_status_invalid_sync_manager_config, "Invalid sync manager configuration"},
    {al_status_no_valid_inputs, "No valid inputs available"},
    {al_status_no_valid_outputs, "No valid outputs"},
    {al_status_sync_error, "Synchronization error"},
    {al_status_sync_manager_watchdog, "Sync manager watchdog"},
    {al_status_invalid_sync_manager_types, "Invalid sync manager types"},
    {al_status_invalid_output_config, "Invalid output configuration"},
    {al_status_invalid_input_config, "Invalid input configuration"},
    {al_status_invalid_watchdog_config, "Invalid watchdog configuration"},
    {al_status_needs_cold_start, "Slave needs cold start"},
    {al_status_needs_init, "Slave needs INIT"},
    {al_status_needs_preop, "Slave needs PREOP"},
    {al_status_needs_safeop, "Slave needs SAFEOP"},
    {al_status_invalid_input_mapping, "Invalid Input Mapping"},
    {al_status_invalid_output_mapping, "Invalid Output Mapping"},
    {al_status_inconsistent_settings, "Inconsistent Settings"},
    {al_status_freerun_unsupported, "Freerun not supported"},
    {al_status_sync_unsupported, "Synchronization not supported"},
    {al_status_freerun_needs_3_buffers, "Freerun needs 3 Buffer Mode"},
    {al_status_background_watchdog, "Background Watchdog"},
    {al_status_no_valid_inputs_outputs, "No Valid Inputs and Outputs"},
    {al_status_fatal_sync_error, "Fatal Sync Error"},
    {al_status_no_sync_error, "No Sync Error"},
    {al_status_invalid_dc_sync_config, "Invalid DC SYNCH configuration"},
    {al_status_invalid_dc_latch_config, "Invalid DC latch configuration"},
    {al_status_pll_error, "PLL error"},
    {al_status_dc_sync_io_error, "DC Sync IO Error"},
    {al_status_dc_sync_timeout, "DC Sync Timeout Error"},
    {al_status_dc_invalid_cycle_time, "DC Invalid Sync Cycle Time"},
    {al_status_dc_sync0_cycle_time, "DC Sync0 Cycle Time"},
    {al_status_dc_sync1_cycle_time, "DC Sync1 Cycle Time"},
    {al_status_mailbox_aoe, "MBX_AOE"},
    {al_status_mailbox_eoe, "MBX_EOE"},
    {al_status_mailbox_coe, "MBX_COE"},
    {al_status_mailbox_foe, "MBX_FOE"},
    {al_status_mailbox_soe, "MBX_SOE"},
    {al_status_mailbox_voe, "MBX_VOE"},
    {al_status_eeprom_no_access, "EEPROM No Access"},
    {al_status_eeprom_error, "EEPROM Error"},
    {al_status_restarted_locally, "Slave Restarted Locally"},
    {al_status_table_end, nullptr},
};

void append_error(std::string& text, uint8_t state)
{
    if (!(state & al_state_error))
        return;
    if (!text.empty())
        text += " + ";
    text += "ERROR";
}

} // namespace

std::string al_state_name(uint8_t state)
{
    if (state == 0)
        return "(unknown)";
    std::string text;
    switch (state & 0x0F) {
    case al_state_init: text = "INIT"; break;
    case al_state_preop: text = "PREOP"; break;
    case al_state_boot: text = "BOOT"; break;
    case al_state_safeop: text = "SAFEOP"; break;
    case al_state_op: text = "OP"; break;
    default: text = "(invalid)"; break;
    }
    append_error(text, state);
    return text;
}

std::string al_state_names_multi(uint8_t states)
{
    if (states == 0)
        return "(unknown)";
    static constexpr struct {
        uint8_t bit;
        const char* name;
    } bits[] = {{al_state_init, "INIT"}, {al_state_preop, "PREOP"}, {al_state_safeop, "SAFEOP"}, {al_state_op, "OP"}};
    std::string text;
    for (const auto& b : bits) {
        if (!(states & b.bit))
            continue;
        if (!text.empty())
            text += ", ";
        text += b.name;
    }
    append_error(text, states);
    return text;
}

const char* al_status_text(uint16_t code)
{
    for (const al_status_entry* e = al_status_table; e->code != al_status_table_end; ++e)
        if (e->code == code)
            return e->text;
    return nullptr;
}

} // namespace ecat
