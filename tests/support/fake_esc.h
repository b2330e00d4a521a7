#pragma once
// Slave controllers that answer the master's datagrams in place, so that the state
// machines can be stepped without frames: registers, the SII interface, AL control,
// and a mailbox that answers SDO uploads from a table of objects.
#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ecat/datagram.h"
#include "support/esc_offsets.h"

namespace fsmtest {

namespace esc = testsupport::esc;

using ecat::read_u16;
using ecat::write_u16;

constexpr size_t register_space = 0x2000;

struct fake_slave {
    uint8_t reg[register_space] = {};
    std::vector<uint16_t> sii;
    bool present = true;
    bool has_system_time = true; // answers reads of 0x0910
    int sii_busy_polls = 0;      // status reads that show busy after each read command
    bool sii_command_error = false;
    // Called for every write of AL Control; the default accepts every request.
    std::function<void(fake_slave&, uint8_t)> al_control = accept_state;
    std::map<uint32_t, std::vector<uint8_t>> objects; // key(index, subindex) -> value
    std::vector<uint32_t> uploads;                    // objects asked for, in order

    static uint32_t key(uint16_t index, uint8_t subindex) { return (uint32_t(index) << 8) | subindex; }
    static void accept_state(fake_slave& s, uint8_t value) { s.reg[0x130] = value & 0x0F; }

    uint16_t station() const { return read_u16(reg + esc::station_address); }
    uint8_t al_status() const { return reg[0x130]; }
    void set_base(uint8_t fmmus, uint8_t sync_managers, bool dc)
    {
        reg[esc::fmmu_count] = fmmus;
        reg[esc::sync_manager_count] = sync_managers;
        reg[esc::features] = dc ? 0x04 : 0x00;
    }

    bool answers_read(uint16_t offset) const
    {
        if (offset == esc::dc_system_time && !has_system_time)
            return false;
        // an empty send mailbox is not readable
        return !(offset == read_u16(reg + esc::sync_manager_1) && offset != 0
                 && !(reg[esc::sync_manager_1_status] & 0x08));
    }

    void read(uint16_t offset, uint8_t* out, size_t size)
    {
        for (size_t k = 0; k < size; ++k)
            out[k] |= offset + k < register_space ? reg[offset + k] : 0;
        if (offset <= esc::sii_control_busy && offset + size > esc::sii_control_busy && sii_polls_left > 0
            && --sii_polls_left == 0)
            finish_sii_read();
        if (offset == read_u16(reg + esc::sync_manager_1) && offset != 0)
            reg[esc::sync_manager_1_status] &= ~0x08;
    }

    void write(uint16_t offset, const uint8_t* data, size_t size)
    {
        for (size_t k = 0; k < size && offset + k < register_space; ++k)
            reg[offset + k] = data[k];
        if (offset == esc::al_control)
            al_control(*this, data[0]);
        else if (offset == esc::sii_control && (data[1] & 0x01))
            start_sii_read();
        else if (offset == read_u16(reg + esc::sync_manager_0) && offset != 0)
            serve_mailbox(data);
    }

private:
    int sii_polls_left = 0;

    uint16_t sii_word(unsigned address) const { return address < sii.size() ? sii[address] : 0xFFFF; }

    void start_sii_read()
    {
        if (sii_command_error) {
            reg[esc::sii_control_busy] = 0x20;
            return;
        }
        reg[esc::sii_control_busy] = 0x81;
        sii_polls_left = sii_busy_polls;
        if (sii_polls_left == 0)
            finish_sii_read();
    }

    void finish_sii_read()
    {
        unsigned address = read_u16(reg + esc::sii_address);
        write_u16(reg + esc::sii_data, sii_word(address));
        write_u16(reg + 0x050A, sii_word(address + 1));
        reg[esc::sii_control_busy] = 0x00;
    }

    // Answers an SDO upload request with an expedited response or an abort.
    void serve_mailbox(const uint8_t* request)
    {
        if ((request[5] & 0x0F) != 3 || (request[6 + 2] >> 5) != 2)
            return;
        uint16_t index = read_u16(request + 6 + 3);
        uint8_t subindex = request[6 + 5];
        uploads.push_back(key(index, subindex));
        uint8_t* reply = reg + read_u16(reg + esc::sync_manager_1);
        std::memset(reply, 0, 16);
        write_u16(reply, 10);
        write_u16(reply + 2, station());
        reply[5] = 3;
        write_u16(reply + 6, 0x3000);
        write_u16(reply + 6 + 3, index);
        reply[6 + 5] = subindex;
        auto found = objects.find(key(index, subindex));
        if (found == objects.end() || found->second.size() > 4) {
            reply[6 + 2] = 0x80;
            ecat::write_u32(reply + 6 + 6, 0x06020000);
        } else {
            size_t size = found->second.size();
            reply[6 + 2] = static_cast<uint8_t>(0x43 | ((4 - size) << 2));
            std::memcpy(reply + 6 + 6, found->second.data(), size);
        }
        reg[esc::sync_manager_1_status] |= 0x08;
    }
};

// One datagram as the master sent it.
struct exchange {
    ecat::datagram_type type;
    uint16_t address;
    uint16_t offset;
    std::vector<uint8_t> data;

