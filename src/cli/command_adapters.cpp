#include <cstdio>
#include <ostream>

#include "cli/commands.h"
#include "cli/failure_report.h"
#include "ecat/adapter.h"

namespace cli {

int command_adapters(const options&, std::ostream& out, std::ostream& err)
{
    int result = ecat::adapter_list_refresh();
    if (result != 0) {
        report_error(result, ecat::adapter_last_error(), err);
        return 1;
    }
    for (int i = 0; i < ecat::adapter_count(); ++i) {
        std::string name;
        ecat::adapter_get_name(i, name);
        const uint8_t* mac = ecat::adapter_get(i)->mac;
        char mac_text[18];
        std::snprintf(mac_text, sizeof mac_text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3],
                      mac[4], mac[5]);
        out << i << "  " << name << "  " << mac_text << "\n";
    }
    if (ecat::adapter_count() == 0)
        err << "no Ethernet adapters found\n";
    return 0;
}

} // namespace cli
