#include "sdo_client.h"

#include <algorithm>

namespace simtest {

std::vector<uint8_t> mailbox_message(const std::vector<uint8_t>& service_data, uint8_t type, uint8_t counter)
{
    std::vector<uint8_t> m = le16(uint16_t(service_data.size()));
    m.insert(m.end(), {0, 0, 0, uint8_t(type | counter << 4)});
    m.insert(m.end(), service_data.begin(), service_data.end());
    return m;
}

std::vector<uint8_t> sdo_request(uint8_t command, uint16_t index, uint8_t subindex, std::vector<uint8_t> rest)
{
    std::vector<uint8_t> m = {0x00, 0x20, command, uint8_t(index), uint8_t(index >> 8), subindex};
    m.insert(m.end(), rest.begin(), rest.end());
    return m;
}

sdo_client::sdo_client(bus_driver& driver, uint16_t station, uint16_t mailbox_size)
    : driver_(driver),
      station_(station),
      mailbox_size_(mailbox_size)
{
}

std::optional<std::vector<uint8_t>> sdo_client::request(const std::vector<uint8_t>& service_data)
{
    if (driver_.mailbox_write(station_, mailbox_message(service_data)) != 1)
        return std::nullopt;
    for (;;) {
        auto mailbox = driver_.mailbox_read(station_);
        if (!mailbox)
            return std::nullopt;
        uint16_t length = u16(*mailbox);
        last_type_ = (*mailbox)[5] & 0x0F;
        std::vector<uint8_t> data(mailbox->begin() + 6,
                                  mailbox->begin() + 6 + std::min<size_t>(length, mailbox->size() - 6));
        if (last_type_ == 3 && data.size() >= 2 && data[1] >> 4 == 1) {
            ++emergencies_;
            continue;
        }
        return data;
    }
}

bool sdo_client::is_abort(const std::vector<uint8_t>& reply, sdo_result& result) const
{
    if (reply.size() >= 10 && reply[1] >> 4 == 2 && reply[2] >> 5 == 4) {
        result.abort_code = u32(reply, 6);
        return true;
    }
    return false;
}

sdo_result sdo_client::upload(uint16_t index, uint8_t subindex)
{
    sdo_result result;
    segments_ = 0;
    auto reply = request(sdo_request(0x40, index, subindex));
    if (!reply || last_type_ != 3 || reply->size() < 10 || is_abort(*reply, result))
        return result;
    uint8_t command = (*reply)[2];
    if ((*reply)[1] >> 4 != 3 || (command & 0xE0) != 0x40)
        return result;
    if (command & 0x02) {
        size_t size = command & 0x01 ? 4 - ((command >> 2) & 3) : 4;
        result.data.assign(reply->begin() + 6, reply->begin() + 6 + long(size));
        result.completed = true;
        return result;
    }
    size_t complete = u32(*reply, 6);
    result.data.assign(reply->begin() + 10, reply->end());
    uint8_t toggle = 0;
    while (result.data.size() < complete) {
        std::vector<uint8_t> segment_request = {0x00, 0x20, uint8_t(0x60 | toggle << 4), 0, 0, 0, 0, 0, 0, 0};
        reply = request(segment_request);
        if (!reply || reply->size() < 10 || is_abort(*reply, result))
            return result;
        uint8_t segment = (*reply)[2];
        if ((segment & 0xE0) != 0x00 || ((segment >> 4) & 1) != toggle)
            return result;
        size_t size = reply->size() == 10 ? 7 - ((segment >> 1) & 7) : reply->size() - 3;
        result.data.insert(result.data.end(), reply->begin() + 3, reply->begin() + 3 + long(size));
        ++segments_;
        if (segment & 0x01)
            break;
        toggle ^= 1;
    }
    result.completed = result.data.size() == complete;
    return result;
}

sdo_result sdo_client::download(uint16_t index, uint8_t subindex, const std::vector<uint8_t>& data)
{
    sdo_result result;
    segments_ = 0;
    std::optional<std::vector<uint8_t>> reply;
    size_t sent = 0;
    if (data.size() <= 4) {
        std::vector<uint8_t> value = data;
        value.resize(4, 0);
        reply = request(sdo_request(uint8_t(0x23 | (4 - data.size()) << 2), index, subindex, value));
        sent = data.size();
    } else {
        sent = std::min<size_t>(data.size(), mailbox_size_ - 16u);
        std::vector<uint8_t> rest = le32(uint32_t(data.size()));
        rest.insert(rest.end(), data.begin(), data.begin() + long(sent));
        reply = request(sdo_request(0x21, index, subindex, rest));
    }
    if (!reply || reply->size() < 10 || is_abort(*reply, result) || (*reply)[2] != 0x60)
        return result;
    uint8_t toggle = 0;
    while (sent < data.size()) {
        size_t room = mailbox_size_ - 9u;
        size_t size = std::min(room, data.size() - sent);
        bool last = sent + size == data.size();
        uint8_t empty = size < 7 ? uint8_t(7 - size) : 0;
        std::vector<uint8_t> segment = {0x00, 0x20, uint8_t(toggle << 4 | empty << 1 | (last ? 1 : 0))};
        segment.insert(segment.end(), data.begin() + long(sent), data.begin() + long(sent + size));
        segment.resize(segment.size() + empty, 0);
        reply = request(segment);
        if (!reply || reply->size() < 10 || is_abort(*reply, result))
            return result;
        if (((*reply)[2] & 0xE0) != 0x20 || (((*reply)[2] >> 4) & 1) != toggle)
            return result;
        sent += size;
        ++segments_;
        toggle ^= 1;
    }
    result.completed = true;
    return result;
}

} // namespace simtest
