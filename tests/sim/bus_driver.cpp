#include "bus_driver.h"

#include <gtest/gtest.h>

namespace simtest {

std::optional<std::vector<datagram>> bus_driver::exchange(const std::vector<datagram>& datagrams)
{
    std::vector<datagram> numbered = datagrams;
    for (datagram& d : numbered)
        d.index = index_++;
    std::vector<uint8_t> frame = build_frame(numbered);
    auto replies = bus_.transmit(frame.data(), frame.size());
    if (replies.size() != 1)
        return std::nullopt;
    return parse_frame(replies.front());
}

datagram bus_driver::exchange(const datagram& request)
{
    auto reply = exchange(std::vector<datagram>{request});
    if (!reply || reply->size() != 1) {
        ADD_FAILURE() << "no frame came back for command " << int(request.command);
        datagram lost = request;
        lost.working_counter = 0xFFFF;
        return lost;
    }
    return reply->front();
}

datagram bus_driver::fprd(uint16_t station, uint16_t offset, size_t size)
{
    return exchange(physical(FPRD, station, offset, std::vector<uint8_t>(size)));
}

datagram bus_driver::fpwr(uint16_t station, uint16_t offset, std::vector<uint8_t> data)
{
    return exchange(physical(FPWR, station, offset, std::move(data)));
}

datagram bus_driver::aprd(uint16_t position, uint16_t offset, size_t size)
{
    return exchange(physical(APRD, position, offset, std::vector<uint8_t>(size)));
}

datagram bus_driver::apwr(uint16_t position, uint16_t offset, std::vector<uint8_t> data)
{
    return exchange(physical(APWR, position, offset, std::move(data)));
}

datagram bus_driver::brd(uint16_t offset, size_t size)
{
    return exchange(physical(BRD, 0, offset, std::vector<uint8_t>(size)));
}

datagram bus_driver::bwr(uint16_t offset, std::vector<uint8_t> data)
{
    return exchange(physical(BWR, 0, offset, std::move(data)));
}

void bus_driver::assign_addresses(size_t count, uint16_t first)
{
    for (size_t k = 0; k < count; ++k)
        EXPECT_EQ(apwr(uint16_t(-int(k)), 0x0010, le16(uint16_t(first + k))).working_counter, 1);
}

void bus_driver::request_state(uint16_t station, uint16_t control)
{
    EXPECT_EQ(fpwr(station, 0x0120, le16(control)).working_counter, 1);
}

uint8_t bus_driver::al_status(uint16_t station)
{
    return fprd(station, 0x0130, 2).data[0];
}

uint16_t bus_driver::al_status_code(uint16_t station)
{
    return u16(fprd(station, 0x0134, 2).data);
}

void bus_driver::configure_mailbox(uint16_t station, uint16_t receive, uint16_t send, uint16_t size)
{
    std::vector<uint8_t> sms = {
        uint8_t(receive), uint8_t(receive >> 8), uint8_t(size), uint8_t(size >> 8), 0x26, 0, 1, 0,
        uint8_t(send),    uint8_t(send >> 8),    uint8_t(size), uint8_t(size >> 8), 0x22, 0, 1, 0};
    EXPECT_EQ(fpwr(station, 0x0800, sms).working_counter, 1);
}

bool bus_driver::bring_to_preop(uint16_t station)
{
    configure_mailbox(station);
    request_state(station, 0x02);
    return al_status(station) == 0x02;
}

uint16_t bus_driver::sii_word(uint16_t station, uint16_t address)
{
    fpwr(station, 0x0502, {0x80, 0x01, uint8_t(address), uint8_t(address >> 8)});
    for (int poll = 0; poll < 100; ++poll) {
        datagram status = fprd(station, 0x0502, 10);
        if (!(status.data[1] & 0x81))
            return u16(status.data, 6);
    }
    ADD_FAILURE() << "SII stayed busy";
    return 0;
}

uint16_t bus_driver::mailbox_write(uint16_t station, const std::vector<uint8_t>& mailbox, uint16_t offset,
                                   uint16_t size)
{
    std::vector<uint8_t> padded = mailbox;
    padded.resize(size, 0);
    return fpwr(station, offset, padded).working_counter;
}

bool bus_driver::send_mailbox_full(uint16_t station, uint16_t sm)
{
    return fprd(station, uint16_t(0x0800 + 8 * sm), 8).data[5] & 0x08;
}

std::optional<std::vector<uint8_t>> bus_driver::mailbox_read(uint16_t station, uint16_t offset, uint16_t size)
{
    for (int poll = 0; poll < 5; ++poll) {
        if (!send_mailbox_full(station))
            continue;
        datagram fetched = fprd(station, offset, size);
        if (fetched.working_counter == 1)
            return fetched.data;
    }
    return std::nullopt;
}

} // namespace simtest
