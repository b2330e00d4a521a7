#include "sim/bus/bus.h"

#include <stdexcept>

#include "sim/chip/byte_order.h"
#include "sim/chip/esc_commands.h"

namespace sim {

namespace {
constexpr uint64_t default_frame_interval_ns = 1'000'000;
constexpr unsigned processing_order_after_port0[] = {3, 1, 2};
// bit 1 of the first source address byte marks a frame that went through a slave
constexpr uint8_t source_mark = 0x02;
} // namespace

bus::bus(uint64_t seed) : random_(seed) { }

bus::~bus() = default;

size_t bus::add_slave(slave_description description)
{
    return add_slave(std::make_unique<slave>(std::move(description)));
}

size_t bus::attach_slave(slave_description description, size_t parent, unsigned port)
{
    return attach_slave(std::make_unique<slave>(std::move(description)), parent, port);
}

size_t bus::add_slave(std::unique_ptr<slave> device)
{
    std::lock_guard lock(mutex_);
    if (nodes_.empty())
        return insert(std::move(device), -1, 0);
    return insert(std::move(device), int(nodes_.size() - 1), 1);
}

size_t bus::attach_slave(std::unique_ptr<slave> device, size_t parent, unsigned port)
{
    std::lock_guard lock(mutex_);
    if (parent >= nodes_.size() || port == 0 || port > 3)
        throw std::invalid_argument("no such slave port");
    return insert(std::move(device), int(parent), port);
}

size_t bus::insert(std::unique_ptr<slave> device, int parent, unsigned port)
{
    if (parent >= 0) {
        node& upstream = nodes_[size_t(parent)];
        if (!upstream.device->controller().config().port_implemented(port) || upstream.children[port] >= 0)
            throw std::invalid_argument("port missing or taken");
    }
    node added;
    added.device = std::move(device);
    added.parent = parent;
    // every chip's local clock starts somewhere else, as after a real power-up
    added.device->controller().set_clock_offset(random_.next() & ((uint64_t(1) << 48) - 1));
    nodes_.push_back(std::move(added));
    size_t id = nodes_.size() - 1;
    if (parent >= 0)
        nodes_[size_t(parent)].children[port] = int(id);
    refresh_links();
    return id;
}

size_t bus::slave_count() const
{
    std::lock_guard lock(mutex_);
    return nodes_.size();
}

void bus::set_time_source(std::function<uint64_t()> now_ns)
{
    std::lock_guard lock(mutex_);
    now_ns_ = std::move(now_ns);
}

void bus::refresh_links()
{
    for (size_t id = 0; id < nodes_.size(); ++id) {
        node& n = nodes_[id];
        esc& chip = n.device->controller();
        bool upstream = n.plugged && (n.parent >= 0 || link_up_);
        chip.set_port_link(0, upstream);
        for (unsigned port = 1; port < 4; ++port) {
            int child = n.children[port];
            chip.set_port_link(port, child >= 0 && nodes_[size_t(child)].plugged);
        }
    }
}

std::vector<std::vector<uint8_t>> bus::transmit(const uint8_t* frame, size_t length)
{
    std::lock_guard lock(mutex_);
    ++statistics_.frames_in;
    ++frame_number_;
    simulated_time_ns_ += default_frame_interval_ns;
    uint64_t now = now_ns_ ? now_ns_() : simulated_time_ns_;

    std::vector<uint8_t> reply;
    if (!link_up_ || nodes_.empty() || !nodes_[0].plugged) {
        ++statistics_.dropped;
    } else if (drop_probability_ > 0 && random_.unit() < drop_probability_) {
        ++statistics_.dropped;
    } else {
        reply.assign(frame, frame + length);
        if (!parse_frame(reply.data(), reply.size(), datagrams_)) {
            ++statistics_.malformed;
            reply.clear();
        } else {
            pass(0, datagrams_, now + nodes_[0].cable_delay_ns);
            reply[6] |= source_mark;
            if (corruptions_left_ > 0) {
                --corruptions_left_;
                corrupt(reply);
            }
            if (mutator_.maybe_mutate(reply, random_))
                ++statistics_.mutated;
        }
        run_applications();
    }
    if (!reply.empty())
        pending_.push_back({frame_number_ + reply_delay_, std::move(reply)});

    std::vector<std::vector<uint8_t>> leaving;
    while (!pending_.empty() && pending_.front().release_at <= frame_number_) {
        leaving.push_back(std::move(pending_.front().frame));
        pending_.pop_front();
    }
    statistics_.replies += leaving.size();
    return leaving;
}

void bus::run_applications()
{
    bool unplugged = false;
    for (size_t id = 0; id < nodes_.size(); ++id) {
        node& n = nodes_[id];
        n.device->run_application();
        std::string_view failure = n.device->application().failure();
        if (failure.empty() || !n.plugged)
            continue;
        // a slave whose firmware stopped leaves the bus, as if its cable were pulled
        n.plugged = false;
        unplugged = true;
        if (!n.failure_reported)
            messages_->write("slave " + std::to_string(id) + ": " + std::string(failure) + "; unplugged");
        n.failure_reported = true;
    }
    if (unplugged)
        refresh_links();
}

uint64_t bus::pass(size_t id, std::vector<datagram_view>& datagrams, uint64_t enter_ns)
{
    node& n = nodes_[id];
    esc& chip = n.device->controller();
    chip.frame_enters(enter_ns);
    for (datagram_view& datagram : datagrams)
        process_datagram(chip, datagram);
    uint64_t t = enter_ns + chip.config().processing_delay_ns;
    for (unsigned port : processing_order_after_port0) {
        int child = n.children[port];
        if (child < 0 || !nodes_[size_t(child)].plugged)
            continue; // a closed port loops the frame straight on
        uint32_t cable = nodes_[size_t(child)].cable_delay_ns;
        t = pass(size_t(child), datagrams, t + cable) + cable;
        chip.frame_returns(port, t);
        t += chip.config().forwarding_delay_ns;
    }
    return t;
}

void bus::corrupt(std::vector<uint8_t>& frame)
{
    // the first datagram claims one byte more than it carries, so it no longer fits
    uint8_t* length_word = frame.data() + ethernet_header_size + ethercat_header_size + 6;
    put16(length_word, uint16_t(get16(length_word) + 1));
}

void bus::set_mutation_probability(double probability)
{
    std::lock_guard lock(mutex_);
    mutator_.set_probability(probability);
}

bus::statistics bus::counters() const
{
    std::lock_guard lock(mutex_);
    return statistics_;
}

} // namespace sim
