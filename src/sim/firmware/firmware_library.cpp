#include "sim/firmware/firmware_library.h"

#include <dlfcn.h>
#include <filesystem>

namespace sim {

namespace {

// The table a loaded library offers, or null with the reason.
const kestio_firmware* entry_table(void* handle, std::string& reason)
{
    auto entry = reinterpret_cast<const kestio_firmware* (*)()>(dlsym(handle, KESTIO_FIRMWARE_ENTRY_NAME));
    if (!entry) {
        reason = "exports no " KESTIO_FIRMWARE_ENTRY_NAME " (build it against kestio_firmware.h)";
        return nullptr;
    }
    const kestio_firmware* table = entry();
    if (!table)
        reason = KESTIO_FIRMWARE_ENTRY_NAME " returned no table";
    else if (table->abi_version != KESTIO_FIRMWARE_ABI_VERSION)
        reason = "was built for firmware interface version " + std::to_string(table->abi_version)
            + ", this simulator runs version " + std::to_string(KESTIO_FIRMWARE_ABI_VERSION)
            + " (rebuild it against this kestio_firmware.h)";
    else if (!table->init || !table->run)
        reason = std::string("has no ") + (table->init ? "run" : "init") + " function in its table";
    else
        return table;
    return nullptr;
}

} // namespace

std::shared_ptr<firmware_library> firmware_library::open(const std::string& path, std::string& error)
{
    std::error_code failed;
    if (!std::filesystem::is_regular_file(path, failed)) {
        error = "firmware " + path + ": no such file";
        return nullptr;
    }
    // an absolute path keeps dlopen from searching the library path for a bare file name
    std::string absolute = std::filesystem::absolute(path).string();
    void* handle = dlopen(absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = "firmware " + path + " cannot be loaded: " + dlerror();
        return nullptr;
    }
    std::string reason;
    const kestio_firmware* table = entry_table(handle, reason);
    if (!table) {
        dlclose(handle);
        error = "firmware " + path + " " + reason;
        return nullptr;
    }
    return std::shared_ptr<firmware_library>(new firmware_library(handle, table, path));
}

firmware_library::firmware_library(void* handle, const kestio_firmware* table, std::string path)
    : handle_(handle),
      table_(table),
      path_(std::move(path))
{
}

firmware_library::~firmware_library()
{
    dlclose(handle_);
}

} // namespace sim
