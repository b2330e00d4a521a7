#include "app/identity_read.h"

#include <cstdio>
#include <cstring>

#include "app/CTQRThread.h"
#include "app/card_model.h"
#include "app/worker_host.h"
#include "ecat/master.h"
#include "ecat/sdo_api.h"
#include "ecat/slave_info.h"

std::string format_identity_date(const uint8_t date[4])
{
    char text[16];
    std::snprintf(text, sizeof text, "%04X.%02X.%02X", unsigned(date[2] | date[3] << 8), unsigned(date[1]),
                  unsigned(date[0]));
    return text;
}

std::string format_serial_number(uint32_t high, uint32_t low)
{
    char text[20];
    std::snprintf(text, sizeof text, "%08X%08X", unsigned(high), unsigned(low));
    return text;
}

QString slave_list_item(int position, const ecat::slave_info& info)
{
    size_t name_length = strnlen(info.name, sizeof info.name);
    const QString ids = QString::asprintf("VID:%08X, PID:%08X", unsigned(info.vendor_id), unsigned(info.product_code));
    if (name_length == 0)
        return QString::asprintf("(%d) Slave (", position) + ids + ")";
    return QString::asprintf("(%d) ", position) + QString::fromLocal8Bit(info.name, qsizetype(name_length)) + "(" + ids
        + ")";
}

namespace {

bool upload(worker_host& host, int position, uint16_t index, uint8_t subindex, uint8_t* target, size_t size,
            size_t& result_size)
{
    result_size = 0;
    return ecat::master_sdo_upload(host.master(), uint16_t(position), index, subindex, target, size, &result_size,
                                   nullptr)
        == 0;
}

// False when the card could not be read at all.
bool read_identity_of(worker_host& host, int position)
{
    identity_record& identity = host.identity();
    uint8_t text[64] = {};
    size_t size = 0;
    if (!upload(host, position, 0x1009, 0x00, text, 32, size)) {
        host.message(QStringLiteral("获取从站信息失败!"));
        return false;
    }
    // a card may pad its texts with zeros: the text ends at the first one, for the
    // field and for the model alike
    size = strnlen(reinterpret_cast<const char*>(text), size);
    text[size] = 0;
    std::memcpy(identity.hardware_version, text, size + 1);
    host.identity_text(1101, QString::fromLocal8Bit(reinterpret_cast<const char*>(text), qsizetype(size)));
    int model = detect_card_model(reinterpret_cast<const char*>(text), size);
    if (model != no_card_model)
        host.card_model_recognised(model);

    if (upload(host, position, 0x100A, 0x00, text, 16, size)) {
        size = strnlen(reinterpret_cast<const char*>(text), size);
        text[size] = 0;
        host.identity_text(1102, QString::fromLocal8Bit(reinterpret_cast<const char*>(text), qsizetype(size)));
    }
    if (upload(host, position, 0x4000, 0x00, identity.date, sizeof identity.date, size))
        host.identity_text(1103, QString::fromStdString(format_identity_date(identity.date)));
    // the serial words are raw little-endian bytes, like every card value
    upload(host, position, 0x4001, 0x01, reinterpret_cast<uint8_t*>(&identity.serial_high), 4, size);
    if (upload(host, position, 0x4001, 0x02, reinterpret_cast<uint8_t*>(&identity.serial_low), 4, size)) {
        host.identity_text(1104,
                           QString::fromStdString(format_serial_number(identity.serial_high, identity.serial_low)));
    }
    return true;
}

} // namespace

int identity_read(CTQRThread& slot, worker_host& host)
{
    int position = host.selected_slave();
    for (;;) {
        if (position < 0 || unsigned(position) >= host.master().slave_count()) {
            host.message(QStringLiteral("没有从站!"));
            return 0;
        }
        if (!read_identity_of(host, position))
            return 0;
        int selected = host.selected_slave();
        if (selected == position || selected < 0 || slot.stop_requested())
            return 0;
        position = selected;
    }
}
