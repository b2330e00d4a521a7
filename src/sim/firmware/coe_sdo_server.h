#pragma once
#include <cstdint>
#include <vector>

#include "sim/firmware/object_dictionary.h"
#include "sim/firmware/slave_faults.h"

namespace sim {

// The SDO server of a CoE slave: expedited, normal and segmented download and upload with
// toggle checking, answering faults with SDO abort messages. It works on CoE service data
// (the bytes after the mailbox header) and never sees the mailbox itself.
class coe_sdo_server {
public:
    explicit coe_sdo_server(object_dictionary& dictionary);

    // Handles one CoE message. room is the most service-data bytes one reply may carry.
    // Appends the replies, or returns a mailbox error code (0 when the message was taken).
    uint16_t handle(const uint8_t* message, size_t length, size_t room, std::vector<std::vector<uint8_t>>& replies);
    // Forgets any transfer in progress (the mailbox was reset).
    void reset();

    static std::vector<uint8_t> emergency(const emergency_message& message);

private:
    void initiate_download(const uint8_t* message, size_t length, std::vector<uint8_t>& reply);
    void download_segment(const uint8_t* message, size_t length, std::vector<uint8_t>& reply);
    void initiate_upload(const uint8_t* message, size_t room, std::vector<uint8_t>& reply);
    void upload_segment(const uint8_t* message, size_t room, std::vector<uint8_t>& reply);
    void abort(uint16_t index, uint8_t subindex, uint32_t code, std::vector<uint8_t>& reply);

    struct transfer {
        bool active = false;
        uint16_t index = 0;
        uint8_t subindex = 0;
        std::vector<uint8_t> data;
        size_t complete_size = 0;
        size_t done = 0;
        bool toggle = false;
    };

    object_dictionary& dictionary_;
    transfer download_;
    transfer upload_;
};

} // namespace sim
