#pragma once
#include <string>

namespace platform {

// The program that opens packet sockets for processes without a capability. It is the
// only file installed with one (cap_net_raw, root:kestio, mode 0750), so only members of
// the group kestio get raw access; it runs no code a user chooses.
constexpr const char* adapter_helper_name = "kestio-adapter-open";
constexpr const char* raw_access_group = "kestio";

// Where the helper lies: ../libexec/kestio-test/ beside this program's folder, which is
// /usr/libexec/kestio-test for the installed programs and build/src/libexec/kestio-test
// in the build tree. Never taken from the environment.
std::string adapter_helper_path();

// Starts the helper for device and receives the socket it opened. Returns the descriptor,
// or -1 with the reason in error.
int open_packet_socket_through_helper(const std::string& device, std::string& error);

// Whether the helper can open packet sockets for this user (it is there, this user may run
// it, and it holds its capability); error says why not and what to do.
bool adapter_helper_usable(std::string& error);

// The sentence that tells an operator how to get raw access.
std::string raw_access_hint();

} // namespace platform
