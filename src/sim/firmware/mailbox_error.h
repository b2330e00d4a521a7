#pragma once
#include <cstdint>

// Mailbox error reply codes (mailbox type 0).
namespace sim::mailbox_error {

constexpr uint16_t syntax = 0x0001;
constexpr uint16_t unsupported_protocol = 0x0002;
constexpr uint16_t invalid_channel = 0x0003;
constexpr uint16_t service_not_supported = 0x0004;
constexpr uint16_t invalid_header = 0x0005;
constexpr uint16_t size_too_short = 0x0006;
constexpr uint16_t no_more_memory = 0x0007;
constexpr uint16_t invalid_size = 0x0008;

} // namespace sim::mailbox_error
