#include "app/identity_read.h"

#include <cstring>

#include "app/CTQRThread.h"
#include "app/card_model.h"
#include "app/worker_host.h"
#include "card/sdo_numbers.h"
#include "ecat/master.h"
#include "ecat/slave_info.h"
#include "protocol/identity.h"

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

namespace identity = protocol::identity;

bool upload(worker_host& host, int position, const protocol::object& object, uint8_t* target, size_t& result_size)
{
    return card::read_object_bytes(host.master(), uint16_t(position), object, target, result_size).ok();
}

// False when the card could not be read at all.
bool read_identity_of(worker_host& host, int position)
{
    identity_record& record = host.identity();
    uint8_t text[64] = {};
    size_t size = 0;
    if (!upload(host, position, identity::hardware_version, text, size)) {
        host.message(QStringLiteral("获取从站信息失败!"));
        return false;
    }
    // a card may pad its texts with zeros: the text ends at the first one, for the
    // field and for the model alike
    size = strnlen(reinterpret_cast<const char*>(text), size);
    text[size] = 0;
    std::memcpy(record.hardware_version, text, size + 1);
    host.identity_text(identity_field::hardware_version,
                       QString::fromLocal8Bit(reinterpret_cast<const char*>(text), qsizetype(size)));
    int model = detect_card_model(reinterpret_cast<const char*>(text), size);
    if (model != no_card_model)
        host.card_model_recognised(model);

    if (upload(host, position, identity::software_version, text, size)) {
        size = strnlen(reinterpret_cast<const char*>(text), size);
        text[size] = 0;
        host.identity_text(identity_field::software_version,
                           QString::fromLocal8Bit(reinterpret_cast<const char*>(text), qsizetype(size)));
    }
    static_assert(sizeof record.date == identity::date.size);
    if (upload(host, position, identity::date, record.date, size))
        host.identity_text(identity_field::date, QString::fromStdString(format_identity_date(record.date)));
    // the serial words are raw little-endian bytes, like every card value
    upload(host, position, identity::serial_high, reinterpret_cast<uint8_t*>(&record.serial_high), size);
    if (upload(host, position, identity::serial_low, reinterpret_cast<uint8_t*>(&record.serial_low), size)) {
        host.identity_text(identity_field::serial_number,
                           QString::fromStdString(format_serial_number(record.serial_high, record.serial_low)));
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
