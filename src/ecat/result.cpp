#include "ecat/result.h"

namespace ecat::result {

namespace {

struct entry {
    int code;
    const char* name;
    const char* text;
};

const entry entries[] = {
    {ok, "ok", "success"},
    {wait_failed, "wait_failed", "a lock or wait failed, or there is no slave at that position"},
    {failed, "failed", "the transfer failed (no answer in time, a wrong answer, an abort, or the call's limit passed)"},
    {no_memory, "no_memory", "out of memory"},
    {already_present, "already_present", "already present"},
    {no_device, "no_device", "no device is attached"},
    {bad_position, "bad_position", "the slave position is not below the slave count"},
    {mailbox_error, "mailbox_error", "the slave's mailbox answered with an error"},
    {no_coe, "no_coe", "the slave has no CoE mailbox"},
    {too_large, "too_large", "the data is larger than the buffer or the mailbox"},
};

const entry* find(int code)
{
    for (const entry& e : entries)
        if (e.code == code)
            return &e;
    return nullptr;
}

} // namespace

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

} // namespace ecat::result
