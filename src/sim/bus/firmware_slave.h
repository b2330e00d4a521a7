#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "sim/bus/slave.h"
#include "sim/firmware/message_log.h"
#include "sim/firmware/shared_library_firmware.h"

namespace sim {

// A slave given by files: its firmware as a shared library and its SII image.
struct firmware_files {
    std::string library;
    std::string sii;
    std::string name; // empty: the library's file name
};

// Takes the slave list item that starts at words[at] ("firmware=PATH"): the sii= and name=
// words right after it belong to it, as the comma separates both items and their keys. Moves
// `at` past them. False with a readable error for a repeated or missing key or an empty value.
bool take_firmware_item(const std::vector<std::string>& words, size_t& at, firmware_files& out, std::string& error);
bool is_firmware_item(const std::string& word);
// The item as a slave list writes it.
std::string firmware_item_text(const firmware_files& files);

// Builds the slave: reads and checks the SII file, describes the slave and its ESC from it,
// loads the library and powers the slave up, which calls the firmware's init and run. Null
// with an error naming the file or the firmware when any step fails.
std::unique_ptr<slave> make_firmware_slave(const firmware_files& files, std::shared_ptr<message_log> log,
                                           std::string& error,
                                           std::chrono::milliseconds call_limit = default_firmware_call_limit);

} // namespace sim
