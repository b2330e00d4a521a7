#include "bus_fixture.h"

#include <chrono>
#include <thread>

#include "ecat/session.h"
#include "ecat/slave_info.h"
#include "sim/bus/bus.h"
#include "sim/bus/bus_catalog.h"
#include "sim/description/generic_slaves.h"
#include "sim/bus/inprocess_wire.h"
#include "sim/firmware/standard_application.h"
#include "support/sdo_frames.h"

namespace apptest {

namespace {

const uint8_t test_bus_mac[6] = {0x02, 0x00, 0x4B, 0x49, 0x4F, 0x7E};

uint16_t type_of_width(size_t width)
{
    return width == 1 ? sim::data_type::unsigned8
        : width == 2  ? sim::data_type::unsigned16
                      : sim::data_type::unsigned32;
}

void put(sim::slave_description& d, uint16_t index, uint8_t subindex, size_t width, uint64_t value,
         sim::read_hook hook = {})
{
    sim::object_entry entry;
    entry.index = index;
    entry.subindex = subindex;
    entry.data_type = type_of_width(width);
    entry.access = sim::object_access::read_write;
    for (size_t i = 0; i < width; ++i)
        entry.value.push_back(uint8_t(value >> (8 * i)));
    entry.capacity = width;
    entry.on_read = std::move(hook);
    d.objects.push_back(std::move(entry));
}

void put_text(sim::slave_description& d, uint16_t index, const std::string& text)
{
    for (sim::object_entry& entry : d.objects)
        if (entry.index == index && entry.subindex == 0) {
            entry.value.assign(text.begin(), text.end());
            entry.capacity = text.size();
        }
}

void put_range(sim::slave_description& d, uint16_t first, uint16_t last, uint8_t subindex, size_t width)
{
    for (uint16_t index = first; index <= last; ++index)
        put(d, index, subindex, width, uint64_t(index) + subindex);
}

void put_subindices(sim::slave_description& d, uint16_t index, uint8_t count, size_t width)
{
    for (uint8_t subindex = 1; subindex <= count; ++subindex)
        put(d, index, subindex, width, uint64_t(index) + subindex);
}

sim::slave_description describe_test_card(const test_card& card, uint32_t serial)
{
    sim::slave_description d = sim::generic_coe_slave(serial);
    d.name = card.name;
    put_text(d, 0x1009, card.hardware_version);
    put_text(d, 0x100A, card.software_version);
    put(d, 0x4000, 0, 4,
        uint64_t(card.date[0]) | uint64_t(card.date[1]) << 8 | uint64_t(card.date[2]) << 16
            | uint64_t(card.date[3]) << 24);
    put(d, 0x4001, 1, 4, card.serial_high);
    put(d, 0x4001, 2, 4, card.serial_low);

    auto delay = card.inputs_delay_ms;
    put(d, 0x2000, 0, 2, 0x2000, [delay](sim::object_dictionary&) {
        if (int ms = *delay)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return uint32_t(0);
    });
    put_range(d, 0x2010, 0x2013, 0, 2);
    put(d, 0x2020, 0, 4, 0x2020);
    put(d, 0x2030, 0, 4, 0x2030);
    put(d, 0x2300, 0, 2, 0x2300);
    put_range(d, 0x2310, 0x2313, 0, 2);
    put_range(d, 0x2320, 0x2321, 0, 4);
    put_range(d, 0x2330, 0x2331, 0, 2);
    put_subindices(d, 0x3030, 2, 2);
    put(d, 0x3031, 0, 2, 0x3031);
    put_subindices(d, 0x3032, 2, 2);
    put(d, 0x3033, 0, 2, 0x3033);
    put(d, 0x3034, 0, 2, 0x3034);
    put_subindices(d, 0x3038, 4, 2);
    put_subindices(d, 0x3039, 4, 2);
    put(d, 0x3029, 1, 2, 0x302A);
    put_subindices(d, 0x3028, 16, 4);
    put_subindices(d, 0x3036, 16, 2);
    put_subindices(d, 0x3037, 16, 4);
    put(d, 0x3061, 0, 2, 0x3061);
    put_subindices(d, 0x2602, 8, 4);
    put_subindices(d, 0x2603, 8, 4);
    for (uint16_t entry = 0; entry < 8; ++entry)
        for (uint16_t base : {0x3000, 0x3020}) {
            uint16_t index = uint16_t(base + entry);
            put(d, index, 1, 2, index + 1u);
            put(d, index, 2, 2, index + 2u);
            for (uint8_t subindex = 3; subindex <= 6; ++subindex)
                put(d, index, subindex, 1, subindex);
            put(d, index, 7, 2, index + 7u);
        }
    put(d, 0x2402, 4, 1, 0xEE);
    return d;
}

} // namespace

std::shared_ptr<sim::bus> register_test_bus(const std::vector<test_card>& cards, const std::string& name)
{
    auto bus = std::make_shared<sim::bus>(1);
    for (size_t i = 0; i < cards.size(); ++i)
        bus->add_slave(describe_test_card(cards[i], uint32_t(i + 1)));
    ecat::adapter_register_wire(name, test_bus_mac, std::make_shared<sim::inprocess_wire>(bus));
    return bus;
}

std::shared_ptr<sim::bus> register_spec_bus(const std::string& spec, const std::string& name)
{
    std::string error;
    std::shared_ptr<sim::bus> bus = sim::make_bus(spec, 1, error);
    if (bus)
        ecat::adapter_register_wire(name, test_bus_mac, std::make_shared<sim::inprocess_wire>(bus));
    return bus;
}

int adapter_index_of(const std::string& name)
{
    for (int i = 0; i < ecat::adapter_count(); ++i) {
        std::string entry;
        if (ecat::adapter_get_name(i, entry) == 0 && entry == name)
            return i;
    }
    return -1;
}

int start_master(ecat::master& m, int adapter_index, ecat::net_device& descriptor, int response_wait_ms)
{
    return ecat::session_open(m, descriptor, adapter_index, response_wait_ms);
}

bool wait_until_ready(ecat::master& m, unsigned count, int timeout_ms)
{
    return ecat::session_wait_settled(m, timeout_ms, int(count));
}

namespace {

template <typename F> auto with_dictionary(sim::bus& bus, size_t slave, F&& f)
{
    return bus.with_slave(slave, [&](sim::slave& s) {
        return f(dynamic_cast<sim::standard_application&>(s.application()).dictionary());
    });
}

} // namespace

void set_object(sim::bus& bus, size_t slave, uint16_t index, uint8_t subindex, uint64_t value)
{
    with_dictionary(bus, slave, [&](sim::object_dictionary& d) { return d.set_number(index, subindex, value); });
}

uint64_t object_value(sim::bus& bus, size_t slave, uint16_t index, uint8_t subindex)
{
    return with_dictionary(bus, slave, [&](sim::object_dictionary& d) { return d.number(index, subindex); });
}

sdo_traffic::sdo_traffic(ecat::master& m) : master_(m)
{
    ecat::adapter_set_tap(this);
}

sdo_traffic::~sdo_traffic()
{
    ecat::adapter_set_tap(nullptr);
}

void sdo_traffic::frame(const uint8_t* data, size_t length, bool sent)
{
    if (!sent)
        return;
    for (const testsupport::sent_sdo_request& request : testsupport::sdo_requests_in(data, length)) {
        uint8_t specifier = request.command_specifier();
        if (specifier == 1 || specifier == 2) { // initiate download, initiate upload
            std::lock_guard lock(mutex_);
            accesses_.push_back({request.station, request.index(), request.subindex(), specifier == 2});
        }
    }
}

std::vector<sdo_access> sdo_traffic::accesses() const
{
    std::lock_guard lock(mutex_);
    return accesses_;
}

std::vector<sdo_access> sdo_traffic::to(unsigned position) const
{
    uint16_t station = 0;
    if (!ecat::master_read_slave(master_, uint16_t(position),
                                 [&](const ecat::slave& s) { station = s.station_address; }))
        return {};
    std::vector<sdo_access> result;
    for (const sdo_access& access : accesses())
        if (access.station == station)
            result.push_back(access);
    return result;
}

void sdo_traffic::clear()
{
    std::lock_guard lock(mutex_);
    accesses_.clear();
}

} // namespace apptest
