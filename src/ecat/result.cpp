#include "ecat/result.h"

namespace ecat {

namespace {

struct entry {
    error code;
    const char* name;
    const char* text;
};

const entry entries[] = {
    {error::ok, "ok", "success"},
    {error::refused, "refused", "the value was refused before anything was sent"},
    {error::wait_failed, "wait_failed", "a lock or wait failed, or there is no slave at that position"},
    {error::failed, "failed",
     "the transfer failed (no answer in time, a wrong answer, an abort, or the call's limit passed)"},
    {error::no_memory, "no_memory", "out of memory"},
    {error::already_present, "already_present", "already present"},
    {error::no_device, "no_device", "no device is attached"},
    {error::bad_position, "bad_position", "the slave position is not below the slave count"},
    {error::mailbox_error, "mailbox_error", "the slave's mailbox answered with an error"},
    {error::no_coe, "no_coe", "the slave has no CoE mailbox"},
    {error::too_large, "too_large", "the data is larger than the buffer or the mailbox"},
    {error::adapter_enumeration, "adapter_enumeration", "the network adapters could not be listed"},
    {error::adapter_open, "adapter_open", "the adapter could not be opened, or is not open"},
    {error::adapter_unknown, "adapter_unknown", "no adapter has that name"},
    {error::adapter_index, "adapter_index", "there is no adapter at that index"},
};

const entry* find(int code)
{
    for (const entry& e : entries)
        if (result::code(e.code) == code)
            return &e;
    return nullptr;
}

class category : public std::error_category {
public:
    const char* name() const noexcept override { return "kestio"; }
    std::string message(int code) const override { return result::text(code); }
};

} // namespace

const std::error_category& error_category()
{
    static const category instance;
    return instance;
}

std::error_code make_error_code(error e)
{
    return {result::code(e), error_category()};
}

std::string describe(int code)
{
    return "error " + std::to_string(code) + " (" + result::name(code) + "): " + result::text(code);
}

namespace result {

const char* name(int code)
{
    const entry* e = find(code);
    return e ? e->name : "unknown";
}

const char* text(int code)
{
    const entry* e = find(code);
    return e ? e->text : "unknown result";
}

} // namespace result
} // namespace ecat
