#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/chip/ethercat_frame.h"
#include "sim/bus/random_source.h"
#include "sim/bus/reply_mutator.h"
#include "sim/bus/slave.h"
#include "sim/firmware/message_log.h"

namespace sim {

// A simulated EtherCAT segment: slaves in a line or a tree behind the master's port, and
// the faults that can be asked of it. transmit() is what a wire does with a frame: it walks
// the frame through every reachable slave (port 0 in, then ports 3, 1, 2), and returns the
// frames that come back now. Slaves are named by the order they were added (for a line this
// is their ring position). Every public member is safe to call from any thread.
class bus {
public:
    explicit bus(uint64_t seed = 1);
    ~bus();

    // Appends a slave behind port 1 of the last one (the first one hangs on the master).
    size_t add_slave(slave_description description);
    // Hangs a slave on a free port (1, 2 or 3) of a slave already on the bus.
    size_t attach_slave(slave_description description, size_t parent, unsigned port);
    // The same for a slave built elsewhere, e.g. one running other firmware.
    size_t add_slave(std::unique_ptr<slave> device);
    size_t attach_slave(std::unique_ptr<slave> device, size_t parent, unsigned port);
    size_t slave_count() const;
    // Where the bus time comes from (ns); by default it advances 1 ms per frame.
    void set_time_source(std::function<uint64_t()> now_ns);
    // Where lines for the user go: a slave whose firmware stopped, the firmware's own lines.
    const std::shared_ptr<message_log>& messages() const { return messages_; }

    // One frame from the master; the replies that leave the bus now (possibly none).
    std::vector<std::vector<uint8_t>> transmit(const uint8_t* frame, size_t length);

    // Runs f on a slave under the bus lock, e.g. to read its registers or dictionary.
    template <typename F> auto with_slave(size_t id, F&& f)
    {
        std::lock_guard lock(mutex_);
        return f(*nodes_.at(id).device);
    }

    // Faults
    void set_drop_probability(double probability);
    void set_reply_delay(unsigned frames);
    void unplug(size_t id);
    void replug(size_t id);
    void set_link(bool up);
    bool link_up() const;
    void refuse_state(size_t id, uint8_t state, uint16_t al_status_code = 0x0011);
    void raise_al_error(size_t id, uint16_t al_status_code);
    void set_sii_busy_polls(size_t id, unsigned polls);
    void inject_sii_command_errors(size_t id, unsigned count);
    void inject_mailbox_errors(size_t id, unsigned count, uint16_t code);
    void inject_emergency_during_transfer(size_t id, unsigned count);
    // The slave's mailbox answers come this many frames late (0: at once).
    void set_mailbox_answer_delay(size_t id, unsigned frames);
    void send_emergency(size_t id, const emergency_message& message);
    void corrupt_datagram_lengths(unsigned frames);
    // Mutates this share of the replies (reply_mutator), until set back to 0.
    void set_mutation_probability(double probability);

    struct statistics {
        uint64_t frames_in = 0;
        uint64_t malformed = 0;
        uint64_t dropped = 0;
        uint64_t replies = 0;
        uint64_t mutated = 0;
    };
    statistics counters() const;

private:
    struct node {
        std::unique_ptr<slave> device;
        int parent = -1;
        std::array<int, 4> children{-1, -1, -1, -1};
        bool plugged = true;
        uint32_t cable_delay_ns = 10;
        bool failure_reported = false;
    };
    struct pending_reply {
        uint64_t release_at;
        std::vector<uint8_t> frame;
    };

    size_t insert(std::unique_ptr<slave> device, int parent, unsigned port);
    uint64_t pass(size_t id, std::vector<datagram_view>& datagrams, uint64_t enter_ns);
    void refresh_links();
    void corrupt(std::vector<uint8_t>& frame);
    void run_applications();

    std::shared_ptr<message_log> messages_ = std::make_shared<message_log>();
    mutable std::mutex mutex_;
    std::vector<node> nodes_;
    random_source random_;
    std::function<uint64_t()> now_ns_;
    uint64_t simulated_time_ns_ = 0;
    double drop_probability_ = 0;
    unsigned reply_delay_ = 0;
    unsigned corruptions_left_ = 0;
    reply_mutator mutator_;
    bool link_up_ = true;
    uint64_t frame_number_ = 0;
    std::deque<pending_reply> pending_;
    std::vector<datagram_view> datagrams_;
    statistics statistics_;
};

} // namespace sim
