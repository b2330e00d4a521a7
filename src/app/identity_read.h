#pragma once
#include <cstdint>
#include <string>

#include <QString>

#include "card/identity_text.h"

class CTQRThread;
class worker_host;
namespace ecat {
struct slave_info;
}

// The fields of the identity the main window shows, in the order they are read.
enum class identity_field { hardware_version, software_version, date, serial_number };

// The selected card's identity as the last identity read left it.
struct identity_record {
    uint8_t date[4] = {}; // day, month, year (little-endian), shown in hexadecimal
    uint32_t serial_high = 0;
    uint32_t serial_low = 0;
    char hardware_version[128] = {};
};

// The slave list's text for one slave.
QString slave_list_item(int position, const ecat::slave_info& info);

// Procedure of info_thread: reads the selected card's hardware version, recognises the
// model from it, then reads software version, date and serial number. Should the
// selection change meanwhile, the newly selected card is read next.
int identity_read(CTQRThread& slot, worker_host& host);