    uint16_t value() const { return data.size() >= 2 ? read_u16(data.data()) : (data.empty() ? 0 : data[0]); }
};

class fake_bus {
public:
    std::vector<fake_slave> slaves;
    uint32_t now = 1000; // send time of the next exchange, ms
    uint32_t step_ms = 1;
    std::vector<exchange> log;
    // Returns true when it answered the datagram itself (times are already set).
    std::function<bool(ecat::datagram&)> intercept;

    void answer(ecat::datagram& d)
    {
        using ecat::datagram_type;
        uint16_t address = read_u16(d.address), offset = read_u16(d.address + 2);
        log.push_back({d.type, address, offset, std::vector<uint8_t>(d.data, d.data + d.data_size)});
        d.sent_time = now;
        d.received_time = now + 1;
        now += step_ms;
        d.state = ecat::datagram_state::received;
        if (intercept && intercept(d))
            return;

        bool is_read = d.type == datagram_type::APRD || d.type == datagram_type::FPRD || d.type == datagram_type::BRD;
        if (is_read)
            std::memset(d.data, 0, d.data_size);
        uint16_t counter = 0;
        for (size_t i = 0; i < slaves.size(); ++i) {
            fake_slave& s = slaves[i];
            if (!s.present || !addressed(d.type, address, i, s))
                continue;
            if (is_read) {
                if (!s.answers_read(offset))
                    continue;
                s.read(offset, d.data, d.data_size);
            } else {
                s.write(offset, d.data, d.data_size);
            }
            ++counter;
        }
        d.working_counter = counter;
    }

    size_t count(ecat::datagram_type type, uint16_t offset) const
    {
        size_t n = 0;
        for (const auto& e : log)
            n += e.type == type && e.offset == offset;
        return n;
    }

private:
    static bool addressed(ecat::datagram_type type, uint16_t address, size_t position, const fake_slave& s)
    {
        using ecat::datagram_type;
        switch (type) {
        case datagram_type::APRD:
        case datagram_type::APWR: return static_cast<uint16_t>(address + position) == 0;
        case datagram_type::FPRD:
        case datagram_type::FPWR: return s.station() == address;
        default: return true;
        }
    }
};

// Steps a machine (exec returns true while it runs), answering every datagram it
// leaves; returns the number of exchanges.
template <class Exec> int run(fake_bus& bus, ecat::datagram& d, Exec exec, int limit = 20000)
{
    int exchanges = 0;
    while (exec()) {
        bus.answer(d);
        if (++exchanges > limit) {
            ADD_FAILURE() << "machine still running after " << limit << " exchanges";
            break;
        }
    }
    return exchanges;
}

// Builds an SII image: the 64-word header, then categories.
class sii_builder {
public:
    sii_builder() : words_(64, 0) { }

    sii_builder& identity(uint32_t vendor, uint32_t product, uint32_t revision, uint32_t serial)
    {
        put32(0x08, vendor), put32(0x0A, product), put32(0x0C, revision), put32(0x0E, serial);
        return *this;
    }
    sii_builder& mailbox(uint16_t rx_offset, uint16_t rx_size, uint16_t tx_offset, uint16_t tx_size, uint16_t protocols)
    {
        words_[0x18] = rx_offset, words_[0x19] = rx_size, words_[0x1A] = tx_offset, words_[0x1B] = tx_size;
        words_[0x1C] = protocols;
        return *this;
    }
    sii_builder& word(unsigned address, uint16_t value)
    {
        words_[address] = value;
        return *this;
    }
    // A category of bytes, padded to whole words; size_words overrides the size word.
    sii_builder& category(uint16_t type, std::vector<uint8_t> bytes, int size_words = -1)
    {
        if (bytes.size() % 2)
            bytes.push_back(0);
        words_.push_back(type);
        words_.push_back(static_cast<uint16_t>(size_words >= 0 ? size_words : bytes.size() / 2));
        for (size_t k = 0; k < bytes.size(); k += 2)
            words_.push_back(static_cast<uint16_t>(bytes[k] | (bytes[k + 1] << 8)));
        return *this;
    }
    sii_builder& strings(const std::vector<std::string>& texts)
    {
        std::vector<uint8_t> bytes{static_cast<uint8_t>(texts.size())};
        for (const auto& t : texts) {
            bytes.push_back(static_cast<uint8_t>(t.size()));
            bytes.insert(bytes.end(), t.begin(), t.end());
        }
        return category(10, bytes);
    }
    // Sync managers as (start, length, control, enable).
    sii_builder& sync_managers(const std::vector<std::array<uint16_t, 4>>& list)
    {
        std::vector<uint8_t> bytes;
        for (const auto& sm : list) {
            uint8_t entry[8] = {};
            write_u16(entry, sm[0]);
            write_u16(entry + 2, sm[1]);
            entry[4] = static_cast<uint8_t>(sm[2]);
            entry[6] = static_cast<uint8_t>(sm[3]);
            bytes.insert(bytes.end(), entry, entry + 8);
        }
        return category(41, bytes);
    }
    sii_builder& raw(uint16_t value)
    {
        words_.push_back(value);
        return *this;
    }
    sii_builder& end()
    {
        words_.push_back(0xFFFF);
        return *this;
    }
    std::vector<uint16_t> image() const { return words_; }

private:
    void put32(unsigned address, uint32_t value)
    {
        words_[address] = static_cast<uint16_t>(value);
        words_[address + 1] = static_cast<uint16_t>(value >> 16);
    }

    std::vector<uint16_t> words_;
};

} // namespace fsmtest
