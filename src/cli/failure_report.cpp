#include "cli/failure_report.h"

#include <cstdio>
#include <ostream>

#include "ecat/fsm/coe_texts.h"
#include "ecat/fsm/mailbox.h"
#include "ecat/result.h"

namespace cli {

void report_failure(int result, uint32_t abort_code, uint16_t mailbox_error_code, std::ostream& err)
{
    err << ecat::describe(result);
    char code[16];
    if (abort_code) {
        const char* text = ecat::sdo_abort_text(abort_code);
        std::snprintf(code, sizeof code, "0x%08X", abort_code);
        err << "; abort " << code << " " << (text ? text : "(unknown abort code)");
    }
    if (mailbox_error_code) {
        const char* text = ecat::mailbox_error_text(mailbox_error_code);
        std::snprintf(code, sizeof code, "0x%04X", mailbox_error_code);
        err << "; mailbox error " << code << " " << (text ? text : "(unknown mailbox error code)");
    }
    err << "\n";
}

void report_error(int result, const std::string& detail, std::ostream& err)
{
    err << ecat::describe(result);
    if (!detail.empty())
        err << "; " << detail;
    err << "\n";
}

} // namespace cli
