#pragma once
#include <memory>
#include <string>

#include "kestio_firmware.h"

namespace sim {

// A slave firmware shared library, loaded once for every slave that runs it and unloaded when
// the last of them is gone.
class firmware_library {
public:
    // Loads the library and checks its entry table (exported, the interface version this
    // simulator runs, init and run present). Null with an error naming the file otherwise.
    static std::shared_ptr<firmware_library> open(const std::string& path, std::string& error);
    ~firmware_library();
    firmware_library(const firmware_library&) = delete;
    firmware_library& operator=(const firmware_library&) = delete;

    const kestio_firmware& table() const { return *table_; }
    const std::string& path() const { return path_; }

private:
    firmware_library(void* handle, const kestio_firmware* table, std::string path);

    void* handle_;
    const kestio_firmware* table_;
    std::string path_;
};

} // namespace sim
